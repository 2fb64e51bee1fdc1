#include "frmZel.h"

#include "DialogHook.h"
#include "HelpPages.h"
#include "HelpWindow.h"
#include "Icons.h"
#include "TrayHost.h"
#include "engine/StatusText.h"
#include "engine/program/ProgramPaths.h"
#include "engine/repository/fileaccess/FileAccess.h"
#include "engine/settings/SettingValues.h"
#include "engine/settings/Settings.h"
#include "ui/Accessible.h"
#include "ui/CaptionWidth.h"
#include "ui/DefaultButtons.h"
#include "ui/FocusMove.h"
#include "ui/KeyboardMenu.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QWindow>

namespace {

const QString kTitle = QStringLiteral("Quorvik");
const char *const kCannotStoreSettings =
    QT_TRANSLATE_NOOP("frmZel", "ERROR: Cannot store the settings");
constexpr int kTrayCheckMs = 5000;
constexpr int kDefaultPollDelay = 3;

frmZelServices withDefaults(frmZelServices s)
{
    if (s.programFolder.isEmpty())
        s.programFolder = QCoreApplication::applicationDirPath();
    if (s.programPath.isEmpty())
        s.programPath = QCoreApplication::applicationFilePath();
    if (!s.runAtStartup)
        s.runAtStartup = [arguments = s.programArguments](const QString &name, const QString &path,
                                                          bool flag) {
            SetRunAtStartup(name, path, flag, arguments);
        };
    if (!s.openUrl)
        s.openUrl = OpenWithDesktop;
    return s;
}

} // namespace

QStringList frmZel::IntervalTexts()
{
    // Index = PollDelay; the 1, 3 and 5 minute texts have two spaces.
    return {tr("10 sec"), tr("30 sec"), tr("1  min"), tr("3  min"),
            tr("5  min"), tr("10 min"), tr("30 min"), tr("60 min")};
}

frmZel::frmZel(frmZelServices services, QWidget *parent)
    : QWidget(parent), m_services(withDefaults(std::move(services))), m_activation(this),
      m_trayClicks(QApplication::doubleClickInterval())
{
    Q_ASSERT(m_services.timers && m_services.clock && m_services.store);
    m_zel =
        std::make_unique<modZel>(*this, *m_services.timers, *m_services.clock, m_services.factory);
    m_zel->setSettingsStore(m_services.store);
    m_zel->setChangeWatch(m_services.changes);

    setObjectName(QStringLiteral("frmZel"));
    setWindowTitle(kTitle);
    setWindowIcon(Icons::trayLook(TrayLook::Normal));
    buildControls();
    buildMenus();
    connectControls();

    if (!m_services.trayAvailable) {
        // A StatusNotifierItem host coming is seen at once; an X11 tray at
        // the next regular look.
        auto *host = new TrayHost(this);
        connect(host, &TrayHost::mayHaveAppeared, this, &frmZel::checkTray);
    }
    m_trayAvailable = lookForTray();
    m_trayCheck = new QTimer(this);
    m_trayCheck->setInterval(kTrayCheckMs);
    connect(m_trayCheck, &QTimer::timeout, this, &frmZel::checkTray);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &frmZel::focusWindowChanged);
}

frmZel::~frmZel()
{
    if (!m_unloaded)
        Unload();
}

// ------------------------------------------------------------------ building

