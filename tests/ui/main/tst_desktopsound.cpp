// The notification sound: the desktop's event sound when a player exists.
#include "ui/main/DesktopSound.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class tst_DesktopSound : public QObject
{
    Q_OBJECT

    QTemporaryDir m_bin;
    QByteArray m_path;

    // A fake player that records its arguments in `name`.log.
    void fakePlayer(const QString &name)
    {
        QFile script(m_bin.filePath(name));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho \"$@\" > \"$0.log\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString logOf(const QString &name) const
    {
        QFile log(m_bin.filePath(name + QStringLiteral(".log")));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()).trimmed()
                                             : QString();
    }

private slots:
    void initTestCase()
    {
        m_path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(m_bin.path())); // only the fakes are found
    }
    void cleanupTestCase() { qputenv("PATH", m_path); }

    void bestAvailableMethodIsUsed()
    {
        const QString file = m_bin.filePath(QStringLiteral("message.oga"));
        DesktopSound none(file);
        QCOMPARE(none.method(), DesktopSound::Bell); // no player at all
        QCOMPARE(none.play(), DesktopSound::Bell);
#ifdef Q_OS_WIN
        QSKIP("always MessageBeep on Windows: tst_windowsplatform");
#endif

        // A plain player needs the sound file.
        fakePlayer(QStringLiteral("paplay"));
        QCOMPARE(DesktopSound(file).method(), DesktopSound::Bell);
        QFile(file).open(QIODevice::WriteOnly);
        DesktopSound plain(file);
        QCOMPARE(plain.play(), DesktopSound::SoundFile);
        QTRY_COMPARE(logOf(QStringLiteral("paplay")), file);

        // The desktop's event sound is preferred.
        fakePlayer(QStringLiteral("canberra-gtk-play"));
        DesktopSound event(file);
        QCOMPARE(event.play(), DesktopSound::EventSound);
        QTRY_COMPARE(logOf(QStringLiteral("canberra-gtk-play")), QStringLiteral("-i message"));
    }
};

QTEST_MAIN(tst_DesktopSound)
#include "tst_desktopsound.moc"
