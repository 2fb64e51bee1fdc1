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
                       "session started, 2 when it could not, 3 when a record or the list "
                       "could not be stored, 4 when the event command's queue was full and "
                       "events were not handed over to it)."));
    return option;
}

const QCommandLineOption &jsonOption()
{
    static const QCommandLineOption option(
        QStringLiteral("json"),
        QStringLiteral("With --headless: print each event as one JSON object per line."));
    return option;
}

const QCommandLineOption &checkOption()
{
    static const QCommandLineOption option(
        QStringLiteral("check"),
        QStringLiteral("With --headless: check the settings, the database login and the watched "
                       "files, then exit (0 when all is well; see the README for the other "
                       "statuses)."));
    return option;
}

const QCommandLineOption &onEventOption()
{
    static const QCommandLineOption option(
        QStringLiteral("on-event"),
        QStringLiteral("With --headless: run COMMAND for each event, with QUORVIK_DATE, "
                       "QUORVIK_TIME, QUORVIK_SPEC, QUORVIK_ACTION, QUORVIK_USER and "
                       "QUORVIK_DATABASE set (instead of the OnEvent setting)."),
        QStringLiteral("COMMAND"));
    return option;
}

const QCommandLineOption &statusPageOption()
{
    static const QCommandLineOption option(
        QStringLiteral("status-page"),
        QStringLiteral("With --headless: keep an HTML page of the watched files' check-outs and "
                       "the last events in FILE, written at start and after each poll with "
                       "changes (instead of the StatusPage setting)."),
        QStringLiteral("FILE"));
    return option;
}

// The options that only make sense without windows.
const QCommandLineOption *const kHeadlessOnly[] = {&onceOption(), &jsonOption(), &checkOption(),
                                                   &onEventOption(), &statusPageOption()};

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
    for (const QCommandLineOption *option : kHeadlessOnly)
        parser.addOption(*option);
    parser.process(app);
    CommandLine line;
    line.configDir = parser.value(configDirOption());
    line.headless = parser.isSet(headlessOption());
    line.once = parser.isSet(onceOption());
    line.json = parser.isSet(jsonOption());
    line.check = parser.isSet(checkOption());
    if (parser.isSet(onEventOption()))
        line.onEvent = parser.value(onEventOption());
    if (parser.isSet(statusPageOption()))
        line.statusPage = parser.value(statusPageOption());
    for (const QCommandLineOption *option : kHeadlessOnly) {
        if (parser.isSet(*option) && !line.headless) {
            fprintf(stderr, "quorvik: --%s goes with --headless\n",
                    qPrintable(option->names().constFirst()));
            ::exit(1);
        }
    }
    return line;
}
