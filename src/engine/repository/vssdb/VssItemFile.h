#pragma once

#include "VssBytes.h"

#include <QByteArray>
#include <QString>

#include <vector>

// Parsed structures of item files and project data files. The parsers check
// every record they touch (signature, bounds, CRC) and return a description
// of the first problem; an empty description means the data is consistent.

struct VssNameBlock
{
    quint16 flags = 0;
    QByteArray shortName;
    qint32 namesOffset = 0;
    static VssNameBlock parse(const VssBytes &payload, qint64 offset);
};

struct VssHeader
{
    int type = 0; // on-disk type: 1 project, 2 file
    int elCount = 0;
    VssNameBlock name;
    int firstVersion = 0;
    char dataExtension = 0; // 'A' or 'B'
    qint32 firstEl = 0;
    qint32 lastEl = 0;
    qint32 endOffset = 0;
    // Projects.
    int entryCount = 0;
    // Files.
    quint16 fileFlags = 0;
    qint32 liveCheckout = 0;
    quint32 newestTime = 0; // the newest history record's time, as the header repeats it
};

struct VssHistoryEntry
{
    int version = 0;
    int action = 0;
    quint32 time = 0;
    QByteArray user;
    QByteArray label;
    VssNameBlock name;      // the item the action concerns, where recorded
    VssNameBlock otherName; // renames: the old name
    QByteArray spec;        // check-ins, shares, moves: a project spec
};

struct VssCheckoutRecord
{
    QByteArray user;
    QByteArray folder;
    QByteArray machine;
    QByteArray comment;
    quint32 time = 0;
    int version = 0;
    bool exclusive = false;
};

struct VssProjectEntry
{
    int type = 0; // on-disk type
    quint16 flags = 0;
    VssNameBlock name;
    int pinned = 0;
    QByteArray physical;
};

// The state of an item file that the poll needs, without its history.
struct VssItemState
{
    QByteArray headerPayload; // the DH payload: unchanged bytes, unchanged item
    VssHeader header;
    VssHistoryEntry newest;
    std::vector<VssCheckoutRecord> checkouts; // live only, oldest first
};

namespace VssItemFile {

// Checks the file header and the DH record of (a prefix of) an item file.
QString parseHeader(const VssBytes &file, VssItemState &state);

// Parses a whole item file: header, DH, end offset within the file, the
// newest EL and every live check-out record.
QString parseState(const VssBytes &file, VssItemState &state);

// The state of a file item, `fileSize` bytes long, as far as its first
// bytes `head` tell it: the newest version's number and time as the header
// repeats them (the record itself unread: its user stays empty), the live
// check-outs from their records in `head`. An error where the header alone
// cannot tell: a project, a header whose end is not the file's end, no time
// repeated, a check-out record outside `head`, or anything parseState refuses.
QString parseHeadState(const VssBytes &head, qint64 fileSize, VssItemState &state);

// The whole history, newest first, following the backward chain.
QString parseHistory(const VssBytes &file, const VssHeader &header,
                     std::vector<VssHistoryEntry> &history);

// The entries of a project data file; their number must match the header.
QString parseProjectData(const VssBytes &data, const VssHeader &header,
                         std::vector<VssProjectEntry> &entries);

} // namespace VssItemFile
