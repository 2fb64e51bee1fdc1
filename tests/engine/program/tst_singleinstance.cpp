// One running program per user and settings folder.
#include "engine/program/SingleInstance.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class tst_SingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void secondInstanceIsRefusedUntilTheFirstEnds()
    {
        QTemporaryDir config;
        auto first = std::make_unique<SingleInstance>(config.path());
        QVERIFY(first->tryAcquire() && first->tryAcquire()); // the second: holding it already

        SingleInstance second(config.path());
        QVERIFY(!second.tryAcquire());
        // The same folder spelt otherwise, or through a symbolic link
        // (Windows: in other letter case; its links are shortcut files).
        QVERIFY(!SingleInstance(config.path() + "/./").tryAcquire());
#ifdef Q_OS_WIN
        QVERIFY(!SingleInstance(QDir::toNativeSeparators(config.path().toUpper())).tryAcquire());
#else
        QTemporaryDir links;
        QVERIFY(QFile::link(config.path(), links.filePath("link")));
        QVERIFY(!SingleInstance(links.filePath("link")).tryAcquire());
#endif
        // Another home or runtime folder (a service beside a cron job) does
        // not make another instance; the lock is in the settings folder.
        QTemporaryDir other;
        const QProcessEnvironment saved = QProcessEnvironment::systemEnvironment();
        for (const char *variable : {"HOME", "XDG_RUNTIME_DIR", "USERPROFILE"})
            qputenv(variable, other.path().toLocal8Bit());
        QVERIFY(!SingleInstance(config.path()).tryAcquire());
        for (const char *variable : {"HOME", "XDG_RUNTIME_DIR", "USERPROFILE"})
            qputenv(variable, saved.value(variable).toLocal8Bit());
        QCOMPARE(QFileInfo(first->lockFilePath()).absolutePath(), config.path());
        SingleInstance beside(other.path()); // other settings folders run beside it
        QVERIFY(beside.tryAcquire());

        first.reset();
        QVERIFY(second.tryAcquire());
    }

    void lockOfAProcessThatEndedIsTakenOver()
    {
        QTemporaryDir config;
        const QString path = SingleInstance::lockFilePathFor(config.path());
        // A lock file as a crashed program leaves it: the id of a process that
        // no longer runs (a program there is on every system).
        QProcess gone;
        gone.start(QStringLiteral(QUORVIK_BIN_DIR "/quorvik-vss"), {QStringLiteral("--version")});
        QVERIFY(gone.waitForFinished());
        const qint64 pid = gone.processId() ? gone.processId() : 999999;
#ifdef Q_OS_WIN
        const QString host = qEnvironmentVariable("COMPUTERNAME"); // what QLockFile writes there
#else
        const QString host = QSysInfo::machineHostName();
#endif
        QVERIFY(
            TestFiles::write(path, QByteArray::number(pid) + "\nquorvik\n" + host.toUtf8() + "\n"));
        QVERIFY(SingleInstance(config.path()).tryAcquire());
    }
};

QTEST_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
