#pragma once

// The program with its windows: the main window, the tray icon, the viewer,
// the explorer and the About box. Returns the process's exit status.
int RunWindowed(int argc, char *argv[]);
