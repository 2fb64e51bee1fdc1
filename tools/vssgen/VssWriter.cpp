#include "VssWriter.h"

#include "VssGenFiles.h"
#include "VssGenNames.h"

#include "engine/repository/vssdb/VssCodePage.h"
#include "engine/repository/vssdb/VssIni.h"
#include "engine/repository/vssdb/VssRecord.h"
#include "engine/repository/vssdb/VssUsers.h"

#include <QDir>
#include <QSet>

using namespace VssLayout;
using namespace VssGenRecords;
using VssGenItems::Change;

namespace {

const QByteArray RootPhysical = "AAAAAAAA";
constexpr const char CodePage[] = "windows-1252";

const char IniText[] = "; srcsafe.ini\r\n"
                       "Data_Path = data\r\n"
                       "Temp_Path = temp\r\n"
                       "Users_Path = users\r\n"
                       "Users_Txt = users.txt\r\n";

NameBlock blockOf(const VssNameBlock &block)
{
    return NameBlock{(block.flags & Name::ProjectFlag) != 0, block.shortName, block.namesOffset};
}

QString joinSpec(const QString &parent, const QString &name)
{
    return parent.endsWith(QLatin1Char('/')) ? parent + name : parent + QLatin1Char('/') + name;
}

} // namespace

