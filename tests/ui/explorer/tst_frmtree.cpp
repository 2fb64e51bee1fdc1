// The explorer window: the project tree read one level ahead, the file
// list, the selection list with its commands, keys and drag and drop, and
// the hand-over on OK.
#include "ExplorerHarness.h"
#include "ui/explorer/ExplorerSelection.h"
#include "ui/main/Icons.h"

#include <QAction>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>

class tst_frmTree : public QObject
{
    Q_OBJECT

    using H = ExplorerHarness;

    static QStringList nodeKeys(const frmTree &w)
    {
        QStringList keys;
        std::function<void(QTreeWidgetItem *)> walk = [&](QTreeWidgetItem *n) {
            keys << frmTree::nodeKey(n);
            for (int i = 0; i < n->childCount(); ++i)
                walk(n->child(i));
        };
        for (int i = 0; i < w.tv->topLevelItemCount(); ++i)
            walk(w.tv->topLevelItem(i));
        return keys;
    }

    // A drag entering `target` and, when the target takes it, dropped
    // there. Returns whether the target took it.
    static bool drop(QWidget *target, const QMimeData &data)
    {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent e(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &e);
        return true;
    }

private slots:
    void initTestCase() { FrmZelHarness::isolateFromUser(); }

    void openingLoadsTwoLevelsWithSingleSlashKeys()
    {
        H h;
        h.repo->checkOut("$/readme.txt", "me");
        frmTree &w = h.open();
        QCOMPARE(nodeKeys(w), QStringList({"$/", "$/Web", "$/Web/index.html", "$/Web/app.js",
                                           "$/Web/about.html", "$/Web/logo.png", "$/Web/css",
                                           "$/readme.txt", "$/Tools", "$/Tools/build"}));
        QCOMPARE(w.node("$/Web/css")->text(0), QStringLiteral("css"));
        QVERIFY(w.node("$/")->isExpanded());
        // Expand buttons exactly where something was read below.
        QCOMPARE(w.node("$/Web/css")->childCount(), 0);
        QCOMPARE(w.node("$/readme.txt")->childCount(), 0);
        QVERIFY(!w.tv->editTriggers());

        // Activation: the root selected, the root current, the file list empty.
        QCOMPARE(w.tv->currentItem(), w.node("$/"));
        QCOMPARE(w.CurrentProject->Spec(), QStringLiteral("$/"));
        QCOMPARE(w.lstR->count(), 0);
        QCOMPARE(w.objectName(), QStringLiteral("frmTree")); // one of the program's windows
        QCOMPARE(h.frm->status(), QStringLiteral("Files in the list: 2"));
    }

    void expansionAddsOnlyMissingProjectGrandchildren()
    {
        H h;
        frmTree &w = h.open();
        h.repo->addProject("$/Web/css/fonts"); // created after the opening
        h.repo->addFile("$/Web/css/themes/dark.css", "other", h.clock.now());

        w.node("$/Web")->setExpanded(true);
        QStringList below;
        for (int i = 0; i < w.node("$/Web/css")->childCount(); ++i)
            below << frmTree::nodeKey(w.node("$/Web/css")->child(i));
        QCOMPARE(below, QStringList({"$/Web/css/themes", "$/Web/css/fonts"}));
        QVERIFY(!w.node("$/Web/css/site.css")); // files never come in by expanding
        QCOMPARE(w.node("$/Web")->childCount(), 5);

        const int before = nodeKeys(w).size();
        w.node("$/Web")->setExpanded(false);
        w.node("$/Web")->setExpanded(true);
        QCOMPARE(nodeKeys(w).size(), before);

        // One level further down: only projects.
        w.node("$/Web/css")->setExpanded(true);
        QVERIFY(w.node("$/Web/css/themes/dark"));
        QVERIFY(!w.node("$/Web/css/themes/dark.css"));
    }

