// The 1 ms heart beat: soft timers, the scheduler's six-tick rhythm and the
// connection label's 101-tick rhythm.

#include "app/mainwindow.h"
#include "app/tickcounter.h"
#include "protocol/sdoclient.h"

#include <QLabel>
#include <QTimer>
#include <QtTest>

namespace {
int g_fired[2];
void fireSlot0() { ++g_fired[0]; }
void fireSlot1() { ++g_fired[1]; }
} // namespace

class TickLoopTest : public QObject {
    Q_OBJECT

private slots:
    void softTimersFireOnceAtTheirDueTick()
    {
        TickCounter::useManualClock();
        g_fired[0] = g_fired[1] = 0;
        TickCounter::armSoftTimer(0, 3, fireSlot0);
        TickCounter::armSoftTimer(1, 5, fireSlot1);
        TickCounter::armSoftTimer(2, 1, fireSlot0);  // there is no slot 2
        QVector<uint32_t> slot0Ticks, slot1Ticks;
        for (int i = 0; i < 20; ++i) {
            const int before0 = g_fired[0], before1 = g_fired[1];
            TickCounter::advance();
            if (g_fired[0] != before0)
                slot0Ticks << TickCounter::now();
            if (g_fired[1] != before1)
                slot1Ticks << TickCounter::now();
        }
        QCOMPARE(slot0Ticks, QVector<uint32_t>{3});
        QCOMPARE(slot1Ticks, QVector<uint32_t>{5});
        QVERIFY(!TickCounter::softTimerArmed(0));
        QVERIFY(!TickCounter::softTimerArmed(1));
    }

    void rearmingMovesTheDueTick()
    {
        TickCounter::useManualClock();
        g_fired[1] = 0;
        TickCounter::armSoftTimer(1, 5, fireSlot1);
        for (int i = 0; i < 4; ++i)
            TickCounter::advance();
        TickCounter::armSoftTimer(1, 5, fireSlot1);  // a new chunk at tick 4
        for (int i = 0; i < 4; ++i)
            TickCounter::advance();
        QCOMPARE(g_fired[1], 0);
        TickCounter::advance();
        QCOMPARE(TickCounter::now(), 9u);
        QCOMPARE(g_fired[1], 1);
    }

    void schedulerRunsEverySixthTickWhileOpen()
    {
        MainWindow w;
        w.tickTimer()->stop();
        w.on_actionManual_triggered();
        QVector<uint32_t> runs;
        w.scheduler().setPageSequencer(6, [&runs](uint8_t, int16_t) { runs << TickCounter::now(); });

        for (int i = 0; i < 30; ++i)
            w.handleTimeout();
        QVERIFY(runs.isEmpty());  // closed: never

        w.openSucess(true);
        for (int i = 0; i < 30; ++i)
            w.handleTimeout();
        QCOMPARE(runs, (QVector<uint32_t>{36, 42, 48, 54, 60}));
    }

    void closedPortWipesRequestsOnTheSameRhythm()
    {
        MainWindow w;
        w.tickTimer()->stop();
        w.requestPageJob(3, 0x3001);
        w.markPageJobRequested();
        w.pageJobs().pageJobBusy = 1;
        for (int i = 0; i < 5; ++i)
            w.handleTimeout();
        QCOMPARE(w.pageJobs().pageJobOwner, uint8_t(3));
        w.handleTimeout();  // tick 6
        QCOMPARE(w.pageJobs().pageJobOwner, uint8_t(0));
        QCOMPARE(w.pageJobs().pageJobCode, uint16_t(0));
        QCOMPARE(w.pageJobs().pageJobBusy, uint8_t(0));
        QCOMPARE(w.pageJobs().pageJobRequestMark, uint8_t(0));
    }

    void connectionLabelEvery101stTick()
    {
        MainWindow w;
        w.tickTimer()->stop();
        w.on_actionManual_triggered();
        w.openSucess(true);
        auto *link = w.findChild<QLabel *>(QStringLiteral("linkLabel"));
        SdoClient::requestRead(1, 0x6041, 0);
        SdoClient::poll();
        const QByteArray answer = QByteArray::fromHex("0000000581084B41600037060000");
        SdoClient::feedReceived(answer.constData(), answer.size());
        for (int i = 0; i < 6; ++i) {
            w.handleTimeout();
            SdoClient::poll();
        }
        QVERIFY(SdoClient::linkAlive());
        for (int i = 0; i < 94; ++i)
            w.handleTimeout();
        QCOMPARE(TickCounter::now(), 100u);
        QCOMPARE(link->text(), QStringLiteral("Connection status: OFF"));
        w.handleTimeout();
        QCOMPARE(link->text(), QStringLiteral("Connection status: ON"));
    }
};

QTEST_MAIN(TickLoopTest)
#include "tst_tickloop.moc"
