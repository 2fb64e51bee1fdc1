#include "ReloadSignal.h"

#include <QObject>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <csignal>
#include <unistd.h>

namespace {

int g_reloadPipe[2] = {-1, -1};

void onHangUp(int)
{
    const char byte = 1;
    // Only async-signal-safe work here: wake the event loop.
    [[maybe_unused]] const auto written = ::write(g_reloadPipe[1], &byte, 1);
}

} // namespace

void OnReloadSignal(QObject *owner, std::function<void()> reload)
{
    if (::pipe(g_reloadPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_reloadPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [reload = std::move(reload)] {
        char bytes[16];
        // Several signals before the loop woke up: one reload reads them all.
        [[maybe_unused]] const auto read = ::read(g_reloadPipe[0], bytes, sizeof bytes);
        reload();
    });
    struct sigaction action = {};
    action.sa_handler = onHangUp;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGHUP, &action, nullptr);
}
#else
void OnReloadSignal(QObject *, std::function<void()>) {}
#endif