    void clickingNodesFillsTheFileList()
    {
        H h;
        h.repo->checkOut("$/Web/about.html", "me");
        h.repo->checkOut("$/Web/logo.png", "other");
        frmTree &w = h.open();

        H::click(w, "$/Web");
        QCOMPARE(H::lines(w.lstR), QStringList({"index.html", "app.js", "about.html", "logo.png"}));
        QCOMPARE(w.CurrentProject->Spec(), QStringLiteral("$/Web"));
        // Free, checked out by the user, by another: in the list and the tree.
        const auto image = [](const QIcon &icon) { return icon.pixmap(16, 16).toImage(); };
        const QStringList names = {"index.html", "logo.png", "about.html"};
        for (int state = 0; state < 3; ++state) {
            const QImage expected = image(Icons::fileState(state));
            QCOMPARE(image(w.lstR->findItems(names[state], Qt::MatchExactly)[0]->icon()), expected);
            QCOMPARE(image(w.node("$/Web/" + names[state])->icon(0)), expected);
        }

        H::click(w, "$/Tools"); // a project with a subproject and no files
        QCOMPARE(w.lstR->count(), 0);

        H::click(w, "$/Web");
        H::click(w, "$/readme.txt"); // a file: empties the list, which stays empty
        QCOMPARE(w.lstR->count(), 0);
        QCOMPARE(w.CurrentProject->Spec(), QStringLiteral("$/readme.txt"));

        // Moving in the tree with the keys: the file list follows.
        w.tv->setCurrentItem(w.node("$/Web"));
        H::release(w.tv, Qt::Key_Down);
        QCOMPARE(w.lstR->count(), 4);
        QCOMPARE(w.CurrentProject->Spec(), QStringLiteral("$/Web"));

        // F1: the explorer's page of the manual (help context 4001).
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(w.tv, Qt::Key_F1);
        QVERIFY(!h.opened.isEmpty());
        QVERIFY(h.opened.last().toLocalFile().endsWith(QLatin1String("/help/explorer.html")));
    }

