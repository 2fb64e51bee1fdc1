#pragma once

#include <QString>

#include <memory>

class QSettings;

// The per-user settings store: text values addressed by application,
// section and key. Backed by QSettings: the registry under HKEY_CURRENT_USER
// on Windows, INI files under the user's configuration folder elsewhere.
// With a configuration folder given, the whole store is DIR/Quorvik.ini.
// Changes are buffered and reach the disk in one atomic write at commit().
class SettingsStore
{
public:
    explicit SettingsStore(const QString &configDir = QString());
    ~SettingsStore();

    QString GetSetting(const QString &app, const QString &section, const QString &key,
                       const QString &defaultValue = QString()) const;
    void SaveSetting(const QString &app, const QString &section, const QString &key,
                     const QString &value);
    // Deleting a section that does not exist is not an error.
    void DeleteSetting(const QString &app, const QString &section);
    // Writes pending changes; false when the store could not be written.
    bool commit();

    // The file behind the store (empty when it is the registry).
    QString fileName() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
