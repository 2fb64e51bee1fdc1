#pragma once

#include <QString>

class QCoreApplication;

struct CommandLine
{
    QString configDir;
    bool headless = false;
    bool once = false;
};

// Parses the command line; prints help, the version or an error and ends the
// process when asked to or when the line is wrong.
CommandLine ParseCommandLine(const QCoreApplication &app);

// --help, --version and --headless run without a display.
bool NeedsNoDisplay(int argc, char *argv[]);
