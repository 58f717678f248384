// The 1 ms heart beat: soft timers, the scheduler's six-tick rhythm and the
// connection label's 101-tick rhythm.

#include "app/mainwindow.h"
#include "app/tickcounter.h"
#include "protocol/sdoclient.h"
#include "tests/support/harness.h"

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
    void init() { TickCounter::useManualClock(); }
    void cleanupTestCase() { TickCounter::useWallClock(); }

    // The tool's clock is the monotonic clock: it moves whether or not the
    // tick slot runs, and advance() does not move it.
    void theWallClockMovesWithoutTicks()
    {
        TickCounter::useWallClock();
        QVERIFY(!TickCounter::usesManualClock());
        const uint32_t start = TickCounter::now();
        QTest::qSleep(30);
        QVERIFY(TickCounter::now() - start >= 30);
        TickCounter::useWallClock(0xFFFFFFF0u);
        QTest::qSleep(30);
        QVERIFY(TickCounter::now() < 0x1000);  // it went on across the wrap
        const uint32_t before = TickCounter::now();
        for (int i = 0; i < 1000; ++i)
            TickCounter::advance();
        QVERIFY(TickCounter::now() - before < 1000);
    }

    void softTimersFireOnceAtTheirDueTick_data()
    {
        QTest::addColumn<uint32_t>("start");
        QTest::newRow("from 0") << 0u;
        QTest::newRow("across the wrap") << 0xFFFFFFFEu;
    }
    void softTimersFireOnceAtTheirDueTick()
    {
        QFETCH(uint32_t, start);
        TickCounter::useManualClock(start);
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
        QCOMPARE(slot0Ticks, QVector<uint32_t>{start + 3});
        QCOMPARE(slot1Ticks, QVector<uint32_t>{start + 5});
        QVERIFY(!TickCounter::softTimerArmed(0));
        QVERIFY(!TickCounter::softTimerArmed(1));
    }

    void rearmingMovesTheDueTick()
    {
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

    // The timer's calls come late and bunched: each grid point reached gets
    // one run, a call that finds several points passed runs once and skips the
    // rest, and the grid stays on multiples of six from the start.
    void schedulerKeepsItsGridWhenCallsComeLate_data()
    {
        QTest::addColumn<uint32_t>("start");
        QTest::newRow("from 0") << 0u;
        QTest::newRow("across the wrap") << 0xFFFFFFE0u;
    }
    void schedulerKeepsItsGridWhenCallsComeLate()
    {
        QFETCH(uint32_t, start);
        MainWindow w;
        w.tickTimer()->stop();
        w.on_actionManual_triggered();
        TickCounter::useManualClock(start);
        w.restartTickLoop();
        w.openSucess(true);
        QVector<uint32_t> runs;
        w.scheduler().setPageSequencer(6, [&runs, start](uint8_t, int16_t) { runs << TickCounter::now() - start; });
        // handleTimeout itself moves the manual clock by one; the gaps are the extra ticks slept.
        for (uint32_t gap : {0u, 0u, 0u, 0u, 0u, 3u, 0u, 13u, 0u, 0u, 1u, 0u, 0u, 0u, 0u, 0u, 0u})
        {
            for (uint32_t i = 0; i < gap; ++i)
                TickCounter::advance();
            w.handleTimeout();
        }
        // Calls at 1..5, 9, 10, 24, 25, 26, 28..34: runs at 9 (for point 6), 24 (12, 18 and 24 passed:
        // once), 30 and 36 is not reached.
        QCOMPARE(runs, (QVector<uint32_t>{9, 24, 30}));
    }

    // Near 2^32 the clock wraps in the middle of a status cycle and a page
    // job: what the drive sees is the same as from tick 0, frame for frame and
    // tick for tick (every stamp comparison is a difference).
    void theWrapChangesNothingOnTheWire()
    {
        auto record = [](uint32_t start) {
            Harness h(1, true, start);
            h.run(900);
            h.window().requestPageJob(1, 0x1001);
            h.run(1600);
            QVector<QPair<uint32_t, QByteArray>> frames;
            for (const Harness::SentFrame &f : h.sentFrames())
                frames.append({f.tick - start, f.bytes});
            return qMakePair(frames, h.boxes().size());
        };
        const auto fromZero = record(0);
        const auto acrossWrap = record(0xFFFFFFFFu - 1000);
        QCOMPARE(fromZero.second, 0);
        QCOMPARE(acrossWrap.second, 0);
        QVERIFY(fromZero.first.size() > 25);  // a whole status cycle and the page's eleven reads
        QCOMPARE(acrossWrap.first, fromZero.first);
    }

    // The tool's loop sleeps between the ticks that have something to do and
    // its worker between the engine's steps.  Living only those ticks must put
    // the same frames on the wire at the same ticks, and raise the same boxes,
    // as stepping every tick - with a small fraction of the work.
    void sleepingThroughIdleTicksChangesNothing_data()
    {
        QTest::addColumn<uint8_t>("page");
        QTest::addColumn<uint16_t>("code");
        QTest::addColumn<bool>("silent");
        QTest::newRow("status rotation only") << uint8_t(0) << uint16_t(0) << false;
        QTest::newRow("basic parameters, read all") << uint8_t(1) << uint16_t(0x1001) << false;
        QTest::newRow("basic parameters, write all") << uint8_t(1) << uint16_t(0x1002) << false;
        QTest::newRow("velocity mode") << uint8_t(2) << uint16_t(0x2050) << false;
        QTest::newRow("relative move to target") << uint8_t(2) << uint16_t(0x2001) << false;
        QTest::newRow("a silent drive: retries and the failure") << uint8_t(1) << uint16_t(0x1001) << true;
        QTest::newRow("one-key read of every group") << uint8_t(7) << uint16_t(0x7001) << false;
        QTest::newRow("one-key configure of every group") << uint8_t(7) << uint16_t(0x7002) << false;
    }
    void sleepingThroughIdleTicksChangesNothing()
    {
        QFETCH(uint8_t, page);
        QFETCH(uint16_t, code);
        QFETCH(bool, silent);
        auto frames = [](const Harness &h) {
            QStringList out;
            for (const Harness::SentFrame &f : h.sentFrames())
                out << QString::number(f.tick) + QLatin1Char(' ') + QString::fromLatin1(f.bytes.toHex(' '));
            return out;
        };
        auto boxes = [](const Harness &h) {
            QStringList out;
            for (const Harness::Box &b : h.boxes())
                out << b.text;
            return out;
        };
        Harness awake;
        awake.drive().faults().silent = silent;
        awake.run(500);
        if (page)
            awake.window().requestPageJob(page, code);
        awake.run(page == 7 ? 8000 : 4000);

        Harness asleep;
        asleep.drive().faults().silent = silent;
        Harness::SleepCounts counts = asleep.runSleeping(500);
        if (page)
            asleep.requestJobWhileSleeping(page, code);
        const Harness::SleepCounts more = asleep.runSleeping(page == 7 ? 8000 : 4000);
        counts.tickHandlerRuns += more.tickHandlerRuns;
        counts.engineSteps += more.engineSteps;

        QVERIFY(awake.sentFrames().size() > 20);
        QCOMPARE(frames(asleep), frames(awake));
        QCOMPARE(boxes(asleep), boxes(awake));
        QCOMPARE(asleep.window().pageJobs().pageJobResult, awake.window().pageJobs().pageJobResult);
        // 4500 (8500) ticks: a few runs per transfer instead of one per tick.
        const long limit = page == 7 ? 900 : 450;
        QVERIFY2(counts.tickHandlerRuns < limit, qPrintable(QString::number(counts.tickHandlerRuns)));
        QVERIFY2(counts.engineSteps < limit, qPrintable(QString::number(counts.engineSteps)));
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
