#include "EventList.h"

#include <QDate>
#include <QDateTime>
#include <QSet>

#include <algorithm>
#include <limits>
#include <vector>

// Storage: a loaded log can hold a million records, so a loaded row is not six
// QStrings but an offset into the loaded text (kept shared, never copied) plus
// the lengths of its four fields, which follow each other separated by one
// TAB. Rows added or amended later, and the rare loaded row whose date had to
// be reformatted, are full EventRow objects in a side table.

namespace {

constexpr qint32 kInLoadedText = -1;

struct Row
{
    qsizetype start = 0;          // loaded: offset of the date field
    quint32 length[4] = {};       // loaded: date, time, object, action
    qint32 owned = kInLoadedText; // index into the owned rows
    quint32 sequence = 0;         // loaded: record number, makes the key unique
};

// Maps a column to the field of a loaded line that it shows.
constexpr int kLoadedField[EventList::ColumnCount] = {3, 0, 1, 2, -1};

bool isCanonicalDate(QStringView s)
{
    if (s.size() != 10 || s[4] != u'-' || s[7] != u'-')
        return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (!s[i].isDigit())
            return false;
    }
    return true;
}

// A date field shown as "yyyy-mm-dd" when it reads as a date (year first,
// with "-", "/" or "." between the parts, a time of day may follow), else as
// it is.
QString formatDateField(QStringView field)
{
    if (isCanonicalDate(field))
        return field.toString();
    const QString trimmed = field.trimmed().toString();
    QDate date;
    for (const char *format : {"yyyy-M-d", "yyyy/M/d", "yyyy.M.d"}) {
        date = QDate::fromString(trimmed.section(u' ', 0, 0), QLatin1String(format));
        if (date.isValid())
            break;
    }
    if (!date.isValid())
        date = QDateTime::fromString(trimmed, Qt::ISODate).date();
    return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : field.toString();
}

// The first eight UTF-16 units packed so that a < b on the packed values
// implies a < b on the texts; equal values say nothing. Units above 0xFE
// saturate and end the packing, so a tie on them falls back to the texts.
quint64 orderPrefix(QStringView s)
{
    quint64 packed = 0;
    for (qsizetype i = 0; i < 8; ++i) {
        packed <<= 8;
        if (i >= s.size())
            continue;
        const char16_t unit = s[i].unicode();
        if (unit >= 0xFF)
            return (packed | 0xFF) << (8 * (7 - i));
        packed |= unit;
    }
    return packed;
}

struct SortEntry
{
    quint64 prefix;
    quint32 position; // before the sort; the last tie breaker keeps it stable
};

} // namespace

struct EventList::Private
{
    QString text;          // the loaded log text that loaded rows point into
    std::vector<Row> rows; // display order
    std::vector<EventRow> owned;
    QSet<QString> givenKeys; // keys of added or amended rows
    int sortColumn = -1;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;

    void removeAllRows()
    {
        rows.clear();
        rows.shrink_to_fit();
        owned.clear();
        owned.shrink_to_fit();
        givenKeys.clear();
        text = QString();
    }

    QStringView loadedField(const Row &row, int field) const
    {
        qsizetype offset = row.start;
        for (int i = 0; i < field; ++i)
            offset += row.length[i] + 1;
        return QStringView(text).mid(offset, row.length[field]);
    }

    QStringView cell(const Row &row, int column) const
    {
        if (row.owned != kInLoadedText) {
            const EventRow &r = owned[row.owned];
            switch (column) {
            case ActionColumn:
                return r.text;
            case DateColumn:
                return r.date;
            case TimeColumn:
                return r.time;
            case ObjectColumn:
                return r.object;
            default:
                return r.user;
            }
        }
        const int field = kLoadedField[column];
        return field < 0 ? QStringView() : loadedField(row, field);
    }

    // Loaded rows: a record number, then the date, time and object texts.
    static QString loadedKey(quint32 sequence, QStringView date, QStringView time,
                             QStringView object)
    {
        const QString number = QString::number(sequence);
        QString key;
        key.reserve(number.size() + date.size() + time.size() + object.size() + 4);
        key.append(u'#').append(number).append(u' ').append(date).append(u' ').append(time);
        key.append(u' ').append(object);
        return key;
    }

