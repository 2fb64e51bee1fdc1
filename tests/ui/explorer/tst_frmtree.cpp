// The explorer window: the project tree read one level ahead, the file list
// with its check-out icons, the selection list with its commands, keys and
// drag and drop, the hand-over on OK, and the layout in twips.
#include "ui/ScreenReader.h"
#include "ui/explorer/ExplorerFileList.h"
#include "ui/explorer/ExplorerHost.h"
#include "ui/explorer/ExplorerLayout.h"
#include "ui/explorer/frmTree.h"
#include "ui/main/FrmZelHarness.h"

#include <QAction>
#include <QInputDialog>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QtTest>

using namespace ExplorerLayout;

namespace {

// The main window with the explorer plugged in, over a small repository:
// $/readme.txt, $/Web/{index.html, app.js, about.html, logo.png},
// $/Web/css/site.css, $/Web/css/themes/dark, $/Tools/build. The user
// watches $/Web/index.html and $/Web/app.js.
struct H : FrmZelHarness
{
    std::unique_ptr<ExplorerHost> host; // goes before the base's main window

    const QStringList watched{"$/Web/index.html", "$/Web/app.js"};

    H()
    {
        storeUser(watched);
        const QDateTime d = clock.now().addDays(-3);
        for (const char *f : {"$/readme.txt", "$/Web/about.html", "$/Web/logo.png"})
            repo->addFile(f, "other", d);
        for (const char *p :
             {"$/Web/css", "$/Web/css/themes", "$/Web/css/themes/dark", "$/Tools", "$/Tools/build"})
            repo->addProject(p);
        repo->addFile("$/Web/css/site.css", "other", d);
    }
    void startWithExplorer()
    {
        start();
        host = std::make_unique<ExplorerHost>(*frm, repo->factory());
    }
    // "+" pressed: the explorer open and active.
    frmTree &open()
    {
        if (!frm)
            startWithExplorer();
        frm->cmdAdd_Click();
        frmTree *w = host->window();
        if (!w)
            qFatal("the explorer did not open");
        w->Form_Activate();
        return *w;
    }
    QStringList stored() const
    {
        return {storedParam("X1"), storedParam("X2"), storedParam("X3"), storedParam("X4")};
    }
};

void click(frmTree &w, const QString &key)
{
    w.tv->setCurrentItem(w.node(key));
    w.tv_NodeClick(w.node(key));
}
QStringList nodeKeys(const QTreeWidgetItem *n)
{
    QStringList k;
    for (int i = 0; i < n->childCount(); ++i)
        k << frmTree::nodeKey(n->child(i)) << nodeKeys(n->child(i));
    return k;
}
QStringList nodeKeys(const frmTree &w)
{
    return QStringList{"$/"} + nodeKeys(w.tv->topLevelItem(0));
}
void select(QListWidget *list, const QStringList &picked)
{
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSelected(picked.contains(list->item(i)->text()));
}
// A key let go in `pane` (the commands act on release).
void release(QWidget *pane, int key, Qt::KeyboardModifiers mods = {}, bool autoRepeat = false)
{
    QKeyEvent e(QEvent::KeyRelease, key, mods, QString(), autoRepeat);
    QCoreApplication::sendEvent(pane, &e);
}
// A drag entering `target` and, when it takes it, dropped there.
bool drop(QWidget *target, const QMimeData &data)
{
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent e(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &e);
    return true;
}
void mouse(QWidget *w, QEvent::Type type, const QPoint &windowPos,
           Qt::MouseButton button = Qt::LeftButton)
{
    const QPoint local = w->mapFrom(w->window(), windowPos);
    QMouseEvent e(type, local, w->mapToGlobal(local), button,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                  Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}
// Drags a bar by the pointer to `to` (window coordinates, pixels).
void dragBar(QWidget *bar, const QPoint &to)
{
    mouse(bar, QEvent::MouseButtonPress, bar->geometry().center());
    mouse(bar, QEvent::MouseMove, to);
    mouse(bar, QEvent::MouseButtonRelease, to);
}
QRect px(int l, int t, int w, int h)
{
    return ToPixels(QRect(l, t, w, h));
}

} // namespace

class tst_frmTree : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FrmZelHarness::isolateFromUser(); }

    void openingReadsOneLevelAheadAndExpandingAddsWhatIsMissing()
    {
        H h;
        frmTree &w = h.open();
        QCOMPARE(nodeKeys(w), QStringList({"$/", "$/Web", "$/Web/index.html", "$/Web/app.js",
                                           "$/Web/about.html", "$/Web/logo.png", "$/Web/css",
                                           "$/readme.txt", "$/Tools", "$/Tools/build"}));
        QVERIFY(w.node("$/")->isExpanded() && !w.tv->editTriggers());
        QCOMPARE(w.CurrentProject->Spec(), QStringLiteral("$/")); // the root, current

        h.repo->addProject("$/Web/css/fonts"); // created after the opening
        h.repo->addFile("$/Web/css/themes/dark.css", "other", h.clock.now());
        w.node("$/Web")->setExpanded(true);
        w.node("$/Web")->setExpanded(false);
        w.node("$/Web")->setExpanded(true); // nothing read twice
        // Only projects come in by expanding.
        QCOMPARE(nodeKeys(w.node("$/Web/css")),
                 QStringList({"$/Web/css/themes", "$/Web/css/fonts"}));
        w.node("$/Web/css")->setExpanded(true);
        QVERIFY(w.node("$/Web/css/themes/dark") && !w.node("$/Web/css/themes/dark.css"));
    }

    void filesShowTheirCheckOutStateAndTheListFollowsTheTree()
    {
        H h;
        h.repo->checkOut("$/Web/about.html", "me");
        h.repo->checkOut("$/Web/logo.png", "other");
        frmTree &w = h.open();
        click(w, "$/Web");
        QCOMPARE(texts(w.lstR), QStringList({"index.html", "app.js", "about.html", "logo.png"}));
        // Not checked out, by another user, by me: each its own picture, in
        // the list and in the tree.
        const QStringList files = {"index.html", "logo.png", "about.html"};
        const QStringList pictures = {"file-free", "file-out-other", "file-out-mine"};
        const auto image = [](const QIcon &icon) { return icon.pixmap(16, 16).toImage(); };
        for (int state = 0; state < 3; ++state) {
            const QImage expected = image(QIcon(":/icons/" + pictures[state] + ".svg"));
            QCOMPARE(image(w.lstR->findItems(files[state], Qt::MatchExactly)[0]->icon()), expected);
            QCOMPARE(image(w.node("$/Web/" + files[state])->icon(0)), expected);
        }

        click(w, "$/Tools"); // a subproject and no files
        QCOMPARE(w.lstR->count(), 0);
        click(w, "$/readme.txt"); // a file: the list stays empty
        QCOMPARE(w.lstR->count(), 0);
        QCOMPARE(w.CurrentProject->Spec(), QStringLiteral("$/readme.txt"));
        w.tv->setCurrentItem(w.node("$/Web")); // moving with the keys
        release(w.tv, Qt::Key_Down);
        QCOMPARE(w.lstR->count(), 4);

        // F1: the explorer's page of the manual.
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(w.tv, Qt::Key_F1);
        QVERIFY(h.opened.last().toLocalFile().endsWith(QLatin1String("/help/explorer.html")));
    }

    void addingTakesFilesOnceWithTheirStateAndNeverProjects()
    {
        H h;
        h.repo->checkOut("$/readme.txt", "me");
        const QDateTime aboutDate = h.clock.now().addDays(-1);
        h.repo->checkOut("$/Web/about.html", "other");
        h.repo->checkIn("$/Web/about.html", "other", aboutDate, true);
        h.repo->addFile("$/Web/new.txt", "other", aboutDate);
        frmTree &w = h.open();

        w.tv->setCurrentItem(w.node("$/Web"));
        release(w.tv, Qt::Key_Insert);
        w.tv->setCurrentItem(w.node("$/Web/index.html")); // already watched
        release(w.tv, Qt::Key_Insert, Qt::ShiftModifier);
        w.tv->setCurrentItem(w.node("$/readme.txt"));
        release(w.tv, Qt::Key_Insert, {}, true); // held: acts on the last release
        QCOMPARE(texts(w.List1), h.watched);
        release(w.tv, Qt::Key_Insert);
        QCOMPARE(texts(w.List1), h.watched + QStringList{"$/readme.txt"});

        click(w, "$/Web"); // only the selected files: logo.png stays out
        select(w.lstR, {"app.js", "about.html", "new.txt"});
        w.doLayout(8000, 5000, 4000, 3700); // room for one line: the newest one shows
        release(w.lstR, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(texts(w.List1).mid(3), QStringList({"$/Web/about.html", "$/Web/new.txt"}));
        QVERIFY(w.List1->viewport()->rect().contains(
            w.List1->visualItemRect(w.List1->item(4)).center()));
        const auto state = [&w](const char *spec) {
            const Suspect *s = w.WorkList->Item(spec);
            return QList<int>{s->Status(), s->ImageIndex()};
        };
        QCOMPARE(state("$/readme.txt"), QList<int>({2, 3}));
        QCOMPARE(state("$/Web/about.html"), QList<int>({1, 2}));
        QCOMPARE(state("$/Web/new.txt"), QList<int>({0, 1}));
        QCOMPARE(w.WorkList->Item("$/Web/about.html")->DateIn(), aboutDate);
    }

    void okHandsOverTheEditedCopyEveryOtherWayKeepsTheList()
    {
        for (const QString way :
             {"OK", "Enter", "Cancel", "Enter on Cancel", "close box", "deactivation"}) {
            const bool handedOver = way == "OK" || way == "Enter";
            H h;
            h.startWithExplorer();
            Suspect &kept = *h.frm->zel().MonitoredFiles.Item("$/Web/app.js");
            kept.setStatus(1); // what the poll recorded, not what the repository says
            kept.setImageIndex(7);
            const QDateTime seen(QDate(2001, 2, 3), QTime(4, 5, 6));
            kept.setDateIn(seen);
            QPointer<frmTree> w = &h.open();
            w->tv->setCurrentItem(w->node("$/readme.txt"));
            w->AddTreeFile();
            select(w->List1, {"$/Web/index.html"});
            w->RemovePickedEntries();

            if (way == "OK")
                w->cmdOK->click();
            else if (way == "Enter")
                QTest::keyClick(w->tv, Qt::Key_Return);
            else if (way == "Cancel")
                w->cmdCancel->click();
            else if (way == "Enter on Cancel") {
                w->cmdCancel->setFocus();
                QTest::keyClick(w->cmdCancel, Qt::Key_Return);
            } else if (way == "close box")
                w->close();
            else {
                QVERIFY(QTest::qWaitForWindowActive(w)); // the user clicks the main window
                h.frm->activateWindow();
            }
            QTRY_VERIFY(!h.host->visible());
            const QStringList now =
                handedOver ? QStringList{"$/Web/app.js", "$/readme.txt"} : h.watched;
            QCOMPARE(texts(h.frm->lst), now); // the main window's list shows the watched files
            const Suspect &app = *h.frm->zel().MonitoredFiles.Item("$/Web/app.js");
            QCOMPARE(QList<int>({app.Status(), app.ImageIndex()}), QList<int>({1, 7}));
            QCOMPARE(app.DateIn(), seen);
            QTRY_VERIFY(!w); // unloaded
            // Only OK stores the layout, and on the disk.
            SettingsStore reread(h.dir.path());
            QCOMPARE(reread.GetSetting(kAppName, "Params", "X1"), handedOver ? "8000" : QString());
        }
    }

    void removeSelectAndMenusActOnTheirOwnPane()
    {
        H h;
        h.startWithExplorer();
        Suspects &watched = h.frm->zel().MonitoredFiles;
        watched.RemoveAll();
        for (int i = 1; i <= 5; ++i)
            watched.Add(QString("$/f%1").arg(i), 0, 1, h.clock.now(), QString("$/f%1").arg(i));
        frmTree &w = h.open();
        const auto shown = [&w](bool overFileList) {
            w.prepareListMenu(overFileList);
            QList<bool> enabled;
            for (QAction *a : w.mnuList->actions())
                if (a->isVisible() && !a->isSeparator())
                    enabled << a->isEnabled();
            return enabled;
        };
        // A right-click on another line keeps the selection for the popup.
        select(w.List1, {"$/f2", "$/f3", "$/f5"});
        const QPoint first = w.List1->visualItemRect(w.List1->item(0)).center();
        QTest::mouseClick(w.List1->viewport(), Qt::RightButton, {}, first);
        QCOMPARE(w.List1->selectedItems().size(), 3);
        w.mnuList->hide();
        QVERIFY(MenuKeysOpen(w.lstR, w.mnuList) && w.MenuTarget); // the Menu key, Shift+F10
        QVERIFY(MenuKeysOpen(w.List1, w.mnuList) && !w.MenuTarget);
        // The selection list's menu: Select, Select All, Undo, Remove, Remove All.
        QCOMPARE(shown(false), QList<bool>({true, true, true, true, true}));
        QVERIFY(!w.MenuTarget && w.m_removeall->isVisible() && !w.m_copy->isVisible());
        QCOMPARE(w.m_remove->shortcut().toString(), QStringLiteral("Del"));
        w.m_remove->trigger();
        QVERIFY(texts(w.List1) == QStringList({"$/f1", "$/f4"}) && w.WorkList->Count() == 2);
        select(w.List1, {"$/f4"}); // Delete, with any modifier
        release(w.List1, Qt::Key_Delete, Qt::AltModifier);
        QCOMPARE(texts(w.List1), QStringList({"$/f1"}));

        // The file list's menu: Select, Select All, Undo select, Copy.
        QCOMPARE(shown(true), QList<bool>({false, false, false, false}));
        QVERIFY(w.MenuTarget && !w.m_remove->isVisible() && w.m_copy->isVisible());
        click(w, "$/Web");
        QVERIFY(MenuKeysOpen(w.tv, w.mnuTree));
        QCOMPARE(shown(true), QList<bool>({true, true, false, false}));
        // Its keys act on release only: Ctrl+A all, Ctrl+Z none, Ctrl+X nothing.
        QTest::keyPress(w.lstR, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(w.lstR->selectedItems().size(), 0);
        release(w.lstR, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(w.lstR->selectedItems().size(), 4);
        QCOMPARE(shown(true), QList<bool>({true, true, true, true}));
        release(w.lstR, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); // not Ctrl alone
        QCOMPARE(w.lstR->selectedItems().size(), 4);
        release(w.lstR, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.lstR->selectedItems().size(), 0);

        // The selection list's keys: Ctrl+A there, Ctrl+X removes.
        w.prepareListMenu(true);
        release(w.List1, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(!w.MenuTarget && w.lstR->selectedItems().isEmpty());
        release(w.List1, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(w.List1->count() + w.WorkList->Count(), 0);
        QCOMPARE(shown(false), QList<bool>({false, false, false, false, false}));
    }

    void filesDraggedFromTheListDropOnlyOnTheSelectionList()
    {
        H h;
        frmTree &w = h.open();
        click(w, "$/Web");
        select(w.lstR, {"about.html", "logo.png", "index.html"});
        w.lstR->setCurrentItem(w.lstR->item(2), QItemSelectionModel::NoUpdate);
        w.FocusPane = 2; // the drag starts only from the focused file list
        QVERIFY(!w.beginFileDrag(Qt::LeftButton));
        w.FocusPane = 1;
        QVERIFY(!w.beginFileDrag(Qt::LeftButton | Qt::RightButton));
        QVERIFY(w.beginFileDrag(Qt::LeftButton));
        std::unique_ptr<QMimeData> data(w.fileDragData());

        w.lstR->clearSelection(); // passing over the file list keeps the picked ones
        QVERIFY(drop(w.lstR->viewport(), *data));
        QCOMPARE(w.lstR->selectedItems().size(), 3);
        for (QWidget *refuses :
             {static_cast<QWidget *>(w.cmdOK), w.tv->viewport(), static_cast<QWidget *>(&w)})
            QVERIFY(!drop(refuses, *data));
        QMimeData text; // a drag from elsewhere
        text.setText("$/Web/logo.png");
        QVERIFY(!drop(w.List1->viewport(), text));
        QVERIFY(drop(w.List1->viewport(), *data));
        QCOMPARE(texts(w.List1), h.watched + QStringList({"$/Web/about.html", "$/Web/logo.png"}));
        QVERIFY(w.DragSet.isEmpty());

        w.SplitDragging = true; // a drag passing over a bar ends that bar's drag
        QVERIFY(!drop(w.split, *data));
        QVERIFY(!w.SplitDragging);
    }

    // A project node is added from the tree's menu or dropped on the
    // selection list (a file node is not); its patterns are edited there and
    // in the main window, and OK hands it over.
    void projectsAreAddedFromTheTreeAndHandedOver()
    {
        H h;
        frmTree &w = h.open();
        w.prepareTreeMenu(w.node("$/readme.txt"));
        QVERIFY(!w.m_project->isEnabled());
        w.tv->setCurrentItem(w.node("$/Web/css"));
        w.prepareTreeMenu(w.node("$/Web/css"));
        w.m_project->trigger();
        QMimeData node;
        node.setData(frmTree::projectDragFormat(), "$/Tools");
        QVERIFY(!drop(w.lstR->viewport(), node) && drop(w.List1->viewport(), node));
        QCOMPARE(texts(w.List1), h.watched + QStringList({"$/Web/css/...", "$/Tools/..."}));
        DialogHook::modal = [](QDialog &d) {
            static_cast<QInputDialog &>(d).setTextValue(" *.obj ;bin;");
            return int(QDialog::Accepted);
        };
        select(w.List1, {"$/Tools/..."});
        w.prepareListMenu(false);
        QVERIFY(w.m_exclude->isVisible() && w.m_exclude->isEnabled());
        w.m_exclude->trigger();
        w.cmdOK->click();
        Suspect &tools = *h.frm->zel().MonitoredFiles.Item("$/Tools");
        QVERIFY(tools.IsProject() && tools.Excludes() == QStringList({"*.obj", "bin"}));
        QCOMPARE(texts(h.frm->lst), h.watched + QStringList({"$/Web/css/...", "$/Tools/..."}));

        h.frm->lst->setCurrentRow(2); // $/Web/css/...
        h.frm->prepareListMenu();
        QVERIFY(h.frm->m_exclude->isVisible() && h.frm->m_exclude->isEnabled());
        h.frm->m_exclude->trigger();
        QCOMPARE(h.frm->zel().MonitoredFiles.Item("$/Web/css")->Excludes().size(), 2);
        h.frm->cmdRemove->click();
        QVERIFY(!h.frm->zel().MonitoredFiles.Exists("$/Web/css"));
    }

    void repositoryFailuresAreReportedAndLeaveThePanes()
    {
        H h;
        frmTree &w = h.open();
        click(w, "$/Web");
        const int nodes = nodeKeys(w).size();
        h.repo->failOn("Items", "$/Web/css");
        w.node("$/Web")->setExpanded(true);
        QVERIFY(h.frm->status().startsWith("ERROR: ") && h.frm->trayLook() == TrayLook::Error &&
                nodeKeys(w).size() == nodes);
        h.repo->failOn("Items", "$/Tools");
        click(w, "$/Tools");
        QVERIFY(w.lstR->count() == 4 && w.CurrentProject->Spec() == QStringLiteral("$/Web"));

        // Adding stops at the failing file and keeps the ones before it.
        h.repo->failOn("VersionNumber", "$/Web/logo.png");
        select(w.lstR, {"about.html", "logo.png"});
        w.AddPickedFiles();
        QCOMPARE(texts(w.List1), h.watched + QStringList{"$/Web/about.html"});
        QCOMPARE(h.frm->status(), QStringLiteral("ERROR: Cannot find $/Web/logo.png"));
        h.repo->clearFailures(); // the program goes on
        w.AddPickedFiles();
        QCOMPARE(w.List1->count(), 4);
    }

    void openingWithoutADatabaseOpensOneAndReportsItsFailures()
    {
        // The call that fails, on which item, and what the status line says.
        const QStringList rows[] = {{"create", "", "ERROR: VSS not installed."},
                                    {"Open", "", "ERROR: Cannot open VSS database"},
                                    {"Items", "$/Web", "ERROR: Cannot open VSS database"},
                                    {"", "", ""}};
        for (const QStringList &row : rows) {
            H h;
            h.startWithExplorer();
            modZel &z = h.frm->zel();
            z.ReleaseDatabase();
            h.frm->setStatus(QString());
            if (!row[0].isEmpty())
                h.repo->failOn(row[0], row[1]);
            frmTree w(z, *h.store, h.repo->factory());
            w.TreeIni();
            const bool fine = row[2].isEmpty();
            QCOMPARE(h.frm->status(), row[2]);
            QVERIFY(bool(z.Database) == fine && bool(w.node("$/Web/css")) == fine);
            QCOMPARE(h.frm->trayLook() == TrayLook::Error, !fine);
            h.frm->cmdAdd_Click(); // no explorer over an unreadable tree
            QVERIFY(h.host->visible() == fine && h.frm->windows.explorerVisible() == fine);
        }
    }

    void layoutOpensAsStoredWithinItsLimits()
    {
        H h;
        frmTree &w = h.open();
        QCOMPARE(QList<QRect>({w.tv->geometry(), w.lstR->geometry(), w.List1->geometry(),
                               w.cmdOK->geometry(), w.cmdCancel->geometry(), w.split->geometry(),
                               w.vsplit->geometry()}),
                 QList<QRect>({px(50, 50, 3950, 1965), px(4035, 50, 3850, 1965),
                               px(50, 2050, 7825, 2100), px(6800, 4200, 1000, 300),
                               px(5750, 4200, 1000, 300), px(50, 2000, 7825, 50),
                               QRect(px(4000, 0, 10, 2035).topLeft(),
                                     QSize(w.vsplit->width(), px(4000, 0, 10, 2035).height()))}));
        // The stored size is the outer one.
        QCOMPARE(w.size(), QSize(toPixels(8000 - 120), toPixels(5000 - 420)));
        QVERIFY(w.split->cursor().shape() == Qt::SizeVerCursor &&
                w.vsplit->cursor().shape() == Qt::SizeHorCursor);
        QVERIFY(!(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        w.cmdCancel_Click();

        // Stored values above the screen are cut to its free area, below the
        // limits raised to them.
        h.param("X1", "90000");
        h.param("X2", "90000");
        QVERIFY(h.open().screen()->availableGeometry().contains(h.host->window()->frameGeometry()));
        h.host->window()->cmdCancel_Click();
        for (int i = 0; i < 4; ++i)
            h.param(QString("X%1").arg(i + 1), QStringList({"2000", "1000", "9000", "10"})[i]);
        frmTree &small = h.open();
        QCOMPARE(QList<int>({small.WidthTwips(), small.HeightTwips(), small.VBarTwips(),
                             small.HBarTwips()}),
                 QList<int>({3000, 2000, 3000 - 150, 50}));
        QCOMPARE(small.size(), Twips::clientPixels(3000, 2000));
    }

    void barsFollowThePointerAndOkStoresTheLayout()
    {
        H h;
        h.open().cmdOK_Click(); // unchanged: stored exactly as it was
        QCOMPARE(h.stored(), QStringList({"8000", "5000", "4000", "2000"}));
        frmTree &w = h.open();
        w.resize(600, 400);
        QTRY_COMPARE(w.size(), QSize(600, 400));
        QCOMPARE(w.cmdOK->geometry(), px(9120 - 1200, 6420 - 800, 1000, 300));
        // The horizontal bar: only the bar moves until the release.
        const int tvHeight = w.tv->height();
        mouse(w.split, QEvent::MouseButtonPress, w.split->geometry().center(), Qt::RightButton);
        mouse(w.split, QEvent::MouseMove, QPoint(300, 150));
        QVERIFY(w.split->pos() == QPoint(w.List1->x(), 150) && w.tv->height() == tvHeight);
        mouse(w.split, QEvent::MouseButtonRelease, QPoint(300, 150), Qt::RightButton);
        QCOMPARE(w.tv->height(), toPixels(2250 - 35));
        dragBar(w.vsplit, QPoint(2000, 10)); // the vertical bar: 150 from the edge
        QCOMPARE(w.VBarTwips(), 9120 - 150);
        dragBar(w.vsplit, QPoint(250, 10));
        w.cmdOK_Click();
        QCOMPARE(h.stored(), QStringList({"9120", "6420", "3750", "2250"}));
        frmTree &again = h.open();
        QCOMPARE(again.size(), QSize(600, 400));
        dragBar(again.split, QPoint(10, 100));
        again.cmdCancel_Click(); // keeps what OK stored
        QCOMPARE(h.storedParam("X4"), QStringLiteral("2250"));
    }
};

QTEST_MAIN(tst_frmTree)
#include "tst_frmtree.moc"
