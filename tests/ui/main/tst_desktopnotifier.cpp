// Desktop notifications through a real D-Bus session bus started by the
// test, with a stand-in notification service that records what it is sent.
#include "ui/main/DesktopNotifier.h"

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#ifdef QUORVIK_HAVE_DBUS
#include <QDBusMessage>

// org.freedesktop.Notifications, recording every Notify call.
class StandInService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call
    {
        QString app, summary, body;
        QStringList actions;
    };
    QList<Call> calls;

public slots:
    QStringList GetCapabilities() { return {"body", "actions"}; }
    uint Notify(const QString &app, uint, const QString &, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &, int)
    {
        calls.append({app, summary, body, actions});
        return uint(calls.size());
    }
};
#endif

class tst_DesktopNotifier : public QObject
{
    Q_OBJECT
#ifdef QUORVIK_HAVE_DBUS
    QProcess m_daemon;
    QString m_address;
    QStringList m_fallback;

    DesktopNotifier::Fallback recorder()
    {
        return [this](const QString &s, const QString &b) { m_fallback << s + '|' + b; };
    }
    QDBusConnection bus(const QString &name)
    {
        return QDBusConnection::connectToBus(m_address, name);
    }

private slots:
    void initTestCase()
    {
        m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QVERIFY2(m_daemon.waitForStarted(), "dbus-daemon is needed (package dbus-daemon)");
        QTRY_VERIFY(m_daemon.canReadLine());
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        QVERIFY(bus("client").isConnected());
    }
    void cleanupTestCase()
    {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    void init()
    {
        m_fallback.clear();
    }

    void notificationReachesTheServiceAndItsClickIsReported()
    {
        StandInService service;
        QDBusConnection serviceBus = bus("service");
        QVERIFY(serviceBus.registerService("org.freedesktop.Notifications"));
        QVERIFY(serviceBus.registerObject("/org/freedesktop/Notifications", &service,
                                          QDBusConnection::ExportAllSlots));
        DesktopNotifier notifier(bus("client"), recorder());
        QSignalSpy clicks(&notifier, &DesktopNotifier::clicked);
        notifier.notify("a.txt: Check Out by Dora", "$/Web/a.txt: Check Out by Dora");
        QTRY_COMPARE(service.calls.size(), 1);
        QCOMPARE(service.calls[0].app, QString("Quorvik"));
        QCOMPARE(service.calls[0].summary, QString("a.txt: Check Out by Dora"));
        QCOMPARE(service.calls[0].body, QString("$/Web/a.txt: Check Out by Dora"));
        QVERIFY(service.calls[0].actions.contains("default"));

        auto invoke = [&](uint id) {
            QDBusMessage signal = QDBusMessage::createSignal(
                "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
            signal << id << QString("default");
            serviceBus.send(signal);
        };
        invoke(7); // not ours
        invoke(1);
        QTRY_COMPARE(clicks.size(), 1);
        QTest::qWait(100);
        QCOMPARE(clicks.size(), 1);
        QVERIFY(m_fallback.isEmpty());
        serviceBus.unregisterService("org.freedesktop.Notifications");
    }

    void withoutAServiceTheFallbackShowsIt()
    {
        DesktopNotifier notifier(bus("client"), recorder());
        notifier.notify("S", "B");
        QTRY_COMPARE(m_fallback, QStringList{"S|B"});
        DesktopNotifier noBus(QDBusConnection("none"), recorder());
        noBus.notify("T", "C");
        QCOMPARE(m_fallback, QStringList({"S|B", "T|C"}));
    }
#else
private slots:
    void withoutDBusTheFallbackShowsIt()
    {
        QStringList shown;
        DesktopNotifier notifier([&](const QString &s, const QString &b) { shown << s + b; });
        notifier.notify("S", "B");
        QCOMPARE(shown, QStringList{"SB"});
    }
#endif
};

QTEST_MAIN(tst_DesktopNotifier)
#include "tst_desktopnotifier.moc"
