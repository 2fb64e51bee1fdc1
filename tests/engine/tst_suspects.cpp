#include "engine/Suspects.h"
#include "engine/ZelError.h"

#include <QtTest>

class TestSuspects : public QObject
{
    Q_OBJECT

    const QDateTime when{QDate(2026, 1, 2), QTime(3, 4, 5)};
    static QStringList keysOf(const Suspects &list)
    {
        QStringList keys;
        for (const Suspect &s : list)
            keys << s.Key();
        return keys;
    }

private slots:
    // Keys are case-sensitive; empty and duplicate keys add nothing; order is
    // kept through removals.
    void addRemoveAndOrder()
    {
        Suspects list;
        QVERIFY(!list.Add("", 0, 1, when));
        Suspect *b = list.Add("$/b.txt", 1, 2, when, "$/b.txt");
        QCOMPARE(b->DateIn(), when);
        QVERIFY(!list.Add("$/b.txt", 2, 3, when));
        for (const char *k : {"$/B.txt", "$/3", "$/4"})
            QVERIFY(list.Add(k, 0, 1, when, k));
        QVERIFY(list.Item(QString("$/b.txt")) == b && list.Item(1)->Status() == 1);
        QVERIFY_THROWS_EXCEPTION(ZelError, list.Remove("$/b.TXT"));
        list.Remove("$/B.txt");
        list.Remove("$/3");
        QVERIFY(list.Add("$/3", 0, 1, when, "$/3"));
        QCOMPARE(keysOf(list), QStringList({"$/b.txt", "$/4", "$/3"}));
        QVERIFY_THROWS_EXCEPTION(ZelError, list.Item(QString("$/B.txt")));
        list.RemoveAll();
        QVERIFY_THROWS_EXCEPTION(ZelError, list.Item(1));
    }

    void clashingListKeyRaises999AndChangesNothing()
    {
        Suspects list;
        list.Add("$/a.txt", 0, 1, when, "same");
        try {
            list.Add("$/b.txt", 0, 1, when, "same");
            QFAIL("expected error 999");
        } catch (const ZelError &e) {
            QVERIFY(e.number() == 999 && e.description() == "Invalid use of Add");
        }
        QCOMPARE(list.Count(), 1);
        QVERIFY(list.Add("$/b.txt", 0, 1, when)); // the key was not left in the lookup
    }
};

QTEST_APPLESS_MAIN(TestSuspects)
#include "tst_suspects.moc"
