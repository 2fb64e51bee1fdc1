#pragma once

#include <functional>

// The other windows as the main window reaches them. Each window plugs its
// entries in when it is built; an entry left empty means the window does not
// exist yet (it is never visible and showing or unloading it does nothing).
struct ProgramWindows
{
    // Explorer (frmTree): fills its tree and selection list from the open
    // database and shows it without blocking; returns false when it could not.
    std::function<bool()> openExplorer;
    std::function<bool()> explorerVisible;
    std::function<void()> unloadExplorer;

    // About box (frmAbout), shown without blocking.
    std::function<void()> showAbout;
    std::function<bool()> aboutVisible;
    std::function<void()> unloadAbout;

    // Event log viewer (frmLog), shown without blocking; activated (given
    // the keyboard) when the user asked for it, not when a poll shows it.
    std::function<void(bool activate)> showEventLog;
    std::function<bool()> eventLogVisible;
    std::function<void()> unloadEventLog;

    // Check-outs window (frmCheckouts), shown without blocking; read again
    // while it is shown when a poll found changes.
    std::function<void()> showCheckouts;
    std::function<void()> refreshCheckouts;

    // Log settings dialog (frmOptions).
    std::function<void()> unloadOptions;

    static bool ask(const std::function<bool()> &query) { return query && query(); }
    static void run(const std::function<void()> &command)
    {
        if (command)
            command();
    }
};
