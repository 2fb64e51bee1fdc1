#include "engine/eventlog/EventList.h"

#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <QtTest>

namespace {

QString record(const QString &date, const QString &time, const QString &object,
               const QString &action)
{
    return date + u'\t' + time + u'\t' + object + u'\t' + action + QStringLiteral("\r\n");
}

EventRow makeRow(const QString &date, const QString &object, const QString &text = "Check Out",
                 const QString &time = "12:00:00", const QString &user = "bob")
{
    return EventRow{date + QStringLiteral(" ") + time + object, text, date, time, object, user};
}

QStringList column(const EventList &list, int column)
{
    QStringList values;
    for (int i = 0; i < list.rowCount(); ++i)
        values << list.data(list.index(i, column)).toString();
    return values;
}

QStringList objects(const EventList &list)
{
    return column(list, EventList::ObjectColumn);
}

} // namespace

class TestEventList : public QObject
{
    Q_OBJECT

private slots:
    void loadReadsFieldsOfEachRecord()
    {
        EventList list;
        QAbstractItemModelTester tester(&list);
        const int longest =
            list.loadFromText(record("2024-03-01", "09:15:00", "$/Web/index.html", "Check Out") +
                              "2024-03-02\t10:00:00\t$/a\tCheck In\textra\tmore\r\n" +
                              record("2024-03-03", "11:00:00", "$/b", ""));

        QCOMPARE(list.count(), 3);
        QCOMPARE(longest, 16);
        const EventRow first = list.row(0);
        QCOMPARE(first.text, QString("Check Out"));
        QCOMPARE(first.date, QString("2024-03-01"));
        QCOMPARE(first.time, QString("09:15:00"));
        QCOMPARE(first.object, QString("$/Web/index.html"));
        QVERIFY(first.user.isEmpty());
        QCOMPARE(list.row(1).text, QString("Check In")); // fields after the fourth ignored
        QCOMPARE(list.row(2).text, QString());           // an empty action still loads
        QCOMPARE(list.headerData(EventList::ObjectColumn, Qt::Horizontal).toString(),
                 QString("Object"));

        QCOMPARE(list.loadFromText(QString()), 0);
        QVERIFY(list.isEmpty());
    }

    void loadIgnoresTextAfterLastCrLf()
    {
        EventList list;
        // A lone LF or CR is part of the line; only CR LF ends it. Lines of
        // fewer than four fields are passed over.
        list.loadFromText("\r\nheader line\r\n\t\t\r\n2024-01-01\t10:00\t$/short\r\n" +
                          record("2024-01-01", "10:00:00", "$/a", "Check\nIn") +
                          "2024-01-02\t10:00:00\t$/b\tCheck\rIn\r\n" +
                          "2024-01-03\t10:00:00\t$/a-much-longer-name\tCheck In");
        QCOMPARE(objects(list), QStringList({"$/a", "$/b"}));
        QCOMPARE(list.row(0).text, QString("Check\nIn"));
        QCOMPARE(list.row(1).text, QString("Check\rIn"));
    }

    void loadStopsAtEmptyDateTimeOrObject_data()
    {
        QTest::addColumn<QString>("badLine");
        QTest::newRow("date") << "\t10:00:00\t$/x\tCheck In\r\n";
        QTest::newRow("time") << "2024-01-03\t\t$/x\tCheck In\r\n";
        QTest::newRow("object") << "2024-01-03\t10:00:00\t\tCheck In\r\n";
    }

    void loadStopsAtEmptyDateTimeOrObject()
    {
        QFETCH(QString, badLine);
        EventList list;
        const int longest = list.loadFromText(
            record("2024-01-01", "10:00:00", "$/a", "Check In") +
            record("2024-01-02", "10:00:00", "$/bb", "Check In") + badLine +
            record("2024-01-04", "10:00:00", "$/a-longer-name-never-loaded", "Check In"));
        QCOMPARE(objects(list), QStringList({"$/a", "$/bb"}));
        QCOMPARE(longest, 4);
    }