void frmZel::buildControls()
{
    auto *root = new QVBoxLayout(this);

    Frame1 = new QGroupBox(tr("VSS connection settings"), this);
    auto *connection = new QGridLayout(Frame1);
    Label2[0] = new QLabel(tr("Database "), Frame1);
    Label2[1] = new QLabel(tr("User &Name"), Frame1);
    Label2[2] = new QLabel(tr("Pass&word"), Frame1);
    txtDatabase = new QLineEdit(Frame1);
    txtUser = new QLineEdit(Frame1);
    txtPwd = new QLineEdit(Frame1);
    txtPwd->setEchoMode(QLineEdit::Password);
    txtPwd->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*"
    cmdLogin = new QPushButton(tr("Select &Database..."), Frame1);
    Check1 = new QCheckBox(tr("Remember &Last logged database"), Frame1);
    Check2 = new QCheckBox(tr("Remember last logged &User"), Frame1);
    QLineEdit *fields[] = {txtDatabase, txtUser, txtPwd};
    for (int i = 0; i < 3; ++i) {
        Label2[i]->setBuddy(fields[i]);
        Label2[i]->installEventFilter(this);
        connection->addWidget(Label2[i], i, 0);
        connection->addWidget(fields[i], i, 1, 1, 2);
    }
    connection->addWidget(Check1, 3, 0, 1, 2);
    connection->addWidget(cmdLogin, 3, 2);
    connection->addWidget(Check2, 4, 0, 1, 2);
    connection->setColumnStretch(1, 1);
    root->addWidget(Frame1);

    auto *middle = new QHBoxLayout;
    auto *options = new QVBoxLayout;
    Frame2 = new QGroupBox(tr("Notification method"), this);
    auto *method = new QVBoxLayout(Frame2);
    Check3 = new QCheckBox(tr("Show Icon on &Taskbar"), Frame2);
    Check4 = new QCheckBox(tr("Display Message &Box "), Frame2);
    // Created in the order drawn: the Tab key follows it.
    chkDesktop = new QCheckBox(tr("Desktop Notifi&cation"), Frame2);
    Check7 = new QCheckBox(tr("Play a &Sound"), Frame2);
    method->addWidget(Check3);
    method->addWidget(Check4);
    method->addWidget(chkDesktop);
    method->addWidget(Check7);
    options->addWidget(Frame2);

    Frame3 = new QGroupBox(tr("Notify on"), this);
    auto *notify = new QVBoxLayout(Frame3);
    Check5 = new QCheckBox(tr("Check &In"), Frame3);
    Check6 = new QCheckBox(tr("Check &Out"), Frame3);
    chkIgnoreOwn = new QCheckBox(tr("Ignore &my own changes"), Frame3);
    notify->addWidget(Check5);
    notify->addWidget(Check6);
    notify->addWidget(chkIgnoreOwn);
    lblIgnoreUsers = new QLabel(tr("Ignore changes b&y"), Frame3);
    txtIgnoreUsers = new QLineEdit(Frame3);
    txtIgnoreUsers->setPlaceholderText(tr("user names, separated by commas"));
    // The hint shows whole: the column widens for it.
    txtIgnoreUsers->setMinimumWidth(PlaceholderWidth(txtIgnoreUsers));
    txtIgnoreUsers->setToolTip(tr("Check-outs and check-ins by these VSS users (a build robot, "
                                  "say) are recorded as seen but not announced"));
    lblIgnoreUsers->setBuddy(txtIgnoreUsers);
    notify->addWidget(lblIgnoreUsers);
    notify->addWidget(txtIgnoreUsers);
    options->addWidget(Frame3);

    Label3 = new QLabel(tr("&Polling Interval"), this);
    cmbEvery = new QComboBox(this);
    cmbEvery->setObjectName(QStringLiteral("cmbEvery"));
    cmbEvery->installEventFilter(this);
    Label3->setBuddy(cmbEvery);
    options->addWidget(Label3);
    options->addWidget(cmbEvery);
    options->addStretch(1);
    middle->addLayout(options);

    auto *files = new QGridLayout;
    Label1 = new QLabel(tr("Monitored &Files"), this);
    lst = new QListWidget(this);
    lst->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lst->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lst->setIconSize(QSize(16, 16));
    lst->setContextMenuPolicy(Qt::CustomContextMenu);
    lst->installEventFilter(this);
    lst->viewport()->installEventFilter(this);
    Label1->setBuddy(lst);
    Describe(lst, tr("Monitored files"),
             tr("The files being watched. Insert adds files; the Menu key or Shift+F10 opens the "
                "list's commands."));
    cmdAdd = new QPushButton(QStringLiteral("+"), this);
    cmdRemove = new QPushButton(QStringLiteral("-"), this);
    Describe(cmdAdd, tr("Add files"),
             tr("Opens the explorer to choose files to watch (Insert in the list)"));
    Describe(cmdRemove, tr("Remove the selected file"),
             tr("The file is no longer watched; nothing is asked"));
    for (QPushButton *b : {cmdAdd, cmdRemove})
        b->setFixedWidth(b->sizeHint().height() + 4);
    files->addWidget(Label1, 0, 0);
    files->addWidget(lst, 1, 0, 3, 1);
    files->addWidget(cmdAdd, 1, 1);
    files->addWidget(cmdRemove, 2, 1);
    files->setRowStretch(3, 1);
    middle->addLayout(files, 1);
    root->addLayout(middle, 1);

    lblStatus = new QLabel(this);
    lblStatus->setFrameShape(QFrame::StyledPanel);
    lblStatus->setFrameShadow(QFrame::Sunken);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblStatus->setMinimumHeight(lblStatus->fontMetrics().height() + 6);
    // A long failure (a path, the reader's detail) never widens the window
    // past the screen: the line shows what fits, its tooltip the whole text.
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    root->addWidget(lblStatus);

    auto *bottom = new QHBoxLayout;
    chkStartUp = new QCheckBox(tr("&Run Quorvik at System Startup"), this);
    cmOk = new QPushButton(tr("Hide && &Watch"), this);
    cmOk->setDefault(true);
    cmOk->installEventFilter(this);
    Command1 = new QPushButton(tr("E&xit"), this);
    cmdCheckouts = new QPushButton(tr("Chec&k-outs..."), this);
    bottom->addWidget(chkStartUp);
    bottom->addStretch(1);
    bottom->addWidget(cmdCheckouts);
    bottom->addWidget(cmOk);
    bottom->addWidget(Command1);
    root->addLayout(bottom);

    resize(600, 520);
}

