// What a database on a file share costs the server: Samba's smbd on a free
// loopback port shares a generated database (history 20, depth 4) as a guest
// share; smbnetfs mounts it twice, once for the watcher and once for another
// client that writes check-outs. smbd counts every request it receives
// (profiling on); the figures are differences of its counters, read once they
// settled (smbd writes them out about a second late).
//
// For each kind of place (the Linux build over the mount, the Linux build
// over smb://, the Windows build under Wine over a drive letter on the
// mount) and each list length: start-up (`--headless --once`) requests and
// bytes per watched file, the same for a watching session's start (until
// the poll its change watch starts has ended), one unchanged poll's
// requests per watched file by operation and bytes read, its wall time, and
// the time from a check-out written through the other client to its record
// on the output of `quorvik --headless` polling every 60 minutes.
//
// Usage: bench_share [WINDOWS_BIN_DIR]; QUORVIK_BENCH_SHARE_SIZES=1000,10000
// and QUORVIK_BENCH_SHARE_PLACES=mount,smb,wine pick others,
// QUORVIK_BENCH_SHARE_PARTS=startup,watchstart,poll,latency what is
// measured. Needs smbd, smbstatus, smbnetfs and /dev/fuse, and root (smbd,
// FUSE mounts). Prints one name=value figure per line; everything it
// started is stopped by process id.
#include "BenchSupport.h"
#include "BenchWatcher.h"

#include "../tests/support/ShareServer.h"

#include "VssGenFiles.h"
#include "VssWriter.h"

#include "engine/ChangeTrigger.h"
#include "engine/QtTimerService.h"
#include "engine/ShareWatch.h"
#include "engine/repository/vssdb/VssDbDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#ifdef QUORVIK_HAVE_SMB
#include "engine/repository/smb/SmbFileAccess.h"
#endif

#include <cstdio>

namespace {

using namespace ShareServer;

// The operations told apart in the figures; the rest add up as "other".
const char *const kOperations[] = {"create", "getinfo", "close", "read", "find", "notify", "ioctl"};

// The requests per watched file by operation.
void printOperations(const QString &prefix, const Counters &d, int files)
{
    qint64 named = 0;
    for (const char *op : kOperations) {
        const auto it = d.find(QByteArray("smb2_") + op + "_count");
        const qint64 n = it == d.end() ? 0 : it->second;
        named += n;
        std::printf("%s_%s_per_file=%.3f\n", qPrintable(prefix), op, double(n) / files);
    }
    std::printf("%s_other_per_file=%.3f\n", qPrintable(prefix),
                double(requests(d) - named) / files);
}

// All requests and bytes read, then by operation.
void report(const QString &prefix, const Counters &d, int files)
{
    std::printf("%s_requests=%lld\n%s_requests_per_file=%.3f\n%s_read_kb_per_file=%.3f\n",
                qPrintable(prefix), requests(d), qPrintable(prefix), double(requests(d)) / files,
                qPrintable(prefix), double(bytesRead(d)) / 1024 / files);
    printOperations(prefix, d, files);
    std::fflush(stdout);
}

// How one kind of place runs the watcher and names the database.
struct Place
{
    QString name;
    QString ini;           // the database as the watcher names it
    QString program;       // the watcher
    QStringList prefix;    // what runs it (wine-run)
    bool inProcess = true; // polls timed in this process (the Linux build)
    QString configFolder(const QString &scratch, int n, const char *what) const
    {
        return scratch + QStringLiteral("/config-%1-%2-%3").arg(name).arg(n).arg(what);
    }
};

QString nativePath(const Place &place, const QString &path)
{
    if (place.inProcess)
        return path;
    return QStringLiteral("Z:") + QString(path).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

// A watcher process of `place` on settings folder `config`.
void startWatcher(QProcess &p, const Place &place, const QString &config, bool once,
                  const QString &runtime)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    p.setProcessEnvironment(env);
    p.setStandardErrorFile(config + QStringLiteral("/stderr.txt"));
    QStringList args = place.prefix;
    args << place.program << QStringLiteral("--headless") << QStringLiteral("--config-dir")
         << nativePath(place, config);
    if (once)
        args << QStringLiteral("--once");
    p.start(args.takeFirst(), args);
    p.waitForStarted();
}

// Waits for the next line with a TAB (an event record) on `p`'s output.
bool nextRecord(QProcess &p, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < timeoutMs) {
        while (p.canReadLine())
            if (p.readLine().contains('\t'))
                return true;
        p.waitForReadyRead(20);
    }
    return false;
}

