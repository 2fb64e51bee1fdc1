#include "VssItemRead.h"

#include "VssLayout.h"

#include <QSet>

#include <algorithm>
#include <utility>
#include <vector>

using namespace VssLayout;

namespace {

// The header, the DH record and the CF record every file item gets right
// after it.
constexpr qint64 HeadRead = DH::PrefixSize + RecordHeaderSize + CF::PayloadSize;
// Files up to this size are read whole: a second read would save less
// than its round trip costs (on a share: create, read, close, where the
// parts take two reads).
constexpr qint64 WholeReadUpTo = 3072;
// A part this close to the end is read through to the end in one go.
constexpr qint64 TailRead = 2048;
// More reads than this (a long chain of check-outs): the whole file.
constexpr int MaxPartReads = 16;
// Where no stamp tells the file's size: the largest used part read in parts.
constexpr qint64 UnhintedEnd = 1024 * 1024;

using Range = std::pair<qint64, qint64>; // [first, second)

// The used part of an item file, with the ranges of it read so far.
class Parts
{
public:
    Parts(QByteArray &image, qint64 end) : m_image(image), m_end(end)
    {
        m_read.push_back({0, qint64(image.size())});
        image.append(QByteArray(end - image.size(), '\0'));
    }

    // The earliest range not read yet of those the state's parse reads (as
    // far as what was read tells): the last byte of the used part, the
    // newest EL record, the live CF chain. Empty when all are read, or when
    // the next one cannot be told (the parse then reports why).
    Range missing(const VssHeader &header) const
    {
        Range first{m_end - 1, m_end};
        if (covered(first))
            first = {};
        const auto earliest = [&first](const Range &r) {
            if (r.first != r.second && (first.first == first.second || r.first < first.first))
                first = r;
        };
        qint64 length = 0;
        earliest(record(header.lastEl, EL::PayloadSize, length));
        if (header.type != DiskFile)
            return first;
        QSet<qint32> seen;
        for (qint32 offset = header.liveCheckout; offset != 0 && !seen.contains(offset);) {
            seen.insert(offset);
            const Range part = record(offset, CF::PayloadSize, length);
            earliest(part);
            if (part.first != part.second || length < CF::PayloadSize ||
                offset + RecordHeaderSize + length > m_end)
                break;
            offset = VssBytes(m_image).i32(offset + RecordHeaderSize + CF::Previous);
        }
        return first;
    }

    // Reads `part`, or from its start through to the end of the used part
    // when that is near. False when the file ends before.
    bool read(FileAccess::Reader &file, const Range &part, QString &error)
    {
        const Range range{part.first, m_end - part.first <= TailRead ? m_end : part.second};
        QByteArray bytes;
        error = file.readAt(range.first, range.second - range.first, bytes);
        if (!error.isEmpty() || bytes.size() != range.second - range.first)
            return false;
        std::copy(bytes.cbegin(), bytes.cend(), m_image.begin() + range.first);
        m_read.push_back(range);
        return true;
    }

private:
    bool covered(const Range &r) const
    {
        return std::any_of(m_read.cbegin(), m_read.cend(), [&r](const Range &read) {
            return read.first <= r.first && r.second <= read.second;
        });
    }
    // What is not read yet of the record at `offset` (whose payload usually
    // has `usual` bytes); empty when it is read whole or lies outside the
    // used part. `length` receives its payload's length once known.
    Range record(qint64 offset, qint64 usual, qint64 &length) const
    {
        length = 0;
        const Range head{offset, offset + RecordHeaderSize};
        if (offset < 0 || head.second > m_end)
            return {};
        if (!covered(head))
            return {offset, std::min(m_end, head.second + usual)};
        length = VssBytes(m_image).u32(offset);
        const Range whole{offset, head.second + length};
        return whole.second > m_end || covered(whole) ? Range{} : whole;
    }

    QByteArray &m_image;
    qint64 m_end;
    std::vector<Range> m_read;
};

// Fills in what the state's parse reads beyond the first read; false where
// that cannot be done (the whole file is read then). `sizeHint` bounds the
// used part a header may claim before anything of it is read.
bool readParts(FileAccess::Reader &file, QByteArray &bytes, qint64 sizeHint, QString &error)
{
    VssItemState head;
    if (!VssItemFile::parseHeader(VssBytes(bytes), head).isEmpty())
        return false;
    const qint64 end = head.header.endOffset;
    if (end <= bytes.size())
        return true; // the first read holds the whole used part
    if (end > (sizeHint >= 0 ? sizeHint : UnhintedEnd))
        return false;
    Parts parts(bytes, end);
    for (int reads = 0; reads < MaxPartReads; ++reads) {
        const Range part = parts.missing(head.header);
        if (part.first == part.second)
            return true;
        if (!parts.read(file, part, error))
            return false;
    }
    return false;
}

} // namespace

namespace VssItemRead {

qint64 headSize(qint64 sizeHint)
{
    return sizeHint >= 0 && sizeHint <= WholeReadUpTo ? std::max(HeadRead, sizeHint + 1) : HeadRead;
}

QString readState(FileAccess::Reader &file, QByteArray &bytes, qint64 asked, qint64 sizeHint,
                  VssItemState &state)
{
    if (bytes.size() == asked) {
        QString error;
        if (readParts(file, bytes, sizeHint, error) &&
            VssItemFile::parseState(VssBytes(bytes), state).isEmpty())
            return {};
        if (!error.isEmpty())
            return error;
        error = file.read(bytes);
        if (!error.isEmpty())
            return error;
    }
    return VssItemFile::parseState(VssBytes(bytes), state);
}

} // namespace VssItemRead
