#include "VssWriter.h"
#include "engine/Suspects.h"
#include "engine/eventlog/LogText.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// The headless watcher as a service, end to end: JSON lines, the event
// command, --check and SIGHUP, on a database whose names need escaping. What
// becomes of slow commands is tested with the runner (tst_eventhooks).
class TestHeadlessService : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_db, m_config;
    const QDateTime m_created{QDate(2026, 11, 1), QTime(9, 0)};
    const QStringList m_names{"$/Web/say \"hi\" C:\\dir.txt", "$/Web/tab\there.txt",
                              "$/Web/Ærø naïve.txt"};
    using Params = QHash<QString, QString>;

    struct Run
    {
        int exitCode = -1;
        QString out, err;
    };

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", m_dir.filePath("data"));
        env.insert("XDG_RUNTIME_DIR", m_dir.filePath("run"));
        return env;
    }
    Run quorvik(const QStringList &args, const QString &config)
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(QStringLiteral(QUORVIK_BIN_DIR "/quorvik"),
                QStringList{"--headless", "--config-dir", config} + args);
        if (!p.waitForFinished(60000))
            return {};
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    // Fresh settings and event log for the test database, every file seen as
    // it was created.
    void writeSettings(const QString &dir, const Params &changes = {},
                       const QStringList &files = {})
    {
        QFile::remove(dir + "/Quorvik.ini");
        QFile::remove(dir + "/QVEvent.txt");
        SettingsStore store(dir);
        Params params{{"Inifile", m_db + "/srcsafe.ini"},
                      {"Username", "me"},
                      {"Password", XorByLength("secret")},
                      {"Logfile", QDir(dir).filePath("QVEvent.txt")},
                      {"StartUp", "False"}};
        params.insert(changes);
        for (auto it = params.cbegin(); it != params.cend(); ++it)
            store.SaveSetting(kAppName, "Params", it.key(), it.value());
        Suspects list;
        for (const QString &name : files.isEmpty() ? m_names : files)
            list.Add(name, 0, 1, m_created);
        StoreFileList(list, store);
    }
    QString storedEntry(int i)
    {
        return SettingsStore(m_config).GetSetting(kAppName, "Files", QString::number(i));
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
        m_config = m_dir.filePath("config");
        VssWriter::create(m_db, {{"Dora", ""}, {"Ben", ""}, {"me", "secret"}}, m_created);
        VssWriter writer(m_db);
        writer.addProject("$/Web", {"Admin", m_created, {}});
        for (const QString &name : m_names + QStringList{"$/Web/new.txt"})
            writer.addFile(name, {"Admin", m_created, {}}, "x");
        writeSettings(m_config);
    }

    void jsonLinesAndTheEventCommandCarryTheSameEvents()
    {
        VssWriter writer(m_db);
        writer.checkout(m_names[0], by("Dora"));
        writer.checkout(m_names[1], by("Ben"));
        writer.checkout(m_names[2], by("Dora"));
        writer.checkin(m_names[2], by("Dora"));
        // The command records the six values, unit separators between them,
        // and fails: each failure is reported and no event is lost.
        const QString recorded = m_dir.filePath("recorded");
        const Run run = quorvik(
            {"--once", "--json", "--on-event",
             "printf '%s\\037%s\\037%s\\037%s\\037%s\\037%s\\036' \"$QUORVIK_DATE\" "
             "\"$QUORVIK_TIME\" "
             "\"$QUORVIK_SPEC\" \"$QUORVIK_ACTION\" \"$QUORVIK_USER\" \"$QUORVIK_DATABASE\" >> " +
                 recorded + "; exit 7"},
            m_config);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err.count("ERROR: The event command failed with exit status 7 ("), 3);

        QStringList printed; // each line parsed as JSON
        for (const QString &line : run.out.split('\n', Qt::SkipEmptyParts)) {
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
            QStringList values;
            for (const char *key : {"date", "time", "spec", "action", "user", "database"})
                values.append(o.value(key).toString());
            printed.append(values.join(QChar(0x1f)));
        }
        const QString db = m_db + "/srcsafe.ini";
        // Control characters in names reach no record, line or command: the
        // TAB shows as its control picture.
        const QList<QStringList> expected{{m_names[0], "Check Out", "Dora", db},
                                          {LogText::printable(m_names[1]), "Check Out", "Ben", db},
                                          {m_names[2], "Check In", "", db}};
        QCOMPARE(printed.size(), expected.size());
        for (int i = 0; i < printed.size(); ++i) {
            QCOMPARE(printed[i].section(QChar(0x1f), 2), expected[i].join(QChar(0x1f)));
            QCOMPARE(printed[i].section(QChar(0x1f), 0, 0),
                     QDate::currentDate().toString(Qt::ISODate));
            QVERIFY(QTime::fromString(printed[i].section(QChar(0x1f), 1, 1), "hh:mm:ss").isValid());
        }
        // The command saw exactly what was printed; only one file's events
        // are bound to their order, so the files may come in any order.
        QFile file(recorded);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList received =
            QString::fromUtf8(file.readAll()).split(QChar(0x1e), Qt::SkipEmptyParts);
        received.sort();
        printed.sort();
        QCOMPARE(received, printed);
        writer.undoCheckout(m_names[0], by("Dora"));
        writer.undoCheckout(m_names[1], by("Ben"));
    }

    void checkSaysWhatIsWrong_data()
    {
        QTest::addColumn<QString>("key"); // empty: no settings at all
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("ready") << "StartUp"
                               << "False" << 0 << "ok: 3 of 3 watched files found";
        QTest::newRow("no settings") << ""
                                     << "" << 78 << "ERROR: No settings file";
        QTest::newRow("no database") << "Inifile"
                                     << "/nowhere/srcsafe.ini" << 66 << "does not exist";
        QTest::newRow("wrong password") << "Password"
                                        << "nope" << 67 << "Wrong password";
        QTest::newRow("unknown file")
            << "Files"
            << "$/Web/gone.txt" << 65 << "ERROR: Cannot find $/Web/gone.txt";
        QTest::newRow("log folder missing")
            << "Logfile"
            << "/nowhere/QVEvent.txt" << 73 << "ERROR: Cannot write the event log";
    }
    void checkSaysWhatIsWrong()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, status);
        QFETCH(QString, text);
        QTemporaryDir config;
        if (key == "Files")
            writeSettings(config.path(), {}, m_names + QStringList{value});
        else if (!key.isEmpty())
            writeSettings(config.path(), {{key, value}});
        const Run run = quorvik({"--check"}, config.path());
        QVERIFY2(run.exitCode == status && run.err.contains(text), qPrintable(run.err));
        QCOMPARE(run.out, QString());
    }

    void hangUpReadsTheSettingsAgain()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows has no SIGHUP");
