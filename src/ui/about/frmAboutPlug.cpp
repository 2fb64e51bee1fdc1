#include "frmAboutPlug.h"

#include "frmAbout.h"
#include "ui/main/HelpPages.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/frmZel.h"

frmAbout &PlugAboutBox(frmZel &main)
{
    auto *box = new frmAbout([&main] { return main.windowIcon(); });
    QObject::connect(&main, &QObject::destroyed, box, [box] { delete box; });
    BindHelpKey(box, HelpPages::AboutContext, [&main](int context) { main.showHelp(context); });
    ProgramWindows &hooks = main.windows;
    hooks.showAbout = [box] { box->showAbout(); };
    hooks.aboutVisible = [box] { return box->isVisible(); };
    hooks.unloadAbout = [box] { box->close(); };
    return *box;
}
