#include "EventHooks.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <QVariant>

#include <utility>

#include <atomic>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <qt_windows.h>
#endif

namespace {

const char *const kTimedOut = "quorvikTimedOut";
const char *const kJob = "quorvikJob";
const char *const kGroup = "quorvikGroup";
const char *const kPending = "quorvikPendingErrors";

// A command's error output goes on to ours in whole lines, so that it never
// runs into a line of this program's own; what it leaves unended at its end
// (or a line too long to hold) gets a line break.
void passOnErrors(QProcess *process, bool atEnd)
{
    constexpr qsizetype kLongestLine = 64 * 1024;
    const QByteArray pending =
        process->property(kPending).toByteArray() + process->readAllStandardError();
    qsizetype cut = pending.lastIndexOf('\n') + 1;
    if (atEnd || pending.size() - cut > kLongestLine)
        cut = pending.size();
    QByteArray out = pending.left(cut);
    process->setProperty(kPending, pending.mid(cut));
    if (out.isEmpty())
        return;
    if (!out.endsWith('\n'))
        out += '\n';
    std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
    std::fflush(stderr);
}

#ifdef Q_OS_UNIX
// The process groups of commands started and not known to be over, for
// ending them from a signal handler too: a fixed array of lock-free atomics.
std::atomic<pid_t> g_groups[64];

void rememberGroup(pid_t group)
{
    for (auto &slot : g_groups) {
        pid_t none = 0;
        if (slot.compare_exchange_strong(none, group))
            return;
    }
}

void forgetGroup(pid_t group)
{
    for (auto &slot : g_groups) {
        pid_t same = group;
        slot.compare_exchange_strong(same, 0);
    }
}

bool groupLives(pid_t group)
{
    return ::kill(-group, 0) == 0;
}
#endif

QProcessEnvironment environmentFor(const EventRecord &event)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUORVIK_DATE"), event.date);
    env.insert(QStringLiteral("QUORVIK_TIME"), event.time);
    env.insert(QStringLiteral("QUORVIK_SPEC"), event.spec);
    env.insert(QStringLiteral("QUORVIK_ACTION"), event.action);
    env.insert(QStringLiteral("QUORVIK_USER"), event.user);
    env.insert(QStringLiteral("QUORVIK_DATABASE"), event.database);
    return env;
}

void setCommand(QProcess &process, const QString &command)
{
#ifdef Q_OS_WIN
    // cmd has its own quoting rules: hand the line over as it is.
    process.setProgram(qEnvironmentVariable("ComSpec", QStringLiteral("cmd.exe")));
    process.setNativeArguments(QStringLiteral("/c ") + command);
#else
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments({QStringLiteral("-c"), command});
    // A group of its own, so a time-out stops what the shell started too.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
}

// Windows has no process groups: a job object of its own holds the command
// and, from then on, what it starts, so that a time-out stops them all. The
// job is joined right after the start, while cmd is still loading.
void holdInJob(QProcess *process)
{
#ifdef Q_OS_WIN
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    HANDLE handle =
        OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(process->processId()));
    if (job && handle && AssignProcessToJobObject(job, handle)) {
        process->setProperty(kJob, quintptr(job));
        QObject::connect(process, &QObject::destroyed, [job] { CloseHandle(job); });
        job = nullptr;
    }
    if (handle)
        CloseHandle(handle);
    if (job)
        CloseHandle(job);
#else
    Q_UNUSED(process);
#endif
}

} // namespace

EventHooks::EventHooks(Report report) : m_report(std::move(report)) {}

EventHooks::~EventHooks()
{
    for (QProcess *process : m_running) {
        QObject::disconnect(process, nullptr, &m_owner, nullptr);
        kill(process);
    }
    endLingering();
}

void EventHooks::endAllGroups()
{
#ifdef Q_OS_UNIX
    for (auto &slot : g_groups)
        if (const pid_t group = slot.load())
            ::kill(-group, SIGKILL);
#endif
}

void EventHooks::endLingering()
{
#ifdef Q_OS_UNIX
    for (const qint64 group : std::as_const(m_lingering)) {
        ::kill(-pid_t(group), SIGKILL);
        forgetGroup(pid_t(group));
    }
#endif
    m_lingering.clear();
}

void EventHooks::run(const QString &command, int timeLimitMs, const EventRecord &event)
{
    if (command.trimmed().isEmpty())
        return;
    if (int(m_queue.size()) >= kMaxQueued) {
        ++m_dropped;
        ++m_droppedTotal;
        return;
    }
    m_queue.push_back({command, timeLimitMs, event});
    startQueued();
}

int EventHooks::reportDropped()
{
    const int dropped = std::exchange(m_dropped, 0);
    if (dropped > 0)
        m_report(QCoreApplication::translate("EventHooks",
                                             "ERROR: %1 event(s) not handed over to the event "
                                             "command: %2 were already waiting")
                     .arg(dropped)
                     .arg(kMaxQueued));
    return dropped;
}

