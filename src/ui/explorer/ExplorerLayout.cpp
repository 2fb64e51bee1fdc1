#include "ExplorerLayout.h"

#include <QtMath>

#include <algorithm>

namespace ExplorerLayout {

QRect ToPixels(const QRect &twips)
{
    // Edges are converted, not sizes, so that neighbours stay neighbours.
    const int left = toPixels(twips.left());
    const int top = toPixels(twips.top());
    return QRect(left, top, std::max(0, toPixels(twips.left() + twips.width()) - left),
                 std::max(0, toPixels(twips.top() + twips.height()) - top));
}

Placement Compute(int width, int height, int vbar, int hbar, bool normalState, int currentWidth,
                  int currentHeight)
{
    Placement p;
    if (normalState) {
        p.width = std::max(width, kMinWidth);
        p.height = std::max(height, kMinHeight);
    } else {
        p.width = currentWidth;
        p.height = currentHeight;
    }

    const int okLeft = p.width - kButtonWidth - 200;
    const int okTop = p.height - kButtonHeight - 500;
    p.cmdOK = QRect(okLeft, okTop, kButtonWidth, kButtonHeight);
    p.cmdCancel = QRect(okLeft - kButtonWidth - 50, okTop, kButtonWidth, kButtonHeight);

    // Lower limits first, so an upper limit wins when the two conflict.
    int S = std::max(hbar, 50);
    int V = std::max(vbar, 50);
    S = std::min(S, okTop - 500);
    V = std::min(V, p.width - 150);
    p.vbar = V;
    p.hbar = S;

    p.vsplit = QRect(V, 0, 10, S + 35);
    p.split = QRect(50, S, p.width - 175, 50);
    p.tv = QRect(50, 50, V - 50, S - 35);
    p.lstR = QRect(V + 35, 50, p.width - V - 150, S - 35);
    p.List1 = QRect(50, S + 50, p.split.width(), okTop - S - 100);
    return p;
}

} // namespace ExplorerLayout
