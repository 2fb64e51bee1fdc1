#pragma once

#include <QString>

#include <optional>

// Watching without any window: the same settings, session start and poll as
// the windowed program. Event records go to standard output as they are
// written to the event log; status texts and errors to standard error.
struct HeadlessOptions
{
    QString configDir;                 // empty: the user's own settings
    QString programFolder;             // for the default event log place
    bool once = false;                 // one session start and one poll, then exit
    bool json = false;                 // records as JSON lines
    bool check = false;                // check the settings and the login, then exit
    std::optional<QString> onEvent;    // the event command, over the stored one
    std::optional<QString> statusPage; // the HTML page of check-outs, over the stored one
};

// Exit status: 0 when the session started (with --once: and the poll ran),
// 2 when it could not start, 3 (--once) when the poll ran but an event
// record, the event log's trimming or the watched list could not be stored;
// with `check`, that of CheckSettings().
int RunHeadless(const HeadlessOptions &options);