void EventHooks::startQueued()
{
    // The first waiting job of each file that has none running; a file
    // whose earlier job still waits keeps its later ones behind it. Picked
    // first and started after, as a start that fails comes back here.
    QSet<QString> held = m_busyKeys;
    std::vector<Job> picked;
    for (auto job = m_queue.begin();
         job != m_queue.end() && int(m_running.size() + picked.size()) < kMaxRunning;) {
        if (held.contains(key(job->event))) {
            ++job;
            continue;
        }
        held.insert(key(job->event));
        picked.push_back(*job);
        job = m_queue.erase(job);
    }
    for (const Job &job : picked)
        start(job);
}

void EventHooks::start(const Job &job)
{
    auto *process = new QProcess(&m_owner);
    setCommand(*process, job.command);
    process->setProcessEnvironment(environmentFor(job.event));
    // Its output would mix with ours (the records on standard output);
    // its error output is worth seeing.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::readyReadStandardError, &m_owner,
                     [process] { passOnErrors(process, false); });

    auto *timer = new QTimer(process);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, &m_owner, [process] {
        process->setProperty(kTimedOut, true);
        kill(process);
    });
    QObject::connect(process, &QProcess::started, timer,
                     [timer, job] { timer->start(job.timeLimitMs); });
    QObject::connect(
        process, &QProcess::finished, &m_owner,
        [this, process, job](int code, QProcess::ExitStatus status) {
            passOnErrors(process, true);
            QString failure;
            if (process->property(kTimedOut).toBool())
                failure = QCoreApplication::translate("EventHooks", "ran over %1 s and was stopped")
                              .arg(job.timeLimitMs / 1000.0);
            else if (status == QProcess::CrashExit)
                failure = QCoreApplication::translate("EventHooks", "was ended by a signal");
            else if (code != 0)
                failure = QCoreApplication::translate("EventHooks", "failed with exit status %1")
                              .arg(code);
            ended(process, job, failure);
        });
    QObject::connect(
        process, &QProcess::errorOccurred, &m_owner,
        [this, process, job](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                ended(process, job,
                      QCoreApplication::translate("EventHooks", "could not be started: ") +
                          process->errorString());
        });
    m_running.push_back(process);
    m_busyKeys.insert(key(job.event));
    process->start();
    if (process->state() != QProcess::NotRunning) {
        holdInJob(process);
        process->setProperty(kGroup, process->processId());
#ifdef Q_OS_UNIX
        rememberGroup(pid_t(process->processId()));
#endif
    }
}

void EventHooks::ended(QProcess *process, const Job &job, const QString &failure)
{
    const auto found = std::find(m_running.begin(), m_running.end(), process);
    if (found == m_running.end())
        return;
    m_running.erase(found);
    m_busyKeys.remove(key(job.event));
#ifdef Q_OS_UNIX
    // What the command left running in the background is ended with the
    // program; groups that emptied meanwhile are forgotten.
    if (const qint64 group = process->property(kGroup).toLongLong())
        m_lingering.append(group);
    m_lingering.removeIf([](qint64 group) {
        if (groupLives(pid_t(group)))
            return false;
        forgetGroup(pid_t(group));
        return true;
    });
#endif
    QObject::disconnect(process, nullptr, &m_owner, nullptr);
    process->deleteLater();
    if (!failure.isEmpty())
        m_report(QCoreApplication::translate("EventHooks", "ERROR: The event command %1 (%2)")
                     .arg(failure, describe(job.event)));
    startQueued();
    if (m_waiting && busy() == 0)
        m_waiting->quit();
}

void EventHooks::kill(QProcess *process)
{
#ifdef Q_OS_UNIX
    // While the process is not reaped its id (and so its group) is not reused.
    if (process->state() != QProcess::NotRunning && process->processId() > 0)
        ::kill(-pid_t(process->processId()), SIGKILL);
#elif defined(Q_OS_WIN)
    if (const auto job = process->property(kJob).value<quintptr>())
        TerminateJobObject(HANDLE(job), 1);
#endif
    process->kill();
}

bool EventHooks::waitForIdle(int ms)
{
    if (busy() == 0)
        return true;
    QEventLoop loop;
    m_waiting = &loop;
    if (ms >= 0)
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    m_waiting = nullptr;
    return busy() == 0;
}

int EventHooks::finish(int graceMs)
{
    waitForIdle(graceMs);
    const int left = busy();
    for (QProcess *process : m_running) {
        QObject::disconnect(process, nullptr, &m_owner, nullptr);
        kill(process);
        process->waitForFinished(1000);
        process->deleteLater();
    }
    m_running.clear();
    m_busyKeys.clear();
    m_queue.clear();
    endLingering();
    if (left > 0)
        m_report(QCoreApplication::translate(
                     "EventHooks", "ERROR: %1 event command(s) stopped or not run at the end")
                     .arg(left));
    return left;
}

QString EventHooks::describe(const EventRecord &event)
{
    return event.spec + QStringLiteral(", ") + event.action + QStringLiteral(", ") + event.date +
           u' ' + event.time;
}
