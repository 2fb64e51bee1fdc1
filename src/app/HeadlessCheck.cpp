#include "HeadlessCheck.h"

#include "RepositoryBackend.h"
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

void checkSettings(Checker &check, const ZelSettings &s, const SettingsStore &store, int files)
{
    const QString path = QDir::toNativeSeparators(store.fileName());
    if (!path.isEmpty() && !QFileInfo(path).isFile())
        check.failed(CheckBadSettings, QStringLiteral("No settings file %1").arg(path));
    else
        check.passed(QStringLiteral("settings %1").arg(path));
    if (s.Inifile.isEmpty())
        check.failed(CheckBadSettings, QStringLiteral("The settings name no database (Inifile)"));
    if (s.Username.isEmpty())
        check.failed(CheckBadSettings, QStringLiteral("The settings name no user (Username)"));
    if (files == 0)
        check.failed(CheckBadSettings, QStringLiteral("No files in the list (section Files)"));
}

void checkDatabase(Checker &check, const ZelSettings &s, const Suspects &files)
{
    std::unique_ptr<VSSDatabase> database;
    try {
        database = ProgramRepositoryFactory()();
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
    for (const Suspect &file : files) {
        try {
            if (database->VSSItem(file.Key(), false)) {
                ++found;
                continue;
            }
        } catch (const std::exception &) {
        }
        check.failed(CheckBadWatchedFile,
                     QStringLiteral("Cannot find %1 in the database").arg(file.Key()));
    }
    if (found > 0)
        check.passed(QStringLiteral("%1 of %2 watched files found").arg(found).arg(files.Count()));
}

} // namespace

int CheckSettings(modZel &zel, const SettingsStore &store)
{
    Checker check;
    const ZelSettings &s = zel.settings;
    checkSettings(check, s, store, zel.MonitoredFiles.Count());
    if (!s.Inifile.isEmpty() && !s.Username.isEmpty())
        checkDatabase(check, s, zel.MonitoredFiles);

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
