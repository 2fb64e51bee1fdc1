#pragma once

#include "DesktopNotifier.h"
#include "DesktopSound.h"
#include "ProgramActivation.h"
#include "ProgramWindows.h"
#include "TrayClickFilter.h"
#include "engine/Shell.h"
#include "engine/modZel.h"

#include <QSystemTrayIcon>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPushButton;
class QTimer;
class QUrl;
class HelpWindow;
class SettingsStore;

// What the main window is built on. The program passes the real services;
// a test passes an in-memory repository, manual timers and a temporary store.
struct frmZelServices
{
    TimerService *timers = nullptr;
    ChangeWatch *changes = nullptr; // none: polls by the timer only
    const Clock *clock = nullptr;
    RepositoryFactory factory;
    SettingsStore *store = nullptr;

    // Start-up step 1: false when another instance runs. Empty: no check.
    std::function<bool()> claimInstance;
    // The program's folder (event log) and file (start at logon); empty: the
    // running executable's.
    QString programFolder;
    QString programPath;
    // The options in use that the start at logon passes on (--config-dir DIR).
    QStringList programArguments;
    // The settings folder when it is not the default one (empty: default).
    QString settingsFolder;

    // Empty entries use the real thing.
    std::function<void(const QString &name, const QString &path, bool flag)> runAtStartup;
    std::function<void()> beep;
    std::function<bool()> trayAvailable; // empty: looks for one (TrayHost)
    // Opens a page in the desktop's browser; `failed` runs when none starts.
    std::function<void(const QUrl &, const std::function<void()> &failed)> openUrl;
};

// The main window: the settings screen, the watched-file list with its
// commands, the tray icon with its menu; the engine's user interface.
class frmZel : public QWidget, public Shell
{
    Q_OBJECT
public:
    explicit frmZel(frmZelServices services, QWidget *parent = nullptr);
    ~frmZel() override;

    modZel &zel() { return *m_zel; }
    SettingsStore &store() { return *m_services.store; }
    // The other windows plug in here as they are built.
    ProgramWindows windows;

    // The program's start. false: another instance runs and this one ends
    // (nothing else has happened). The caller shows the window afterwards.
    bool Load();
    // Unload ran: the program ends (Unloaded was emitted).
    bool isUnloaded() const { return m_unloaded; }
    // The desktop session ends: the next close request proceeds.
    void sessionEnding() { m_sessionEnding = true; }

    // --- window events ---
    void Form_Activate();
    void Form_Deactivate();
    void cmOk_Click();
    void cmdLogin_Click();
    void cmbEvery_Validate();
    void ExitProgram();

    // --- the watched-file list ---
    void RefreshFileList();
    void cmdAdd_Click();
    void cmdRemove_Click();
    void m_remove_Click();
    void m_removeall_Click();
    // "Leave Out...": the exclude patterns of the selected watched project.
    void m_exclude_Click();
    void m_selectall_Click();
    void m_unselect_Click();
    void lst_Click();
    // Enables the context menu's entries as the list stands (before it pops up).
    void prepareListMenu();
    void showListMenu(const QPoint &at);

    // --- tray icon and menu ---
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    void mnuSet_Click();
    void mnuReset_Click();
    void mnuShowLog_Click();
    void mnuAbout_Click();
    void mnuHelp_Click();
    // The manual at a help context's page (0: the start page; the explorer
    // passes its own), in the browser or else in a window of the program's.
    void showHelp(int context = 0);
    HelpWindow *helpWindow() const { return m_help.get(); }
    // Marks the default entry (bold) and the entries that act (before it pops up).
    void prepareTrayMenu();
    TrayLook trayLook() const { return m_look; }
    QSystemTrayIcon *trayIcon() const { return m_tray; }
    // No tray: hiding minimises instead (rechecked at every hide).
    bool minimisesInsteadOfHiding() const { return !m_trayAvailable; }
    // Looks for a tray again (also every few seconds): a panel may come up
    // after the program, or go away.
    void checkTray();

