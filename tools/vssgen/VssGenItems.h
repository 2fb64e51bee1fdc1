#pragma once

#include "VssGenRecords.h"

#include <vector>

// Item files as VSS builds them, and the changes VSS makes to them: records
// appended at the old end of the file and the DH payload rewritten in place.
// Pure functions over bytes, shared by the on-disk writer and the bulk
// generator.
namespace VssGenItems {

using VssGenRecords::NameBlock;

struct NewItem
{
    NameBlock name;
    QByteArray physical;
    QByteArray parentPhysical;
    QByteArray parentSpec; // projects: the parent's spec
    QByteArray user;
    quint32 time = 0;
    QByteArray comment;
    quint32 contentCrc = 0; // files
    bool binary = false;    // files
};

// The whole item file of a new file: DH, the spare CF, the PF naming its
// project, the "created" history entry and its comment.
QByteArray newFile(const NewItem &item);
// The whole item file of a new project (its data file does not exist yet).
QByteArray newProject(const NewItem &item);
// The root project "$/".
QByteArray newRoot(const QByteArray &user, quint32 time);

// What one change does to an item file.
struct Change
{
    qint32 at = 0;        // where `appended` goes: the old end of the file
    QByteArray appended;  // new records
    QByteArray dhPayload; // the rewritten DH payload
    qint32 entryOffset = 0;
};

// Appends one history entry (after `before`, e.g. a delta record) with its
// comment; fills in previous offset, version and comment offsets.
Change appendHistory(const QByteArray &dhPayload, VssGenRecords::HistoryEntry entry,
                     const QByteArray &before = {}, const QByteArray &commentText = {});

// A check-in: delta, history entry, comment; the header loses its check-out
// and names the new newest time and content.
Change checkIn(const QByteArray &dhPayload, const QByteArray &user, quint32 time,
               const QByteArray &projectSpec, const QByteArray &commentText, quint32 contentCrc,
               char extension);

// Header fields of a check-out taken (`cfOffset`) or released.
void markCheckedOut(QByteArray &dhPayload, qint32 cfOffset, bool exclusive);
void markReleased(QByteArray &dhPayload, qint32 cfOffset);
// A live CF payload turned into a released one (user, time and folder kept).
void releaseCheckoutPayload(QByteArray &cfPayload);

// Places a whole record (header included) into a file image at `offset`.
void place(QByteArray &file, qint64 offset, const QByteArray &record);
QByteArray dhRecord(const QByteArray &dhPayload);

// Project entries sorted as VSS keeps them: by the lower-cased short name.
void sortEntries(std::vector<VssGenRecords::ProjectEntry> &entries);
QByteArray projectData(const std::vector<VssGenRecords::ProjectEntry> &entries);
// Header counts of a project whose entry list became `entries`.
void setEntryCounts(QByteArray &dhPayload, const std::vector<VssGenRecords::ProjectEntry> &entries);
void setExtension(QByteArray &dhPayload, char extension);
char extensionOf(const QByteArray &dhPayload);
inline char otherExtension(char extension)
{
    return (extension | 0x20) == 'a' ? 'B' : 'A';
}

} // namespace VssGenItems
