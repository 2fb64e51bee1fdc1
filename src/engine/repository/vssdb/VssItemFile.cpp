#include "VssItemFile.h"

#include "VssLayout.h"
#include "VssRecord.h"

#include <QSet>

#include <algorithm>

using namespace VssLayout;

namespace {

// More check-out records than this on one file means a damaged chain.
constexpr int MaxCheckouts = 4096;

VssHistoryEntry parseEntry(const VssBytes &p)
{
    VssHistoryEntry e;
    e.action = p.u16(EL::Action);
    e.version = p.u16(EL::Version);
    e.time = p.u32(EL::Time);
    e.user = p.text(EL::User, EL::UserWidth);
    if (e.action == Act::Label)
        e.label = p.text(EL::Label, EL::LabelWidth);
    const qint64 at = EL::Specific;
    switch (e.action) {
    case Act::Label:
        break;
    case Act::RenameProject:
    case Act::RenameFile:
        e.name = VssNameBlock::parse(p, at);
        e.otherName = VssNameBlock::parse(p, at + Name::Size);
        break;
    case Act::MoveFrom:
    case Act::MoveTo:
    case Act::Share:
        e.spec = p.text(at, EL::SpecWidth);
        e.name = VssNameBlock::parse(p, at + EL::SpecWidth);
        break;
    case Act::CheckIn:
        e.spec = p.text(at + 8, EL::SpecWidth);
        break;
    default:
        if (e.action <= Act::LastKnown)
            e.name = VssNameBlock::parse(p, at);
        break;
    }
    return e;
}

// The records of one chain never share bytes, so together they fit in the
// file. A chain of records laid over each other would have every record
// checksum most of the file again: with this budget the work stays linear.
class ChainBudget
{
public:
    explicit ChainBudget(const VssBytes &file) : m_left(file.size()) {}
    QString take(const VssRecord::View &record)
    {
        m_left -= record.end() - record.offset;
        return m_left >= 0 ? QString()
                           : QStringLiteral("%1 record at offset %2 overlaps other records")
                                 .arg(QLatin1String(record.signature))
                                 .arg(record.offset);
    }

private:
    qint64 m_left;
};

QString readEntry(const VssBytes &file, qint64 offset, VssHistoryEntry &entry, qint32 *previous,
                  ChainBudget *budget = nullptr)
{
    VssRecord::View record;
    QString error = VssRecord::read(file, offset, "EL", record);
    if (error.isEmpty() && budget)
        error = budget->take(record);
    if (!error.isEmpty())
        return error;
    if (!record.payload.has(0, EL::PayloadSize))
        return QStringLiteral("history record at offset %1 too short").arg(offset);
    entry = parseEntry(record.payload);
    if (previous)
        *previous = record.payload.i32(EL::Previous);
    return {};
}

QString readCheckouts(const VssBytes &file, qint32 first, std::vector<VssCheckoutRecord> &out)
{
    QSet<qint32> seen;
    ChainBudget budget(file);
    for (qint32 offset = first; offset != 0;) {
        if (seen.contains(offset) || seen.size() >= MaxCheckouts)
            return QStringLiteral("check-out chain loops at offset %1").arg(offset);
        seen.insert(offset);
        VssRecord::View record;
        QString error = VssRecord::read(file, offset, "CF", record);
        if (error.isEmpty())
            error = budget.take(record);
        if (!error.isEmpty())
            return error;
        const VssBytes &p = record.payload;
        if (!p.has(0, CF::PayloadSize))
            return QStringLiteral("check-out record at offset %1 too short").arg(offset);
        VssCheckoutRecord co;
        co.user = p.text(CF::User, CF::UserWidth);
        co.folder = p.text(CF::Folder, CF::FolderWidth);
        co.machine = p.text(CF::Machine, CF::MachineWidth);
        co.comment = p.text(CF::Comment, CF::CommentWidth);
        co.time = p.u32(CF::Time);
        co.version = p.u16(CF::Version);
        co.exclusive = (p.u16(CF::Flags) & CF::FlagExclusive) != 0;
        const bool released = (quint8(p.view()[CF::State]) & CF::StateReleased) != 0;
        // A released record keeps its user: only live records count.
        if (!co.user.isEmpty() && co.version != 0 && !released)
            out.push_back(co);
        offset = p.i32(CF::Previous);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const auto &a, const auto &b) { return a.time < b.time; });
    return {};
}