// The program's change watch, telling when the first poll it started (the
// one once the watch is up) has ended.
class FirstPollWatch : public ChangeWatch
{
public:
    explicit FirstPollWatch(std::function<void()> firstPollEnded)
        : m_firstPollEnded(std::move(firstPollEnded))
    {}
    void Watch(const QStringList &files, std::function<void()> onChange) override
    {
        m_trigger.Watch(files, [this, onChange = std::move(onChange)] {
            onChange();
            if (++m_polls == 1)
                m_firstPollEnded();
        });
    }
    void Stop() override { m_trigger.Stop(); }
    void Rearm() override { m_trigger.Rearm(); }
    void PollBegins() override { m_trigger.PollBegins(); }
    QString Problem() const override { return m_trigger.Problem(); }

private:
    ChangeTrigger m_trigger;
    std::function<void()> m_firstPollEnded;
    int m_polls = 0;
};

// A drive letter of the Wine prefix that wine-run uses, mapped to `target`
// while it lives.
class WineDrive
{
public:
    explicit WineDrive(QString target) : m_target(std::move(target)) {}
    ~WineDrive()
    {
        if (!m_link.isEmpty())
            QFile::remove(m_link);
    }
    bool map()
    {
        const QString cache =
            qEnvironmentVariable("XDG_CACHE_HOME", QDir::homePath() + QStringLiteral("/.cache"));
        const QString devices =
            qEnvironmentVariable("WINEPREFIX", cache + QStringLiteral("/quorvik/wineprefix")) +
            QStringLiteral("/dosdevices/");
        for (char c = 'q'; c <= 'y'; ++c) {
            const QString link = devices + QLatin1Char(c) + QLatin1Char(':');
            if (QFileInfo(link).isSymLink() || QFileInfo::exists(link))
                continue;
            if (!QFile::link(m_target, link))
                return false;
            m_link = link;
            m_letter = QChar::fromLatin1(c).toUpper();
            return true;
        }
        return false;
    }
    QString letter() const { return m_letter; }

private:
    QString m_target, m_link, m_letter;
};

struct Bench
{
    SmbServer &server;
    QString scratch, dbLocal, dbOther; // the database: in the share folder, on the other mount
    QStringList specs;
    std::vector<QDateTime> newest;
    QString user; // of the other client's check-outs
    int failures = 0;

    void failed(const QString &prefix, const QString &what)
    {
        ++failures;
        std::fprintf(stderr, "%s: %s\n", qPrintable(prefix), qPrintable(what));
    }

    QString config(const Place &place, int n, const char *what, int pollDelay)
    {
        const QString dir = place.configFolder(scratch, n, what);
        BenchSupport::configFor(dir, place.ini, specs, newest, n, pollDelay,
                                nativePath(place, dir + QStringLiteral("/events.txt")));
        return dir;
    }

    // The counters once the share is quiet: where a measurement begins.
    Counters quietCounters() const
    {
        server.waitQuiet(1000, 10000);
        return server.settled();
    }
    // The requests since `before` per file, named `prefix`_`what`, and the
    // time they took (`ms`).
    void reportSince(const Counters &before, const QString &prefix, const char *what,
                     const QString &ms, int n)
    {
        const Counters d = minus(server.settled(), before);
        std::printf("%s_%s_ms=%s\n", qPrintable(prefix), what, qPrintable(ms));
        report(prefix + QLatin1Char('_') + QLatin1String(what), d, n);
    }

    void startUp(const Place &place, int n, const QString &prefix)
    {
        const QString dir = config(place, n, "once", 7);
        const Counters before = quietCounters();
        QElapsedTimer t;
        t.start();
        QProcess once;
        startWatcher(once, place, dir, true, scratch);
        once.waitForFinished(-1);
        const qint64 ms = t.elapsed();
        if (once.exitCode() != 0)
            failed(prefix, QStringLiteral("the start-up failed (%1/stderr.txt)").arg(dir));
        reportSince(before, prefix, "startup", QString::number(ms), n);
    }

