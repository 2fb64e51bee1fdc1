#include "SettingsStore.h"

#include "Settings.h"
#include "engine/program/RegularFile.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <QHash>

#include <map>

namespace {

// QSettings writes its changes back on its own from the event loop; this one
// waits for sync(), so that a rewrite made of several calls (delete a section,
// write its keys) reaches the disk whole or not at all.
class BufferedSettings : public QSettings
{
public:
    using QSettings::QSettings;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::UpdateRequest)
            return true;
        return QSettings::event(e);
    }
};

constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;

// The exact name when present, else a case-insensitive match, else the name.
QString matchName(const QStringList &present, const QString &name)
{
    if (present.contains(name))
        return name;
    for (const QString &candidate : present) {
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    return name;
}

QString valueText(const QVariant &value)
{
    // A hand-written value with an unquoted comma reads as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

// QSaveFile keeps the mode of the file it replaces, so a file created
// owner-only before the first write stays owner-only.
void createOwnerOnly(const QString &path)
{
    if (QFile::exists(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly))
        file.close();
}

void restrictToOwner(const QString &path)
{
    constexpr QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QFile file(path);
    if (file.exists() && (file.permissions() & others))
        file.setPermissions(kOwnerOnly);
}

} // namespace

// The names of one application's sections and keys as stored, for the
// case-insensitive lookups. Listing them scans the store, so they are listed
// once and kept in step with the writes; a lookup by the exact name needs no
// listing at all.
struct StoredNames
{
    bool listed = false;
    QStringList sections;
    // Per section as stored: case-folded key -> key as stored (the first).
    QHash<QString, QHash<QString, QString>> keys;

    void forget()
    {
        listed = false;
        sections.clear();
        keys.clear();
    }
};

struct SettingsStore::Private
{
    QString dir;         // empty: the registry
    int writesLeft = -1; // simulateCrashAfter(): changes still let through
    std::map<QString, std::unique_ptr<BufferedSettings>> byApp;
    std::map<QString, StoredNames> names;
    int scans = 0;
    QString failure;      // why the last commit failed
    bool changed = false; // since the last commit: a store only read creates no file

    std::unique_ptr<BufferedSettings> open(const QString &app) const
    {
        if (dir.isEmpty()) {
            return std::make_unique<BufferedSettings>(
                QStringLiteral("HKEY_CURRENT_USER\\Software\\") + app, QSettings::NativeFormat);
        }
        const QString path = filePath(app);
        // A FIFO or a device in place of the file would hang the reader: the
        // store then reads as empty and keeps its changes from the disk.
        if (!RegularFile::absentOrRegular(path))
            return std::make_unique<BufferedSettings>(QString(), QSettings::IniFormat);
        return std::make_unique<BufferedSettings>(path, QSettings::IniFormat);
    }

    QString filePath(const QString &app) const
    {
        return dir + QLatin1Char('/') + app + QStringLiteral(".ini");
    }

    BufferedSettings &settings(const QString &app)
    {
        auto &slot = byApp[app];
        if (!slot)
            slot = open(app);
        return *slot;
    }

    // The section as stored: the exact name when present, else one that
    // differs in case only, else the name.
    QString section(const QString &app, const QString &name)
    {
        StoredNames &stored = names[app];
        if (!stored.listed) {
            ++scans;
            stored.sections = settings(app).childGroups();
            stored.listed = true;
        }
        return matchName(stored.sections, name);
    }

    // The keys of a section as stored, by case-folded name.
    const QHash<QString, QString> &keys(const QString &app, const QString &storedSection)
    {
        StoredNames &stored = names[app];
        auto known = stored.keys.find(storedSection);
        if (known != stored.keys.end())
            return *known;
        QSettings &s = settings(app);
        ++scans;
        s.beginGroup(storedSection);
        const QStringList present = s.childKeys();
        s.endGroup();
        QHash<QString, QString> byFolded;
        byFolded.reserve(present.size());
        for (const QString &key : present)
            byFolded.insert(key.toCaseFolded(), key);
        return *stored.keys.insert(storedSection, std::move(byFolded));
    }

    // The key's path as stored: the exact names when the key is there, else
    // the names as stored in another case, else the names as asked.
    QString storedPath(const QString &app, const QString &section, const QString &key)
    {
        const QString exact = section + QLatin1Char('/') + key;
        if (settings(app).contains(exact))
            return exact;
        const QString storedSection = this->section(app, section);
        return storedSection + QLatin1Char('/') +
               keys(app, storedSection).value(key.toCaseFolded(), key);
    }

    // Keeps the listed names in step with a write or removal of `path`.
    void written(const QString &app, const QString &path, bool removed = false)
    {
        const QString section = path.section(QLatin1Char('/'), 0, 0);
        const QString key = path.section(QLatin1Char('/'), 1);
        StoredNames &stored = names[app];
        if (!removed && stored.listed && !stored.sections.contains(section))
            stored.sections.append(section);
        auto known = stored.keys.find(section);
        if (known == stored.keys.end())
            return;
        if (removed)
            known->remove(key.toCaseFolded());
        else if (!known->contains(key.toCaseFolded()))
            known->insert(key.toCaseFolded(), key);
    }

    bool isFile() const { return !dir.isEmpty(); }

    bool mayWrite()
    {
        changed = true;
        if (writesLeft < 0)
            return true;
        if (writesLeft == 0)
            return false;
        --writesLeft;
        return true;
    }
};

SettingsStore::SettingsStore(const QString &configDir) : d(std::make_unique<Private>())
{
#ifdef Q_OS_WIN
    d->dir = configDir;
#else
    d->dir = configDir.isEmpty() ? defaultConfigDir() : configDir;
#endif
}

SettingsStore::~SettingsStore()
{
    commit();
}

QString SettingsStore::defaultConfigDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quorvik");
}

