#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

// Bounds-checked little-endian access to bytes read from a database file.
// Every accessor returns false (or an empty value) instead of reading past
// the end, so a damaged length or offset can never reach outside the data.
class VssBytes
{
public:
    VssBytes() = default;
    explicit VssBytes(QByteArrayView data) : m_data(data) {}

    qsizetype size() const { return m_data.size(); }
    QByteArrayView view() const { return m_data; }

    bool has(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset <= m_data.size() &&
               length <= m_data.size() - offset;
    }
    VssBytes slice(qint64 offset, qint64 length) const
    {
        return has(offset, length) ? VssBytes(m_data.sliced(offset, length)) : VssBytes();
    }

    // Unchecked readers: callers first establish has(offset, width).
    quint16 u16(qint64 offset) const { return quint16(byte(offset) | (byte(offset + 1) << 8)); }
    qint16 i16(qint64 offset) const { return qint16(u16(offset)); }
    quint32 u32(qint64 offset) const
    {
        return quint32(byte(offset)) | (quint32(byte(offset + 1)) << 8) |
               (quint32(byte(offset + 2)) << 16) | (quint32(byte(offset + 3)) << 24);
    }
    qint32 i32(qint64 offset) const { return qint32(u32(offset)); }

    // A char[n] field: the text ends at the first NUL; later bytes are noise.
    QByteArray text(qint64 offset, qint64 width) const
    {
        if (!has(offset, width))
            return {};
        const QByteArrayView field = m_data.sliced(offset, width);
        return field.first(qsizetype(qstrnlen(field.data(), size_t(field.size())))).toByteArray();
    }

private:
    quint32 byte(qint64 offset) const { return quint8(m_data[offset]); }

    QByteArrayView m_data;
};

// Little-endian writers for the database writer and for tests.
namespace VssPut {
inline void u16(QByteArray &out, qint64 offset, quint16 value)
{
    out[offset] = char(value & 0xFF);
    out[offset + 1] = char(value >> 8);
}
inline void u32(QByteArray &out, qint64 offset, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        out[offset + i] = char((value >> (8 * i)) & 0xFF);
}
} // namespace VssPut