    // A watching session's start, as `quorvik --headless` makes it in this
    // process: start-up, the change watch armed (smb://: the server's
    // notification and sweeps; a mount: sweeps where they are cheap) and
    // the poll it starts once it is up; the requests until that poll ended,
    // when the watch stops (its teardown counted too: a few requests).
    void watchStart(const Place &place, int n, const QString &prefix)
    {
        const QString dir = config(place, n, "watch", 7);
        const Counters before = quietCounters();
        QElapsedTimer t;
        t.start();
        qint64 ms = -1;
        {
            QEventLoop loop;
            FirstPollWatch changes([&] {
                ms = t.elapsed();
                loop.quit();
            });
            BenchSupport::QuietShell shell;
            QtTimerService timers;
            SystemClock clock;
            SettingsStore store(dir);
            modZel zel(shell, timers, clock, VssDbFactory());
            zel.setSettingsStore(&store);
            zel.KeepNewestEventOnly = true;
            zel.setChangeWatch(&changes);
            LoadSettings(zel, store);
            LoadEventLogSettings(zel, store);
            if (zel.ZelIni()) {
                QTimer::singleShot(600000, &loop, &QEventLoop::quit);
                loop.exec();
            }
            zel.KillPollTimer();
        }
        if (ms < 0)
            return failed(prefix, QStringLiteral("no poll came once watching was up"));
        reportSince(before, prefix, "watch_start", QString::number(ms), n);
    }

    // The same for a watcher process (the Windows build, whose watch on a
    // mount makes no requests): the requests until the share was quiet for
    // 5 s after start-up and the poll that follows it.
    void watchStartProcess(const Place &place, int n, const QString &prefix)
    {
        const QString dir = config(place, n, "watch", 7);
        const Counters before = quietCounters();
        QProcess watcher;
        startWatcher(watcher, place, dir, false, scratch);
        QElapsedTimer t;
        t.start();
        qint64 seen = requests(before), lastChange = -1;
        while (t.elapsed() < 600000 && watcher.state() == QProcess::Running &&
               (seen - requests(before) < n || t.elapsed() - lastChange < 5000)) {
            QThread::msleep(200);
            const qint64 now = requests(server.counters());
            if (now != seen)
                seen = now, lastChange = t.elapsed();
        }
        stop(watcher);
        if (lastChange < 0)
            return failed(prefix, QStringLiteral("the watcher sent no request"));
        reportSince(before, prefix, "watch_start",
                    QStringLiteral("%1 (until the share was quiet)").arg(lastChange), n);
    }

    // One unchanged poll after a first one, in this process.
    void pollInProcess(const Place &place, int n, const QString &prefix)
    {
        BenchSupport::Watcher w(config(place, n, "poll", 7));
        if (!w.start())
            return failed(prefix, QStringLiteral("the session did not start"));
        // The first poll reads every file; the second, 3 s later, reads each
        // once more (the first read may have come within the file system
        // clock's step of a write); later ones take unchanged files by their
        // stamps.
        w.zel.CheckFiles();
        QThread::msleep(3100);
        w.zel.CheckFiles();
        const Counters before = server.settled();
        QElapsedTimer t;
        t.start();
        w.zel.CheckFiles();
        const double ms = t.nsecsElapsed() / 1e6;
        failures += w.zel.EventsFound ? 1 : 0;
        const Counters d = minus(server.settled(), before);
        std::printf("%s_poll_ms=%.1f\n", qPrintable(prefix), ms);
        report(prefix + QStringLiteral("_poll"), d, n);
        std::fflush(stdout);
    }

