#pragma once

#include "VssItemFile.h"
#include "engine/repository/fileaccess/FileAccess.h"

// The reads of an item file through one open: its first bytes (file header,
// DH record and the CF record after it), then only the parts its state is
// parsed from, where the header says they are: the newest EL record, the
// live CF records and the end of the used part. On a share each read is a
// round trip and each byte crosses the wire, while an item file holds its
// whole history.
namespace VssItemRead {

// How many bytes the first read takes; a file its stamp shows small
// (`sizeHint`, -1 when unknown) is read whole at once.
qint64 headSize(qint64 sizeHint);

// Whether an item file whose first read gave `bytes` (`asked` bytes asked
// for) reaches `endOffset`, as far as that read and the file's size as its
// stamp showed it (`sizeHint`, -1 when unknown) tell without another call.
inline bool mayReach(qint64 endOffset, const QByteArray &bytes, qint64 asked, qint64 sizeHint)
{
    return bytes.size() == asked ? sizeHint < 0 || endOffset <= sizeHint
                                 : endOffset <= bytes.size();
}

// The state of the item file `file`, of which `bytes` holds the first read
// (`asked` bytes asked for): a shorter first read is the whole file; the
// used part of a longer one is read in parts only up to `sizeHint`. On
// return `bytes` holds what the state was parsed from: the whole file, or
// the used part with only the parts the state needs read (zeros between).
// Where a part cannot be found, or what was read does not parse, the whole
// file is read and parsed, so a damaged file gives the error it always gave.
QString readState(FileAccess::Reader &file, QByteArray &bytes, qint64 asked, qint64 sizeHint,
                  VssItemState &state);

} // namespace VssItemRead
