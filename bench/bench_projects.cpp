// A watched project against the same files picked one by one: the polls of
// one project entry over 10,000 files and of 10,000 picked entries, with
// nothing changed (right after a read, and once the stamps have settled),
// and a file added to the project: watched from the next poll on.
// Usage: bench_projects [files]; default 10000. Prints name=value lines.
#include "../tests/support/FakeShell.h"
#include "../tests/support/ManualTimers.h"

#include "BenchSupport.h"
#include "VssWriter.h"

#include "engine/eventlog/EventList.h"
#include "engine/modZel.h"
#include "engine/repository/vssdb/VssDbFactory.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>

namespace {

constexpr int kRounds = 7;
// Longer than the stamp gate's settle time: from the next read on, an
// unchanged file costs one look at its stamp.
constexpr int kSettleMs = 3200;

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Watcher
{
    FakeShell shell;
    ManualTimers timers;
    ManualClock clock;
    modZel zel{shell, timers, clock, VssDbFactory()};
    double startMs = 0;
    // The fastest poll of a kind, by the wall clock and in CPU time.
    struct Best
    {
        double wallMs = 1e300, cpuMs = 1e300;
    } read, settled;

    Watcher(const QString &dir, const QString &user)
    {
        zel.settings.Inifile = dir + QStringLiteral("/srcsafe.ini");
        zel.settings.Username = user;
        zel.settings.ShowMessages = false;
        zel.settings.PlaySound = false;
        zel.settings.DesktopNotify = false;
        zel.eventLog.EventLogPath = dir + QStringLiteral("/bench-projects-events.txt");
        shell.mainVisible = false;
    }
    bool start()
    {
        startMs = BenchSupport::bestMs(1, [&] { zel.ZelIni(); });
        if (zel.SessionOpen)
            return true;
        std::fprintf(stderr, "cannot start: %s\n", qPrintable(shell.statusText));
        return false;
    }
    void poll(Best &best)
    {
        const double cpu = cpuMs();
        const double wall = BenchSupport::bestMs(1, [&] { zel.CheckFiles(); });
        best.wallMs = std::min(best.wallMs, wall);
        best.cpuMs = std::min(best.cpuMs, cpuMs() - cpu);
    }
    void print(const char *name) const
    {
        std::printf("%s_start_ms=%.1f\n", name, startMs);
        std::printf("%s_poll_read_ms=%.1f\n%s_poll_read_cpu_ms=%.1f\n", name, read.wallMs, name,
                    read.cpuMs);
        std::printf("%s_poll_settled_ms=%.1f\n%s_poll_settled_cpu_ms=%.1f\n", name, settled.wallMs,
                    name, settled.cpuMs);
    }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const VssGenPopulate::Options o =
        BenchSupport::watchedDatabase(BenchSupport::argOr(app.arguments(), 1, 10000));
    QStringList specs;
    const QString dir = BenchSupport::database(QStringLiteral("projects"), o, specs);
    QFile::remove(dir + QStringLiteral("/bench-projects-events.txt"));

    // The project's session starts first: the states it starts from are
    // those the explorer gives picked files. The polls of both alternate,
    // so that other work on the machine slows both alike.
    Watcher w(dir, o.user), each(dir, o.user);
    const Suspect &root = *w.zel.MonitoredFiles.AddProject(QStringLiteral("$/"), {});
    if (!w.start())
        return 2;
    for (const Suspect &file : *root.Below())
        each.zel.MonitoredFiles.AddCopy(file);
    if (!each.start())
        return 2;
    for (int i = 0; i < 3; ++i) { // within 3 s: every file is read
        each.poll(each.read);
        w.poll(w.read);
    }
    QThread::msleep(kSettleMs);
    each.zel.CheckFiles(); // these reads settle the stamps
    w.zel.CheckFiles();
    for (int i = 0; i < kRounds; ++i) {
        each.poll(each.settled);
        w.poll(w.settled);
    }
    std::printf("files=%lld\nprojects=%d\nbelow_project=%d\n", qlonglong(specs.size()), o.projects,
                root.Below()->Count());
    each.print("picked");
    w.print("project");
    std::printf("ratio_read=%.2f\nratio_settled=%.2f\nratio_settled_cpu=%.2f\n",
                w.read.wallMs / each.read.wallMs, w.settled.wallMs / each.settled.wallMs,
                w.settled.cpuMs / each.settled.cpuMs);

    // A file added to a project below: taken in by the next poll without an
    // event, its check-out reported by the one after.
    const QString added = specs.first().section(QLatin1Char('/'), 0, -2) +
                          QStringLiteral("/added-%1.txt").arg(QDateTime::currentMSecsSinceEpoch());
    VssWriter writer(dir);
    writer.addFile(added, {o.user, QDateTime::currentDateTime(), {}}, "x");
    const double addedPollMs = BenchSupport::bestMs(1, [&] { w.zel.CheckFiles(); });
    const bool takenIn = root.Below()->Exists(added) && !w.zel.EventsFound;
    writer.checkout(added, {o.user, QDateTime::currentDateTime(), {}});
    w.zel.CheckFiles();
    const bool reported = w.zel.EventsFound && w.zel.lvTrace().lastRow().object == added;
    writer.undoCheckout(added, {o.user, QDateTime::currentDateTime(), {}});
    writer.remove(added, {o.user, QDateTime::currentDateTime(), {}});
    std::printf("added_file_poll_ms=%.1f\nadded_file_taken_in_by_next_poll=%s\n"
                "added_file_checkout_reported_by_the_poll_after=%s\n",
                addedPollMs, takenIn ? "yes" : "no", reported ? "yes" : "no");
    return takenIn && reported ? 0 : 1;
}