QString SettingsStore::GetSetting(const QString &app, const QString &section, const QString &key,
                                  const QString &defaultValue) const
{
    const QVariant value = d->settings(app).value(d->storedPath(app, section, key));
    return value.isValid() ? valueText(value) : defaultValue;
}

void SettingsStore::SaveSetting(const QString &app, const QString &section, const QString &key,
                                const QString &value)
{
    if (!d->mayWrite())
        return;
    const QString path = d->storedPath(app, section, key);
    d->settings(app).setValue(path, value);
    d->written(app, path);
}

void SettingsStore::DeleteSetting(const QString &app, const QString &section)
{
    if (!d->mayWrite())
        return;
    QSettings &s = d->settings(app);
    d->section(app, section); // lists the sections
    StoredNames &stored = d->names[app];
    for (const QString &group : std::as_const(stored.sections)) {
        if (group.compare(section, Qt::CaseInsensitive) == 0)
            s.remove(group);
    }
    stored.forget();
}

void SettingsStore::DeleteSetting(const QString &app, const QString &section, const QString &key)
{
    if (!d->mayWrite())
        return;
    const QString path = d->storedPath(app, section, key);
    d->settings(app).remove(path);
    d->written(app, path, true);
}

void SettingsStore::simulateCrashAfter(int writes)
{
    d->writesLeft = writes;
}

QStringList SettingsStore::Keys(const QString &app, const QString &section) const
{
    QSettings &s = d->settings(app);
    s.beginGroup(d->section(app, section));
    ++d->scans;
    QStringList keys = s.childKeys();
    s.endGroup();
    return keys;
}

int SettingsStore::scans() const
{
    return d->scans;
}

void SettingsStore::reload()
{
    commit();
    d->byApp.clear();
    d->names.clear();
}

namespace {

// Why `path` (the store's file) could not be written, as far as can be told.
QString writeFailure(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("the registry refused the change");
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    const QString name = QDir::toNativeSeparators(path);
    if (!folder.isDir())
        return QStringLiteral("the folder %1 does not exist")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    if (file.exists() && !file.isFile())
        return QStringLiteral("%1 is not a regular file").arg(name);
    if (!folder.isWritable())
        return QStringLiteral("the folder %1 cannot be written")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    if (file.exists() && !file.isWritable())
        return QStringLiteral("%1 is read-only").arg(name);
    return QStringLiteral("writing %1 failed (is the disk full?)").arg(name);
}

} // namespace

QString SettingsStore::failure() const
{
    return d->failure;
}

bool SettingsStore::commit()
{
    bool ok = true;
    d->failure.clear();
    for (auto &[app, settings] : d->byApp) {
        const QString path = d->isFile() ? d->filePath(app) : QString();
        if (!path.isEmpty() && !RegularFile::absentOrRegular(path)) {
            ok = false;
            d->failure = writeFailure(path);
            continue;
        }
        if (!path.isEmpty() && d->changed)
            createOwnerOnly(path);
        settings->sync();
        // Syncing reads back what another program wrote meanwhile.
        d->names[app].forget();
        if (!path.isEmpty())
            restrictToOwner(path);
        if (settings->status() == QSettings::AccessError) {
            ok = false;
            d->failure = writeFailure(path);
            // The error state of QSettings never clears; start afresh.
            settings = d->open(app);
        }
    }
    d->changed = false;
    return ok;
}

QString SettingsStore::fileName() const
{
    if (!d->isFile())
        return QString();
    return d->filePath(kAppName);
}
