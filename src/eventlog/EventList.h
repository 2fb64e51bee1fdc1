#pragma once

#include <QAbstractTableModel>
#include <QString>

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
    enum Column { ActionColumn, DateColumn, TimeColumn, ObjectColumn, UserColumn, ColumnCount };

    explicit EventList(QObject *parent = nullptr);
    ~EventList() override;

    int count() const;
    bool isEmpty() const { return count() == 0; }
    // Row at 0-based display position.
    const EventRow &row(int position) const;
    const EventRow &lastRow() const;
    // Adds a row; with sorting on it takes its place in the sort order.
    void addRow(const EventRow &row);
    // Changes the key and the text of the last row, in place.
    void amendLastRow(const QString &key, const QString &text);
    void clear();

    bool sorted() const;
    int sortColumn() const;
    Qt::SortOrder sortOrder() const;
    // Switches sorting on (stable, comparing the displayed texts).
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // LoadEventList: replaces the rows by the records of the given log text
    // and returns the length in characters of the longest object field.
    int loadFromText(const QString &text);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Private;
    Private *d;
};
