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
    QStringList m_fallback;
    DesktopNotifier::Fallback recorder()
    {
        return [this](const QString &s, const QString &b) { m_fallback << s + '|' + b; };
    }

private slots:
    void serviceShowsItAndReportsTheClickOnOursAloneElseTheFallback()
    {
#ifdef QUORVIK_HAVE_DBUS
        QProcess daemon;
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QVERIFY2(daemon.waitForStarted(), "dbus-daemon is needed (package dbus-daemon)");
        QTRY_VERIFY(daemon.canReadLine());
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        {
            DesktopNotifier unserved(QDBusConnection::connectToBus(address, "c0"), recorder());
            unserved.notify("S", "B"); // no service yet
            QTRY_COMPARE(m_fallback, QStringList{"S|B"});
        }
        StandInService service;
        QDBusConnection bus = QDBusConnection::connectToBus(address, "service");
        QVERIFY(bus.registerService("org.freedesktop.Notifications"));
        QVERIFY(bus.registerObject("/org/freedesktop/Notifications", &service,
                                   QDBusConnection::ExportAllSlots));
        DesktopNotifier notifier(QDBusConnection::connectToBus(address, "client"), recorder());
        QSignalSpy clicks(&notifier, &DesktopNotifier::clicked);
        notifier.notify("a.txt: Check Out by Dora", "$/Web/a.txt: Check Out by Dora");
        QTRY_COMPARE(service.calls, QStringList{"Quorvik|a.txt: Check Out by Dora|"
                                                "$/Web/a.txt: Check Out by Dora|default"});
        for (uint id : {7u, 1u}) { // 7 is not ours
            QDBusMessage signal = QDBusMessage::createSignal(
                "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
            bus.send(signal << id << QString("default"));
        }
        QTRY_COMPARE(clicks.size(), 1);
        QTest::qWait(100);
        QCOMPARE(clicks.size(), 1);
        m_fallback.clear();
        DesktopNotifier noBus(QDBusConnection("none"), recorder()); // not connected
        bus.unregisterService("org.freedesktop.Notifications");
        daemon.kill();
        daemon.waitForFinished();
#else
        DesktopNotifier noBus(recorder());
#endif
        noBus.notify("T", "C");
        QCOMPARE(m_fallback, QStringList{"T|C"});
    }
};

QTEST_MAIN(tst_DesktopNotifier)
#include "tst_desktopnotifier.moc"
