#include "VssNames.h"

#include "VssLayout.h"
#include "VssRecord.h"
#include "engine/repository/fileaccess/FileAccess.h"

QString VssNames::load(const QString &path, FileAccess *files)
{
    const std::shared_ptr<FileAccess> local = files ? nullptr : FileAccess::local();
    FileAccess &access = files ? *files : *local;
    // Read where it is; whether it is there at all is asked only when it
    // does not open.
    const QString error = access.readFile(path, m_data);
    m_present = error.isEmpty() || access.stat(path) != FileKind::Missing;
    if (!m_present)
        m_data.clear();
    return m_present ? error : QString();
}

QString VssNames::readNames(qint64 offset, QList<QPair<quint16, QByteArray>> &names,
                            qint64 *end) const
{
    using namespace VssLayout;
    const VssBytes file(m_data);
    VssRecord::View record;
    const QString error = VssRecord::read(file, offset, "SN", record);
    if (!error.isEmpty())
        return error;
    if (end)
        *end = record.end();
    const VssBytes &p = record.payload;
    if (!p.has(SN::Count, 2))
        return QStringLiteral("name record at offset %1 too short").arg(offset);
    const int count = p.u16(SN::Count);
    const qint64 strings = SN::Table + 4 * qint64(count);
    if (!p.has(0, strings))
        return QStringLiteral("name record at offset %1 too short").arg(offset);
    for (int i = 0; i < count; ++i) {
        const quint16 kind = p.u16(SN::Table + 4 * i);
        const qint64 at = strings + p.u16(SN::Table + 4 * i + 2);
        if (!p.has(at, 1))
            return QStringLiteral("name %1 of the record at offset %2 lies outside it")
                .arg(i)
                .arg(offset);
        names.append({kind, p.text(at, p.size() - at)});
    }
    return {};
}

QString VssNames::lookup(qint32 offset, quint16 kind, QByteArray &name) const
{
    QList<QPair<quint16, QByteArray>> names;
    const QString error = readNames(offset, names);
    if (!error.isEmpty())
        return error;
    name.clear();
    for (const auto &entry : names)
        if (entry.first == kind)
            name = entry.second;
    return {};
}

QList<QByteArray> VssNames::allNames() const
{
    QList<QByteArray> result;
    const VssBytes file(m_data);
    VssRecord::View header;
    if (!VssRecord::read(file, 0, "HN", header).isEmpty())
        return result;
    qint64 offset = header.end();
    while (offset < file.size()) {
        QList<QPair<quint16, QByteArray>> names;
        qint64 end = 0;
        if (!readNames(offset, names, &end).isEmpty())
            break;
        for (const auto &entry : names)
            result.append(entry.second);
        offset = end;
    }
    return result;
}
