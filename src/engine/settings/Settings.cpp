#include "Settings.h"

#include "FileList.h"
#include "SettingValues.h"
#include "SettingsStore.h"
#include "engine/Snooze.h"
#include "engine/modZel.h"

#include <QCoreApplication>
#include <QDir>

namespace {

const QString kParams = QStringLiteral("Params");

// Reads and writes the keys of section "Params".
class Params
{
public:
    explicit Params(SettingsStore &store) : m_store(store) {}

    QString text(const QString &key, const QString &defaultValue = QString()) const
    {
        return m_store.GetSetting(kAppName, kParams, key, defaultValue);
    }
    bool flag(const QString &key, bool defaultValue) const
    {
        return FlagFromSetting(text(key), defaultValue);
    }
    void setText(const QString &key, const QString &value)
    {
        m_store.SaveSetting(kAppName, kParams, key, value);
    }
    void setFlag(const QString &key, bool value) { setText(key, FlagToSetting(value)); }

private:
    SettingsStore &m_store;
};

// The flags read and written alike, each defaulting to true.
struct NamedFlag
{
    const char *key;
    bool ZelSettings::*field;
};
const NamedFlag kPlainFlags[] = {
    {"ShowMessages", &ZelSettings::ShowMessages}, {"ShowIcon", &ZelSettings::ShowIcon},
    {"PlaySound", &ZelSettings::PlaySound},       {"NotifyIn", &ZelSettings::NotifyIn},
    {"NotifyOut", &ZelSettings::NotifyOut},       {"StartUp", &ZelSettings::StartUp},
};

// Flags added later. A store an older version saved reads them as false, so
// an existing installation behaves as it did; a first start gets
// `firstStart`. Every save writes the settings version: a store without it
// that holds what every save of an older version wrote ("ShowMessages") is
// such an older one; keys the log settings dialog wrote alone still make a
// first start.
struct LaterFlag
{
    const char *key;
    bool ZelSettings::*field;
    bool firstStart;
};
const LaterFlag kLaterFlags[] = {
    {"DesktopNotify", &ZelSettings::DesktopNotify, true},
    {"IgnoreOwnChanges", &ZelSettings::IgnoreOwnChanges, false},
};

const QString kIgnoreChangesByKey = QStringLiteral("IgnoreChangesBy");
const QString kSnoozeUntilKey = QStringLiteral("SnoozeUntil");
const QString kSnoozeHeldKey = QStringLiteral("SnoozeHeld");
const QString kSettingsVersionKey = QStringLiteral("SettingsVersion");
const QString kSettingsVersion = QStringLiteral("2");

constexpr int kDefaultPollDelay = 3;
constexpr int kLastPollDelay = 7; // the interval list has eight entries

// The user-name switch of the trace log: true/false when the name asks for
// it, otherwise nothing.
std::optional<bool> traceSwitch(const QString &userName)
{
    const QString name = userName.toLower();
    if (name == QLatin1String("tracein"))
        return true;
    if (name == QLatin1String("traceout"))
        return false;
    return std::nullopt;
}

QString environment(const char *name)
{
    QString value = qEnvironmentVariable(name);
    if (value.isEmpty()) // on Windows the variables ignore case; here they do not
        value = qEnvironmentVariable(QByteArray(name).toUpper().constData());
    return value;
}

// The folder of the default database: "ssdir", else the VSS client's current
// database; its srcsafe.ini, or "" when neither names one.
QString discoverDatabase()
{
    QString folder = environment("ssdir");
    if (folder.isEmpty()) {
        folder = ReadRegString(QStringLiteral("HKEY_CURRENT_USER"),
                               QStringLiteral("Software\\Microsoft\\SourceSafe"),
                               QStringLiteral("Current Database"), QString());
    }
    if (folder.isEmpty())
        return folder;
    const QChar separator = QDir::separator();
    if (!folder.endsWith(separator))
        folder += separator;
    return folder + QStringLiteral("srcsafe.ini");
}

qint16 pollDelay(const QString &text)
{
    const std::optional<int> value = WholeNumberFromSetting(text);
    if (!value || *value < 0 || *value > kLastPollDelay)
        return kDefaultPollDelay;
    return qint16(*value);
}

// Seconds an event command may run: 1 to an hour; else the default, and
// the user is told (once per reading of the settings).
int onEventTimeout(const QString &text, Shell &shell)
{
    const std::optional<int> value = WholeNumberFromSetting(text);
    if (value && *value >= 1 && *value <= 3600)
        return *value;
    const int fallback = ZelSettings().OnEventTimeout;
    if (!text.isEmpty())
        shell.setStatus(QCoreApplication::translate(
                            "Settings", "ERROR: OnEventTimeout=%1 is not a number of seconds from "
                                        "1 to 3600; %2 is used")
                            .arg(text)
                            .arg(fallback));
    return fallback;
}

} // namespace

