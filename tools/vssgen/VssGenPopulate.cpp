#include "VssGenPopulate.h"

#include "VssGenFiles.h"
#include "VssGenItems.h"
#include "VssWriter.h"

#include "engine/repository/vssdb/VssBytes.h"
#include "engine/repository/vssdb/VssRecord.h"

using namespace VssLayout;
using namespace VssGenRecords;

namespace VssGenPopulate {

namespace {

// A project being built: its item file image, header and entries.
struct Project
{
    QByteArray physical;
    QString spec;
    QByteArray file;
    QByteArray dh;
    std::vector<ProjectEntry> entries;
};

Project startProject(const QByteArray &physical, const QString &spec, QByteArray file)
{
    Project p{physical, spec, std::move(file), {}, {}};
    VssRecord::View dh;
    VssRecord::read(VssBytes(p.file), DH::FileOffset, "DH", dh);
    p.dh = dh.payload.view().toByteArray();
    return p;
}

void addEntry(Project &parent, const ProjectEntry &entry, const QByteArray &user, quint32 time)
{
    HistoryEntry e;
    e.action = entry.project ? Act::AddProject : Act::AddFile;
    e.time = time;
    e.user = user;
    e.specific = itemSpecific(entry.name, entry.physical);
    const VssGenItems::Change change = VssGenItems::appendHistory(parent.dh, e);
    parent.file += change.appended;
    parent.dh = change.dhPayload;
    parent.entries.push_back(entry);
}

QByteArray buildFile(const VssGenItems::NewItem &item, const QByteArray &projectSpec, int history)
{
    QByteArray file = VssGenItems::newFile(item);
    VssRecord::View dhRecord;
    VssRecord::read(VssBytes(file), DH::FileOffset, "DH", dhRecord);
    QByteArray dh = dhRecord.payload.view().toByteArray();
    quint32 time = item.time;
    for (int k = 1; k < history; ++k) {
        time += 60;
        const VssGenItems::Change change =
            VssGenItems::checkIn(dh, item.user, time, projectSpec, {}, item.contentCrc, 'A');
        file += change.appended;
        dh = change.dhPayload;
    }
    if (history > 1) {
        // The check-out that led to the last version stays as a released record.
        Checkout co;
        co.user = item.user;
        co.time = time - 30;
        co.folder = "C:\\work";
        co.machine = "VSSGEN";
        co.project = projectSpec;
        co.version = history - 1;
        co.selfOffset = qint32(Extra::FirstFileRecord);
        VssGenItems::place(file, Extra::FirstFileRecord, releasedCheckout(co));
    }
    VssGenItems::place(file, DH::FileOffset, VssGenItems::dhRecord(dh));
    return file;
}

} // namespace

QStringList populate(const QString &folder, const Options &o)
{
    if (o.projects < 1 || o.depth < 1 || o.files < 0 || o.history < 1)
        throw VssGenError(QStringLiteral("populate needs projects >= 1, depth >= 1, history >= 1"));
    VssWriter::create(folder, {{o.user, o.password}}, o.start);
    VssWriter writer(folder);
    const QByteArray user = o.user.toLatin1();
    const quint32 start = storedTime(o.start);
    const QByteArray root = "AAAAAAAA";
    std::vector<Project> projects;
    projects.push_back(
        startProject(root, QStringLiteral("$/"), VssGenFiles::read(writer.itemPath(root))));
    quint32 number = 0;
    for (int i = 0; i < o.projects; ++i) {
        const int level = i % o.depth;
        const size_t parentIndex = level == 0 ? 0 : projects.size() - 1;
        const QString parentSpec = projects[parentIndex].spec;
        const QString name = QStringLiteral("P%1_%2").arg(i / o.depth).arg(level + 1);
        VssGenItems::NewItem item;
        item.name = NameBlock{true, name.toLatin1(), 0};
        item.physical = physicalName(++number);
        item.parentPhysical = projects[parentIndex].physical;
        item.parentSpec = parentSpec.toLatin1();
        item.user = user;
        item.time = start;
        addEntry(projects[parentIndex], {true, 0, item.name, item.physical}, user, start);
        const QString spec = parentSpec + (parentSpec.endsWith('/') ? "" : "/") + name;
        projects.push_back(startProject(item.physical, spec, VssGenItems::newProject(item)));
    }

    QStringList specs;
    for (int i = 0; i < o.files; ++i) {
        Project &parent = projects[1 + size_t(i % o.projects)];
        const QString name = QStringLiteral("File%1.txt").arg(i, 5, 10, QLatin1Char('0'));
        const QByteArray content = "version text of " + name.toLatin1() + "\r\n";
        VssGenItems::NewItem item;
        item.name = NameBlock{false, name.toLatin1(), 0};
        item.physical = physicalName(++number);
        item.parentPhysical = parent.physical;
        item.user = user;
        item.time = start + 60 + quint32(i % 1000);
        item.contentCrc = VssRecord::crc32(content);
        VssGenFiles::write(writer.dataFilePath(item.physical, 'A'), content);
        VssGenFiles::write(writer.itemPath(item.physical),
                           buildFile(item, parent.spec.toLatin1(), o.history));
        addEntry(parent, {false, 0, item.name, item.physical}, user, item.time);
        specs << parent.spec + QLatin1Char('/') + name;
    }

    for (Project &p : projects) {
        VssGenItems::sortEntries(p.entries);
        VssGenItems::setEntryCounts(p.dh, p.entries);
        VssGenItems::place(p.file, DH::FileOffset, VssGenItems::dhRecord(p.dh));
        if (!p.entries.empty())
            VssGenFiles::write(writer.dataFilePath(p.physical, 'A'),
                               VssGenItems::projectData(p.entries));
        VssGenFiles::write(writer.itemPath(p.physical), p.file);
    }
    VssGenFiles::write(writer.dataPath() + QStringLiteral("/aaaaaaaa.cnt"), physicalName(number));
    return specs;
}

} // namespace VssGenPopulate
