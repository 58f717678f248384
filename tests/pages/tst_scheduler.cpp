// Whose turn it is: job hand-out (new code, 0, -1), consumption, the closed
// port wiping requests, and the marks.

#include "pages/modecontrolpage.h"
#include "tests/support/harness.h"

#include <QtTest>

class SchedulerTest : public QObject {
    Q_OBJECT

    struct Calls {
        QVector<int16_t> codes[8];  // index = page (1..6), 7 = one-key
    };
    static void record(Harness &h, Calls &calls, std::initializer_list<uint8_t> pages)
    {
        for (uint8_t p : pages)
            h.window().scheduler().setPageSequencer(p, [&calls, p](uint8_t, int16_t code) { calls.codes[p] << code; });
        h.window().scheduler().setOneKeySequencer([&calls](uint8_t, int16_t code) { calls.codes[7] << code; });
    }

private slots:
    void ownerGetsNewCodeThenZero()
    {
        Harness h;
        h.window().on_actionManual_triggered();
        Calls calls;
        record(h, calls, {3, 4, 5, 6});
        h.run(6);
        h.window().requestPageJob(4, 0x4001);
        h.run(18);
        QCOMPARE(calls.codes[4], (QVector<int16_t>{-1, 0x4001, 0, 0}));
        QCOMPARE(calls.codes[3], (QVector<int16_t>{-1, -1, -1, -1}));
        QCOMPARE(calls.codes[7], (QVector<int16_t>{0, 0x4001, 0, 0}));
        QCOMPARE(h.window().pageJobs().pageJobOwner, uint8_t(4));  // the owner stays
    }

    void onlyTheSecondOfTwoRequestsRuns()
    {
        Harness h;
        h.window().on_actionManual_triggered();
        Calls calls;
        record(h, calls, {3, 4});
        h.run(6);
        h.window().requestPageJob(3, 0x3001);
        h.window().requestPageJob(4, 0x4002);
        h.run(6);
        QCOMPARE(calls.codes[3].last(), int16_t(-1));
        QCOMPARE(calls.codes[4].last(), int16_t(0x4002));
        QVERIFY(!calls.codes[3].contains(0x3001));
    }

    void ownerSevenIdlesEveryPage()
    {
        Harness h;
        h.window().on_actionManual_triggered();
        Calls calls;
        record(h, calls, {3, 4, 5, 6});
        h.window().requestPageJob(2, 0x2010);  // a back-and-forth motion runs on page 2
        h.run(200);
        QCOMPARE(h.window().modeControlPage().motionOp(), int16_t(0x2010));
        h.window().requestPageJob(7, 0x7001);
        h.run(6);
        for (uint8_t p = 3; p <= 6; ++p)
            QCOMPARE(calls.codes[p].last(), int16_t(-1));
        QCOMPARE(calls.codes[7].last(), int16_t(0x7001));
        QCOMPARE(h.window().modeControlPage().motionOp(), int16_t(-1));
    }

    void closedPortWipesRequests()
    {
        Harness h(1, false);
        Calls calls;
        record(h, calls, {3});
        h.window().requestPageJob(3, 0x3001);
        h.window().markPageJobRequested();
        h.run(6);
        QCOMPARE(h.window().pageJobs().pageJobOwner, uint8_t(0));
        QCOMPARE(h.window().pageJobs().pageJobCode, uint16_t(0));
        QCOMPARE(h.window().pageJobs().pageJobRequestMark, uint8_t(0));
        QVERIFY(calls.codes[3].isEmpty());
        h.window().openSucess(true);
        h.run(12);
        QCOMPARE(calls.codes[3], (QVector<int16_t>{-1, -1}));
    }

