#pragma once

#include <QString>

// The notification sound. Linux desktops often ignore the terminal bell that
// QApplication::beep() rings, so the desktop's event sound is played when a
// player for it is installed; the bell is the fallback. On Windows it is
// always the bell: MessageBeep, the sound the user chose as "Default Beep".
class DesktopSound
{
public:
    enum Method
    {
        EventSound,
        SoundFile,
        Bell
    };

    explicit DesktopSound(QString soundFile = defaultSoundFile());

    // Plays the sound once without waiting for it; returns how.
    Method play();
    // What play() would use now (the PATH and the sound file are looked up
    // each time: a player installed later is used).
    Method method() const;

    static QString defaultSoundFile();

private:
    QString m_soundFile;
};
