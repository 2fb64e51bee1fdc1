#include "engine/eventlog/EventList.h"
#include "engine/eventlog/TextNumbering.h"

#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <QtTest>

namespace {

QString record(const QString &date, const QString &object, const QString &action = "Check In",
               const QString &time = "10:00:00")
{
    return date + u'\t' + time + u'\t' + object + u'\t' + action + QStringLiteral("\r\n");
}

EventRow makeRow(const QString &date, const QString &object, const QString &text = "Check Out",
                 const QString &time = "12:00:00", const QString &user = "bob")
{
    return EventRow{date + QStringLiteral(" ") + time + object, text, date, time, object, user};
}

QStringList column(const EventList &list, int column = EventList::ObjectColumn)
{
    QStringList values;
    for (int i = 0; i < list.rowCount(); ++i)
        values << list.data(list.index(i, column)).toString();
    return values;
}

} // namespace

class TestEventList : public QObject
{
    Q_OBJECT

private slots:
    // Each row: a log text, the rows loaded (object|action|date), the longest object.
    void load()
    {
        const QString a = record("2024-01-01", "$/a");
        QList<std::tuple<QString, QStringList, int>> rows = {
            {record("2024-03-01", "$/Web/index.html", "Check Out") + // more than four fields
                 "2024-03-02\t10:00:00\t$/a\tCheck In\textra\r\n" + record("2024-03-03", "$/b", ""),
             {"$/Web/index.html|Check Out|2024-03-01", "$/a|Check In|2024-03-02",
              "$/b||2024-03-03"},
             16},
            // Only CR LF ends a line; lines of fewer than four fields are passed over.
            {"\r\nheader\r\n\t\t\r\n2024-01-01\t10:00\t$/short\r\n" +
                 record("2024-01-01", "$/a", "Check\nIn") + "2024-01-03\t10:00:00\t$/tail\tX",
             {"$/a|Check\nIn|2024-01-01"},
             3},
            {record("2024-1-5", "$/a") + record("2024/01/05", "$/b") +
                 record("2024-01-05T08:30:00", "$/c") + record("yesterday", "$/d") +
                 record("2024-02-30", "$/e"),
             {"$/a|Check In|2024-01-05", "$/b|Check In|2024-01-05", "$/c|Check In|2024-01-05",
              "$/d|Check In|yesterday", "$/e|Check In|2024-02-30"},
             3},
            {QString(), {}, 0}};
        for (const QString &empty : {record("", "$/x"), record("2024-01-03", "$/x", "In", ""),
                                     record("2024-01-03", "")}) // an empty field ends the load
            rows.append({a + empty + record("2024-01-04", "$/longer-name"),
                         {"$/a|Check In|2024-01-01"},
                         3});
        for (const auto &[text, expected, longest] : rows) {
            EventList list;
            QAbstractItemModelTester tester(&list);
            QCOMPARE(list.loadFromText(text), longest);
            QStringList shown;
            for (int i = 0; i < list.count(); ++i) {
                const EventRow r = list.row(i);
                shown << r.object + '|' + r.text + '|' + r.date;
                QVERIFY(r.key.contains(r.date) && r.key.contains(r.object) && r.user.isEmpty());
            }
            QCOMPARE(shown, expected);
        }
    }

    void loadReplacesRowsKeepsSortStateAndItsText()
    {
        EventList list;
        list.addRow(makeRow("2024-05-05", "$/added"));
        list.sort(EventList::DateColumn, Qt::DescendingOrder);
        list.loadFromText(record("2024-01-01", "$/old") + record("2024-03-01", "$/new"));
        QVERIFY(column(list) == QStringList({"$/new", "$/old"}) &&
                list.sortColumn() == EventList::DateColumn);
        // The list keeps its own reference to text whose characters belong to the caller.
        {
            QString buffer = record("2024-02-03", "$/raw");
            list.loadFromText(QString::fromRawData(buffer.constData(), buffer.size()));
            buffer.fill(u'x');
        }
        QCOMPARE(list.row(0).object, QString("$/raw"));
        list.clear();
        QVERIFY(list.isEmpty() && list.sorted());
    }

