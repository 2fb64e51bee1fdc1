#include "engine/QtTimerService.h"

#include <QtTest>

class TestQtTimerService : public QObject
{
    Q_OBJECT
private slots:
    void restartKeepsTheIdentifierAndKillStops()
    {
        QtTimerService timers;
        int fired = 0;
        const quint32 id = timers.SetTimer(0, 5, [&] { ++fired; });
        QVERIFY(id != 0);
        QTRY_VERIFY(fired >= 2);
        QCOMPARE(timers.SetTimer(id, 5, [&] { fired += 100; }), id);
        QTRY_VERIFY(fired >= 100);
        timers.KillTimer(id);
        const int after = fired;
        QTest::qWait(30);
        QCOMPARE(fired, after);
    }

    void callbackMayKillItsOwnTimer()
    {
        QtTimerService timers;
        int fired = 0;
        quint32 id = timers.SetTimer(0, 1, [&] {
            ++fired;
            timers.KillTimer(id);
        });
        QTRY_COMPARE(fired, 1);
        QTest::qWait(20);
        QCOMPARE(fired, 1);
    }
};

QTEST_GUILESS_MAIN(TestQtTimerService)
#include "tst_qttimerservice.moc"
