#include "SettingsReload.h"

#include "Settings.h"
#include "SettingsStore.h"
#include "engine/modZel.h"

#include <vector>

namespace {

struct WatchedState
{
    QString key;
    qint16 status = 0;
    qint16 imageIndex = 0;
    QDateTime dateIn;
};

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
    std::vector<WatchedState> files;
};

Snapshot take(modZel &zel)
{
    Snapshot s{zel.settings, LogValues(zel.eventLog), {}};
    for (const Suspect &file : zel.MonitoredFiles)
        s.files.push_back({file.Key(), file.Status(), file.ImageIndex(), file.DateIn()});
    return s;
}

void keepState(Suspect &file, const WatchedState &state)
{
    file.setStatus(state.status);
    file.setImageIndex(state.imageIndex);
    file.setDateIn(state.dateIn);
}

bool sameLogin(const ZelSettings &a, const ZelSettings &b)
{
    return a.Inifile == b.Inifile && a.Username.compare(b.Username, Qt::CaseInsensitive) == 0 &&
           a.Password == b.Password;
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
    const Snapshot before = take(zel);
    store.reload();
    zel.MonitoredFiles.RemoveAll();
    LoadSettings(zel, store);
    LoadEventLogSettings(zel, store);
    for (const WatchedState &state : before.files) {
        if (zel.MonitoredFiles.Exists(state.key))
            keepState(*zel.MonitoredFiles.Item(state.key), state);
    }
    if (zel.eventLog.EventLogPath != before.log.path)
        zel.unloadEventList();

    if (restart(zel, !sameLogin(before.settings, zel.settings))) {
        // The states kept are stored with the list as edited.
        StoreFileList(zel.MonitoredFiles, store);
        return true;
    }

    zel.shell().setStatus(QStringLiteral(
        "ERROR: The settings read again cannot be used; watching on with the previous ones"));
    const bool newLogin = !sameLogin(before.settings, zel.settings);
    zel.settings = before.settings;
    before.log.restore(zel.eventLog);
    zel.unloadEventList();
    zel.MonitoredFiles.RemoveAll();
    for (const WatchedState &state : before.files) {
        if (Suspect *file = zel.MonitoredFiles.Add(state.key, state.status, state.imageIndex,
                                                   state.dateIn, state.key))
            keepState(*file, state);
    }
    restart(zel, newLogin);
    return false;
}
