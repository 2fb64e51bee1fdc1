#pragma once

#include <QCoreApplication>
#include <QString>

// A status text that tells of a failure begins with the error mark
// ("ERROR: " in English); the translation of every such text begins with the
// translation of the mark, so the test below holds in every language.
inline QString ErrorMark()
{
    return QCoreApplication::translate("Status", "ERROR: ");
}

inline bool IsErrorStatus(const QString &text)
{
    return text.startsWith(ErrorMark());
}
