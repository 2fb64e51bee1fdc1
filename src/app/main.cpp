#include "RepositoryBackend.h"
#include "engine/QtTimerService.h"
#include "engine/settings/SettingsStore.h"
#include "eventlog/frmLogPlug.h"
#include "ui/about/frmAboutPlug.h"
#include "ui/explorer/ExplorerHost.h"
#include "ui/main/SingleInstance.h"
#include "ui/main/frmZel.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

namespace {

void describeProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("Quorvik"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVIK_VERSION));
}

const QCommandLineOption &configDirOption()
{
    static const QCommandLineOption option(
        QStringLiteral("config-dir"),
        QStringLiteral("Keep the settings in DIR/Quorvik.ini instead of the user's settings."),
        QStringLiteral("DIR"));
    return option;
}

// Parses the command line; prints help, the version or an error and ends the
// process when asked to or when the line is wrong.
QString parseConfigDir(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Watches files in Visual SourceSafe databases and tells you when one is "
                       "checked out or checked in."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(configDirOption());
    parser.process(app);
    return parser.value(configDirOption());
}

// --help and --version answer without a display.
bool onlyPrints(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v" ||
            arg == "--version")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    describeProgram();
    if (onlyPrints(argc, argv)) {
        const QCoreApplication app(argc, argv);
        parseConfigDir(app);
        return 0;
    }

    QApplication app(argc, argv);
    // The program lives in the tray: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    const QString dir = parseConfigDir(app);
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
    PlugEventLogViewer(window);
    PlugAboutBox(window);
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