    // --- Shell ---
    void setStatus(const QString &text) override;
    void setStatusDetail(const QString &detail) override;
    QString status() const override;
    void setTrayLook(TrayLook look) override;
    void setResetEnabled(bool enabled) override;
    bool resetEnabled() const override { return m_resetEnabled; }
    bool mainWindowVisible() const override;
    void showMainWindow() override;
    bool aboutVisible() const override { return ProgramWindows::ask(windows.aboutVisible); }
    bool eventLogVisible() const override { return ProgramWindows::ask(windows.eventLogVisible); }
    // A poll's changes: the viewer comes up without taking the keyboard.
    void showEventLog() override
    {
        if (windows.showEventLog)
            windows.showEventLog(false);
    }
    void showMessage(const QString &text) override;
    void setConnectionFields(const QString &inifile, const QString &user,
                             const QString &password) override;
    void refreshFileList() override
    {
        RefreshFileList();
        ProgramWindows::run(windows.refreshCheckouts);
    }
    void beep() override;
    void processEvents() override;
    void showDesktopNotification(const QString &summary, const QString &body) override;
    void snoozeChanged() override;

    // --- controls, named as the other windows and the tests address them ---
    QGroupBox *Frame1, *Frame2, *Frame3;
    QLabel *Label2[3];
    QLineEdit *txtDatabase, *txtUser, *txtPwd;
    QPushButton *cmdLogin;
    QCheckBox *Check1, *Check2, *Check3, *Check4, *Check5, *Check6, *Check7, *chkStartUp;
    QCheckBox *chkDesktop;     // "Desktop Notifi&cation"
    QCheckBox *chkIgnoreOwn;   // "Ignore &my own changes"
    QLabel *lblIgnoreUsers;    // "Ignore changes b&y"
    QLineEdit *txtIgnoreUsers; // VSS user names, separated by commas
    QLabel *Label3, *Label1, *lblStatus;
    QComboBox *cmbEvery;
    QListWidget *lst;
    QPushButton *cmdAdd, *cmdRemove, *cmdCheckouts, *cmOk, *Command1;
    QMenu *mright;
    QAction *m_selectall, *m_unselect, *m_addnew, *m_remove, *m_removeall, *m_exclude;
    QMenu *mnuShow;
    QAction *mnuSet, *mnuReset, *mnuShowLog, *mnuCheckouts, *mnuAbout, *mnuHelp, *mnuExit;
    // "Pause Notifications" and its lengths; "Resume Notifications" while paused.
    QMenu *mnuSnooze;
    QAction *mnuSnooze30, *mnuSnooze60, *mnuSnoozeTomorrow, *mnuSnoozeResumed, *mnuResume;
    // The one line the tray menu shows while a window of the program is on
    // the screen (its entries would do nothing then).
    QAction *mnuBusy;

    static QStringList IntervalTexts();

signals:
    // The main window was unloaded: the program ends.
    void Unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void connectControls();
    void addTrayIcon();
    void Unload();

    void Check3_Click();
    void Check4_Click();
    void chkStartUp_Click();
    void applyNotificationRuleAtStart();
    // The notification-method rule after `changed` was clicked: each other
    // method box is disabled exactly when it is the only method on.
    void applyNotificationRule(const QCheckBox *changed);
    void txtDatabase_Change();
    void txtUser_Change();
    void txtPwd_Change();

    // Hides the window to watch from the tray; without a tray, minimises it.
    void hideToWatch();
    bool lookForTray() const;
    void focusWindowChanged();
    void updateTrayToolTip();
    // "Notifications paused until ..." for the tooltip.
    QString snoozeText(const Snooze &snooze) const;

    QListWidgetItem *selectedEntry() const;
    // The watched project selectedEntry() shows; nullptr for a file or none.
    Suspect *selectedProject();
    void removeEntry(QListWidgetItem *entry);
    // The list and MonitoredFiles emptied together; the status line stays.
    void emptyFileList();
    void showFileCount();

    frmZelServices m_services;
    std::unique_ptr<modZel> m_zel;
    DesktopSound m_sound;
    QSystemTrayIcon *m_tray = nullptr;
    DesktopNotifier *m_notifier = nullptr;
    TrayLook m_look = TrayLook::Normal;
    QString m_statusDetail; // why the status line's failure happened
    bool m_resetEnabled = false;
    bool m_trayAvailable = false;
    bool m_noTrayExplained = false;
    QTimer *m_trayCheck = nullptr;
    ProgramActivation m_activation;
    TrayClickFilter m_trayClicks;
    bool m_trayCommandRunning = false;
    bool m_unloading = false;
    bool m_unloaded = false;
    bool m_sessionEnding = false;
    std::unique_ptr<HelpWindow> m_help;
    std::optional<QPoint> m_placeBeforeHiding;
};
