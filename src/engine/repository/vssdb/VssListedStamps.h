#pragma once

#include "engine/repository/fileaccess/FileAccess.h"

#include <QHash>
#include <QString>

// The stamps of item files as listings of their folders show them, for
// places whose listings carry stamps: one listing of a folder stands for a
// stat call on every item file in it, so a poll costs the place a few dozen
// listings however many files it watches.
//
// A listing answers every look at the files of its folder within one pass
// over the files: until the next poll begins, or until the place was asked
// nothing for `idleMs` (a pause: the explorer's or a refresh's next look).
// So a poll or a session's start lists each folder once however long it
// takes (a look at a file after its read, or a project looked at again,
// reuses the listing: a write since is seen by the next pass), and every
// poll, a change poll right after a write too, sees listings taken after
// it began.
class VssListedStamps
{
public:
    // The stamp of the item file `name` (eight letters, as spelt on disk) in
    // `folder`; `takenMs` receives when the listing that shows it ended (on
    // the steady clock): no later than any read after this look, and no
    // earlier than the stamp was seen. No stamp when the listing lacks the
    // file or the folder cannot be listed.
    FileStamp stamp(FileAccess &files, const QString &folder, QStringView name, qint64 idleMs,
                    qint64 &takenMs);
    void beginRound() { ++m_round; }
    // The newest change time of a regular file any listing (or stat call)
    // showed so far; 0 where none carried one.
    qint64 newestChangeNs() const { return m_newestChangeNs; }

private:
    struct Listing
    {
        quint64 round = 0; // 0: not listed
        qint64 takenMs = 0;
        QHash<quint64, FileStamp> items; // by the name's eight letters packed
    };
    void list(FileAccess &files, const QString &folder, Listing &listing);

    QHash<QString, Listing> m_folders;
    quint64 m_round = 1;
    qint64 m_lastLookMs = 0; // steady clock
    qint64 m_newestChangeNs = 0;
};
