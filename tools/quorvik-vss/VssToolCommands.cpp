#include "VssToolCommands.h"

#include "engine/checkouts/CheckoutReader.h"
#include "engine/checkouts/RepositoryWalk.h"
#include "engine/eventlog/LogText.h"

namespace VssToolCommands {

namespace {

const QString DateFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QString itemLine(const VSSItem &item, const VSSCheckouts &list)
{
    QStringList users;
    for (int i = 1; i <= list.Count(); ++i)
        users << LogText::printable(list.Item(i).Username);
    // A TAB, CR or LF in a name would split the line: shown as control pictures.
    return QStringList{LogText::printable(item.Spec()),
                       QString::number(item.Type()),
                       QString::number(item.VersionNumber()),
                       item.NewestVersionDate().toString(DateFormat),
                       QString::number(item.Type() == VSSItem::File ? item.IsCheckedOut() : 0),
                       users.isEmpty() ? QStringLiteral("-") : users.join(QLatin1Char(','))}
        .join(QLatin1Char('\t'));
}

// Problems with single items go to `err`; the lines of a project show once
// it is walked.
bool walkLines(VSSDatabase &db, const QString &spec, QTextStream &out, QTextStream &err,
               bool onlyCheckedOut)
{
    const auto visit = [&](const VSSItem &item) {
        const bool isFile = item.Type() == VSSItem::File;
        const VSSCheckouts list = isFile ? item.Checkouts() : VSSCheckouts();
        if (!onlyCheckedOut || list.Count() > 0)
            out << itemLine(item, list) << '\n';
    };
    const auto failure = [&](const QString &itemSpec, const QString &description) {
        err << LogText::printable(itemSpec) << ": " << description << '\n';
    };
    RepositoryWalk walk(visit, failure);
    walk.projectDone = [&out] { out.flush(); };
    return walk.walk(*db.VSSItem(spec));
}

} // namespace

bool tree(VSSDatabase &db, const QString &spec, QTextStream &out, QTextStream &err)
{
    return walkLines(db, spec, out, err, false);
}

bool checkouts(VSSDatabase &db, const QString &spec, QTextStream &out, QTextStream &err)
{
    return walkLines(db, spec, out, err, true);
}

bool checkouts(VSSDatabase &db, const QString &spec, CheckoutFormat format, QTextStream &out,
               QTextStream &err)
{
    // The whole listing is refused up front when the root does not exist.
    db.VSSItem(spec);
    CheckoutWriter writer(format, out);
    const bool ok = CheckoutReader::read(
        db, {spec}, [&writer](CheckedOutFile &&row) { writer.write(row); },
        [&err](const QString &itemSpec, const QString &description) {
            err << itemSpec << ": " << description << '\n';
        });
    writer.finish();
    return ok;
}

bool history(VSSDatabase &db, const QString &spec, QTextStream &out, QTextStream &)
{
    for (const VSSVersion &v : db.VSSItem(spec)->Versions())
        out << QStringList{QString::number(v.VersionNumber), v.Date.toString(DateFormat),
                           LogText::printable(v.Username), v.Action, LogText::printable(v.Label)}
                   .join(QLatin1Char('\t'))
            << '\n';
    return true;
}

} // namespace VssToolCommands