// The live check-outs of the file item `state` holds the header of.
QString readLiveCheckouts(const VssBytes &file, VssItemState &state)
{
    const VssHeader &h = state.header;
    state.checkouts.clear();
    if (h.type != DiskFile || h.liveCheckout == 0)
        return {};
    // Releasing the last check-out clears the header's live offset; a header
    // naming one over released records only was read together with parts of
    // another state of the file.
    QString error = readCheckouts(file, h.liveCheckout, state.checkouts);
    if (error.isEmpty() && state.checkouts.empty())
        error = QStringLiteral("item header names a check-out at offset %1 that is released")
                    .arg(h.liveCheckout);
    return error;
}

} // namespace

VssNameBlock VssNameBlock::parse(const VssBytes &payload, qint64 offset)
{
    VssNameBlock block;
    if (!payload.has(offset, Name::Size))
        return block;
    block.flags = payload.u16(offset + Name::Flags);
    block.shortName = payload.text(offset + Name::ShortName, Name::ShortNameWidth);
    block.namesOffset = payload.i32(offset + Name::NamesOffset);
    return block;
}

namespace VssItemFile {

QString parseHeader(const VssBytes &file, VssItemState &state)
{
    if (file.text(0, SignatureWidth) != ItemFileSignature)
        return QStringLiteral("not an item file (signature missing)");
    if (!file.has(0, FileHeaderSize))
        return QStringLiteral("item file header truncated");
    const int fileType = file.u16(ItemFileTypeOffset);
    if (file.u16(ItemFileVersionOffset) != FormatVersion)
        return QStringLiteral("unsupported item file version %1")
            .arg(file.u16(ItemFileVersionOffset));
    VssRecord::View dh;
    const QString error = VssRecord::read(file, DH::FileOffset, "DH", dh);
    if (!error.isEmpty())
        return error;
    const VssBytes &p = dh.payload;
    if (!p.has(0, DH::PayloadSize))
        return QStringLiteral("item header too short");
    VssHeader &h = state.header;
    h = VssHeader();
    h.type = p.u16(DH::Type);
    if (h.type != fileType || (h.type != DiskProject && h.type != DiskFile))
        return QStringLiteral("item type %1 does not match the file header (%2)")
            .arg(h.type)
            .arg(fileType);
    h.elCount = p.u16(DH::ElCount);
    h.name = VssNameBlock::parse(p, DH::Name);
    h.firstVersion = p.u16(DH::FirstVersion);
    const QByteArray ext = p.text(DH::DataExtension, 2);
    h.dataExtension = ext.size() == 2 && ext[0] == '.' ? ext[1] : 0;
    h.firstEl = p.i32(DH::FirstEl);
    h.lastEl = p.i32(DH::LastEl);
    h.endOffset = p.i32(DH::EndOffset);
    if (h.type == DiskProject) {
        h.entryCount = p.u16(DH::EntryCount);
    } else {
        h.fileFlags = p.u16(DH::FileFlags);
        h.liveCheckout = p.i32(DH::LiveCheckout);
        h.newestTime = p.u32(DH::NewestTime);
    }
    state.headerPayload = p.view().toByteArray();
    return {};
}

QString parseState(const VssBytes &whole, VssItemState &state)
{
    QString error = parseHeader(whole, state);
    if (!error.isEmpty())
        return error;
    const VssHeader &h = state.header;
    // Records appended after the header was written are not part of the
    // state it describes; a header pointing past the data is a torn read.
    if (h.endOffset < DH::PrefixSize || h.endOffset > whole.size())
        return QStringLiteral("item header names end offset %1 but the file has %2 bytes")
            .arg(h.endOffset)
            .arg(whole.size());
    const VssBytes file = whole.slice(0, h.endOffset);
    if (h.elCount < 1 || h.lastEl < DH::PrefixSize)
        return QStringLiteral("item header names no history");
    qint32 previous = 0;
    error = readEntry(file, h.lastEl, state.newest, &previous);
    if (!error.isEmpty())
        return error;
    if (state.newest.version != h.firstVersion + h.elCount - 1)
        return QStringLiteral("newest version %1 does not match the header (%2 entries from %3)")
            .arg(state.newest.version)
            .arg(h.elCount)
            .arg(h.firstVersion);
    return readLiveCheckouts(file, state);
}

QString parseHeadState(const VssBytes &head, qint64 fileSize, VssItemState &state)
{
    QString error = parseHeader(head, state);
    if (!error.isEmpty())
        return error;
    const VssHeader &h = state.header;
    if (h.type != DiskFile)
        return QStringLiteral("a project's header does not tell its newest version");
    // The used part ends where the file does (a writer appending since
    // shows otherwise), and the newest record lies within it.
    if (h.endOffset != fileSize)
        return QStringLiteral("item header names end offset %1 but the file has %2 bytes")
            .arg(h.endOffset)
            .arg(fileSize);
    if (h.elCount < 1 || h.lastEl < DH::PrefixSize || h.lastEl >= h.endOffset || h.newestTime == 0)
        return QStringLiteral("item header names no history");
    state.newest = VssHistoryEntry();
    state.newest.version = h.firstVersion + h.elCount - 1;
    state.newest.time = h.newestTime;
    return readLiveCheckouts(head, state);
}

QString parseHistory(const VssBytes &whole, const VssHeader &header,
                     std::vector<VssHistoryEntry> &history)
{
    if (header.endOffset > whole.size())
        return QStringLiteral("item file shorter than its header says");
    const VssBytes file = whole.slice(0, header.endOffset);
    history.clear();
    qint32 offset = header.lastEl;
    int expected = header.firstVersion + header.elCount - 1;
    ChainBudget budget(file);
    while (offset != 0) {
        if (int(history.size()) >= header.elCount)
            return QStringLiteral("history chain longer than the %1 entries counted")
                .arg(header.elCount);
        VssHistoryEntry entry;
        qint32 previous = 0;
        const QString error = readEntry(file, offset, entry, &previous, &budget);
        if (!error.isEmpty())
            return error;
        if (entry.version != expected)
            return QStringLiteral("history entry at offset %1 has version %2, expected %3")
                .arg(offset)
                .arg(entry.version)
                .arg(expected);
        // Entries are appended, so each older one lies before the newer one.
        if (previous != 0 && (previous < DH::PrefixSize || previous >= offset))
            return QStringLiteral("history chain broken at offset %1").arg(offset);
        history.push_back(std::move(entry));
        --expected;
        offset = previous;
    }
    if (int(history.size()) != header.elCount)
        return QStringLiteral("history holds %1 entries, the header counts %2")
            .arg(history.size())
            .arg(header.elCount);
    return {};
}

QString parseProjectData(const VssBytes &data, const VssHeader &header,
                         std::vector<VssProjectEntry> &entries)
{
    entries.clear();
    qint64 offset = 0;
    while (offset < data.size()) {
        if (int(entries.size()) >= header.entryCount)
            return QStringLiteral("project file holds more than the %1 entries counted")
                .arg(header.entryCount);
        VssRecord::View record;
        const QString error = VssRecord::read(data, offset, "JP", record);
        if (!error.isEmpty())
            return error;
        const VssBytes &p = record.payload;
        if (!p.has(0, JP::PayloadSize))
            return QStringLiteral("project entry at offset %1 too short").arg(offset);
        VssProjectEntry entry;
        entry.type = p.u16(JP::Type);
        entry.flags = p.u16(JP::Flags);
        entry.name = VssNameBlock::parse(p, JP::Name);
        entry.pinned = p.u16(JP::Pinned);
        entry.physical = p.text(JP::Physical, JP::PhysicalWidth);
        entries.push_back(std::move(entry));
        offset = record.end();
    }
    if (int(entries.size()) != header.entryCount)
        return QStringLiteral("project file holds %1 entries, the header counts %2")
            .arg(entries.size())
            .arg(header.entryCount);
    return {};
}

} // namespace VssItemFile
