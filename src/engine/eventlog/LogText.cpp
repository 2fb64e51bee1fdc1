#include "LogText.h"

#include "engine/program/RegularFile.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace LogText {

bool hasUtf16Bom(QByteArrayView bytes)
{
    return bytes.size() >= 2 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xFE;
}

bool isUtf16File(const QString &path)
{
    QFile file(path);
    return RegularFile::open(file, QIODevice::ReadOnly).isEmpty() && hasUtf16Bom(file.read(2));
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

QByteArray encode(QStringView text, bool utf16)
{
    if (utf16) {
        QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless);
        return encoder.encode(text);
    }
    QStringEncoder eightBit(QStringConverter::System, QStringConverter::Flag::Stateless);
    return eightBit.encode(text);
}

QString printable(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        const char16_t u = c.unicode();
        if (u < 0x20)
            c = QChar(char16_t(0x2400 + u));
        else if (u == 0x7F)
            c = QChar(char16_t(0x2421));
        else if (u >= 0x80 && u < 0xA0)
            c = QChar(char16_t(0xFFFD));
    }
    return result;
}

QByteArray toLineBytes(const QByteArray &fileBytes)
{
    return hasUtf16Bom(fileBytes) ? decode(fileBytes).toUtf8() : fileBytes;
}

QByteArray fromLineBytes(const QByteArray &lineBytes, bool utf16)
{
    if (!utf16)
        return lineBytes;
    return QByteArrayLiteral("\xFF\xFE") + encode(QString::fromUtf8(lineBytes), true);
}

} // namespace LogText
