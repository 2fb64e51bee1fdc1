#pragma once

#include <QApplication>
#include <QWidget>

// A control's leave rule (the interval list, the log dialog's number boxes)
// runs when the focus moves to another control of the same window, not when
// the window itself loses the focus: hidden by its close box, closed by OK,
// another application or a popup in front. Call it from the FocusOut event:
// the application's focus widget is already the one that takes the focus.
inline bool FocusMovedWithinWindow(const QWidget *left)
{
    const QWidget *next = QApplication::focusWidget();
    return next && next != left && next->window() == left->window();
}
