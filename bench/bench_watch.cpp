// The whole watcher with 1,000, 10,000 and 50,000 watched files on one
// generated database (history 20, depth 4): start-up as a process, polls in
// a running watcher, memory per watched file, system calls per file in an
// unchanged poll, wake-ups while idle and the memory of a headless watcher
// after 10,000 events.
// Usage: bench_watch [idle_seconds]; QUORVIK_BENCH_WATCH_SIZES=1000,10000
// picks other list lengths. Prints one name=value figure per line.
#include "BenchSupport.h"
#include "BenchWatcher.h"

#include "VssGenPopulate.h"
#include "VssWriter.h"

#include "engine/modZel.h"
#include "engine/repository/vssdb/VssDbDatabase.h"
#include "engine/repository/vssdb/VssDbFactory.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace {

using BenchSupport::QuietShell;
using BenchSupport::Watcher;

struct Child
{
    pid_t pid = -1;
};

Child spawn(const QStringList &args, const QString &output = QStringLiteral("/dev/null"))
{
    std::vector<QByteArray> bytes;
    for (const QString &a : args)
        bytes.push_back(QFile::encodeName(a));
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray out = QFile::encodeName(output);
    posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    Child child;
    if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

// Waits for the child; its exit status.
int finish(const Child &child)
{
    int status = 0;
    if (child.pid < 0 || waitpid(child.pid, &status, 0) < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

long statusField(const QString &path, const QByteArray &field)
{
    QFile status(path);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLong();
    return 0;
}

long rssKb()
{
    return statusField(QStringLiteral("/proc/self/status"), "VmRSS:");
}

// Times the process sleeps and wakes, over all its threads.
long wakeUps(pid_t pid)
{
    long sum = 0;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString &task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        sum += statusField(tasks + QLatin1Char('/') + task + QStringLiteral("/status"),
                           "voluntary_ctxt_switches:");
    return sum;
}

// --poll-child CONFIG POLLS: a watcher that makes POLLS unchanged polls after
// its first; run under strace, the difference between two such runs is what
// the polls cost. The pause makes every poll look at the project listings
// again, as polls minutes apart do, and outlasts the wait after which an
// unchanged project or item is looked at with one stat call: the poll after
// the first reads each project's header and item file once more, the later
// ones do not.
int pollChild(const QString &configDir, int polls)
{
    Watcher w(configDir);
    if (!w.start())
        return 1;
    w.zel.CheckFiles();
    for (int i = 0; i < polls; ++i) {
        QThread::msleep(3100);
        w.zel.CheckFiles();
    }
    return w.zel.EventsFound ? 1 : 0;
}

// --memory-child CONFIG: a fresh watcher's resident memory after its first
// poll. A fresh process, as the peak of a spawned child counts the parent's
// memory it started from.
int memoryChild(const QString &configDir)
{
    Watcher w(configDir);
    if (!w.start())
        return 1;
    w.zel.CheckFiles();
    std::printf("rss_kb_first_poll_%d=%ld\n", w.zel.MonitoredFiles.Count(), rssKb());
    return 0;
}

// Runs a memory child; its resident memory after the first poll.
long firstPollRss(const QString &self, const QString &configDir, const QString &report)
{
    if (finish(spawn({self, QStringLiteral("--memory-child"), configDir}, report)) != 0)
        return 0;
    QFile out(report);
    const QByteArray text = out.open(QIODevice::ReadOnly) ? out.readAll() : QByteArray();
    return text.mid(text.indexOf('=') + 1).trimmed().toLong();
}

// Counts the event records `p` printed (TAB-separated lines) until there
// are `wanted` or none came for `quietMs`.
int countEvents(QProcess &p, int seen, int wanted, int quietMs)
{
    QElapsedTimer quiet;
    quiet.start();
    while (seen < wanted && quiet.elapsed() < quietMs) {
        if (!p.canReadLine() && !p.waitForReadyRead(100))
            continue;
        while (p.canReadLine())
            if (p.readLine().contains('\t'))
                ++seen, quiet.start();
    }
    return seen;
}

// `quorvik --headless` watching `files` files of a database of its own,
// polling every 60 minutes: its resident memory after the first poll and
// after `events` events, as another user checks every file out and in again
// (the file-system watcher starts each poll).
void headlessEventMemory(const QString &quorvik, int files, int events)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("db"));
    const QString config = dir.filePath(QStringLiteral("config"));
    const QDateTime created = QDateTime::currentDateTime().addDays(-1);
    VssWriter::create(db, {{QStringLiteral("Dora"), {}}}, created);
    VssWriter writer(db);
    Suspects watched;
    for (int i = 0; i < files; ++i) {
        const QString project = QStringLiteral("$/P%1").arg(i % 10);
        if (i < 10)
            writer.addProject(project, {QStringLiteral("Admin"), created, {}});
        const QString spec = project + QStringLiteral("/file%1.cpp").arg(i);
        writer.addFile(spec, {QStringLiteral("Admin"), created, {}}, "x");
        watched.Add(spec, 0, 1, created);
    }
    {
        SettingsStore store(config);
        const auto set = [&](const char *key, const QString &value) {
            store.SaveSetting(kAppName, QStringLiteral("Params"), QLatin1String(key), value);
        };
        set("Inifile", db + QStringLiteral("/srcsafe.ini"));
        set("Username", QStringLiteral("Admin"));
        set("Logfile", dir.filePath(QStringLiteral("events.txt")));
        set("MaxLogSize", QStringLiteral("65536"));
        set("PollDelay", QStringLiteral("7"));
        for (const char *off : {"StartUp", "ShowMessages", "PlaySound", "DesktopNotify"})
            set(off, QStringLiteral("False"));
        StoreFileList(watched, store);
    }
    QProcess watcher;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    watcher.setProcessEnvironment(env);
    watcher.setStandardErrorFile(QProcess::nullDevice());
    watcher.start(quorvik, {QStringLiteral("--headless"), QStringLiteral("--config-dir"), config});
    if (!watcher.waitForStarted()) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(quorvik));
        return;
    }
    QThread::sleep(3); // the session start and first poll
    const QString status = QStringLiteral("/proc/%1/status").arg(watcher.processId());
    const long before = statusField(status, "VmRSS:");
    QElapsedTimer spent;
    spent.start();
    int seen = 0;
    for (int round = 0; seen < events && seen == round * files; ++round) {
        const VssWriter::Stamp dora{QStringLiteral("Dora"), QDateTime::currentDateTime(), {}};
        for (const Suspect &file : watched)
            round % 2 == 0 ? writer.checkout(file.Key(), dora) : writer.checkin(file.Key(), dora);
        seen = countEvents(watcher, seen, (round + 1) * files, 30000);
    }
    const long after = statusField(status, "VmRSS:");
    watcher.terminate();
    watcher.waitForFinished();
    std::printf("headless_watched_files=%d\nrss_kb_headless_first_poll=%ld\n"
                "rss_kb_after_%d_events=%ld\nrss_kb_growth_%d_events=%ld\nevents_ms=%lld\n",
                files, before, seen, after, seen, after - before, spent.elapsed());
}

