// The session bus check before Qt connects: a bus that takes connections but
// never answers is told apart, within the time-out, from one that answers.
#include "engine/program/SessionBus.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

class tst_SessionBus : public QObject
{
    Q_OBJECT

private slots:
    void silentBusIsLeftOut()
    {
#ifdef Q_OS_WIN
        QSKIP("no session bus there");
#else
        // A private bus: the kernel takes its connections, nobody answers.
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath("bus"));
        const int silent = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un name{};
        name.sun_family = AF_UNIX;
        qstrncpy(name.sun_path, path.constData(), sizeof name.sun_path);
        QVERIFY(::bind(silent, reinterpret_cast<sockaddr *>(&name), sizeof name) == 0 &&
                ::listen(silent, 8) == 0);
        QElapsedTimer took;
        took.start();
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + path + ",guid=0");
        QVERIFY(SessionBus::LeaveOutIfSilent(500).contains("does not answer"));
        QVERIFY(took.elapsed() < 3000);
        QCOMPARE(qgetenv("DBUS_SESSION_BUS_ADDRESS"), QByteArray("disabled:"));
        ::close(silent);
        // Nothing listening: connecting fails at once without our help.
        QVERIFY(SessionBus::Answers("unix:path=" + path, 500));

        QProcess daemon;
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QVERIFY2(daemon.waitForStarted(), "dbus-daemon is needed (package dbus-daemon)");
        QTRY_VERIFY(daemon.canReadLine());
        QVERIFY(SessionBus::Answers(daemon.readLine().trimmed(), 10000));
        daemon.kill();
        daemon.waitForFinished();
#endif
    }
};

QTEST_GUILESS_MAIN(tst_SessionBus)
#include "tst_sessionbus.moc"
