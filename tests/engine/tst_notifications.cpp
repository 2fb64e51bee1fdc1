#include "support/EngineFixture.h"

#include "engine/eventlog/EventList.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"

#include <QtTest>

// Tray looks, the pending message, the Reset entry and the end-of-poll steps.
class TestNotifications : public QObject
{
    Q_OBJECT

    const QString a = QStringLiteral("$/Web/a.txt");

private slots:
    // The change look stays until Reset, which shows the pending message (empty
    // after a quiet poll), or until the next session start.
    void changeLookStaysUntilResetOrRestart()
    {
        for (const int quietPolls : {0, 1, -1}) { // -1: restart
            EngineFixture f;
            f.zel.settings.ShowMessages = false;
            QVERIFY(f.startWatching({a}));
            f.repo->checkOut(a, "Dora");
            f.poll();
            if (quietPolls > 0)
                f.poll();
            QVERIFY(f.shell.look == TrayLook::Change && f.shell.reset && f.shell.beeps == 1);
            if (quietPolls < 0) {
                QVERIFY(f.start());
            } else {
                f.zel.Reset();
                QCOMPARE(f.shell.messages.value(0),
                         quietPolls ? "" : a + "\r\n has been checked out by Dora\r\n");
                QVERIFY(!f.shell.reset && f.zel.PendingMessage.isEmpty());
            }
            QCOMPARE(f.shell.look, TrayLook::Normal);
        }
    }

    void showMessagesOpensViewerWithTimerStoppedAndBusySet()
    {
        EngineFixture f;
        bool busy = false, timerRunning = true;
        f.shell.onShowEventLog = [&] {
            busy = f.zel.PollBusy;
            timerRunning = f.timers.running.contains(f.zel.TimerId);
        };
        QVERIFY(f.startWatching({a}));
        const int startsBefore = f.timers.starts;
        f.repo->checkOut(a, "Dora");
        f.poll();
        QVERIFY(f.shell.eventLogShown == 1 && busy && !timerRunning && !f.zel.PollBusy);
        QVERIFY(f.timers.running.contains(f.zel.TimerId) && f.timers.starts == startsBefore + 1);
        // The icon returned to normal at once, even with ShowIcon on.
        QVERIFY(f.shell.look == TrayLook::Normal && f.shell.looks.contains(TrayLook::Change) &&
                !f.shell.reset);
    }

    // My own change left out, a colleague's in the same poll is told in
    // full (beep, desktop note, message); a note lists eight changes and
    // counts the rest.
    void mixedPollTellsTheColleaguesChanges()
    {
        EngineFixture f;
        f.zel.settings.ShowMessages = false;
        f.zel.settings.IgnoreOwnChanges = true;
        QStringList specs;
        for (int i = 0; i <= 10; ++i)
            f.watch(specs.emplace_back(QString("$/Web/f%1.txt").arg(i, 2, 10, QChar('0'))));
        QVERIFY(f.start());
        for (const QString &spec : specs.mid(0, 10))
            f.repo->checkOut(spec, spec == specs[0] ? "me" : "Dora");
        f.poll();
        QCOMPARE(f.shell.beeps, 1);
        const QStringList note = f.shell.notes.value(0).split('\n');
        QCOMPARE(QStringList({note.value(0), note.value(1), note.value(8), note.value(9)}),
                 QStringList({"9 changes to watched files", "$/Web/f01.txt: Check Out by Dora",
                              "$/Web/f08.txt: Check Out by Dora", "and 1 more"}));
        QCOMPARE(note.size(), 10);
        QVERIFY(
            !f.zel.PendingMessage.contains(specs[0]) &&
            f.zel.PendingMessage.endsWith("$/Web/f09.txt\r\n has been checked out by Dora\r\n"));
        QVERIFY(f.shell.reset && f.shell.look == TrayLook::Change);
        // One change: its file in the summary; none without the option.
        f.repo->checkOut(specs[10], "Dora");
        f.poll();
        f.zel.settings.DesktopNotify = false;
        f.repo->undoCheckOut(specs[2], "Dora");
        f.poll();
        QCOMPARE(f.shell.notes.mid(1), QStringList({"f10.txt: Check Out by Dora\n$/Web/f10.txt"}));
    }

