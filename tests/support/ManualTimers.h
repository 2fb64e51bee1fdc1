#pragma once

#include "engine/ChangeWatch.h"
#include "engine/Clock.h"
#include "engine/TimerService.h"

#include <QMap>

// A timer service whose timers fire only when a test says so.
class ManualTimers : public TimerService
{
public:
    struct Timer
    {
        int periodMs = 0;
        std::function<void()> proc;
    };
    QMap<quint32, Timer> running;
    int starts = 0;

    quint32 SetTimer(quint32 id, int periodMs, std::function<void()> proc) override
    {
        if (id == 0)
            id = m_next++;
        running[id] = Timer{periodMs, std::move(proc)};
        ++starts;
        return id;
    }
    void KillTimer(quint32 id) override { running.remove(id); }
    // Fires the timer `id` once; false when it is not running.
    bool fire(quint32 id)
    {
        const auto proc = running.value(id).proc; // a copy: it may restart or kill the timer
        if (proc)
            proc();
        return bool(proc);
    }

private:
    quint32 m_next = 1;
};

// A clock a test sets and moves.
class ManualClock : public Clock
{
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 12, 6), QTime(9, 0, 0)))
        : current(std::move(start))
    {}
    QDateTime now() const override { return current; }
    void advance(qint64 seconds) { current = current.addSecs(seconds); }
    QDateTime current;
};

// A change watch whose writes a test reports by hand (fire() while armed).
class ManualChangeWatch : public ChangeWatch
{
public:
    std::function<void()> fire; // set while armed
    int pollsBegun = 0;
    void Watch(const QStringList &, std::function<void()> onChange) override
    {
        fire = std::move(onChange);
    }
    void Stop() override { fire = nullptr; }
    void PollBegins() override { ++pollsBegun; }
};
