#include "VssWriter.h"
#include "engine/Suspects.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

// The program without windows, end to end: a prepared settings folder, a
// database written by the test writer, one `quorvik --headless --once` per
// step, checked through its output, the event log and the stored list.
class TestHeadless : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_db, m_config, m_log;
    const QDateTime m_created{QDate(2026, 11, 1), QTime(9, 0)};

    struct Run
    {
        int exitCode = -1;
        QString out, err;
    };

    Run quorvik(const QStringList &args)
    {
        QProcess p;
        start(p, args);
        if (!p.waitForFinished(60000))
            return {};
        // Lines end in CR LF on Windows.
        const auto text = [](const QByteArray &b) {
            return QString::fromUtf8(b).replace("\r\n", "\n");
        };
        return {p.exitCode(), text(p.readAllStandardOutput()), text(p.readAllStandardError())};
    }
    // Starts the program with its data and runtime folders in the test's.
    void start(QProcess &p, const QStringList &args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", m_dir.filePath("data"));
        env.insert("XDG_RUNTIME_DIR", m_dir.filePath("run"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUORVIK_BIN_DIR "/quorvik"), args);
    }
    Run once() { return quorvik({"--headless", "--once", "--config-dir", m_config}); }

    QString storedEntry(int i)
    {
        SettingsStore store(m_config);
        return store.GetSetting(kAppName, "Files", QString::number(i));
    }
    VssWriter::Stamp by(const QString &user) { return {user, QDateTime::currentDateTime(), {}}; }

