#include "engine/ChangeTrigger.h"
#include "engine/repository/vssdb/VssDbDatabase.h"
#include "engine/repository/vssdb/VssDbFactory.h"
#include "support/ShareServer.h"
#include "support/TestFiles.h"
#include "support/WatchFixture.h"

#include "VssGenFiles.h"
#include "VssWriter.h"

#ifdef QUORVIK_HAVE_SMB
#include "engine/repository/smb/SmbFileAccess.h"

#include <fcntl.h>
#endif

#include <QtTest>

#ifdef QUORVIK_HAVE_SMB
namespace {

// `bytes` written over SMB at the start of the file `url`, in place.
void writeThroughShare(SMBCCTX *c, const QString &url, const QByteArray &bytes)
{
    const auto locked = SmbContext::lock();
    SMBCFILE *file = SmbLibrary::api().smbc_getFunctionOpen(c)(c, SmbContext::url(url).constData(),
                                                               O_WRONLY | O_CREAT, 0644);
    QVERIFY2(file, qPrintable(url));
    QCOMPARE(SmbLibrary::api().smbc_getFunctionWrite(c)(c, file, bytes.constData(),
                                                        size_t(bytes.size())),
             ssize_t(bytes.size()));
    SmbLibrary::api().smbc_getFunctionClose(c)(c, file);
}

// Another client's change: `change` made to a copy of the database in
// `shared`, then every file it changed written over SMB to `url`, in place,
// as a VSS client on another machine writes it.
void changeThroughShare(const QString &shared, const QString &url,
                        const std::function<void(const QString &copy)> &change)
{
    QTemporaryDir copy;
    const QDir from(shared);
    VssGenFiles::copyTree(shared, copy.path());
    change(copy.path());
    SmbContext context({});
    SMBCCTX *c = context.get();
    QVERIFY(c);
    for (QDirIterator it(copy.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString name = QDir(copy.path()).relativeFilePath(it.next());
        const QByteArray bytes = TestFiles::read(it.filePath());
        if (bytes == TestFiles::read(from.filePath(name)))
            continue;
        writeThroughShare(c, url + '/' + name, bytes);
    }
}

} // namespace
#endif

namespace {

// A place reached as "standin://": a file in each folder (the one in folder
// `movedFolder` written), slow listings, a notification fired by hand;
// status.dat there once written (`statusWrites` times).
struct StandIn : FileAccess
{
    std::atomic<int> movedFolder{-1}, listingMs{0}, listed{0}, movedListedAt{0}, statusWrites{0};
    std::function<void(const QString &)> notify;
    bool listingsCarryStamps() const override { return true; }
    bool watch(const QString &, std::function<void(const QString &)> onChange) override
    {
        notify = std::move(onChange);
        return true;
    }
    std::unique_ptr<OpenFile> openFile(const QString &, QString &) override { return nullptr; }
    FileKind statPath(const QString &path, FileStamp *stamp) override
    {
        if (!path.endsWith("/status.dat") || statusWrites == 0)
            return FileKind::Missing;
        *stamp = FileStamp{0, 0, 100, statusWrites, statusWrites};
        return FileKind::Regular;
    }
    QString listFolder(const QString &folder, std::vector<FolderEntry> &out) override
    {
        QThread::msleep(ulong(listingMs.load()));
        const bool moved = folder.endsWith("/f" + QString::number(movedFolder));
        if (++listed && moved)
            movedListedAt = listed.load();
        out.push_back({"item", FileKind::Regular, FileStamp{0, 0, 100, moved ? 2 : 1, 1}});
        return {};
    }
};

// `watch` over a stand-in of `folders` folders: what sweeps saw moved to `moved`.
std::shared_ptr<StandIn> watchStandIn(ShareWatch &watch, int folders, int listingMs,
                                      QStringList &moved, int statusWrites = 0)
{
    auto place = std::make_shared<StandIn>();
    place->listingMs = listingMs;
    place->statusWrites = statusWrites;
    FileAccess::registerScheme("standin://", [place](const QString &, QString *) { return place; });
    QStringList files;
    for (int i = 0; i < folders; ++i)
        files << QStringLiteral("standin://db/data/f%1/item").arg(i);
    watch.start(files, [&moved](const QString &name, bool swept) {
        moved << (swept ? name : "told: " + name);
    });
    return place;
}

} // namespace

// Another machine's check-out on a database on a file share starts a poll
// at once: the server's notification or a sweep of the folders' listings
// for an smb:// database, a sweep of the files on a FUSE mount, where the
// local folder watcher sees nothing.
class TestShareWatch : public QObject
{
    Q_OBJECT

private slots:
    // The sweep's period for watched files, their folders and whether
    // listings carry sizes and times (0: the server would bear no sweep).
    void sweepsWhatTheServerBears()
    {
        const std::tuple<int, int, bool, int> rows[] = {{5, 2, false, 1000},
                                                        {40, 5, false, 2400},
                                                        {42, 5, false, 0},
                                                        {10000, 26, true, 2080},
                                                        {10000, 32, true, 0}};
        for (const auto &[files, folders, listings, periodMs] : rows)
            QCOMPARE(ShareWatch::sweepPeriodMs(files, folders, listings), periodMs);
    }
    // A notification of status.dat, which VSS rewrites at every check-out,
    // undo and check-in, sweeps at once, its echoes not again; the server
    // gets at most 50 requests a second on average however often it comes;
    // listings never stall the event loop; stopping waits for one at most.
    void statusCacheWriteSweepsAtOnce()
    {
        QStringList moved;
        auto watch = std::make_unique<ShareWatch>();
        QElapsedTimer since, ticks;
        since.start();
        ticks.start();
        // A sweep of 124 requests every 2.48 s, taking 0.6 s.
        const auto place = watchStandIn(*watch, 31, 20, moved);
        qint64 longestGap = ticks.restart();
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout,
                         [&] { longestGap = std::max(longestGap, ticks.restart()); });
        tick.start(20);
        QTRY_COMPARE(place->counts().listings, 31); // what is there at the start
        QTest::qWait(100);                          // the last listing counted is over
        place->movedFolder = 7;
        for (int i = 0; i < 3; ++i)
            place->notify("STATUS.DAT");
        // The first sweep's end (writes before it unseen), then the moved file.
        QTRY_COMPARE_WITH_TIMEOUT(moved, QStringList({"", "item"}), 5000);
        // From the server's first word on, it stands for the sweeps: idle,
        // a sweep now and then; until a broken notification is made again.
        QVERIFY(watch->sweepIntervalMs() >= 10000);
        place->notify("");
        QCOMPARE(watch->sweepIntervalMs(), 2480);
        QVERIFY2(since.elapsed() < 2000, qPrintable(QString::number(since.elapsed())));
        QTest::qWait(1000);
        QCOMPARE(place->counts().listings, 62);

