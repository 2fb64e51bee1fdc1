#include "engine/ChangeTrigger.h"
#include "engine/repository/vssdb/VssDbDatabase.h"
#include "engine/repository/vssdb/VssDbFactory.h"
#include "support/ShareServer.h"
#include "support/TestFiles.h"
#include "support/WatchFixture.h"

#include "VssWriter.h"

#ifdef QUORVIK_HAVE_SMB
#include "engine/repository/smb/SmbFileAccess.h"

#include <fcntl.h>
#endif

#include <QtTest>

#ifdef QUORVIK_HAVE_SMB
namespace {

// Another client's change: `change` made to a copy of the database in
// `shared`, then every file it changed written over SMB to `url`, in place,
// as a VSS client on another machine writes it.
void changeThroughShare(const QString &shared, const QString &url,
                        const std::function<void(const QString &copy)> &change)
{
    QTemporaryDir copy;
    const QDir from(shared);
    for (QDirIterator it(shared, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString target = copy.filePath(from.relativeFilePath(it.next()));
        QVERIFY(QDir().mkpath(QFileInfo(target).path()) && QFile::copy(it.filePath(), target));
    }
    change(copy.path());
    SmbContext context({});
    SMBCCTX *c = context.get();
    QVERIFY(c);
    for (QDirIterator it(copy.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString name = QDir(copy.path()).relativeFilePath(it.next());
        const QByteArray bytes = TestFiles::read(it.filePath());
        if (bytes == TestFiles::read(from.filePath(name)))
            continue;
        const auto locked = SmbContext::lock();
        SMBCFILE *file = SmbLibrary::api().smbc_getFunctionOpen(c)(
            c, SmbContext::url(url + '/' + name).constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY2(file, qPrintable(name));
        QCOMPARE(SmbLibrary::api().smbc_getFunctionWrite(c)(c, file, bytes.constData(),
                                                            size_t(bytes.size())),
                 ssize_t(bytes.size()));
        SmbLibrary::api().smbc_getFunctionClose(c)(c, file);
    }
}

} // namespace
#endif

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
