// The tray icon's clicks and its menu.
#include "HelpPages.h"
#include "frmZel.h"

#include <QAction>
#include <QDateTime>
#include <QListWidget>
#include <QMenu>
#include <QUrl>

namespace {

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

void frmZel::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    // The context menu pops up by itself (prepareTrayMenu); a click does what
    // the menu's bold entry does. While the settings are on the screen, the
    // icon does nothing.
    if (m_trayCommandRunning || mainWindowVisible() || ProgramWindows::ask(windows.explorerVisible))
        return;
    if (!m_trayClicks.accept(reason, nowMs()))
        return;
    m_trayCommandRunning = true;
    if (m_resetEnabled)
        mnuReset_Click();
    else
        mnuSet_Click();
    m_trayCommandRunning = false;
    m_trayClicks.finished(nowMs());
}

void frmZel::prepareTrayMenu()
{
    // Desktops pop the menu up themselves; while the main window or the
    // explorer is on the screen its entries do nothing.
    const bool acts = !mainWindowVisible() && !ProgramWindows::ask(windows.explorerVisible);
    for (QAction *entry : mnuShow->actions())
        if (!entry->isSeparator())
            entry->setEnabled(acts);
    mnuReset->setEnabled(acts && m_resetEnabled);
    mnuShow->setDefaultAction(m_resetEnabled ? mnuReset : mnuSet);
}

void frmZel::mnuSet_Click()
{
    modZel &z = zel();
    if (z.ModalOpen)
        return;
    if (!status().startsWith(QLatin1String("ERROR")))
        showFileCount();
    lst->setToolTip(QString());
    if (!z.PollBusy)
        showMainWindow();
}

void frmZel::mnuReset_Click()
{
    zel().Reset(); // ignored while ModalOpen; no message box while PollBusy
}

void frmZel::mnuShowLog_Click()
{
    if (!zel().ModalOpen)
        showEventLog();
}

void frmZel::mnuAbout_Click()
{
    if (!zel().ModalOpen)
        ProgramWindows::run(windows.showAbout);
}

void frmZel::mnuHelp_Click()
{
    if (zel().ModalOpen)
        return;
    const QString page = HelpPages::HelpStartPage(m_services.programFolder);
    if (!page.isEmpty())
        m_services.openUrl(QUrl::fromLocalFile(page));
}
