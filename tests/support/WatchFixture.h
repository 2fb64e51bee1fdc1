#pragma once

#include "FakeShell.h"
#include "ManualTimers.h"
#include "TestFiles.h"
#include "engine/eventlog/EventList.h"
#include "engine/modZel.h"

#include <QTemporaryDir>

// An engine over any repository, with a recording shell, manual timers and a
// manual clock, and its event log in a temporary folder.
struct WatchFixture
{
    QTemporaryDir dir;
    FakeShell shell;
    ManualTimers timers;
    ManualClock clock;
    modZel zel;

    WatchFixture(RepositoryFactory factory, const QString &ini, const QString &user,
                 const QString &password)
        : zel{shell, timers, clock, std::move(factory)}
    {
        zel.settings.Inifile = ini;
        zel.settings.Username = user;
        zel.settings.Password = password;
        zel.eventLog.EventLogPath = dir.filePath(QStringLiteral("QVEvent.txt"));
    }

    // Starts the session with the main window hidden, as after "Hide && Watch".
    bool start()
    {
        shell.mainVisible = false;
        return zel.ZelIni();
    }
    // One timer poll, a minute later.
    void poll()
    {
        clock.advance(60);
        timers.fire(zel.TimerId);
    }
    Suspect &file(const QString &spec) const { return *zel.MonitoredFiles.Item(spec); }
    EventList &rows() { return zel.lvTrace(); }
    QByteArray logBytes() const { return TestFiles::read(zel.eventLog.EventLogPath); }
    // The event log's records as (object, action) pairs.
    QList<QPair<QString, QString>> records() const
    {
        return TestFiles::records(zel.eventLog.EventLogPath);
    }
};
