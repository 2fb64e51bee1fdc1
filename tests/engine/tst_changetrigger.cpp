#include "engine/ChangeTrigger.h"

#include <QTemporaryDir>
#include <QtTest>

// Writes to the watched files (and their data files) give one callback per
// burst; other items' files in the same folders give none.
class TestChangeTrigger : public QObject
{
    Q_OBJECT

private slots:
    void burstsOfWritesGiveOneCallback()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("a") && QDir(dir.path()).mkpath("b"));
        const QString a = dir.filePath("a/aaaaaaaa"), b = dir.filePath("b/baaaaaaa");
        auto write = [&](const QString &path) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite)); // in place, as the database writes
            f.write("x");
        };
        for (const QString &path : {a, b})
            write(path);
        ChangeTrigger trigger(100, 2000);
        int calls = 0;
        trigger.Watch({a, b, ""}, [&] { ++calls; });
        QCOMPARE(trigger.folderCount(), 2);

        write(dir.filePath("a/aaaaaaab")); // another item
        QTest::qWait(300);
        QCOMPARE(calls, 0);
        for (int i = 0; i < 3; ++i)
            write(a);
        write(a + ".b"); // a new data file of the item
        QTRY_COMPARE(calls, 1);
        QTest::qWait(300);
        QCOMPARE(calls, 1);
        write(b);
        QTRY_COMPARE(calls, 2);
        trigger.Stop();
        write(a);
        QTest::qWait(300);
        QCOMPARE(calls, 2);
    }
};

QTEST_GUILESS_MAIN(TestChangeTrigger)
#include "tst_changetrigger.moc"
