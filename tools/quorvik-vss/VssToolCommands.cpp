#include "VssToolCommands.h"

#include "engine/repository/vssdb/VssDbDatabase.h"

namespace VssToolCommands {

namespace {

const QString DateFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

// Deeper than any real project tree: a damaged database whose project lists
// itself (or an ancestor) would otherwise be walked forever.
constexpr int MaxDepth = 128;

QString newestDate(const VSSItem &item)
{
    return item.NewestVersionDate().toString(DateFormat);
}

QString itemLine(const VSSItem &item)
{
    QStringList users;
    int checkedOut = 0;
    if (item.Type() == VSSItem::File) {
        checkedOut = item.IsCheckedOut();
        const VSSCheckouts list = item.Checkouts();
        for (int i = 1; i <= list.Count(); ++i)
            users << list.Item(i).Username;
    }
    return QStringList{item.Spec(),
                       QString::number(item.Type()),
                       QString::number(item.VersionNumber()),
                       newestDate(item),
                       QString::number(checkedOut),
                       users.isEmpty() ? QStringLiteral("-") : users.join(QLatin1Char(','))}
        .join(QLatin1Char('\t'));
}

// Walks the tree below `item`, depth first in stored order; `onlyCheckedOut`
// leaves out projects and files nobody holds.
bool walk(const VSSItem &item, bool onlyCheckedOut, QTextStream &out, QTextStream &err,
          int depth = 0)
{
    bool ok = true;
    try {
        if (depth > MaxDepth)
            throw RepositoryError(QStringLiteral("projects nested too deep (a project that "
                                                 "contains itself?)"));
        const bool isFile = item.Type() == VSSItem::File;
        if (!onlyCheckedOut || (isFile && item.Checkouts().Count() > 0))
            out << itemLine(item) << '\n';
        if (!isFile)
            for (const VSSItemPtr &child : item.Items(false))
                ok = walk(*child, onlyCheckedOut, out, err, depth + 1) && ok;
    } catch (const RepositoryError &e) {
        err << item.Spec() << ": " << e.description() << '\n';
        ok = false;
    }
    return ok;
}

} // namespace

bool tree(VSSDatabase &db, const QString &spec, QTextStream &out, QTextStream &err)
{
    return walk(*db.VSSItem(spec), false, out, err);
}

bool checkouts(VSSDatabase &db, const QString &spec, QTextStream &out, QTextStream &err)
{
    return walk(*db.VSSItem(spec), true, out, err);
}

bool history(VSSDatabase &db, const QString &spec, QTextStream &out, QTextStream &)
{
    for (const VSSVersion &v : db.VSSItem(spec)->Versions())
        out << QStringList{QString::number(v.VersionNumber), v.Date.toString(DateFormat),
                           v.Username, v.Action, v.Label}
                   .join(QLatin1Char('\t'))
            << '\n';
    return true;
}

} // namespace VssToolCommands
