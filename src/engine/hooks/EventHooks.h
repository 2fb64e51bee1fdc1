#pragma once

#include "engine/eventlog/EventRecord.h"

#include <QObject>
#include <QSet>

#include <deque>
#include <functional>

class QEventLoop;
class QProcess;

// Runs the user's event command once per event record (through /bin/sh -c,
// cmd /c on Windows) with the event in its environment: QUORVIK_DATE,
// QUORVIK_TIME, QUORVIK_SPEC, QUORVIK_ACTION, QUORVIK_USER and
// QUORVIK_DATABASE. Nothing here waits for a command: they run beside the
// poll, at most kMaxRunning at once, started in the order of the events; a
// file's command waits for that file's previous one, so one file's events
// arrive in order. A command that runs past its time limit is killed with
// the processes it started. Failures, time-outs and events that could not be
// handed over are told through the report function.
class EventHooks
{
public:
    static constexpr int kMaxRunning = 4;
    static constexpr int kMaxQueued = 1000;

    using Report = std::function<void(const QString &text)>;
    explicit EventHooks(Report report);
    // Kills the commands still running, silently (see finish()).
    ~EventHooks();
    EventHooks(const EventHooks &) = delete;
    EventHooks &operator=(const EventHooks &) = delete;

    // Queues the event for the command (nothing when the command is empty).
    void run(const QString &command, int timeLimitMs, const EventRecord &event);
    // Commands running or waiting.
    int busy() const { return int(m_running.size() + m_queue.size()); }
    // Runs the event loop until no command runs or waits, or the time is up
    // (negative: no limit); true when none is left.
    bool waitForIdle(int ms);
    // At the end of the program: waits as waitForIdle(), then kills what
    // still runs and drops what waits, reporting how many; returns that number.
    int finish(int graceMs);

private:
    struct Job
    {
        QString command;
        int timeLimitMs = 0;
        EventRecord event;
    };
    void startQueued();
    void start(const Job &job);
    void ended(QProcess *process, const Job &job, const QString &failure);
    static void kill(QProcess *process);
    static QString key(const EventRecord &event) { return event.database + u'\n' + event.spec; }
    static QString describe(const EventRecord &event);

    Report m_report;
    std::deque<Job> m_queue;
    std::vector<QProcess *> m_running;
    QSet<QString> m_busyKeys; // files whose command runs
    QEventLoop *m_waiting = nullptr;
    QObject m_owner; // parent of the processes and their timers
};