// The system calls of a run of this program's poll child: counted by perf
// (which does not slow them), else by strace (which makes a poll slow enough
// to look at the project listings more than once); -1 when neither works.
long countedCalls(const QString &self, const QString &configDir, int polls, const QString &out)
{
    const QStringList child = {self, QStringLiteral("--poll-child"), configDir,
                               QString::number(polls)};
    const QStringList perf = {QStringLiteral("/usr/bin/perf"),
                              QStringLiteral("stat"),
                              QStringLiteral("-e"),
                              QStringLiteral("raw_syscalls:sys_enter"),
                              QStringLiteral("-x,"),
                              QStringLiteral("-o"),
                              out};
    if (QFile::exists(perf[0]) && finish(spawn(perf + child)) == 0) {
        QFile summary(out);
        if (summary.open(QIODevice::ReadOnly))
            for (const QByteArray &line : summary.readAll().split('\n'))
                if (line.contains("raw_syscalls:sys_enter") && line.split(',')[0].toLong() > 0)
                    return line.split(',')[0].toLong();
    }
    const QStringList strace = {QStringLiteral("/usr/bin/strace"), QStringLiteral("-c"),
                                QStringLiteral("-f"), QStringLiteral("-o"), out};
    if (!QFile::exists(strace[0]) || finish(spawn(strace + child)) != 0)
        return -1;
    QFile summary(out);
    if (!summary.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : summary.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 5 && fields.last() == "total")
            return fields[3].toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("--poll-child"))
        return pollChild(args.value(2), args.value(3).toInt());
    if (args.value(1) == QLatin1String("--memory-child"))
        return memoryChild(args.value(2));
    const int idleSeconds = args.size() > 1 ? args[1].toInt() : 60;
    const std::vector<int> sizes =
        BenchSupport::sizes("QUORVIK_BENCH_WATCH_SIZES", "1000,10000,50000");
    const VssGenPopulate::Options o = BenchSupport::watchedDatabase(sizes.back());
    QStringList specs;
    QElapsedTimer t;
    t.start();
    const QString dir = BenchSupport::database(QStringLiteral("watch"), o, specs);
    const QString ini = dir + QStringLiteral("/srcsafe.ini");
    std::vector<QDateTime> newest;
    {
        VssDbDatabase reader;
        reader.Open(ini, o.user, o.password);
        for (const QString &spec : specs)
            newest.push_back(reader.VSSItem(spec)->NewestVersionDate());
    }
    std::printf("files=%d\nhistory=%d\ndepth=%d\nprojects=%d\nprepare_ms=%lld\n", o.files,
                o.history, o.depth, o.projects, t.elapsed());
    std::fflush(stdout);

    const QString quorvik = app.applicationDirPath() + QStringLiteral("/quorvik");
    std::map<int, double> startMs;
    std::map<int, long> rss;
    const QString report = dir + QStringLiteral("/memory-child.txt");
    std::map<int, QString> configs;
    int failures = 0;
    for (int n : sizes) {
        const QString config = BenchSupport::configFor(dir + QStringLiteral("/config-%1").arg(n),
                                                       ini, specs, newest, n);
        configs[n] = config;
        const QStringList once = {quorvik, QStringLiteral("--headless"), QStringLiteral("--once"),
                                  QStringLiteral("--config-dir"), config};
        const int runs = n <= 1000 ? 3 : n <= 10000 ? 2 : 1;
        startMs[n] =
            BenchSupport::bestMs(runs, [&] { failures += finish(spawn(once)) == 0 ? 0 : 1; });
        Watcher w(config);
        if (!w.start()) {
            std::fprintf(stderr, "cannot start with %d files\n", n);
            return 1;
        }
        w.zel.CheckFiles(); // the first poll reads every file
        const double pollMs = BenchSupport::bestMs(3, [&] {
            w.zel.CheckFiles();
            failures += w.zel.EventsFound ? 1 : 0;
        });
        int next = 0;
        const double eventMs = BenchSupport::bestMs(3, [&] {
            w.ageFiles(next++, 1);
            w.zel.CheckFiles();
            failures += w.zel.EventsFound ? 0 : 1;
        });
        rss[n] = firstPollRss(args[0], config, report);
        std::printf("start_once_ms_%d=%.0f\npoll_ms_%d=%.1f\nevent_poll_ms_%d=%.1f\n"
                    "rss_kb_first_poll_%d=%ld\n",
                    n, startMs[n], n, pollMs, n, eventMs, n, rss[n]);
        std::fflush(stdout);
    }
    const int small = sizes.front();
    const int large = sizes.back();
    if (startMs.count(1000) && startMs.count(10000))
        std::printf("scaling=%.2f\n", startMs[10000] / startMs[1000]);
    if (large > small)
        std::printf("rss_kb_per_file=%.2f\n", double(rss[large] - rss[small]) / (large - small));

    // System calls per file in a steady-state poll: three polls less one.
    const int traced = configs.count(10000) ? 10000 : large;
    const QString out = dir + QStringLiteral("/syscalls.txt");
    const long one = countedCalls(args[0], configs[traced], 1, out);
    const long three = countedCalls(args[0], configs[traced], 3, out);
    if (one > 0 && three > one)
        std::printf("syscalls_per_file_poll=%.2f\n", double(three - one) / 2 / traced);
    else
        std::printf("syscalls_per_file_poll=n/a (neither perf nor strace ran)\n");
    std::fflush(stdout);

    // Wake-ups of a headless watcher between polls 60 minutes apart.
    {
        const Child watcher = spawn({quorvik, QStringLiteral("--headless"),
                                     QStringLiteral("--config-dir"), configs[small]});
        QThread::sleep(3); // started
        const long before = wakeUps(watcher.pid);
        QThread::sleep(unsigned(idleSeconds));
        const long after = wakeUps(watcher.pid);
        ::kill(watcher.pid, SIGTERM);
        const bool stopped = finish(watcher) == 0;
        failures += stopped ? 0 : 1;
        std::printf("idle_wakeups_per_min=%.1f\n",
                    double(after - before) * 60.0 / std::max(1, idleSeconds));
    }

    // Memory of a running headless watcher after 10,000 events.
    headlessEventMemory(quorvik, 1000, 10000);
    if (failures)
        std::fprintf(stderr, "%d runs failed or reported events where none were due\n", failures);
    return failures == 0 ? 0 : 1;
}
