#pragma once

#include <QPointer>
#include <QWidget>

// Follows which of the program's own windows is active, so the main window's
// Activate and Deactivate run only when the activation moves between the
// program's windows (or when the main window is shown): switching to another
// application and back, or a message box or file dialog coming and going,
// runs neither.
class ProgramActivation
{
public:
    enum Outcome
    {
        Nothing,
        Activate,
        Deactivate
    };

    explicit ProgramActivation(const QWidget *mainWindow) : m_main(mainWindow) {}

    // `now` became the active window (nullptr: another application).
    // `isProgramWindow`: `now` is one of the program's windows, not a dialog.
    Outcome activated(const QWidget *now, bool isProgramWindow);
    // The main window was hidden or minimised: showing it again activates it.
    void mainWindowLeft();

    // A program window: the main window, or a window whose object name
    // starts with "frm" (the explorer, the viewer, the About box, the log
    // settings dialog).
    static bool isProgramWindow(const QWidget *window);

private:
    const QWidget *m_main;
    QPointer<const QWidget> m_current;
};
