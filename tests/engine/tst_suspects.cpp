#include "engine/Suspects.h"
#include "engine/ZelError.h"

#include <QtTest>

class TestSuspects : public QObject
{
    Q_OBJECT

private:
    static QStringList keysOf(const Suspects &list)
    {
        QStringList keys;
        for (const Suspect &s : list)
            keys << s.Key();
        return keys;
    }
    const QDateTime when{QDate(2026, 1, 2), QTime(3, 4, 5)};

private slots:
    void addStoresTheFourValuesAndKeepsOrder()
    {
        Suspects list;
        Suspect *a = list.Add("$/b.txt", 1, 2, when, "$/b.txt");
        list.Add("$/a.txt", 0, 1, when);
        QVERIFY(a);
        QCOMPARE(a->Key(), QString("$/b.txt"));
        QCOMPARE(a->Status(), qint16(1));
        QCOMPARE(a->ImageIndex(), qint16(2));
        QCOMPARE(a->DateIn(), when);
        QCOMPARE(keysOf(list), QStringList({"$/b.txt", "$/a.txt"}));
        QCOMPARE(list.Item(1), a);
        QCOMPARE(list.Item(QString("$/b.txt")), a);
    }

    void emptyAndDuplicateKeysAddNothingAndRaiseNothing()
    {
        Suspects list;
        QVERIFY(!list.Add("", 0, 1, when));
        QCOMPARE(list.Count(), 0);
        QVERIFY(list.Add("$/a.txt", 0, 1, when));
        QVERIFY(!list.Add("$/a.txt", 2, 3, when));
        QCOMPARE(list.Count(), 1);
        QCOMPARE(list.Item(1)->Status(), qint16(0));
    }

    void lookupIsCaseSensitive()
    {
        Suspects list;
        list.Add("$/A.txt", 0, 1, when);
        QVERIFY(list.Exists("$/A.txt"));
        QVERIFY(!list.Exists("$/a.txt"));
        QVERIFY(list.Add("$/a.txt", 0, 1, when));
        QCOMPARE(list.Count(), 2);
    }

    void clashingListKeyRaises999AndLeavesBothStructuresUnchanged()
    {
        Suspects list;
        list.Add("$/a.txt", 0, 1, when, "same");
        try {
            list.Add("$/b.txt", 0, 1, when, "same");
            QFAIL("expected error 999");
        } catch (const ZelError &e) {
            QCOMPARE(e.number(), 999);
            QCOMPARE(e.source(), QString("Suspects"));
            QCOMPARE(e.description(), QString("Invalid use of Add"));
        }
        QCOMPARE(list.Count(), 1);
        QVERIFY(!list.Exists("$/b.txt"));
        QVERIFY(list.Add("$/b.txt", 0, 1, when)); // the key was not left in the lookup
    }

    void removeOfAbsentKeyRaisesAndChangesNothing()
    {
        Suspects list;
        list.Add("$/a.txt", 0, 1, when);
        QVERIFY_THROWS_EXCEPTION(ZelError, list.Remove("$/A.txt"));
        QCOMPARE(list.Count(), 1);
        QVERIFY(list.Exists("$/a.txt"));
    }

    void enumerationAfterRemovalsKeepsInsertionOrder()
    {
        Suspects list;
        for (const char *k : {"$/1", "$/2", "$/3", "$/4", "$/5"})
            list.Add(k, 0, 1, when, k);
        list.Remove("$/2");
        list.Remove("$/4");
        QCOMPARE(keysOf(list), QStringList({"$/1", "$/3", "$/5"}));
        QVERIFY_THROWS_EXCEPTION(ZelError, list.Item(QString("$/2")));
        QVERIFY(list.Add("$/2", 0, 1, when, "$/2"));
        QCOMPARE(keysOf(list), QStringList({"$/1", "$/3", "$/5", "$/2"}));
        list.RemoveAll();
        QCOMPARE(list.Count(), 0);
        QVERIFY(!list.Exists("$/1"));
        QVERIFY_THROWS_EXCEPTION(ZelError, list.Item(1));
    }
};

QTEST_APPLESS_MAIN(TestSuspects)
#include "tst_suspects.moc"
