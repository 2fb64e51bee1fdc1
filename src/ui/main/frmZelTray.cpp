// The tray icon's clicks and its menu.
#include "HelpPages.h"
#include "HelpWindow.h"
#include "engine/StatusText.h"
#include "frmZel.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
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
    // Desktops pop the menu up themselves; while a modal dialog, the main
    // window or the explorer is on the screen its entries would do nothing,
    // so one disabled line says why instead.
    const bool modal = zel().ModalOpen || QApplication::activeModalWidget();
    const bool explorerShown = ProgramWindows::ask(windows.explorerVisible);
    const bool acts = !mainWindowVisible() && !explorerShown && !modal;
    const bool snoozed = zel().snooze().active;
    for (QAction *entry : mnuShow->actions())
        entry->setVisible(acts && entry != mnuBusy && (entry != mnuResume || snoozed));
    mnuBusy->setVisible(!acts);
    mnuBusy->setText(modal ? tr("A dialog is open: close it to use this menu")
                     : explorerShown
                         ? tr("The explorer is open: finish it with OK or Cancel")
                         : tr("The settings window is open: close it to use this menu"));
    mnuReset->setEnabled(m_resetEnabled);
    mnuShow->setDefaultAction(m_resetEnabled ? mnuReset : mnuSet);
}

void frmZel::mnuSet_Click()
{
    modZel &z = zel();
    if (z.ModalOpen)
        return;
    if (!IsErrorStatus(status()))
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
    if (!zel().ModalOpen && windows.showEventLog)
        windows.showEventLog(true);
}

void frmZel::mnuAbout_Click()
{
    if (!zel().ModalOpen)
        ProgramWindows::run(windows.showAbout);
}

void frmZel::mnuHelp_Click()
{
    if (!zel().ModalOpen)
        showHelp();
}

void frmZel::showHelp(int context)
{
    const QString page = HelpPages::HelpPage(m_services.programFolder, context);
    if (page.isEmpty()) {
        showMessage(tr("The help pages are missing from this installation."));
        return;
    }
    QUrl url = QUrl::fromLocalFile(page);
    if (const QString section = HelpPages::HelpSection(context); !section.isEmpty())
        url.setFragment(section);
    const QPointer<frmZel> self(this);
    m_services.openUrl(url, [self, url] {
        if (!self)
            return;
        if (!self->m_help) {
            self->m_help = std::make_unique<HelpWindow>();
            self->m_help->setWindowIcon(self->windowIcon());
        }
        self->m_help->showPage(url);
    });
}