void frmZel::buildMenus()
{
    mright = new QMenu(this);
    m_selectall = mright->addAction(tr("Select All"));
    m_unselect = mright->addAction(tr("Undo Select"));
    mright->addSeparator();
    m_addnew = mright->addAction(tr("Add New"));
    m_remove = mright->addAction(tr("Remove"));
    m_removeall = mright->addAction(tr("Remove All"));
    m_exclude = mright->addAction(tr("&Leave Out..."));

    mnuShow = new QMenu(QStringLiteral("popup"), this);
    mnuBusy = mnuShow->addAction(QString());
    mnuBusy->setEnabled(false);
    mnuBusy->setVisible(false);
    mnuSet = mnuShow->addAction(tr("Settings"));
    mnuReset = mnuShow->addAction(tr("Reset"));
    mnuShowLog = mnuShow->addAction(tr("Event Log"));
    mnuCheckouts = mnuShow->addAction(tr("Chec&k-outs..."));
    mnuShow->addSeparator();
    mnuSnooze = mnuShow->addMenu(tr("&Pause Notifications"));
    mnuSnooze30 = mnuSnooze->addAction(tr("For &30 Minutes"));
    mnuSnooze60 = mnuSnooze->addAction(tr("For 1 &Hour"));
    mnuSnoozeTomorrow = mnuSnooze->addAction(tr("Until &Tomorrow"));
    mnuSnoozeResumed = mnuSnooze->addAction(tr("Until &Resumed"));
    mnuResume = mnuShow->addAction(tr("&Resume Notifications"));
    mnuShow->addSeparator();
    mnuAbout = mnuShow->addAction(tr("About"));
    mnuHelp = mnuShow->addAction(tr("Help"));
    mnuShow->addSeparator();
    mnuExit = mnuShow->addAction(tr("Exit"));
}

