// The watched-file list of the main window: rebuild, add, remove, the
// context menu and the tooltip.
#include "FrmZelHarness.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

class tst_frmZelList : public QObject
{
    Q_OBJECT

    static QStringList entries(const frmZel &f)
    {
        QStringList texts;
        for (int i = 0; i < f.lst->count(); ++i)
            texts << f.lst->item(i)->text();
        return texts;
    }
    static QStringList watched(frmZel &f)
    {
        QStringList keys;
        for (const Suspect &s : f.zel().MonitoredFiles)
            keys << s.Key();
        return keys;
    }
    // Enabled state of Select All, Undo Select, Add New, Remove, Remove All.
    static QList<bool> menuState(frmZel &f)
    {
        f.prepareListMenu();
        return {f.m_selectall->isEnabled(), f.m_unselect->isEnabled(), f.m_addnew->isEnabled(),
                f.m_remove->isEnabled(), f.m_removeall->isEnabled()};
    }

private slots:
    void initTestCase() { FrmZelHarness::isolateFromUser(); }

    void refreshShowsEveryFileWithItsStateIcon()
    {
        FrmZelHarness h;
        frmZel &f = h.build();
        const QDateTime d = h.clock.now();
        f.zel().MonitoredFiles.Add("$/b", 1, 2, d, "$/b");
        f.zel().MonitoredFiles.Add("$/a", -1, 0, d, "$/a");
        f.setStatus(QStringLiteral("kept"));
        f.RefreshFileList();
        QCOMPARE(entries(f), QStringList({"$/b", "$/a"}));
        QCOMPARE(f.status(), QStringLiteral("Files in the list: 2"));
        QVERIFY(!f.lst->item(0)->icon().isNull());
        QVERIFY(!f.lst->item(1)->icon().isNull()); // a file never looked at has a picture too
        QVERIFY(!(f.lst->item(0)->flags() & Qt::ItemIsEditable));

        // An empty rebuild leaves the status line alone.
        f.zel().MonitoredFiles.RemoveAll();
        f.setStatus(QStringLiteral("kept"));
        f.RefreshFileList();
        QCOMPARE(f.lst->count(), 0);
        QCOMPARE(f.status(), QStringLiteral("kept"));
    }

    void contextMenuStates()
    {
        FrmZelHarness h;
        frmZel &f = h.load({"$/Web/a.htm", "$/Web/b.htm"});
        f.lst->clearSelection();
        QCOMPARE(menuState(f), QList<bool>({true, false, true, false, true}));
        f.lst->item(1)->setSelected(true);
        QCOMPARE(menuState(f), QList<bool>({true, true, true, true, true}));
        f.m_removeall_Click();
        QCOMPARE(menuState(f), QList<bool>({false, false, true, false, false}));
        QVERIFY(f.m_remove->isVisible() && f.m_removeall->isVisible());
        const QStringList captions = {"Select All", "Undo Select", "",
                                      "Add New",    "Remove",      "Remove All"};
        QStringList actual;
        for (QAction *a : f.mright->actions())
            actual << a->text();
        QCOMPARE(actual, captions);
    }

    void menuSelectAndRemoveCommands()
    {
        FrmZelHarness h;
        frmZel &f =
            h.load({"$/Web/1.htm", "$/Web/2.htm", "$/Web/3.htm", "$/Web/4.htm", "$/Web/5.htm"});
        f.m_selectall->trigger();
        QCOMPARE(f.lst->selectedItems().size(), 5);
        f.m_unselect->trigger();
        QCOMPARE(f.lst->selectedItems().size(), 0);

        // One selected: that one goes, and the last entry becomes the selected one.
        f.lst->setCurrentItem(f.lst->item(1));
        f.m_remove->trigger();
        const QStringList left = {"$/Web/1.htm", "$/Web/3.htm", "$/Web/4.htm", "$/Web/5.htm"};
        QCOMPARE(entries(f), left);
        QCOMPARE(watched(f), left);
        QCOMPARE(f.status(), QStringLiteral("Files in the list: 4"));
        QCOMPARE(f.lst->currentItem(), f.lst->item(3));
        QVERIFY(f.lst->item(3)->isSelected());
        QCOMPARE(h.storedParam("FilesCount"), QStringLiteral("5")); // stored at the next save

        // Several selected: exactly those go, the others stay in order.
        f.lst->item(1)->setSelected(true);
        f.m_remove->trigger();
        const QStringList rest = {"$/Web/1.htm", "$/Web/4.htm"};
        QCOMPARE(entries(f), rest);
        QCOMPARE(watched(f), rest);
        QCOMPARE(f.status(), QStringLiteral("Files in the list: 2"));

        // All selected: the list empties and the tooltip goes.
        f.lst->setToolTip(QStringLiteral("$/Web/1.htm"));
        f.m_selectall->trigger();
        f.m_remove->trigger();
        QCOMPARE(f.lst->count(), 0);
        QCOMPARE(f.zel().MonitoredFiles.Count(), 0);
        QCOMPARE(f.status(), QStringLiteral("Files in the list: 0"));
        QVERIFY(f.lst->toolTip().isEmpty());
    }

