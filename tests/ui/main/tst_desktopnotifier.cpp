// Desktop notifications through a real D-Bus session bus started by the
// test, with a stand-in notification service that records what it is sent.
#include "ui/main/DesktopNotifier.h"

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#ifdef QUORVIK_HAVE_DBUS
#include <QDBusMessage>

// org.freedesktop.Notifications, recording each Notify call as one text.
class StandInService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList calls;
public slots:
    QStringList GetCapabilities() { return {"body", "actions"}; }
    uint Notify(const QString &app, uint, const QString &, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &, int)
    {
        calls << app + '|' + summary + '|' + body + '|' + actions.value(0);
        return uint(calls.size());
    }
};
#endif

class tst_DesktopNotifier : public QObject
{
    Q_OBJECT
    QProcess m_daemon;
    QString m_address;
    QStringList m_fallback;
    DesktopNotifier::Fallback recorder()
    {
        return [this](const QString &s, const QString &b) { m_fallback << s + '|' + b; };
    }

private slots:
#ifdef QUORVIK_HAVE_DBUS
    void initTestCase()
    {
        m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QVERIFY2(m_daemon.waitForStarted(), "dbus-daemon is needed (package dbus-daemon)");
        QTRY_VERIFY(m_daemon.canReadLine());
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    void cleanupTestCase()
    {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    void serviceShowsItAndReportsTheClickOnOursAlone()
    {
        StandInService service;
        QDBusConnection serviceBus = QDBusConnection::connectToBus(m_address, "service");
        QVERIFY(serviceBus.registerService("org.freedesktop.Notifications"));
        QVERIFY(serviceBus.registerObject("/org/freedesktop/Notifications", &service,
                                          QDBusConnection::ExportAllSlots));
        DesktopNotifier notifier(QDBusConnection::connectToBus(m_address, "client"), recorder());
        QSignalSpy clicks(&notifier, &DesktopNotifier::clicked);
        notifier.notify("a.txt: Check Out by Dora", "$/Web/a.txt: Check Out by Dora");
        QTRY_COMPARE(service.calls, QStringList{"Quorvik|a.txt: Check Out by Dora|"
                                                "$/Web/a.txt: Check Out by Dora|default"});
        for (uint id : {7u, 1u}) { // 7 is not ours
            QDBusMessage signal = QDBusMessage::createSignal(
                "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
            serviceBus.send(signal << id << QString("default"));
        }
        QTRY_COMPARE(clicks.size(), 1);
        QTest::qWait(100);
        QCOMPARE(clicks.size(), 1);
        QVERIFY(m_fallback.isEmpty());
        serviceBus.unregisterService("org.freedesktop.Notifications");
    }
#endif

    void withoutAServiceTheFallbackShowsIt()
    {
#ifdef QUORVIK_HAVE_DBUS
        DesktopNotifier notifier(QDBusConnection::connectToBus(m_address, "client"), recorder());
        notifier.notify("S", "B");
        QTRY_COMPARE(m_fallback, QStringList{"S|B"});
        m_fallback.clear();
        DesktopNotifier noBus(QDBusConnection("none"), recorder()); // not connected
#else
        DesktopNotifier noBus(recorder());
#endif
        noBus.notify("T", "C");
        QCOMPARE(m_fallback, QStringList{"T|C"});
    }
};

QTEST_MAIN(tst_DesktopNotifier)
#include "tst_desktopnotifier.moc"
