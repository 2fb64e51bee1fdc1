#include "DesktopNotifier.h"

#ifdef QUORVIK_HAVE_DBUS
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");
// A service that does not answer by then is taken as missing.
constexpr int kCallTimeoutMs = 5000;

} // namespace

DesktopNotifier::DesktopNotifier(Fallback fallback, QObject *parent)
    : DesktopNotifier(QDBusConnection::sessionBus(), std::move(fallback), parent)
{}

DesktopNotifier::DesktopNotifier(const QDBusConnection &bus, Fallback fallback, QObject *parent)
    : QObject(parent), m_fallback(std::move(fallback)), m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    // From whichever process owns the service name.
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(actionInvoked(uint, QString)));
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(notificationClosed(uint, uint)));
    const QDBusMessage ask = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                            QStringLiteral("GetCapabilities"));
    auto *call = new QDBusPendingCallWatcher(m_bus.asyncCall(ask, kCallTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QStringList> reply = *w;
        m_markup = !reply.isError() && reply.value().contains(QStringLiteral("body-markup"));
    });
}

void DesktopNotifier::notify(const QString &summary, const QString &body)
{
    if (!m_bus.isConnected()) {
        if (m_fallback)
            m_fallback(summary, body);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    const QVariantMap hints = {{QStringLiteral("desktop-entry"), QStringLiteral("quorvik")},
                               {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}};
    call << QStringLiteral("Quorvik") << uint(0) << QStringLiteral("quorvik") << summary
         << (m_markup ? body.toHtmlEscaped() : body)
         << QStringList{kDefaultAction, tr("Open Event Log")} << hints << int(-1);
    auto *pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, summary, body](QDBusPendingCallWatcher *w) { sent(w, summary, body); });
}

void DesktopNotifier::sent(QDBusPendingCallWatcher *call, const QString &summary,
                           const QString &body)
{
    call->deleteLater();
    const QDBusPendingReply<uint> reply = *call;
    if (!reply.isError())
        m_shown.insert(reply.value());
    else if (m_fallback) // no notification service: silently the tray's message
        m_fallback(summary, body);
}

#else

DesktopNotifier::DesktopNotifier(Fallback fallback, QObject *parent)
    : QObject(parent), m_fallback(std::move(fallback))
{}

void DesktopNotifier::notify(const QString &summary, const QString &body)
{
    if (m_fallback)
        m_fallback(summary, body);
}

#endif

void DesktopNotifier::actionInvoked(uint id, const QString &action)
{
    if (m_shown.contains(id) && action == QLatin1String("default"))
        emit clicked();
}

void DesktopNotifier::notificationClosed(uint id, uint)
{
    m_shown.remove(id);
}
