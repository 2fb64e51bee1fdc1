#include "HeadlessRun.h"

#include "RepositoryBackend.h"
#include "engine/QtTimerService.h"
#include "engine/Shell.h"
#include "engine/modZel.h"
#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"
#include "engine/program/ProgramPaths.h"
#include "engine/program/SingleInstance.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <csignal>
#include <unistd.h>
#endif

namespace {

// The seam without windows: records to stdout, status texts to stderr.
class HeadlessShell : public Shell
{
public:
    void setStatus(const QString &text) override
    {
        m_status = text;
        if (text != m_printed) {
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
    void refreshFileList() override {}
    void beep() override {}
    void processEvents() override { QCoreApplication::processEvents(); }
    void eventRecorded(const QString &record) override
    {
        QTextStream out(stdout);
        out << record << '\n';
        out.flush();
    }

    static void err(const QString &text)
    {
        QTextStream stream(stderr);
        stream << text << '\n';
        stream.flush();
    }

private:
    QString m_status;
    QString m_printed;
    bool m_reset = false;
};

#ifdef Q_OS_UNIX
int g_signalPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe work here: wake the event loop.
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

// SIGINT and SIGTERM end the event loop between two events, so a poll is
// never cut off half-way.
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
}
#else
void quitOnStopSignals(QObject *) {}
#endif

} // namespace

int RunHeadless(const HeadlessOptions &options)
{
    SingleInstance instance(options.configDir);
    if (!instance.tryAcquire()) {
        HeadlessShell::err(QStringLiteral("ERROR: Quorvik is already running with these settings"));
        return 2;
    }

    SettingsStore store(options.configDir);
    QtTimerService timers;
    SystemClock clock;
    HeadlessShell shell;
    modZel zel(shell, timers, clock, ProgramRepositoryFactory());
    zel.setSettingsStore(&store);
    zel.eventLog.EventLogPath = ProgramPaths::DefaultEventLogPath(options.programFolder);
    LoadSettings(zel, store);
    LoadEventLogSettings(zel, store);

    if (!zel.ZelIni())
        return 2;
    if (options.once) {
        zel.CheckFiles();
        return 0;
    }
    QObject lifetime;
    quitOnStopSignals(&lifetime);
    QCoreApplication::exec();
    zel.KillPollTimer();
    return 0;
}
