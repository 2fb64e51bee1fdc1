#include "HeadlessRun.h"
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

#include <cstdio>
#include <cstdlib>

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

const QCommandLineOption &headlessOption()
{
    static const QCommandLineOption option(
        QStringLiteral("headless"),
        QStringLiteral("Watch without any window: event records to standard output, status and "
                       "errors to standard error, until interrupted."));
    return option;
}

const QCommandLineOption &onceOption()
{
    static const QCommandLineOption option(
        QStringLiteral("once"),
        QStringLiteral("With --headless: start the session, poll once and exit (0 when the "
                       "session started, 2 when it could not)."));
    return option;
}

struct CommandLine
{
    QString configDir;
    bool headless = false;
    bool once = false;
};

// Parses the command line; prints help, the version or an error and ends the
// process when asked to or when the line is wrong.
CommandLine parseCommandLine(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Watches files in Visual SourceSafe databases and tells you when one is "
                       "checked out or checked in."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(configDirOption());
    parser.addOption(headlessOption());
    parser.addOption(onceOption());
    parser.process(app);
    CommandLine line;
    line.configDir = parser.value(configDirOption());
    line.headless = parser.isSet(headlessOption());
    line.once = parser.isSet(onceOption());
    if (line.once && !line.headless) {
        fputs("quorvik: --once goes with --headless\n", stderr);
        ::exit(1);
    }
    return line;
}

// --help, --version and --headless run without a display.
bool needsNoDisplay(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v" ||
            arg == "--version" || arg == "--headless" || arg == "--once")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    describeProgram();
    if (needsNoDisplay(argc, argv)) {
        const QCoreApplication app(argc, argv);
        const CommandLine line = parseCommandLine(app);
        HeadlessOptions options;
        options.configDir = line.configDir;
        options.programFolder = QCoreApplication::applicationDirPath();
        options.once = line.once;
        if (!options.configDir.isEmpty())
            QDir().mkpath(options.configDir);
        return RunHeadless(options);
    }

    QApplication app(argc, argv);
    // The program lives in the tray: closing its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    const QString dir = parseCommandLine(app).configDir;
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
