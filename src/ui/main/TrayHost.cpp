#include "TrayHost.h"

#include <QSystemTrayIcon>

#ifdef QUORVIK_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusServiceWatcher>
#endif
#ifdef QUORVIK_HAVE_XCB
#include <QGuiApplication>
#include <xcb/xcb.h>
#endif

#include <memory>

namespace {

#ifdef QUORVIK_HAVE_DBUS
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
#endif

// Where Qt picks its tray once for the whole run: X11 desktops with D-Bus.
constexpr bool kQtDecidesOnce =
#if defined(QUORVIK_HAVE_DBUS) && defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    true;
#else
    false;
#endif

} // namespace

TrayHost::TrayHost(QObject *parent) : QObject(parent)
{
#ifdef QUORVIK_HAVE_DBUS
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    auto *watch =
        new QDBusServiceWatcher(kWatcher, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(watch, &QDBusServiceWatcher::serviceRegistered, this, &TrayHost::mayHaveAppeared);
    bus.connect(kWatcher, kWatcherPath, kWatcher, QStringLiteral("StatusNotifierHostRegistered"),
                this, SIGNAL(mayHaveAppeared()));
#endif
}

bool TrayHost::present()
{
    if (!kQtDecidesOnce)
        return QSystemTrayIcon::isSystemTrayAvailable();
    return statusNotifierHostPresent() || xembedTrayPresent();
}

bool TrayHost::statusNotifierHostPresent()
{
#ifdef QUORVIK_HAVE_DBUS
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(kWatcher).value())
        return false;
    // Qt's own test: the watcher's interface in its introspection data, and
    // a host registered.
    QDBusInterface watcher(kWatcher, kWatcherPath, kWatcher, bus);
    return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
#else
    return false;
#endif
}

bool TrayHost::xembedTrayPresent()
{
#ifdef QUORVIK_HAVE_XCB
    // Only on the X11 platform (offscreen may answer for X11 with no connection).
    const auto *x11 = qGuiApp && QGuiApplication::platformName() == QLatin1String("xcb")
                          ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                          : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    // The screen named by DISPLAY (":0.1" is screen 1), as Qt's tray uses.
    const QByteArray display = qgetenv("DISPLAY");
    const int dot = display.lastIndexOf('.');
    const int colon = display.lastIndexOf(':');
    const int screen = dot > colon ? display.mid(dot + 1).toInt() : 0;
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> atom(
        xcb_intern_atom_reply(connection,
                              xcb_intern_atom(connection, 1, uint16_t(name.size()), name.data()),
                              nullptr),
        &free);
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom),
                                      nullptr),
        &free);
    return owner && owner->owner != XCB_WINDOW_NONE;
#else
    // Without its own look at X11 the program can only ask Qt (which then
    // keeps its answer about StatusNotifierItem hosts for the run).
    return QSystemTrayIcon::isSystemTrayAvailable();
#endif
}
