#include "frmLogPlug.h"

#include "frmLog.h"
#include "ui/main/HelpPages.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/frmZel.h"

frmLog &PlugEventLogViewer(frmZel &main)
{
    // A window of its own, not a child of the main window: it stays when the
    // main window hides to the tray.
    auto *viewer = new frmLog(main.zel(), main.store(), [&main] { return main.windowIcon(); });
    QObject::connect(&main, &QObject::destroyed, viewer, [viewer] { delete viewer; });
    viewer->onHelp = [&main](int context) { main.showHelp(context); };
    BindHelpKey(viewer, HelpPages::EventLogContext, viewer->onHelp);
    ProgramWindows &hooks = main.windows;
    hooks.showEventLog = [viewer](bool activate) { viewer->showViewer(activate); };
    hooks.eventLogVisible = [viewer] { return viewer->isVisible(); };
    hooks.unloadEventLog = [viewer] { viewer->Form_Unload(); };
    hooks.unloadOptions = [viewer] { viewer->unloadOptions(); };
    return *viewer;
}
