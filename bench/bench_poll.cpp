// One poll over a large database read natively, nothing changed, warm cache,
// against a floor: reading the first 4 KB of every watched item file.
// Usage: bench_poll [files [history [projects [depth]]]]; defaults
// 10000 200 60 6. Prints one name=value figure per line.
#include "../tests/support/FakeShell.h"
#include "../tests/support/ManualTimers.h"

#include "BenchSupport.h"

#include "engine/modZel.h"
#include "engine/repository/vssdb/VssDbDatabase.h"
#include "engine/repository/vssdb/VssDbFactory.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>

namespace {

using BenchSupport::argOr;

constexpr int kRuns = 3;

long peakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    VssGenPopulate::Options o;
    o.files = argOr(args, 1, 10000);
    o.history = argOr(args, 2, 200);
    o.projects = argOr(args, 3, 60);
    o.depth = argOr(args, 4, 6);
    QStringList specs;
    const QString dir = BenchSupport::database(QStringLiteral("poll"), o, specs);
    const QString ini = dir + QStringLiteral("/srcsafe.ini");

    // The watched list starts from the state the database holds, and the
    // item files the floor reads.
    FakeShell shell;
    ManualTimers timers;
    ManualClock clock;
    modZel zel(shell, timers, clock, VssDbFactory());
    zel.settings.Inifile = ini;
    zel.settings.Username = o.user;
    zel.settings.ShowMessages = false;
    zel.settings.PlaySound = false;
    zel.eventLog.EventLogPath = dir + QStringLiteral("/bench-events.txt");
    QFile::remove(zel.eventLog.EventLogPath);
    QStringList itemFiles;
    {
        VssDbDatabase reader;
        reader.Open(ini, o.user, o.password);
        const VssDataFolder &folder = reader.context()->session.folder();
        for (const QString &spec : specs) {
            const VSSItemPtr item = reader.VSSItem(spec);
            zel.MonitoredFiles.Add(spec, 0, 1, item->Versions().front().Date, spec);
            itemFiles << folder.itemPath(static_cast<VssDbItem &>(*item).physicalName());
        }
    }
    shell.mainVisible = false;
    if (!zel.ZelIni()) {
        std::fprintf(stderr, "cannot start: %s\n", qPrintable(shell.statusText));
        return 1;
    }
    zel.CheckFiles(); // warm the reader's cache
    int events = 0;
    const double pollMs = BenchSupport::bestMs(kRuns, [&] {
        zel.CheckFiles();
        events += zel.EventsFound ? 1 : 0;
    });
    const double floorMs = BenchSupport::bestMs(kRuns, [&] {
        QByteArray buffer(4096, Qt::Uninitialized);
        for (const QString &path : itemFiles) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly) || file.read(buffer.data(), 4096) <= 0)
                std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        }
    });

    // Where a poll's time goes: the calls it makes per watched file.
    std::vector<VSSItemPtr> items;
    const double lookupAllMs = BenchSupport::bestMs(kRuns, [&] {
        items.clear();
        for (const QString &spec : specs)
            items.push_back(zel.Database->VSSItem(spec));
    });
    const double checkedOutMs = BenchSupport::bestMs(kRuns, [&] {
        for (const VSSItemPtr &item : items)
            item->IsCheckedOut();
    });
    const double versionMs = BenchSupport::bestMs(kRuns, [&] {
        for (const VSSItemPtr &item : items)
            item->VersionNumber();
    });
    const double versionsMs = BenchSupport::bestMs(kRuns, [&] {
        for (const VSSItemPtr &item : items)
            item->Versions();
    });

    const QString deep = *std::max_element(specs.begin(), specs.end(), [](auto &a, auto &b) {
        return a.count(QLatin1Char('/')) < b.count(QLatin1Char('/'));
    });
    constexpr int lookups = 1000;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < lookups; ++i)
        zel.Database->VSSItem(deep);
    const double lookupUs = t.nsecsElapsed() / 1e3 / lookups;

    std::printf("files=%lld\nhistory=%d\n", qlonglong(specs.size()), o.history);
    std::printf("poll_ms=%.1f\nfloor_ms=%.1f\nratio=%.2f\n", pollMs, floorMs, pollMs / floorMs);
    std::printf("events=%d\n", events);
    std::printf("all_lookups_ms=%.1f\nall_is_checked_out_ms=%.1f\nall_version_number_ms=%.1f\n"
                "all_versions_ms=%.1f\n",
                lookupAllMs, checkedOutMs, versionMs, versionsMs);
    std::printf("lookup_spec=%s\nlookup_us=%.1f\n", qPrintable(deep), lookupUs);
    std::printf("peak_rss_mb=%.1f\n", peakRssKb() / 1024.0);
    return events == 0 ? 0 : 1;
}