bool LoadSettings(modZel &zel, SettingsStore &store)
{
    ZelSettings &s = zel.settings;
    const Params params(store);
    const bool olderVersion = params.text(kSettingsVersionKey).isEmpty() &&
                              !params.text(QStringLiteral("ShowMessages")).isEmpty();
    s.UseLastDB = params.flag(QStringLiteral("UseLastDB"), true);
    s.UseLastUser = params.flag(QStringLiteral("UseLastUser"), true);
    s.Debug = params.flag(QStringLiteral("Debug"), false);

    if (s.UseLastDB)
        s.Inifile = params.text(QStringLiteral("Inifile"));
    if (s.Inifile.isEmpty())
        s.Inifile = discoverDatabase();

    if (s.UseLastUser) {
        s.Username = params.text(QStringLiteral("Username"));
        s.Password = XorByLength(params.text(QStringLiteral("Password")));
        if (const std::optional<bool> trace = traceSwitch(s.Username))
            s.Debug = *trace;
    }
    if (s.Username.isEmpty())
        s.Username = environment("ssuser");

    for (const NamedFlag &f : kPlainFlags)
        s.*f.field = params.flag(QLatin1String(f.key), true);
    for (const LaterFlag &f : kLaterFlags)
        s.*f.field = params.flag(QLatin1String(f.key), !olderVersion && f.firstStart);
    s.IgnoreChangesBy = UserNamesFromSetting(params.text(kIgnoreChangesByKey));
    s.PollDelay = pollDelay(params.text(QStringLiteral("PollDelay")));
    s.CodePage = params.text(QStringLiteral("CodePage")).trimmed();
    s.CodePageDatabase = params.text(QStringLiteral("CodePageDatabase"));
    s.OnEvent = params.text(QStringLiteral("OnEvent"));
    s.OnEventTimeout = onEventTimeout(params.text(QStringLiteral("OnEventTimeout")), zel.shell());
    s.StatusPage = params.text(QStringLiteral("StatusPage"));
    s.Share.user = params.text(QStringLiteral("ShareUser"));
    s.Share.domain = params.text(QStringLiteral("ShareDomain"));
    s.Share.password = XorByLength(params.text(QStringLiteral("SharePassword")));
    s.Share.credentialsFile = params.text(QStringLiteral("ShareCredentials"));
    ShareLogin::setCurrent(s.Share);

    if (s.UseLastDB && s.UseLastUser)
        ReadFileList(store, zel.MonitoredFiles);

    Shell &shell = zel.shell();
    shell.refreshFileList();
    const int count = zel.MonitoredFiles.Count();
    if (count > 0)
        shell.setStatus(modZel::FilesInListText(count));
    shell.setConnectionFields(s.Inifile, s.Username, s.Password);
    return !s.Username.isEmpty() && !s.Inifile.isEmpty();
}

void LoadEventLogSettings(modZel &zel, SettingsStore &store)
{
    const Params params(store);
    EventLogFile &log = zel.eventLog;
    const QString logfile = params.text(QStringLiteral("Logfile"));
    if (!logfile.isEmpty())
        log.EventLogPath = logfile;
    if (const auto size = WholeNumberFromSetting(params.text(QStringLiteral("MaxLogSize"))))
        log.MaxLogSize = QString::number(*size);
    if (const auto action = WholeNumberFromSetting(params.text(QStringLiteral("MaxAction"))))
        if (*action >= 0 && *action <= 2)
            log.MaxAction = qint16(*action);
    if (const auto days = WholeNumberFromSetting(params.text(QStringLiteral("MaxDays"))))
        log.MaxDays = QString::number(*days);
}

bool SaveSettings(modZel &zel, SettingsStore &store)
{
    ZelSettings &s = zel.settings;
    Params params(store);
    params.setText(QStringLiteral("Inifile"), s.Inifile);
    params.setText(QStringLiteral("Username"), s.Username);
    params.setText(QStringLiteral("Password"), XorByLength(s.Password));
    params.setFlag(QStringLiteral("UseLastDB"), s.UseLastDB);
    params.setFlag(QStringLiteral("UseLastUser"), s.UseLastUser);
    for (const NamedFlag &f : kPlainFlags)
        params.setFlag(QLatin1String(f.key), s.*f.field);
    for (const LaterFlag &f : kLaterFlags)
        params.setFlag(QLatin1String(f.key), s.*f.field);
    params.setText(kIgnoreChangesByKey, UserNamesToSetting(s.IgnoreChangesBy));
    params.setText(QStringLiteral("PollDelay"), QString::number(s.PollDelay));
    params.setText(kSettingsVersionKey, kSettingsVersion);
    // The share login only where one is set, or was.
    const std::pair<const char *, QString> share[] = {
        {"ShareUser", s.Share.user},
        {"ShareDomain", s.Share.domain},
        {"SharePassword", XorByLength(s.Share.password)},
        {"ShareCredentials", s.Share.credentialsFile}};
    for (const auto &[key, value] : share)
        if (!value.isEmpty() || !params.text(QLatin1String(key)).isEmpty())
            params.setText(QLatin1String(key), value);
    if (const std::optional<bool> trace = traceSwitch(s.Username)) {
        s.Debug = *trace;
        params.setFlag(QStringLiteral("Debug"), s.Debug);
    }
    WriteFileList(zel.MonitoredFiles, store);
    return store.commit();
}

bool StoreCodePage(const ZelSettings &settings, SettingsStore &store)
{
    Params params(store);
    params.setText(QStringLiteral("CodePage"), settings.CodePage);
    params.setText(QStringLiteral("CodePageDatabase"), settings.CodePageDatabase);
    return store.commit();
}

Snooze ReadSnooze(SettingsStore &store)
{
    const Params params(store);
    return Snooze::FromStored(params.text(kSnoozeUntilKey), params.text(kSnoozeHeldKey));
}

bool StoreSnooze(const Snooze &snooze, SettingsStore &store)
{
    if (snooze.active) {
        Params params(store);
        params.setText(kSnoozeUntilKey, snooze.untilText());
        params.setText(kSnoozeHeldKey, QString::number(snooze.held));
    } else {
        store.DeleteSetting(kAppName, kParams, kSnoozeUntilKey);
        store.DeleteSetting(kAppName, kParams, kSnoozeHeldKey);
    }
    return store.commit();
}

bool StoreFileList(const Suspects &files, SettingsStore &store)
{
    WriteFileList(files, store);
    return store.commit();
}
