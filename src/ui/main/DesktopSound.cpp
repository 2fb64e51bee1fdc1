#include "DesktopSound.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

const QString kEventPlayer = QStringLiteral("canberra-gtk-play");
const QString kFilePlayer = QStringLiteral("paplay");

} // namespace

DesktopSound::DesktopSound(QString soundFile) : m_soundFile(std::move(soundFile)) {}

QString DesktopSound::defaultSoundFile()
{
    return QStringLiteral("/usr/share/sounds/freedesktop/stereo/message.oga");
}

DesktopSound::Method DesktopSound::method() const
{
#ifndef Q_OS_WIN
    if (!QStandardPaths::findExecutable(kEventPlayer).isEmpty())
        return EventSound;
    if (!QStandardPaths::findExecutable(kFilePlayer).isEmpty() && QFileInfo(m_soundFile).isFile())
        return SoundFile;
#endif
    return Bell;
}

DesktopSound::Method DesktopSound::play()
{
    const Method how = method();
    bool started = false;
    if (how == EventSound) {
        started = QProcess::startDetached(QStandardPaths::findExecutable(kEventPlayer),
                                          {QStringLiteral("-i"), QStringLiteral("message")});
    } else if (how == SoundFile) {
        started =
            QProcess::startDetached(QStandardPaths::findExecutable(kFilePlayer), {m_soundFile});
    }
    if (how == Bell || !started) {
#ifdef Q_OS_WIN
        // The user's "Default Beep" sound, whatever the platform plugin.
        MessageBeep(MB_OK);
#else
        QApplication::beep();
#endif
        return Bell;
    }
    return how;
}
