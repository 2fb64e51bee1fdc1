#include "VssUsers.h"

#include "VssLayout.h"
#include "VssRecord.h"

namespace VssUsers {

QString parse(const VssBytes &file, QList<VssUser> &users)
{
    using namespace VssLayout;
    if (file.text(0, SignatureWidth) != UserFileSignature)
        return QStringLiteral("not a user file (signature missing)");
    VssRecord::View header;
    QString error = VssRecord::read(file, FileHeaderSize, "HU", header);
    if (!error.isEmpty())
        return error;
    if (!header.payload.has(HU::UserCount, 2))
        return QStringLiteral("user file header too short");
    const int count = header.payload.u16(HU::UserCount);
    qint64 offset = header.end();
    users.clear();
    for (int i = 0; i < count; ++i) {
        VssRecord::View record;
        error = VssRecord::read(file, offset, "UU", record);
        if (!error.isEmpty())
            return error;
        if (!record.payload.has(0, UU::PasswordHash + 2))
            return QStringLiteral("user record at offset %1 too short").arg(offset);
        users.append(
            {record.payload.text(UU::Name, UU::NameWidth), record.payload.u16(UU::PasswordHash)});
        offset = record.end();
    }
    return {};
}

quint16 passwordHash(const QByteArray &upperCaseAnsi)
{
    static const char filler[] = "BrianDavidHarry";
    constexpr int width = 15;
    QByteArray p = upperCaseAnsi.left(width);
    p.append(filler, width - p.size());
    qint32 sum = 0;
    for (int i = 0; i < width; ++i) {
        const qint32 c = qint8(p[i]); // bytes >= 0x80 count as negative
        sum += (i + 1) * (c ^ 0x96);
    }
    return quint16(sum & 0xFFFF);
}

} // namespace VssUsers