void frmZel::connectControls()
{
    connect(cmOk, &QPushButton::clicked, this, &frmZel::cmOk_Click);
    connect(Command1, &QPushButton::clicked, this, &frmZel::ExitProgram);
    connect(cmdLogin, &QPushButton::clicked, this, &frmZel::cmdLogin_Click);

    // A box's click behaviour runs whenever its state changes, also when the
    // program sets it.
    auto bind = [this](QCheckBox *box, bool ZelSettings::*flag) {
        connect(box, &QCheckBox::toggled, this,
                [this, flag](bool on) { zel().settings.*flag = on; });
    };
    bind(Check1, &ZelSettings::UseLastDB);
    bind(Check2, &ZelSettings::UseLastUser);
    bind(Check5, &ZelSettings::NotifyIn);
    bind(Check6, &ZelSettings::NotifyOut);
    bind(Check7, &ZelSettings::PlaySound);
    bind(chkIgnoreOwn, &ZelSettings::IgnoreOwnChanges);
    connect(txtIgnoreUsers, &QLineEdit::textChanged, this, [this](const QString &text) {
        zel().settings.IgnoreChangesBy = UserNamesFromSetting(text);
    });
    connect(Check3, &QCheckBox::toggled, this, &frmZel::Check3_Click);
    connect(Check4, &QCheckBox::toggled, this, &frmZel::Check4_Click);
    connect(chkDesktop, &QCheckBox::toggled, this, [this](bool on) {
        zel().settings.DesktopNotify = on;
        applyNotificationRule(chkDesktop);
    });
    connect(chkStartUp, &QCheckBox::toggled, this, &frmZel::chkStartUp_Click);

    connect(txtDatabase, &QLineEdit::textChanged, this, &frmZel::txtDatabase_Change);
    connect(txtUser, &QLineEdit::textChanged, this, &frmZel::txtUser_Change);
    connect(txtPwd, &QLineEdit::textChanged, this, &frmZel::txtPwd_Change);

    connect(cmdAdd, &QPushButton::clicked, this, &frmZel::cmdAdd_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmZel::cmdRemove_Click);
    connect(lst, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { showListMenu(lst->viewport()->mapToGlobal(pos)); });
    connect(m_selectall, &QAction::triggered, this, &frmZel::m_selectall_Click);
    connect(m_unselect, &QAction::triggered, this, &frmZel::m_unselect_Click);
    connect(m_addnew, &QAction::triggered, this, &frmZel::cmdAdd_Click);
    connect(m_remove, &QAction::triggered, this, &frmZel::m_remove_Click);
    connect(m_removeall, &QAction::triggered, this, &frmZel::m_removeall_Click);
    connect(m_exclude, &QAction::triggered, this, &frmZel::m_exclude_Click);

    connect(mnuShow, &QMenu::aboutToShow, this, &frmZel::prepareTrayMenu);
    connect(cmdCheckouts, &QPushButton::clicked, this,
            [this] { ProgramWindows::run(windows.showCheckouts); });
    connect(mnuSet, &QAction::triggered, this, &frmZel::mnuSet_Click);
    connect(mnuReset, &QAction::triggered, this, &frmZel::mnuReset_Click);
    connect(mnuShowLog, &QAction::triggered, this, &frmZel::mnuShowLog_Click);
    connect(mnuCheckouts, &QAction::triggered, this, [this] {
        if (!zel().ModalOpen)
            ProgramWindows::run(windows.showCheckouts);
    });
    const std::pair<QAction *, SnoozeLength> lengths[] = {
        {mnuSnooze30, SnoozeLength::ThirtyMinutes},
        {mnuSnooze60, SnoozeLength::OneHour},
        {mnuSnoozeTomorrow, SnoozeLength::UntilTomorrow},
        {mnuSnoozeResumed, SnoozeLength::UntilResumed}};
    for (const auto &[entry, length] : lengths)
        connect(entry, &QAction::triggered, this, [this, length = length] {
            if (!zel().ModalOpen)
                zel().SnoozeNotifications(length);
        });
    connect(mnuResume, &QAction::triggered, this, [this] {
        if (!zel().ModalOpen)
            zel().ResumeNotifications();
    });
    connect(mnuAbout, &QAction::triggered, this, &frmZel::mnuAbout_Click);
    connect(mnuHelp, &QAction::triggered, this, &frmZel::mnuHelp_Click);
    connect(mnuExit, &QAction::triggered, this, &frmZel::ExitProgram);
    BindHelpKey(this, HelpPages::MainWindowContext, [this](int context) { showHelp(context); });
}

// ------------------------------------------------------------------ start-up