    void loadShowsDatesAsDates_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char *field, const char *shown) {
            QTest::newRow(field) << QString(field) << QString(shown);
        };
        row("2024-01-05", "2024-01-05");
        row("2024-1-5", "2024-01-05");
        row("2024/01/05", "2024-01-05");
        row("2024-01-05T08:30:00", "2024-01-05");
        row("yesterday", "yesterday");   // not a date
        row("2024-02-30", "2024-02-30"); // no such day
    }

    void loadShowsDatesAsDates()
    {
        QFETCH(QString, field);
        QFETCH(QString, shown);
        EventList list;
        list.loadFromText(record(field, "10:00:00", "$/a", "Check In"));
        QCOMPARE(list.row(0).date, shown);
        QVERIFY(list.row(0).key.contains(shown));
    }

    void loadReplacesRowsAndKeepsSortState()
    {
        EventList list;
        list.addRow(makeRow("2024-05-05", "$/added"));
        list.sort(EventList::DateColumn, Qt::DescendingOrder);
        list.loadFromText(record("2024-01-01", "10:00:00", "$/old", "Check In") +
                          record("2024-03-01", "10:00:00", "$/new", "Check In"));
        QCOMPARE(objects(list), QStringList({"$/new", "$/old"}));
        QVERIFY(list.sorted());
        QCOMPARE(list.sortColumn(), int(EventList::DateColumn));
        QCOMPARE(list.sortOrder(), Qt::DescendingOrder);

        // The list keeps its own reference to the text it loaded, even to text
        // whose characters belong to the caller.
        {
            QString buffer = record("2024-02-03", "10:00:00", "$/raw", "Check In");
            list.loadFromText(QString::fromRawData(buffer.constData(), buffer.size()));
            buffer.fill(u'x');
        }
        QCOMPARE(list.row(0).object, QString("$/raw"));

        list.clear();
        QVERIFY(list.isEmpty());
        QVERIFY(list.sorted());
    }

    void keysAreUniqueAndHoldTheObject()
    {
        EventList list;
        const QString same = record("2024-01-01", "10:00:00", "$/same", "Check In");
        list.loadFromText(same + same + record("2024/1/1", "10:00:00", "$/same", "Check In"));
        QCOMPARE(list.count(), 3);

        // Added rows keep the key they are given unless it is already in use.
        const QString loadedKey = list.row(0).key;
        list.addRow(EventRow{loadedKey, "Check In", "2024-01-01", "10:00:00", "$/same", ""});
        QVERIFY(list.lastRow().key != loadedKey);
        list.addRow(makeRow("2024-01-01", "$/same"));
        list.addRow(makeRow("2024-01-01", "$/same"));
        QCOMPARE(list.row(4).key, makeRow("2024-01-01", "$/same").key);
        list.amendLastRow(list.row(4).key, "check in");

        QSet<QString> keys;
        for (int i = 0; i < list.count(); ++i) {
            const EventRow r = list.row(i);
            QVERIFY2(r.key.contains(r.object), qPrintable(r.key));
            keys.insert(r.key);
        }
        QCOMPARE(keys.size(), list.count());
    }

    void sortIsStableInBothOrders()
    {
        EventList list;
        list.loadFromText(record("2024-01-02", "10:00:00", "$/1", "Check In") +
                          record("2024-01-01", "10:00:00", "$/2", "Check In") +
                          record("2024-01-02", "09:00:00", "$/3", "Check In") +
                          record("2024-01-01", "11:00:00", "$/4", "Check In"));
        list.sort(EventList::DateColumn, Qt::AscendingOrder);
        QCOMPARE(objects(list), QStringList({"$/2", "$/4", "$/1", "$/3"}));
        list.sort(EventList::DateColumn, Qt::DescendingOrder);
        QCOMPARE(objects(list), QStringList({"$/1", "$/3", "$/2", "$/4"}));
        // Equal rows keep the order they had, not the order of the file.
        list.sort(EventList::ActionColumn, Qt::DescendingOrder);
        QCOMPARE(objects(list), QStringList({"$/1", "$/3", "$/2", "$/4"}));
        list.sort(EventList::TimeColumn, Qt::AscendingOrder);
        QCOMPARE(objects(list), QStringList({"$/3", "$/1", "$/2", "$/4"}));

        // An added row equal to loaded ones keeps its place among them.
        list.addRow(makeRow("2024-01-01", "$/5"));
        list.sort(EventList::DateColumn, Qt::AscendingOrder);
        QCOMPARE(objects(list), QStringList({"$/2", "$/4", "$/5", "$/3", "$/1"}));
        list.sort(EventList::DateColumn, Qt::DescendingOrder);
        QCOMPARE(objects(list), QStringList({"$/3", "$/1", "$/2", "$/4", "$/5"}));
    }

    void sortComparesTexts()
    {
        EventList list;
        list.loadFromText(record("2024-01-01", "9:00:00", "$/a", "check in") +
                          record("2024-01-01", "10:00:00", "$/b", "Check Out") +
                          record("2024-01-01", "11:00:00", "$/c", "Check In"));
        list.addRow(makeRow("2024-01-01", "$/d", "Check In (Undo Check Out)", "08:00:00", "zed"));
        list.sort(EventList::ActionColumn, Qt::AscendingOrder);
        QCOMPARE(column(list, EventList::ActionColumn),
                 QStringList({"Check In", "Check In (Undo Check Out)", "Check Out", "check in"}));
        list.sort(EventList::TimeColumn, Qt::AscendingOrder);
        QCOMPARE(column(list, EventList::TimeColumn),
                 QStringList({"08:00:00", "10:00:00", "11:00:00", "9:00:00"}));
        list.sort(EventList::UserColumn, Qt::DescendingOrder);
        QCOMPARE(objects(list), QStringList({"$/d", "$/b", "$/c", "$/a"}));

        list.sort(-1);
        list.sort(EventList::ColumnCount);
        QCOMPARE(list.sortColumn(), int(EventList::UserColumn));
    }

    void addRowFindsItsPlace()
    {
        EventList list;
        list.loadFromText(record("2024-01-03", "10:00:00", "$/x", "Check In") +
                          record("2024-01-01", "10:00:00", "$/y", "Check In"));
        list.addRow(makeRow("2024-01-02", "$/unsorted"));
        QCOMPARE(objects(list), QStringList({"$/x", "$/y", "$/unsorted"}));

        list.sort(EventList::DateColumn, Qt::AscendingOrder);
        list.addRow(makeRow("2024-01-02", "$/middle"));
        list.addRow(makeRow("2024-01-01", "$/equal"));
        list.addRow(makeRow("2024-01-09", "$/today"));
        QCOMPARE(objects(list),
                 QStringList({"$/y", "$/equal", "$/unsorted", "$/middle", "$/x", "$/today"}));
        QCOMPARE(list.lastRow().object, QString("$/today"));

        list.sort(EventList::DateColumn, Qt::DescendingOrder);
        list.addRow(makeRow("2024-01-02", "$/desc-equal"));
        list.addRow(makeRow("2024-01-10", "$/newest"));
        list.addRow(makeRow("2023-12-31", "$/oldest"));
        QCOMPARE(objects(list), QStringList({"$/newest", "$/today", "$/x", "$/unsorted", "$/middle",
                                             "$/desc-equal", "$/y", "$/equal", "$/oldest"}));
        QCOMPARE(list.row(0).user, QString("bob"));
    }

    void amendLastRowChangesKeyAndTextInPlace()
    {
        EventList list;
        list.amendLastRow("k$/a", "check in"); // empty list: nothing to amend
        QVERIFY(list.isEmpty());
        QCOMPARE(list.lastRow().key, QString());
        QVERIFY(!list.sorted());
        QCOMPARE(list.sortColumn(), -1);

        list.loadFromText(record("2024-01-01", "10:00:00", "$/a", "Check Out") +
                          record("2024-01-02", "10:00:00", "$/b", "Check In (Undo Check Out)"));
        QCOMPARE(list.row(2).key, QString()); // out of range: harmless
        QCOMPARE(list.row(-1).key, QString());
        QVERIFY(!list.data(list.index(2, 0)).isValid());
        QCOMPARE(list.rowCount(list.index(0, 0)), 0);
        list.sort(EventList::ActionColumn, Qt::AscendingOrder);
        QCOMPARE(list.lastRow().object, QString("$/a"));
        list.amendLastRow("2024-02-02 10:00:00$/a", "check in");
        list.amendLastRow("2024-02-02 10:00:01$/a", "Check In"); // sorts first, stays last
        const EventRow last = list.lastRow();
        QCOMPARE(last.key, QString("2024-02-02 10:00:01$/a"));
        QCOMPARE(last.text, QString("Check In"));
        QCOMPARE(last.date, QString("2024-01-01"));
        QCOMPARE(last.time, QString("10:00:00"));
        QCOMPARE(objects(list), QStringList({"$/b", "$/a"}));

        list.addRow(makeRow("2024-03-03", "$/c", "Check Out"));
        QCOMPARE(list.lastRow().object, QString("$/c"));
        list.amendLastRow(list.lastRow().key, "check in"); // its own key is no clash
        QCOMPARE(list.lastRow().key, makeRow("2024-03-03", "$/c").key);
    }

    void modelSignalsFollowChanges()
    {
        EventList list;
        QAbstractItemModelTester tester(&list,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.loadFromText(record("2024-01-03", "10:00:00", "$/c", "Check In") +
                          record("2024-01-01", "10:00:00", "$/a", "Check In") +
                          record("2024-01-02", "10:00:00", "$/b", "Check In"));
        const QPersistentModelIndex b = list.index(2, EventList::ObjectColumn);

        QSignalSpy layout(&list, &QAbstractItemModel::layoutChanged);
        list.sort(EventList::DateColumn, Qt::AscendingOrder);
        QCOMPARE(layout.count(), 1);
        QCOMPARE(b.row(), 1);
        QCOMPARE(b.data().toString(), QString("$/b"));
        list.sort(EventList::DateColumn, Qt::AscendingOrder); // already in order
        QCOMPARE(layout.count(), 1);

        QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
        list.addRow(makeRow("2024-01-01", "$/new"));
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 1);
        QCOMPARE(b.row(), 2);

        QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
        list.amendLastRow("k$/c", "check in");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).value<QModelIndex>(), list.index(3, EventList::ActionColumn));

        QSignalSpy reset(&list, &QAbstractItemModel::modelReset);
        list.clear();
        QCOMPARE(reset.count(), 1);
        QVERIFY(!b.isValid());
    }
};

QTEST_GUILESS_MAIN(TestEventList)
#include "tst_eventlist.moc"
