#include "support/EngineFixture.h"

#include "engine/eventlog/EventList.h"
#include "engine/eventlog/EventLogFile.h"

#include <QtTest>

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void successfulStartOpensChecksAndStartsTimer()
    {
        EngineFixture f;
        f.watch("$/Web/a.txt");
        f.watch("$/Web/b.txt");
        f.zel.settings.PollDelay = 1;
        QVERIFY(f.start());
        QVERIFY(f.zel.SessionOpen && f.zel.Database &&
                f.shell.statusText == "Files in the list: 2");
        QCOMPARE(f.timers.running.value(f.zel.TimerId).periodMs, 30000);
        QCOMPARE(f.repo->calls("VSSItem"), 2); // one lookup per watched file
        QCOMPARE(f.zel.CurrentItem->Spec(), QString("$/Web/b.txt"));

        // A second start keeps the open database and restarts the same timer.
        const quint32 id = f.zel.TimerId;
        f.zel.settings.PollDelay = 9; // outside the list: 10 s
        QVERIFY(f.start());
        QVERIFY(f.repo->calls("Open") == 1 && f.zel.TimerId == id);
        QCOMPARE(f.timers.running.value(id).periodMs, 10000);
    }

    // An empty list stops the running timer and keeps the open database; a
    // file that cannot be found is named, by its last forty characters.
    void listFailures()
    {
        EngineFixture f;
        QVERIFY(f.startWatching({"$/Web/a.txt"}));
        const quint32 id = f.zel.TimerId;
        f.zel.MonitoredFiles.RemoveAll();
        QVERIFY(!f.start());
        QVERIFY(f.shell.statusText == "ERROR: No files in list" && f.shell.look == TrayLook::Error);
        QVERIFY(!f.timers.running.contains(id) && !f.zel.SessionOpen && f.zel.Database);
        f.zel.MonitoredFiles.Add("$/Web/missing.txt", 0, 1, QDateTime());
        QVERIFY(!f.start());
        QCOMPARE(f.shell.statusText, QString("ERROR: Cannot find $/Web/missing.txt"));
        const QString fifty = "$/Web/" + QString(44, 'x'), forty = "$/" + QString(38, 'y');
        QCOMPARE(modZel::CannotFindText(fifty), "ERROR: Cannot find ../." + fifty.right(40));
        QCOMPARE(modZel::CannotFindText(forty), "ERROR: Cannot find " + forty);
    }

    void createAndOpenFailuresAreToldApart()
    {
        for (const bool failCreate : {true, false}) {
            EngineFixture f;
            f.watch("$/Web/a.txt");
            if (failCreate)
                f.repo->failOn("create");
            else
                f.zel.settings.Password = "wrong";
            QVERIFY(!f.start());
            QCOMPARE(f.shell.statusText,
                     failCreate ? "ERROR: VSS not installed." : "ERROR: Cannot open VSS database");
            QVERIFY(f.shell.look == TrayLook::Error && f.shell.mainShown == 1 &&
                    f.timers.starts == 0);
            QVERIFY(!f.zel.Database && !f.zel.SessionOpen);
        }
    }

    void failureIsTracedOnlyWithDebugOn()
    {
        // The trace log lives in the user's data folder: keep it in a temp one.
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        QStandardPaths::setTestModeEnabled(true);
        EngineFixture f;
        f.watch("$/Web/a.txt");
        f.zel.settings.Password = "wrong";
        QFile::remove(TraceLogPath());
        QVERIFY(!f.start());
        QVERIFY(!QFile::exists(TraceLogPath()));
        f.zel.settings.Debug = true;
        QVERIFY(!f.start()); // the entry's form: tst_eventlogfile
        QVERIFY(TestFiles::read(TraceLogPath()).contains(" ZelIni: Cannot open VSS database\r\n"));
        QFile::remove(TraceLogPath());
    }

    // Polls on writes run exactly while the poll timer does: armed by a
    // start, disarmed with the timer (Activate, a refused start, Exit);
    // a visible viewer or About box starts nothing and changes nothing.
    void changeTriggerFollowsTheTimer()
    {
        ManualChangeWatch watch;
        EngineFixture f;
        f.zel.setChangeWatch(&watch);
        f.watch("$/Web/a.txt");
        f.shell.eventLog = true;
        QVERIFY(!f.start());
        QVERIFY(f.shell.looks.isEmpty() && f.timers.starts == 0 && !watch.fire);
        QVERIFY(f.zel.eventListLoaded()); // the question loaded it
        f.shell.eventLog = false;
        QVERIFY(f.start() && watch.fire);
        f.zel.KillPollTimer();
        QVERIFY(!watch.fire && f.timers.running.isEmpty());
        f.zel.StartPollTimer(); // a new interval while the window is in front
        QVERIFY(watch.fire && f.zel.changeWatchArmed());
        f.zel.MonitoredFiles.RemoveAll();
        QVERIFY(!f.start());
        QVERIFY(!watch.fire && f.timers.running.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
