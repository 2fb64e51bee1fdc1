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
// one change has a summary naming the file, the action and the user, and the
// file's full spec as its body; more have their count as the summary and
// are listed in the body.
struct DesktopNote
{
    QString summary;
    QString body;

    static DesktopNote For(const std::vector<AnnouncedChange> &changes);
    // The one summary after a pause: the count of the changes it held back,
    // the first of them (`first`, at most kMaxLines) listed in the body.
    static DesktopNote WhilePaused(const std::vector<AnnouncedChange> &first, int count);

    // Longer lists end with a count of the rest: a bubble stays readable.
    static constexpr size_t kMaxLines = 8;
};
