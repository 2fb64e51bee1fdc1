// The main window: its controls and what they set, hide and watch, choosing
// a database, closing and exit, the watched-file list with its menu, and the
// tray icon with its looks, clicks and menu.
#include "FrmZelHarness.h"
#include "ui/ScreenReader.h"
#include "ui/about/frmAbout.h"
#include "ui/about/frmAboutPlug.h"
#include "ui/checkouts/frmCheckouts.h"
#include "ui/checkouts/frmCheckoutsPlug.h"
#include "ui/eventlog/frmLog.h"
#include "ui/eventlog/frmLogPlug.h"
#include "ui/main/HelpPages.h"
#include "ui/main/HelpWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QtTest>

namespace {

QStringList visibleEntries(const QMenu *menu)
{
    QStringList captions;
    for (QAction *a : menu->actions())
        if (a->isVisible())
            captions << a->text() + (a->isEnabled() ? "" : " (off)");
    return captions;
}
// A running, hidden program whose latest poll announced a check-out.
frmZel &watchingWithAChange(FrmZelHarness &h)
{
    h.storeUser({"$/Web/a.htm"});
    h.param("ShowMessages", "False");
    frmZel &f = h.start();
    f.cmOk_Click();
    h.repo->checkOut("$/Web/a.htm", "other");
    h.timers.fire(f.zel().TimerId);
    return f;
}

} // namespace