bool frmZel::Load()
{
    // 1. A second instance ends silently.
    if (m_services.claimInstance && !m_services.claimInstance())
        return false;
    modZel &z = zel();
    z.eventLog.EventLogPath = ProgramPaths::DefaultEventLogPath(m_services.programFolder);
    z.MonitoredFiles.RemoveAll();
    z.settings.PollDelay = kDefaultPollDelay;
    zel().KillPollTimer();
    if (m_trayAvailable)
        addTrayIcon(); // else once a tray appears (checkTray)

    if (!LoadSettings(z, store()))
        setTrayLook(TrayLook::Error); // the window is shown when Load ends
    LoadEventLogSettings(z, store());
    z.RestoreSnooze(ReadSnooze(store()));

    Check1->setChecked(z.settings.UseLastDB);
    Check2->setChecked(z.settings.UseLastUser);
    Check3->setChecked(z.settings.ShowIcon);
    Check4->setChecked(z.settings.ShowMessages);
    chkDesktop->setChecked(z.settings.DesktopNotify);
    chkStartUp->setChecked(z.settings.StartUp);
    applyNotificationRuleAtStart();
    Check7->setChecked(z.settings.PlaySound);
    Check5->setChecked(z.settings.NotifyIn);
    Check6->setChecked(z.settings.NotifyOut);
    chkIgnoreOwn->setChecked(z.settings.IgnoreOwnChanges);
    txtIgnoreUsers->setText(UserNamesToSetting(z.settings.IgnoreChangesBy));

    setResetEnabled(false);

    cmbEvery->clear();
    cmbEvery->addItems(IntervalTexts());
    if (z.settings.PollDelay < 0 || z.settings.PollDelay >= IntervalTexts().size())
        z.settings.PollDelay = kDefaultPollDelay;
    cmbEvery->setCurrentIndex(z.settings.PollDelay);

    z.ZelIni();

    if (QListWidgetItem *entry = selectedEntry())
        lst->setToolTip(entry->text());
    m_trayCheck->start();
    return true;
}

void frmZel::addTrayIcon()
{
    if (m_tray)
        return;
    m_tray = new QSystemTrayIcon(Icons::trayLook(m_look), this);
    updateTrayToolTip();
    m_tray->setContextMenu(mnuShow);
    connect(m_tray, &QSystemTrayIcon::activated, this, &frmZel::trayActivated);
    connect(m_tray, &QSystemTrayIcon::messageClicked, this, &frmZel::mnuShowLog_Click);
    m_tray->show();
}

// ------------------------------------------------------------ activation

void frmZel::focusWindowChanged()
{
    prepareTrayMenu(); // a modal dialog may have come or gone
    QWidget *now = QApplication::activeWindow();
    // The window system may report the main window active once more after
    // it was hidden to watch; a window that is not shown is not activated
    // (its Activate would stop the poll timer).
    if (now == this && (!isVisible() || isMinimized()))
        return;
    const bool programWindow = now == this || ProgramActivation::isProgramWindow(now);
    switch (m_activation.activated(now, programWindow)) {
    case ProgramActivation::Activate:
        Form_Activate();
        break;
    case ProgramActivation::Deactivate:
        Form_Deactivate();
        break;
    case ProgramActivation::Nothing:
        break;
    }
}

void frmZel::Form_Activate()
{
    if (lst->count() > 0) {
        lst->setCurrentItem(lst->item(0));
        lst->setFocus();
    }
    zel().KillPollTimer(); // no polling while the window is in front
}

void frmZel::Form_Deactivate()
{
    zel().ZelIni();
}

void frmZel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        // focusWindowChanged may come before the active window is updated.
        QTimer::singleShot(0, this, &frmZel::focusWindowChanged);
    } else if (event->type() == QEvent::WindowStateChange) {
        if (isMinimized())
            m_activation.mainWindowLeft();
        QTimer::singleShot(0, this, &frmZel::prepareTrayMenu);
    }
}

void frmZel::keyPressEvent(QKeyEvent *event)
{
    // Enter presses the button drawn as the default (or the focused one).
    if (!PressDefaultButton(this, event, cmOk, nullptr))
        QWidget::keyPressEvent(event);
}

void frmZel::hideEvent(QHideEvent *event)
{
    // Shown again from the tray, the window comes back where it was (a
    // window manager may place a window mapped anew elsewhere).
    if (!isMinimized())
        m_placeBeforeHiding = pos();
    m_activation.mainWindowLeft();
    QWidget::hideEvent(event);
    QTimer::singleShot(0, this, &frmZel::prepareTrayMenu);
}

void frmZel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Some desktops read the tray menu before they announce that it opens.
    QTimer::singleShot(0, this, &frmZel::prepareTrayMenu);
}

