#pragma once

#include "VssWriter.h"

#include "engine/WallClock.h"
#include "engine/repository/vssdb/VssBytes.h"
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

} // namespace VssGen
