#include "engine/ChangeTrigger.h"

#include <QTemporaryDir>
#include <QtTest>

// Writes to the watched files, coalesced into one callback per burst; other
// items' files in the same folders are ignored.
class TestChangeTrigger : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString file(const QString &relative)
    {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        return path;
    }
    static void write(const QString &path, bool append = true)
    {
        QFile f(path);
        QVERIFY(f.open(append ? QIODevice::Append : QIODevice::ReadWrite));
        f.write("x");
    }

private slots:
    void burstsOfWritesGiveOneCallback()
    {
        const QString a = file("a/aaaaaaaa"), other = file("a/aaaaaaab"), b = file("b/baaaaaaa");
        for (const QString &path : {a, other, b})
            write(path);
        ChangeTrigger trigger(100, 2000);
        int calls = 0;
        trigger.Watch({a, b, ""}, [&] { ++calls; });
        QCOMPARE(trigger.folderCount(), 2);

        write(other);
        QTest::qWait(300);
        QCOMPARE(calls, 0);
        for (int i = 0; i < 3; ++i)
            write(a, false);         // in place, as the database writes its item files
        write(file("a/aaaaaaaa.b")); // a new data file of the item
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