bool frmZel::eventFilter(QObject *watched, QEvent *event)
{
    // "Pass&word" and "Hide && &Watch" share Alt+W: it presses the button.
    if (event->type() == QEvent::Shortcut && (watched == cmOk || watched == Label2[2]) &&
        static_cast<QShortcutEvent *>(event)->key() == cmOk->shortcut()) {
        cmOk->click();
        return true;
    }
    if (watched == cmbEvery && event->type() == QEvent::FocusOut) {
        if (FocusMovedWithinWindow(cmbEvery))
            cmbEvery_Validate();
    } else if (watched == lst && event->type() == QEvent::KeyPress &&
               IsMenuKey(static_cast<QKeyEvent *>(event))) {
        showListMenu(KeyboardMenuPlace(lst));
        return true;
    } else if (watched == lst && event->type() == QEvent::KeyRelease &&
               static_cast<QKeyEvent *>(event)->key() == Qt::Key_Insert) {
        cmdAdd_Click();
    } else if (watched == lst->viewport() && event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        lst_Click();
    } else if (event->type() == QEvent::MouseButtonRelease) {
        for (QLabel *label : Label2)
            if (watched == label)
                txtDatabase->setFocus();
    }
    return QWidget::eventFilter(watched, event);
}

// ------------------------------------------------------------- the poll timer

void frmZel::cmbEvery_Validate()
{
    if (cmbEvery->currentIndex() < 0)
        return;
    zel().settings.PollDelay = qint16(cmbEvery->currentIndex());
    zel().KillPollTimer();
    zel().StartPollTimer();
}

// ----------------------------------------------------------- hide and watch

void frmZel::cmOk_Click()
{
    // The interval's validation runs before the click when the focus leaves
    // the list; a click by keyboard leaves the focus where it was.
    if (cmbEvery->currentIndex() >= 0 && cmbEvery->currentIndex() != zel().settings.PollDelay)
        cmbEvery_Validate();

    ZelSettings &s = zel().settings;
    s.Inifile = txtDatabase->text();
    s.Username = txtUser->text();
    s.Password = txtPwd->text();
    const bool saved = SaveSettings(zel(), store());

    if (s.Username.isEmpty() || s.Inifile.isEmpty()) {
        setStatus(tr("ERROR: Invalid VSS credentials"));
        zel().KillPollTimer();
        setTrayLook(TrayLook::Error);
    } else if (aboutVisible() || eventLogVisible()) {
        // A refused start: nothing watches until the next one, and the user
        // is told so rather than left believing the hidden program watches.
        zel().KillPollTimer();
        setStatus(tr("ERROR: Not watching: close the %1, then Hide & Watch")
                      .arg(aboutVisible() ? tr("About box") : tr("event log viewer")));
        setTrayLook(TrayLook::Error);
    } else if (zel().ZelIni()) {
        // Watching runs on what was entered even when it could not be kept.
        setStatus(saved ? QString() : tr(kCannotStoreSettings));
        if (!saved)
            setTrayLook(TrayLook::Error);
    }
    hideToWatch();
}

void frmZel::hideToWatch()
{
    m_trayAvailable = lookForTray();
    if (m_trayAvailable && !m_tray)
        addTrayIcon();
    m_activation.mainWindowLeft();
    if (m_trayAvailable) {
        hide();
        return;
    }
    // Without a tray a hidden window could not be brought back.
    showMinimized();
    if (!m_noTrayExplained && !IsErrorStatus(status())) {
        setStatus(tr("No notification area: the window is minimised while watching."));
        m_noTrayExplained = true;
    }
}

bool frmZel::lookForTray() const
{
    if (m_services.trayAvailable)
        return m_services.trayAvailable();
    // Once the icon is made, Qt has chosen its kind of tray and answers for it.
    return m_tray ? QSystemTrayIcon::isSystemTrayAvailable() : TrayHost::present();
}

void frmZel::checkTray()
{
    const bool available = lookForTray();
    if (available == m_trayAvailable && (m_tray || !available))
        return;
    m_trayAvailable = available;
    if (m_unloaded)
        return;
    if (m_tray)
        m_tray->show();
    else if (available)
        addTrayIcon();
    if (available && isVisible() && isMinimized()) {
        // The panel came up after the program: a window minimised for
        // watching moves to the tray. Un-minimising a hidden X11 window
        // maps it behind the program's back (black, never painted), so the
        // hidden window's native window is let go first; showing it again
        // makes a fresh one.
        hide();
        destroy();
        setWindowState(windowState() & ~Qt::WindowMinimized);
    } else if (!available && !isVisible()) {
        // The tray went away: a hidden window could not be brought back.
        showMinimized();
    }
}

