#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <functional>

// One row of the event list.
struct EventRow
{
    QString key;    // unique; always contains the object text
    QString text;   // the action: column "Action"
    QString date;   // "yyyy-mm-dd"
    QString time;   // "hh:mm:ss"
    QString object; // the file's spec
    QString user;   // check-out rows added by a poll only
};

// The program's in-memory list of events (the viewer's lvTrace), as a table
// model with the columns "Action", "Date", "Time", "Object", "User". While
// sorting is on, rows stay in the sort order and positions follow it, so the
// "last row" is the last one in the current sort.
class EventList : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        ActionColumn,
        DateColumn,
        TimeColumn,
        ObjectColumn,
        UserColumn,
        ColumnCount
    };

    explicit EventList(QObject *parent = nullptr);
    ~EventList() override;

    int count() const;
    bool isEmpty() const { return count() == 0; }
    // Row at 0-based display position, as a copy (rows are stored compactly,
    // not as EventRow objects). Out of range: an empty row.
    EventRow row(int position) const;
    EventRow lastRow() const;
    // The row added last, else the row of the log's last record: the last
    // row unless the list is sorted otherwise.
    EventRow newestRow() const;
    int newestPosition() const; // -1 when empty
    // Adds a row; with sorting on it takes its place in the sort order, after
    // the rows that compare equal. A key already in use gets a "*n*" prefix.
    void addRow(const EventRow &row);
    // Changes the key and the text of the newest row, in place (it does not
    // move, even when sorted by "Action"). Empty list: nothing happens.
    void amendNewestRow(const QString &key, const QString &text);
    void clear();

    bool sorted() const;
    int sortColumn() const; // -1 while sorting is off
    Qt::SortOrder sortOrder() const;
    // Switches sorting on (stable, comparing the displayed texts). A column
    // outside the five is ignored.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // LoadEventList: replaces the rows by the records of the given log text
    // and returns the length in characters of the longest object field. A
    // loaded row's key is "#<record number> <date> <time> <object>". The
    // sort state is kept.
    int loadFromText(const QString &text);
    // The same from the log file, read in pieces: a load takes little more
    // memory than its rows. With `tailBytes`, only the records of the file's
    // last bytes (more when those hold no whole record). A missing file loads
    // no rows; one that cannot be read raises ZelError (the list is then
    // empty).
    int loadFromFile(const QString &path, qint64 tailBytes = 0);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    int load(const std::function<void(const std::function<bool(QStringView)> &)> &read);

    struct Private;
    Private *d;
};
