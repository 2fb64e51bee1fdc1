#pragma once

#include <QString>

#include <vector>

// One change a poll announced: the file, the row's action and, for a
// check-out, the user.
struct AnnouncedChange
{
    QString spec;
    QString action;
    QString user;
};

// The text of the desktop notification for one poll's announced changes:
// a summary naming the file, the action and the user when there is one
// change, the count when there are more; the body lists them.
struct DesktopNote
{
    QString summary;
    QString body;

    static DesktopNote For(const std::vector<AnnouncedChange> &changes);
};