    void addingFromTheTreeTakesFilesOnceAndNeverProjects()
    {
        H h;
        h.repo->checkOut("$/readme.txt", "me");
        const QDateTime labelled = h.clock.now().addSecs(-60);
        h.repo->label("$/readme.txt", "v1", labelled);
        frmTree &w = h.open();

        w.tv->setCurrentItem(w.node("$/Web"));
        H::release(w.tv, Qt::Key_Insert);
        w.tv->setCurrentItem(w.node("$/Web/index.html")); // already watched
        H::release(w.tv, Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(H::lines(w.List1), H::watchedAtStart());

        w.tv->setCurrentItem(w.node("$/readme.txt"));
        H::release(w.tv, Qt::Key_Insert, Qt::NoModifier, true); // held: acts on the last release
        QCOMPARE(w.List1->count(), 2);
        H::release(w.tv, Qt::Key_Insert, Qt::ControlModifier);
        w.AddTreeFile();
        QCOMPARE(H::lines(w.List1), H::watchedAtStart() << "$/readme.txt");
        const Suspect *added = w.WorkList->Item("$/readme.txt");
        QCOMPARE(added->Status(), qint16(2));
        QCOMPARE(added->ImageIndex(), qint16(3));
        QCOMPARE(added->DateIn(), labelled);              // the label carries the current number
        QCOMPARE(h.frm->zel().MonitoredFiles.Count(), 2); // nothing handed over yet
    }

    void addingPickedFilesGivesEachItsOwnState()
    {
        H h;
        const QDateTime aboutDate = h.clock.now().addDays(-1);
        const QDateTime logoDate = h.clock.now().addDays(-2);
        h.repo->checkOut("$/Web/about.html", "other");
        h.repo->checkIn("$/Web/about.html", "other", aboutDate, true);
        h.repo->label("$/Web/logo.png", "old", logoDate.addDays(-5), "other", 1);
        h.repo->checkIn("$/Web/logo.png", "me", logoDate);
        frmTree &w = h.open();

        H::click(w, "$/Web");
        H::select(w.lstR, {"logo.png", "app.js", "about.html"});
        H::release(w.lstR, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(H::lines(w.List1), H::watchedAtStart() << "$/Web/about.html"
                                                        << "$/Web/logo.png");
        const Suspect *about = w.WorkList->Item("$/Web/about.html");
        QCOMPARE(about->Status(), qint16(1));
        QCOMPARE(about->ImageIndex(), qint16(2));
        QCOMPARE(about->DateIn(), aboutDate);
        const Suspect *logo = w.WorkList->Item("$/Web/logo.png");
        QCOMPARE(logo->Status(), qint16(0));
        QCOMPARE(logo->DateIn(), logoDate);
        QVERIFY(w.MenuTarget);

        // A file under the root: a single slash.
        H::click(w, "$/");
        H::select(w.lstR, {"readme.txt"});
        w.AddPickedFiles();
        QCOMPARE(w.List1->item(w.List1->count() - 1)->text(), QStringLiteral("$/readme.txt"));
    }

    void initialStateWithoutAMatchingHistoryEntryIsTheZeroDate()
    {
        struct Item : VSSItem
        {
            QString Spec() const override { return "$/x"; }
            QString Name() const override { return "x"; }
            int Type() const override { return File; }
            std::vector<VSSItemPtr> Items(bool) const override { return {}; }
            int IsCheckedOut() const override { return 0; }
            int VersionNumber() const override { return 3; }
            std::vector<VSSVersion> Versions(int) const override
            {
                return {{2, QDateTime(QDate(2020, 1, 2), QTime(3, 4)), {}, {}, {}}};
            }
            VSSCheckouts Checkouts() const override { return {}; }
        } item;
        const auto state = ExplorerSelection::ReadInitialState(item);
        QCOMPARE(state.DateIn, WallClockTime(QDate(1899, 12, 30), QTime(0, 0)));
        QCOMPARE(state.ImageIndex, qint16(1));
    }

    void okWithoutChangesKeepsTheStoredState()
    {
        H h;
        h.startWithExplorer();
        modZel &z = h.frm->zel();
        // What the poll recorded differs from what the repository says now.
        z.MonitoredFiles.Item(1)->setStatus(1);
        z.MonitoredFiles.Item(1)->setImageIndex(7);
        const QDateTime seen(QDate(2001, 2, 3), QTime(4, 5, 6));
        z.MonitoredFiles.Item(2)->setDateIn(seen);
        QPointer<frmTree> w = &h.open();

        w->cmdOK_Click();
        QCOMPARE(H::keys(z.MonitoredFiles), H::watchedAtStart());
        QCOMPARE(z.MonitoredFiles.Item(1)->Status(), qint16(1));
        QCOMPARE(z.MonitoredFiles.Item(1)->ImageIndex(), qint16(7));
        QCOMPARE(z.MonitoredFiles.Item(2)->DateIn(), seen);
        QVERIFY(!h.host->visible());
        QVERIFY(h.frm->isVisible());
        QTRY_VERIFY(!w); // unloaded

        // The layout reached the disk.
        SettingsStore reread(h.dir.path());
        QCOMPARE(reread.GetSetting(kAppName, "Params", "X1"), QStringLiteral("8000"));
        QCOMPARE(reread.GetSetting(kAppName, "Params", "X4"), QStringLiteral("2000"));
    }

    void cancelCloseBoxAndDeactivationKeepTheWatchedList()
    {
        H h;
        for (int way = 0; way < 3; ++way) {
            QPointer<frmTree> w = &h.open();
            w->tv->setCurrentItem(w->node("$/readme.txt"));
            w->AddTreeFile();
            H::select(w->List1, {"$/Web/index.html"});
            w->RemovePickedEntries();
            if (way == 0) {
                w->cmdCancel_Click();
            } else if (way == 1) {
                w->close();
            } else {
                // The user clicks the main window.
                QVERIFY(QTest::qWaitForWindowActive(w));
                h.frm->activateWindow();
                QTRY_VERIFY(!h.host->visible());
            }
            QVERIFY2(!h.host->visible(), qPrintable(QString::number(way)));
            QCOMPARE(H::keys(h.frm->zel().MonitoredFiles), H::watchedAtStart());
            QTRY_VERIFY(!w);
        }
        QCOMPARE(h.storedParam("X1"), QString()); // only OK stores the layout
    }

    void enterPressesOkWhichHandsOverTheEditedCopy()
    {
        H h;
        QPointer<frmTree> w = &h.open();
        w->tv->setCurrentItem(w->node("$/readme.txt"));
        w->AddTreeFile();
        H::select(w->List1, {"$/Web/index.html"});
        w->RemovePickedEntries();
        QTest::keyClick(w->List1, Qt::Key_Escape); // does nothing
        QVERIFY(w->isVisible());
        QTest::keyClick(w->tv, Qt::Key_Return);
        QVERIFY(!h.host->visible());
        const QStringList now = {"$/Web/app.js", "$/readme.txt"};
        QCOMPARE(H::keys(h.frm->zel().MonitoredFiles), now);
        QCOMPARE(H::lines(h.frm->lst), now);

        // With the focus on Cancel, Enter presses Cancel.
        w = &h.open();
        H::click(*w, "$/Web");
        H::select(w->lstR, {"logo.png"});
        w->AddPickedFiles();
        w->cmdCancel->setFocus();
        QTest::keyClick(w->cmdCancel, Qt::Key_Return);
        QVERIFY(!h.host->visible());
        QCOMPARE(h.frm->zel().MonitoredFiles.Count(), 2);
    }

    void removeFiveOfEightLines()
    {
        H h;
        h.startWithExplorer();
        Suspects &watched = h.frm->zel().MonitoredFiles;
        watched.RemoveAll();
        for (int i = 1; i <= 8; ++i)
            watched.Add(QString("$/f%1").arg(i), 0, 1, h.clock.now(), QString("$/f%1").arg(i));
        frmTree &w = h.open();
        H::select(w.List1, {"$/f1", "$/f3", "$/f4", "$/f6", "$/f8"});
        // A right-click on a sixth line keeps the five selected for the popup.
        const QPoint sixth = w.List1->visualItemRect(w.List1->item(1)).center();
        QTest::mouseClick(w.List1->viewport(), Qt::RightButton, {}, sixth);
        QCOMPARE(w.List1->selectedItems().size(), 5);
        w.mnuList->hide();
        w.m_remove->trigger();
        QCOMPARE(H::lines(w.List1), QStringList({"$/f2", "$/f5", "$/f7"}));
        QCOMPARE(H::keys(*w.WorkList), QStringList({"$/f2", "$/f5", "$/f7"}));

        // Delete, with any modifier; with nothing selected nothing happens.
        H::select(w.List1, {"$/f5"});
        H::release(w.List1, Qt::Key_Delete, Qt::AltModifier);
        H::release(w.List1, Qt::Key_Delete);
        QCOMPARE(H::lines(w.List1), QStringList({"$/f2", "$/f7"}));
    }

    void keysAndPopupMenuActOnTheirOwnPane()
    {
        H h;
        frmTree &w = h.open();
        auto shown = [&w] {
            QList<bool> enabled;
            for (QAction *a : w.mnuList->actions())
                if (a->isVisible() && !a->isSeparator())
                    enabled << a->isEnabled();
            return enabled;
        };
        QCOMPARE(w.m_remove->shortcut().toString(), QStringLiteral("Del"));

        // The file list's menu: Select, Select All, Undo select, Copy.
        w.prepareListMenu(true);
        QVERIFY(w.MenuTarget && !w.m_remove->isVisible() && w.m_copy->isVisible());
        QCOMPARE(shown(), QList<bool>({false, false, false, false}));
        H::click(w, "$/Web");
        w.prepareListMenu(true);
        QCOMPARE(shown(), QList<bool>({true, true, false, false}));

        // Its keys: Ctrl+A selects all files, Ctrl+X does nothing.
        H::release(w.lstR, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(w.lstR->selectedItems().size(), 4);
        QCOMPARE(w.List1->selectedItems().size(), 0);
        H::release(w.lstR, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(w.List1->count(), 2);
        QCOMPARE(w.lstR->count(), 4);
        H::release(w.lstR, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); // not Ctrl alone
        QCOMPARE(w.lstR->selectedItems().size(), 4);
        H::release(w.lstR, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.lstR->selectedItems().size(), 0);
        // The press alone does nothing: each key acts once, on release.
        QTest::keyPress(w.lstR, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(w.lstR->selectedItems().size(), 0);
        H::select(w.lstR, {"app.js"});
        w.prepareListMenu(true);
        QCOMPARE(shown(), QList<bool>({true, true, true, true}));

        // The selection list's menu: Select, Select All, Undo, Remove, Remove All.
        w.prepareListMenu(false);
        QVERIFY(!w.MenuTarget && w.m_removeall->isVisible() && !w.m_copy->isVisible());
        QCOMPARE(shown(), QList<bool>({true, true, false, false, true}));
        w.m_selectall->trigger();
        QCOMPARE(w.List1->selectedItems().size(), 2);
        QCOMPARE(w.lstR->selectedItems().size(), 1); // untouched

        // Its keys.
        w.List1->clearSelection();
        w.prepareListMenu(true);
        H::release(w.List1, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(!w.MenuTarget);
        QCOMPARE(w.List1->selectedItems().size(), 2);
        H::release(w.List1, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(w.List1->count(), 0);
        QCOMPARE(w.WorkList->Count(), 0);
        w.prepareListMenu(false);
        QCOMPARE(shown(), QList<bool>({false, false, false, false, false}));
    }

    void dragOfThreeFilesAddsThemOnlyOnTheSelectionList()
    {
        H h;
        frmTree &w = h.open();
        H::click(w, "$/Web");
        const QStringList three = {"about.html", "logo.png", "index.html"};
        H::select(w.lstR, three);
        w.lstR->setCurrentItem(w.lstR->item(2), QItemSelectionModel::NoUpdate);

        w.FocusPane = 2; // the drag starts only from the focused file list
        QVERIFY(!w.beginFileDrag(Qt::LeftButton));
        w.FocusPane = 1;
        QVERIFY(!w.beginFileDrag(Qt::LeftButton | Qt::RightButton));
        QVERIFY(w.beginFileDrag(Qt::LeftButton));
        QCOMPARE(w.DragSet.size(), 3);
        std::unique_ptr<QMimeData> data(w.fileDragData());

        // Passing over the file list keeps the picked items selected.
        w.lstR->clearSelection();
        QVERIFY(drop(w.lstR->viewport(), *data)); // a drop there does nothing
        QCOMPARE(w.lstR->selectedItems().size(), 3);

        // The tree, a button, the background refuse it (cursor img2).
        QVERIFY(!drop(w.cmdOK, *data));
        QVERIFY(!drop(w.tv->viewport(), *data));
        QVERIFY(!drop(&w, *data));
        QCOMPARE(w.List1->count(), 2);

        // A drag from elsewhere is refused even by the selection list.
        QMimeData text;
        text.setText("$/Web/logo.png");
        QVERIFY(!drop(w.List1->viewport(), text));
        QCOMPARE(w.List1->count(), 2);

        QVERIFY(drop(w.List1->viewport(), *data));
        QCOMPARE(H::lines(w.List1), H::watchedAtStart() << "$/Web/about.html"
                                                        << "$/Web/logo.png");
        QVERIFY(w.DragSet.isEmpty());

        // A drag passing over a bar ends that bar's drag.
        w.SplitDragging = true;
        QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, data.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(w.split, &enter);
        QVERIFY(!w.SplitDragging);
        QVERIFY(!enter.isAccepted());
    }

    void repositoryFailuresLeaveThePanesAsTheyStood()
    {
        H h;
        frmTree &w = h.open();
        H::click(w, "$/Web");
        const int nodes = nodeKeys(w).size();

        h.repo->failOn("Items", "$/Web/css");
        w.node("$/Web")->setExpanded(true);
        QVERIFY(h.frm->status().startsWith("ERROR: "));
        QCOMPARE(nodeKeys(w).size(), nodes);
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(h.frm->trayLook(), TrayLook::Error);

        h.repo->clearFailures();
        h.repo->failOn("Items", "$/Tools");
        H::click(w, "$/Tools");
        QCOMPARE(w.lstR->count(), 4);
        QCOMPARE(w.CurrentProject->Spec(), QStringLiteral("$/Web"));

        // Adding stops at the failing file and keeps the ones before it.
        h.repo->failOn("VersionNumber", "$/Web/logo.png");
        H::select(w.lstR, {"about.html", "logo.png"});
        h.frm->setStatus(QString());
        w.AddPickedFiles();
        QCOMPARE(H::lines(w.List1), H::watchedAtStart() << "$/Web/about.html");
        QCOMPARE(h.frm->status(), QStringLiteral("ERROR: Cannot find $/Web/logo.png"));
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);

        // The program goes on.
        h.repo->clearFailures();
        w.AddPickedFiles();
        QCOMPARE(w.List1->count(), 4);
    }

    void treeIniOpensAMissingDatabaseAndReportsItsFailures()
    {
        H h;
        h.startWithExplorer();
        modZel &z = h.frm->zel();
        for (const char *op : {"create", "Open"}) {
            z.ReleaseDatabase();
            h.repo->clearFailures();
            h.repo->failOn(op);
            frmTree w(z, *h.store, h.repo->factory());
            w.TreeIni();
            QCOMPARE(nodeKeys(w), QStringList({"$/"}));
            QVERIFY(!z.Database);
            QCOMPARE(h.frm->status(),
                     QString(op == QString("create") ? "ERROR: VSS not installed."
                                                     : "ERROR: Cannot open VSS database"));
            QCOMPARE(h.frm->trayLook(), TrayLook::Error);
        }
        // A later read failing after the fallback opening: the same report.
        h.repo->clearFailures();
        h.repo->failOn("Items", "$/Web");
        frmTree w(z, *h.store, h.repo->factory());
        w.TreeIni();
        QVERIFY(!z.Database);
        QVERIFY(w.node("$/Web"));
        QCOMPARE(h.frm->status(), QStringLiteral("ERROR: Cannot open VSS database"));

        h.repo->clearFailures();
        frmTree fine(z, *h.store, h.repo->factory());
        fine.TreeIni();
        QVERIFY(z.Database);
        QVERIFY(fine.node("$/Web/css"));

        // The add command with an unreadable tree shows no explorer.
        h.repo->failOn("Items", "$/");
        h.frm->cmdAdd_Click();
        QVERIFY(!h.host->window());
        QVERIFY(!z.Database);
        QCOMPARE(h.frm->status(), QStringLiteral("ERROR: Cannot open VSS database"));
        h.repo->clearFailures();
        h.frm->cmdAdd_Click();
        QVERIFY(h.host->visible());
        QVERIFY(h.frm->windows.explorerVisible());
        h.frm->windows.unloadExplorer();
        QVERIFY(!h.host->visible());
    }

    void readsLazilyAndNothingTwice()
    {
        FrmZelHarness h;
        h.storeUser({});
        const QDateTime d = h.clock.now();
        for (const QString r : {"r0", "r1", "r2"})
            h.repo->addFile("$/" + r, "other", d);
        for (const QString p : {"$/A", "$/B"}) {
            h.repo->addProject(p);
            for (int f = 0; f < 4; ++f)
                h.repo->addFile(QString("%1/f%2").arg(p).arg(f), "other", d);
            for (int s = 0; s < 2; ++s) {
                const QString sub = QString("%1/s%2").arg(p).arg(s);
                h.repo->addProject(sub);
                for (int f = 0; f < 3; ++f)
                    h.repo->addFile(QString("%1/g%2").arg(sub).arg(f), "other", d);
                for (int t = 0; t < 2; ++t) {
                    const QString deep = QString("%1/t%2").arg(sub).arg(t);
                    h.repo->addProject(deep);
                    h.repo->addFile(deep + "/x", "other", d);
                    h.repo->addProject(deep + "/u");
                }
            }
        }
        h.start();
        modZel &z = h.frm->zel();
        QVERIFY(z.Database);
        auto calls = [&h] {
            QList<int> c;
            for (const char *op : {"VSSItem", "Items", "Type", "Name", "IsCheckedOut"})
                c << h.repo->calls(op);
            c << h.repo->calls("VersionNumber") + h.repo->calls("Versions") +
                     h.repo->calls("Checkouts") + h.repo->calls("Spec");
            return c;
        };

        // Opening: the root ($/Web, r0-r2, A, B), then the children of its
        // three projects (A and B: 4 files and 2 subprojects each).
        frmTree w(z, *h.store, h.repo->factory());
        h.repo->resetCalls();
        w.TreeIni();
        QCOMPARE(calls(), QList<int>({1, 4, 6 + 12, 6 + 12, 3 + 8, 0}));

        // Expanding A: its children, and the children of its two subprojects
        // (3 files and 2 projects each); only projects get a name read.
        h.repo->resetCalls();
        w.node("$/A")->setExpanded(true);
        QCOMPARE(calls(), QList<int>({1, 3, 1 + 6 + 10, 2 + 4, 0, 0}));
        QVERIFY(w.node("$/A/s1/t1"));
        QVERIFY(!w.node("$/A/s1/t1/u"));

        // A click: the files of one project.
        h.repo->resetCalls();
        w.tv_NodeClick(w.node("$/A/s0"));
        QCOMPARE(calls(), QList<int>({1, 1, 1 + 5, 3, 3, 0}));
        QCOMPARE(w.lstR->count(), 3);
    }
};

QTEST_MAIN(tst_frmTree)
#include "tst_frmtree.moc"