    // One unchanged poll of a watcher process polling every 10 s (60 s
    // from 5,000 files: under Wine a poll of 10,000 lists some 20,000 files
    // one look at a time, half a minute): the server's requests come in
    // bursts, one per poll; the fourth burst (after start-up and two polls
    // that read every file) is measured, its length to the counters'
    // resolution of about a second.
    void pollProcess(const Place &place, int n, const QString &prefix)
    {
        const QString dir = config(place, n, "poll", n < 5000 ? 0 : 2);
        QProcess watcher;
        startWatcher(watcher, place, dir, false, scratch);
        QElapsedTimer t;
        t.start();
        qint64 seen = requests(server.counters()), burstStart = -1, lastChange = 0;
        Counters before;
        int bursts = 0;
        while (t.elapsed() < 600000 && watcher.state() == QProcess::Running) {
            QThread::msleep(200);
            const Counters now = server.counters();
            if (requests(now) != seen) {
                seen = requests(now);
                if (burstStart < 0)
                    burstStart = t.elapsed();
                lastChange = t.elapsed();
            } else if (burstStart >= 0 && t.elapsed() - lastChange > 3000) {
                if (++bursts == 4) {
                    const Counters d = minus(now, before);
                    std::printf("%s_poll_ms=%lld (burst length)\n", qPrintable(prefix),
                                lastChange - burstStart);
                    report(prefix + QStringLiteral("_poll"), d, n);
                    break;
                }
                before = now;
                burstStart = -1;
            }
        }
        if (bursts < 4)
            failed(prefix, QStringLiteral("no unchanged poll was seen"));
        stop(watcher);
        std::fflush(stdout);
    }

    // The rounds' latencies: the least, the median and the most of those
    // shown, and how many showed within 2 s; none run: skipped.
    static void summarize(const QString &prefix, std::vector<qint64> times)
    {
        const qsizetype rounds = qsizetype(times.size());
        times.erase(std::remove(times.begin(), times.end(), qint64(-1)), times.end());
        std::sort(times.begin(), times.end());
        const auto print = [&](const char *what, qsizetype at) {
            std::printf("%s_latency_ms_%s=%s\n", qPrintable(prefix), what,
                        rounds == 0     ? "skipped"
                        : times.empty() ? "none shown"
                                        : qPrintable(QString::number(times[size_t(at)])));
        };
        print("min", 0);
        print("median", qsizetype(times.size()) / 2);
        print("max", qsizetype(times.size()) - 1);
        const auto within =
            std::count_if(times.begin(), times.end(), [](qint64 ms) { return ms <= 2000; });
        if (rounds == 0)
            std::printf("%s_latency_within_2s=skipped\n", qPrintable(prefix));
        else
            std::printf("%s_latency_within_2s=%lld of %lld\n", qPrintable(prefix), qint64(within),
                        qint64(rounds));
        std::fflush(stdout);
    }

