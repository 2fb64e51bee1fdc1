#include "VssWriter.h"
#include "engine/Suspects.h"
#include "engine/eventlog/LogText.h"
#include "engine/repository/vssdb/VssDbFactory.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"
#include "support/TestFiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/stat.h>
#endif

// The program without windows, end to end: a database written by the test
// writer, prepared settings folders, and `quorvik --headless` runs checked
// through their exit status, output, event log, stored list and event command.
class TestHeadless : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_db, m_config;
    const QDateTime m_created{QDate(2026, 11, 1), QTime(9, 0)};
    const QStringList m_files{"$/Web/a.txt", "$/Web/b.txt"};
    // Names that JSON and the command's environment carry whole.
    const QStringList m_odd{"$/Web/say \"hi\" C:\\dir.txt", "$/Web/tab\there.txt",
                            "$/Web/Ærø naïve.txt"};
    using Params = QHash<QString, QString>;

    struct Run
    {
        int exitCode = -1;
        QString out, err;
    };

    static QString text(const QByteArray &bytes) // lines end in CR LF on Windows
    {
        return QString::fromUtf8(bytes).replace("\r\n", "\n");
    }
    // Starts the program with its data and runtime folders in the test's.
    void start(QProcess &p, const QStringList &args, const QString &config)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", m_dir.filePath("data"));
        env.insert("XDG_RUNTIME_DIR", m_dir.filePath("run"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUORVIK_BIN_DIR "/quorvik"),
                QStringList{"--config-dir", config} + args);
    }
    Run quorvik(const QStringList &args, const QString &config)
    {
        QProcess p;
        start(p, args, config);
        if (!p.waitForFinished(60000))
            return {};
        return {p.exitCode(), text(p.readAllStandardOutput()), text(p.readAllStandardError())};
    }
    Run once(const QString &config) { return quorvik({"--headless", "--once"}, config); }
    // Fresh settings and event log in `dir` for the test database, with
    // `changes`, watching `files` (m_files when empty), each seen as created.
    QString settings(const QString &dir, const Params &changes = {}, const QStringList &files = {})
    {
        QDir().mkpath(dir);
        QFile::remove(dir + "/Quorvik.ini");
        QFile::remove(dir + "/QVEvent.txt");
        SettingsStore store(dir);
        Params params{{"Inifile", m_db + "/srcsafe.ini"},
                      {"Username", "me"},
                      {"Password", XorByLength("secret")},
                      {"Logfile", dir + "/QVEvent.txt"},
                      {"StartUp", "False"}};
        params.insert(changes);
        for (auto it = params.cbegin(); it != params.cend(); ++it)
            store.SaveSetting(kAppName, "Params", it.key(), it.value());
        Suspects list;
        for (const QString &name : files.isEmpty() ? m_files : files)
            list.Add(name, 0, 1, m_created);
        StoreFileList(list, store);
        return dir;
    }
    static QString storedEntry(const QString &config, int i)
    {
        return SettingsStore(config).GetSetting(kAppName, "Files", QString::number(i));
    }
    static VssWriter::Stamp by(const QString &user)
    {
        return {user, QDateTime::currentDateTime(), {}};
    }

