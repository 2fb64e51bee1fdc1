#include "engine/ChangeTrigger.h"
#include "engine/repository/vssdb/VssDbDatabase.h"
#include "engine/repository/vssdb/VssDbFactory.h"
#include "support/ShareServer.h"
#include "support/WatchFixture.h"

#include "VssWriter.h"

#ifdef QUORVIK_HAVE_SMB
#include "engine/repository/smb/SmbFileAccess.h"
#endif

#include <QtTest>

// Another machine's check-out on a database on a file share starts a poll
// at once: the server's notification for an smb:// database, a sweep of
// the folders on a FUSE mount, where the local folder watcher sees nothing.
class TestShareWatch : public QObject
{
    Q_OBJECT

private slots:
    void sweepsWhatTheServerBears_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("folders");
        QTest::addColumn<bool>("listings");
        QTest::addColumn<int>("periodMs");
        QTest::newRow("few files") << 5 << 2 << false << 1000;
        QTest::newRow("a look at each") << 30 << 5 << false << 1800;
        QTest::newRow("too many looks") << 40 << 5 << false << 0;
        QTest::newRow("listings") << 10000 << 20 << true << 1600;
        QTest::newRow("too many listings") << 10000 << 26 << true << 0;
    }
    void sweepsWhatTheServerBears()
    {
        QFETCH(int, files);
        QFETCH(int, folders);
        QFETCH(bool, listings);
        QTEST(ShareWatch::sweepPeriodMs(files, folders, listings), "periodMs");
    }

    void anotherClientsCheckOutIsSeen_data()
    {
        QTest::addColumn<bool>("smb");
        QTest::newRow("smb://") << true;
        QTest::newRow("FUSE mount") << false;
    }
    void anotherClientsCheckOutIsSeen()
    {
        QFETCH(bool, smb);
        if (!ShareServer::available())
            QSKIP("needs root, smbd, smbnetfs and /dev/fuse (./run share-bench installs them)");
#ifdef QUORVIK_HAVE_SMB
        SmbFileAccess::registerScheme();
#else
        if (smb)
            QSKIP("built without smb:// databases (QUORVIK_SMB)");
#endif
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
        ShareServer::FuseMount other(scratch.filePath("other"), scratch.filePath("home-other")),
            watching(scratch.filePath("watch"), scratch.filePath("home-watch"));
        if (!other.mount(scratch.filePath("other") + share + "/srcsafe.ini"))
            QSKIP("smbnetfs cannot mount here");
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

        VssWriter(scratch.filePath("other") + share)
            .checkout(specs[1], {"Dora", QDateTime::currentDateTime(), {}});
        QTRY_VERIFY_WITH_TIMEOUT(!f.shell.records.isEmpty(), 10000);
        QVERIFY2(f.shell.records.first().contains("Check Out"), qPrintable(f.shell.records[0]));
    }
};

QTEST_GUILESS_MAIN(TestShareWatch)
#include "tst_sharewatch.moc"
