// The notification sound: the desktop's event sound when a player exists.
#include "support/TestFiles.h"
#include "ui/main/DesktopSound.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_DesktopSound : public QObject
{
    Q_OBJECT

    QTemporaryDir m_bin;
    // A fake player on the PATH that records its arguments in `name`.log.
    void fakePlayer(const QString &name)
    {
        TestFiles::write(m_bin.filePath(name), "#!/bin/sh\necho \"$@\" > \"$0.log\"\n");
        QFile::setPermissions(m_bin.filePath(name), QFile::ReadOwner | QFile::ExeOwner);
    }
    QString logOf(const QString &name) const
    {
        return QString::fromUtf8(TestFiles::read(m_bin.filePath(name + ".log"))).trimmed();
    }

private slots:
    void bestAvailableMethodIsUsed()
    {
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(m_bin.path())); // only the fakes are found
        const QString file = m_bin.filePath(QStringLiteral("message.oga"));
        QCOMPARE(DesktopSound(file).play(), DesktopSound::Bell); // no player at all
#ifndef Q_OS_WIN                              // always MessageBeep on Windows: tst_windowsplatform
        fakePlayer(QStringLiteral("paplay")); // a plain player needs the sound file
        QCOMPARE(DesktopSound(file).method(), DesktopSound::Bell);
        TestFiles::write(file, "");
        DesktopSound plain(file);
        QCOMPARE(plain.play(), DesktopSound::SoundFile);
        QTRY_COMPARE(logOf(QStringLiteral("paplay")), file);
        fakePlayer(QStringLiteral("canberra-gtk-play")); // the desktop's event sound first
        DesktopSound event(file);
        QCOMPARE(event.play(), DesktopSound::EventSound);
        QTRY_COMPARE(logOf(QStringLiteral("canberra-gtk-play")), QStringLiteral("-i message"));
#endif
        qputenv("PATH", path);
    }
};

QTEST_MAIN(tst_DesktopSound)
#include "tst_desktopsound.moc"
