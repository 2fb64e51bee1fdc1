#pragma once

#include "support/VssGen.h"
#include "support/WatchFixture.h"

#include "engine/repository/vssdb/VssDbFactory.h"

// An engine polling, through the native reader, a database the writer builds
// (users Raul, Guest and Admin); the user is raul.
struct VssPollFixture : WatchFixture
{
    QString db = dir.filePath(QStringLiteral("db"));

    explicit VssPollFixture(bool multipleCheckouts = false, const VssDbOptions &options = {})
        : WatchFixture(VssDbFactory(options), QString(), QStringLiteral("raul"),
                       QStringLiteral("secret"))
    {
        VssGen::create(db, multipleCheckouts);
        zel.settings.Inifile = db + QStringLiteral("/srcsafe.ini");
        zel.settings.ShowMessages = false;
        zel.settings.PlaySound = false;
    }
    void watch(const QString &spec, const QDateTime &dateIn)
    {
        zel.MonitoredFiles.Add(spec, 0, 1, dateIn, spec);
    }
};