    EventRow materialize(const Row &row) const
    {
        if (row.owned != kInLoadedText)
            return owned[row.owned];
        EventRow r;
        r.date = cell(row, DateColumn).toString();
        r.time = cell(row, TimeColumn).toString();
        r.object = cell(row, ObjectColumn).toString();
        r.text = cell(row, ActionColumn).toString();
        r.key = loadedKey(row.sequence, r.date, r.time, r.object);
        return r;
    }

    // Loaded keys start with '#'; a given key never may, nor repeat another.
    bool keyTaken(const QString &key) const
    {
        return key.startsWith(u'#') || givenKeys.contains(key);
    }

    QString uniqueKey(const QString &wanted) const
    {
        QString key = wanted;
        for (int n = 2; keyTaken(key); ++n)
            key = u'*' + QString::number(n) + u'*' + wanted;
        return key;
    }

    // Rows compare by the displayed text of the sort column in sort order.
    bool before(QStringView a, QStringView b) const
    {
        return sortOrder == Qt::AscendingOrder ? a.compare(b) < 0 : b.compare(a) < 0;
    }

    bool inOrder(int column) const
    {
        for (size_t i = 1; i < rows.size(); ++i) {
            if (before(cell(rows[i], column), cell(rows[i - 1], column)))
                return false;
        }
        return true;
    }

    // Sorts the rows by the sort column; returns the old positions in the new
    // order, or nothing when the rows already were in order.
    std::vector<quint32> reorder()
    {
        const int column = sortColumn;
        if (inOrder(column))
            return {};
        std::vector<SortEntry> entries(rows.size());
        for (size_t i = 0; i < rows.size(); ++i)
            entries[i] = {orderPrefix(cell(rows[i], column)), quint32(i)};
        const bool ascending = sortOrder == Qt::AscendingOrder;
        std::sort(entries.begin(), entries.end(), [&](const SortEntry &a, const SortEntry &b) {
            if (a.prefix != b.prefix)
                return ascending ? a.prefix < b.prefix : b.prefix < a.prefix;
            const int c = cell(rows[a.position], column).compare(cell(rows[b.position], column));
            if (c != 0)
                return ascending ? c < 0 : c > 0;
            return a.position < b.position;
        });
        std::vector<quint32> from(rows.size());
        std::vector<Row> sortedRows(rows.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            from[i] = entries[i].position;
            sortedRows[i] = rows[entries[i].position];
        }
        rows.swap(sortedRows);
        return from;
    }

    // Where a row with `value` in the sort column goes: after its equals.
    size_t insertPosition(QStringView value) const
    {
        const int column = sortColumn;
        auto it = std::partition_point(rows.begin(), rows.end(), [&](const Row &r) {
            return !before(value, cell(r, column));
        });
        return size_t(it - rows.begin());
    }

    bool addLoadedLine(qsizetype lineStart, QStringView line, quint32 sequence, int &longest,
                       bool &stop);
};

// One line of LoadEventList. Sets `stop` at a line that ends the loading.
bool EventList::Private::addLoadedLine(qsizetype lineStart, QStringView line, quint32 sequence,
                                       int &longest, bool &stop)
{
    qsizetype tabs[4];
    int tabCount = 0;
    for (qsizetype i = 0; i < line.size() && tabCount < 4; ++i) {
        if (line[i] == u'\t')
            tabs[tabCount++] = i;
    }
    if (tabCount < 3)
        return false; // fewer than four fields: passed over
    const qsizetype end = tabCount == 4 ? tabs[3] : line.size();
    const qsizetype bounds[5] = {-1, tabs[0], tabs[1], tabs[2], end};
    Row row;
    row.start = lineStart;
    row.sequence = sequence;
    for (int f = 0; f < 4; ++f) {
        const qsizetype length = bounds[f + 1] - bounds[f] - 1;
        if (f < 3 && length == 0) {
            stop = true;
            return false;
        }
        if (length > std::numeric_limits<quint32>::max()) {
            stop = true; // beyond what a row can point at; never in a real log
            return false;
        }
        row.length[f] = quint32(length);
    }
    longest = int(std::max<qsizetype>(longest, row.length[2]));

    const QStringView date = loadedField(row, 0);
    if (!isCanonicalDate(date)) {
        const QString shown = formatDateField(date);
        if (shown != date) {
            EventRow r = materialize(row);
            r.date = shown;
            r.key = loadedKey(sequence, r.date, r.time, r.object);
            row.owned = qint32(owned.size());
            owned.push_back(std::move(r));
        }
    }
    rows.push_back(row);
    return true;
}

