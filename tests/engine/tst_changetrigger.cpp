#include "support/TestFiles.h"
#include "support/VssGen.h"

#include "engine/ChangeTrigger.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

// Writes to the watched files (and their data files) give one callback per
// burst; other items' files in the same folders give none.
class TestChangeTrigger : public QObject
{
    Q_OBJECT

    static void write(const QString &path)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite)); // in place, as the database writes
        f.write("x");
    }

private slots:
    void burstsOfWritesGiveOneCallback()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("a") && QDir(dir.path()).mkpath("b"));
        const QString a = dir.filePath("a/aaaaaaaa"), b = dir.filePath("b/baaaaaaa");
        const QString other = dir.filePath("a/aaaaaaab");
        for (const QString &path : {a, b})
            write(path);
        ChangeTrigger trigger(100, 2000);
        int calls = 0;
        trigger.Watch({a, b, ""}, [&] { ++calls; });
        QCOMPARE(trigger.folderCount(), 2);
        QCOMPARE(trigger.filesWatchedOneByOne(), 0); // the folders are watched whole
        QTRY_COMPARE(calls, 1);                      // for writes before the watch was up

        write(other); // another item
        QTest::qWait(300);
        QCOMPARE(calls, 1);
        for (int i = 0; i < 3; ++i)
            write(a);
        write(a + ".b"); // a new data file of the item
        QTRY_COMPARE(calls, 2);
        QTest::qWait(300);
        QCOMPARE(calls, 2);
        write(b);
        QTRY_COMPARE(calls, 3);
        // A file newly watched in a folder watched already counts.
        trigger.Watch({a, b, other}, [&] { ++calls; });
        QTRY_COMPARE(calls, 4);
        write(other);
        QTRY_COMPARE(calls, 5);
        trigger.Stop();
        write(a);
        QTest::qWait(300);
        QCOMPARE(calls, 5);
    }

    // Writes without end still give a poll within the longest wait, and so
    // do events lost to a full queue (inotify's; on Windows the buffer of
    // the folder tree's notification).
    void endlessOrLostEventsStillPoll()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath("aaaaaaaa");
        write(a);
        ChangeTrigger trigger(200, 500);
        int calls = 0;
        trigger.Watch({a}, [&] { ++calls; });
        QElapsedTimer stream;
        stream.start();
        for (; stream.elapsed() < 3000 && calls == 0; QTest::qWait(20))
            write(a);
        QVERIFY2(calls == 1, qPrintable(QString::number(stream.elapsed())));
        QFile one(dir.filePath("other1")), two(dir.filePath("other2"));
        QVERIFY(one.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
                two.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        for (int i = 0; i < 20000; ++i) // alternating, so none is merged
            (i % 2 ? one : two).write("x");
        QTRY_COMPARE(calls, 2);
    }

    // In a database the writer made, a check-out of a watched file starts
    // one poll, one of another file (its item file, status.dat) none.
    void checkOutsInADatabase()
    {
        QTemporaryDir dir;
        VssWriter db(VssGen::create(dir.path()));
        QStringList items;
        for (const QString spec : {"$/a.txt", "$/b.txt"}) {
            db.addFile(spec, VssGen::by("Raul", 1));
            items << db.itemPath(TestFiles::read(db.dataPath() + "/aaaaaaaa.cnt").trimmed());
        }
        ChangeTrigger trigger(100, 2000);
        int calls = 0;
        trigger.Watch({items[0], db.itemPath("AAAAAAAA")}, [&] { ++calls; });
        QTRY_COMPARE(calls, 1);
        db.checkout("$/b.txt", VssGen::by("Raul", 2));
        QTest::qWait(400);
        QCOMPARE(calls, 1);
        db.checkout("$/a.txt", VssGen::by("Raul", 3));
        QTRY_COMPARE(calls, 2);
        QTest::qWait(400);
        QCOMPARE(calls, 2);
    }

    // A folder swapped for a restored copy gives a poll and is watched where
    // its path leads; one that cannot be watched is said until it can.
    void lostFoldersAreWatchedAgain()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("a"), a = folder + "/aaaaaaaa",
                      gone = dir.filePath("g/h"), b = gone + "/baaaaaaa";
        for (const QString &path : {a, folder + ".new/aaaaaaaa"}) {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            write(path);
        }
        ChangeTrigger trigger(100, 2000), later(100, 2000);
        int calls = 0, laterCalls = 0;
        trigger.Watch({a}, [&] { ++calls; });
        later.Watch({b}, [&] { ++laterCalls; });
        QVERIFY(later.Problem().startsWith("Writes in 1 of 1 database folders start no poll (" +
                                           QDir::toNativeSeparators(gone)));
        QTRY_COMPARE(calls, 1);
        QVERIFY(QDir().rename(folder, folder + ".old") && QDir().rename(folder + ".new", folder));
        QTRY_COMPARE(calls, 2);
        trigger.Rearm(); // as before each poll
        write(a);
        QTRY_COMPARE(calls, 3);
        QVERIFY(QDir().mkpath(gone));
        later.Rearm();
        QVERIFY(later.Problem().isEmpty());
        write(b);
        QTRY_COMPARE(laterCalls, 2);
    }
};

QTEST_GUILESS_MAIN(TestChangeTrigger)
#include "tst_changetrigger.moc"
