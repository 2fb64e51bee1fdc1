#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

// The per-user settings store: text values addressed by application,
// section and key. Backed by QSettings: the registry under HKEY_CURRENT_USER
// on Windows, INI files under the user's configuration folder elsewhere
// ($XDG_CONFIG_HOME/Quorvik/Quorvik.ini, usually ~/.config/Quorvik/Quorvik.ini).
// With a configuration folder given, the whole store is DIR/Quorvik.ini.
// In a file, changes are buffered and reach the disk in one atomic write at
// commit() (or when the store is destroyed); the file is readable by its
// owner only. The registry takes each change as it is made.
class SettingsStore
{
public:
    explicit SettingsStore(const QString &configDir = QString());
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    // Sections and keys match case-insensitively (an exact match wins). A
    // read or write by the exact name costs one look-up; the names are listed (a scan
    // of the store) only for other spellings, once until the next commit.
    QString GetSetting(const QString &app, const QString &section, const QString &key,
                       const QString &defaultValue = QString()) const;
    void SaveSetting(const QString &app, const QString &section, const QString &key,
                     const QString &value);
    // Deleting a section or key that does not exist is not an error.
    void DeleteSetting(const QString &app, const QString &section);
    void DeleteSetting(const QString &app, const QString &section, const QString &key);
    // The keys present in a section, pending changes included.
    QStringList Keys(const QString &app, const QString &section) const;
    // How many times the store's sections or keys were listed (tests).
    int scans() const;
    // Writes pending changes; false when the store could not be written.
    bool commit();
    // Why the last commit failed (empty after one that did not).
    QString failure() const;
    // Writes pending changes, then reads everything afresh on next use (the
    // file was edited meanwhile).
    void reload();

    // For tests: the store takes `writes` more changes (SaveSetting,
    // DeleteSetting) and drops the rest, as if the program died there.
    void simulateCrashAfter(int writes);

    // The file behind the store (empty when it is the registry).
    QString fileName() const;

    // The folder of the store's files when none is given (not on Windows).
    static QString defaultConfigDir();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
