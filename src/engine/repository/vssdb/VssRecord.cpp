#include "VssRecord.h"

#include "VssLayout.h"

#include <array>

namespace VssRecord {

namespace {

std::array<quint32, 256> makeTable()
{
    std::array<quint32, 256> table{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        table[i] = c;
    }
    return table;
}

} // namespace

quint32 crc32(QByteArrayView data)
{
    static const std::array<quint32, 256> table = makeTable();
    quint32 crc = 0;
    for (char ch : data)
        crc = (crc >> 8) ^ table[(crc ^ quint8(ch)) & 0xFF];
    return crc;
}

quint16 crc16(QByteArrayView data)
{
    const quint32 crc = crc32(data);
    return quint16((crc ^ (crc >> 16)) & 0xFFFF);
}

QString read(const VssBytes &file, qint64 offset, const char *signature, View &out, CrcRule crc)
{
    using VssLayout::RecordHeaderSize;
    if (!file.has(offset, RecordHeaderSize))
        return QStringLiteral("%1 record at offset %2 lies outside the file (%3 bytes)")
            .arg(QLatin1String(signature))
            .arg(offset)
            .arg(file.size());
    const quint32 length = file.u32(offset);
    const QByteArray found = file.view().sliced(offset + 4, 2).toByteArray();
    if (found != QByteArrayView(signature, 2))
        return QStringLiteral("expected a %1 record at offset %2, found \"%3\"")
            .arg(QLatin1String(signature))
            .arg(offset)
            .arg(QString::fromLatin1(found.toHex()));
    if (!file.has(offset + RecordHeaderSize, length))
        return QStringLiteral("%1 record at offset %2 runs past the end of the file")
            .arg(QLatin1String(signature))
            .arg(offset);
    out.offset = offset;
    out.signature = found;
    out.storedCrc = file.u16(offset + 6);
    out.payload = file.slice(offset + RecordHeaderSize, length);
    if (crc == CrcRule::Check && crc16(out.payload.view()) != out.storedCrc)
        return QStringLiteral("%1 record at offset %2 fails its checksum")
            .arg(QLatin1String(signature))
            .arg(offset);
    return {};
}

QByteArray encode(const char *signature, QByteArrayView payload)
{
    QByteArray out(VssLayout::RecordHeaderSize, '\0');
    VssPut::u32(out, 0, quint32(payload.size()));
    out[4] = signature[0];
    out[5] = signature[1];
    VssPut::u16(out, 6, crc16(payload));
    out.append(payload.data(), payload.size());
    return out;
}

} // namespace VssRecord
