#include "engine/QtTimerService.h"

#include <QtTest>

class TestQtTimerService : public QObject
{
    Q_OBJECT
private slots:
    // A restart keeps the identifier; a kill stops, also one by the
    // timer's own callback.
    void restartKeepsTheIdentifierAndKillStops()
    {
        QtTimerService timers;
        int fired = 0, once = 0;
        const quint32 id = timers.SetTimer(0, 5, [&] { ++fired; });
        QVERIFY(id != 0);
        QTRY_VERIFY(fired >= 2);
        QCOMPARE(timers.SetTimer(id, 5, [&] { fired += 100; }), id);
        QTRY_VERIFY(fired >= 100);
        timers.KillTimer(id);
        const int after = fired;
        quint32 own = timers.SetTimer(0, 1, [&] {
            ++once;
            timers.KillTimer(own);
        });
        QTRY_COMPARE(once, 1);
        QTest::qWait(30);
        QVERIFY(fired == after && once == 1);
    }
};

QTEST_GUILESS_MAIN(TestQtTimerService)
#include "tst_qttimerservice.moc"
