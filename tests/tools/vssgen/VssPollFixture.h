#pragma once

#include "support/FakeShell.h"
#include "support/ManualTimers.h"
#include "support/TestFiles.h"
#include "support/VssGen.h"

#include "VssWriter.h"

#include "engine/eventlog/EventList.h"
#include "engine/modZel.h"
#include "engine/repository/vssdb/VssDbFactory.h"

#include <QTemporaryDir>

// An engine polling a database that the writer builds, through the native
// reader, with a recording shell, manual timers and a manual clock.
struct VssPollFixture
{
    QTemporaryDir dir;
    QString db = dir.filePath(QStringLiteral("db"));
    FakeShell shell;
    ManualTimers timers;
    ManualClock clock;
    modZel zel{shell, timers, clock, VssDbFactory()};

    explicit VssPollFixture(bool multipleCheckouts = false)
    {
        VssGen::create(db, multipleCheckouts);
        zel.settings.Inifile = db + QStringLiteral("/srcsafe.ini");
        zel.settings.Username = QStringLiteral("raul");
        zel.settings.Password = QStringLiteral("secret");
        zel.settings.ShowMessages = false;
        zel.settings.PlaySound = false;
        zel.eventLog.EventLogPath = dir.filePath(QStringLiteral("QVEvent.txt"));
    }

    void watch(const QString &spec, const QDateTime &dateIn)
    {
        zel.MonitoredFiles.Add(spec, 0, 1, dateIn, spec);
    }
    bool start()
    {
        shell.mainVisible = false;
        return zel.ZelIni();
    }
    void poll()
    {
        clock.advance(60);
        timers.fire(zel.TimerId);
    }
    Suspect &file(const QString &spec) const { return *zel.MonitoredFiles.Item(spec); }
    EventList &rows() { return zel.lvTrace(); }

    // The event log's records as (spec, action) pairs.
    QList<QPair<QString, QString>> records() const
    {
        return TestFiles::records(zel.eventLog.EventLogPath);
    }
};
