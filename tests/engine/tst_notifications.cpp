#include "support/EngineFixture.h"

#include "engine/eventlog/EventList.h"

#include <QtTest>

// Tray looks, the pending message, the Reset entry and the end-of-poll steps.
class TestNotifications : public QObject
{
    Q_OBJECT

    const QString a = QStringLiteral("$/Web/a.txt");

    // Remembers the engine's state at the moment the viewer is shown.
    struct ViewerProbe : FakeShell
    {
        modZel *zel = nullptr;
        ManualTimers *timers = nullptr;
        bool busyWhileShown = false;
        bool timerRunningWhileShown = true;
        void showEventLog() override
        {
            FakeShell::showEventLog();
            busyWhileShown = zel->PollBusy;
            timerRunningWhileShown = timers->running.contains(zel->TimerId);
        }
    };

private slots:
    void changeLookStaysUntilReset()
    {
        EngineFixture f;
        f.zel.settings.ShowMessages = false;
        QVERIFY(f.startWatching({a}));
        f.repo->checkOut(a, "Dora");
        f.poll();
        QCOMPARE(f.shell.look, TrayLook::Change);
        QVERIFY(f.shell.reset);
        QCOMPARE(f.shell.beeps, 1);
        f.zel.Reset();
        QCOMPARE(f.shell.messages, QStringList{a + "\r\n has been checked out by Dora\r\n"});
        QCOMPARE(f.shell.look, TrayLook::Normal);
        QVERIFY(!f.shell.reset);
        QVERIFY(f.zel.PendingMessage.isEmpty());
    }

    void resetAfterAQuietPollShowsAnEmptyMessage()
    {
        EngineFixture f;
        f.zel.settings.ShowMessages = false;
        QVERIFY(f.startWatching({a}));
        f.repo->checkOut(a, "Dora");
        f.poll();
        f.poll(); // nothing new: the message is cleared, the look stays
        QCOMPARE(f.shell.look, TrayLook::Change);
        f.zel.Reset();
        QCOMPARE(f.shell.messages, QStringList{QString()});
        QCOMPARE(f.shell.look, TrayLook::Normal);
    }

    void sessionStartRestoresTheNormalLook()
    {
        EngineFixture f;
        f.zel.settings.ShowMessages = false;
        QVERIFY(f.startWatching({a}));
        f.repo->checkOut(a, "Dora");
        f.poll();
        QVERIFY(f.start());
        QCOMPARE(f.shell.look, TrayLook::Normal);
    }

    void resetIsIgnoredWhileModalAndSilentWhileBusy()
    {
        EngineFixture f;
        f.zel.PendingMessage = "x";
        f.shell.reset = true;
        f.zel.ModalOpen = true;
        f.zel.Reset();
        QVERIFY(f.shell.reset);
        QCOMPARE(f.zel.PendingMessage, QString("x"));
        f.zel.ModalOpen = false;
        f.zel.PollBusy = true;
        f.zel.Reset();
        QVERIFY(f.shell.messages.isEmpty());
        QVERIFY(!f.shell.reset);
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
                 QStringList({"a.txt: Check Out by Dora\n$/Web/a.txt: Check Out by Dora",
                              "2 changes to watched files\n"
                              "$/Web/a.txt: Check In (Undo Check Out)\n$/Web/b.txt: Check In"}));
    }

    void showMessagesOpensViewerWithTimerStoppedAndBusySet()
    {
        EngineFixture f;
        ViewerProbe shell;
        modZel zel(shell, f.timers, f.clock, f.repo->factory());
        shell.zel = &zel;
        shell.timers = &f.timers;
        zel.settings = f.zel.settings;
        zel.eventLog.EventLogPath = f.zel.eventLog.EventLogPath;
        f.repo->addFile(a, "other", f.clock.now().addDays(-1));
        zel.MonitoredFiles.Add(a, 0, 1, f.clock.now().addDays(-1));
        QVERIFY(zel.ZelIni());
        const int startsBefore = f.timers.starts;
        f.repo->checkOut(a, "Dora");
        f.clock.advance(60);
        f.timers.fire(zel.TimerId);
        QCOMPARE(shell.eventLogShown, 1);
        QVERIFY(shell.busyWhileShown);
        QVERIFY(!shell.timerRunningWhileShown);
        QVERIFY(!zel.PollBusy);
        QVERIFY(f.timers.running.contains(zel.TimerId));
        QCOMPARE(f.timers.starts, startsBefore + 1);
        // The icon returned to normal at once, even with ShowIcon on.
        QCOMPARE(shell.look, TrayLook::Normal);
        QVERIFY(shell.looks.contains(TrayLook::Change));
        QVERIFY(!shell.reset);
        QCOMPARE(zel.lvTrace().count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestNotifications)
#include "tst_notifications.moc"
