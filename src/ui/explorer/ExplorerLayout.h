#pragma once

#include "ui/Twips.h"

#include <QRect>

// Geometry of the explorer window in twips (1/1440 inch). The window's size
// is its outer size; the controls are placed in its client area.
namespace ExplorerLayout {

constexpr int kMinWidth = 3000;
constexpr int kMinHeight = 2000;
constexpr int kButtonWidth = 1000;
constexpr int kButtonHeight = 300;

using Twips::fromPixels;
using Twips::toPixels;
// QRect in twips -> QRect in pixels (sizes never below 0).
QRect ToPixels(const QRect &twips);

// Where doLayout puts everything, all in twips.
struct Placement
{
    int width = 0, height = 0; // the window's outer size after the minimum
    int vbar = 0, hbar = 0;    // the bars after their limits
    QRect cmdOK, cmdCancel, vsplit, split, tv, lstR, List1;
};

// doLayout's arithmetic. A window that is not in its normal state keeps
// its current size (currentWidth, currentHeight).
Placement Compute(int width, int height, int vbar, int hbar, bool normalState, int currentWidth,
                  int currentHeight);

} // namespace ExplorerLayout
