// The explorer's layout: placing the panes from the window size and the two
// bars, and dragging the bars.
#include "ExplorerFileList.h"
#include "ExplorerLayout.h"
#include "frmTree.h"
#include "ui/CaptionWidth.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

using namespace ExplorerLayout;

namespace {

// The remembered twips while the pixels still match them, else the pixels.
int exactTwips(int pixels, int remembered)
{
    return toPixels(remembered) == pixels ? remembered : fromPixels(pixels);
}

} // namespace

int frmTree::WidthTwips() const
{
    return Twips::outerTwips(size(), QSize(m_width, m_height)).width();
}

int frmTree::HeightTwips() const
{
    return Twips::outerTwips(size(), QSize(m_width, m_height)).height();
}

int frmTree::VBarTwips() const
{
    return exactTwips(vsplit->x(), m_vbar);
}

int frmTree::HBarTwips() const
{
    return exactTwips(split->y(), m_hbar);
}

void frmTree::doLayout(int width, int height, int vbar, int hbar)
{
    const bool normal =
        !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    const Placement p = Compute(width, height, vbar, hbar, normal, WidthTwips(), HeightTwips());
    m_width = p.width;
    m_height = p.height;
    m_vbar = p.vbar;
    m_hbar = p.hbar;

    if (normal) {
        setMinimumSize(Twips::clientPixels(kMinWidth, kMinHeight));
        const QSize client = Twips::clientPixels(p.width, p.height);
        if (client != size()) {
            m_layingOut = true; // the same layout follows from the new size
            resize(client);
            m_layingOut = false;
        }
    }

    // A caption longer than the buttons' width (a translation) widens both
    // to the left; the right edges stay where the layout puts them.
    QRect ok = ToPixels(p.cmdOK), cancel = ToPixels(p.cmdCancel);
    int widen = 0;
    for (const QPushButton *b : {cmdOK, cmdCancel})
        widen = std::max(widen, CaptionWidth(b) - ok.width());
    if (widen > 0) {
        ok.setLeft(ok.left() - widen);
        cancel.translate(-widen, 0);
        cancel.setLeft(cancel.left() - widen);
    }
    cmdOK->setGeometry(ok);
    cmdCancel->setGeometry(cancel);
    tv->setGeometry(ToPixels(p.tv));
    lstR->setGeometry(ToPixels(p.lstR));
    List1->setGeometry(ToPixels(p.List1));
    split->setGeometry(ToPixels(p.split));
    // The vertical bar reaches the file list, so that it can be grabbed.
    QRect bar = ToPixels(p.vsplit);
    bar.setWidth(std::max(bar.width(), lstR->x() - bar.x()));
    vsplit->setGeometry(bar);
    for (QWidget *b : {vsplit, split}) {
        b->setAutoFillBackground(false);
        b->raise();
    }
}

void frmTree::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (!m_layingOut)
        doLayout(WidthTwips(), HeightTwips(), VBarTwips(), HBarTwips());
}

// ----------------------------------------------------------- splitter bars

void frmTree::moveBars(const QPoint &windowPos)
{
    // Only the bar moves; the panes follow at the release.
    if (SplitDragging)
        split->move(List1->x(), windowPos.y());
    if (VSplitDragging)
        vsplit->move(windowPos.x(), lstR->y());
}

bool frmTree::splitterEvent(QWidget *bar, QEvent *event)
{
    bool &dragging = bar == vsplit ? VSplitDragging : SplitDragging;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        dragging = true;
        bar->setAutoFillBackground(true); // visible while it moves
        return true;
    case QEvent::MouseMove:
        if (dragging)
            moveBars(bar->mapTo(this, static_cast<QMouseEvent *>(event)->position().toPoint()));
        return true;
    case QEvent::MouseButtonRelease:
        dragging = false;
        doLayout(WidthTwips(), HeightTwips(), VBarTwips(), HBarTwips());
        return true;
    default:
        return false;
    }
}

void frmTree::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        moveBars(event->position().toPoint());
    QDialog::mouseMoveEvent(event);
}

void frmTree::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        SplitDragging = false;
    QDialog::mouseReleaseEvent(event);
}
