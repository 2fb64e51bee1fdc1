#include "RepositoryBackend.h"
#include "engine/QtTimerService.h"
#include "engine/settings/SettingsStore.h"
#include "ui/main/SingleInstance.h"
#include "ui/main/frmZel.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvik"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVIK_VERSION));
    // The program lives in the tray: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Watches files in Visual SourceSafe databases and tells you when one is "
                       "checked out or checked in."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption configDir(
        QStringLiteral("config-dir"),
        QStringLiteral("Keep the settings in DIR/Quorvik.ini instead of the user's settings."),
        QStringLiteral("DIR"));
    parser.addOption(configDir);
    parser.process(app);

    const QString dir = parser.value(configDir);
    if (!dir.isEmpty())
        QDir().mkpath(dir);

    SingleInstance instance(dir);
    SettingsStore store(dir);
    QtTimerService timers;
    SystemClock clock;

    frmZelServices services;
    services.timers = &timers;
    services.clock = &clock;
    services.factory = ProgramRepositoryFactory();
    services.store = &store;
    services.claimInstance = [&instance] { return instance.tryAcquire(); };

    frmZel window(services);
    QObject::connect(&window, &frmZel::Unloaded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager &) { window.sessionEnding(); });
    if (!window.Load())
        return 0; // another instance runs
    window.show();
    return app.exec();
}
