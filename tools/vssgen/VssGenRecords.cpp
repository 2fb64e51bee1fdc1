#include "VssGenRecords.h"

#include "engine/WallClock.h"
#include "engine/repository/vssdb/VssBytes.h"
#include "engine/repository/vssdb/VssRecord.h"

#include <QHash>

using namespace VssLayout;

namespace VssGenRecords {

quint32 storedTime(const QDateTime &when)
{
    return quint32(WallClockTime(when).toSecsSinceEpoch());
}

QByteArray physicalName(quint32 number)
{
    QByteArray name(8, 'A');
    for (int i = 0; i < 8; ++i) {
        name[i] = char('A' + number % 26);
        number /= 26;
    }
    return name;
}

quint32 physicalNumber(QByteArrayView name)
{
    quint32 number = 0;
    for (qsizetype i = name.size() - 1; i >= 0; --i)
        number = number * 26 + quint32((name[i] | 0x20) - 'a');
    return number;
}

void putText(QByteArray &out, qint64 offset, QByteArrayView text, qint64 width)
{
    const qint64 n = std::min<qint64>(text.size(), width - 1);
    for (qint64 i = 0; i < width; ++i)
        out[offset + i] = i < n ? text[i] : '\0';
}

void putNameBlock(QByteArray &payload, qint64 offset, const NameBlock &name)
{
    VssPut::u16(payload, offset + Name::Flags, name.project ? Name::ProjectFlag : 0);
    putText(payload, offset + Name::ShortName, name.shortName, Name::ShortNameWidth);
    VssPut::u32(payload, offset + Name::NamesOffset, quint32(name.namesOffset));
}

namespace {

QByteArray fileHeaderWith(const char *signature)
{
    QByteArray out(FileHeaderSize, '\0');
    putText(out, 0, signature, SignatureWidth);
    return out;
}

QByteArray ownedText(QByteArrayView text)
{
    QByteArray out = text.toByteArray();
    out.append('\0');
    return out;
}

} // namespace

QByteArray itemFileHeader(int diskType)
{
    QByteArray out = fileHeaderWith(ItemFileSignature);
    VssPut::u16(out, ItemFileTypeOffset, quint16(diskType));
    VssPut::u16(out, ItemFileVersionOffset, FormatVersion);
    return out;
}

QByteArray userFileHeader()
{
    QByteArray out = fileHeaderWith(UserFileSignature);
    VssPut::u32(out, SignatureWidth, 8);
    return out;
}

namespace {

QByteArray commonHeader(int type, const NameBlock &name, int elCount, char extension,
                        qint32 firstEl, qint32 lastEl, qint32 endOffset)
{
    QByteArray p(DH::PayloadSize, '\0');
    VssPut::u16(p, DH::Type, quint16(type));
    VssPut::u16(p, DH::ElCount, quint16(elCount));
    putNameBlock(p, DH::Name, name);
    VssPut::u16(p, DH::FirstVersion, 1);
    p[DH::DataExtension] = '.';
    p[DH::DataExtension + 1] = extension;
    VssPut::u32(p, DH::FirstEl, quint32(firstEl));
    VssPut::u32(p, DH::LastEl, quint32(lastEl));
    VssPut::u32(p, DH::EndOffset, quint32(endOffset));
    return p;
}

} // namespace

QByteArray projectHeader(const ProjectHeader &h)
{
    QByteArray p =
        commonHeader(DiskProject, h.name, h.elCount, h.extension, h.firstEl, h.lastEl, h.endOffset);
    putText(p, DH::ParentSpec, h.parentSpec, DH::ParentSpecWidth);
    putText(p, DH::ParentPhysical, h.parentPhysical, 12);
    VssPut::u16(p, DH::EntryCount, quint16(h.entries));
    VssPut::u16(p, Extra::DhProjectChildProjects, quint16(h.projectEntries));
    return p;
}

QByteArray fileHeader(const FileHeader &h)
{
    QByteArray p =
        commonHeader(DiskFile, h.name, h.elCount, h.extension, h.firstEl, h.lastEl, h.endOffset);
    VssPut::u16(p, DH::FileFlags, h.flags);
    VssPut::u32(p, Extra::DhNewestPf, quint32(h.newestPf));
    VssPut::u16(p, Extra::DhPfCount, quint16(h.pfCount));
    VssPut::u32(p, DH::LiveCheckout, quint32(h.liveCheckout));
    VssPut::u32(p, DH::SpareCheckout, quint32(h.spareCheckout));
    VssPut::u32(p, DH::ContentCrc, h.contentCrc);
    VssPut::u32(p, DH::NewestTime, h.newestTime);
    VssPut::u32(p, Extra::DhContentTime, h.contentTime);
    VssPut::u32(p, Extra::DhCreateTime, h.createTime);
    return p;
}

QByteArray historyEntry(const HistoryEntry &e)
{
    QByteArray p(EL::PayloadSize, '\0');
    VssPut::u32(p, EL::Previous, quint32(e.previous));
    VssPut::u16(p, EL::Action, e.action);
    VssPut::u16(p, EL::Version, quint16(e.version));
    VssPut::u32(p, EL::Time, e.time);
    putText(p, EL::User, e.user, EL::UserWidth);
    putText(p, EL::Label, e.label, EL::LabelWidth);
    VssPut::u32(p, Extra::ElCommentOffset, quint32(e.commentOffset));
    if (e.labelComment) {
        VssPut::u32(p, Extra::ElLabelCommentOffset, quint32(e.commentOffset));
        VssPut::u16(p, Extra::ElLabelCommentLength, quint16(e.commentLength));
    } else {
        VssPut::u16(p, Extra::ElCommentLength, quint16(e.commentLength));
    }
    p.replace(EL::Specific, std::min<qsizetype>(e.specific.size(), p.size() - EL::Specific),
              e.specific.left(p.size() - EL::Specific));
    return p;
}

QByteArray itemSpecific(const NameBlock &name, QByteArrayView physical)
{
    QByteArray p(Name::Size + EL::PhysicalWidth, '\0');
    putNameBlock(p, 0, name);
    putText(p, Name::Size, physical, EL::PhysicalWidth);
    return p;
}

QByteArray renameSpecific(const NameBlock &newName, const NameBlock &oldName,
                          QByteArrayView physical)
{
    QByteArray p(2 * Name::Size + EL::PhysicalWidth, '\0');
    putNameBlock(p, 0, newName);
    putNameBlock(p, Name::Size, oldName);
    putText(p, 2 * Name::Size, physical, EL::PhysicalWidth);
    return p;
}

QByteArray checkInSpecific(qint32 deltaOffset, QByteArrayView projectSpec)
{
    QByteArray p(8 + EL::SpecWidth, '\0');
    VssPut::u32(p, 0, quint32(deltaOffset));
    putText(p, 8, projectSpec, EL::SpecWidth);
    return p;
}

QByteArray shareSpecific(QByteArrayView fromSpec, const NameBlock &name, QByteArrayView physical,
                         int unpinned, int pinned)
{
    constexpr qint64 Pins = EL::SpecWidth + Name::Size;
    QByteArray p(Pins + 6 + EL::PhysicalWidth, '\0');
    putText(p, 0, fromSpec, EL::SpecWidth);
    putNameBlock(p, EL::SpecWidth, name);
    VssPut::u16(p, Pins, quint16(qint16(unpinned)));
    VssPut::u16(p, Pins + 2, quint16(pinned));
    putText(p, Pins + 6, physical, EL::PhysicalWidth);
    return p;
}

QByteArray comment(QByteArrayView text)
{
    QByteArray record = VssRecord::encode("MC", ownedText(text));
    VssPut::u16(record, 6, 0);
    return record;
}

QByteArray delta()
{
    QByteArray p(12, '\0');
    p[0] = 2; // "no change" delta, as VSS writes for an unchanged check-in
    return VssRecord::encode("FD", p);
}

namespace {

QByteArray checkoutPayload(const Checkout &c, bool released)
{
    QByteArray p(CF::PayloadSize, '\0');
    putText(p, CF::User, c.user, CF::UserWidth);
    VssPut::u32(p, CF::Time, c.time);
    putText(p, CF::Folder, c.folder, 260);
    putText(p, CF::Machine, c.machine, 32);
    putText(p, CF::Project, c.project, 260);
    putText(p, CF::Comment, c.comment, 64);
    VssPut::u16(p, CF::Version, released ? 0 : quint16(c.version));
    VssPut::u16(p, CF::Flags, released || !c.exclusive ? 0 : CF::FlagExclusive);
    VssPut::u32(p, CF::Previous, quint32(c.previous));
    const quint32 state = released ? CF::StateReleased : 0;
    VssPut::u32(p, Extra::CfSelfOffset, (quint32(c.selfOffset) & 0xFFFFFF) | (state << 24));
    VssPut::u32(p, Extra::CfKeptVersion, quint32(c.version));
    return p;
}

} // namespace

QByteArray liveCheckout(const Checkout &c)
{
    return VssRecord::encode("CF", checkoutPayload(c, false));
}

QByteArray releasedCheckout(const Checkout &c)
{
    return VssRecord::encode("CF", checkoutPayload(c, true));
}

QByteArray emptyCheckout()
{
    return VssRecord::encode("CF", QByteArray(CF::PayloadSize, '\0'));
}

QByteArray projectPlacement(qint32 previous, QByteArrayView projectPhysical)
{
    QByteArray p(Extra::PfPayloadSize, '\0');
    VssPut::u32(p, Extra::PfPrevious, quint32(previous));
    putText(p, Extra::PfProject, projectPhysical, 12);
    return VssRecord::encode("PF", p);
}

QByteArray projectEntry(const ProjectEntry &e)
{
    QByteArray p(JP::PayloadSize, '\0');
    VssPut::u16(p, JP::Type, e.project ? DiskProject : DiskFile);
    VssPut::u16(p, JP::Flags, e.flags);
    putNameBlock(p, JP::Name, e.name);
    VssPut::u16(p, JP::Pinned, quint16(e.pinned));
    putText(p, JP::Physical, e.physical, JP::PhysicalWidth);
    return VssRecord::encode("JP", p);
}

QByteArray namesHeader(qint32 endOffset)
{
    QByteArray p(Extra::HnPayloadSize, '\0');
    VssPut::u32(p, Extra::HnEndOffset, quint32(endOffset));
    return VssRecord::encode("HN", p);
}

QByteArray nameRecord(const QList<QPair<quint16, QByteArray>> &names)
{
    QByteArray table(SN::Table + 4 * names.size(), '\0');
    QByteArray strings;
    VssPut::u16(table, SN::Count, quint16(names.size()));
    QHash<QByteArray, qsizetype> placed;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QByteArray &text = names[i].second;
        if (!placed.contains(text)) {
            placed.insert(text, strings.size());
            strings += ownedText(text);
        }
        VssPut::u16(table, SN::Table + 4 * i, names[i].first);
        VssPut::u16(table, SN::Table + 4 * i + 2, quint16(placed.value(text)));
    }
    return VssRecord::encode("SN", table + strings);
}

QByteArray userHeader(int count)
{
    QByteArray p(Extra::HuPayloadSize, '\0');
    VssPut::u16(p, HU::UserCount, quint16(count));
    VssPut::u16(p, 2, quint16(std::max(0, count - 1)));
    VssPut::u32(p, 4, 1);
    return VssRecord::encode("HU", p);
}

QByteArray userRecord(QByteArrayView name, quint16 passwordHash)
{
    QByteArray p(UU::PayloadSize, '\0');
    putText(p, UU::Name, name, UU::NameWidth);
    VssPut::u16(p, UU::PasswordHash, passwordHash);
    return VssRecord::encode("UU", p);
}

} // namespace VssGenRecords
