#pragma once

// Shared by the benchmarks that run the whole watcher: a settings folder
// watching part of a generated database, and a watcher in this process
// loaded from one, polled by hand.
#include "../tests/support/FakeShell.h"
#include "../tests/support/ManualTimers.h"

#include "engine/modZel.h"
#include "engine/repository/vssdb/VssDbFactory.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"

#include <QDir>

#include <vector>

namespace BenchSupport {

// A shell that keeps nothing, as the headless one: a long run's memory is
// the engine's own.
class QuietShell : public FakeShell
{
public:
    void setStatus(const QString &) override {}
    void eventRecorded(const EventRecord &) override {}
};

// A settings folder `dir` watching the first `count` files, each as the
// database holds it (`newest`: their newest versions' dates), polled at
// interval `pollDelay`, logging to `logFile` (empty: into the folder).
inline QString configFor(const QString &dir, const QString &ini, const QStringList &specs,
                         const std::vector<QDateTime> &newest, int count, int pollDelay = 7,
                         const QString &logFile = {})
{
    QDir(dir).removeRecursively();
    FakeShell shell;
    ManualTimers timers;
    ManualClock clock;
    modZel zel(shell, timers, clock, VssDbFactory());
    zel.settings.Inifile = ini;
    zel.settings.Username = QStringLiteral("Admin");
    zel.settings.ShowMessages = false;
    zel.settings.PlaySound = false;
    zel.settings.PollDelay = pollDelay;
    for (int i = 0; i < count; ++i)
        zel.MonitoredFiles.Add(specs[i], 0, 1, newest[size_t(i)], specs[i]);
    SettingsStore store(dir);
    SaveSettings(zel, store);
    const auto set = [&](const char *key, const QString &value) {
        store.SaveSetting(kAppName, QStringLiteral("Params"), QLatin1String(key), value);
    };
    set("Logfile", logFile.isEmpty() ? dir + QStringLiteral("/events.txt") : logFile);
    set("MaxLogSize", QStringLiteral("65536"));
    set("DesktopNotify", QStringLiteral("False"));
    set("StartUp", QStringLiteral("False"));
    store.commit();
    return dir;
}

// A running watcher in this process, loaded from a settings folder.
struct Watcher
{
    QuietShell shell;
    ManualTimers timers;
    ManualClock clock;
    SettingsStore store;
    modZel zel{shell, timers, clock, VssDbFactory()};

    explicit Watcher(const QString &configDir) : store(configDir)
    {
        zel.setSettingsStore(&store);
        LoadSettings(zel, store);
        LoadEventLogSettings(zel, store);
        shell.mainVisible = false;
    }
    bool start() { return zel.ZelIni(); }
    // Rule A fires for the files from `first` on: their last check-in is
    // taken as a day older than it is.
    void ageFiles(int first, int count)
    {
        for (int i = first; i < first + count; ++i) {
            Suspect &file = *zel.MonitoredFiles.Item(i + 1);
            file.setDateIn(file.DateIn().addDays(-1));
        }
    }
};

} // namespace BenchSupport