EventList::EventList(QObject *parent) : QAbstractTableModel(parent), d(new Private) {}

EventList::~EventList()
{
    delete d;
}

int EventList::count() const
{
    return int(d->rows.size());
}

EventRow EventList::row(int position) const
{
    if (position < 0 || position >= count())
        return {};
    return d->materialize(d->rows[size_t(position)]);
}

EventRow EventList::lastRow() const
{
    return row(count() - 1);
}

void EventList::addRow(const EventRow &row)
{
    Row entry;
    entry.owned = qint32(d->owned.size());
    d->owned.push_back(row);
    EventRow &stored = d->owned.back();
    stored.key = d->uniqueKey(row.key);
    d->givenKeys.insert(stored.key);
    const size_t at = sorted() ? d->insertPosition(d->cell(entry, d->sortColumn)) : d->rows.size();
    beginInsertRows(QModelIndex(), int(at), int(at));
    d->rows.insert(d->rows.begin() + qsizetype(at), entry);
    endInsertRows();
}

void EventList::amendLastRow(const QString &key, const QString &text)
{
    if (d->rows.empty())
        return;
    Row &last = d->rows.back();
    if (last.owned == kInLoadedText) {
        EventRow r = d->materialize(last);
        last.owned = qint32(d->owned.size());
        d->owned.push_back(std::move(r));
    }
    EventRow &r = d->owned[size_t(last.owned)];
    d->givenKeys.remove(r.key);
    r.key = d->uniqueKey(key);
    d->givenKeys.insert(r.key);
    r.text = text;
    const QModelIndex cell = index(count() - 1, ActionColumn);
    emit dataChanged(cell, cell);
}

void EventList::clear()
{
    beginResetModel();
    d->removeAllRows();
    endResetModel();
}

bool EventList::sorted() const
{
    return d->sortColumn >= 0;
}

int EventList::sortColumn() const
{
    return d->sortColumn;
}

Qt::SortOrder EventList::sortOrder() const
{
    return d->sortOrder;
}

void EventList::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    d->sortColumn = column;
    d->sortOrder = order;
    if (d->inOrder(column))
        return; // a stable sort would move nothing

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList persistent = persistentIndexList();
    const std::vector<quint32> from = d->reorder();
    if (!persistent.isEmpty()) {
        std::vector<quint32> to(from.size());
        for (size_t i = 0; i < from.size(); ++i)
            to[from[i]] = quint32(i);
        QModelIndexList moved;
        moved.reserve(persistent.size());
        for (const QModelIndex &old : persistent)
            moved.append(index(int(to[size_t(old.row())]), old.column()));
        changePersistentIndexList(persistent, moved);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int EventList::loadFromText(const QString &text)
{
    beginResetModel();
    d->removeAllRows();
    d->text = text;

    const QStringView all(d->text);
    int longest = 0;
    quint32 sequence = 0;
    bool stop = false;
    qsizetype lineStart = 0;
    qsizetype searchFrom = 0;
    while (!stop) {
        const qsizetype lf = all.indexOf(u'\n', searchFrom);
        if (lf < 0)
            break; // text after the last CR LF is never loaded
        searchFrom = lf + 1;
        if (lf == lineStart || all[lf - 1] != u'\r')
            continue; // a lone LF belongs to the line
        const QStringView line = all.mid(lineStart, lf - 1 - lineStart);
        if (d->addLoadedLine(lineStart, line, sequence + 1, longest, stop))
            ++sequence;
        lineStart = lf + 1;
    }
    if (d->rows.empty())
        d->text = QString();
    if (sorted())
        d->reorder();
    endResetModel();
    return longest;
}

int EventList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int EventList::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant EventList::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count() ||
        index.column() >= ColumnCount)
        return {};
    return d->cell(d->rows[size_t(index.row())], index.column()).toString();
}

QVariant EventList::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const titles[ColumnCount] = {"Action", "Date", "Time", "Object", "User"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(titles[section]);
}