    // While snoozed, polls, rows, records and output go on; the beep, the
    // desktop note, the viewer, the change look and Reset are held back.
    // Resuming tells one summary through the chosen methods: with the
    // message box off, Reset shows it until the icon is reset.
    void snoozeHoldsNotificationsBackAndResumeSumsUp()
    {
        for (const bool showMessages : {true, false}) {
            EngineFixture f;
            f.zel.settings.ShowMessages = showMessages;
            QVERIFY(f.startWatching({a, "$/Web/b.txt"}));
            f.zel.SnoozeNotifications(SnoozeLength::UntilResumed);
            f.repo->checkOut(a, "Dora");
            f.repo->checkOut("$/Web/b.txt", "Alice");
            f.poll();
            f.repo->undoCheckOut(a, "Dora");
            f.poll();
            QVERIFY(f.shell.beeps + f.shell.eventLogShown + f.shell.notes.size() == 0);
            QVERIFY(!f.shell.looks.contains(TrayLook::Change) && !f.shell.reset);
            QVERIFY(f.records().size() == 3 && f.shell.records.size() == 3 &&
                    f.rows().count() == 3);
            f.poll(); // a quiet poll keeps the count
            f.zel.ResumeNotifications();
            QVERIFY(!f.zel.snooze().active && f.shell.beeps == 1);
            QCOMPARE(f.shell.notes,
                     QStringList({"3 changes while paused\n$/Web/a.txt: Check Out by Dora\n"
                                  "$/Web/b.txt: Check Out by Alice\n"
                                  "$/Web/a.txt: Check In (Undo Check Out)"}));
            QCOMPARE(f.shell.eventLogShown, showMessages ? 1 : 0);
            if (!showMessages) {
                QVERIFY(f.shell.look == TrayLook::Change && f.shell.reset);
                f.poll();
                f.zel.Reset();
                QCOMPARE(f.shell.messages, QStringList{"3 changes while paused\r\n"});
            }
        }
    }

    // A pause ends by itself at its time (looked at least once a minute, and
    // at each poll); stored, it survives a restart only while it runs.
    void snoozeEndsAtItsTimeAndSurvivesARestartUntilThen()
    {
        const QDateTime nine(QDate(2026, 12, 6), QTime(9, 0));
        EngineFixture f;
        SettingsStore store(f.dir.path());
        f.zel.setSettingsStore(&store);
        QVERIFY(f.startWatching({a}));
        f.zel.SnoozeNotifications(SnoozeLength::ThirtyMinutes);
        QCOMPARE(f.timers.running.value(f.zel.snoozeTimerId()).periodMs, 60000);
        f.repo->checkOut(a, "Dora");
        f.poll();
        QCOMPARE(store.GetSetting(kAppName, "Params", "SnoozeHeld"), "1");
        QCOMPARE(store.GetSetting(kAppName, "Params", "SnoozeUntil"),
                 nine.addSecs(1800).toUTC().toString(Qt::ISODate));
        for (const int minutes : {29, 31}) { // restarts, the pause running and ended
            EngineFixture g;
            SettingsStore again(f.dir.path());
            g.zel.setSettingsStore(&again);
            g.clock.advance(minutes * 60);
            g.zel.RestoreSnooze(ReadSnooze(again));
            QCOMPARE(g.zel.snooze().active, minutes < 30);
            QCOMPARE(ReadSnooze(again).active, minutes < 30);
            QVERIFY(g.shell.notes.isEmpty());
        }
        f.clock.advance(28 * 60 + 30);
        f.timers.fire(f.zel.snoozeTimerId());
        QVERIFY(f.zel.snooze().active);
        QCOMPARE(f.timers.running.value(f.zel.snoozeTimerId()).periodMs, 30000);
        f.zel.ModalOpen = true; // the summary waits for the dialog
        f.clock.advance(30);
        f.timers.fire(f.zel.snoozeTimerId());
        QVERIFY(f.zel.snooze().active);
        f.zel.ModalOpen = false;
        f.timers.fire(f.zel.snoozeTimerId());
        QVERIFY(!f.zel.snooze().active && !f.timers.running.contains(f.zel.snoozeTimerId()));
        QCOMPARE(f.shell.notes.value(0), "1 change while paused\n$/Web/a.txt: Check Out by Dora");
        QCOMPARE(store.GetSetting(kAppName, "Params", "SnoozeUntil", "<none>"), "<none>");
        // A poll after the end resumes too, before it tells its own changes.
        f.zel.SnoozeNotifications(SnoozeLength::OneHour);
        f.clock.advance(3600);
        f.repo->undoCheckOut(a, "Dora");
        f.timers.fire(f.zel.TimerId);
        QVERIFY(!f.zel.snooze().active && f.shell.notes.size() == 2);
        QVERIFY(f.shell.notes[1].startsWith("a.txt: Check In (Undo Check Out)"));
    }
};

QTEST_GUILESS_MAIN(TestNotifications)
#include "tst_notifications.moc"
