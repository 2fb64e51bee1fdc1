#include "VssStampGate.h"

#include "VssSession.h"
#include "engine/SteadyMs.h"

#include <limits>

VssStampGate::Look VssStampGate::look(const VssSession &session, QByteArrayView physical,
                                      bool readBefore)
{
    const VssDbOptions &options = session.options();
    Look now;
    if (options.stampSettleMs < 0 || !options.keepReadStates)
        return now;
    now.atMs = steadyMs();
    const qint64 idleMs = readBefore ? options.listingReuseMs : std::numeric_limits<qint64>::max();
    now.stamp = session.folder().stampItemFile(physical, idleMs, now.atMs);
    now.placeNowNs = session.folder().newestChangeSeenNs();
    return now;
}

void VssStampGate::readAfter(const Look &now, qint64 settleMs)
{
    const bool same = now.stamp.isValid() && now.stamp == m_stamp;
    if (!same) {
        m_stamp = now.stamp;
        m_seenMs = now.atMs;
    }
    m_settled = now.oldBy(settleMs) || (same && now.atMs - m_seenMs >= settleMs);
}
