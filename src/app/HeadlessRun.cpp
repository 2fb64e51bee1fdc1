#include "HeadlessRun.h"

#include "HeadlessCheck.h"
#include "ReloadSignal.h"
#include "RepositoryBackend.h"
#include "engine/ChangeTrigger.h"
#include "engine/QtTimerService.h"
#include "engine/Shell.h"
#include "engine/checkouts/StatusPage.h"
#include "engine/modZel.h"
#include "engine/program/ProgramPaths.h"
#include "engine/program/SingleInstance.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsReload.h"
#include "engine/settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <atomic>
#include <cstdio>
#include <functional>
#include <optional>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <csignal>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <QAbstractNativeEventFilter>
#include <qt_windows.h>
#endif

namespace {

// The seam without windows: records to stdout, status texts to stderr.
class HeadlessShell : public Shell
{
public:
    explicit HeadlessShell(bool json) : m_json(json) {}

    void setStatus(const QString &text) override
    {
        m_status = text;
        // An error is said each time it happens; other texts once.
        if (text != m_printed || text.startsWith(QLatin1String("ERROR"))) {
            m_printed = text;
            err(text);
        }
    }
    QString status() const override { return m_status; }
    void setTrayLook(TrayLook) override {}
    void setResetEnabled(bool enabled) override { m_reset = enabled; }
    bool resetEnabled() const override { return m_reset; }
    bool mainWindowVisible() const override { return false; }
    void showMainWindow() override {}
    bool aboutVisible() const override { return false; }
    bool eventLogVisible() const override { return false; }
    void showEventLog() override {}
    void showMessage(const QString &) override {}
    void setConnectionFields(const QString &, const QString &, const QString &) override {}
    // After a poll that found changes (and when the list was loaded).
    void refreshFileList() override
    {
        if (listChanged)
            listChanged();
    }
    void beep() override {}
    void processEvents() override { QCoreApplication::processEvents(); }
    void eventRecorded(const EventRecord &record) override
    {
        if (recorded)
            recorded(record);
        QTextStream out(stdout);
        if (m_json)
            out << QString::fromUtf8(record.json()) << '\n';
        else
            out << record.text() << '\n';
        out.flush();
    }

    std::function<void()> listChanged;
    std::function<void(const EventRecord &)> recorded;

    static void err(const QString &text)
    {
        QTextStream stream(stderr);
        stream << text << '\n';
        stream.flush();
    }

private:
    const bool m_json;
    QString m_status;
    QString m_printed;
    bool m_reset = false;
};

#ifdef Q_OS_UNIX
int g_signalPipe[2] = {-1, -1};
volatile sig_atomic_t g_stopping = 0;

// How long a poll may take to finish after a stop signal.
constexpr unsigned kStopGraceSeconds = 10;

void onStopDeadline(int)
{
    EventHooks::endAllGroups(); // nothing of ours outlives us
    ::_exit(128 + SIGTERM);
}

void onStopSignal(int signal)
{
    // Only async-signal-safe work here. The first signal wakes the event
    // loop, which ends after the poll under way; a poll that does not end in
    // time (a share that hangs) or a second signal ends the program at once.
    if (g_stopping) {
        EventHooks::endAllGroups();
        ::_exit(128 + signal);
    }
    g_stopping = 1;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
    ::alarm(kStopGraceSeconds);
}

// SIGINT and SIGTERM end the event loop between two events, so a poll is
// not cut off half-way unless it hangs.
void quitOnStopSignals(QObject *owner)
{
    if (::pipe(g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner,
                     [] { QCoreApplication::quit(); });
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    action.sa_handler = onStopDeadline;
    sigaction(SIGALRM, &action, nullptr);
}

void stopDeadlineMet()
{
    ::alarm(0);
}
#elif defined(Q_OS_WIN)
// Ctrl+C, Ctrl+Break and closing the console arrive on a thread of their
// own: the event loop is asked to end between two events.
BOOL WINAPI onConsoleStop(DWORD)
{
    static std::atomic<bool> stopping{false};
    if (stopping.exchange(true))
        return FALSE; // a second one: the system's handler ends the program
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
    return TRUE;
}

// "taskkill" without /F and QProcess::terminate() post WM_CLOSE to the
// program's main thread, which has no window to receive it.
class CloseMessageFilter : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray &, void *message, qintptr *) override
    {
        const MSG *msg = static_cast<const MSG *>(message);
        if (msg->message == WM_CLOSE && msg->hwnd == nullptr)
            QCoreApplication::quit();
        return false;
    }
};

void quitOnStopSignals(QObject *owner)
{
    static CloseMessageFilter filter;
    QCoreApplication::instance()->installNativeEventFilter(&filter);
    QObject::connect(owner, &QObject::destroyed, [] {
        QCoreApplication::instance()->removeNativeEventFilter(&filter);
        SetConsoleCtrlHandler(onConsoleStop, FALSE);
    });
    SetConsoleCtrlHandler(onConsoleStop, TRUE);
}

