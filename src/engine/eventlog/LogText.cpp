#include "LogText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace LogText {

bool hasUtf16Bom(QByteArrayView bytes)
{
    return bytes.size() >= 2 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xFE;
}

QString decode(QByteArrayView bytes)
{
    if (hasUtf16Bom(bytes)) {
        QStringDecoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless);
        return utf16.decode(bytes.sliced(2));
    }
    QStringDecoder eightBit(QStringConverter::System, QStringConverter::Flag::Stateless);
    return eightBit.decode(bytes);
}

QByteArray encode(QStringView text)
{
    QStringEncoder eightBit(QStringConverter::System, QStringConverter::Flag::Stateless);
    return eightBit.encode(text);
}

QByteArray toEightBit(const QByteArray &fileBytes)
{
    return hasUtf16Bom(fileBytes) ? encode(decode(fileBytes)) : fileBytes;
}

} // namespace LogText