private slots:
    void initTestCase()
    {
        QDir().mkpath(m_dir.filePath("run"));
        m_db = m_dir.filePath("db");
        m_config = m_dir.filePath("config");
        m_log = m_dir.filePath("QVEvent.txt");
        VssWriter::create(m_db, {{"Dora", ""}, {"me", "secret"}}, m_created);
        VssWriter writer(m_db);
        writer.addProject("$/Web", {"Admin", m_created, {}});
        writer.addFile("$/Web/a.txt", {"Admin", m_created, {}}, "a");
        writer.addFile("$/Web/b.txt", {"Admin", m_created, {}}, "b");

        SettingsStore store(m_config);
        auto set = [&](const QString &key, const QString &value) {
            store.SaveSetting(kAppName, "Params", key, value);
        };
        set("Inifile", m_db + "/srcsafe.ini");
        set("Username", "me");
        set("Password", XorByLength("secret"));
        set("Logfile", m_log);
        set("StartUp", "False");
        Suspects files;
        files.Add("$/Web/a.txt", 0, 1, m_created);
        files.Add("$/Web/b.txt", 0, 1, m_created);
        StoreFileList(files, store);
    }

    void unchangedDatabasePrintsNothing()
    {
        const Run run = once();
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QString());
        QVERIFY(run.err.contains("Files in the list: 2"));
    }

    void checkOutUndoAndCheckIn()
    {
        VssWriter writer(m_db);
        writer.checkout("$/Web/a.txt", by("Dora"));
        Run run = once();
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.endsWith("\t$/Web/a.txt\tCheck Out\n"), qPrintable(run.out));
        QCOMPARE(run.out.count('\n'), 1);
        QVERIFY(storedEntry(1).startsWith("1;"));
        QVERIFY(storedEntry(1).endsWith(";$/Web/a.txt"));

        writer.undoCheckout("$/Web/a.txt", by("Dora"));
        run = once();
        QVERIFY(run.out.endsWith("\t$/Web/a.txt\tCheck In (Undo Check Out)\n"));
        QVERIFY(storedEntry(1).startsWith("0;"));

        // b: checked out and in between two runs: one new version.
        writer.checkout("$/Web/b.txt", by("Dora"));
        writer.checkin("$/Web/b.txt", by("Dora"));
        run = once();
        QVERIFY2(run.out.endsWith("\t$/Web/b.txt\tCheck In\n"), qPrintable(run.out));

        QFile log(m_log);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().split('\n');
        QCOMPARE(lines.size(), 4); // three records, CR LF each
        QVERIFY(lines[0].endsWith("\t$/Web/a.txt\tCheck Out\r"));
        QVERIFY(lines[2].endsWith("\t$/Web/b.txt\tCheck In\r"));
        QCOMPARE(once().out, QString()); // reported once
    }

    // A settings folder of its own: m_config's with `changes` applied.
    QString otherConfig(const QString &name, const QMap<QString, QString> &changes)
    {
        const QString dir = m_dir.filePath(name);
        QDir().mkpath(dir);
        QFile::copy(m_config + "/Quorvik.ini", dir + "/Quorvik.ini");
        SettingsStore store(dir);
        store.SaveSetting(kAppName, "Params", "Logfile", dir + "/QVEvent.txt");
        for (auto it = changes.begin(); it != changes.end(); ++it)
            store.SaveSetting(kAppName, "Params", it.key(), it.value());
        return dir;
    }

    // Each start failure prints its reason after the error line.
    void sessionThatCannotStartSaysWhy_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("reason");
        QTest::newRow("wrong password")
            << otherConfig("pw", {{"Password", XorByLength("wrong")}}) << "Wrong password";
        QTest::newRow("unknown user")
            << otherConfig("user", {{"Username", "Zed"}}) << "\"Zed\" is not a user";
        QTest::newRow("no srcsafe.ini")
            << otherConfig("ini", {{"Inifile", m_dir.filePath("none/srcsafe.ini")}})
            << "does not exist";
        const QString empty = m_dir.filePath("empty");
        QDir().mkpath(empty);
        QFile(empty + "/Quorvik.ini").open(QIODevice::WriteOnly);
        QTest::newRow("empty Quorvik.ini") << empty << "No database is set";
        const QString unreadable = m_dir.filePath("unreadable");
        QDir().mkpath(unreadable + "/Quorvik.ini"); // a folder: never readable
        QTest::newRow("unreadable Quorvik.ini") << unreadable << "Cannot read the settings file";
        QTest::newRow("folder cannot be made")
            << m_dir.filePath("empty/Quorvik.ini/sub") << "Cannot create the settings folder";
    }
    void sessionThatCannotStartSaysWhy()
    {
        QFETCH(QString, config);
        QFETCH(QString, reason);
        const Run run = quorvik({"--headless", "--once", "--config-dir", config});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(QRegularExpression("ERROR: Cannot open VSS database\n.*" +
                                                     QRegularExpression::escape(reason))),
                 qPrintable(run.err));
        QCOMPARE(run.out, QString());
    }

    // An event the log cannot take still goes to standard output; the
    // failure goes to standard error and the exit status says it.
    void eventThatCannotBeLoggedIsPrintedAndExitsWithThree()
    {
        const QString config =
            otherConfig("nolog", {{"Logfile", m_dir.filePath("missing/QVEvent.txt")}});
        VssWriter writer(m_db);
        writer.checkout("$/Web/a.txt", by("Dora"));
        const Run run = quorvik({"--headless", "--once", "--config-dir", config});
        writer.undoCheckout("$/Web/a.txt", by("Dora"));
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.out.endsWith("\t$/Web/a.txt\tCheck Out\n"), qPrintable(run.out));
        QVERIFY2(run.err.contains("ERROR: Path not found"), qPrintable(run.err));
    }

    // Watching: a write to the database starts a poll at once, long before
    // the 60-minute timer; SIGTERM ends the program cleanly.
    void watchingPollsOnWritesAndStopsCleanly()
    {
        SettingsStore(m_config).SaveSetting(kAppName, "Params", "PollDelay", "7");
        QProcess p;
        start(p, {"--headless", "--config-dir", m_config});
        QVERIFY(p.waitForStarted());
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).contains("Files in the list"),
                                 20000);
        VssWriter writer(m_db);
        QByteArray out;
        writer.checkout("$/Web/b.txt", by("Dora"));
        QTRY_VERIFY_WITH_TIMEOUT(
            (out += p.readAllStandardOutput().replace("\r\n", "\n")).contains("b.txt\tCheck Out\n"),
            10000);
        writer.undoCheckout("$/Web/b.txt", by("Dora"));
        QTRY_VERIFY_WITH_TIMEOUT(
            (out += p.readAllStandardOutput().replace("\r\n", "\n")).contains("(Undo Check Out)\n"),
            10000);
        QCOMPARE(out.count('\n'), 2);
        p.terminate(); // SIGTERM; WM_CLOSE on Windows
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }

    // A poll that hangs (an item file replaced by a FIFO) does not make the
    // program deaf to SIGTERM.
    void terminateEndsAPollThatHangs()
    {
#ifdef Q_OS_WIN
        QSKIP("no FIFOs on Windows");
#else
        const QString db = m_dir.filePath("fifodb");
        VssWriter::create(db, {{"me", "secret"}}, m_created);
        VssWriter writer(db);
        writer.addProject("$/Web", {"Admin", m_created, {}});
        writer.addFile("$/Web/a.txt", {"Admin", m_created, {}}, "a");
        writer.addFile("$/Web/b.txt", {"Admin", m_created, {}}, "b");
        const QString config =
            otherConfig("fifo", {{"Inifile", db + "/srcsafe.ini"}, {"PollDelay", "0"}});
        QProcess p;
        start(p, {"--headless", "--config-dir", config});
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).contains("Files in the list"),
                                 20000);
        QDirIterator items(db + "/data", QDir::Files, QDirIterator::Subdirectories);
        while (items.hasNext()) {
            const QString item = items.next();
            if (QFileInfo(item).fileName().size() == 8 && QFile::remove(item))
                QCOMPARE(::mkfifo(QFile::encodeName(item).constData(), 0644), 0);
        }
        QTest::qWait(12000); // the first poll, 10 s after the start, hangs
        QElapsedTimer stopping;
        stopping.start();
        p.terminate();
        const bool ended = p.waitForFinished(20000);
        if (!ended)
            p.kill();
        QVERIFY(ended);
        QVERIFY(stopping.elapsed() < 15000);
#endif
    }

    void onceNeedsHeadless()
    {
        const Run run = quorvik({"--once", "--config-dir", m_config});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("--headless"));
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