        QElapsedTimer told;
        told.start();
        while (told.elapsed() < 5000) {
            place->notify("status.dat");
            QTest::qWait(600);
        }
        const qint64 sweeps = place->counts().listings / 31 - 2;
        QVERIFY2(sweeps >= 2 && sweeps * 124 <= 248 + 50 * told.elapsed() / 1000,
                 qPrintable(QString::number(sweeps)));
        QVERIFY2(longestGap < 300, qPrintable(QString::number(longestGap)));
        since.restart();
        watch.reset();
        QVERIFY2(since.elapsed() < 1000, qPrintable(QString::number(since.elapsed())));
    }
    // Until the server's first word, a look at status.dat every second
    // stands for the period's sweep (2.48 s here); one that finds it
    // moved sweeps at once.
    void statusLooksStandForSweeps()
    {
        QStringList moved;
        ShareWatch watch;
        const auto place = watchStandIn(watch, 31, 20, moved, 1);
        QTRY_COMPARE(moved, QStringList{""}); // the first sweep ended
        QTest::qWait(3000);
        QCOMPARE(place->counts().listings, 31);
        QVERIFY(place->counts().stats >= 3);
        place->movedFolder = 7;
        place->statusWrites = 2;
        QTRY_COMPARE_WITH_TIMEOUT(moved, QStringList({"", "item"}), 5000);
    }
    // A file the server names is looked for first; a poll looks at every
    // file, so the sweep under way ends once it has begun.
    void pollEndsTheSweep()
    {
        QStringList moved;
        ShareWatch watch;
        const auto place = watchStandIn(watch, 31, 40, moved);
        QTRY_COMPARE(moved, QStringList{""}); // the first sweep ended
        place->movedFolder = 30;              // "item" there is the name's last file
        place->notify("item");
        place->notify("status.dat");
        QTRY_COMPARE(moved, QStringList({"", "told: item", "item"}));
        QCOMPARE(place->movedListedAt, 32);
        watch.pollBegins();
        QTest::qWait(1500);
        QVERIFY(place->counts().listings < 62);
    }
#ifdef QUORVIK_HAVE_SMB
    // The server's notification reaches the program: its child process
    // takes a lock of libsmbclient's of its own after the fork.
    void serversNotificationArrives()
    {
        if (!ShareServer::serverAvailable())
            QSKIP("needs root and smbd (Debian samba, smbclient)");
        QTemporaryDir scratch, shared;
        ShareServer::SmbServer server(scratch.path(), shared.path());
        if (!server.start())
            QSKIP("smbd did not start here");
        const QString data = QStringLiteral("smb://127.0.0.1:%1/share").arg(server.port());
        SmbFileAccess place({});
        QStringList names;
        QVERIFY(place.watch(data, [&](const QString &name) { names << name; }));
        SmbContext other({});
        for (int i = 0; i < 40 && !names.contains("status.dat"); ++i) {
            writeThroughShare(other.get(), data + "/status.dat", "SourceSafe DB06");
            QTest::qWait(250);
        }
        QVERIFY(names.contains("status.dat"));
    }
#endif
    void anotherClientsCheckOutIsSeen_data()
    {
        QTest::addColumn<bool>("smb");
        QTest::newRow("smb://") << true;
        QTest::newRow("FUSE mount") << false;
    }
    void anotherClientsCheckOutIsSeen()
    {
#ifndef QUORVIK_HAVE_SMB
        QSKIP("built without smb:// databases (QUORVIK_SMB)");
#else
        QFETCH(bool, smb);
        if (!ShareServer::serverAvailable())
            QSKIP("needs root and smbd (Debian samba, smbclient)");
        if (!smb && !ShareServer::available())
            QSKIP("needs smbnetfs and /dev/fuse");
        SmbFileAccess::registerScheme();
        QTemporaryDir scratch, shared;
        const QDateTime created = QDateTime::currentDateTime().addDays(-1);
        VssWriter::create(shared.path(), {{"Dora", ""}}, created);
        const QStringList specs = {"$/P/a.cpp", "$/P/b.cpp"};
        {
            VssWriter writer(shared.path());
            writer.addProject("$/P", {"Admin", created, {}});
            for (const QString &spec : specs)
                writer.addFile(spec, {"Admin", created, {}}, "x");
        }
        ShareServer::SmbServer server(scratch.path(), shared.path());
        if (!server.start())
            QSKIP("smbd did not start here");
        const QString share = QStringLiteral("/127.0.0.1:%1/share").arg(server.port());
        ShareServer::FuseMount watching(scratch.filePath("watch"), scratch.filePath("home"));
        const QString ini = smb ? "smb:/" + share + "/srcsafe.ini"
                                : scratch.filePath("watch") + share + "/srcsafe.ini";
        QVERIFY(smb || watching.mount(ini));

        ChangeTrigger trigger; // outlives the engine that stops it
        WatchFixture f(VssDbFactory(), ini, "Admin", "");
        f.zel.settings.ShowMessages = false;
        for (const QString &spec : specs)
            f.zel.MonitoredFiles.Add(spec, 0, 1, created);
        f.zel.setChangeWatch(&trigger);
        QVERIFY2(f.start(), qPrintable(f.shell.statusText));
        QVERIFY(smb ? trigger.share().notifying() : trigger.share().sweepIntervalMs() > 0);
        QCOMPARE(trigger.Problem(), QString()); // nothing said to be unwatched
        f.poll();
        QVERIFY(f.shell.records.isEmpty());

        // Another client checks b.cpp out: its item file rewritten in place.
        changeThroughShare(shared.path(), "smb:/" + share, [&](const QString &copy) {
            VssWriter(copy).checkout(specs[1], {"Dora", QDateTime::currentDateTime(), {}});
        });
        QTRY_VERIFY_WITH_TIMEOUT(!f.shell.records.isEmpty(), 10000);
        QVERIFY2(f.shell.records.first().contains("Check Out"), qPrintable(f.shell.records[0]));
#endif
    }
};

QTEST_GUILESS_MAIN(TestShareWatch)
#include "tst_sharewatch.moc"