    void minusRemovesTheSelectedEntryAndClickSetsTheTooltip()
    {
        FrmZelHarness h;
        frmZel &f = h.start({"$/Web/a.htm", "$/Web/b.htm"});
        f.lst->setToolTip(QStringLiteral("$/Web/a.htm"));
        f.lst->clearSelection();
        f.setStatus(QString());
        f.cmdRemove->click(); // nothing selected: only the count is shown
        QCOMPARE(f.lst->count(), 2);
        QCOMPARE(f.lst->toolTip(), QStringLiteral("$/Web/a.htm"));
        QCOMPARE(f.status(), QStringLiteral("Files in the list: 2"));

        const QRect second = f.lst->visualItemRect(f.lst->item(1));
        QTest::mouseClick(f.lst->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(f.lst->toolTip(), QStringLiteral("$/Web/b.htm"));
        f.cmdRemove->click();
        QCOMPARE(entries(f), QStringList({"$/Web/a.htm"}));
        f.cmdRemove->click(); // the last entry, now selected
        QCOMPARE(f.lst->count(), 0);
        QCOMPARE(f.status(), QStringLiteral("Files in the list: 0"));
        QVERIFY(f.lst->toolTip().isEmpty());
    }

    void addOpensTheDatabaseThenTheExplorer()
    {
        FrmZelHarness h;
        frmZel &f = h.load({"$/Web/a.htm"});
        f.zel().ReleaseDatabase();
        f.setStatus(QStringLiteral("before"));
        f.cmdAdd_Click(); // no explorer plugged in: stops after opening
        QVERIFY(f.zel().Database);
        QCOMPARE(f.status(), QStringLiteral("before"));

        f.zel().ReleaseDatabase();
        int explorer = 0;
        f.windows.openExplorer = [&] {
            ++explorer;
            return f.zel().Database != nullptr;
        };
        f.cmdAdd->click();
        QCOMPARE(explorer, 1);
        QVERIFY(f.zel().Database);
        QCOMPARE(f.status(), QStringLiteral("Files in the list: 1"));

        // The Insert key released in the list and the menu entry do the same.
        QTest::keyClick(f.lst, Qt::Key_Insert);
        QCOMPARE(explorer, 2);
        f.m_addnew->trigger();
        QCOMPARE(explorer, 3);
    }

    void addStopsWhenTheDatabaseDoesNotOpen()
    {
        FrmZelHarness h;
        h.storeUser({"$/Web/a.htm"}, QStringLiteral("wrong"));
        frmZel &f = h.start();
        bool explorer = false;
        f.windows.openExplorer = [&] { return explorer = true; };
        f.setTrayLook(TrayLook::Normal);
        f.cmdAdd_Click();
        QVERIFY(!explorer);
        QCOMPARE(f.status(), QStringLiteral("ERROR: Cannot open VSS database"));
        QCOMPARE(f.trayLook(), TrayLook::Error);
        QVERIFY(!f.zel().Database);

        h.repo->failOn(QStringLiteral("create"));
        f.cmdAdd_Click();
        QCOMPARE(f.status(), QStringLiteral("ERROR: VSS not installed."));
        QVERIFY(!explorer);
    }
};

QTEST_MAIN(tst_frmZelList)
#include "tst_frmzellist.moc"
