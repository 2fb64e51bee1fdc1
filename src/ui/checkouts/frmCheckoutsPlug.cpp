#include "frmCheckoutsPlug.h"

#include "frmCheckouts.h"
#include "ui/main/HelpPages.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/frmZel.h"

frmCheckouts &PlugCheckoutsWindow(frmZel &main, RepositoryFactory factory)
{
    const auto source = [&main] {
        const ZelSettings &s = main.zel().settings;
        return CheckoutSource{s.Inifile, s.Username, s.Password,
                              CheckoutReader::rootsOf(main.zel().MonitoredFiles)};
    };
    // A window of its own: it stays when the main window hides to the tray.
    auto *window = new frmCheckouts(std::move(factory), source);
    window->setWindowIcon(main.windowIcon());
    BindHelpKey(window, HelpPages::CheckoutsContext,
                [&main](int context) { main.showHelp(context); });
    QObject::connect(&main, &QObject::destroyed, window, [window] { delete window; });
    main.windows.showCheckouts = [window] { window->showWindow(); };
    main.windows.refreshCheckouts = [window] { window->refreshIfShown(); };
    return *window;
}
