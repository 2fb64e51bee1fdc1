#pragma once

#include <QObject>

// Whether something on the desktop shows tray icons. Qt 6.4 chooses between
// a StatusNotifierItem (D-Bus: KDE, XFCE, GNOME's AppIndicator extension)
// and the X11 tray once, at the program's first tray icon or first question
// about the tray, and never looks for a StatusNotifierItem host again. So
// until the icon is made, the program looks for either without asking Qt,
// and makes the icon once one is there (a panel that starts after the
// program at logon).
class TrayHost : public QObject
{
    Q_OBJECT
public:
    // Watches the session bus for a StatusNotifierItem host coming.
    explicit TrayHost(QObject *parent = nullptr);

    // A StatusNotifierItem host or an X11 tray is there now; asks Qt only
    // where it decides afresh each time (Windows, macOS).
    static bool present();
    // The watcher is on the session bus and has a host, as Qt requires.
    static bool statusNotifierHostPresent();
    // An X11 tray (XEmbed) owns this screen's tray selection.
    static bool xembedTrayPresent();

signals:
    // The StatusNotifierItem watcher came onto the bus, or a host
    // registered with it: look again.
    void mayHaveAppeared();
};
