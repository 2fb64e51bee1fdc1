#include "VssGenNames.h"

#include "VssGenRecords.h"

namespace VssGenNames {

namespace {

constexpr int ShortFieldText = 33; // char[34] with its NUL

bool isDosName(const QByteArray &name)
{
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArray base = dot < 0 ? name : name.left(dot);
    const QByteArray ext = dot < 0 ? QByteArray() : name.mid(dot + 1);
    if (base.isEmpty() || base.size() > 8 || ext.size() > 3 || base.contains('.'))
        return false;
    for (char c : name)
        if (c == ' ' || c == '+' || c == ',' || c == ';' || c == '=' || c == '[' || c == ']')
            return false;
    return true;
}

QByteArray dosAlias(const QByteArray &name)
{
    const qsizetype dot = name.lastIndexOf('.');
    QByteArray base = (dot < 0 ? name : name.left(dot));
    base.replace(' ', '_').replace(".", "");
    const QByteArray ext = dot < 0 ? QByteArray() : name.mid(dot, 4);
    return base.left(6) + "~1" + ext;
}

// Names longer than 31 characters get a cut "Macintosh" name.
QByteArray macName(const QByteArray &name)
{
    constexpr int width = 31;
    if (name.size() <= width)
        return name;
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArray ext = dot < 0 ? QByteArray() : name.mid(dot);
    return name.left(width - ext.size() - 2) + "~1" + ext;
}

} // namespace

Plan plan(const QByteArray &name, bool project)
{
    Plan p;
    const bool fits = name.size() <= ShortFieldText && !name.contains(' ');
    p.shortName = QByteArray(name).replace(' ', '_').left(ShortFieldText);
    if (!fits)
        p.names.append({project ? VssLayout::SN::KindProject : VssLayout::SN::KindLong, name});
    if (!project && !isDosName(name))
        p.names.append({VssGenRecords::Extra::NameKindDos, dosAlias(name)});
    if (!project && !fits)
        p.names.append({VssGenRecords::Extra::NameKindMac, macName(name)});
    return p;
}

} // namespace VssGenNames
