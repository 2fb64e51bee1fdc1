#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The text encodings of the log files. Files are written in the program's
// 8-bit encoding (the ANSI code page on Windows, the locale's encoding,
// normally UTF-8, elsewhere); a file that starts with the UTF-16LE byte order
// mark FF FE is read as UTF-16 and keeps that encoding when records are
// added or rewritten. TAB, CR and LF are single bytes in every 8-bit
// encoding, so line and field work can stay on bytes.
namespace LogText {

bool hasUtf16Bom(QByteArrayView bytes);
// Whether the file at `path` starts with FF FE (a missing file does not).
bool isUtf16File(const QString &path);
// File bytes as text: UTF-16LE without its mark, else the 8-bit encoding.
QString decode(QByteArrayView bytes);
// Text in the 8-bit encoding, or in UTF-16LE without a mark.
QByteArray encode(QStringView text, bool utf16 = false);
// An item name made safe for a record: control characters (CR, LF, TAB and
// the rest of C0, DEL, C1) would split or forge records, so C0 characters
// become their Unicode control pictures (U+2400 + code: TAB is U+2409, LF
// U+240A, CR U+240D), DEL becomes U+2421 and C1 characters U+FFFD.
QString printable(const QString &text);
// File bytes as bytes that line and field work can use: a UTF-16 file
// becomes UTF-8 without its mark, any other file is returned unchanged (bytes
// that do not decode are kept as they are).
QByteArray toLineBytes(const QByteArray &fileBytes);
// The reverse of toLineBytes() for a file that was (utf16) or was not UTF-16.
QByteArray fromLineBytes(const QByteArray &lineBytes, bool utf16);

} // namespace LogText
