#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {

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

} // namespace

CommandLine ParseCommandLine(const QCoreApplication &app)
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

bool NeedsNoDisplay(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v" ||
            arg == "--version" || arg == "--headless" || arg == "--once")
            return true;
    }
    return false;
}

