#pragma once

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

#ifdef QUORVIK_HAVE_DBUS
#include <QDBusConnection>
class QDBusPendingCallWatcher;
#endif

// Desktop notifications: the freedesktop notification service over D-Bus
// (a bubble that never takes the keyboard focus; its default action is a
// click on it). Where no service answers, or without D-Bus, the fallback
// runs instead (the tray icon's own message).
class DesktopNotifier : public QObject
{
    Q_OBJECT
public:
    using Fallback = std::function<void(const QString &summary, const QString &body)>;

    // On the session bus.
    explicit DesktopNotifier(Fallback fallback, QObject *parent = nullptr);
#ifdef QUORVIK_HAVE_DBUS
    DesktopNotifier(const QDBusConnection &bus, Fallback fallback, QObject *parent = nullptr);
#endif

    void notify(const QString &summary, const QString &body);

signals:
    // A notification of ours (or the fallback message) was clicked.
    void clicked();

private slots:
    void actionInvoked(uint id, const QString &action);
    void notificationClosed(uint id, uint reason);

private:
    Fallback m_fallback;
#ifdef QUORVIK_HAVE_DBUS
    void sent(QDBusPendingCallWatcher *call, const QString &summary, const QString &body);
    QDBusConnection m_bus;
    bool m_markup = false; // the service reads the body as markup
#endif
    QSet<uint> m_shown; // identifiers of our notifications still open
};
