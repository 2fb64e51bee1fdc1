#pragma once

#include <QStringView>

#include <functional>
#include <vector>

// Numbers the distinct texts of one field while a log is loaded: an open
// addressing table of (hash, number) pairs over the field's text list, so a
// million distinct texts cost no allocation each and growing never reads a
// text. Numbers count from 0 in the order the texts were first added.
class TextTable
{
public:
    explicit TextTable(std::vector<QStringView> &texts);

    // The number of `text`; a text not seen before is appended to the list.
    quint32 add(QStringView text);

private:
    struct Slot
    {
        quint32 hash = 0;
        quint32 number = 0; // 0: empty; else the text's number + 1
    };

    void grow();

    std::vector<QStringView> &m_texts;
    std::vector<Slot> m_slots;
    quint32 m_last = 0; // the number + 1 of the text found last
};

// Dense ranks of `count` texts in plain UTF-16 order (0 = first); equal texts
// share a rank. Returns the ranks and sets `ranks` to their number.
std::vector<quint32> rankTexts(size_t count, const std::function<QStringView(size_t)> &textAt,
                               size_t &ranks);
