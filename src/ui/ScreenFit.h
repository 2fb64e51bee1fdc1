#pragma once

#include "ui/Twips.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

// A window restored from a stored size (and place) fits the screen it opens
// on: stored on a larger monitor, or on one unplugged since, it must not
// come up with its buttons or its title bar out of reach.
namespace ScreenFit {

// The free area (without panels) of the screen showing `place`, else of the
// screen `window` opens on.
inline QRect freeArea(const QWidget *window, const QPoint &place)
{
    const QScreen *screen = QGuiApplication::screenAt(place);
    if (!screen)
        screen = window->screen();
    return screen ? screen->availableGeometry() : QRect();
}

// An outer size in twips cut to what `area` (pixels) holds.
inline QSize cappedTwips(const QSize &outer, const QRect &area)
{
    if (area.isEmpty())
        return outer;
    return {std::min(outer.width(), Twips::fromPixels(area.width())),
            std::min(outer.height(), Twips::fromPixels(area.height()))};
}

// The top left corner that keeps a window of `outer` pixels at `place`
// within `area`: unchanged while it lies inside.
inline QPoint keptInside(const QPoint &place, const QSize &outer, const QRect &area)
{
    if (area.isEmpty())
        return place;
    const int x = std::max(area.left(), std::min(place.x(), area.right() + 1 - outer.width()));
    const int y = std::max(area.top(), std::min(place.y(), area.bottom() + 1 - outer.height()));
    return {x, y};
}

} // namespace ScreenFit
