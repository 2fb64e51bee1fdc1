#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

// The keys of a window that is not a dialog, as drawn: Enter presses the
// focused push button or else the default button, Escape presses the cancel
// button (when there is one). True when the key was used.
inline bool PressDefaultButton(QWidget *window, QKeyEvent *event, QPushButton *defaultButton,
                               QPushButton *cancelButton)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && defaultButton) {
        auto *focused = qobject_cast<QPushButton *>(QApplication::focusWidget());
        (focused && focused->window() == window ? focused : defaultButton)->click();
        return true;
    }
    if (key == Qt::Key_Escape && cancelButton && event->modifiers() == Qt::NoModifier) {
        cancelButton->click();
        return true;
    }
    return false;
}
