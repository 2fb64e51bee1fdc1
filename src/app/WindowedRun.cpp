#include "WindowedRun.h"

#include "CommandLine.h"
#include "RepositoryBackend.h"
#include "engine/ChangeTrigger.h"
#include "engine/Clock.h"
#include "engine/QtTimerService.h"
#include "engine/program/SessionBus.h"
#include "engine/program/SingleInstance.h"
#include "engine/settings/SettingsStore.h"
#include "ui/about/frmAboutPlug.h"
#include "ui/checkouts/frmCheckoutsPlug.h"
#include "ui/eventlog/frmLogPlug.h"
#include "ui/explorer/ExplorerHost.h"
#include "ui/main/Translations.h"
#include "ui/main/frmZel.h"

#include <QApplication>
#include <QDir>
#include <QSessionManager>
#include <QSettings>

#include <cstdio>

int RunWindowed(int argc, char *argv[])
{
    // Before Qt connects to the session bus: one that never answers would
    // keep the window from ever showing.
    const QString silentBus = SessionBus::LeaveOutIfSilent();
    if (!silentBus.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(silentBus));
    QApplication app(argc, argv);
    // The program lives in the tray: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    const QString dir = ParseCommandLine(app).configDir;
    if (!dir.isEmpty())
        QDir().mkpath(dir);
    // After the command line: what it prints stays English, as the headless
    // watcher's output does.
    InstallTranslations();

#ifndef Q_OS_WIN
    // What Qt keeps for the user (the file dialogs' history, QtProject.conf)
    // stays in the settings folder with everything else.
    const QString settingsFolder = dir.isEmpty() ? SettingsStore::defaultConfigDir() : dir;
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, settingsFolder);
#endif

    SingleInstance instance(dir);
    SettingsStore store(dir);
    QtTimerService timers;
    ChangeTrigger changes;
    SystemClock clock;

    frmZelServices services;
    services.timers = &timers;
    services.changes = &changes;
    services.clock = &clock;
    services.factory = ProgramRepositoryFactory();
    services.store = &store;
    services.claimInstance = [&instance] { return instance.tryAcquire(); };
    if (!dir.isEmpty()) {
        services.programArguments = {QStringLiteral("--config-dir"), QDir(dir).absolutePath()};
        if (QDir(dir) != QDir(SettingsStore::defaultConfigDir()))
            services.settingsFolder = QDir(dir).absolutePath();
    }

    frmZel window(services);
    PlugEventLogViewer(window);
    PlugAboutBox(window);
    PlugCheckoutsWindow(window, services.factory);
    ExplorerHost explorer(window, services.factory);
    QObject::connect(&window, &frmZel::Unloaded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager &) { window.sessionEnding(); });
    if (!window.Load())
        return 0; // another instance runs
    window.show();
    return app.exec();
}
