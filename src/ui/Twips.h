#pragma once

#include <QSize>
#include <QtGlobal>

// Window geometry in twips (1/1440 inch), 15 to the pixel. A stored window
// width and height are its outer size; the frame counted in them is that of
// a sizable window on Windows (borders and title bar), not the desktop's:
// window managers report their frame late or not at all, so a size read back
// through it drifts at every store. The layouts' twip offsets from the outer
// size then leave the same small margin at the bottom as at the right.
namespace Twips {

constexpr int kPerPixel = 15;
constexpr int kFrameWidth = 120;  // the left and right borders
constexpr int kFrameHeight = 420; // the title bar and the top and bottom borders

inline int toPixels(int twips)
{
    return qRound(double(twips) / kPerPixel);
}
inline int fromPixels(int pixels)
{
    return pixels * kPerPixel;
}

// The client area, in pixels, of a window of the given outer size.
inline QSize clientPixels(int outerWidth, int outerHeight)
{
    return {toPixels(outerWidth - kFrameWidth), toPixels(outerHeight - kFrameHeight)};
}

// The outer size of a window whose client area is `client` pixels; a
// remembered outer size that gives the same client area is kept exactly,
// so a window opened and closed unchanged stores what it was given.
inline QSize outerTwips(const QSize &client, const QSize &remembered = {})
{
    if (clientPixels(remembered.width(), remembered.height()) == client)
        return remembered;
    return {fromPixels(client.width()) + kFrameWidth, fromPixels(client.height()) + kFrameHeight};
}

} // namespace Twips
