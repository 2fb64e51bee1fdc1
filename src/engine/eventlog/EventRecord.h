#pragma once

#include <QByteArray>
#include <QString>

// One event as it is written to the event log and handed on: to standard
// output in headless mode, to the event hook, to the windows.
struct EventRecord
{
    QString date; // yyyy-MM-dd
    QString time; // hh:mm:ss
    QString spec;
    QString action;
    QString user;     // the check-out user; empty for other actions
    QString database; // the srcsafe.ini path

    // The event log's record: date, time, spec, action, TAB-separated.
    QString text() const;
    // One JSON object on one line (no line end), every field escaped.
    QByteArray json() const;
};
