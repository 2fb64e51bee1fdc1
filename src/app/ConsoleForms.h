// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// --help, --version and --headless (and what goes with it) run without a
// display and speak through the console. Free of Qt, so the Windows console
// twin decides with the same list.
bool NeedsNoDisplay(int argc, char *argv[]);

// Windows: the program is a GUI-subsystem one, so in the forms above it
// joins the console of whoever started it (cmd, PowerShell, the console
// twin) and writes there. Elsewhere: nothing to do.
void UseParentConsole();
