#include "VssToolCommands.h"

#include "engine/repository/vssdb/VssDbDatabase.h"

#include <QHash>

namespace VssToolCommands {

namespace {

const QString DateFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

// Deeper than any real project tree; guards the stack of the walk.
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

// What makes a project the same project wherever it is listed: its item
// file (other backends: its spec).
QString identity(const VSSItem &item)
{
    const auto *native = dynamic_cast<const VssDbItem *>(&item);
    return native ? QString::fromLatin1(native->physicalName()) : item.Spec();
}

// Walks the tree depth first in stored order, writing each line as soon as it
// is read. Each project is walked once: a project listed a second time (a
// damaged database, or one that contains itself) is reported, not walked
// again, so the work stays proportional to the database.
class Walker
{
public:
    Walker(bool onlyCheckedOut, QTextStream &out, QTextStream &err)
        : m_onlyCheckedOut(onlyCheckedOut), m_out(out), m_err(err)
    {}

    bool walk(const VSSItem &item, int depth = 0)
    {
        bool ok = true;
        try {
            if (depth > MaxDepth)
                throw RepositoryError(QStringLiteral("projects nested too deep"));
            const bool isFile = item.Type() == VSSItem::File;
            if (!m_onlyCheckedOut || (isFile && item.Checkouts().Count() > 0))
                m_out << itemLine(item) << '\n';
            if (isFile)
                return true;
            const QString id = identity(item);
            const auto first = m_projects.constFind(id);
            if (first != m_projects.constEnd())
                throw RepositoryError(QStringLiteral("the project is listed again here (first "
                                                     "as %1); not walked twice")
                                          .arg(*first));
            m_projects.insert(id, item.Spec());
            for (const VSSItemPtr &child : item.Items(false))
                ok = walk(*child, depth + 1) && ok;
            m_out.flush(); // the lines of a project show once it is walked
        } catch (const RepositoryError &e) {
            m_err << item.Spec() << ": " << e.description() << '\n';
            ok = false;
        }
        return ok;
    }

private:
    bool m_onlyCheckedOut;
    QTextStream &m_out;
    QTextStream &m_err;
    QHash<QString, QString> m_projects; // identity -> spec first walked
};

} // namespace

bool tree(VSSDatabase &db, const QString &spec, QTextStream &out, QTextStream &err)
{
    return Walker(false, out, err).walk(*db.VSSItem(spec));
}

bool checkouts(VSSDatabase &db, const QString &spec, QTextStream &out, QTextStream &err)
{
    return Walker(true, out, err).walk(*db.VSSItem(spec));
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
