#include "HeadlessCheck.h"

#include "RepositoryBackend.h"
#include "engine/ChangeTrigger.h"
#include "engine/modZel.h"
#include "engine/settings/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

class Checker
{
public:
    void passed(const QString &text) { say(QStringLiteral("ok: ") + text); }
    // Not a fault: the watcher runs, but less well.
    void warned(const QString &text) { say(QStringLiteral("WARNING: ") + text); }
    void failed(CheckStatus status, const QString &text)
    {
        say(QStringLiteral("ERROR: ") + text);
        if (m_status == CheckPassed)
            m_status = status;
    }
    int status() const { return m_status; }

private:
    static void say(const QString &text)
    {
        QTextStream err(stderr);
        err << text << '\n';
    }
    int m_status = CheckPassed;
};

bool canWriteLog(const QString &path)
{
    const QFileInfo file(path);
    if (file.exists())
        return file.isFile() && file.isWritable();
    const QFileInfo folder(file.absolutePath());
    return folder.isDir() && folder.isWritable();
}

// False when the settings cannot be read at all (nothing else is checked).
bool checkSettings(Checker &check, const ZelSettings &s, const SettingsStore &store, int files)
{
    const QString path = QDir::toNativeSeparators(store.fileName());
    const QFileInfo file(store.fileName());
    const QString folder = QDir::toNativeSeparators(file.absolutePath());
    if (!path.isEmpty() && !QFileInfo(file.absolutePath()).isDir()) {
        check.failed(CheckBadSettings,
                     QStringLiteral("The settings folder %1 does not exist").arg(folder));
        return false;
    }
    if (!path.isEmpty() && file.exists() && (!file.isFile() || !file.isReadable())) {
        check.failed(CheckBadSettings,
                     QStringLiteral("Cannot read the settings file %1 (%2)")
                         .arg(path, file.isFile() ? QStringLiteral("no permission to read it")
                                                  : QStringLiteral("not a regular file")));
        return false;
    }
    if (!path.isEmpty() && !file.exists())
        check.failed(CheckBadSettings, QStringLiteral("No settings file %1").arg(path));
    else
        check.passed(QStringLiteral("settings %1").arg(path));
    if (s.Inifile.isEmpty())
        check.failed(CheckBadSettings, QStringLiteral("The settings name no database (Inifile)"));
    if (s.Username.isEmpty())
        check.failed(CheckBadSettings, QStringLiteral("The settings name no user (Username)"));
    if (files == 0)
        check.failed(CheckBadSettings, QStringLiteral("No files in the list (section Files)"));
    return true;
}

void checkDatabase(Checker &check, const modZel &zel)
{
    const ZelSettings &s = zel.settings;
    const Suspects &files = zel.MonitoredFiles;
    std::unique_ptr<VSSDatabase> database;
    try {
        database = ProgramRepositoryFactory()();
        database->SetCodePage(zel.RememberedCodePage());
        database->Open(s.Inifile, s.Username, s.Password);
    } catch (const RepositoryLoginError &e) {
        check.failed(CheckLoginRefused, QString::fromUtf8(e.what()));
        return;
    } catch (const std::exception &e) {
        check.failed(CheckNoDatabase, QString::fromUtf8(e.what()));
        return;
    }
    check.passed(QStringLiteral("database %1, user %2").arg(s.Inifile, s.Username));
    int found = 0;
    QStringList changeFiles;
    for (const Suspect &file : files) {
        VSSItemPtr item;
        try {
            item = database->VSSItem(file.Key(), false);
            if (!item)
                throw RepositoryError(QStringLiteral("no item"));
        } catch (const std::exception &e) {
            check.failed(CheckBadWatchedFile, QStringLiteral("Cannot find %1 in the database: %2")
                                                  .arg(file.Key(), QString::fromUtf8(e.what())));
            continue;
        }
        changeFiles << item->ChangeFile();
        try {
            // What a poll reads of it: a damaged item file fails here.
            item->IsCheckedOut();
            item->NewestVersionDate();
            ++found;
        } catch (const std::exception &e) {
            check.failed(
                CheckBadWatchedFile,
                QStringLiteral("Cannot read %1: %2").arg(file.Key(), QString::fromUtf8(e.what())));
        }
    }
    if (found > 0)
        check.passed(QStringLiteral("%1 of %2 watched files found").arg(found).arg(files.Count()));
    ChangeTrigger writes;
    writes.Watch(changeFiles, [] {});
    if (!writes.Problem().isEmpty())
        check.warned(writes.Problem());
}

} // namespace

int CheckSettings(modZel &zel, const SettingsStore &store)
{
    Checker check;
    const ZelSettings &s = zel.settings;
    if (!checkSettings(check, s, store, zel.MonitoredFiles.Count()))
        return check.status();
    if (!s.Inifile.isEmpty() && !s.Username.isEmpty())
        checkDatabase(check, zel);

    const QString log = QDir::toNativeSeparators(zel.eventLog.EventLogPath);
    if (canWriteLog(zel.eventLog.EventLogPath))
        check.passed(QStringLiteral("event log %1").arg(log));
    else
        check.failed(CheckLogNotWritable, QStringLiteral("Cannot write the event log %1").arg(log));
    if (!s.OnEvent.isEmpty())
        check.passed(QStringLiteral("event command: %1 (stopped after %2 s)")
                         .arg(s.OnEvent)
                         .arg(s.OnEventTimeout));
    return check.status();
}
