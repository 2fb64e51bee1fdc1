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
        for (const QString &spec : specs)
            f.repo->checkOut(spec, spec == specs[0] ? "me" : "Dora");
        f.poll();
        QCOMPARE(f.shell.beeps, 1);
        const QStringList note = f.shell.notes.value(0).split('\n');
        QCOMPARE(QStringList({note.value(0), note.value(1), note.value(8), note.value(9)}),
                 QStringList({"10 changes to watched files", "$/Web/f01.txt: Check Out by Dora",
                              "$/Web/f08.txt: Check Out by Dora", "and 2 more"}));
        QCOMPARE(note.size(), 10);
        QVERIFY(
            !f.zel.PendingMessage.contains(specs[0]) &&
            f.zel.PendingMessage.endsWith("$/Web/f10.txt\r\n has been checked out by Dora\r\n"));
        QVERIFY(f.shell.reset && f.shell.look == TrayLook::Change);
        // One change: its file in the summary; none without the option.
        f.repo->undoCheckOut(specs[1], "Dora");
        f.poll();
        f.zel.settings.DesktopNotify = false;
        f.repo->undoCheckOut(specs[2], "Dora");
        f.poll();
        QCOMPARE(f.shell.notes.mid(1),
                 QStringList({"f01.txt: Check In (Undo Check Out)\n$/Web/f01.txt"}));
    }
};

QTEST_GUILESS_MAIN(TestNotifications)
#include "tst_notifications.moc"