// ---------------------------------------------------------- choose database

void frmZel::cmdLogin_Click()
{
    modZel &z = zel();
    const bool asked = z.MonitoredFiles.Count() > 0;
    if (asked &&
        !DialogHook::askYesNo(
            this, kTitle, tr("Changing the database will clean up monitored file list. Proceed?")))
        return;

    const QFileInfo current(z.settings.Inifile);
    const QString startFolder = current.absoluteDir().exists() && !z.settings.Inifile.isEmpty()
                                    ? current.absolutePath()
                                    : QDir::homePath();
    const QString chosen = DialogHook::getOpenFileName(
        this, tr("Select Database"), startFolder, QStringLiteral("srcsafe.ini"),
        tr("SourceSafe databases (srcsafe.ini) (*.ini)"), true, true);
    if (chosen.isEmpty())
        return; // cancelled: nothing changes, nothing is saved

    try {
        z.settings.Inifile =
            FileAccess::isRemote(chosen) ? chosen : QDir::toNativeSeparators(chosen);
        txtDatabase->setText(z.settings.Inifile);
        if (asked)
            emptyFileList();
        if (!SaveSettings(z, store()))
            setStatus(tr(kCannotStoreSettings));
        z.ReleaseDatabase();
    } catch (const std::exception &) {
        // A failure ends the command; what was saved stays saved.
    }
}

// ------------------------------------------------------------- check boxes

void frmZel::Check3_Click()
{
    zel().settings.ShowIcon = Check3->isChecked();
    applyNotificationRule(Check3);
}

void frmZel::Check4_Click()
{
    zel().settings.ShowMessages = Check4->isChecked();
    applyNotificationRule(Check4);
}

void frmZel::applyNotificationRuleAtStart()
{
    applyNotificationRule(nullptr);
}

void frmZel::applyNotificationRule(const QCheckBox *changed)
{
    // At least one way of notifying stays on: a lone one cannot be switched off.
    const ZelSettings &s = zel().settings;
    const std::pair<QCheckBox *, bool> methods[] = {
        {Check3, s.ShowIcon}, {Check4, s.ShowMessages}, {chkDesktop, s.DesktopNotify}};
    const int on = int(s.ShowIcon) + int(s.ShowMessages) + int(s.DesktopNotify);
    for (const auto &[box, isOn] : methods)
        if (box != changed)
            box->setEnabled(!(isOn && on == 1));
}

void frmZel::chkStartUp_Click()
{
    zel().settings.StartUp = chkStartUp->isChecked();
    m_services.runAtStartup(kTitle, m_services.programPath, zel().settings.StartUp);
}

// ------------------------------------------------------------- text fields

void frmZel::txtDatabase_Change()
{
    // The path changes only through "Select Database...".
    if (txtDatabase->text() != zel().settings.Inifile)
        txtDatabase->setText(zel().settings.Inifile);
}

void frmZel::txtUser_Change()
{
    zel().ReleaseDatabase();
    zel().settings.Username = txtUser->text();
}

void frmZel::txtPwd_Change()
{
    zel().ReleaseDatabase();
    zel().settings.Password = txtPwd->text();
}

// ---------------------------------------------------------- closing and exit

void frmZel::closeEvent(QCloseEvent *event)
{
    if (m_unloading || m_sessionEnding) {
        event->accept();
        if (!m_unloaded)
            Unload();
        return;
    }
    // The close box only hides the window; watching goes on in the tray.
    event->ignore();
    hideToWatch();
}

void frmZel::ExitProgram()
{
    modZel &z = zel();
    if (z.ModalOpen || z.PollBusy)
        return;
    zel().KillPollTimer();
    ProgramWindows::run(windows.unloadExplorer);
    ProgramWindows::run(windows.unloadAbout);
    ProgramWindows::run(windows.unloadEventLog);
    ProgramWindows::run(windows.unloadOptions);
    Unload();
}

