// The tray icon of the main window: its clicks, its menu and its looks.
#include "FrmZelHarness.h"
#include "ui/main/HelpPages.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/Icons.h"
#include "ui/main/ProgramActivation.h"
#include "ui/main/TrayClickFilter.h"

#include <QAction>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTextBrowser>
#include <QtTest>

class tst_frmZelTray : public QObject
{
    Q_OBJECT

    // A running, hidden program whose latest poll announced a check-out.
    static frmZel &watchingWithAChange(FrmZelHarness &h)
    {
        h.storeUser({"$/Web/a.htm"});
        h.param("ShowMessages", "False");
        frmZel &f = h.start();
        f.cmOk_Click();
        h.repo->checkOut("$/Web/a.htm", "other");
        h.timers.fire(f.zel().TimerId);
        return f;
    }

private slots:
    void initTestCase() { FrmZelHarness::isolateFromUser(); }

    void clickFilterRunsOneCommandPerGesture()
    {
        TrayClickFilter filter(400);
        QVERIFY(!filter.accept(QSystemTrayIcon::Context, 0));
        QVERIFY(!filter.accept(QSystemTrayIcon::MiddleClick, 0));
        QVERIFY(filter.accept(QSystemTrayIcon::Trigger, 1000));
        QVERIFY(!filter.accept(QSystemTrayIcon::DoubleClick, 1300)); // same gesture
        QVERIFY(!filter.accept(QSystemTrayIcon::Trigger, 1350));     // host sending two
        QVERIFY(filter.accept(QSystemTrayIcon::DoubleClick, 2000));  // a tray of its own
        QVERIFY(filter.accept(QSystemTrayIcon::Trigger, 2401));
        // A command that kept running (a message box) counts from its end.
        filter.finished(9000);
        QVERIFY(!filter.accept(QSystemTrayIcon::DoubleClick, 9200));
        QVERIFY(filter.accept(QSystemTrayIcon::Trigger, 9500));
    }

    void activationFollowsTheProgramsWindows()
    {
        QWidget main, viewer, box;
        viewer.setObjectName(QStringLiteral("frmLog"));
        box.setObjectName(QStringLiteral("qt_msgbox"));
        QVERIFY(ProgramActivation::isProgramWindow(&viewer));
        QVERIFY(!ProgramActivation::isProgramWindow(&box));
        ProgramActivation a(&main);
        using O = ProgramActivation;
        QCOMPARE(a.activated(&main, true), O::Activate);   // first shown
        QCOMPARE(a.activated(nullptr, false), O::Nothing); // another application
        QCOMPARE(a.activated(&main, true), O::Nothing);    // and back
        QCOMPARE(a.activated(&box, false), O::Nothing);    // a message box
        QCOMPARE(a.activated(&main, true), O::Nothing);
        QCOMPARE(a.activated(&viewer, true), O::Deactivate);
        QCOMPARE(a.activated(&viewer, true), O::Nothing);
        QCOMPARE(a.activated(&main, true), O::Activate);
        a.mainWindowLeft(); // hidden, then shown again
        QCOMPARE(a.activated(&main, true), O::Activate);
    }

    void looksAreDrawn()
    {
        QList<QImage> images;
        for (TrayLook look : {TrayLook::Normal, TrayLook::Change, TrayLook::Error})
            images << Icons::trayLook(look).pixmap(16, 16).toImage();
        for (int status : {-1, 0, 1, 2})
            images << Icons::fileState(status).pixmap(16, 16).toImage();
        for (int i = 0; i < images.size(); ++i) {
            QVERIFY2(!images[i].isNull(), qPrintable(QString::number(i)));
            for (int j = 0; j < i; ++j)
                QVERIFY2(images[i] != images[j], qPrintable(QStringLiteral("%1 %2").arg(i).arg(j)));
        }
    }

    void menuEntriesAndDefault()
    {
        FrmZelHarness h;
        frmZel &f = h.start({"$/Web/a.htm"});
        auto shown = [&f] {
            QStringList captions;
            for (QAction *a : f.mnuShow->actions())
                if (a->isVisible())
                    captions << a->text() + (a->isEnabled() ? "" : " (off)");
            return captions;
        };
        QCOMPARE(f.trayIcon()->contextMenu(), f.mnuShow);
        f.cmOk_Click();
        f.prepareTrayMenu();
        QCOMPARE(shown(), QStringList({"Settings", "Reset (off)", "Event Log", "", "About", "Help",
                                       "", "Exit"}));
        QCOMPARE(f.mnuShow->defaultAction(), f.mnuSet);
        QVERIFY(!f.mnuReset->isEnabled());
        QVERIFY(f.mnuSet->isEnabled() && f.mnuExit->isEnabled());
        f.setResetEnabled(true);
        f.prepareTrayMenu();
        QCOMPARE(f.mnuShow->defaultAction(), f.mnuReset);
        QVERIFY(f.mnuReset->isEnabled());

        // With the main window or the explorer on the screen the menu would
        // do nothing: one disabled line says why.
        f.showMainWindow();
        f.prepareTrayMenu();
        QCOMPARE(shown(),
                 QStringList({"The settings window is open: close it to use this menu (off)"}));
        QVERIFY(f.resetEnabled()); // the Reset state itself is kept
        f.hide();
        f.windows.explorerVisible = [] { return true; };
        f.prepareTrayMenu();
        QCOMPARE(shown(), QStringList({"The explorer is open: finish it with OK or Cancel (off)"}));
    }