class tst_frmZel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FrmZelHarness::isolateFromUser(); }

    void captionsAndAccessKeys()
    {
        FrmZelHarness h;
        frmZel &f = h.build();
        QCOMPARE(f.windowTitle(), QStringLiteral("Quorvik"));
        const QStringList captions = {
            f.Frame1->title(),  f.Label2[0]->text(), f.Label2[1]->text(), f.Label2[2]->text(),
            f.cmdLogin->text(), f.Check1->text(),    f.Check2->text(),    f.Frame2->title(),
            f.Check3->text(),   f.Check4->text(),    f.Check7->text(),    f.chkDesktop->text(),
            f.Frame3->title(),  f.Check5->text(),    f.Check6->text(),    f.chkIgnoreOwn->text(),
            f.Label3->text(),   f.Label1->text(),    f.cmdAdd->text(),    f.cmdRemove->text(),
            f.cmOk->text(),     f.Command1->text(),  f.chkStartUp->text()};
        QCOMPARE(captions.join('|'),
                 QStringLiteral("VSS connection settings|Database |User &Name|Pass&word|Select "
                                "&Database...|Remember &Last logged database|Remember last logged "
                                "&User|Notification method|Show Icon on &Taskbar|Display Message "
                                "&Box |Play a &Sound|Desktop Notifi&cation|Notify on|Check &In|"
                                "Check &Out|Ignore &my own changes|&Polling Interval|Monitored "
                                "&Files|+|-|Hide && &Watch|E&xit|&Run Quorvik at System Startup"));
        // The later boxes' access keys, c and m, collide with no other caption's.
        QString keys;
        const auto key = [](QString t) {
            return t.remove("&&").section('&', 1, 1).left(1).toLower();
        };
        for (const QAbstractButton *b : f.findChildren<QAbstractButton *>())
            keys += key(b->text());
        for (const QLabel *l : f.findChildren<QLabel *>())
            keys += key(l->text());
        QVERIFY(keys.count('c') == 1 && keys.count('m') == 1);
        QCOMPARE(frmZel::IntervalTexts(), QStringList({"10 sec", "30 sec", "1  min", "3  min",
                                                       "5  min", "10 min", "30 min", "60 min"}));
        QCOMPARE(f.txtPwd->echoMode(), QLineEdit::Password);
    }

    void firstRunShowsTheDefaultsAndTheBoxesSetTheirFlags()
    {
        FrmZelHarness h;
        frmZel &f = h.build();
        QVERIFY(f.Load());
        QCOMPARE(f.trayLook(), TrayLook::Error);
        for (QCheckBox *box : {f.Check1, f.Check2, f.Check3, f.Check4, f.Check5, f.Check6, f.Check7,
                               f.chkStartUp, f.chkDesktop})
            QVERIFY2(box->isChecked(), qPrintable(box->text()));
        QVERIFY(!f.chkIgnoreOwn->isChecked());
        QCOMPARE(f.cmbEvery->currentText(), QStringLiteral("3  min"));
        // The start-up box was set, so the start at logon was written.
        QCOMPARE(h.runCalls, QStringList{"Quorvik|" + h.dir.filePath("quorvik") + "|on"});

        // At least one notification method stays on: of the icon and the
        // message box, and with the desktop notification of the three. Each
        // step toggles a box; then Check3, Check4, chkDesktop enabled.
        QCheckBox *const steps[] = {f.chkDesktop, f.Check3, f.Check3, f.Check4, f.Check4,
                                    f.chkDesktop, f.Check3, f.Check4, f.Check4, f.Check3};
        const char *const enabled[] = {"111", "101", "", "011", "", "", "", "110", "111", "111"};
        for (int i = 0; i < 10; ++i) {
            steps[i]->toggle();
            QString now;
            for (const QCheckBox *box : {f.Check3, f.Check4, f.chkDesktop})
                now += box->isEnabled() ? '1' : '0';
            QVERIFY2(!*enabled[i] || now == enabled[i], qPrintable(now));
        }
        ZelSettings &s = f.zel().settings;
        QCheckBox *const boxes[] = {f.Check1,       f.Check2, f.Check5, f.Check6,     f.Check7,
                                    f.chkIgnoreOwn, f.Check3, f.Check4, f.chkDesktop, f.chkStartUp};
        bool ZelSettings::*const flags[] = {
            &ZelSettings::UseLastDB, &ZelSettings::UseLastUser,  &ZelSettings::NotifyIn,
            &ZelSettings::NotifyOut, &ZelSettings::PlaySound,    &ZelSettings::IgnoreOwnChanges,
            &ZelSettings::ShowIcon,  &ZelSettings::ShowMessages, &ZelSettings::DesktopNotify,
            &ZelSettings::StartUp};
        for (int i = 0; i < 10; ++i) {
            boxes[i]->setChecked(false);
            QVERIFY2(!(s.*flags[i]), qPrintable(boxes[i]->text()));
            boxes[i]->setChecked(true);
            QVERIFY2(s.*flags[i], qPrintable(boxes[i]->text()));
        }
        // The start-up box writes the start at logon at once, saving nothing.
        QCOMPARE(h.runCalls.mid(1), QStringList({"Quorvik|" + h.dir.filePath("quorvik") + "|off",
                                                 "Quorvik|" + h.dir.filePath("quorvik") + "|on"}));
        QCOMPARE(h.storedParam("StartUp"), QString());
    }

    void storedSettingsFillTheFieldsWhichSetThem()
    {
        FrmZelHarness h;
        h.storeUser({"$/Web/a.htm", "$/Web/b.htm"});
        h.param("PollDelay", "0");
        h.param("StartUp", "False");
        h.param("IgnoreChangesBy", "Robot,ci");
        frmZel &f = h.build();
        QVERIFY(f.Load());
        QCOMPARE(texts(f.lst), QStringList({"$/Web/a.htm", "$/Web/b.htm"}));
        QCOMPARE(f.txtIgnoreUsers->text(), QStringLiteral("Robot, ci"));
        f.txtIgnoreUsers->setText(QStringLiteral("Build Bot ,"));
        QCOMPARE(f.zel().settings.IgnoreChangesBy, QStringList{"Build Bot"});
        QCOMPARE(QStringList({f.txtDatabase->text(), f.txtUser->text(), f.txtPwd->text()}),
                 QStringList({h.iniPath(), "me", "pw"}));
        QVERIFY(f.cmbEvery->currentIndex() == 0 && !f.chkStartUp->isChecked());
        QVERIFY(h.runCalls.isEmpty()); // the box did not change, so nothing ran

        f.txtDatabase->setText(QStringLiteral("/elsewhere/srcsafe.ini")); // read-only
        QCOMPARE(f.txtDatabase->text(), h.iniPath());
        QVERIFY(f.zel().Database);
        f.txtUser->setText(QStringLiteral("you")); // a new user ends the session
        QVERIFY(f.zel().settings.Username == QStringLiteral("you") && !f.zel().Database);
        f.txtPwd->setText(QStringLiteral("secret"));
        QCOMPARE(f.zel().settings.Password, QStringLiteral("secret"));

        // Stored on or off: icon, message box, desktop note; then which of
        // their boxes are enabled: the lone method on cannot be switched off.
        for (const QString row : {"100 011", "010 101", "001 110", "101 111", "000 111"}) {
            FrmZelHarness g;
            for (int i = 0; i < 3; ++i)
                g.param(QStringList({"ShowIcon", "ShowMessages", "DesktopNotify"})[i],
                        row[i] == '1' ? "True" : "False");
            frmZel &w = g.build();
            w.Load();
            QString enabled;
            for (const QCheckBox *box : {w.Check3, w.Check4, w.chkDesktop})
                enabled += box->isEnabled() ? '1' : '0';
            QCOMPARE(enabled, row.mid(4));
        }
    }

    void hideAndWatchSavesChecksAndHidesInEveryCase()
    {
        FrmZelHarness h;
        frmZel &f = h.start({"$/Web/a.htm"});
        f.txtUser->clear();
        f.cmOk_Click();
        QCOMPARE(f.trayIcon()->toolTip(), "Quorvik\nERROR: Invalid VSS credentials");
        QVERIFY(!f.isVisible() && !h.timerRunning());
        QCOMPARE(h.storedParam("Username"), QString()); // saved before the check
        // A login the database refuses says why, in the reader's words.
        h.repo->failOn("Open");
        f.txtUser->setText(QStringLiteral("me"));
        f.cmOk_Click();
        QCOMPARE(f.trayIcon()->toolTip(),
                 "Quorvik\nERROR: Cannot open VSS database\nInjected failure of Open");
        h.repo->clearFailures();

        f.showMainWindow();
        f.txtUser->setText(QStringLiteral("me"));
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QTRY_VERIFY(!h.timerRunning()); // the window shown stops polling
        f.cmbEvery->setFocus();
        f.cmbEvery->setCurrentIndex(7); // selected, the focus not yet gone
        // "Pass&word" shares Alt+W with the button: the button takes it.
        QTest::keyClick(&f, Qt::Key_W, Qt::AltModifier);
        QVERIFY(f.cmOk->isDefault()); // and Enter
        QCOMPARE(f.status(), QString());
        QVERIFY(!f.isVisible() && f.zel().SessionOpen);
        QCOMPARE(h.timerPeriod(), 3600 * 1000);
        QCOMPARE(h.storedParam("PollDelay"), QStringLiteral("7"));
        // The window system may report the hidden window active once more.
        QApplication::setActiveWindow(&f);
        QTest::qWait(20);
        QVERIFY(h.timerRunning());

        // A save that fails is said; watching goes on with what was entered.
        QVERIFY(QFile::remove(h.store->fileName()) && QDir().mkpath(h.store->fileName()));
        f.showMainWindow();
        f.cmOk_Click();
        QCOMPARE(f.trayIcon()->toolTip(), "Quorvik\nERROR: Cannot store the settings");
        QVERIFY(f.trayLook() == TrayLook::Error && !f.isVisible() && h.timerRunning());
    }

    void activationStopsPollingAndANewIntervalRestartsIt()
    {
        FrmZelHarness h;
        frmZel &f = h.start({"$/Web/a.htm", "$/Web/b.htm"});
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QTRY_VERIFY(!h.timerRunning());
        QVERIFY(f.lst->item(0)->isSelected() && !h.watch.fire);

        QWidget viewer; // another window of the program: the session restarts
        viewer.setObjectName(QStringLiteral("frmLog"));
        viewer.show();
        viewer.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&viewer));
        QTRY_VERIFY(h.timerRunning());
        QVERIFY(h.watch.fire);
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QTRY_VERIFY(!h.timerRunning());
        QVERIFY(!h.watch.fire); // the close box now leaves nothing watching

        // A new interval takes effect when the focus leaves its box.
        f.cmbEvery->setFocus();
        f.cmbEvery->setCurrentIndex(1);
        QVERIFY(!h.timerRunning());
        f.txtUser->setFocus();
        QCOMPARE(h.timerPeriod(), 30000);
        QCOMPARE(h.storedParam("PollDelay"), QString()); // persisted by the next save only
        // Hidden by its close box, the window runs no validation.
        f.cmbEvery->setFocus();
        f.cmbEvery->setCurrentIndex(5);
        f.close();
        QCOMPARE(h.timerPeriod(), 30000);
    }

    void selectDatabaseAsksThenClearsTheList()
    {
        FrmZelHarness h;
        frmZel &f = h.start({"$/Web/a.htm", "$/Web/b.htm"});
        QStringList &asked = h.asked;
        bool answer = false;
        DialogHook::question = [&](QWidget *, const QString &title, const QString &q) {
            asked << title + '|' + q;
            return answer;
        };
        f.cmdLogin_Click(); // No: no file dialog
        answer = true;
        f.cmdLogin_Click(); // Yes, then the file dialog cancelled
        QCOMPARE(asked,
                 QStringList(
                     {"Quorvik|Changing the database will clean up monitored "
                      "file list. Proceed?",
                      asked[0],
                      "Select Database|srcsafe.ini|SourceSafe databases (srcsafe.ini) (*.ini)"}));
        QCOMPARE(f.zel().MonitoredFiles.Count(), 2);

        const QString chosen = h.chosenFile = QStringLiteral("/other/srcsafe.ini");
        f.cmdLogin_Click();
        QCOMPARE(f.txtDatabase->text(), QDir::toNativeSeparators(chosen));
        QCOMPARE(f.lst->count() + f.zel().MonitoredFiles.Count(), 0);
        QVERIFY(!f.zel().Database);
        QCOMPARE(QStringList({h.storedParam("Inifile"), h.storedParam("FilesCount")}),
                 QStringList({QDir::toNativeSeparators(chosen), "0"}));
        f.cmdLogin_Click(); // with an empty list nothing is asked
        QCOMPARE(asked.count(asked[0]), 3);
    }

    void closeBoxHidesExitWaitsForThePollThenUnloadsInOrder()
    {
        FrmZelHarness h;
        frmZel &f = h.start({"$/Web/a.htm"});
        QSignalSpy unloaded(&f, &frmZel::Unloaded);
        QVERIFY(!f.close() && !f.isVisible()); // the close box only hides

        QStringList order;
        f.windows.unloadExplorer = [&] { order << "explorer"; };
        f.windows.unloadAbout = [&] { order << "about"; };
        f.windows.unloadEventLog = [&] { order << "viewer"; };
        f.windows.unloadOptions = [&] { order << "options"; };
        f.zel().PollBusy = true;
        f.Command1->click();
        QVERIFY(!f.isUnloaded() && order.isEmpty());
        f.zel().PollBusy = false;
        f.Command1->click();
        QCOMPARE(unloaded.count(), 1);
        QCOMPARE(order, QStringList({"explorer", "about", "viewer", "options"}));
        QVERIFY(!f.trayIcon() && !f.zel().Database && !h.timerRunning() && !h.watch.fire);
    }

    // Moving into an open viewer changes nothing and says nothing; "Hide &&
    // Watch" then stops what ran and says why (the tooltip too, with its
    // ampersand, after a settings folder that is not the default).
    void openViewerStopsWatchingAndOnlyHideAndWatchSaysSo()
    {
        FrmZelHarness h;
        h.settingsFolder = QDir::tempPath() + "/second";
        frmZel &f = h.start({"$/Web/a.htm"});
        f.windows.eventLogVisible = [] { return true; };
        f.Form_Deactivate();
        QVERIFY(f.trayLook() == TrayLook::Normal && f.status() == "Files in the list: 1");
        QVERIFY(h.timerRunning() && h.watch.fire);
        f.cmOk_Click();
        const QString said = "ERROR: Not watching: close the event log viewer, then Hide & Watch";
        QVERIFY(f.status() == said && f.trayLook() == TrayLook::Error);
        QVERIFY(!h.timerRunning() && !h.watch.fire);
        QString tip = "Quorvik\n" + QDir::toNativeSeparators(h.settingsFolder) + '\n' + said;
#ifdef Q_OS_WIN
        tip.replace("&", "&&&");
#endif
        QCOMPARE(f.trayIcon()->toolTip(), tip);
    }

    void withoutATrayTheWindowMinimisesAndFollowsTheTray()
    {
        FrmZelHarness h;
        h.trayAvailable = false;
        frmZel &f = h.start({"$/Web/a.htm"});
        f.cmOk_Click();
        QVERIFY(f.isVisible() && f.isMinimized() && !f.mainWindowVisible());
        QVERIFY(f.status().contains(QLatin1String("minimised")) && h.timerRunning());
        f.showMainWindow(); // told once only
        f.setStatus(QStringLiteral("Files in the list: 1"));
        f.close();
        QVERIFY(f.isMinimized());
        QCOMPARE(f.status(), QStringLiteral("Files in the list: 1"));

        h.trayAvailable = true; // the tray comes: hidden, still watching
        f.checkTray();
        QVERIFY(!f.isVisible() && h.timerRunning());
        h.trayAvailable = false; // and goes: back minimised
        f.checkTray();
        QVERIFY(f.isVisible() && f.isMinimized());
    }

    void listMenuMinusAndAdd()
    {
        FrmZelHarness h;
        frmZel &f = h.start({"$/Web/1.htm", "$/Web/2.htm", "$/Web/3.htm", "$/Web/4.htm"});
        // Select All, Undo Select, Add New, Remove, Remove All.
        const auto menu = [&f] {
            f.prepareListMenu();
            return QList<bool>{f.m_selectall->isEnabled(), f.m_unselect->isEnabled(),
                               f.m_addnew->isEnabled(), f.m_remove->isEnabled(),
                               f.m_removeall->isEnabled()};
        };
        f.m_selectall->trigger();
        QCOMPARE(menu(), QList<bool>({true, true, true, true, true}));
        QCOMPARE(visibleEntries(f.mright).join('|'),
                 QStringLiteral("Select All|Undo Select||Add New|Remove|Remove All"));
        f.m_unselect->trigger();
        QCOMPARE(menu(), QList<bool>({true, false, true, false, true}));
        QVERIFY(MenuKeysOpen(f.lst, f.mright)); // the Menu key, Shift+F10
        f.setStatus(QString());
        f.cmdRemove->click(); // nothing selected: only the count is shown
        QCOMPARE(f.status(), QStringLiteral("Files in the list: 4"));

        // A click sets the tooltip; "-" removes that one, the last becomes selected.
        QTest::mouseClick(f.lst->viewport(), Qt::LeftButton, {},
                          f.lst->visualItemRect(f.lst->item(1)).center());
        QCOMPARE(f.lst->toolTip(), QStringLiteral("$/Web/2.htm"));
        f.cmdRemove->click();
        QCOMPARE(texts(f.lst), QStringList({"$/Web/1.htm", "$/Web/3.htm", "$/Web/4.htm"}));
        QVERIFY(f.lst->item(2)->isSelected());
        f.lst->item(0)->setSelected(true); // several: exactly those go
        f.prepareListMenu();               // as the popup opens
        f.m_remove->trigger();
        QCOMPARE(texts(f.lst), QStringList({"$/Web/3.htm"}));
        QCOMPARE(f.zel().MonitoredFiles.Item(1)->Key(), QStringLiteral("$/Web/3.htm"));
        QCOMPARE(h.storedParam("FilesCount"), QStringLiteral("4")); // stored at the next save
        f.m_selectall->trigger();
        f.prepareListMenu();
        f.m_remove->trigger();
        QCOMPARE(f.lst->count() + f.zel().MonitoredFiles.Count(), 0);
        QVERIFY(f.lst->toolTip().isEmpty());
        QCOMPARE(menu(), QList<bool>({false, false, true, false, false}));

        // Add opens the database, then the explorer: by button, key and menu.
        f.zel().ReleaseDatabase();
        int explorer = 0;
        f.windows.openExplorer = [&] { return ++explorer > 0; };
        f.cmdAdd->click();
        QVERIFY(f.zel().Database);
        QTest::keyClick(f.lst, Qt::Key_Insert);
        f.m_addnew->trigger();
        QCOMPARE(explorer, 3);
    }

    void trayIconLooksAndMenu()
    {
        FrmZelHarness h;
        frmZel &f = watchingWithAChange(h);
        QCOMPARE(h.beeps, 1); // the sound goes through the program's seam
        const auto image = [](const QIcon &i) { return i.pixmap(16, 16).toImage(); };
        f.setStatus(QStringLiteral("ERROR: Cannot open VSS database")); // looks: tst_statusnotifier
        f.setTrayLook(TrayLook::Error);
        f.setStatus(QStringLiteral("Files in the list: 1")); // no error left to tell
        QCOMPARE(f.trayIcon()->toolTip(), QStringLiteral("Quorvik"));
        QCOMPARE(image(f.windowIcon()), image(QIcon(":/icons/quorvik.svg")));

        QCOMPARE(f.mnuShow->defaultAction(), f.mnuReset);
        f.setResetEnabled(false); // entries as a panel sees them: tst_statusnotifier
        int checkouts = 0;        // the entry and the main window's button open the window
        f.windows.showCheckouts = [&checkouts] { ++checkouts; };
        f.mnuCheckouts->trigger();
        f.cmdCheckouts->click();
        QCOMPARE(checkouts, 2);
        QCOMPARE(f.mnuShow->defaultAction(), f.mnuSet);
        // With the main window or the explorer on the screen the menu would
        // do nothing: one disabled line says why.
        f.windows.explorerVisible = [] { return true; };
        f.prepareTrayMenu();
        QCOMPARE(visibleEntries(f.mnuShow),
                 QStringList({"The explorer is open: finish it with OK or Cancel (off)"}));
        f.zel().ModalOpen = true;
        f.prepareTrayMenu();
        QCOMPARE(visibleEntries(f.mnuShow),
                 QStringList({"A dialog is open: close it to use this menu (off)"}));
    }

    // Tab follows the screen (the notification boxes as drawn); shown from
    // the tray, the window comes back where it was.
    void tabOrderAndPlace()
    {
        FrmZelHarness h;
        frmZel &f = h.start();
        QCOMPARE(f.Check4->nextInFocusChain(), f.chkDesktop);
        QCOMPARE(f.chkDesktop->nextInFocusChain(), f.Check7);
        f.move(200, 150);
        const QPoint place = f.pos();
        f.cmOk_Click();
        QVERIFY(!f.isVisible());
        f.move(0, 0); // where a window manager may map it anew
        f.mnuSet_Click();
        QCOMPARE(f.pos(), place);
        // A long failure leaves the window's width; its tooltip holds it whole.
        const int width = f.width();
        const QString failure = "ERROR: Cannot read $/Web/site.css: " + QString(300, 'x');
        f.setStatus(failure);
        QCoreApplication::processEvents();
        QVERIFY(f.width() == width && f.lblStatus->toolTip() == failure);
    }

    void trayClickRunsResetOnceThenSettings()
    {
        const auto click = QSystemTrayIcon::Trigger, doubleClick = QSystemTrayIcon::DoubleClick;
        // XEmbed, and one gesture reported twice (the
        // double-click does not go on to Settings).
        const std::tuple<QSystemTrayIcon::ActivationReason, QSystemTrayIcon::ActivationReason, bool>
            rows[] = {{doubleClick, doubleClick, true}, // a click: tst_statusnotifier
                      {click, doubleClick, false}};
        for (const auto &[first, second, separateGesture] : rows) {
            FrmZelHarness h;
            frmZel &f = watchingWithAChange(h);
            QCOMPARE(f.trayLook(), TrayLook::Change);
            emit f.trayIcon()->activated(first);
            QVERIFY(h.informed.size() == 1 &&
                    h.informed[0].contains(QLatin1String(" has been checked out by other")));
            QVERIFY(f.trayLook() == TrayLook::Normal && !f.resetEnabled() && !f.isVisible());
            if (separateGesture)
                QTest::qWait(QApplication::doubleClickInterval() + 50);
            emit f.trayIcon()->activated(second);
            QCOMPARE(h.informed.size(), 1);
            QCOMPARE(f.isVisible(), separateGesture); // Settings
        }
    }

    // A pause stored and still running goes on at start; the tray menu's
    // pause lengths and "Resume Notifications" (shown while paused) drive it,
    // and the tooltip says until when.
    void trayMenuPausesAndResumesNotifications()
    {
        FrmZelHarness h;
        h.param("SnoozeUntil", h.clock.now().addSecs(600).toUTC().toString(Qt::ISODate));
        h.param("SnoozeHeld", "2");
        h.param("ShowMessages", "False");
        h.storeUser({"$/Web/a.htm"});
        frmZel &f = h.start();
        f.cmOk_Click();
        const QString nineTen = QLocale().toString(QTime(9, 10), QLocale::ShortFormat);
        QCOMPARE(f.trayIcon()->toolTip(), "Quorvik\nNotifications paused until " + nineTen);
        f.mnuResume->trigger();
        const QString seen = "\nChanges seen: Reset in the menu shows them";
        QVERIFY(f.trayIcon()->toolTip() == "Quorvik" + seen && !f.mnuResume->isVisible());
        QVERIFY(f.trayLook() == TrayLook::Change && f.resetEnabled() && h.beeps == 1);
        f.mnuSnoozeTomorrow->trigger();
        QVERIFY(f.mnuResume->isVisible() && f.mnuSnooze->menuAction()->isVisible());
        QCOMPARE(f.trayIcon()->toolTip(),
                 "Quorvik\nNotifications paused until " +
                     QLocale().toString(QDateTime(QDate(2026, 12, 7), QTime(0, 0)),
                                        QLocale::ShortFormat) +
                     seen);
        f.mnuSnoozeResumed->trigger();
        QCOMPARE(f.trayIcon()->toolTip(), "Quorvik\nNotifications paused until resumed" + seen);
        f.mnuReset->trigger();
        QCOMPARE(h.informed, QStringList{"2 changes while paused\r\n"});
    }

    void trayCommandsWaitForShownWindowsModalDialogsAndPolls()
    {
        FrmZelHarness h;
        frmZel &f = watchingWithAChange(h);
        int about = 0, viewer = 0;
        f.windows.showAbout = [&] { ++about; };
        f.windows.showEventLog = [&](bool) { ++viewer; };
        f.showMainWindow(); // the settings on the screen: clicks do nothing
        f.trayActivated(QSystemTrayIcon::Trigger);
        f.hide();
        f.windows.explorerVisible = [] { return true; };
        f.trayActivated(QSystemTrayIcon::DoubleClick);
        f.windows.explorerVisible = nullptr;
        f.trayActivated(QSystemTrayIcon::Context); // the menu opens by itself
        f.zel().ModalOpen = true;
        f.trayActivated(QSystemTrayIcon::Trigger);
        for (QAction *entry : {f.mnuSet, f.mnuShowLog, f.mnuAbout, f.mnuHelp, f.mnuExit})
            entry->trigger();
        emit f.trayIcon()->messageClicked(); // the notification's fallback
        QVERIFY(h.informed.isEmpty() && h.opened.isEmpty());
        QVERIFY(f.resetEnabled() && !f.isVisible() && !f.isUnloaded());
        QCOMPARE(about + viewer, 0);

        f.zel().ModalOpen = false;
        f.mnuShowLog->trigger();
        emit f.trayIcon()->messageClicked();
        f.mnuAbout->trigger();
        f.mnuHelp->trigger();
        QCOMPARE(QList<int>({viewer, about, int(h.opened.size())}), QList<int>({2, 1, 1}));
        f.zel().PollBusy = true; // Reset during a poll only restores the icon
        f.mnuReset->trigger();
        QVERIFY(h.informed.isEmpty() && !f.resetEnabled());
        QCOMPARE(f.trayLook(), TrayLook::Normal);
        f.mnuSet->trigger(); // Settings during a poll shows nothing
        QVERIFY(!f.isVisible());
        f.zel().PollBusy = false;
        f.lst->setToolTip(QStringLiteral("$/Web/a.htm"));
        f.setStatus(QStringLiteral("ERROR: Cannot open VSS database"));
        f.mnuSet->trigger(); // keeps an error, clears the tooltip
        QVERIFY(f.isVisible() && f.lst->toolTip().isEmpty());
        QCOMPARE(f.status(), QStringLiteral("ERROR: Cannot open VSS database"));
        f.mnuExit->trigger();
        QVERIFY(f.isUnloaded());
    }

    // F1 in each window opens its section of the manual; without a browser
    // the program's own help window shows it, and Escape closes that.
    void helpOpensTheBundledPagesOrShowsThemItself()
    {
        FrmZelHarness h;
        frmZel &f = h.start();
        f.cmOk_Click();
        f.mnuHelp->trigger();
        QVERIFY(TestFiles::read(h.opened.value(0).toLocalFile()).contains("Hide &amp; Watch"));
        frmLog &viewer = PlugEventLogViewer(f);
        QWidget &about = PlugAboutBox(f);
        QWidget &checkouts = PlugCheckoutsWindow(f, h.repo->factory());
        DialogHook::modal = [](QDialog &dialog) {
            dialog.show();
            dialog.activateWindow();
            if (QTest::qWaitForWindowActive(&dialog))
                QTest::keyClick(&dialog, Qt::Key_F1);
            return 0;
        };
        for (QWidget *window : std::initializer_list<QWidget *>{&f, &viewer, &about, &checkouts}) {
            window->show();
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(window, Qt::Key_F1);
        }
        viewer.Properties();
        QStringList opened;
        for (const QUrl &url : h.opened.mid(1))
            opened << url.fileName() + '#' + url.fragment();
        QCOMPARE(opened,
                 QStringList({"index.html#main-window", "eventlog.html#", "index.html#about",
                              "index.html#checkouts", "eventlog.html#log-settings"}));
        QVERIFY(!f.helpWindow());

        h.browserFails = true; // a window of its own, saying where the manual is
        f.showHelp(HelpPages::ExplorerContext);
        QVERIFY(f.helpWindow() && f.helpWindow()->isVisible());
        QVERIFY(f.helpWindow()->lblWhere->text().contains(
            QDir::toNativeSeparators("/help/explorer.html")));
        QVERIFY(QTest::qWaitForWindowActive(f.helpWindow()));
        QTest::keyClick(f.helpWindow()->browser, Qt::Key_Escape);
        QVERIFY(!f.helpWindow()->isVisible());
    }
};

QTEST_MAIN(tst_frmZel)
#include "tst_frmzel.moc"