void stopDeadlineMet() {} // no deadline: a second Ctrl+C ends the program at once
#else
void quitOnStopSignals(QObject *) {}
void stopDeadlineMet() {}
#endif

// Why the session could not start, said after "ERROR: Cannot open VSS
// database": the settings folder or file when they are the cause, else the
// repository's own words.
QString startFailureReason(const HeadlessOptions &options, const SettingsStore &store,
                           const modZel &zel)
{
    const QString dir = QDir::toNativeSeparators(options.configDir);
    if (!options.configDir.isEmpty() && !QFileInfo(options.configDir).isDir())
        return QStringLiteral("Cannot create the settings folder ") + dir;
    const QFileInfo file(store.fileName());
    const QString name = QDir::toNativeSeparators(file.filePath());
    if (file.exists() && (!file.isFile() || !file.isReadable()))
        return QStringLiteral("Cannot read the settings file ") + name;
    if (zel.settings.Inifile.isEmpty())
        return QStringLiteral("No database is set (Inifile in ") + name + QLatin1Char(')');
    if (zel.settings.Username.isEmpty())
        return QStringLiteral("No user name is set (Username in ") + name + QLatin1Char(')');
    return zel.StartFailure;
}

// The status page, when one is asked for: written at start and after each
// poll with changes; a page that cannot be written is an error said on
// standard error each time, and watching goes on.
class PageKeeper
{
public:
    PageKeeper(const HeadlessOptions &options, modZel &zel) : m_options(options), m_zel(zel) {}

    void recorded(const EventRecord &record)
    {
        if (m_page)
            m_page->eventRecorded(record);
    }

    void write()
    {
        const QString path = m_options.statusPage.value_or(m_zel.settings.StatusPage);
        if (path.isEmpty() || !m_zel.Database || !m_zel.SessionOpen)
            return;
        if (!m_page || m_page->path() != path) {
            m_page.emplace(path);
            m_page->loadEvents(m_zel.eventLog.EventLogPath);
        }
        try {
            m_page->write(*m_zel.Database, CheckoutReader::rootsOf(m_zel.MonitoredFiles),
                          m_zel.settings.Inifile, m_zel.clock().now());
        } catch (const std::exception &e) {
            m_zel.shell().setStatus(QStringLiteral("ERROR: Cannot write the status page ") +
                                    QDir::toNativeSeparators(path) + QStringLiteral(": ") +
                                    QString::fromUtf8(e.what()));
        }
    }

private:
    const HeadlessOptions &m_options;
    modZel &m_zel;
    std::optional<StatusPageWriter> m_page;
};

// --once: the poll ran, but an event record or the list was not stored (3),
// or events were not handed over to the event command (4; its queue was full).
constexpr int kNotStored = 3;
constexpr int kNotHandedOver = 4;

// How long running event commands may finish after SIGTERM or SIGINT.
constexpr int kStopGraceMs = 5000;

} // namespace

int RunHeadless(const HeadlessOptions &options)
{
    SingleInstance instance(options.configDir);
    if (!options.check && !instance.tryAcquire()) {
        HeadlessShell::err(QStringLiteral("ERROR: Quorvik is already running with these settings"));
        return 2;
    }

    SettingsStore store(options.configDir);
    QtTimerService timers;
    ChangeTrigger changes;
    SystemClock clock;
    HeadlessShell shell(options.json);
    modZel zel(shell, timers, clock, ProgramRepositoryFactory());
    zel.setSettingsStore(&store);
    zel.KeepNewestEventOnly = true; // no viewer: rule A2 needs the newest row only
    if (!options.once)
        zel.setChangeWatch(&changes);
    zel.eventLog.EventLogPath = ProgramPaths::DefaultEventLogPath(options.programFolder);
    const auto applyCommandLine = [&] {
        if (options.onEvent)
            zel.settings.OnEvent = *options.onEvent;
    };
    LoadSettings(zel, store);
    LoadEventLogSettings(zel, store);
    applyCommandLine();
    if (options.check)
        return CheckSettings(zel, store);
    PageKeeper page(options, zel);
    shell.recorded = [&page](const EventRecord &record) { page.recorded(record); };
    shell.listChanged = [&page] { page.write(); };

    zel.StartFailure.clear();
    if (!zel.ZelIni()) {
        // Why the database did not open, or why a watched file was not found.
        const QString reason = startFailureReason(options, store, zel);
        if (!reason.isEmpty())
            HeadlessShell::err(reason);
        return 2;
    }
    page.write();
    if (options.once) {
        zel.CheckFiles();
        zel.KillPollTimer();
        zel.hooks().finish(-1);
        if (zel.StoreFailed)
            return kNotStored;
        return zel.hooks().droppedTotal() > 0 ? kNotHandedOver : 0;
    }
    QObject lifetime;
    quitOnStopSignals(&lifetime);
    OnReloadSignal(&lifetime, [&] {
        ReloadSettings(zel, store);
        applyCommandLine();
        page.write();
    });
    QCoreApplication::exec();
    stopDeadlineMet();
    zel.KillPollTimer();
    zel.hooks().finish(kStopGraceMs);
    return 0;
}
