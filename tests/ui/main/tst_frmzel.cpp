// The main window: start-up, settings controls, hide and watch, choosing a
// database, closing and exit.
#include "FrmZelHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class tst_frmZel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FrmZelHarness::isolateFromUser(); }

    void captionsAndIntervals()
    {
        FrmZelHarness h;
        frmZel &f = h.build();
        QCOMPARE(f.windowTitle(), QStringLiteral("Quorvik"));
        const QStringList captions = {
            f.Frame1->title(),   f.Label2[0]->text(), f.Label2[1]->text(), f.Label2[2]->text(),
            f.cmdLogin->text(),  f.Check1->text(),    f.Check2->text(),    f.Frame2->title(),
            f.Check3->text(),    f.Check4->text(),    f.Check7->text(),    f.Frame3->title(),
            f.Check5->text(),    f.Check6->text(),    f.Label3->text(),    f.Label1->text(),
            f.cmdAdd->text(),    f.cmdRemove->text(), f.cmOk->text(),      f.Command1->text(),
            f.chkStartUp->text()};
        QCOMPARE(captions.join('|'),
                 QStringLiteral("VSS connection settings|Database |User &Name|Pass&word|Select "
                                "&Database...|Remember &Last logged database|Remember last logged "
                                "&User|Notification method|Show Icon on &Taskbar|Display Message "
                                "&Box |Play a &Sound|Notify on|Check &In|Check &Out|&Polling "
                                "Interval|Monitored &Files|+|-|Hide && &Watch|E&xit|&Run Quorvik "
                                "at System Startup"));
        // The later boxes' access keys, c and m, collide with no other caption's.
        QString keys;
        auto key = [](QString t) { return t.remove("&&").section('&', 1, 1).left(1).toLower(); };
        for (const QAbstractButton *b : f.findChildren<QAbstractButton *>())
            keys += key(b->text());
        for (const QLabel *l : f.findChildren<QLabel *>())
            keys += key(l->text());
        QCOMPARE(f.chkDesktop->text() + '|' + f.chkIgnoreOwn->text(),
                 QStringLiteral("Desktop Notifi&cation|Ignore &my own changes"));
        QVERIFY(keys.count('c') == 1 && keys.count('m') == 1);
        QCOMPARE(frmZel::IntervalTexts(), QStringList({"10 sec", "30 sec", "1  min", "3  min",
                                                       "5  min", "10 min", "30 min", "60 min"}));
        QCOMPARE(f.txtPwd->echoMode(), QLineEdit::Password);
    }

    void firstRunShowsErrorWithDefaultsAndTheBoxesSetTheirFlags()
    {
        FrmZelHarness h;
        frmZel &f = h.build();
        QVERIFY(f.Load());
        QCOMPARE(f.trayLook(), TrayLook::Error);
        QVERIFY(f.status().startsWith(QLatin1String("ERROR: ")));
        for (QCheckBox *box : {f.Check1, f.Check2, f.Check3, f.Check4, f.Check5, f.Check6, f.Check7,
                               f.chkStartUp, f.chkDesktop})
            QVERIFY2(box->isChecked(), qPrintable(box->text()));
        QVERIFY(!f.chkIgnoreOwn->isChecked());
        QVERIFY(f.Check3->isEnabled() && f.Check4->isEnabled());
        QCOMPARE(f.cmbEvery->currentText(), QStringLiteral("3  min"));
        QVERIFY(!f.resetEnabled());
        QVERIFY(f.trayIcon());
        // The start-up box was set, so the start at logon was written.
        QCOMPARE(h.runCalls.size(), 1);
        QCOMPARE(h.runCalls[0].name, QStringLiteral("Quorvik"));
        QCOMPARE(h.runCalls[0].path, h.dir.filePath(QStringLiteral("quorvik")));
        QVERIFY(h.runCalls[0].flag);
        // The event log lives beside the program when that folder is writable.
        QCOMPARE(f.zel().eventLog.EventLogPath,
                 QDir::toNativeSeparators(h.dir.filePath(QStringLiteral("QVEvent.txt"))));

        ZelSettings &s = f.zel().settings;

        // At least one notification method stays on: of the icon and the
        // message box, and with the desktop notification of the three.
        f.chkDesktop->setChecked(false);
        QVERIFY(!s.DesktopNotify);
        f.Check3->setChecked(false);
        QVERIFY(!s.ShowIcon);
        QVERIFY(!f.Check4->isEnabled());
        f.Check3->setChecked(true);
        QVERIFY(f.Check4->isEnabled());
        f.Check4->setChecked(false);
        QVERIFY(!s.ShowMessages);
        QVERIFY(!f.Check3->isEnabled());
        f.Check4->setChecked(true);
        QVERIFY(f.Check3->isEnabled());
        f.chkDesktop->setChecked(true);
        f.Check3->setChecked(false);
        f.Check4->setChecked(false);
        QVERIFY(!f.chkDesktop->isEnabled() && f.Check3->isEnabled());
        f.Check4->setChecked(true);
        QVERIFY(f.chkDesktop->isEnabled());
        f.Check3->setChecked(true);

        // The plain boxes set their flag only.
        const std::pair<QCheckBox *, bool ZelSettings::*> plain[] = {
            {f.Check1, &ZelSettings::UseLastDB}, {f.Check2, &ZelSettings::UseLastUser},
            {f.Check5, &ZelSettings::NotifyIn},  {f.Check6, &ZelSettings::NotifyOut},
            {f.Check7, &ZelSettings::PlaySound}, {f.chkIgnoreOwn, &ZelSettings::IgnoreOwnChanges}};
        for (const auto &[box, flag] : plain) {
            box->setChecked(false);
            QVERIFY2(!(s.*flag), qPrintable(box->text()));
            box->setChecked(true);
            QVERIFY2(s.*flag, qPrintable(box->text()));
        }

        // The start-up box writes or removes the start at logon at once,
        // without saving the settings.
        const QString storedBefore = h.storedParam("StartUp");
        f.chkStartUp->setChecked(false);
        QVERIFY(!s.StartUp);
        QCOMPARE(h.runCalls.size(), 2);
        QVERIFY(!h.runCalls.last().flag);
        QCOMPARE(h.storedParam("StartUp"), storedBefore);
    }

    void startUpWithStoredSettingsWatches()
    {
        FrmZelHarness h;
        h.storeUser({"$/Web/a.htm", "$/Web/b.htm"});
        h.param("PollDelay", "0");
        h.param("StartUp", "False");
        frmZel &f = h.build();
        QVERIFY(f.Load());
        QCOMPARE(f.lst->item(1)->text(), QStringLiteral("$/Web/b.htm"));
        QCOMPARE(f.status(), QStringLiteral("Files in the list: 2"));
        QCOMPARE(f.trayLook(), TrayLook::Normal);
        QCOMPARE(f.txtDatabase->text(), h.iniPath());
        QCOMPARE(f.txtUser->text(), QStringLiteral("me"));
        QCOMPARE(f.txtPwd->text(), QStringLiteral("pw"));
        QCOMPARE(f.cmbEvery->currentIndex(), 0);
        QVERIFY(h.timerRunning());
        QCOMPARE(h.timerPeriod(), 10000);
        QVERIFY(!f.chkStartUp->isChecked());
        QVERIFY(h.runCalls.isEmpty()); // the box did not change, so nothing ran

        // The text fields.
        QVERIFY(f.zel().Database);

        f.txtDatabase->setText(QStringLiteral("/elsewhere/srcsafe.ini"));
        QCOMPARE(f.txtDatabase->text(), h.iniPath());
        QVERIFY(f.zel().Database); // the database field does not drop the session

        f.txtUser->setText(QStringLiteral("you"));
        QCOMPARE(f.zel().settings.Username, QStringLiteral("you"));
        QVERIFY(!f.zel().Database);

        f.zel().OpenDatabase(false);
        f.txtPwd->setText(QStringLiteral("secret"));
        QCOMPARE(f.zel().settings.Password, QStringLiteral("secret"));
        QVERIFY(!f.zel().Database);
    }

    void secondInstanceEndsSilently()
    {
        FrmZelHarness h;
        h.storeUser({"$/Web/a.htm"});
        h.otherInstance = true;
        frmZel &f = h.build();
        QVERIFY(!f.Load());
        QVERIFY(!f.trayIcon());
        QCOMPARE(f.lst->count(), 0);
        QVERIFY(f.txtUser->text().isEmpty());
        QVERIFY(h.runCalls.isEmpty());
    }

    void storedNotificationMethodSetsTheBoxes_data()
    {
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("iconEnabled");
        QTest::addColumn<bool>("boxEnabled");
        QTest::newRow("both on") << QString("True") << QString("True") << true << true;
        QTest::newRow("icon only") << QString("True") << QString("False") << false << true;
        QTest::newRow("box only") << QString("False") << QString("True") << true << false;
        QTest::newRow("both off") << QString("False") << QString("False") << true << true;
    }
    void storedNotificationMethodSetsTheBoxes()
    {
        QFETCH(QString, icon);
        QFETCH(QString, box);
        QFETCH(bool, iconEnabled);
        QFETCH(bool, boxEnabled);
        FrmZelHarness h;
        h.param("ShowIcon", icon);
        h.param("ShowMessages", box);
        frmZel &f = h.build();
        f.Load();
        QCOMPARE(f.Check3->isChecked(), icon == "True");
        QCOMPARE(f.Check4->isChecked(), box == "True");
        QCOMPARE(f.Check3->isEnabled(), iconEnabled);
        QCOMPARE(f.Check4->isEnabled(), boxEnabled);
    }

    void hideAndWatchWithBadCredentialsHidesWithAnError()
    {
        FrmZelHarness h;
        frmZel &f = h.start({"$/Web/a.htm"});
        QVERIFY(h.timerRunning());
        f.txtUser->clear();
        f.cmOk_Click();
        QCOMPARE(f.status(), QStringLiteral("ERROR: Invalid VSS credentials"));
        QVERIFY(!h.timerRunning());
        QCOMPARE(f.trayLook(), TrayLook::Error);
        QCOMPARE(f.trayIcon()->toolTip(), "Quorvik\nERROR: Invalid VSS credentials");
        QVERIFY(!f.isVisible());
        QCOMPARE(h.storedParam("Username"), QString()); // saved before the check

        f.showMainWindow();
        f.txtUser->setText(QStringLiteral("me"));
        f.txtPwd->setText(QStringLiteral("wrong"));
        // "Pass&word" shares Alt+W with the button: the button takes it.
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QTest::keyClick(&f, Qt::Key_W, Qt::AltModifier);
        QCOMPARE(f.status(), QStringLiteral("ERROR: Cannot open VSS database"));
        QVERIFY(!f.isVisible()); // hidden in every case
        QVERIFY(!f.zel().SessionOpen);
    }

    void hideAndWatchTakesTheNewInterval()
    {
        FrmZelHarness h;
        frmZel &f = h.start({"$/Web/a.htm"});
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.cmbEvery->setFocus();
        f.cmbEvery->setCurrentIndex(7); // selected, focus not yet left
        QCOMPARE(f.zel().settings.PollDelay, 3);
        QTest::keyClick(f.cmbEvery, Qt::Key_Return); // the default button
        QCOMPARE(f.status(), QString());
        QVERIFY(!f.isVisible());
        QVERIFY(f.zel().SessionOpen);
        QCOMPARE(h.timerPeriod(), 3600 * 1000);
        QCOMPARE(h.storedParam("PollDelay"), QStringLiteral("7"));

        // Hidden: the timer polls.
        h.repo->checkOut("$/Web/a.htm", "other");
        QVERIFY(h.timers.fire(f.zel().TimerId));
        QCOMPARE(f.zel().MonitoredFiles.Item(1)->Status(), 1);
    }

    void lateActivationOfTheHiddenWindowKeepsWatching()
    {
        // The window system may report the main window active once more
        // after "Hide && Watch" hid it: that is no Activate.
        FrmZelHarness h;
        frmZel &f = h.start({"$/Web/a.htm"});
        f.cmOk_Click();
        QVERIFY(h.timerRunning());
        QApplication::setActiveWindow(&f);
        QTest::qWait(20);
        QVERIFY(h.timerRunning());
    }

    void activateStopsPollingDeactivateAndANewIntervalRestart()
    {
        FrmZelHarness h;
        frmZel &f = h.start({"$/Web/a.htm", "$/Web/b.htm"});
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QTRY_VERIFY(!h.timerRunning());
        QCOMPARE(f.lst->currentItem(), f.lst->item(0));
        QVERIFY(f.lst->item(0)->isSelected());

        // Another window of the program becomes active: the session restarts.
        QWidget viewer;
        viewer.setObjectName(QStringLiteral("frmLog"));
        viewer.show();
        viewer.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&viewer));
        QTRY_VERIFY(h.timerRunning());

        // Back to the main window: stopped again.
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QTRY_VERIFY(!h.timerRunning());

        // A new interval takes effect when the focus leaves its box.
        f.cmbEvery->setFocus();
        f.cmbEvery->setCurrentIndex(1);
        QVERIFY(!h.timerRunning());
        f.txtUser->setFocus();
        QCOMPARE(f.zel().settings.PollDelay, 1);
        QVERIFY(h.timerRunning());
        QCOMPARE(h.timerPeriod(), 30000);
        QCOMPARE(h.storedParam("PollDelay"), QString()); // persisted by the next save only

        // Hidden by its close box, the window runs no validation.
        f.cmbEvery->setFocus();
        f.cmbEvery->setCurrentIndex(5);
        f.close();
        QCOMPARE(f.zel().settings.PollDelay, 1);
        QCOMPARE(h.timerPeriod(), 30000);
    }

    void selectDatabaseAsksThenClearsTheList()
    {
        FrmZelHarness h;
        frmZel &f = h.start({"$/Web/a.htm", "$/Web/b.htm"});
        f.txtUser->setText(QStringLiteral("typed")); // not saved unless the command saves
        int asked = 0;
        bool answer = false;
        QString text, fileName, filter, chosen;
        DialogHook::question = [&](QWidget *, const QString &title, const QString &q) {
            ++asked;
            text = title + '|' + q;
            return answer;
        };
        DialogHook::openFile = [&](QWidget *, const QString &, const QString &name,
                                   const QString &f) {
            fileName = name;
            filter = f;
            return chosen;
        };
        f.cmdLogin_Click(); // answered No: no file dialog
        QCOMPARE(text, QStringLiteral("Quorvik|Changing the database will clean up monitored "
                                      "file list. Proceed?"));
        QVERIFY(fileName.isNull());

        answer = true; // Yes, then the file dialog cancelled
        f.cmdLogin_Click();
        QCOMPARE(fileName, QStringLiteral("srcsafe.ini"));
        QVERIFY(filter.startsWith(QLatin1String("SourceSafe databases (srcsafe.ini)")));
        QVERIFY(filter.contains(QLatin1String("*.ini")));
        QCOMPARE(f.lst->count(), 2);
        QCOMPARE(f.zel().MonitoredFiles.Count(), 2);
        QCOMPARE(f.zel().settings.Inifile, h.iniPath());
        QCOMPARE(h.storedParam("Username"), QStringLiteral("me"));
        f.txtUser->setText(QStringLiteral("me"));
        QVERIFY(f.zel().OpenDatabase(false));

        chosen = QStringLiteral("/other/srcsafe.ini");
        f.setStatus(QStringLiteral("before"));
        f.cmdLogin_Click();
        QCOMPARE(f.status(), QStringLiteral("before")); // only the list is emptied
        QCOMPARE(f.zel().settings.Inifile, QDir::toNativeSeparators(chosen));
        QCOMPARE(f.txtDatabase->text(), QDir::toNativeSeparators(chosen));
        QCOMPARE(f.lst->count(), 0);
        QCOMPARE(f.zel().MonitoredFiles.Count(), 0);
        QVERIFY(!f.zel().Database);
        QCOMPARE(h.storedParam("Inifile"), QDir::toNativeSeparators(chosen));
        QCOMPARE(h.storedParam("FilesCount"), QStringLiteral("0"));

        // With an empty list nothing is asked.
        chosen = QStringLiteral("/db/srcsafe.ini");
        f.cmdLogin_Click();
        QCOMPARE(asked, 3);
        QCOMPARE(h.storedParam("Inifile"), QDir::toNativeSeparators(chosen));
    }

    void closeBoxHidesExitIgnoredWhileBusyThenUnloadsInOrder()
    {
        FrmZelHarness h;
        frmZel &f = h.start({"$/Web/a.htm"});
        f.txtUser->setText(QStringLiteral("typed"));
        QSignalSpy unloaded(&f, &frmZel::Unloaded);
        QVERIFY(!f.close()); // the close box only hides, saving nothing
        QVERIFY(!f.isVisible());
        QVERIFY(f.trayIcon());
        QCOMPARE(h.storedParam("Username"), QStringLiteral("me"));

        QStringList order;
        f.windows.unloadExplorer = [&] { order << "explorer"; };
        f.windows.unloadAbout = [&] { order << "about"; };
        f.windows.unloadEventLog = [&] { order << "viewer"; };
        f.windows.unloadOptions = [&] { order << "options"; };

        f.zel().PollBusy = true;
        f.Command1->click();
        QVERIFY(!f.isUnloaded());
        QVERIFY(order.isEmpty());
        QCOMPARE(unloaded.count(), 0);

        f.zel().PollBusy = false;
        f.Command1->click();
        QVERIFY(f.isUnloaded());
        QCOMPARE(unloaded.count(), 1);
        QCOMPARE(order, QStringList({"explorer", "about", "viewer", "options"}));
        QVERIFY(!f.trayIcon());
        QVERIFY(!f.zel().Database);
        QVERIFY(!h.timerRunning());
    }

    void withoutTrayHidingMinimisesAndPollingGoesOn()
    {
        FrmZelHarness h;
        h.trayAvailable = false;
        frmZel &f = h.start({"$/Web/a.htm"});
        f.txtUser->clear();
        f.cmOk_Click(); // an error stays in the status line
        QCOMPARE(f.status(), QStringLiteral("ERROR: Invalid VSS credentials"));
        QVERIFY(f.isMinimized());

        f.showMainWindow();
        f.txtUser->setText(QStringLiteral("me"));
        f.cmOk_Click();
        QVERIFY(f.isVisible());
        QVERIFY(f.isMinimized());
        QVERIFY(!f.mainWindowVisible());
        QVERIFY(f.status().contains(QLatin1String("minimised")));

        h.repo->checkOut("$/Web/a.htm", "other");
        QVERIFY(h.timers.fire(f.zel().TimerId));
        QCOMPARE(f.zel().MonitoredFiles.Item(1)->Status(), 1);

        // Told once only; an error is never covered.
        f.showMainWindow();
        QVERIFY(f.mainWindowVisible());
        f.setStatus(QStringLiteral("Files in the list: 1"));
        f.close();
        QVERIFY(f.isMinimized());
        QCOMPARE(f.status(), QStringLiteral("Files in the list: 1"));
    }

    void trayComingAndGoingMovesTheWindow()
    {
        FrmZelHarness h;
        h.trayAvailable = false;
        frmZel &f = h.start({"$/Web/a.htm"});
        f.cmOk_Click();
        QVERIFY(f.isMinimized());
        h.trayAvailable = true;
        f.checkTray();
        QVERIFY(!f.isVisible());
        QVERIFY(f.zel().TimerId && h.timerRunning()); // still watching
        f.showMainWindow();
        QVERIFY(f.isVisible() && !f.isMinimized());

        // The tray goes away while the window is hidden: it comes back minimised.
        f.cmOk_Click();
        QVERIFY(!f.isVisible());
        h.trayAvailable = false;
        f.checkTray();
        QVERIFY(f.isVisible() && f.isMinimized());
        QVERIFY(!f.mainWindowVisible());
    }
};

QTEST_MAIN(tst_frmZel)
#include "tst_frmzel.moc"
