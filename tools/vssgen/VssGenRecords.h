#pragma once

#include "engine/repository/vssdb/VssLayout.h"

#include <QByteArray>
#include <QDateTime>

#include <stdexcept>

// Any failing operation of the database writer.
class VssGenError : public std::runtime_error
{
public:
    explicit VssGenError(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// Builders of the records and file headers of a VSS database, laid out as
// VSS writes them. Payload builders return the payload only; VssRecord::encode
// frames it.
namespace VssGenRecords {

// Offsets that only the writer needs (the reader skips these fields).
namespace Extra {
constexpr qint64 FirstFileRecord = 0x1A0;        // the CF record of a new file
constexpr qint64 DhRights = 0x3C;                // projects: offset in rights.dat
constexpr qint64 DhProjectChildProjects = 0x162; // number of project entries
constexpr qint64 DhBranchCount = 0x64;
constexpr qint64 DhNewestPf = 0x60;
constexpr qint64 DhPfCount = 0x66;
constexpr qint64 DhContentTime = 0x80;
constexpr qint64 DhCreateTime = 0x84;
constexpr qint64 HsPayloadSize = 0x40; // status.dat's header
constexpr qint64 ElCommentOffset = 0x4C;
constexpr qint64 ElLabelCommentOffset = 0x50;
constexpr qint64 ElCommentLength = 0x54;
constexpr qint64 ElLabelCommentLength = 0x56;
constexpr qint64 CfSelfOffset = 0x294; // 24-bit offset, state in the top byte
constexpr qint64 CfKeptVersion = 0x298;
constexpr qint64 PfPrevious = 0x00;
constexpr qint64 PfProject = 0x04;
constexpr qint64 PfPayloadSize = 0x10;
constexpr qint64 HnPayloadSize = 0x50;
constexpr qint64 HnEndOffset = 0x10;
constexpr qint64 HuPayloadSize = 0x40;
constexpr quint16 NameKindDos = 1;
constexpr quint16 NameKindMac = 3;
} // namespace Extra

// The stored form of a time: the date and time fields of `when` (the
// writer's wall-clock time) counted as if UTC.
quint32 storedTime(const QDateTime &when);

// Physical names: 8 letters, a base-26 number whose first letter is the
// least significant digit.
QByteArray physicalName(quint32 number);
quint32 physicalNumber(QByteArrayView name);

// Copies `text` into a char[width] field at `offset` (cut to width - 1).
void putText(QByteArray &out, qint64 offset, QByteArrayView text, qint64 width);

struct NameBlock
{
    bool project = false;
    QByteArray shortName;
    qint32 namesOffset = 0;
};
void putNameBlock(QByteArray &payload, qint64 offset, const NameBlock &name);

// The 0x34-byte header of an item file or of um.dat.
QByteArray itemFileHeader(int diskType);
QByteArray userFileHeader();

struct ProjectHeader
{
    NameBlock name;
    int elCount = 0;
    char extension = 'A';
    qint32 firstEl = 0, lastEl = 0, endOffset = 0;
    QByteArray parentSpec, parentPhysical;
    int entries = 0, projectEntries = 0;
};
QByteArray projectHeader(const ProjectHeader &h);

struct FileHeader
{
    NameBlock name;
    int elCount = 0;
    char extension = 'A';
    qint32 firstEl = 0, lastEl = 0, endOffset = 0;
    quint16 flags = 0;
    qint32 newestPf = 0;
    int pfCount = 0;
    qint32 liveCheckout = 0, spareCheckout = 0;
    quint32 contentCrc = 0;
    quint32 newestTime = 0, contentTime = 0, createTime = 0;
};
QByteArray fileHeader(const FileHeader &h);

struct HistoryEntry
{
    qint32 previous = 0;
    quint16 action = VssLayout::Act::Label;
    int version = 0;
    quint32 time = 0;
    QByteArray user, label;
    qint32 commentOffset = 0;
    int commentLength = 0;     // with the NUL; 0 = none
    bool labelComment = false; // the comment belongs to the label
    QByteArray specific;       // action-specific part, placed at EL +0x58
};
QByteArray historyEntry(const HistoryEntry &e);
// Action-specific parts.
QByteArray itemSpecific(const NameBlock &name, QByteArrayView physical);
QByteArray renameSpecific(const NameBlock &newName, const NameBlock &oldName,
                          QByteArrayView physical);
QByteArray checkInSpecific(qint32 deltaOffset, QByteArrayView projectSpec);
// A share, pin or unpin: the project shared from, the item, the version the
// entry was pinned at before (share: -1) and after (0 = not pinned).
QByteArray shareSpecific(QByteArrayView fromSpec, const NameBlock &name, QByteArrayView physical,
                         int unpinned, int pinned);

// The comment record (its CRC field stays 0, as VSS leaves it).
QByteArray comment(QByteArrayView text);
// A minimal reverse-delta record.
QByteArray delta();

struct Checkout
{
    QByteArray user, folder, machine, project, comment;
    quint32 time = 0;
    int version = 0;
    bool exclusive = false;
    qint32 selfOffset = 0;
    qint32 previous = 0; // the check-out before this one in the chain
};
QByteArray liveCheckout(const Checkout &c);
// `live` with the fields a check-in or undo clears, and the released bit.
QByteArray releasedCheckout(const Checkout &c);
QByteArray emptyCheckout();

QByteArray projectPlacement(qint32 previous, QByteArrayView projectPhysical);

struct ProjectEntry
{
    bool project = false;
    quint16 flags = 0;
    NameBlock name;
    QByteArray physical;
    int pinned = 0; // the version this project shows, 0 = the newest
};
QByteArray projectEntry(const ProjectEntry &e);

QByteArray namesHeader(qint32 endOffset);
// Equal strings are stored once and shared by their table entries.
QByteArray nameRecord(const QList<QPair<quint16, QByteArray>> &names);

QByteArray userHeader(int count);
QByteArray userRecord(QByteArrayView name, quint16 passwordHash);

} // namespace VssGenRecords
