#include "engine/hooks/EventHooks.h"
#include "support/TestFiles.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

// The event command runner: what each command sees, the order of one file's
// events, and what becomes of commands that fail or run too long.
class TestEventHooks : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
#ifdef Q_OS_WIN // cmd; Wine starts processes slowly
    const QString kInFolder = "cd /d \"%1\" && ";
    const QString kSleep = "ping -n 30 127.0.0.1 >nul";
    static constexpr int kLateMs = 4000;
#else
    const QString kInFolder = "cd '%1' && ";
    const QString kSleep = "sleep 10";
    static constexpr int kLateMs = 1000;
#endif

    static EventRecord event(const QString &spec, const QString &action, const QString &user = {})
    {
        return {"2026-12-06", "10:00:0" + QString::number(spec.size() % 10),
                spec,         action,
                user,         "/vss/srcsafe.ini"};
    }
    static QString fields(const EventRecord &e)
    {
        return QStringList{e.date, e.time, e.spec, e.action, e.user, e.database}.join('|');
    }

private slots:
    // Each row: a command, its time limit, and what each report says (none
    // when empty). The first event's command takes longest: a second command
    // of the same file started beside it would record first, while another
    // file's takes a free place and records before both. What the shell
    // started is stopped with it: it never writes.
    void commandsAndWhatBecomesOfThem()
    {
        using Row = std::tuple<QString, int, QString>;
        for (const auto &[command, limitMs, report] : {
#ifdef Q_OS_WIN
                 Row{"(if \"%QUORVIK_ACTION%\"==\"Check Out\" ping -n 2 127.0.0.1 >nul) & "
                     ">>recorded echo %QUORVIK_DATE%^|%QUORVIK_TIME%^|%QUORVIK_SPEC%^|"
                     "%QUORVIK_ACTION%^|%QUORVIK_USER%^|%QUORVIK_DATABASE%",
                     10000, ""},
                 Row{"start /b cmd /c \"ping -n 4 127.0.0.1 >nul & echo late>>recorded\" & " +
                         kSleep,
                     2000, "ran over 2 s and was stopped ($/a \"b\" c"},
#else
                 Row{"[ \"$QUORVIK_ACTION\" = 'Check Out' ] && sleep 1; printf "
                     "'%s|%s|%s|%s|%s|%s\\n' "
                     "\"$QUORVIK_DATE\" \"$QUORVIK_TIME\" \"$QUORVIK_SPEC\" \"$QUORVIK_ACTION\" "
                     "\"$QUORVIK_USER\" \"$QUORVIK_DATABASE\" >> recorded",
                     5000, ""},
                 Row{"(sleep 1; echo late >> recorded) & sleep 10", 300,
                     "ran over 0.3 s and was stopped ($/a \"b\" c"},
#endif
                 Row{"exit 3", 5000, "failed with exit status 3 ($/a \"b\" c"}}) {
            QStringList reports;
            EventHooks hooks([&reports](const QString &text) { reports.append(text); });
            const QString recorded = m_dir.filePath("recorded");
            QFile::remove(recorded);
            const QList<EventRecord> events{event("$/a \"b\" c", "Check Out", "Dora"),
                                            event("$/a \"b\" c", "Check In", "Ben"),
                                            event("$/a \"b\" c2", "Check In")};
            QElapsedTimer clock;
            clock.start();
            for (const EventRecord &e : events)
                hooks.run(kInFolder.arg(QDir::toNativeSeparators(m_dir.path())) + command, limitMs,
                          e);
            QVERIFY(clock.elapsed() < kLateMs); // the caller never waits (for the 1 s one)
            QVERIFY(hooks.waitForIdle(10000));
            QCOMPARE(reports.size(), report.isEmpty() ? 0 : 3);
            for (const QString &text : reports)
                QVERIFY2(text.startsWith("ERROR: ") && text.contains(report), qPrintable(text));
            QTest::qWait(report.isEmpty() ? 0 : kLateMs);
            QCOMPARE(QString::fromUtf8(TestFiles::read(recorded))
                         .remove('\r')
                         .split('\n', Qt::SkipEmptyParts),
                     (report.isEmpty()
                          ? QStringList{fields(events[2]), fields(events[0]), fields(events[1])}
                          : QStringList()));
        }
    }

#ifdef Q_OS_UNIX
    // What a command leaves in the background ends with the program, and
    // so does a command still running when a signal ends it at once.
    void nothingOutlivesTheProgram()
    {
        const auto alive = [](const QString &pidFile) {
            const QByteArray pid = TestFiles::read(pidFile).trimmed();
            const QByteArray stat = TestFiles::read("/proc/" + pid + "/stat");
            return !pid.isEmpty() && !stat.isEmpty() && !stat.contains(") Z ");
        };
        const QString background = m_dir.filePath("background"),
                      running = m_dir.filePath("running");
        EventHooks ended([](const QString &){}), hooks([](const QString &){});
        ended.run("sleep 30 & echo $! > '" + background + "'", 5000, event("$/a", "Check In"));
        QVERIFY(ended.waitForIdle(10000));
        QTRY_VERIFY(alive(background));
        ended.finish(0);
        QTRY_VERIFY(!alive(background));
        hooks.run("echo $$ > '" + running + "'; sleep 30", 60000, event("$/b", "Check In"));
        QTRY_VERIFY(alive(running));
        EventHooks::endAllGroups();
        QTRY_VERIFY(!alive(running));
        hooks.finish(1000);
    }
#endif

    // Past the bound, events are counted, not said one by one; the count is
    // said once when asked. The end stops what runs and says so.
    void aFullQueueAndTheEndAreSaidOnce()
    {
        QStringList reports;
        EventHooks hooks([&](const QString &text) { reports.append(text); });
        const int kept = EventHooks::kMaxRunning + EventHooks::kMaxQueued;
        for (int i = 0; i < kept + 5; ++i)
            hooks.run(kSleep, 30000, event("$/f" + QString::number(i % 7), "Check In"));
        QVERIFY(hooks.busy() == kept && reports.isEmpty());
        QVERIFY(hooks.reportDropped() == 5 && hooks.reportDropped() == 0);
        QVERIFY(hooks.droppedTotal() == 5 && reports.size() == 1);
        QVERIFY(reports[0].startsWith("ERROR: 5 event(s) not handed over"));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(hooks.finish(100), kept);
        QVERIFY(clock.elapsed() < 3000 && hooks.busy() == 0 && reports.size() == 2);
        QVERIFY(reports[1].contains(QString::number(kept)));
    }
};

QTEST_GUILESS_MAIN(TestEventHooks)
#include "tst_eventhooks.moc"
