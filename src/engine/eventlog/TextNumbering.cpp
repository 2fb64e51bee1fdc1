#include "TextNumbering.h"

#include <algorithm>
#include <cstring>

namespace {

bool same(QStringView a, QStringView b)
{
    return a.size() == b.size() &&
           (a.isEmpty() || std::memcmp(a.utf16(), b.utf16(), size_t(a.size()) * 2) == 0);
}

quint32 hashOf(QStringView text)
{
    const char *bytes = reinterpret_cast<const char *>(text.utf16());
    const size_t size = size_t(text.size()) * 2;
    quint64 h = size;
    for (size_t i = 0; i < size; i += 8) {
        quint64 word = 0;
        std::memcpy(&word, bytes + i, std::min<size_t>(8, size - i));
        h = (h ^ word) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
    }
    // Final mix, so that the low bits that pick a slot depend on all.
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return quint32(h);
}

// The first sixteen UTF-16 units packed so that a < b on the packed values
// implies a < b on the texts; equal values say nothing. A unit above 0xFE
// saturates and ends the packing, so a tie on it falls back to the texts.
struct Prefix
{
    quint64 high = 0;
    quint64 low = 0;

    explicit Prefix(QStringView s)
    {
        for (qsizetype i = 0; i < 16; ++i) {
            quint64 &word = i < 8 ? high : low;
            word <<= 8;
            const char16_t unit = i < s.size() ? s[i].unicode() : 0;
            if (unit >= 0xFF) {
                word |= 0xFF;
                word <<= 8 * (7 - i % 8);
                return;
            }
            word |= unit;
        }
    }
    bool operator<(const Prefix &o) const { return high != o.high ? high < o.high : low < o.low; }
    bool operator==(const Prefix &o) const { return high == o.high && low == o.low; }
};

} // namespace

std::vector<quint32> rankTexts(size_t count, const std::function<QStringView(size_t)> &textAt,
                               size_t &ranks)
{
    // Texts sharing a long beginning (every spec starts "$/") are told apart
    // by what follows it.
    const QStringView first = count == 0 ? QStringView() : textAt(0);
    qsizetype common = first.size();
    for (size_t i = 1; i < count && common > 0; ++i) {
        const QStringView text = textAt(i);
        qsizetype shared = 0;
        const qsizetype limit = std::min(common, text.size());
        while (shared < limit && text[shared] == first[shared])
            ++shared;
        common = shared;
    }
    struct Entry
    {
        Prefix prefix;
        quint32 index;
    };
    std::vector<Entry> entries;
    entries.reserve(count);
    for (size_t i = 0; i < count; ++i)
        entries.push_back({Prefix(textAt(i).mid(common)), quint32(i)});
    auto compare = [&](const Entry &a, const Entry &b) {
        if (a.prefix < b.prefix)
            return -1;
        if (b.prefix < a.prefix)
            return 1;
        return textAt(a.index).compare(textAt(b.index));
    };
    std::sort(entries.begin(), entries.end(),
              [&](const Entry &a, const Entry &b) { return compare(a, b) < 0; });
    std::vector<quint32> rank(count);
    quint32 current = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i > 0 && compare(entries[i - 1], entries[i]) != 0)
            ++current;
        rank[entries[i].index] = current;
    }
    ranks = count == 0 ? 0 : current + 1;
    return rank;
}

TextTable::TextTable(std::vector<QStringView> &texts) : m_texts(texts), m_slots(1024) {}

quint32 TextTable::add(QStringView text)
{
    // Neighbouring records mostly share their date.
    if (m_last != 0 && same(m_texts[m_last - 1], text))
        return m_last - 1;
    const quint32 hash = hashOf(text);
    const size_t mask = m_slots.size() - 1;
    size_t i = hash & mask;
    for (; m_slots[i].number != 0; i = (i + 1) & mask) {
        if (m_slots[i].hash == hash && same(m_texts[m_slots[i].number - 1], text)) {
            m_last = m_slots[i].number;
            return m_last - 1;
        }
    }
    m_texts.push_back(text);
    m_last = quint32(m_texts.size());
    m_slots[i] = {hash, m_last};
    if (m_texts.size() * 2 > m_slots.size())
        grow();
    return m_last - 1;
}

void TextTable::grow()
{
    std::vector<Slot> old(m_slots.size() * 2);
    old.swap(m_slots);
    const size_t mask = m_slots.size() - 1;
    for (const Slot &slot : old) {
        if (slot.number == 0)
            continue;
        size_t i = slot.hash & mask;
        while (m_slots[i].number != 0)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }
}
