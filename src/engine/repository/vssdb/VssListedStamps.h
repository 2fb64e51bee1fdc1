#pragma once

#include "engine/repository/fileaccess/FileAccess.h"

#include <QHash>
#include <QString>

// The stamps of item files as listings of their folders show them, for
// places whose listings carry stamps: one listing of a folder stands for a
// stat call on every item file in it, so a poll costs the place a few dozen
// listings however many files it watches.
//
// A listing answers for looks in the round (poll) it was taken in, for each
// file once, and for at most `reuseMs`: a new round or a second look at a
// file lists its folder again (or, where a stat call gives the same stamp,
// stats that one file). So every poll, a change poll right after a
// write too, sees listings taken after it began, and one listing of each
// folder serves a whole poll.
class VssListedStamps
{
public:
    // The stamp of the item file `name` (eight letters, as spelt on disk) in
    // `folder`; `takenMs` receives when the listing that shows it ended (on
    // the steady clock): no later than any read after this look, and no
    // earlier than the stamp was seen. No stamp when the listing lacks the
    // file or the folder cannot be listed.
    FileStamp stamp(FileAccess &files, const QString &folder, QStringView name, qint64 reuseMs,
                    qint64 &takenMs);
    void beginRound() { ++m_round; }
    // The newest change time of a regular file any listing (or stat call)
    // showed so far; 0 where none carried one.
    qint64 newestChangeNs() const { return m_newestChangeNs; }

private:
    struct Seen
    {
        FileStamp stamp;
        bool answered = false;
    };
    struct Listing
    {
        quint64 round = 0; // 0: not listed
        qint64 takenMs = 0;
        QHash<quint64, Seen> items; // by the name's eight letters packed
    };
    void list(FileAccess &files, const QString &folder, Listing &listing);

    QHash<QString, Listing> m_folders;
    quint64 m_round = 1;
    qint64 m_newestChangeNs = 0;
};