    // Check-outs and undos written through the other client while a watcher
    // polls every 60 minutes: the time to each record. The first check-out
    // after the start is told apart; then QUORVIK_BENCH_SHARE_ROUNDS (10)
    // check-outs and undos of files spread over the data folders, each at a
    // random moment of the sweep's period.
    void latency(const Place &place, int n, const QString &prefix)
    {
        const QString dir = config(place, n, "latency", 7);
        QProcess watcher;
        startWatcher(watcher, place, dir, false, scratch);
        // The session started (each file looked up): no more requests than the
        // watcher's sweep of its folders makes.
        server.waitQuiet(2500, 600000, n, ShareWatch::kMaxRequestsPerSecond + 20);
        // What watching costs the server while nothing changes: the sweeps
        // (before and after the server's word of a change).
        const auto idle = [&](const char *when) {
            const qint64 before = requests(server.counters());
            QThread::msleep(30000);
            std::printf("%s_idle%s_requests_per_second=%.1f\n", qPrintable(prefix), when,
                        double(requests(server.counters()) - before) / 30);
            std::fflush(stdout);
        };
        idle("");
        // A place that does not tell the first change within a minute tells
        // none before the interval's poll (a mount where no sweep runs).
        int limitMs = 60000;
        const auto change = [&](const QString &spec, bool checkout) -> qint64 {
            QElapsedTimer t;
            t.start();
            const VssWriter::Stamp stamp{user, QDateTime::currentDateTime(), {}};
            VssWriter other(dbOther); // closes its files when done, as a client does
            if (checkout)
                other.checkout(spec, stamp);
            else
                other.undoCheckout(spec, stamp);
            return nextRecord(watcher, limitMs) ? t.elapsed() : -1;
        };
        const auto print = [&](const char *what, qint64 ms) {
            if (ms >= 0)
                std::printf("%s_%s_latency_ms=%lld\n", qPrintable(prefix), what, ms);
            else
                std::printf("%s_%s_latency_ms=none within %d ms\n", qPrintable(prefix), what,
                            limitMs);
            std::fflush(stdout);
        };
        // The first polls after the start read every watched file once more.
        const qint64 first = change(specs[n / 2], true);
        print("first_checkout", first);
        if (first < 0) {
            VssWriter(dbOther).undoCheckout(specs[n / 2], {user, QDateTime::currentDateTime(), {}});
            summarize(prefix, {});
            return stop(watcher);
        }
        limitMs = 300000; // the next change waits for a late record
        QThread::msleep(1500);
        print("first_undo", change(specs[n / 2], false));
        std::vector<qint64> times;
        QRandomGenerator random(n);
        const qint64 before = requests(server.counters());
        QElapsedTimer changing;
        changing.start();
        const int rounds = qEnvironmentVariableIntValue("QUORVIK_BENCH_SHARE_ROUNDS");
        for (int i = 0; i < (rounds > 0 ? rounds : 10); ++i) {
            const QString spec = specs[(n / 3 + i * 7919) % n];
            for (bool checkout : {true, false}) {
                QThread::msleep(1500 + random.bounded(2500));
                times.push_back(change(spec, checkout));
            }
        }
        // The sweeps, the polls and the other client's writes together.
        std::printf("%s_changing_requests_per_second=%.1f\n", qPrintable(prefix),
                    double(requests(server.counters()) - before) * 1000 / changing.elapsed());
        QStringList list;
        for (qint64 ms : times)
            list << (ms >= 0 ? QString::number(ms) : QStringLiteral("none"));
        std::printf("%s_latency_ms_each=%s\n", qPrintable(prefix),
                    qPrintable(list.join(QLatin1Char(','))));
        summarize(prefix, times);
        std::fflush(stdout);
        server.waitQuiet(2500, 600000, 0, ShareWatch::kMaxRequestsPerSecond + 20);
        idle("_after_changes");
        stop(watcher);
    }
};

