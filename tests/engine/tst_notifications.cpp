#include "support/EngineFixture.h"

#include "engine/eventlog/EventList.h"

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

    void resetIsIgnoredWhileModalAndSilentWhileBusy()
    {
        EngineFixture f;
        f.zel.PendingMessage = "x";
        f.shell.reset = true;
        f.zel.ModalOpen = true;
        f.zel.Reset();
        QVERIFY(f.shell.reset && f.zel.PendingMessage == "x");
        f.zel.ModalOpen = false;
        f.zel.PollBusy = true;
        f.zel.Reset();
        QVERIFY(f.shell.messages.isEmpty() && !f.shell.reset);
    }

    void desktopNotificationPerPollNamesFileActionAndUser()
    {
        const QString b = QStringLiteral("$/Web/b.txt");
        EngineFixture f;
        f.zel.settings.ShowMessages = false;
        QVERIFY(f.startWatching({a, b}));
        f.repo->checkOut(a, "Dora");
        f.poll();
        f.repo->undoCheckOut(a, "Dora");
        f.repo->checkIn(b, "Eve", f.clock.now());
        f.poll();
        f.zel.settings.NotifyOut = false; // an unannounced change: none
        f.repo->checkOut(a, "Dora");
        f.poll();
        f.zel.settings.DesktopNotify = false;
        f.repo->checkIn(b, "Eve", f.clock.now());
        f.poll();
        QCOMPARE(f.shell.notes,
                 QStringList({"a.txt: Check Out by Dora\n$/Web/a.txt",
                              "2 changes to watched files\n"
                              "$/Web/a.txt: Check In (Undo Check Out)\n$/Web/b.txt: Check In"}));
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
};

QTEST_GUILESS_MAIN(TestNotifications)
#include "tst_notifications.moc"
