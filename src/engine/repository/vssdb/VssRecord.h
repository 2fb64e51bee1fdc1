#pragma once

#include "VssBytes.h"

#include <QString>

// Record framing shared by every VSS data file: a u32 payload length, a
// two-letter signature and a 16-bit folded CRC of the payload.
namespace VssRecord {

// CRC-32 (reflected polynomial 0xEDB88320) started at 0 with no final XOR,
// as stored for content files.
quint32 crc32(QByteArrayView data);
// The record checksum: the CRC-32 above folded to 16 bits.
quint16 crc16(QByteArrayView data);

struct View
{
    qint64 offset = 0; // of the record header in the file
    QByteArray signature;
    quint16 storedCrc = 0;
    VssBytes payload;
    qint64 end() const { return offset + 8 + payload.size(); }
};

enum class CrcRule
{
    Check,
    Skip
};

// Reads the record at `offset` and checks its signature, that it lies inside
// the data and that its CRC verifies. Returns an empty description on
// success, otherwise why the record is unusable.
QString read(const VssBytes &file, qint64 offset, const char *signature, View &out,
             CrcRule crc = CrcRule::Check);

// Encodes a record (header and payload) with its CRC computed.
QByteArray encode(const char *signature, QByteArrayView payload);

} // namespace VssRecord
