#pragma once

#include "FakeShell.h"
#include "ManualTimers.h"
#include "TestFiles.h"
#include "engine/modZel.h"
#include "engine/repository/memory/MemoryRepository.h"

#include <QTemporaryDir>

// A fresh engine over an in-memory repository, a recording shell, manual
// timers and a manual clock, with its event log in a temporary folder.
struct EngineFixture
{
    QTemporaryDir dir;
    std::shared_ptr<MemoryRepository> repo = MemoryRepository::create();
    FakeShell shell;
    ManualTimers timers;
    ManualClock clock;
    modZel zel{shell, timers, clock, repo->factory()};

    EngineFixture()
    {
        repo->setIniPath(QStringLiteral("/vss/srcsafe.ini"));
        repo->addUser(QStringLiteral("me"), QStringLiteral("pw"));
        repo->addProject(QStringLiteral("$/Web"));
        zel.settings.Inifile = QStringLiteral("/vss/srcsafe.ini");
        zel.settings.Username = QStringLiteral("me");
        zel.settings.Password = QStringLiteral("pw");
        zel.eventLog.EventLogPath = dir.filePath(QStringLiteral("QVEvent.txt"));
    }

    // Adds a file to the repository (version 1 at `created`) and watches it
    // with the state a fresh pick in the explorer would give it.
    void watch(const QString &spec, const QDateTime &created = {})
    {
        const QDateTime date = created.isValid() ? created : clock.now().addDays(-1);
        repo->addFile(spec, QStringLiteral("other"), date);
        zel.MonitoredFiles.Add(spec, 0, 1, date, spec);
    }

    // Watches the files and starts the session.
    bool startWatching(std::initializer_list<QString> specs)
    {
        for (const QString &spec : specs)
            watch(spec);
        return start();
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

    QByteArray logBytes() const { return TestFiles::read(zel.eventLog.EventLogPath); }
    // The event log's records as (object, action) pairs.
    QList<QPair<QString, QString>> records() const
    {
        return TestFiles::records(zel.eventLog.EventLogPath);
    }
};