private slots:
    void initTestCase()
    {
        QDir().mkpath(m_dir.filePath("run"));
        QFile::setPermissions(m_dir.filePath("run"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_db = m_dir.filePath("db");
        VssWriter::create(m_db, {{"Dora", ""}, {"Ben", ""}, {"me", "secret"}}, m_created);
        VssWriter writer(m_db);
        writer.addProject("$/Web", {"Admin", m_created, {}});
        for (const QString &name : m_files + m_odd + QStringList{"$/Web/new.txt"})
            writer.addFile(name, {"Admin", m_created, {}}, "x");
        writer.addProject("$/Lib", {"Admin", m_created, {}});
        for (const char *name : {"$/Lib/x.txt", "$/Lib/x.obj"})
            writer.addFile(name, {"Admin", m_created, {}}, "x");
        m_config = settings(m_dir.filePath("config"));
    }

    // A project entry and its exclude patterns written by hand: its files
    // are watched, those left out are not (one added later: tst_projects).
    void projectEntryFromTheSettingsFile()
    {
        const QString config = settings(m_dir.filePath("project"));
        {
            SettingsStore store(config);
            store.DeleteSetting(kAppName, "Files");
            store.SaveSetting(kAppName, "Params", "FilesCount", "0");
            store.SaveSetting(kAppName, "Files", "Project1", "$/Lib/...");
            store.SaveSetting(kAppName, "Files", "Project1.Exclude", "*.obj");
        }
        QCOMPARE(once(config).exitCode, 0); // takes in what is there
        VssWriter writer(m_db);
        writer.checkout("$/Lib/x.obj", by("Ben"));
        QCOMPARE(once(config).out, QString());
        writer.checkout("$/Lib/x.txt", by("Ben"));
        const QString out = once(config).out;
        QVERIFY2(out.endsWith("\t$/Lib/x.txt\tCheck Out\n") && out.count('\n') == 1,
                 qPrintable(out));
    }

    void exitStatusSaysWhatWentWrong()
    {
        const QStringList once{"--headless", "--once"};
        const QString opening = "ERROR: Cannot open VSS database\n.*";
        const QString unreadable = m_dir.filePath("unreadable");
        QDir().mkpath(unreadable + "/Quorvik.ini"); // a folder: never readable
        // Arguments, settings folder, exit status, standard error (a regular
        // expression), standard output. An event the log cannot take still
        // goes to the output.
        const std::tuple<QStringList, QString, int, QString, QString> rows[] = {
            {{"--once"}, m_config, 1, "--headless", ""},
            {once, settings(m_dir.filePath("pw"), {{"Password", XorByLength("wrong")}}), 2,
             opening + "Wrong password", ""},
            {once, unreadable, 2, opening + "Cannot read the settings file", ""},
            {once,
             settings(m_dir.filePath("nolog"), {{"Logfile", m_dir.filePath("no/QVEvent.txt")}},
                      {"$/Web/a.txt"}),
             3, "ERROR: Path not found", "\t$/Web/a.txt\tCheck Out\n"}};
        for (const auto &[args, config, status, error, out] : rows) {
            VssWriter writer(m_db);
            writer.checkout("$/Web/a.txt", by("Dora"));
            const Run run = quorvik(args, config);
            writer.undoCheckout("$/Web/a.txt", by("Dora"));
            QCOMPARE(run.exitCode, status);
            QVERIFY2(run.err.contains(QRegularExpression(error)), qPrintable(run.err));
            QCOMPARE(run.out.count('\n'), out.count('\n'));
            QVERIFY2(out.isEmpty() || run.out.endsWith(out), qPrintable(run.out));
        }
    }

    // The status page (settings key, or the option over it): written at
    // start and after a poll with changes; one that cannot be written is said.
    void statusPageIsWrittenAtStartAndAfterChanges()
    {
        const QString page = m_dir.filePath("page.html");
        const QString config = settings(m_dir.filePath("page"), {{"StatusPage", page}});
        VssWriter writer(m_db);
        writer.checkout("$/Web/a.txt", by("Ben"));
        const Run run = once(config);
        const QString nowhere = QDir::toNativeSeparators(m_dir.filePath("no/page.html"));
        const Run refused = quorvik({"--headless", "--once", "--status-page", nowhere}, config);
        writer.undoCheckout("$/Web/a.txt", by("Ben"));
        QCOMPARE(run.exitCode, 0);
        const QByteArray html = TestFiles::read(page);
        QVERIFY(html.contains("<tr class=\"row\"><td>$/Web/a.txt</td><td>Ben</td>"));
        QVERIFY(html.contains("<td>$/Web/a.txt</td><td>Check Out</td><td>Ben</td>"));
        QCOMPARE(refused.exitCode, 0);
        QVERIFY2(refused.err.contains("ERROR: Cannot write the status page " + nowhere),
                 qPrintable(refused.err));
    }

    void jsonLinesAndTheEventCommandCarryEveryName()
    {
        const QString config = settings(m_dir.filePath("json"), {{"OnEventTimeout", "1"}}, m_odd);
        VssWriter writer(m_db);
        writer.checkout(m_odd[0], by("Dora"));
        writer.checkout(m_odd[1], by("Ben"));
        writer.checkout(m_odd[2], by("Dora"));
        writer.checkin(m_odd[2], by("Dora"));
        // The command records the six values, unit separators between them;
        // it fails, or runs over its second: each is reported, no event lost.
        // (cmd's echo writes the OEM code page: what a command sees on
        // Windows is tested with the runner, on plain text.)
#ifdef Q_OS_WIN
        const QString command = "(if \"%QUORVIK_ACTION%\"==\"Check In\" ping -n 30 127.0.0.1 >nul)"
                                " & exit 7";
#else
        const QString recorded = m_dir.filePath("recorded");
        const QString command =
            "printf '%s\\037%s\\037%s\\037%s\\037%s\\037%s\\036' \"$QUORVIK_DATE\" "
            "\"$QUORVIK_TIME\" \"$QUORVIK_SPEC\" \"$QUORVIK_ACTION\" \"$QUORVIK_USER\" "
            "\"$QUORVIK_DATABASE\" >> " +
            recorded +
            "; printf partial >&2; [ \"$QUORVIK_ACTION\" = 'Check In' ] && sleep 20; exit 7";
#endif
        QElapsedTimer clock;
        clock.start();
        const Run run = quorvik({"--headless", "--once", "--json", "--on-event", command}, config);
        writer.undoCheckout(m_odd[0], by("Dora"));
        writer.undoCheckout(m_odd[1], by("Ben"));
        QVERIFY(clock.elapsed() < 10000); // the command's sleep was cut short
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err.count("ERROR: The event command failed with exit status 7 ("), 2);
        QCOMPARE(run.err.count("ERROR: The event command ran over 1 s and was stopped ("), 1);
#ifndef Q_OS_WIN
        // A command's unended error line is ended before a line of ours.
        QVERIFY2(run.err.count("\npartial\n") == 3, qPrintable(run.err));
#endif

        QStringList printed; // each line parsed as JSON
        for (const QString &line : run.out.split('\n', Qt::SkipEmptyParts)) {
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
            QStringList values;
            for (const char *key : {"date", "time", "spec", "action", "user", "database"})
                values.append(o.value(key).toString());
            printed.append(values.join(QChar(0x1f)));
        }
        const QString db = m_db + "/srcsafe.ini";
        // A TAB in a name shows as its control picture.
        const QList<QStringList> expected{{m_odd[0], "Check Out", "Dora", db},
                                          {LogText::printable(m_odd[1]), "Check Out", "Ben", db},
                                          {m_odd[2], "Check In", "", db}};
        QCOMPARE(printed.size(), expected.size());
        for (int i = 0; i < printed.size(); ++i) {
            QCOMPARE(printed[i].section(QChar(0x1f), 2), expected[i].join(QChar(0x1f)));
            QVERIFY(QDateTime::fromString(printed[i].section(QChar(0x1f), 0, 1),
                                          "yyyy-MM-dd\x1fhh:mm:ss")
                        .isValid());
        }
#ifndef Q_OS_WIN
        // The command saw exactly what was printed, the files in any order.
        QStringList received =
            QString::fromUtf8(TestFiles::read(recorded)).split(QChar(0x1e), Qt::SkipEmptyParts);
        received.sort();
        printed.sort();
        QCOMPARE(received, printed);
#endif
    }

    // Each kind of broken set-up gives its status and names its reason; the
    // first fault found gives the status; nothing is created.
    void checkSaysWhatIsWrong()
    {
        // A watched file's item file is damaged for one row.
        auto db = VssDbFactory()();
        db->Open(m_db + "/srcsafe.ini", "me", "secret");
        const QString item = db->VSSItem("$/Web/new.txt")->ChangeFile();
        const QByteArray whole = TestFiles::read(item);
        const QString missing = m_dir.filePath("mistyped");
        // The settings changed (none: no settings at all), the exit status
        // and what standard error says.
        const std::tuple<Params, int, const char *> rows[] = {
            {{{"StartUp", "False"}}, 0, "ok: 2 of 2 watched files found"},
            {{}, 78, "ERROR: No settings file"},
            {{{"Inifile", "/nowhere/srcsafe.ini"}}, 66, "does not exist"},
            {{{"Password", "nope"}}, 67, "Wrong password"},
            {{{"Files", "$/Web/gone.txt"}}, 65, "ERROR: Cannot find $/Web/gone.txt"},
            {{{"Files", "$/Web/new.txt"}}, 65, "ERROR: Cannot read $/Web/new.txt: "},
            {{{"Logfile", "/nowhere/QVEvent.txt"}}, 73, "ERROR: Cannot write the event log"},
            {{{"Password", "nope"}, {"Logfile", "/nowhere/QVEvent.txt"}}, 67, "Wrong password"},
            {{{"Folder", missing}}, 78, "ERROR: The settings folder"},
            {{{"Folder", "unreadable"}}, 78, "ERROR: Cannot read the settings file"}};
        for (const auto &[changes, status, text] : rows) {
            QTemporaryDir temporary;
            const QString folder = changes.value("Folder");
            const QString config = folder == missing ? missing : temporary.path();
            if (folder == "unreadable")
                QDir().mkpath(config + "/Quorvik.ini"); // a folder: never readable
            else if (!changes.isEmpty() && folder.isEmpty())
                settings(config, changes,
                         changes.contains("Files") ? QStringList{changes["Files"]} : QStringList());
            TestFiles::write(item, changes.contains("Files") ? whole.left(200) : whole);
            const Run run = quorvik({"--headless", "--check"}, config);
            QVERIFY2(run.exitCode == status && run.err.contains(text) && run.out.isEmpty(),
                     qPrintable(run.err));
        }
        QVERIFY(!QFileInfo::exists(missing) && TestFiles::write(item, whole));
    }

    // Watching: a write to the database starts a poll at once, long before
    // the 60-minute timer, also one made before the watch was up; SIGHUP
    // reads the settings again; SIGTERM ends it.
    void watchingPollsOnWritesReloadsOnHangUpAndStopsCleanly()
    {
        const QString config = settings(m_dir.filePath("watch"), {{"PollDelay", "7"}});
        once(config); // the states stored are the database's
        VssWriter writer(m_db);
        writer.checkout("$/Web/b.txt", by("Dora"));
        QProcess p;
        start(p, {"--headless"}, config);
        QString out;
        const auto output = [&] { return out += text(p.readAllStandardOutput()); };
        QTRY_VERIFY_WITH_TIMEOUT(output().contains("b.txt\tCheck Out\n"), 20000);
        writer.undoCheckout("$/Web/b.txt", by("Dora"));
        QTRY_VERIFY_WITH_TIMEOUT(output().contains("(Undo Check Out)\n"), 10000);
        QCOMPARE(out.count('\n'), 2);
#ifndef Q_OS_WIN
        QString err;
        const auto errors = [&] { return err += text(p.readAllStandardError()); };
        // The edit forgets what was seen of the first file and adds one.
        const QString first = storedEntry(config, 1);
        settings(config, {{ "PollDelay", "7" }}, m_files + QStringList{"$/Web/new.txt"});
        SettingsStore(config).SaveSetting(kAppName, "Files", "1", m_files[0]);
        ::kill(pid_t(p.processId()), SIGHUP);
        QTRY_VERIFY_WITH_TIMEOUT(errors().contains("Files in the list: 3"), 20000);
        QTRY_COMPARE(storedEntry(config, 1), first);
        QVERIFY(storedEntry(config, 3).endsWith(";$/Web/new.txt"));
        // Settings that cannot be used leave the watcher as it was.
        settings(config, {}, {"$/Web/gone.txt"});
        ::kill(pid_t(p.processId()), SIGHUP);
        QTRY_VERIFY_WITH_TIMEOUT(errors()
                                     .section("watching on with the previous ones", 1)
                                     .contains("Files in the list: 3"),
                                 20000);
#endif
        p.terminate(); // SIGTERM; WM_CLOSE on Windows
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }

    // Item files replaced by FIFOs never hang a poll: a FIFO is refused at
    // once (the watcher says so and may end by itself), and the watcher
    // still ends promptly on SIGTERM.
    void terminateEndsAPollThatHangs()
    {
#ifdef Q_OS_WIN
        QSKIP("no FIFOs on Windows");
#else
        // The last test: the shared database's item files become FIFOs.
        const QString config = settings(m_dir.filePath("fifo"), {{"PollDelay", "0"}});
        QProcess p;
        start(p, {"--headless"}, config);
        QString err;
        QTRY_VERIFY_WITH_TIMEOUT((err += text(p.readAllStandardError())).contains("Files in the"),
                                 20000);
        QDirIterator items(m_db + "/data", QDir::Files, QDirIterator::Subdirectories);
        while (items.hasNext()) {
            const QString item = items.next();
            if (QFileInfo(item).fileName().size() == 8 && QFile::remove(item))
                QCOMPARE(::mkfifo(QFile::encodeName(item).constData(), 0644), 0);
        }
        QTest::qWait(12000); // the first poll, 10 s after the start, meets them
        QElapsedTimer stopping;
        stopping.start();
        const bool endedAlready = p.state() == QProcess::NotRunning;
        p.terminate();
        const bool ended = endedAlready || p.waitForFinished(20000);
        if (!ended)
            p.kill();
        QVERIFY(ended);
        QVERIFY(stopping.elapsed() < 15000);
        err += text(p.readAllStandardError());
        QVERIFY2(!endedAlready || err.contains("not a regular file"), qPrintable(err));
#endif
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
