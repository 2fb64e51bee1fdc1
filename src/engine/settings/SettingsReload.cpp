#include "SettingsReload.h"

#include "FileList.h"
#include "Settings.h"
#include "SettingsStore.h"
#include "engine/modZel.h"

#include <QFileInfo>
#include <QThread>
#include <QVariant>

#include <vector>

namespace {

// Editors and scripts write the settings file in steps; a read that saw it
// change is made again this long after.
constexpr int kSettleMs = 300;

// What tells one version of the settings file from the next.
QList<QVariant> stampOf(const QString &path)
{
    const QFileInfo file(path);
    return {file.exists(), file.size(), file.lastModified(), file.metadataChangeTime()};
}

// Reads the store afresh: once more after a short settle when the file
// changed while it was read.
void readAgain(SettingsStore &store)
{
    const QString path = store.fileName();
    for (int attempt = 0; attempt < 2; ++attempt) {
        const QList<QVariant> before = stampOf(path);
        store.reload();
        store.Keys(kAppName, QStringLiteral("Files")); // reads the whole file now
        if (path.isEmpty() || stampOf(path) == before)
            return;
        QThread::msleep(kSettleMs);
    }
}

// The values of the event log the settings set.
struct LogValues
{
    QString path, maxLogSize, maxDays;
    qint16 maxAction = 0;

    explicit LogValues(const EventLogFile &log)
        : path(log.EventLogPath), maxLogSize(log.MaxLogSize), maxDays(log.MaxDays),
          maxAction(log.MaxAction)
    {}
    void restore(EventLogFile &log) const
    {
        log.EventLogPath = path;
        log.MaxLogSize = maxLogSize;
        log.MaxDays = maxDays;
        log.MaxAction = maxAction;
    }
};

struct Snapshot
{
    ZelSettings settings;
    LogValues log;
    std::vector<Suspect> files;
};

Snapshot take(modZel &zel)
{
    Snapshot s{zel.settings, LogValues(zel.eventLog), {}};
    for (const Suspect &file : zel.MonitoredFiles)
        s.files.push_back(file);
    return s;
}

// What was seen of an entry that stays watched: a file's state, or the
// states of the files below a project (its patterns are the new ones).
void keepState(Suspect &entry, const Suspect &before)
{
    if (entry.IsProject() != before.IsProject())
        return;
    if (entry.IsProject()) {
        entry.setBelow(before.Below());
        return;
    }
    entry.setStatus(before.Status());
    entry.setImageIndex(before.ImageIndex());
    entry.setDateIn(before.DateIn());
}

bool sameLogin(const ZelSettings &a, const ZelSettings &b)
{
    return a.Inifile == b.Inifile && a.Username.compare(b.Username, Qt::CaseInsensitive) == 0 &&
           a.Password == b.Password && a.CodePage == b.CodePage && a.Share == b.Share;
}

// A new session when the database or the login changed, else the open one
// with the list checked again and the timer restarted.
bool restart(modZel &zel, bool newLogin)
{
    if (newLogin)
        zel.ReleaseDatabase();
    return zel.ZelIni();
}

} // namespace

bool ReloadSettings(modZel &zel, SettingsStore &store)
{
    readAgain(store);
    // A list shorter than its count is a file written halfway: taking it
    // would drop the missing files and the next event would store that.
    const QString missing = MissingFileEntries(store);
    if (!missing.isEmpty()) {
        zel.shell().setStatus(QStringLiteral("ERROR: The settings read again are not whole (%1); "
                                             "watching on with the previous ones")
                                  .arg(missing));
        return false;
    }
    const Snapshot before = take(zel);
    zel.MonitoredFiles.RemoveAll();
    LoadSettings(zel, store);
    LoadEventLogSettings(zel, store);
    for (const Suspect &state : before.files) {
        if (Suspect *entry = zel.MonitoredFiles.Find(state.Key()))
            keepState(*entry, state);
    }
    if (zel.eventLog.EventLogPath != before.log.path)
        zel.unloadEventList();

    // srcsafe.ini is read again too: a database moved to another data
    // folder needs a new session.
    const bool moved = zel.Database && zel.Database->Moved(true);
    if (restart(zel, moved || !sameLogin(before.settings, zel.settings))) {
        // The states kept are stored with the list as edited.
        StoreFileList(zel.MonitoredFiles, store);
        return true;
    }

    zel.shell().setStatus(QStringLiteral(
        "ERROR: The settings read again cannot be used; watching on with the previous ones"));
    const bool newLogin = !sameLogin(before.settings, zel.settings);
    zel.settings = before.settings;
    ShareLogin::setCurrent(zel.settings.Share);
    before.log.restore(zel.eventLog);
    zel.unloadEventList();
    zel.MonitoredFiles.RemoveAll();
    for (const Suspect &state : before.files)
        zel.MonitoredFiles.AddCopy(state);
    restart(zel, newLogin);
    return false;
}
