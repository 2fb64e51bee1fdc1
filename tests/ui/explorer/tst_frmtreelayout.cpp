// The explorer's layout: the placements and limits in twips, the window's
// minimum size, the splitter bars and the stored values.
#include "ExplorerHarness.h"
#include "ui/explorer/ExplorerLayout.h"
#include "ui/explorer/ExplorerSettings.h"

#include <QPushButton>

using namespace ExplorerLayout;

class tst_frmTreeLayout : public QObject
{
    Q_OBJECT

    using H = ExplorerHarness;

    static QRect px(int l, int t, int w, int h) { return ToPixels(QRect(l, t, w, h)); }

    static void mouse(QWidget *w, QEvent::Type type, const QPoint &windowPos,
                      Qt::MouseButton button = Qt::LeftButton)
    {
        const QPoint local = w->mapFrom(w->window(), windowPos);
        QMouseEvent e(type, local, w->mapToGlobal(local), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                      Qt::NoModifier);
        QCoreApplication::sendEvent(w, &e);
    }
    // Drags a bar by the pointer to `to` (window coordinates, pixels).
    static void dragBar(QWidget *bar, const QPoint &to, Qt::MouseButton button = Qt::LeftButton)
    {
        const QPoint from = bar->geometry().center();
        mouse(bar, QEvent::MouseButtonPress, from, button);
        mouse(bar, QEvent::MouseMove, to, button);
        mouse(bar, QEvent::MouseButtonRelease, to, button);
    }

private slots:
    void initTestCase() { FrmZelHarness::isolateFromUser(); }

    void limitsOfSizeAndBars()
    {
        // The minimum size.
        Placement p = Compute(2000, 1000, 4000, 2000, true, 0, 0);
        QCOMPARE(QSize(p.width, p.height), QSize(3000, 2000));
        // Bars beyond the edges (dragging there is tested below).
        p = Compute(8000, 5000, 99999, -7, true, 0, 0);
        QCOMPARE(QList<int>({p.hbar, p.vbar}), QList<int>({50, 8000 - 150}));
        // Not in the normal state: the size stays, and an upper limit wins
        // over a lower one.
        p = Compute(8000, 5000, 10, 10, false, 100, 900);
        QCOMPARE(QSize(p.width, p.height), QSize(100, 900));
        QCOMPARE(p.hbar, 900 - 800 - 500);
        QCOMPARE(p.vbar, 100 - 150);
    }

    void storedValuesReadWithDefaultsAndCorrectedBeforeShowing()
    {
        H h;
        ExplorerLayoutValues v = ReadExplorerLayout(*h.store);
        QCOMPARE(QList<int>({v.width, v.height, v.vbar, v.hbar}),
                 QList<int>({8000, 5000, 4000, 2000}));
        h.param("X1", "wide");
        h.param("X2", " 6000 ");
        h.param("X3", "");
        h.param("X4", "-30");
        v = ReadExplorerLayout(*h.store);
        QCOMPARE(QList<int>({v.width, v.height, v.vbar, v.hbar}),
                 QList<int>({8000, 6000, 4000, -30}));

        h.param("X1", "2000");
        h.param("X2", "1000");
        h.param("X3", "9000");
        h.param("X4", "10");
        h.store->commit();
        frmTree &w = h.open();
        QCOMPARE(QList<int>({w.WidthTwips(), w.HeightTwips(), w.VBarTwips(), w.HBarTwips()}),
                 QList<int>({3000, 2000, 3000 - 150, 50}));
        QCOMPARE(w.size(), Twips::clientPixels(3000, 2000));
    }

