#include "HelpPages.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace HelpPages {

namespace {

const QString kHelpPage = QStringLiteral("help/index.html");

// Copies the bundled resource folders the help pages use (the pages and the
// icons they show) below `target`; true when the start page is there.
bool extractBundledHelp(const QString &target)
{
    for (const QString &folder : {QStringLiteral("help"), QStringLiteral("icons")}) {
        QDirIterator it(QStringLiteral(":/") + folder, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString source = it.next();
            const QString destination = target + QLatin1Char('/') + source.mid(2);
            QDir().mkpath(QFileInfo(destination).absolutePath());
            QFile::remove(destination); // an older copy
            if (QFile::copy(source, destination))
                QFile::setPermissions(destination, QFile::ReadOwner | QFile::WriteOwner |
                                                       QFile::ReadGroup | QFile::ReadOther);
        }
    }
    return QFileInfo::exists(target + QLatin1Char('/') + kHelpPage);
}

} // namespace

QString HelpStartPage(const QString &programFolder)
{
    const QDir program(programFolder);
    for (const QString &candidate :
         {program.filePath(kHelpPage),
          program.filePath(QStringLiteral("../share/quorvik/") + kHelpPage)}) {
        if (QFileInfo(candidate).isFile())
            return QFileInfo(candidate).absoluteFilePath();
    }
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (cache.isEmpty())
        return QString();
    const QString target = cache + QStringLiteral("/help-" QUORVIK_VERSION);
    if (!extractBundledHelp(target))
        return QString();
    return target + QLatin1Char('/') + kHelpPage;
}

namespace {

struct ContextPlace
{
    int context;
    const char *page;
    const char *section;
};
constexpr ContextPlace kPlaces[] = {{MainWindowContext, "index.html", "main-window"},
                                    {ExplorerContext, "explorer.html", ""},
                                    {EventLogContext, "eventlog.html", ""},
                                    {LogSettingsContext, "eventlog.html", "log-settings"},
                                    {AboutContext, "index.html", "about"},
                                    {CheckoutsContext, "index.html", "checkouts"}};

const ContextPlace *placeOf(int context)
{
    for (const ContextPlace &place : kPlaces)
        if (place.context == context)
            return &place;
    return nullptr;
}

} // namespace

QString HelpPage(const QString &programFolder, int context)
{
    const QString start = HelpStartPage(programFolder);
    const ContextPlace *place = placeOf(context);
    if (start.isEmpty() || !place)
        return start;
    return QFileInfo(start).dir().filePath(QLatin1String(place->page));
}

QString HelpSection(int context)
{
    const ContextPlace *place = placeOf(context);
    return place ? QLatin1String(place->section) : QString();
}

} // namespace HelpPages
