// SPDX-License-Identifier: GPL-3.0-or-later
//
// quorvik.com, the console twin of the GUI-subsystem quorvik.exe beside it.
// cmd and PowerShell try .com before .exe, so "quorvik --headless" typed at a
// prompt lands here: the console forms run quorvik.exe on this console's
// handles and the prompt waits for its exit status, as for any console tool;
// any other command line starts the windows and returns at once.
#include "ConsoleForms.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

std::wstring ownPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// What follows the program's name on the command line, as the C runtime
// splits it: a quoted name ends at the next quote, a bare one at white space.
const wchar_t *argumentsAfterProgram(const wchar_t *line)
{
    if (*line == L'"') {
        const wchar_t *end = std::wcschr(line + 1, L'"');
        return end ? end + 1 : line + std::wcslen(line);
    }
    while (*line && *line != L' ' && *line != L'\t')
        ++line;
    return line;
}

// The program joined this console and ends itself on Ctrl+C, Ctrl+Break or
// the window closing; the twin stays to hand on its exit status.
BOOL WINAPI outlastTheProgram(DWORD)
{
    return TRUE;
}

} // namespace

int main(int argc, char *argv[])
{
    std::wstring program = ownPath();
    program.replace(program.size() - 4, 4, L".exe");
    std::wstring line = L"\"" + program + L"\"" + argumentsAfterProgram(GetCommandLineW());

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    const bool console = NeedsNoDisplay(argc, argv);
    if (console) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        for (const HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
            SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
    if (console)
        SetConsoleCtrlHandler(outlastTheProgram, TRUE);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, console, 0, nullptr,
                        nullptr, &startup, &started)) {
        std::fwprintf(stderr, L"quorvik: cannot start %ls (Windows error %lu)\n", program.c_str(),
                      GetLastError());
        return 1;
    }
    CloseHandle(started.hThread);
    DWORD status = 0;
    if (console) {
        WaitForSingleObject(started.hProcess, INFINITE);
        GetExitCodeProcess(started.hProcess, &status);
    }
    CloseHandle(started.hProcess);
    return int(status);
}
