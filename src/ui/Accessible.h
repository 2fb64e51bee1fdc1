#pragma once

#include <QWidget>

// What a screen reader says of a control whose caption is not enough (an
// icon, "+", a list): its name, and what it holds or does.
inline void Describe(QWidget *control, const QString &name, const QString &description = {})
{
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
}
