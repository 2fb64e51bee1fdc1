#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// How VSS stores a name: the short field of the name block and, for names
// that are not plain 8.3 names, a names.dat record with a DOS alias and,
// when the short field cannot hold the real name, the long (or project) name.
namespace VssGenNames {

struct Plan
{
    QByteArray shortName;
    QList<QPair<quint16, QByteArray>> names; // empty: no names.dat record
};

Plan plan(const QByteArray &name, bool project);

} // namespace VssGenNames
