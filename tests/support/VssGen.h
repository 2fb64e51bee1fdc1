#pragma once

#include "VssWriter.h"

#include "engine/WallClock.h"
#include "engine/repository/vssdb/VssBytes.h"
#include "engine/repository/vssdb/VssLayout.h"
#include "engine/repository/vssdb/VssRecord.h"

#include <QDateTime>

// Time stamps and databases for tests over databases the writer builds.
namespace VssGen {

// `minutes` after 2024-05-06 09:00, a wall-clock time as the reader gives it.
inline QDateTime at(int minutes)
{
    return WallClockTime(QDate(2024, 5, 6), QTime(9, 0)).addSecs(60 * qint64(minutes));
}

inline VssWriter::Stamp by(const QString &user, int minutes, const QString &comment = {})
{
    return VssWriter::Stamp{user, at(minutes), comment};
}

inline VssWriter::Stamp by(const QString &user, const QDateTime &when)
{
    return VssWriter::Stamp{user, when, {}};
}

// A new database in `dir`: Raul (password "secret"), Guest and Admin.
inline QString create(const QString &dir, bool multipleCheckouts = false)
{
    VssWriter::create(
        dir,
        {{QStringLiteral("Raul"), QStringLiteral("secret")}, {QStringLiteral("Guest"), QString()}},
        at(0), multipleCheckouts);
    return dir;
}

// Rewrites the CRC of the record at `offset` of an item file, as a writer would.
inline void reseal(QByteArray &file, qint64 offset)
{
    const quint32 length = VssBytes(file).u32(offset);
    VssPut::u16(file, offset + 6,
                VssRecord::crc16(QByteArrayView(file).sliced(offset + 8, length)));
}

// A field of an item file's header (DH) record.
inline qint32 headerField(const QByteArray &file, qint64 field)
{
    return VssBytes(file).i32(VssLayout::DH::FileOffset + VssLayout::RecordHeaderSize + field);
}

// Makes every record from the header on run to the end of the file, each
// sealed again (last to first): chains laid over each other.
inline void overlapRecords(QByteArray &file)
{
    std::vector<qint64> records;
    for (qint64 at = VssLayout::DH::FileOffset; at + 8 <= file.size();
         at += 8 + VssBytes(file).u32(at))
        records.push_back(at);
    for (auto at = records.rbegin(); at != records.rend(); ++at) {
        VssPut::u32(file, *at, quint32(file.size() - *at - 8));
        reseal(file, *at);
    }
}

} // namespace VssGen
