#pragma once

// What a screen reader and a keyboard find in a window.
#include <QtTest>
#include <QtWidgets>

// "window class: name" of each control that takes the keyboard without a
// name with a word in it that no other control of its window has, or
// without a description where a caption cannot say enough (lists, number
// boxes); and of each button that neither Tab nor a key reaches.
inline QStringList UnnamedControls(QWidget *window)
{
    QStringList found, names;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        const auto *button = qobject_cast<QAbstractButton *>(w);
        const auto *box = qobject_cast<QLineEdit *>(w);
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
        const QString name = a->text(QAccessible::Name);
        const bool tab = w->focusPolicy() & Qt::TabFocus;
        if (w->isHidden() || (w->parentWidget() && w->parentWidget()->focusProxy() == w) ||
            (!tab && !(button && button->isEnabled() && button->shortcut().isEmpty())))
            continue;
        if (!tab || !name.contains(QRegularExpression("\\w\\w")) || names.contains(name) ||
            ((qobject_cast<QAbstractItemView *>(w) || (box && box->validator())) &&
             a->text(QAccessible::Description).isEmpty()))
            found << window->objectName() + ' ' + w->metaObject()->className() + ": " + name;
        names << name;
    }
    return found;
}

// The Menu key and Shift+F10 in `list` each open `menu`.
inline bool MenuKeysOpen(QAbstractItemView *list, QMenu *menu)
{
    for (const auto &[key, modifiers] :
         {std::pair{Qt::Key_Menu, Qt::NoModifier}, std::pair{Qt::Key_F10, Qt::ShiftModifier}}) {
        QTest::keyClick(list, key, modifiers);
        if (!menu->isVisible())
            return false;
        menu->hide();
    }
    return true;
}
