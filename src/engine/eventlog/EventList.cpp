#include "EventList.h"

#include "EventLogFile.h"
#include "TextNumbering.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QSet>

#include <algorithm>
#include <functional>
#include <limits>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

// Storage: a loaded log can hold a million records, so a loaded row is not six
// QStrings, nor is the log's text kept: it is read in pieces, and every
// distinct field text is copied once into blocks that never move and listed
// once per field as a view into them; a loaded row holds the numbers of its
// four texts. Loading a log thus takes little more than its rows. Sorting then ranks the few
// distinct texts of a column and places the rows by counting. Rows added or amended later are full
// EventRow objects in a side table.

namespace {

constexpr qint32 kLoaded = -1;

// The fields of a loaded line, in file order.
enum Field
{
    DateField,
    TimeField,
    ObjectField,
    ActionField,
    FieldCount
};

// The field a column shows; the user is never part of a loaded line.
constexpr int kFieldOfColumn[EventList::ColumnCount] = {ActionField, DateField, TimeField,
                                                        ObjectField, -1};

struct Row
{
    quint32 text[FieldCount] = {}; // loaded: numbers of the field texts
    qint32 owned = kLoaded;        // else: index into the owned rows
    quint32 sequence = 0;          // loaded: record number, makes the key unique
};

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

// After a big load or sort, hands the freed temporaries back to the system:
// glibc would otherwise keep tens of megabytes resident in its heap.
void releaseFreedMemory(size_t rows)
{
#if defined(__GLIBC__)
    if (rows >= 100000)
        malloc_trim(0);
#else
    Q_UNUSED(rows);
#endif
}

// Room for the rows of a log `scale` times as long as `sample`.
size_t estimatedLines(QStringView sample, double scale)
{
    return size_t(double(sample.count(u'\n')) * scale * 1.05) + 16;
}

// The characters of the distinct loaded texts, in blocks that never move
// once filled, so views into them stay valid.
class TextStore
{
public:
    QStringView copy(QStringView text)
    {
        if (m_blocks.empty() || m_blocks.back().capacity() - m_blocks.back().size() < text.size()) {
            m_blocks.emplace_back();
            m_blocks.back().reserve(std::max<qsizetype>(kBlockChars, text.size()));
        }
        QString &block = m_blocks.back();
        const qsizetype at = block.size();
        block.append(text);
        return QStringView(block.constData() + at, text.size());
    }
    void clear() { m_blocks = {}; }

private:
    static constexpr qsizetype kBlockChars = 32 * 1024;
    std::vector<QString> m_blocks;
};

} // namespace

struct EventList::Private
{
    TextStore store;                            // characters of the loaded texts
    std::vector<QStringView> texts[FieldCount]; // distinct loaded field texts
    QList<QString> reformattedDates;            // shown dates that are not in the log
    std::vector<Row> rows;                      // display order
    std::vector<EventRow> owned;
    QSet<QString> givenKeys; // keys of added or amended rows
    int sortColumn = -1;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
    bool stoppedEarly = false; // the last load met a line that ends it

    void removeAllRows()
    {
        rows.clear();
        rows.shrink_to_fit();
        owned.clear();
        owned.shrink_to_fit();
        givenKeys.clear();
        for (auto &t : texts)
            t = {};
        reformattedDates.clear();
        store.clear();
    }

