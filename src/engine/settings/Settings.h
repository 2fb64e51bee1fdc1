#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class modZel;
struct ZelSettings;
class SettingsStore;
class Suspects;
struct Snooze;

// Application name of every key of this program.
inline const QString kAppName = QStringLiteral("Quorvik");

// Reads every setting and the watched list into the module state, fills the
// main window's list and connection fields through the shell; true when both
// Username and Inifile are non-empty afterwards.
bool LoadSettings(modZel &zel, SettingsStore &store);
// Reads the stored event log settings ("Logfile", "MaxLogSize", "MaxAction",
// "MaxDays") into the event log values at start-up, so that the log chosen
// in the log settings dialog stays in use across restarts. Keys that are not
// stored, or cannot be read, leave the start values as they are.
void LoadEventLogSettings(modZel &zel, SettingsStore &store);
// Writes every setting and the watched list; one atomic write. False when
// the store could not be written (the caller tells the user).
bool SaveSettings(modZel &zel, SettingsStore &store);
// Rewrites section "Files" and "FilesCount" from the watched list (after a
// poll with changes); one atomic write. False when it could not be written.
bool StoreFileList(const Suspects &files, SettingsStore &store);

// Writes the remembered code page of the database ("CodePage",
// "CodePageDatabase"); one atomic write. False when it could not be written.
bool StoreCodePage(const ZelSettings &settings, SettingsStore &store);

// The pause of notifications ("SnoozeUntil", "SnoozeHeld"): read at start;
// stored whole (removed when none), one atomic write. False when it could not
// be written.
Snooze ReadSnooze(SettingsStore &store);
bool StoreSnooze(const Snooze &snooze, SettingsStore &store);

// Scrambles or unscrambles the stored password (its own inverse).
QString XorByLength(const QString &text);

// A string value of another program's registry place (Windows), else the
// default.
QString ReadRegString(const QString &root, const QString &subKey, const QString &valueName,
                      const QString &defaultValue);
// Registers (flag true) or removes the program's start at logon; `arguments`
// (the options in use, such as the settings folder) follow the program. On
// Windows: the value `valueName` under kRunKey, each part quoted when it
// holds a space.
constexpr char kRunKey[] = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
void SetRunAtStartup(const QString &valueName, const QString &programPath, bool flag,
                     const QStringList &arguments = {});

// Date-time encoding of stored values.
QString DateToSetting(const QDateTime &value);
QDateTime DateFromSetting(const QString &text, bool *ok = nullptr);
