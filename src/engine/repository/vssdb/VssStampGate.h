#pragma once

#include "VssDataFolder.h"

class VssSession;

// Whether one look at an item file's stamp (a stat call, or its entry in a
// listing of its folder) may stand for a read of it: the stamp is taken
// before every read, so a later write changes the stamp the next look
// compares. A write within the same step of the file system's clock (up to
// 2 s on FAT) as the one that set the stamp may keep it. Such a write cannot
// come after a read that began when the place's own clock was already the
// settle time past the stamp's modification time (told by a change time
// the place wrote, seen before the read: the clocks of a server and its
// client may differ; a place's clock set back by more than the settle time
// could hide one); nor after a read made the settle time or more after the
// stamp was first seen. From such a read on, while the stamp stays,
// what it produced holds. On a file share a client's cache of attributes
// can show the old stamp for up to its cache time: a change is then seen
// that much later.
class VssStampGate
{
public:
    // One look at the item file before a read.
    struct Look
    {
        VssFileStamp stamp; // none where stamps are not used
        qint64 atMs = 0;    // on a monotonic clock
        // A time the place's clock had passed when the stamp was taken, on
        // the clock of the stamp's times (0: unknown).
        qint64 placeNowNs = 0;
        // Whether the place's clock was already `settleMs` past the stamp's
        // modification time: no write within the clock's step is to come.
        bool oldBy(qint64 settleMs) const
        {
            return stamp.isValid() && stamp.modifiedNs != 0 && placeNowNs != 0 &&
                   placeNowNs - stamp.modifiedNs >= settleMs * 1000000;
        }
    };
    // The stamp of the item file of `physical` (a stat call or a listing's
    // entry), where the session's options use stamps. For a file of which
    // no read is kept (`readBefore` false) any listing of the pass will do,
    // after a pause too: the file is read anyway, and the stamp taken before.
    static Look look(const VssSession &session, QByteArrayView physical, bool readBefore);

    // Whether `now` shows the file unchanged since a settled read.
    bool holds(const Look &now) const
    {
        return m_settled && now.stamp.isValid() && now.stamp == m_stamp;
    }
    // After a read that `now` was taken just before.
    void readAfter(const Look &now, qint64 settleMs);

private:
    VssFileStamp m_stamp;
    qint64 m_seenMs = 0; // when m_stamp was first seen
    bool m_settled = false;
};