    void opensWithTheDefaultLayout()
    {
        H h;
        frmTree &w = h.open();
        QCOMPARE(QList<int>({w.WidthTwips(), w.HeightTwips(), w.VBarTwips(), w.HBarTwips()}),
                 QList<int>({8000, 5000, 4000, 2000}));
        QCOMPARE(w.tv->geometry(), px(50, 50, 3950, 1965));
        QCOMPARE(w.lstR->geometry(), px(4035, 50, 3850, 1965));
        QCOMPARE(w.List1->geometry(), px(50, 2050, 7825, 2100)); // 50 above the buttons' top
        QCOMPARE(w.cmdOK->geometry(), px(6800, 4200, 1000, 300));
        QCOMPARE(w.cmdCancel->geometry(), px(5750, 4200, 1000, 300));
        // The stored size is the outer one: the buttons sit at the bottom margin.
        QCOMPARE(w.size(), QSize(toPixels(8000 - 120), toPixels(5000 - 420)));
        QCOMPARE(w.height() - w.cmdOK->geometry().bottom() - 1, toPixels(80));
        QCOMPARE(w.split->geometry(), px(50, 2000, 7825, 50));
        QCOMPARE(w.vsplit->pos(), px(4000, 0, 10, 2035).topLeft());
        QCOMPARE(w.vsplit->height(), px(4000, 0, 10, 2035).height());
        QCOMPARE(w.split->cursor().shape(), Qt::SizeVerCursor);
        QCOMPARE(w.vsplit->cursor().shape(), Qt::SizeHorCursor);
        QVERIFY(!(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    }

    void shrinkingSpringsBackAndKeepsTheButtonsInTheCorner()
    {
        H h;
        frmTree &w = h.open();
        w.resize(40, 40);
        QTRY_COMPARE(w.size(), Twips::clientPixels(3000, 2000));
        w.resize(700, 500);
        QTRY_COMPARE(w.size(), QSize(700, 500));
        const int width = 700 * 15 + 120, height = 500 * 15 + 420;
        QCOMPARE(w.WidthTwips(), width);
        QCOMPARE(w.cmdOK->geometry(), px(width - 1200, height - 800, 1000, 300));
        QCOMPARE(w.List1->geometry().bottom() + 1, toPixels(height - 800 - 50));
    }

    void barsFollowThePointerAndSnapBackInsideTheLimits()
    {
        H h;
        frmTree &w = h.open();

        // The horizontal bar: only the bar moves until the release.
        const QPoint from = w.split->geometry().center();
        mouse(w.split, QEvent::MouseButtonPress, from, Qt::RightButton);
        QVERIFY(w.SplitDragging);
        mouse(w.split, QEvent::MouseMove, QPoint(300, 100));
        QCOMPARE(w.split->pos(), QPoint(w.List1->x(), 100));
        QCOMPARE(w.tv->geometry(), px(50, 50, 3950, 1965));
        mouse(w.split, QEvent::MouseButtonRelease, QPoint(300, 100), Qt::RightButton);
        QVERIFY(!w.SplitDragging);
        QCOMPARE(w.HBarTwips(), 1500);
        QCOMPARE(w.tv->geometry(), px(50, 50, 3950, 1500 - 35));

        // Below the buttons: 500 above the OK button's top.
        dragBar(w.split, QPoint(10, 330));
        QCOMPARE(w.HBarTwips(), 4200 - 500);
        // Above the top: 50.
        dragBar(w.split, QPoint(10, -40));
        QCOMPARE(w.HBarTwips(), 50);

        // The vertical bar keeps the file list's top while it moves.
        mouse(w.vsplit, QEvent::MouseButtonPress, w.vsplit->geometry().center());
        mouse(w.vsplit, QEvent::MouseMove, QPoint(100, 90));
        QCOMPARE(w.vsplit->pos(), QPoint(100, w.lstR->y()));
        mouse(w.vsplit, QEvent::MouseButtonRelease, QPoint(100, 90));
        QCOMPARE(w.VBarTwips(), 1500);
        dragBar(w.vsplit, QPoint(2000, 10));
        QCOMPARE(w.VBarTwips(), 8000 - 150);
        QCOMPARE(w.lstR->width(), 0);
        dragBar(w.vsplit, QPoint(-50, 10));
        QCOMPARE(w.VBarTwips(), 50);
        QCOMPARE(w.tv->width(), 0);

        // The left button let go over the background ends a bar drag.
        w.SplitDragging = true;
        mouse(&w, QEvent::MouseButtonRelease, QPoint(2, 2));
        QVERIFY(!w.SplitDragging);
    }

    void okStoresTheCurrentLayoutForTheNextOpening()
    {
        H h;
        auto stored = [&h] {
            return QStringList({h.storedParam("X1"), h.storedParam("X2"), h.storedParam("X3"),
                                h.storedParam("X4")});
        };
        // Opened and closed unchanged: stored exactly as it was.
        h.open().cmdOK_Click();
        QCOMPARE(stored(), QStringList({"8000", "5000", "4000", "2000"}));

        frmTree &w = h.open();
        w.resize(600, 400);
        QTRY_COMPARE(w.size(), QSize(600, 400));
        dragBar(w.split, QPoint(10, 150));
        dragBar(w.vsplit, QPoint(250, 10));
        w.cmdOK_Click();
        QCOMPARE(stored(), QStringList({"9120", "6420", "3750", "2250"}));

        frmTree &again = h.open();
        QCOMPARE(again.size(), QSize(600, 400));
        QCOMPARE(again.HBarTwips(), 2250);
        QCOMPARE(again.VBarTwips(), 3750);
        QCOMPARE(again.tv->width(), toPixels(3750 - 50));

        // Cancel after moving a bar keeps what OK stored.
        dragBar(again.split, QPoint(10, 100));
        again.cmdCancel_Click();
        QCOMPARE(h.storedParam("X4"), QStringLiteral("2250"));
    }
};

QTEST_MAIN(tst_frmTreeLayout)
#include "tst_frmtreelayout.moc"