// The generated database's newest version dates, read from the share's
// folder; a file that a run of an older bench left checked out is released.
std::vector<QDateTime> prepare(const QString &db, const QStringList &specs, const QString &user,
                               const QString &password)
{
    std::vector<QDateTime> newest;
    VssDbDatabase reader;
    reader.Open(db + QStringLiteral("/srcsafe.ini"), user, password);
    VssWriter writer(db);
    for (const QString &spec : specs) {
        const VSSItemPtr item = reader.VSSItem(spec);
        if (item->IsCheckedOut())
            writer.undoCheckout(spec, {user, QDateTime::currentDateTime(), {}});
        newest.push_back(item->NewestVersionDate());
    }
    // A database in use was written lately, well after most of its files:
    // a generated one was written all at once, and a server's clock shows
    // only in its files' times, so nothing would tell that its files rested.
    QThread::sleep(4);
    const VssWriter::Stamp now{user, QDateTime::currentDateTime(), {}};
    writer.checkout(specs.back(), now);
    writer.undoCheckout(specs.back(), now);
    return newest;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
#ifdef QUORVIK_HAVE_SMB
    SmbFileAccess::registerScheme();
#endif
    if (!ShareServer::available()) {
        std::printf(
            "share=skipped (needs root, smbd, smbnetfs and /dev/fuse: ./run share-bench)\n");
        return 0;
    }
    std::vector<int> sizes;
    for (const QString &n :
         qEnvironmentVariable("QUORVIK_BENCH_SHARE_SIZES", "1000,10000").split(QLatin1Char(',')))
        sizes.push_back(n.toInt());
    std::sort(sizes.begin(), sizes.end());
    const QStringList places = qEnvironmentVariable("QUORVIK_BENCH_SHARE_PLACES", "mount,smb,wine")
                                   .split(QLatin1Char(','));

    const VssGenPopulate::Options o = BenchSupport::watchedDatabase(sizes.back());
    QStringList specs;
    const QString generated = BenchSupport::database(QStringLiteral("share"), o, specs);
    std::printf("files=%d\nhistory=%d\ndepth=%d\nprojects=%d\n", o.files, o.history, o.depth,
                o.projects);

    // Everything a run writes (the shared database, the server's state, the
    // mounts, the settings folders) is its own: runs side by side never meet.
    QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/quorvik-share-XXXXXX"));
    // QUORVIK_BENCH_SHARE_KEEP=1 keeps the settings folders and logs.
    scratch.setAutoRemove(qEnvironmentVariableIsEmpty("QUORVIK_BENCH_SHARE_KEEP"));
    const QString db = scratch.filePath(QStringLiteral("share"));
    try {
        VssGenFiles::copyTree(generated, db);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    const std::vector<QDateTime> newest = prepare(db, specs, o.user, o.password);
    SmbServer server(scratch.path(), db);
    if (!server.start()) {
        std::fprintf(stderr, "smbd did not start (%s/smbd.log)\n", qPrintable(scratch.path()));
        return 1;
    }
    const QString share = QStringLiteral("/127.0.0.1:%1/share").arg(server.port());
    const QString watchMount = scratch.filePath(QStringLiteral("mnt-watch"));
    FuseMount watching(watchMount, scratch.filePath(QStringLiteral("home-watch")));
    FuseMount other(scratch.filePath(QStringLiteral("mnt-other")),
                    scratch.filePath(QStringLiteral("home-other")));
    const QString otherDb = scratch.filePath(QStringLiteral("mnt-other")) + share;
    if (!watching.mount(watchMount + share + QStringLiteral("/srcsafe.ini")) ||
        !other.mount(otherDb + QStringLiteral("/srcsafe.ini"))) {
        std::fprintf(stderr, "smbnetfs did not mount the share\n");
        return 1;
    }
    std::printf("smb_port=%d\n", server.port());
    std::fflush(stdout);

    const QString linuxBuild = QStringLiteral(QUORVIK_BIN_DIR "/quorvik");
    const QString windowsBin =
        args.value(1, QStringLiteral(QUORVIK_SOURCE_DIR "/build-windows/bin"));
    WineDrive drive(watchMount + share);
    std::vector<Place> kinds;
    for (const QString &name : places) {
        if (name == QLatin1String("mount"))
            kinds.push_back(
                {name, watchMount + share + QStringLiteral("/srcsafe.ini"), linuxBuild, {}, true});
        else if (name == QLatin1String("smb"))
            kinds.push_back(
                {name,
                 QStringLiteral("smb://127.0.0.1:%1/share/srcsafe.ini").arg(server.port()),
                 linuxBuild,
                 {},
                 true});
        else if (name == QLatin1String("wine") &&
                 QFile::exists(windowsBin + QStringLiteral("/quorvik.exe")) && drive.map())
            kinds.push_back({name,
                             drive.letter() + QStringLiteral(":\\srcsafe.ini"),
                             windowsBin + QStringLiteral("/quorvik.exe"),
                             {QStringLiteral(QUORVIK_SOURCE_DIR "/tools/windows/wine-run")},
                             false});
        else
            std::printf("%s=skipped\n", qPrintable(name));
    }
    const QStringList parts =
        qEnvironmentVariable("QUORVIK_BENCH_SHARE_PARTS", "startup,watchstart,poll,latency")
            .split(QLatin1Char(','));
    Bench bench{server, scratch.path(), db, otherDb, specs, newest, o.user};
    for (const Place &place : kinds)
        for (int n : sizes) {
            const QString prefix = place.name + QLatin1Char('_') + QString::number(n);
            if (parts.contains(QLatin1String("startup")))
                bench.startUp(place, n, prefix);
            if (parts.contains(QLatin1String("watchstart")) && place.inProcess)
                bench.watchStart(place, n, prefix);
            else if (parts.contains(QLatin1String("watchstart")))
                bench.watchStartProcess(place, n, prefix);
            if (parts.contains(QLatin1String("poll")) && place.inProcess)
                bench.pollInProcess(place, n, prefix);
            else if (parts.contains(QLatin1String("poll")))
                bench.pollProcess(place, n, prefix);
            if (parts.contains(QLatin1String("latency")))
                bench.latency(place, n, prefix);
        }
    if (bench.failures)
        std::fprintf(stderr, "%d runs failed or reported events where none were due\n",
                     bench.failures);
    return bench.failures == 0 ? 0 : 1;
}