    QStringView cell(const Row &row, int column) const
    {
        if (row.owned != kLoaded) {
            const EventRow &r = owned[size_t(row.owned)];
            const QString *parts[ColumnCount] = {&r.text, &r.date, &r.time, &r.object, &r.user};
            return *parts[column];
        }
        const int field = kFieldOfColumn[column];
        return field < 0 ? QStringView() : texts[field][row.text[field]];
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
        if (row.owned != kLoaded)
            return owned[size_t(row.owned)];
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

    std::vector<quint32> sortedOrder() const;
    void permute(const std::vector<quint32> &from);

    // Where a row with `value` in the sort column goes: after its equals.
    size_t insertPosition(QStringView value) const
    {
        const int column = sortColumn;
        auto it = std::partition_point(rows.begin(), rows.end(), [&](const Row &r) {
            return !before(value, cell(r, column));
        });
        return size_t(it - rows.begin());
    }

    // The position of the row added last (else of the log's last record).
    size_t newestPosition() const
    {
        if (sortColumn < 0)
            return rows.size() - 1;
        size_t newest = 0;
        for (size_t i = 1; i < rows.size(); ++i)
            if (addedAfter(rows[i], rows[newest]))
                newest = i;
        return newest;
    }
    static bool addedAfter(const Row &a, const Row &b)
    {
        if ((a.owned == kLoaded) != (b.owned == kLoaded))
            return b.owned == kLoaded;
        return a.owned == kLoaded ? a.sequence > b.sequence : a.owned > b.owned;
    }

    // What a load carries from one piece of the log to the next.
    struct Loading
    {
        explicit Loading(Private &d)
            : dates(d.texts[DateField]), times(d.texts[TimeField]), objects(d.texts[ObjectField]),
              actions(d.texts[ActionField])
        {}
        TextTable dates, times, objects, actions;
        QHash<QString, quint32> otherDates; // date fields not written "yyyy-mm-dd"
        int longest = 0;
        bool stopped = false;
    };
    // Adds the records of `piece` (whole lines); false once a line stops the
    // load.
    bool load(QStringView piece, Loading &loading);
    void finishLoad();
    // The number of `text` in its field, copied into the store when new.
    quint32 keep(TextTable &table, int field, QStringView text)
    {
        const size_t known = texts[field].size();
        const quint32 number = table.add(text);
        if (texts[field].size() != known)
            texts[field].back() = store.copy(text);
        return number;
    }
    quint32 otherDate(QStringView raw, Loading &loading);
};

// The number of the shown text of a date field that is not "yyyy-mm-dd".
quint32 EventList::Private::otherDate(QStringView raw, Loading &loading)
{
    const QString rawText = raw.toString();
    const auto it = loading.otherDates.constFind(rawText);
    if (it != loading.otherDates.constEnd())
        return it.value();
    const QString shown = formatDateField(raw);
    quint32 number;
    if (shown == raw) {
        number = keep(loading.dates, DateField, raw);
    } else {
        reformattedDates.append(shown); // the views point into its characters
        number = loading.dates.add(reformattedDates.constLast());
    }
    loading.otherDates.insert(rawText, number);
    return number;
}

// The rows' old positions in the stable order of the sort column, or nothing
// when the rows already are in that order. The column's distinct loaded texts
// and the owned rows' texts are ranked, then the rows are placed by counting.
std::vector<quint32> EventList::Private::sortedOrder() const
{
    const int field = kFieldOfColumn[sortColumn];
    static const std::vector<QStringView> noUser{QStringView()};
    const std::vector<QStringView> &loaded = field < 0 ? noUser : texts[field];
    const size_t loadedCount = loaded.size();
    size_t ranks = 0;
    std::vector<quint32> rank = rankTexts(
        loadedCount + owned.size(),
        [&](size_t i) {
            return i < loadedCount ? loaded[i]
                                   : cell(Row{{}, qint32(i - loadedCount), 0}, sortColumn);
        },
        ranks);
    if (sortOrder == Qt::DescendingOrder) {
        for (quint32 &r : rank)
            r = quint32(ranks - 1 - r);
    }
    auto rankOf = [&](const Row &row) {
        return row.owned != kLoaded ? rank[loadedCount + size_t(row.owned)]
                                    : rank[field < 0 ? 0 : row.text[field]];
    };

    bool inOrder = true;
    for (size_t i = 1; i < rows.size() && inOrder; ++i)
        inOrder = rankOf(rows[i - 1]) <= rankOf(rows[i]);
    if (inOrder)
        return {}; // a stable sort would move nothing

    std::vector<quint32> start(ranks + 1, 0);
    for (const Row &row : rows)
        ++start[rankOf(row) + 1];
    for (size_t r = 1; r <= ranks; ++r)
        start[r] += start[r - 1];
    std::vector<quint32> from(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        from[start[rankOf(rows[i])]++] = quint32(i);
    return from;
}

// Puts the rows in their new order: row i becomes the old row from[i].
void EventList::Private::permute(const std::vector<quint32> &from)
{
    std::vector<Row> moved;
    moved.reserve(rows.capacity()); // the room left for added rows stays
    moved.resize(rows.size());
    constexpr size_t ahead = 16; // the old rows are read in random order
    for (size_t i = 0; i < moved.size(); ++i) {
#if defined(__GNUC__)
        if (i + ahead < moved.size())
            __builtin_prefetch(&rows[from[i + ahead]]);
#endif
        moved[i] = rows[from[i]];
    }
    rows.swap(moved);
}

bool EventList::Private::load(QStringView all, Loading &loading)
{
    qsizetype lineStart = 0;
    qsizetype searchFrom = 0;
    for (qsizetype lf; (lf = all.indexOf(u'\n', searchFrom)) >= 0;) {
        searchFrom = lf + 1;
        if (lf == lineStart || all[lf - 1] != u'\r')
            continue; // a lone LF belongs to the line
        const QStringView line = all.mid(lineStart, lf - 1 - lineStart);
        lineStart = lf + 1;

        qsizetype tabs[3];
        qsizetype from = 0;
        int found = 0;
        for (; found < 3 && (tabs[found] = line.indexOf(u'\t', from)) >= 0; ++found)
            from = tabs[found] + 1;
        if (found < 3)
            continue; // fewer than four fields: passed over
        const qsizetype end = line.indexOf(u'\t', from);
        QStringView field[FieldCount];
        field[DateField] = line.first(tabs[0]);
        field[TimeField] = line.mid(tabs[0] + 1, tabs[1] - tabs[0] - 1);
        field[ObjectField] = line.mid(tabs[1] + 1, tabs[2] - tabs[1] - 1);
        field[ActionField] = line.mid(from, (end < 0 ? line.size() : end) - from);
        if (field[DateField].isEmpty() || field[TimeField].isEmpty() ||
            field[ObjectField].isEmpty()) {
            loading.stopped = true; // this line and all later ones are not loaded
            return false;
        }

        Row row;
        row.text[DateField] = isCanonicalDate(field[DateField])
                                  ? keep(loading.dates, DateField, field[DateField])
                                  : otherDate(field[DateField], loading);
        row.text[TimeField] = keep(loading.times, TimeField, field[TimeField]);
        row.text[ObjectField] = keep(loading.objects, ObjectField, field[ObjectField]);
        row.text[ActionField] = keep(loading.actions, ActionField, field[ActionField]);
        row.sequence = quint32(rows.size() + 1);
        rows.push_back(row);
        loading.longest =
            int(std::min<qsizetype>(std::max<qsizetype>(loading.longest, field[ObjectField].size()),
                                    std::numeric_limits<int>::max()));
    }
    return true;
}

void EventList::Private::finishLoad()
{
    if (rows.capacity() > rows.size() + rows.size() / 4)
        rows.shrink_to_fit();
    for (auto &list : texts)
        list.shrink_to_fit();
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

int EventList::newestPosition() const
{
    return isEmpty() ? -1 : int(d->newestPosition());
}

EventRow EventList::newestRow() const
{
    return isEmpty() ? EventRow() : d->materialize(d->rows[d->newestPosition()]);
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

void EventList::amendNewestRow(const QString &key, const QString &text)
{
    if (d->rows.empty())
        return;
    const size_t position = d->newestPosition();
    Row &last = d->rows[position];
    if (last.owned == kLoaded) {
        EventRow r = d->materialize(last);
        last.owned = qint32(d->owned.size());
        d->owned.push_back(std::move(r));
    }
    EventRow &r = d->owned[size_t(last.owned)];
    d->givenKeys.remove(r.key);
    r.key = d->uniqueKey(key);
    d->givenKeys.insert(r.key);
    r.text = text;
    const QModelIndex cell = index(int(position), ActionColumn);
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
    const std::vector<quint32> from = d->sortedOrder();
    if (from.empty())
        return;

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    d->permute(from);
    const QModelIndexList persistent = persistentIndexList();
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
    releaseFreedMemory(d->rows.size());
}

int EventList::loadFromText(const QString &text)
{
    return load([&](const auto &take) { take(QStringView(text)); });
}

int EventList::loadFromFile(const QString &path, qint64 tailBytes)
{
    const qint64 size = QFileInfo(path).size();
    for (;; tailBytes *= 4) {
        const int longest = load([&](const auto &take) {
            qint64 readBytes = 0;
            EventLogFile::ReadTextPieces(path, tailBytes, [&](QStringView piece, qint64 bytes) {
                readBytes += bytes;
                // Room for the rows of the whole read, judged by the first piece.
                if (d->rows.empty() && readBytes < size)
                    d->rows.reserve(estimatedLines(piece, double(tailBytes > 0 ? tailBytes : size) /
                                                              double(readBytes)));
                return take(piece);
            });
        });
        // The tail held no whole record: a longer one.
        if (!isEmpty() || tailBytes <= 0 || tailBytes >= size || d->stoppedEarly)
            return longest;
    }
}

int EventList::load(const std::function<void(const std::function<bool(QStringView)> &)> &read)
{
    beginResetModel();
    d->removeAllRows();
    Private::Loading loading(*d);
    try {
        read([&](QStringView piece) { return d->load(piece, loading); });
    } catch (...) {
        d->removeAllRows();
        endResetModel();
        throw;
    }
    d->stoppedEarly = loading.stopped;
    d->finishLoad();
    const int longest = loading.longest;
    if (sorted()) {
        const std::vector<quint32> from = d->sortedOrder();
        if (!from.empty())
            d->permute(from);
    }
    endResetModel();
    releaseFreedMemory(d->rows.size());
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
    static const char *const titles[ColumnCount] = {QT_TR_NOOP("Action"), QT_TR_NOOP("Date"),
                                                    QT_TR_NOOP("Time"), QT_TR_NOOP("Object"),
                                                    QT_TR_NOOP("User")};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return tr(titles[section]);
}