void frmZel::Unload()
{
    if (m_unloaded)
        return;
    m_unloading = true;
    zel().ReleaseDatabase();
    zel().KillPollTimer();
    m_trayCheck->stop();
    delete m_tray;
    m_tray = nullptr;
    hide();
    m_unloaded = true;
    emit Unloaded();
}

// -------------------------------------------------------------------- Shell

void frmZel::setStatus(const QString &text)
{
    lblStatus->setText(text);
    lblStatus->setToolTip(text);
    m_statusDetail.clear();
    updateTrayToolTip();
}

void frmZel::setStatusDetail(const QString &detail)
{
    m_statusDetail = detail;
    lblStatus->setToolTip(status() + QLatin1Char('\n') + detail);
    updateTrayToolTip();
}

QString frmZel::status() const
{
    return lblStatus->text();
}

void frmZel::setTrayLook(TrayLook look)
{
    m_look = look;
    if (m_tray)
        m_tray->setIcon(Icons::trayLook(look));
    updateTrayToolTip();
}

// The tooltip names a settings folder of the user's choosing (two instances
// are told apart) and says what the look shows (a screen reader reads it):
// changes to read, or what is wrong.
void frmZel::updateTrayToolTip()
{
    if (!m_tray)
        return;
    QStringList lines{kTitle};
    if (!m_services.settingsFolder.isEmpty())
        lines << QDir::toNativeSeparators(m_services.settingsFolder);
    if (const Snooze &snooze = zel().snooze(); snooze.active)
        lines << snoozeText(snooze);
    if (m_look == TrayLook::Error && IsErrorStatus(status())) {
        lines << status();
        if (!m_statusDetail.isEmpty())
            lines << m_statusDetail;
    } else if (m_look == TrayLook::Change)
        lines << tr("Changes seen: Reset in the menu shows them");
    QString tip = lines.join(QLatin1Char('\n'));
#ifdef Q_OS_WIN
    // The notification area's tooltip takes "&" as a mnemonic mark; three
    // show one.
    tip.replace(QLatin1Char('&'), QStringLiteral("&&&"));
#endif
    m_tray->setToolTip(tip);
}

QString frmZel::snoozeText(const Snooze &snooze) const
{
    if (!snooze.until.isValid())
        return tr("Notifications paused until resumed");
    // The time alone today, else with the date.
    const QDateTime until = snooze.until.toLocalTime();
    const QLocale locale;
    const QString when = until.date() == m_zel->clock().now().toLocalTime().date()
                             ? locale.toString(until.time(), QLocale::ShortFormat)
                             : locale.toString(until, QLocale::ShortFormat);
    return tr("Notifications paused until %1").arg(when);
}

void frmZel::snoozeChanged()
{
    updateTrayToolTip();
    prepareTrayMenu();
}

void frmZel::setResetEnabled(bool enabled)
{
    m_resetEnabled = enabled;
    prepareTrayMenu();
}

bool frmZel::mainWindowVisible() const
{
    // Without a tray, a window minimised for watching counts as hidden.
    return isVisible() && !(isMinimized() && !m_trayAvailable);
}

void frmZel::showMainWindow()
{
    if (!isVisible() && m_placeBeforeHiding)
        move(*m_placeBeforeHiding);
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void frmZel::showMessage(const QString &text)
{
    DialogHook::inform(this, kTitle, text);
}

void frmZel::setConnectionFields(const QString &inifile, const QString &user,
                                 const QString &password)
{
    txtDatabase->setText(inifile);
    txtUser->setText(user);
    txtPwd->setText(password);
}

void frmZel::beep()
{
    if (m_services.beep)
        m_services.beep();
    else
        m_sound.play();
}

void frmZel::processEvents()
{
    QCoreApplication::processEvents();
}

void frmZel::showDesktopNotification(const QString &summary, const QString &body)
{
    if (!m_notifier) {
        // Without a notification service: the tray icon's own message.
        m_notifier = new DesktopNotifier(
            [this](const QString &title, const QString &text) {
                if (m_tray && m_tray->isVisible())
                    m_tray->showMessage(title, text, QSystemTrayIcon::Information);
            },
            this);
        connect(m_notifier, &DesktopNotifier::clicked, this, &frmZel::mnuShowLog_Click);
    }
    m_notifier->notify(summary, body);
}
