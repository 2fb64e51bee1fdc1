#pragma once

#include "engine/eventlog/EventRecord.h"

#include <QString>

// The narrow seam through which the engine reaches the user interface. The
// main window implements it in the program; tests use a recording fake.
enum class TrayLook
{
    Normal,
    Change,
    Error
};

class Shell
{
public:
    virtual ~Shell() = default;

    // Status line of the main window (lblStatus).
    virtual void setStatus(const QString &text) = 0;
    virtual QString status() const = 0;
    // Why the failure just put on the status line happened, in the reader's
    // own words ("User "Nobody" is not a user of this database"); the next
    // setStatus drops it.
    virtual void setStatusDetail(const QString &detail) { Q_UNUSED(detail); }

    virtual void setTrayLook(TrayLook look) = 0;

    // The tray menu's "Reset" entry (mnuReset).
    virtual void setResetEnabled(bool enabled) = 0;
    virtual bool resetEnabled() const = 0;

    virtual bool mainWindowVisible() const = 0;
    virtual void showMainWindow() = 0;

    virtual bool aboutVisible() const = 0;
    virtual bool eventLogVisible() const = 0;
    // Shows the event log viewer without waiting for it to close.
    virtual void showEventLog() = 0;

    // Message box titled "Quorvik" with the information icon (Reset entry).
    virtual void showMessage(const QString &text) = 0;

    // Shows the connection settings in txtDatabase, txtUser and txtPwd.
    virtual void setConnectionFields(const QString &inifile, const QString &user,
                                     const QString &password) = 0;

    // Rebuilds the main window's file list from MonitoredFiles (RefreshFileList).
    virtual void refreshFileList() = 0;

    virtual void beep() = 0;
    virtual void processEvents() = 0;

    // An event record was made: written to the event log (a failure to write
    // it is reported on the status line), or the newest record was amended
    // to read so.
    virtual void eventRecorded(const EventRecord &record) { Q_UNUSED(record); }

    // The notifications were paused or resumed (the tooltip says until when).
    virtual void snoozeChanged() {}

    // A desktop notification for a poll's announced changes; it never takes
    // the keyboard focus, and clicking it opens the event log viewer.
    virtual void showDesktopNotification(const QString &summary, const QString &body)
    {
        Q_UNUSED(summary);
        Q_UNUSED(body);
    }
};