    void clickRunsResetOnceThenSettings_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<bool>("separateGesture");
        const int click = QSystemTrayIcon::Trigger, doubleClick = QSystemTrayIcon::DoubleClick;
        QTest::newRow("StatusNotifierItem") << click << click << true;
        QTest::newRow("XEmbed") << doubleClick << doubleClick << true;
        // One gesture reported twice: the double-click does not go on to Settings.
        QTest::newRow("Trigger then DoubleClick") << click << doubleClick << false;
    }
    void clickRunsResetOnceThenSettings()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(bool, separateGesture);
        FrmZelHarness h;
        frmZel &f = watchingWithAChange(h);
        QCOMPARE(f.trayLook(), TrayLook::Change);
        QVERIFY(f.resetEnabled());

        f.trayActivated(QSystemTrayIcon::ActivationReason(first));
        QCOMPARE(h.informed.size(), 1);
        QVERIFY(h.informed[0].contains(QLatin1String(" has been checked out by other")));
        QCOMPARE(f.trayLook(), TrayLook::Normal);
        QVERIFY(!f.resetEnabled());
        QVERIFY(!f.isVisible());

        if (separateGesture)
            QTest::qWait(QApplication::doubleClickInterval() + 50);
        f.trayActivated(QSystemTrayIcon::ActivationReason(second));
        QCOMPARE(h.informed.size(), 1);
        QCOMPARE(f.isVisible(), separateGesture); // Settings
    }

    void clicksDoNothingWhileTheWindowsAreShown()
    {
        FrmZelHarness h;
        frmZel &f = watchingWithAChange(h);
        f.showMainWindow();
        f.trayActivated(QSystemTrayIcon::Trigger);
        QVERIFY(h.informed.isEmpty());
        QVERIFY(f.resetEnabled());

        f.hide();
        f.windows.explorerVisible = [] { return true; };
        f.trayActivated(QSystemTrayIcon::DoubleClick);
        QVERIFY(h.informed.isEmpty());
        f.trayActivated(QSystemTrayIcon::Context); // the menu opens by itself
        QVERIFY(h.informed.isEmpty());
    }

    void commandsIgnoredWhileAModalDialogShowsOrAPollRuns()
    {
        FrmZelHarness h;
        frmZel &f = watchingWithAChange(h);
        int about = 0, viewer = 0;
        f.windows.showAbout = [&] { ++about; };
        f.windows.showEventLog = [&](bool) { ++viewer; };
        f.zel().ModalOpen = true;
        f.trayActivated(QSystemTrayIcon::Trigger);
        f.mnuSet->trigger();
        f.mnuShowLog->trigger();
        emit f.trayIcon()->messageClicked(); // the notification's fallback
        f.mnuAbout->trigger();
        f.mnuHelp->trigger();
        f.mnuExit->trigger();
        QVERIFY(h.informed.isEmpty());
        QVERIFY(f.resetEnabled());
        QVERIFY(!f.isVisible());
        QCOMPARE(about + viewer, 0);
        QVERIFY(h.opened.isEmpty());
        QVERIFY(!f.isUnloaded());

        f.zel().ModalOpen = false;
        f.mnuShowLog->trigger();
        emit f.trayIcon()->messageClicked();
        f.mnuAbout->trigger();
        QCOMPARE(viewer, 2);
        QCOMPARE(about, 1);

        // Reset during a poll only restores the icon.
        f.zel().PollBusy = true;
        f.mnuReset->trigger();
        QVERIFY(h.informed.isEmpty());
        QCOMPARE(f.trayLook(), TrayLook::Normal);
        QVERIFY(!f.resetEnabled());
    }

    void settingsKeepsAnErrorAndClearsTheTooltip()
    {
        FrmZelHarness h;
        frmZel &f = h.start({"$/Web/a.htm"});
        f.cmOk_Click();
        f.lst->setToolTip(QStringLiteral("$/Web/a.htm"));
        f.setStatus(QStringLiteral("ERROR: Cannot open VSS database"));
        f.mnuSet_Click();
        QCOMPARE(f.status(), QStringLiteral("ERROR: Cannot open VSS database"));
        QVERIFY(f.lst->toolTip().isEmpty());
        QVERIFY(f.isVisible());

        f.hide();
        f.setStatus(QString());
        f.zel().PollBusy = true; // a poll shows the viewer
        f.mnuSet_Click();
        QCOMPARE(f.status(), QStringLiteral("Files in the list: 1"));
        QVERIFY(!f.isVisible());
    }

    void helpOpensTheBundledPages()
    {
        FrmZelHarness h;
        frmZel &f = h.start();
        f.cmOk_Click();
        f.mnuHelp->trigger();
        QCOMPARE(h.opened.size(), 1);
        const QString page = h.opened[0].toLocalFile();
        QVERIFY2(QFileInfo(page).isFile(), qPrintable(page));
        QFile file(page);
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().contains("Hide &amp; Watch"));
        // The pictures the page shows are beside it.
        QVERIFY(QFileInfo(QFileInfo(page).dir().filePath(QStringLiteral("../icons/quorvik.svg")))
                    .isFile());
        QVERIFY(!f.helpWindow());

        // No browser: the program shows the page in a window of its own and
        // says where the manual is.
        h.browserFails = true;
        f.showHelp(HelpPages::ExplorerContext);
        QVERIFY(h.opened.last().toLocalFile().endsWith(QLatin1String("/help/explorer.html")));
        QVERIFY(f.helpWindow() && f.helpWindow()->isVisible());
        QCOMPARE(f.helpWindow()->browser->source(), h.opened.last());
        QVERIFY(f.helpWindow()->browser->toPlainText().contains(QLatin1String("explorer")));
        QVERIFY(f.helpWindow()->lblWhere->text().contains(h.opened.last().toLocalFile()));
    }
};

QTEST_MAIN(tst_frmZelTray)
#include "tst_frmzeltray.moc"
