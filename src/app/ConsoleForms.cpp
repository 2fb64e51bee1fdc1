// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConsoleForms.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

bool NeedsNoDisplay(int argc, char *argv[])
{
    static const char *const kForms[] = {"-h",     "--help",    "-?",         "--help-all",
                                         "-v",     "--version", "--headless", "--once",
                                         "--json", "--check"};
    static const char *const kValued[] = {"--on-event", "--status-page"}; // also as --x=VALUE
    for (int i = 1; i < argc; ++i) {
        for (const char *form : kForms)
            if (std::strcmp(argv[i], form) == 0)
                return true;
        for (const char *prefix : kValued)
            if (std::strncmp(argv[i], prefix, std::strlen(prefix)) == 0)
                return true;
    }
    return false;
}

void UseParentConsole()
{
#ifdef _WIN32
    // Handles handed down (a pipe, a file, the twin's console) stay; a
    // stream started without one goes to the console joined.
    const struct
    {
        DWORD id;
        FILE *stream;
        const char *device;
        const char *mode;
    } streams[] = {{STD_INPUT_HANDLE, stdin, "CONIN$", "r"},
                   {STD_OUTPUT_HANDLE, stdout, "CONOUT$", "w"},
                   {STD_ERROR_HANDLE, stderr, "CONOUT$", "w"}};
    bool handed[3];
    for (int i = 0; i < 3; ++i) {
        const HANDLE h = GetStdHandle(streams[i].id);
        handed[i] = h != nullptr && h != INVALID_HANDLE_VALUE;
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return; // started from Explorer, a shortcut or the Run value
    for (int i = 0; i < 3; ++i)
        if (!handed[i])
            std::freopen(streams[i].device, streams[i].mode, streams[i].stream);
#endif
}
