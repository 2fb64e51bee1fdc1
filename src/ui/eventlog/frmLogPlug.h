#pragma once

class frmLog;
class frmZel;

// Builds the event log viewer for the main window and plugs it (with its log
// settings dialog) into the main window's hooks. The viewer lives as long as
// the main window; it is built unloaded.
frmLog &PlugEventLogViewer(frmZel &main);
