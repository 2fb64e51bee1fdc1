#include "CommandLine.h"
#include "ConsoleForms.h"
#include "HeadlessRun.h"
#include "WindowedRun.h"

#include <QCoreApplication>
#include <QDir>

namespace {

void describeProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("Quorvik"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVIK_VERSION));
}

} // namespace

int main(int argc, char *argv[])
{
    describeProgram();
    if (NeedsNoDisplay(argc, argv)) {
        UseParentConsole();
        const QCoreApplication app(argc, argv);
        const CommandLine line = ParseCommandLine(app);
        HeadlessOptions options;
        options.configDir = line.configDir;
        options.programFolder = QCoreApplication::applicationDirPath();
        options.once = line.once;
        options.json = line.json;
        options.check = line.check;
        options.onEvent = line.onEvent;
        options.statusPage = line.statusPage;
        if (!options.configDir.isEmpty() && !options.check) // a check creates nothing
            QDir().mkpath(options.configDir);
        return RunHeadless(options);
    }

    return RunWindowed(argc, argv);
}
