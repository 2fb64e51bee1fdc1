#include "VssActionText.h"

namespace VssActionText {

QString describe(const VssHistoryEntry &entry,
                 const std::function<QString(const VssNameBlock &)> &nameOf,
                 const std::function<QString(const QByteArray &)> &decode)
{
    const QString name = nameOf(entry.name);
    const QString spec = decode(entry.spec);
    auto with = [](const char *verb, const QString &object) {
        const QString text = QLatin1String(verb);
        return object.isEmpty() ? text : text + QLatin1Char(' ') + object;
    };
    switch (entry.action) {
    case 0:
        return QStringLiteral("Labeled");
    case 1:
    case 16:
        return QStringLiteral("Created");
    case 2:
    case 3:
        return with("Added", name);
    case 4:
    case 5:
        return with("Destroyed", name);
    case 6:
    case 7:
        return with("Deleted", name);
    case 8:
    case 9:
        return with("Recovered", name);
    case 10:
    case 11:
        return QStringLiteral("Renamed %1 to %2").arg(nameOf(entry.otherName), name);
    case 12:
        return with("Moved from", spec);
    case 13:
        return with("Moved to", spec);
    case 14:
        return with("Shared", spec.isEmpty()
                                  ? name
                                  : (spec.endsWith(QLatin1Char('/')) ? spec : spec + '/') + name);
    case 15:
    case 19:
        return with("Branched", name);
    case 17:
        return with("Checked in", spec);
    case 18:
        return QStringLiteral("Checked in project");
    case 20:
        return QStringLiteral("Archived versions");
    case 21:
        return QStringLiteral("Restored versions");
    case 22:
    case 23:
        return with("Archived", name);
    case 24:
    case 25:
        return with("Restored", name);
    default:
        return QStringLiteral("Action %1").arg(entry.action);
    }
}

QDateTime localDate(quint32 stored)
{
    const QDateTime wallClock =
        QDateTime(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC).addSecs(qint64(stored));
    return QDateTime(wallClock.date(), wallClock.time(), Qt::LocalTime);
}

} // namespace VssActionText
