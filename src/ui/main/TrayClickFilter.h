#pragma once

#include <QSystemTrayIcon>

// Decides which activations of the tray icon run its default command.
// Desktops report a click differently: StatusNotifierItem hosts send only
// Trigger, XEmbed trays send Trigger then DoubleClick, some hosts send one
// Trigger per click of a double-click. One gesture must run the command once:
// an activation within the double-click interval of the last run is ignored.
class TrayClickFilter
{
public:
    explicit TrayClickFilter(int doubleClickIntervalMs) : m_interval(doubleClickIntervalMs) {}

    // true when the activation at `nowMs` runs the default command.
    bool accept(QSystemTrayIcon::ActivationReason reason, qint64 nowMs);
    // The command ended at `nowMs` (a message box may have kept it running
    // while the second click of the gesture waited in the queue).
    void finished(qint64 nowMs) { m_lastRun = nowMs; }

private:
    int m_interval;
    qint64 m_lastRun = -1;
};