void VssWriter::create(const QString &folder, const QList<User> &users, const QDateTime &when,
                       bool multipleCheckouts)
{
    const QString data = folder + QStringLiteral("/data");
    if (QFileInfo::exists(folder + QStringLiteral("/srcsafe.ini")))
        throw VssGenError(QStringLiteral("%1 already holds a database").arg(folder));
    for (char letter = 'a'; letter <= 'z'; ++letter)
        QDir().mkpath(data + QLatin1Char('/') + QLatin1Char(letter));
    for (const char *sub : {"labels", "locks", "loggedin"})
        QDir().mkpath(data + QLatin1Char('/') + QLatin1String(sub));
    QDir().mkpath(folder + QStringLiteral("/temp"));

    QList<User> accounts = users;
    const auto hasAdmin = std::any_of(accounts.begin(), accounts.end(), [](const User &u) {
        return u.name.compare(QLatin1String("Admin"), Qt::CaseInsensitive) == 0;
    });
    if (!hasAdmin)
        accounts.append({QStringLiteral("Admin"), QString()});
    std::sort(accounts.begin(), accounts.end(), [](const User &a, const User &b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    const VssCodePage codePage{QLatin1String(CodePage)};
    QByteArray um = userFileHeader() + userHeader(int(accounts.size()));
    QByteArray usersTxt;
    for (const User &u : accounts) {
        if (u.name.trimmed().isEmpty() || codePage.encode(u.name).size() >= UU::NameWidth)
            throw VssGenError(QStringLiteral("invalid user name \"%1\"").arg(u.name));
        um += userRecord(codePage.encode(u.name),
                         VssUsers::passwordHash(codePage.encode(u.password.toUpper())));
        usersTxt += codePage.encode(u.name) + " = users\\" + codePage.encode(u.name.toLower()) +
                    "\\ss.ini\r\n";
    }
    QByteArray version(2, '\0');
    VssPut::u16(version, 0, FormatVersion);
    VssGenFiles::write(data + QStringLiteral("/version.dat"), version);
    VssGenFiles::write(data + QStringLiteral("/um.dat"), um);
    VssGenFiles::write(data + QStringLiteral("/names.dat"),
                       namesHeader(qint32(RecordHeaderSize + Extra::HnPayloadSize)));
    VssGenFiles::write(data + QStringLiteral("/aaaaaaaa.cnt"), RootPhysical);
    VssGenFiles::write(data + QStringLiteral("/a/aaaaaaaa"),
                       VssGenItems::newRoot("Admin", storedTime(when)));
    VssGenFiles::write(folder + QStringLiteral("/users.txt"), usersTxt);
    VssGenFiles::write(folder + QStringLiteral("/srcsafe.ini"),
                       QByteArray(IniText) +
                           "Multiple_Checkouts = " + (multipleCheckouts ? "Yes" : "No") + "\r\n");
}

VssWriter::VssWriter(const QString &folder)
    : m_codePage(std::make_unique<VssCodePage>(QLatin1String(CodePage)))
{
    const QString ini = folder + QStringLiteral("/srcsafe.ini");
    const VssIni settings = VssIni::parse(VssGenFiles::read(ini));
    if (settings.dataPath.isEmpty())
        throw VssGenError(QStringLiteral("%1 names no Data_Path").arg(ini));
    m_data = VssIni::resolvePath(ini, settings.dataPath);
    m_multipleCheckouts = settings.multipleCheckouts;
}

VssWriter::~VssWriter() = default;

QString VssWriter::itemPath(const QByteArray &physical) const
{
    const QString name = QString::fromLatin1(physical).toLower();
    return m_data + QLatin1Char('/') + name.left(1) + QLatin1Char('/') + name;
}

QString VssWriter::dataFilePath(const QByteArray &physical, char extension) const
{
    return itemPath(physical) + QLatin1Char('.') + QLatin1Char(char(extension | 0x20));
}

QByteArray VssWriter::encode(const QString &text) const
{
    return m_codePage->encode(text);
}

VssWriter::Item VssWriter::load(const QByteArray &physical) const
{
    Item item;
    item.physical = physical;
    item.path = itemPath(physical);
    item.bytes = VssGenFiles::read(item.path);
    const QString error = VssItemFile::parseState(VssBytes(item.bytes), item.state);
    if (!error.isEmpty())
        throw VssGenError(QStringLiteral("%1: %2").arg(item.path, error));
    if (item.state.header.endOffset != item.bytes.size())
        throw VssGenError(QStringLiteral("%1: records after the header's end").arg(item.path));
    return item;
}

VssWriter::Listing VssWriter::listing(const QByteArray &project) const
{
    Listing list;
    list.item = load(project);
    const VssHeader &h = list.item.state.header;
    if (h.type != DiskProject)
        throw VssGenError(QStringLiteral("%1 is not a project").arg(list.item.path));
    QByteArray data;
    const QString dataPath = dataFilePath(project, h.dataExtension);
    if (h.entryCount > 0 || QFileInfo::exists(dataPath))
        data = VssGenFiles::read(dataPath);
    std::vector<VssProjectEntry> entries;
    const QString error = VssItemFile::parseProjectData(VssBytes(data), h, entries);
    if (!error.isEmpty())
        throw VssGenError(QStringLiteral("%1: %2").arg(dataPath, error));
    for (const VssProjectEntry &e : entries)
        list.entries.push_back(
            ProjectEntry{e.type == DiskProject, e.flags, blockOf(e.name), e.physical, e.pinned});
    return list;
}

QString VssWriter::displayName(const NameBlock &block) const
{
    QByteArray name;
    if (block.namesOffset != 0 &&
        m_names.lookup(block.namesOffset, block.project ? SN::KindProject : SN::KindLong, name)
            .isEmpty() &&
        !name.isEmpty())
        return m_codePage->decode(name);
    return m_codePage->decode(block.shortName);
}

int VssWriter::findEntry(const Listing &list, const QString &name, bool liveOnly) const
{
    int found = -1;
    for (size_t i = 0; i < list.entries.size(); ++i) {
        const ProjectEntry &e = list.entries[i];
        const bool deleted = (e.flags & JP::FlagDeleted) != 0;
        if (displayName(e.name).compare(name, Qt::CaseInsensitive) != 0 || (liveOnly && deleted))
            continue;
        if (!deleted || found < 0)
            found = int(i);
    }
    return found;
}

VssWriter::Located VssWriter::resolve(const QString &spec) const
{
    const QString error = m_names.load(m_data + QStringLiteral("/names.dat"));
    if (!error.isEmpty())
        throw VssGenError(error);
    if (!spec.startsWith(QLatin1Char('$')))
        throw VssGenError(QStringLiteral("\"%1\" is not a SourceSafe path").arg(spec));
    Located at;
    at.spec = QStringLiteral("$/");
    at.project = true;
    at.physical = RootPhysical;
    for (const QString &part : spec.mid(1).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (!at.project)
            throw VssGenError(QStringLiteral("%1 is a file, not a project").arg(at.spec));
        const Listing list = listing(at.physical);
        const int index = findEntry(list, part);
        if (index < 0)
            throw VssGenError(QStringLiteral("%1 does not exist").arg(joinSpec(at.spec, part)));
        const ProjectEntry &e = list.entries[size_t(index)];
        at.parentSpec = at.spec;
        at.parentPhysical = at.physical;
        at.name = displayName(e.name);
        at.spec = joinSpec(at.spec, at.name);
        at.project = e.project;
        at.physical = e.physical.toUpper();
    }
    return at;
}

VssWriter::Located VssWriter::resolveParent(const QString &spec, QString &name) const
{
    const QString trimmed = spec.endsWith(QLatin1Char('/')) ? spec.chopped(1) : spec;
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    name = slash < 0 ? QString() : trimmed.mid(slash + 1);
    if (name.isEmpty() || !trimmed.startsWith(QLatin1String("$/")))
        throw VssGenError(QStringLiteral("\"%1\" names no item below $/").arg(spec));
    const Located parent = resolve(trimmed.left(slash + 1));
    if (!parent.project)
        throw VssGenError(QStringLiteral("%1 is a file, not a project").arg(parent.spec));
    return parent;
}

QByteArray VssWriter::canonicalUser(const QString &user) const
{
    QList<VssUser> users;
    const QString error =
        VssUsers::parse(VssBytes(VssGenFiles::read(m_data + QStringLiteral("/um.dat"))), users);
    if (!error.isEmpty())
        throw VssGenError(error);
    for (const VssUser &u : users)
        if (m_codePage->decode(u.name).compare(user.trimmed(), Qt::CaseInsensitive) == 0)
            return u.name;
    throw VssGenError(QStringLiteral("\"%1\" is not a user of this database").arg(user));
}

QByteArray VssWriter::allocatePhysical()
{
    const QString counter = m_data + QStringLiteral("/aaaaaaaa.cnt");
    const QByteArray last = VssGenFiles::read(counter).trimmed();
    const QByteArray next = physicalName(physicalNumber(last) + 1);
    VssGenFiles::write(counter, next);
    return next;
}

NameBlock VssWriter::makeName(const QString &name, bool project)
{
    const QByteArray bytes = encode(name);
    if (bytes.isEmpty() || bytes.contains('/') || bytes.contains('\0'))
        throw VssGenError(QStringLiteral("invalid name \"%1\"").arg(name));
    const VssGenNames::Plan plan = VssGenNames::plan(bytes, project);
    NameBlock block{project, plan.shortName, 0};
    if (plan.names.isEmpty())
        return block;
    // Append the name record, then move the header's end past it.
    const QString path = m_data + QStringLiteral("/names.dat");
    const QByteArray file = VssGenFiles::read(path);
    block.namesOffset = qint32(file.size());
    const QByteArray record = nameRecord(plan.names);
    VssGenFiles::writeAt(path, file.size(), record);
    VssGenFiles::writeAt(path, 0, namesHeader(qint32(file.size() + record.size())));
    return block;
}

void VssWriter::applyChange(const Item &item, const Change &change)
{
    if (!change.appended.isEmpty())
        VssGenFiles::writeAt(item.path, change.at, change.appended);
    VssGenFiles::writeAt(item.path, DH::FileOffset, VssGenItems::dhRecord(change.dhPayload));
}

void VssWriter::commitListing(Listing &list, std::vector<ProjectEntry> entries, HistoryEntry entry)
{
    VssGenItems::sortEntries(entries);
    Change change = VssGenItems::appendHistory(list.item.state.headerPayload, entry);
    const char old = VssGenItems::extensionOf(change.dhPayload);
    const char next = VssGenItems::otherExtension(old);
    VssGenItems::setExtension(change.dhPayload, next);
    VssGenItems::setEntryCounts(change.dhPayload, entries);
    // The new list first, then the header that names it, then the old list goes.
    VssGenFiles::write(dataFilePath(list.item.physical, next), VssGenItems::projectData(entries));
    applyChange(list.item, change);
    VssGenFiles::remove(dataFilePath(list.item.physical, old));
}

void VssWriter::addProject(const QString &spec, const Stamp &stamp)
{
    addItem(spec, stamp, true, {}, false);
}

void VssWriter::addFile(const QString &spec, const Stamp &stamp, const QByteArray &content,
                        bool binary)
{
    addItem(spec, stamp, false, content, binary);
}

void VssWriter::addItem(const QString &spec, const Stamp &stamp, bool project,
                        const QByteArray &content, bool binary)
{
    QString name;
    const Located parent = resolveParent(spec, name);
    Listing list = listing(parent.physical);
    if (findEntry(list, name) >= 0)
        throw VssGenError(QStringLiteral("%1 already exists").arg(joinSpec(parent.spec, name)));
    VssGenItems::NewItem item;
    item.user = canonicalUser(stamp.user);
    item.time = storedTime(stamp.when);
    item.comment = encode(stamp.comment);
    item.physical = allocatePhysical();
    item.parentPhysical = parent.physical;
    item.parentSpec = encode(parent.spec);
    item.name = makeName(name, project);
    item.binary = binary;
    item.contentCrc = VssRecord::crc32(content);
    if (project) {
        VssGenFiles::write(itemPath(item.physical), VssGenItems::newProject(item));
    } else {
        VssGenFiles::write(dataFilePath(item.physical, 'A'), content);
        VssGenFiles::write(itemPath(item.physical), VssGenItems::newFile(item));
    }
    std::vector<ProjectEntry> entries = list.entries;
    entries.push_back(
        ProjectEntry{project, quint16(binary ? DH::FlagBinary : 0), item.name, item.physical});
    HistoryEntry entry;
    entry.action = project ? Act::AddProject : Act::AddFile;
    entry.time = item.time;
    entry.user = item.user;
    entry.specific = itemSpecific(item.name, item.physical);
    commitListing(list, std::move(entries), entry);
}

void VssWriter::checkout(const QString &spec, const Stamp &stamp, bool exclusive,
                         const QString &workFolder, const QString &machine)
{
    const Located file = resolve(spec);
    if (file.project)
        throw VssGenError(QStringLiteral("%1 is a project").arg(file.spec));
    const Item item = load(file.physical);
    Checkout co;
    co.user = canonicalUser(stamp.user);
    for (const Held &h : held(item))
        if (!m_multipleCheckouts || h.user.toLower() == co.user.toLower())
            throw VssGenError(QStringLiteral("%1 is already checked out by %2")
                                  .arg(file.spec, m_codePage->decode(h.user)));
    const VssBytes dh(item.state.headerPayload);
    const qint32 head = dh.i32(DH::LiveCheckout);
    // The first holder reuses the file's spare record; another one is
    // appended and chained to the one before.
    const qint32 at = head != 0 ? dh.i32(DH::EndOffset) : dh.i32(DH::SpareCheckout);
    if (at < DH::PrefixSize)
        throw VssGenError(QStringLiteral("%1 has no check-out record").arg(file.spec));
    co.time = storedTime(stamp.when);
    co.folder = encode(workFolder);
    co.machine = encode(machine);
    co.project = encode(file.parentSpec);
    co.comment = encode(stamp.comment);
    co.version = item.state.newest.version;
    co.exclusive = exclusive;
    co.selfOffset = at;
    co.previous = head;
    const QByteArray record = liveCheckout(co);
    // The record first: until the header points at it, the file reads as
    // not checked out (or as held by the others only).
    VssGenFiles::writeAt(item.path, at, record);
    QByteArray header = item.state.headerPayload;
    VssGenItems::markCheckedOut(header, at, exclusive);
    if (head != 0)
        VssPut::u32(header, DH::EndOffset, quint32(at + record.size()));
    VssGenFiles::writeAt(item.path, DH::FileOffset, VssGenItems::dhRecord(header));
    noteStatus(file.physical, 0);
}

void VssWriter::noteStatus(const QByteArray &physical, quint32 value) const
{
    // An HS record, then one entry per physical number (first letter least
    // significant).
    const QString path = m_data + QStringLiteral("/status.dat");
    QByteArray cache(Extra::HsPayloadSize, '\0');
    cache.replace(0, 15, "SourceSafe DB06");
    cache = VssRecord::encode("HS", cache);
    if (!QFileInfo::exists(path))
        VssGenFiles::write(path, cache);
    qint64 number = 0;
    for (qsizetype i = physical.size() - 1; i >= 0; --i)
        number = number * 26 + (QChar::toUpper(char16_t(physical[i])) - u'A');
    QByteArray entry(4, '\0');
    VssPut::u32(entry, 0, value);
    VssGenFiles::writeAt(path, cache.size() + 4 * number, entry);
}

std::vector<VssWriter::Held> VssWriter::held(const Item &item) const
{
    std::vector<Held> out;
    const VssBytes bytes(item.bytes);
    QSet<qint32> seen;
    for (qint32 at = item.state.header.liveCheckout; at != 0 && !seen.contains(at);) {
        seen.insert(at);
        VssRecord::View cf;
        const QString error = VssRecord::read(bytes, at, "CF", cf);
        if (!error.isEmpty())
            throw VssGenError(QStringLiteral("%1: %2").arg(item.path, error));
        const VssBytes &p = cf.payload;
        const QByteArray user = p.text(CF::User, CF::UserWidth);
        if (!user.isEmpty() && p.u16(CF::Version) != 0 &&
            (quint8(p.view()[CF::State]) & CF::StateReleased) == 0)
            out.push_back(Held{at, p.view().toByteArray(), user});
        at = p.i32(CF::Previous);
    }
    return out;
}

void VssWriter::release(const Located &file, const Stamp &stamp, const QByteArray *content,
                        bool newVersion)
{
    if (file.project)
        throw VssGenError(QStringLiteral("%1 is a project").arg(file.spec));
    const Item item = load(file.physical);
    const QByteArray user = canonicalUser(stamp.user);
    const std::vector<Held> holders = held(item);
    if (holders.empty())
        throw VssGenError(QStringLiteral("%1 is not checked out").arg(file.spec));
    const auto mine = std::find_if(holders.begin(), holders.end(), [&](const Held &h) {
        return h.user.toLower() == user.toLower();
    });
    if (mine == holders.end())
        throw VssGenError(QStringLiteral("%1 is checked out by %2")
                              .arg(file.spec, m_codePage->decode(holders[0].user)));
    QByteArray cf = mine->payload;
    const qint32 cfOffset = mine->offset;
    const QByteArray &dh = item.state.headerPayload;
    // The header stops pointing at the chain only when its last holder leaves.
    const auto keepHeld = [&](QByteArray &header) {
        if (holders.size() < 2)
            return;
        for (const qint64 field : {DH::LiveCheckout, DH::SpareCheckout})
            VssPut::u32(header, field, VssBytes(dh).u32(field));
        VssPut::u16(header, DH::FileFlags, VssBytes(dh).u16(DH::FileFlags));
    };
    if (newVersion) {
        char extension = VssGenItems::extensionOf(dh);
        quint32 crc = VssBytes(dh).u32(DH::ContentCrc);
        if (content) {
            const char old = extension;
            extension = VssGenItems::otherExtension(old);
            crc = VssRecord::crc32(*content);
            VssGenFiles::write(dataFilePath(item.physical, extension), *content);
        }
        Change change = VssGenItems::checkIn(dh, user, storedTime(stamp.when),
                                             VssBytes(cf).text(CF::Project, EL::SpecWidth),
                                             encode(stamp.comment), crc, extension);
        keepHeld(change.dhPayload);
        applyChange(item, change);
        if (holders.size() < 2)
            noteStatus(item.physical, VssBytes(change.dhPayload).u32(Extra::DhContentTime));
        if (content)
            VssGenFiles::remove(dataFilePath(item.physical, VssGenItems::extensionOf(dh)));
    } else if (holders.size() < 2) {
        QByteArray released = dh;
        VssGenItems::markReleased(released, item.state.header.liveCheckout);
        VssGenFiles::writeAt(item.path, DH::FileOffset, VssGenItems::dhRecord(released));
        noteStatus(item.physical, VssBytes(dh).u32(Extra::DhContentTime));
    }
    // Released after the header no longer counts it (or alongside the other
    // holders' records, which stay live).
    VssGenItems::releaseCheckoutPayload(cf);
    VssGenFiles::writeAt(item.path, cfOffset, VssRecord::encode("CF", cf));
}

void VssWriter::checkin(const QString &spec, const Stamp &stamp, const QByteArray *content)
{
    release(resolve(spec), stamp, content, true);
}

void VssWriter::undoCheckout(const QString &spec, const Stamp &stamp)
{
    release(resolve(spec), stamp, nullptr, false);
}

void VssWriter::label(const QString &spec, const QString &text, const Stamp &stamp)
{
    const QByteArray bytes = encode(text);
    if (bytes.isEmpty() || bytes.size() >= EL::LabelWidth)
        throw VssGenError(QStringLiteral("invalid label \"%1\"").arg(text));
    const Item item = load(resolve(spec).physical);
    HistoryEntry entry;
    entry.action = Act::Label;
    entry.time = storedTime(stamp.when);
    entry.user = canonicalUser(stamp.user);
    entry.label = bytes;
    entry.labelComment = true;
    applyChange(item, VssGenItems::appendHistory(item.state.headerPayload, entry, {},
                                                 encode(stamp.comment)));
}

void VssWriter::remove(const QString &spec, const Stamp &stamp)
{
    QString name;
    const Located parent = resolveParent(spec, name);
    Listing list = listing(parent.physical);
    const int index = findEntry(list, name);
    if (index < 0)
        throw VssGenError(QStringLiteral("%1 does not exist").arg(joinSpec(parent.spec, name)));
    std::vector<ProjectEntry> entries = list.entries;
    ProjectEntry &e = entries[size_t(index)];
    e.flags |= JP::FlagDeleted;
    HistoryEntry entry;
    entry.action = e.project ? Act::DeleteProject : Act::DeleteFile;
    entry.time = storedTime(stamp.when);
    entry.user = canonicalUser(stamp.user);
    entry.specific = itemSpecific(e.name, e.physical);
    commitListing(list, std::move(entries), entry);
}

void VssWriter::rename(const QString &spec, const QString &newName, const Stamp &stamp)
{
    QString name;
    const Located parent = resolveParent(spec, name);
    Listing list = listing(parent.physical);
    const int index = findEntry(list, name);
    if (index < 0)
        throw VssGenError(QStringLiteral("%1 does not exist").arg(joinSpec(parent.spec, name)));
    const int clash = findEntry(list, newName);
    if (clash >= 0 && clash != index)
        throw VssGenError(QStringLiteral("%1 already exists").arg(joinSpec(parent.spec, newName)));
    std::vector<ProjectEntry> entries = list.entries;
    ProjectEntry &e = entries[size_t(index)];
    const NameBlock oldName = e.name;
    e.name = makeName(newName, e.project);
    HistoryEntry entry;
    entry.action = e.project ? Act::RenameProject : Act::RenameFile;
    entry.time = storedTime(stamp.when);
    entry.user = canonicalUser(stamp.user);
    entry.specific = renameSpecific(e.name, oldName, e.physical);
    const QByteArray physical = e.physical;
    const NameBlock renamed = e.name;
    commitListing(list, std::move(entries), entry);
    // The item's own header carries its current name too.
    const Item item = load(physical);
    QByteArray dh = item.state.headerPayload;
    putNameBlock(dh, DH::Name, renamed);
    VssGenFiles::writeAt(item.path, DH::FileOffset, VssGenItems::dhRecord(dh));
}

void VssWriter::share(const QString &spec, const QString &intoProject, const Stamp &stamp)
{
    const Located file = resolve(spec);
    const Located target = resolve(intoProject);
    if (file.project || !target.project)
        throw VssGenError(QStringLiteral("only a file can be shared into a project"));
    Listing from = listing(file.parentPhysical);
    const ProjectEntry source = from.entries[size_t(findEntry(from, file.name))];
    Listing list = listing(target.physical);
    if (findEntry(list, file.name) >= 0)
        throw VssGenError(
            QStringLiteral("%1 already exists").arg(joinSpec(target.spec, file.name)));
    std::vector<ProjectEntry> entries = list.entries;
    entries.push_back(ProjectEntry{false, quint16(source.flags | JP::FlagShared), source.name,
                                   source.physical, 0});
    HistoryEntry entry;
    entry.action = Act::Share;
    entry.time = storedTime(stamp.when);
    entry.user = canonicalUser(stamp.user);
    entry.specific = shareSpecific(encode(file.parentSpec), source.name, source.physical, -1, 0);
    commitListing(list, std::move(entries), entry);
}

void VssWriter::pin(const QString &spec, int version, const Stamp &stamp)
{
    const Located file = resolve(spec);
    if (file.project)
        throw VssGenError(QStringLiteral("%1 is a project").arg(file.spec));
    const Item item = load(file.physical);
    if (version < 0 || version > item.state.newest.version)
        throw VssGenError(QStringLiteral("%1 has no version %2").arg(file.spec).arg(version));
    Listing list = listing(file.parentPhysical);
    std::vector<ProjectEntry> entries = list.entries;
    ProjectEntry &e = entries[size_t(findEntry(list, file.name))];
    if (version == e.pinned)
        throw VssGenError(version ? QStringLiteral("%1 is pinned already").arg(file.spec)
                                  : QStringLiteral("%1 is not pinned").arg(file.spec));
    HistoryEntry entry;
    entry.action = Act::Share;
    entry.time = storedTime(stamp.when);
    entry.user = canonicalUser(stamp.user);
    entry.specific =
        shareSpecific(encode(file.parentSpec), e.name, e.physical, version ? 0 : e.pinned, version);
    e.pinned = version;
    commitListing(list, std::move(entries), entry);
}