#else
        writeSettings(m_config);
        quorvik({"--once"}, m_config); // the states stored are the database's
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(QStringLiteral(QUORVIK_BIN_DIR "/quorvik"),
                {"--headless", "--config-dir", m_config});
        QVERIFY(p.waitForStarted());
        QString err;
        const auto errors = [&] { return err += QString::fromUtf8(p.readAllStandardError()); };
        QTRY_VERIFY_WITH_TIMEOUT(errors().contains("Files in the list: 3"), 20000);

        // The edit forgets what was seen of the first file and adds one.
        const QString first = storedEntry(1);
        writeSettings(m_config, {}, m_names + QStringList{"$/Web/new.txt"});
        SettingsStore(m_config).SaveSetting(kAppName, "Files", "1", m_names[0]);
        ::kill(pid_t(p.processId()), SIGHUP);
        QTRY_VERIFY_WITH_TIMEOUT(errors().contains("Files in the list: 4"), 20000);
        QTRY_COMPARE(storedEntry(1), first);
        QVERIFY(storedEntry(4).endsWith(";$/Web/new.txt"));

        // Settings that cannot be used leave the watcher as it was.
        writeSettings(m_config, {}, {"$/Web/gone.txt"});
        ::kill(pid_t(p.processId()), SIGHUP);
        QTRY_VERIFY_WITH_TIMEOUT(errors()
                                     .section("watching on with the previous ones", 1)
                                     .contains("Files in the list: 4"),
                                 20000);

        p.terminate();
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
#endif
    }
};

QTEST_GUILESS_MAIN(TestHeadlessService)
#include "tst_headlessservice.moc"
