#pragma once

#include "engine/eventlog/EventRecord.h"

#include <QList>
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
// arrive in order, while other files' commands take the free slots. A command
// that runs past its time limit is killed with the processes it started.
// Failures and time-outs are told through the report function; events that
// found the queue full are counted and told once by reportDropped().
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
    // Says how many events found the queue full since the last call (once,
    // nothing when none did); returns that number.
    int reportDropped();
    // Events never handed over since the start (a full queue).
    int droppedTotal() const { return m_droppedTotal; }
    // Commands running or waiting.
    int busy() const { return int(m_running.size() + m_queue.size()); }
    // Runs the event loop until no command runs or waits, or the time is up
    // (negative: no limit); true when none is left.
    bool waitForIdle(int ms);
    // At the end of the program: waits as waitForIdle(), then kills what
    // still runs (with what the commands left in the background) and drops
    // what waits, reporting how many; returns that number.
    int finish(int graceMs);
    // Kills the process groups of every command started and not known to be
    // over; async-signal-safe (for a program ended by a signal).
    static void endAllGroups();

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
    void endLingering();
    static QString key(const EventRecord &event) { return event.database + u'\n' + event.spec; }
    static QString describe(const EventRecord &event);

    Report m_report;
    std::deque<Job> m_queue;
    std::vector<QProcess *> m_running;
    QSet<QString> m_busyKeys;  // files whose command runs
    QList<qint64> m_lingering; // groups of ended commands with processes left
    int m_dropped = 0;         // since the last reportDropped()
    int m_droppedTotal = 0;
    QEventLoop *m_waiting = nullptr;
    QObject m_owner; // parent of the processes and their timers
};
