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