    void keysAreUniqueAndHoldTheObject()
    {
        EventList list;
        const QString same = record("2024-01-01", "$/same");
        list.loadFromText(same + same + record("2024/1/1", "$/same"));
        // Added rows keep the key they are given unless it is already in use.
        const QString loadedKey = list.row(0).key;
        list.addRow(EventRow{loadedKey, "Check In", "2024-01-01", "10:00:00", "$/same", ""});
        QVERIFY(list.lastRow().key != loadedKey);
        list.addRow(makeRow("2024-01-01", "$/same"));
        list.addRow(makeRow("2024-01-01", "$/same"));
        QCOMPARE(list.row(4).key, makeRow("2024-01-01", "$/same").key);
        list.amendNewestRow(list.row(4).key, "check in");
        QSet<QString> keys;
        for (int i = 0; i < list.count(); ++i)
            keys.insert(list.row(i).key.contains("$/same") ? list.row(i).key : QString());
        QVERIFY(keys.size() == 6 && !keys.contains(QString()));
    }

    // Sorting by any column, either way, is stable (equal rows keep the order
    // they had) and compares the shown texts as plain UTF-16 ("CHECK IN" <
    // "Check In" < "check in"); rows added to a sorted list land where that
    // sort puts them, after their equals.
    void sortAndAdd()
    {
        const QString log = record("2024-01-02", "$/b", "Check In", "10:00:00") +
                            record("2024-01-01", "$/B", "check in", "09:00:00") +
                            record("2024-01-02", "$/a", "Check Out", "11:00:00") +
                            record("2024-01-01", "$/d", "Check In", "10:00:00");
        const EventRow added[] = {{"k0", "Check Out", "2024-01-02", "09:00:00", "$/e", "bob"},
                                  {"k1", "check in", "2024-01-02", "10:00:00", "$/A", "bob"},
                                  {"k2", "Check Out", "2024-01-01", "08:00:00", "$/c", "Alice"},
                                  {"k3", "Check In", "2023-12-31", "11:00:00", "$/b2", ""},
                                  {"k4", "CHECK IN", "2024-01-03", "09:00:00", "$/Z", "alice"}};
        for (int col = 0; col < EventList::ColumnCount; ++col) {
            for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
                EventList list;
                list.loadFromText(log);
                list.addRow(added[0]); // before sorting
                QList<EventRow> expected;
                for (int i = 0; i < list.count(); ++i)
                    expected << list.row(i);
                list.sort(col, order);
                for (size_t i = 1; i < std::size(added); ++i) {
                    list.addRow(added[i]);
                    expected << added[i];
                }
                const auto shown = [col](const EventRow &r) {
                    return QStringList({r.text, r.date, r.time, r.object, r.user})[col];
                };
                std::stable_sort(expected.begin(), expected.end(),
                                 [&](const auto &a, const auto &b) {
                                     const int c = shown(a).compare(shown(b));
                                     return order == Qt::AscendingOrder ? c < 0 : c > 0;
                                 });
                QStringList objects;
                for (const EventRow &r : expected)
                    objects << r.object;
                QCOMPARE(column(list), objects);
                list.sort(-1); // ignored, as any column outside the five
                list.sort(EventList::ColumnCount);
                QCOMPARE(list.sortColumn(), col);
            }
        }
    }

    // The newest row (added last, else the log's last record) is amended in
    // place, wherever the sort shows it.
    void amendNewestRowChangesKeyAndTextInPlace()
    {
        EventList list;
        list.amendNewestRow("k$/a", "check in"); // empty list: nothing to amend
        QVERIFY(list.isEmpty() && !list.sorted());
        list.loadFromText(record("2024-01-01", "$/a", "Check Out") +
                          record("2024-01-02", "$/b", "Check In (Undo Check Out)"));
        QVERIFY(list.row(2).key.isEmpty() && list.row(-1).key.isEmpty()); // out of range: harmless
        list.sort(EventList::ActionColumn, Qt::AscendingOrder);
        list.amendNewestRow("2024-02-02 10:00:01$/b", "check in"); // shown first, sorts last
        const EventRow first = list.row(0);
        QCOMPARE(QStringList({first.key, first.text, first.date, first.object}),
                 QStringList({"2024-02-02 10:00:01$/b", "check in", "2024-01-02", "$/b"}));
        QVERIFY(column(list) == QStringList({"$/b", "$/a"}) && list.row(1).text == "Check Out");
        list.addRow(makeRow("2024-03-03", "$/c"));
        list.amendNewestRow(makeRow("2024-03-03", "$/c").key, "check in"); // its own key: no clash
        QCOMPARE(list.newestRow().key, makeRow("2024-03-03", "$/c").key);
        QCOMPARE(list.newestRow().text, "check in");
    }

    void modelSignalsFollowChanges()
    {
        EventList list;
        QAbstractItemModelTester tester(&list,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.loadFromText(record("2024-01-03", "$/c") + record("2024-01-01", "$/a") +
                          record("2024-01-02", "$/b"));
        const QPersistentModelIndex b = list.index(2, EventList::ObjectColumn);
        QSignalSpy layout(&list, &QAbstractItemModel::layoutChanged);
        list.sort(EventList::DateColumn, Qt::AscendingOrder);
        list.sort(EventList::DateColumn, Qt::AscendingOrder); // already in order
        QVERIFY(layout.count() == 1 && b.row() == 1);
        QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
        list.addRow(makeRow("2024-01-01", "$/new"));
        QVERIFY(inserted.count() == 1 && inserted.at(0).at(1).toInt() == 1 && b.row() == 2);
        QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
        list.amendNewestRow("k$/new", "check in");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).value<QModelIndex>(), list.index(1, EventList::ActionColumn));
        QSignalSpy reset(&list, &QAbstractItemModel::modelReset);
        list.clear();
        QVERIFY(reset.count() == 1 && !b.isValid());
    }

    // The numbering and ranking of texts the sort rests on: enough texts to
    // grow the table several times, each twice; equal texts at different
    // places share a number, a prefix does not.
    void tableNumbersEachDistinctTextOnce()
    {
        QStringList owners;
        for (int i = 0; i < 5000; ++i)
            owners << QStringLiteral("$/Project/file%1.cpp").arg(i);
        std::vector<QStringView> texts;
        TextTable table(texts);
        for (int round = 0; round < 2; ++round)
            for (int i = 0; i < owners.size(); ++i)
                QCOMPARE(table.add(owners[i]), quint32(i));
        QVERIFY(texts.size() == size_t(owners.size()) && texts[4321] == owners[4321]);
        const QString a = QStringLiteral("Check In"), b = QStringLiteral("Check In");
        QVERIFY(table.add(a) == table.add(b) && table.add(a.left(5)) != table.add(a));
        QCOMPARE(table.add(QString()), table.add(QStringView()));
    }

    // Long shared beginnings, differences past sixteen units, units around
    // 0xFF and surrogates, equal texts; with the empty text nothing is
    // shared, without it "$/Project/Sub" is.
    void ranksFollowPlainStringOrder()
    {
        QStringList texts{QString(), "$/Project/Sub",
                          QString("$/Project/Sub/a").leftJustified(33, 'x') + 'z',
                          QString("$/Project/Sub/b").leftJustified(33, 'x') + 'a'};
        for (const char16_t *tail :
             {u"/file-0000000001.cpp", u"/file-0000000000.cpp", u"/\u00ff", u"/\u00ffa", u"/\u0100",
              u"/\u0100z", u"/\U0001F600", u"/\uffff", u"/file-0000000001.cpp", u"/\u00fe"})
            texts << "$/Project/Sub" + QString::fromUtf16(tail);
        size_t ranks = 0;
        for (const QStringList &list : {texts, texts.mid(1)}) {
            const std::vector<quint32> rank = rankTexts(
                size_t(list.size()), [&](size_t i) { return QStringView(list[qsizetype(i)]); },
                ranks);
            QCOMPARE(ranks, size_t(list.size() - 1));
            for (qsizetype i = 0; i < list.size(); ++i)
                for (qsizetype j = 0; j < list.size(); ++j)
                    QCOMPARE(rank[size_t(i)] < rank[size_t(j)], list[i].compare(list[j]) < 0);
        }
        QVERIFY(rankTexts(
                    0, [](size_t) { return QStringView(); }, ranks)
                    .empty() &&
                ranks == 0);
    }
};

QTEST_GUILESS_MAIN(TestEventList)
#include "tst_eventlist.moc"
