#include "VssGenItems.h"

#include "engine/repository/vssdb/VssBytes.h"
#include "engine/repository/vssdb/VssRecord.h"

#include <algorithm>

using namespace VssLayout;
using namespace VssGenRecords;

namespace VssGenItems {

namespace {

constexpr qint64 ElRecordSize = RecordHeaderSize + EL::PayloadSize;

QByteArray historyRecord(HistoryEntry entry, qint32 at, const QByteArray &commentText,
                         bool withComment)
{
    entry.commentOffset = at + qint32(ElRecordSize);
    entry.commentLength = withComment ? int(commentText.size() + 1) : 0;
    QByteArray out = VssRecord::encode("EL", historyEntry(entry));
    if (withComment)
        out += comment(commentText);
    return out;
}

qint32 i32At(const QByteArray &payload, qint64 offset)
{
    return VssBytes(payload).i32(offset);
}

} // namespace

QByteArray newFile(const NewItem &item)
{
    const qint64 cfAt = Extra::FirstFileRecord;
    const qint64 pfAt = cfAt + RecordHeaderSize + CF::PayloadSize;
    const qint64 elAt = pfAt + RecordHeaderSize + Extra::PfPayloadSize;
    HistoryEntry created;
    created.action = Act::CreateFile;
    created.version = 1;
    created.time = item.time;
    created.user = item.user;
    created.specific = itemSpecific(item.name, item.physical);
    const QByteArray tail = emptyCheckout() + projectPlacement(0, item.parentPhysical) +
                            historyRecord(created, qint32(elAt), item.comment, true);
    FileHeader h;
    h.name = item.name;
    h.elCount = 1;
    h.firstEl = h.lastEl = qint32(elAt);
    h.endOffset = qint32(cfAt + tail.size());
    h.flags = item.binary ? DH::FlagBinary : 0;
    h.newestPf = qint32(pfAt);
    h.pfCount = 1;
    h.spareCheckout = qint32(cfAt);
    h.contentCrc = item.contentCrc;
    h.newestTime = h.contentTime = h.createTime = item.time;
    return itemFileHeader(DiskFile) + dhRecord(fileHeader(h)) + tail;
}

QByteArray newProject(const NewItem &item)
{
    const qint64 elAt = Extra::FirstFileRecord;
    HistoryEntry created;
    created.action = Act::CreateProject;
    created.version = 1;
    created.time = item.time;
    created.user = item.user;
    created.specific = itemSpecific(item.name, item.physical);
    const QByteArray tail = historyRecord(created, qint32(elAt), item.comment, true);
    ProjectHeader h;
    h.name = item.name;
    h.elCount = 1;
    h.firstEl = h.lastEl = qint32(elAt);
    h.endOffset = qint32(elAt + tail.size());
    h.parentSpec = item.parentSpec;
    h.parentPhysical = item.parentPhysical;
    return itemFileHeader(DiskProject) + dhRecord(projectHeader(h)) + tail;
}

QByteArray newRoot(const QByteArray &user, quint32 time)
{
    const qint64 elAt = Extra::FirstFileRecord;
    HistoryEntry created;
    created.action = Act::CreateProject;
    created.version = 1;
    created.time = time;
    created.user = user;
    NameBlock rootName;
    rootName.project = true;
    created.specific = itemSpecific(rootName, {});
    QByteArray tail = VssRecord::encode("EL", historyEntry(created)); // no comment offset
    ProjectHeader h;
    h.elCount = 1;
    h.firstEl = h.lastEl = qint32(elAt);
    h.endOffset = qint32(elAt + tail.size());
    return itemFileHeader(DiskProject) + dhRecord(projectHeader(h)) + tail;
}

Change appendHistory(const QByteArray &dhPayload, HistoryEntry entry, const QByteArray &before,
                     const QByteArray &commentText)
{
    const VssBytes dh(dhPayload);
    Change change;
    change.at = dh.i32(DH::EndOffset);
    change.entryOffset = change.at + qint32(before.size());
    entry.previous = dh.i32(DH::LastEl);
    entry.version = dh.u16(DH::FirstVersion) + dh.u16(DH::ElCount);
    const bool withComment = !commentText.isEmpty();
    QByteArray record = historyRecord(entry, change.entryOffset, commentText, withComment);
    if (!withComment) // no comment: the offset just after the entry, as VSS leaves it
        VssPut::u32(record, RecordHeaderSize + Extra::ElCommentOffset,
                    quint32(change.entryOffset + ElRecordSize));
    change.appended = before + record;
    change.dhPayload = dhPayload;
    VssPut::u16(change.dhPayload, DH::ElCount, quint16(dh.u16(DH::ElCount) + 1));
    VssPut::u32(change.dhPayload, DH::LastEl, quint32(change.entryOffset));
    VssPut::u32(change.dhPayload, DH::EndOffset, quint32(change.at + change.appended.size()));
    if (dh.u16(DH::Type) == DiskFile)
        VssPut::u32(change.dhPayload, DH::NewestTime, entry.time);
    return change;
}

Change checkIn(const QByteArray &dhPayload, const QByteArray &user, quint32 time,
               const QByteArray &projectSpec, const QByteArray &commentText, quint32 contentCrc,
               char extension)
{
    const qint32 deltaAt = i32At(dhPayload, DH::EndOffset);
    HistoryEntry entry;
    entry.action = Act::CheckIn;
    entry.time = time;
    entry.user = user;
    entry.specific = checkInSpecific(deltaAt, projectSpec);
    Change change = appendHistory(dhPayload, entry, delta(), commentText);
    const qint32 cf = i32At(dhPayload, DH::LiveCheckout);
    markReleased(change.dhPayload, cf != 0 ? cf : i32At(dhPayload, DH::SpareCheckout));
    VssPut::u32(change.dhPayload, DH::ContentCrc, contentCrc);
    VssPut::u32(change.dhPayload, Extra::DhContentTime, time);
    setExtension(change.dhPayload, extension);
    return change;
}

void markCheckedOut(QByteArray &dhPayload, qint32 cfOffset, bool exclusive)
{
    const quint16 flags = VssBytes(dhPayload).u16(DH::FileFlags);
    VssPut::u16(dhPayload, DH::FileFlags,
                quint16(flags | DH::FlagCheckedOut | (exclusive ? DH::FlagExclusive : 0)));
    VssPut::u32(dhPayload, DH::LiveCheckout, quint32(cfOffset));
    VssPut::u32(dhPayload, DH::SpareCheckout, 0);
}

void markReleased(QByteArray &dhPayload, qint32 cfOffset)
{
    const quint16 flags = VssBytes(dhPayload).u16(DH::FileFlags);
    VssPut::u16(dhPayload, DH::FileFlags,
                quint16(flags & ~(DH::FlagCheckedOut | DH::FlagExclusive)));
    VssPut::u32(dhPayload, DH::LiveCheckout, 0);
    VssPut::u32(dhPayload, DH::SpareCheckout, quint32(cfOffset));
}

void releaseCheckoutPayload(QByteArray &cf)
{
    VssPut::u16(cf, CF::Version, 0);
    VssPut::u16(cf, CF::Flags, 0);
    cf[CF::State] = char(quint8(cf[CF::State]) | CF::StateReleased);
}

void place(QByteArray &file, qint64 offset, const QByteArray &record)
{
    if (file.size() < offset + record.size())
        file.resize(offset + record.size(), '\0');
    file.replace(offset, record.size(), record);
}

QByteArray dhRecord(const QByteArray &dhPayload)
{
    return VssRecord::encode("DH", dhPayload);
}

void sortEntries(std::vector<ProjectEntry> &entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) {
        return a.name.shortName.toLower() < b.name.shortName.toLower();
    });
}

QByteArray projectData(const std::vector<ProjectEntry> &entries)
{
    QByteArray out;
    for (const ProjectEntry &entry : entries)
        out += projectEntry(entry);
    return out;
}

void setEntryCounts(QByteArray &dhPayload, const std::vector<ProjectEntry> &entries)
{
    const auto projects =
        std::count_if(entries.begin(), entries.end(), [](const auto &e) { return e.project; });
    VssPut::u16(dhPayload, DH::EntryCount, quint16(entries.size()));
    VssPut::u16(dhPayload, Extra::DhProjectChildProjects, quint16(projects));
}

void setExtension(QByteArray &dhPayload, char extension)
{
    dhPayload[DH::DataExtension] = '.';
    dhPayload[DH::DataExtension + 1] = char(extension & ~0x20);
}

char extensionOf(const QByteArray &dhPayload)
{
    return char(dhPayload[DH::DataExtension + 1] & ~0x20);
}

} // namespace VssGenItems
