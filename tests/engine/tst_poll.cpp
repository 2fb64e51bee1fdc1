#include "support/EngineFixture.h"

#include "engine/settings/SettingsStore.h"
#include "engine/eventlog/EventList.h"

#include <QtTest>

// The poll cycle: rules A, B and C, their gates, the amendment of the newest
// row, failures, and what a poll stores.
class TestPoll : public QObject
{
    Q_OBJECT

    const QString a = QStringLiteral("$/Web/a.txt");
    const QString b = QStringLiteral("$/Web/b.txt");

    static QList<QByteArray> records(EngineFixture &f)
    {
        QList<QByteArray> lines = f.logBytes().split('\n');
        QList<QByteArray> result;
        for (QByteArray &line : lines)
            if (!line.isEmpty())
                result << line.chopped(line.endsWith('\r') ? 1 : 0);
        return result;
    }
    static QByteArray actionOf(const QByteArray &record) { return record.split('\t').value(3); }

private slots:
    void checkOutAddsRowRecordMessageAndStatus()
    {
        EngineFixture f;
        f.zel.settings.ShowMessages = false;
        QVERIFY(f.startWatching({a}));
        f.repo->checkOut(a, "Dora");
        f.poll();

        EventList &list = f.zel.lvTrace();
        QCOMPARE(list.count(), 1);
        const EventRow &row = list.lastRow();
        QCOMPARE(row.text, QString("Check Out"));
        QCOMPARE(row.user, QString("Dora"));
        QCOMPARE(row.object, a);
        QCOMPARE(row.date, f.clock.now().toString("yyyy-MM-dd"));
        QCOMPARE(row.time, f.clock.now().toString("hh:mm:ss"));
        QVERIFY(row.key.endsWith(a));
        const QByteArray expected =
            (row.date + "\t" + row.time + "\t" + a + "\tCheck Out").toUtf8();
        QCOMPARE(records(f), QList<QByteArray>{expected});
        QCOMPARE(f.zel.PendingMessage, a + "\r\n has been checked out by Dora\r\n");
        QCOMPARE(f.zel.MonitoredFiles.Item(1)->Status(), qint16(1));
        QCOMPARE(f.shell.look, TrayLook::Change);
        QVERIFY(f.shell.reset);
        QCOMPARE(f.shell.refreshes, 1);

        // Nothing changed: the next poll reports nothing and clears the message.
        f.poll();
        QCOMPARE(list.count(), 1);
        QVERIFY(f.zel.PendingMessage.isEmpty());
        QCOMPARE(f.shell.refreshes, 1);
    }

    void undoThenCheckInAmendsTheNewestRow()
    {
        EngineFixture f;
        f.zel.settings.ShowMessages = false;
        QVERIFY(f.startWatching({a}));
        f.repo->checkOut(a, "Dora");
        f.poll();
        f.repo->undoCheckOut(a, "Dora");
        f.poll();
        EventList &list = f.zel.lvTrace();
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.lastRow().text, QString("Check In (Undo Check Out)"));
        QCOMPARE(f.zel.PendingMessage, a + "\r\nhas been checked in!\r\n");
        QCOMPARE(f.zel.MonitoredFiles.Item(1)->Status(), qint16(0));

