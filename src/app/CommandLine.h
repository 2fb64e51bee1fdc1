#pragma once

#include <QString>

#include <optional>

class QCoreApplication;

struct CommandLine
{
    QString configDir;
    bool headless = false;
    bool once = false;
    bool json = false;                 // records as JSON lines
    bool check = false;                // validate the settings and the login, then exit
    std::optional<QString> onEvent;    // the event command, over the stored one
    std::optional<QString> statusPage; // the HTML page of check-outs, over the stored one
};

// Parses the command line; prints help, the version or an error and ends the
// process when asked to or when the line is wrong.
CommandLine ParseCommandLine(const QCoreApplication &app);
