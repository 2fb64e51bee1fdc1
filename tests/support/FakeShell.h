#pragma once

#include "engine/Shell.h"

#include <QStringList>

#include <functional>
#include <tuple>

// Records everything the engine asks of the user interface.
class FakeShell : public Shell
{
public:
    QString statusText;
    QStringList statuses; // every status set, in order
    TrayLook look = TrayLook::Normal;
    QList<TrayLook> looks; // every look set, in order
    bool reset = false;
    bool mainVisible = false;
    int mainShown = 0;
    bool about = false;
    bool eventLog = false;
    int eventLogShown = 0;
    QStringList messages;
    QString inifile, user, password;
    int refreshes = 0;
    int beeps = 0;
    int processed = 0;
    QStringList records; // event records announced as written
    QStringList notes;   // desktop notifications: summary, newline, body

    void setStatus(const QString &text) override { statuses.append(statusText = text); }
    QString status() const override { return statusText; }
    void setTrayLook(TrayLook l) override { looks.append(look = l); }
    void setResetEnabled(bool enabled) override { reset = enabled; }
    bool resetEnabled() const override { return reset; }
    bool mainWindowVisible() const override { return mainVisible; }
    void showMainWindow() override
    {
        mainVisible = true;
        ++mainShown;
    }
    bool aboutVisible() const override { return about; }
    bool eventLogVisible() const override { return eventLog; }
    std::function<void()> onShowEventLog; // sees the engine as the viewer opens
    void showEventLog() override
    {
        eventLog = true;
        ++eventLogShown;
        if (onShowEventLog)
            onShowEventLog();
    }
    void showMessage(const QString &text) override { messages.append(text); }
    void setConnectionFields(const QString &i, const QString &u, const QString &p) override
    {
        std::tie(inifile, user, password) = std::tie(i, u, p);
    }
    void refreshFileList() override { ++refreshes; }
    void beep() override { ++beeps; }
    void processEvents() override { ++processed; }
    std::function<void()> onRecorded; // sees the engine as each record is handed on
    void eventRecorded(const EventRecord &record) override
    {
        records.append(record.text());
        if (onRecorded)
            onRecorded();
    }
    void showDesktopNotification(const QString &summary, const QString &body) override
    {
        notes.append(summary + '\n' + body);
    }
};
