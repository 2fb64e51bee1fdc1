#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The text encodings of the log files. Files are written in the program's
// 8-bit encoding (the ANSI code page on Windows, the locale's encoding,
// normally UTF-8, elsewhere); a file that starts with the UTF-16LE byte order
// mark FF FE is read as UTF-16. TAB, CR and LF are single bytes in every
// 8-bit encoding, so line and field work can stay on bytes.
namespace LogText {

bool hasUtf16Bom(QByteArrayView bytes);
// File bytes as text: UTF-16LE without its mark, else the 8-bit encoding.
QString decode(QByteArrayView bytes);
// Text in the 8-bit encoding.
QByteArray encode(QStringView text);
// File bytes in the 8-bit encoding: a UTF-16 file is converted, any other
// file is returned unchanged (bytes that do not decode are kept as they are).
QByteArray toEightBit(const QByteArray &fileBytes);

} // namespace LogText