    void aCodeRequestedDuringTheRunSurvivesIt()
    {
        Harness h;
        h.window().on_actionManual_triggered();
        Calls calls;
        record(h, calls, {3});
        bool asked = false;
        // Like the one-key run moving to its next stage.
        h.window().scheduler().setOneKeySequencer([&](uint8_t, int16_t code) {
            calls.codes[7] << code;
            if (code == 0x7001 && !asked) {
                asked = true;
                h.window().requestPageJob(3, 0x3001);
            }
        });
        h.window().requestPageJob(7, 0x7001);
        h.run(18);
        QCOMPARE(calls.codes[7], (QVector<int16_t>{0x7001, 0x3001, 0}));
        QCOMPARE(calls.codes[3], (QVector<int16_t>{-1, 0x3001, 0}));
    }

    void marksClearWhenBothAreSet()
    {
        Harness h;
        h.window().on_actionManual_triggered();
        h.window().markPageJobRequested();
        h.run(6);
        QCOMPARE(h.window().pageJobs().pageJobRequestMark, uint8_t(90));
        h.window().pageJobs().pageJobDoneMark = 90;
        h.run(6);
        QCOMPARE(h.window().pageJobs().pageJobRequestMark, uint8_t(0));
        QCOMPARE(h.window().pageJobs().pageJobDoneMark, uint8_t(0));
    }

    // A serial worker that lags behind the GUI thread (a loaded 2-core
    // machine, a reopen) must change nothing the drive sees: the same frames in
    // the same order, each at least 50 ticks after the one before, and no
    // failure box, whether the engine steps every tick, every 8th or not at
    // all for 30 ticks after each job starts.
    void aLaggingWorkerChangesNothing_data()
    {
        QTest::addColumn<uint8_t>("page");
        QTest::addColumn<uint16_t>("code");
        QTest::addColumn<int>("transfers");
        QTest::newRow("basic parameters, read all") << uint8_t(1) << uint16_t(0x1001) << 11;
        QTest::newRow("basic parameters, write all") << uint8_t(1) << uint16_t(0x1002) << 10;
        QTest::newRow("velocity mode (controlword 0 included)") << uint8_t(2) << uint16_t(0x2050) << 9;
    }
    void aLaggingWorkerChangesNothing()
    {
        QFETCH(uint8_t, page);
        QFETCH(uint16_t, code);
        QFETCH(int, transfers);
        auto runJob = [&](uint32_t engineEvery, uint32_t hold, QVector<Harness::SentFrame> &frames) {
            Harness h;
            h.window().on_actionManual_triggered();
            h.setEngineEvery(engineEvery);
            h.run(60);
            h.window().requestPageJob(page, code);
            h.holdEngine(hold);
            h.run(3000);
            QVERIFY2(h.boxes().isEmpty(), qPrintable(h.boxes().value(0).text));
            frames = h.sentFrames();
        };
        QVector<Harness::SentFrame> reference, lagging, held;
        runJob(1, 0, reference);
        runJob(8, 0, lagging);
        runJob(1, 30, held);
        QCOMPARE(reference.size(), transfers);
        for (const QVector<Harness::SentFrame> *run : {&lagging, &held}) {
            QCOMPARE(run->size(), reference.size());
            for (int i = 0; i < run->size(); ++i) {
                QCOMPARE(run->at(i).bytes.toHex(' '), reference.at(i).bytes.toHex(' '));
                if (i > 0)
                    QVERIFY2(run->at(i).tick - run->at(i - 1).tick >= 50,
                             qPrintable(QStringLiteral("frame %1 after %2 ticks").arg(i).arg(run->at(i).tick - run->at(i - 1).tick)));
            }
        }
    }

    void nodeComesFromTheSpinBox()
    {
        Harness h(9);
        h.window().on_actionManual_triggered();
        h.window().setNodeAddress(42);
        uint8_t seen = 0;
        h.window().scheduler().setPageSequencer(3, [&seen](uint8_t node, int16_t) { seen = node; });
        h.run(6);
        QCOMPARE(seen, uint8_t(42));
        QCOMPARE(h.window().currentNode(), uint8_t(42));
    }
};

QTEST_MAIN(SchedulerTest)
#include "tst_scheduler.moc"
