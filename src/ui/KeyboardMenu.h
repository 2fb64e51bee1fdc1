#pragma once

#include <QAbstractItemView>
#include <QKeyEvent>

// A list's context menu without a mouse: the Menu key or Shift+F10.
inline bool IsMenuKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    return (event->key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
           (event->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier);
}

// Where such a menu opens: below the current entry, or at the list's corner.
inline QPoint KeyboardMenuPlace(const QAbstractItemView *list)
{
    const QRect entry = list->visualRect(list->currentIndex());
    return list->viewport()->mapToGlobal(entry.isValid() ? entry.bottomLeft() : QPoint());
}
