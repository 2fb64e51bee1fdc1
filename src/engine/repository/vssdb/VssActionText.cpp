#include "VssActionText.h"

#include "engine/WallClock.h"

#include "VssLayout.h"

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
    case VssLayout::Act::Label:
        return QStringLiteral("Labeled");
    case VssLayout::Act::CreateProject:
    case VssLayout::Act::CreateFile:
        return QStringLiteral("Created");
    case VssLayout::Act::AddProject:
    case VssLayout::Act::AddFile:
        return with("Added", name);
    case VssLayout::Act::DestroyProject:
    case VssLayout::Act::DestroyFile:
        return with("Destroyed", name);
    case VssLayout::Act::DeleteProject:
    case VssLayout::Act::DeleteFile:
        return with("Deleted", name);
    case VssLayout::Act::RecoverProject:
    case VssLayout::Act::RecoverFile:
        return with("Recovered", name);
    case VssLayout::Act::RenameProject:
    case VssLayout::Act::RenameFile:
        return QStringLiteral("Renamed %1 to %2").arg(nameOf(entry.otherName), name);
    case VssLayout::Act::MoveFrom:
        return with("Moved from", spec);
    case VssLayout::Act::MoveTo:
        return with("Moved to", spec);
    case VssLayout::Act::Share:
        return with("Shared", spec.isEmpty()
                                  ? name
                                  : (spec.endsWith(QLatin1Char('/')) ? spec : spec + '/') + name);
    case VssLayout::Act::BranchFile:
    case VssLayout::Act::CreateBranch:
        return with("Branched", name);
    case VssLayout::Act::CheckIn:
        return with("Checked in", spec);
    case VssLayout::Act::CheckInProject:
        return QStringLiteral("Checked in project");
    case VssLayout::Act::ArchiveVersions:
        return QStringLiteral("Archived versions");
    case VssLayout::Act::RestoreVersions:
        return QStringLiteral("Restored versions");
    case VssLayout::Act::ArchiveProject:
    case VssLayout::Act::ArchiveFile:
        return with("Archived", name);
    case VssLayout::Act::RestoreProject:
    case VssLayout::Act::RestoreFile:
        return with("Restored", name);
    default:
        return QStringLiteral("Action %1").arg(entry.action);
    }
}

QDateTime wallClockDate(quint32 stored)
{
    return WallClockTime(QDate(1970, 1, 1), QTime(0, 0)).addSecs(qint64(stored));
}

} // namespace VssActionText
