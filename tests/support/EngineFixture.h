#pragma once

#include "WatchFixture.h"
#include "engine/repository/memory/MemoryRepository.h"

// A fresh engine over an in-memory repository holding the project $/Web.
struct EngineFixture : WatchFixture
{
    std::shared_ptr<MemoryRepository> repo;

    EngineFixture() : EngineFixture(MemoryRepository::create()) {}

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

private:
    explicit EngineFixture(std::shared_ptr<MemoryRepository> r)
        : WatchFixture(r->factory(), QStringLiteral("/vss/srcsafe.ini"), QStringLiteral("me"),
                       QStringLiteral("pw")),
          repo(std::move(r))
    {
        repo->setIniPath(QStringLiteral("/vss/srcsafe.ini"));
        repo->addUser(QStringLiteral("me"), QStringLiteral("pw"));
        repo->addProject(QStringLiteral("$/Web"));
    }
};