        // A real check-in shows up one poll later as a newer version.
        const QString rowDate = list.lastRow().date, rowTime = list.lastRow().time;
        f.repo->checkIn(a, "Dora", f.clock.now());
        f.poll();
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.lastRow().text, QString("check in"));
        QCOMPARE(list.lastRow().date, rowDate);
        QCOMPARE(list.lastRow().time, rowTime);
        QVERIFY(list.lastRow().key.startsWith(DateToSettingForTest(f.clock.now())));
        const auto recs = records(f);
        QCOMPARE(recs.size(), 2);
        QCOMPARE(actionOf(recs[1]), QByteArray("check in"));
        QCOMPARE(actionOf(recs[0]), QByteArray("Check Out"));
    }

    void checkOutAndInWithinOnePeriodIsOneCheckIn()
    {
        EngineFixture f;
        QVERIFY(f.startWatching({a, b}));
        f.repo->checkOut(a, "Dora");
        f.repo->checkIn(a, "Dora", f.clock.now().addSecs(30));
        f.poll();
        EventList &list = f.zel.lvTrace();
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.lastRow().text, QString("Check In"));
        QCOMPARE(f.zel.MonitoredFiles.Item(1)->DateIn(), f.clock.now().addSecs(-30));
        QCOMPARE(actionOf(records(f).value(0)), QByteArray("Check In"));
    }

    void checkInKeepingTheCheckOutAmendsTheCheckOutRow()
    {
        EngineFixture f;
        QVERIFY(f.startWatching({a}));
        f.repo->checkOut(a, "Dora");
        f.poll();
        f.repo->checkIn(a, "Dora", f.clock.now(), /*keepCheckedOut=*/true);
        f.poll();
        EventList &list = f.zel.lvTrace();
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.lastRow().text, QString("check in"));
        QCOMPARE(actionOf(records(f).value(0)), QByteArray("check in"));
        QCOMPARE(records(f).size(), 1);
    }

    void onlyTheFilesOwnRowIsAmended()
    {
        // The newest row belongs to a file whose spec merely contains ours.
        EngineFixture f;
        const QString longer = a + ".bak";
        QVERIFY(f.startWatching({a, longer}));
        f.repo->checkOut(longer, "Dora");
        f.poll();
        f.repo->checkIn(a, "Dora", f.clock.now());
        f.poll();
        EventList &list = f.zel.lvTrace();
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.row(0).text, QString("Check Out"));
        QCOMPARE(list.row(1).text, QString("Check In"));
        const auto recs = records(f);
        QCOMPARE(actionOf(recs.value(0)), QByteArray("Check Out"));
        QCOMPARE(actionOf(recs.value(1)), QByteArray("Check In"));
    }

    void amendmentNeverRewritesAnotherFilesRecord()
    {
        // Sorted by object descending, a's row is the newest displayed one
        // while the log's last record is b's.
        EngineFixture f;
        QVERIFY(f.startWatching({a, b}));
        f.repo->checkOut(a, "Dora");
        f.poll();
        f.repo->checkOut(b, "Dora");
        f.poll();
        f.zel.lvTrace().sort(EventList::ObjectColumn, Qt::DescendingOrder);
        QCOMPARE(f.zel.lvTrace().lastRow().object, a);
        f.repo->checkIn(a, "Dora", f.clock.now(), true);
        f.poll();
        QCOMPARE(f.zel.lvTrace().lastRow().text, QString("check in"));
        const auto recs = records(f);
        QCOMPARE(recs.size(), 3);
        QCOMPARE(actionOf(recs[1]), QByteArray("Check Out"));
        QVERIFY(recs[2].endsWith((a + "\tCheck In").toUtf8()));
    }

    void neverRecordedStates()
    {
        EngineFixture f;
        f.repo->addFile(a, "other", f.clock.now().addDays(-1));
        f.repo->addFile(b, "other", f.clock.now().addDays(-1));
        f.repo->checkOut(b, "Dora");
        const QDateTime never(QDate(1900, 1, 1), QTime(0, 0));
        f.zel.MonitoredFiles.Add(a, -1, 0, f.clock.now().addDays(-1));
        f.zel.MonitoredFiles.Add(b, -1, 0, f.clock.now().addDays(-1));
        QVERIFY(f.start());
        f.poll();
        // -1 and free: rule C once; -1 and checked out: nothing, ever.
        QCOMPARE(f.zel.lvTrace().count(), 1);
        QCOMPARE(f.zel.lvTrace().lastRow().object, a);
        QCOMPARE(f.zel.MonitoredFiles.Item(2)->Status(), qint16(-1));
        f.poll();
        QCOMPARE(f.zel.lvTrace().count(), 1);

        // A stored 1900-01-01 date: rule A on the first poll.
        f.zel.MonitoredFiles.Item(1)->setDateIn(never);
        f.poll();
        QCOMPARE(f.zel.lvTrace().count(), 1);
        QCOMPARE(f.zel.lvTrace().lastRow().text, QString("check in"));
        QCOMPARE(f.zel.MonitoredFiles.Item(1)->DateIn(), f.clock.now().addDays(-1).addSecs(-180));
    }

    void changeBetweenUsersOneAndTwoIsNotReported()
    {
        EngineFixture f;
        QVERIFY(f.startWatching({a}));
        f.repo->checkOut(a, "Dora");
        f.poll();
        QCOMPARE(f.zel.MonitoredFiles.Item(1)->Status(), qint16(1));
        f.repo->undoCheckOut(a, "Dora");
        f.repo->checkOut(a, "me"); // now the logged-in user: 2
        f.poll();
        QCOMPARE(f.zel.lvTrace().count(), 1);
        QCOMPARE(f.zel.MonitoredFiles.Item(1)->Status(), qint16(1));
        QVERIFY(!f.zel.EventsFound);
    }

    void deletedFileEndsThePollAndHidesLaterFiles()
    {
        EngineFixture f;
        QVERIFY(f.startWatching({a, b}));
        f.repo->remove(a);
        f.repo->checkOut(b, "Dora");
        f.repo->resetCalls();
        f.poll();
        QCOMPARE(f.shell.statusText, QString("ERROR: Cannot find ") + a);
        QCOMPARE(f.repo->calls("VSSItem"), 1);
        QCOMPARE(f.zel.lvTrace().count(), 0);
        QCOMPARE(f.zel.MonitoredFiles.Item(2)->Status(), qint16(0));
        QCOMPARE(f.shell.refreshes, 0);
    }

    void unreadableValueSkipsOnlyThatFile()
    {
        EngineFixture f;
        QVERIFY(f.startWatching({a, b}));
        f.repo->checkOut(a, "Dora");
        f.repo->checkOut(b, "Dora");
        f.repo->failOn("Checkouts", a);
        f.poll();
        // a: its user could not be read, so nothing fires and nothing is stored.
        QCOMPARE(f.zel.MonitoredFiles.Item(1)->Status(), qint16(0));
        QCOMPARE(f.zel.MonitoredFiles.Item(2)->Status(), qint16(1));
        QCOMPARE(f.zel.lvTrace().count(), 1);
        f.repo->clearFailures();
        f.repo->failOn("Versions", b);
        f.poll(); // a is reported late, never falsely; b's history is unreadable
        QCOMPARE(f.zel.lvTrace().count(), 2);
        QCOMPARE(f.zel.MonitoredFiles.Item(1)->Status(), qint16(1));
    }

    void checkInDuringTheReadsIsReportedOnce()
    {
        // The check-in lands after the check-out state was read and before
        // the history is: the file is skipped, then reported once.
        EngineFixture f;
        f.zel.settings.ShowMessages = false;
        QVERIFY(f.startWatching({a}));
        f.repo->checkOut(a, "Dora");
        f.poll();
        f.repo->onNextCall("Versions", [&] { f.repo->checkIn(a, "Dora", f.clock.now()); });
        f.poll();
        QCOMPARE(f.zel.lvTrace().count(), 1);
        QCOMPARE(f.zel.lvTrace().lastRow().text, QString("Check Out"));
        QCOMPARE(f.zel.MonitoredFiles.Item(1)->Status(), qint16(1));
        f.poll(); // rule C
        f.poll(); // rule A amends it
        QCOMPARE(f.zel.lvTrace().count(), 2);
        QCOMPARE(f.zel.lvTrace().lastRow().text, QString("check in"));
        f.poll();
        QCOMPARE(records(f).size(), 2);
    }

    void labelSharingTheVersionNumberIsOneEvent()
    {
        EngineFixture f;
        QVERIFY(f.startWatching({a}));
        const QDateTime t = f.clock.now();
        f.repo->checkIn(a, "Dora", t.addSecs(10));
        f.repo->label(a, "Release", t.addSecs(20));
        f.poll();
        QCOMPARE(f.zel.lvTrace().count(), 1);
        QCOMPARE(f.zel.MonitoredFiles.Item(1)->DateIn(), t.addSecs(20));
        f.poll();
        QCOMPARE(f.zel.lvTrace().count(), 1);
    }

    void gatesOffStillUpdateAndStore()
    {
        EngineFixture f;
        SettingsStore store(f.dir.path());
        f.zel.setSettingsStore(&store);
        ZelSettings &s = f.zel.settings;
        s.NotifyIn = s.NotifyOut = s.ShowIcon = s.ShowMessages = s.PlaySound = false;
        QVERIFY(f.startWatching({a, b}));
        f.repo->checkOut(a, "Dora");
        f.repo->checkIn(b, "Dora", f.clock.now());
        f.poll();
        QCOMPARE(f.zel.lvTrace().count(), 0);
        QVERIFY(f.logBytes().isEmpty());
        QVERIFY(f.zel.PendingMessage.isEmpty());
        QVERIFY(!f.shell.reset);
        QCOMPARE(f.shell.look, TrayLook::Normal);
        QCOMPARE(f.shell.beeps, 0);
        QCOMPARE(f.shell.eventLogShown, 0);
        QCOMPARE(f.zel.MonitoredFiles.Item(1)->Status(), qint16(1));
        QCOMPARE(f.shell.refreshes, 1);
        QCOMPARE(store.GetSetting("Quorvik", "Params", "FilesCount"), QString("2"));
        QVERIFY(store.GetSetting("Quorvik", "Files", "1").startsWith("1;"));
        QVERIFY(store.GetSetting("Quorvik", "Files", "2").endsWith(";" + b));
    }

    void refreshIgnoresBusyAndVisibilityTimerDoesNot()
    {
        EngineFixture f;
        QVERIFY(f.startWatching({a}));
        f.repo->checkOut(a, "Dora");
        f.shell.mainVisible = true;
        f.timers.fire(f.zel.TimerId);
        f.zel.PollBusy = true;
        f.shell.mainVisible = false;
        f.timers.fire(f.zel.TimerId);
        QCOMPARE(f.zel.lvTrace().count(), 0);
        QCOMPARE(f.shell.processed, 0);
        f.zel.CheckFiles(); // the viewer's Refresh
        QCOMPARE(f.zel.lvTrace().count(), 1);
        f.zel.PollBusy = false;
        f.repo->undoCheckOut(a, "Dora");
        f.timers.fire(f.zel.TimerId);
        QCOMPARE(f.shell.processed, 1);
        QCOMPARE(f.zel.lvTrace().count(), 2);
    }

    void noSessionNoPoll()
    {
        EngineFixture f;
        f.watch(a);
        f.zel.PendingMessage = "old";
        f.zel.CheckFiles();
        QVERIFY(f.zel.PendingMessage.isEmpty());
        QVERIFY(f.start());
        f.zel.SessionOpen = false;
        f.repo->checkOut(a, "Dora");
        f.zel.CheckFiles();
        QCOMPARE(f.zel.MonitoredFiles.Item(1)->Status(), qint16(0));
    }

private:
    static QString DateToSettingForTest(const QDateTime &t);
};

#include "engine/settings/Settings.h"
QString TestPoll::DateToSettingForTest(const QDateTime &t)
{
    return DateToSetting(t);
}

QTEST_GUILESS_MAIN(TestPoll)
#include "tst_poll.moc"
