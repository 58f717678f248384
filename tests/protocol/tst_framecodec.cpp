// Serial CAN framing: exact bytes out, and which bursts in are taken.

#include "app/mainwindow.h"
#include "app/tickcounter.h"
#include "protocol/framecodec.h"
#include "protocol/sdoclient.h"
#include "tests/support/recordingsink.h"

#include <QSignalSpy>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

Q_DECLARE_METATYPE(QVector<QByteArray>)

class FrameCodecTest : public QObject {
    Q_OBJECT

    // One tick of the system: the clock (and its soft timers), then the engine.
    static void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            TickCounter::advance();
            SdoClient::poll();
        }
    }
    static void feed(const QByteArray &bytes) { SdoClient::feedReceived(bytes.constData(), bytes.size()); }

private slots:
    void init()
    {
        TickCounter::useManualClock();
        SdoClient::reset();
        setLastTxTick(0);
    }

    void requestFrames_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("node");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("subIndex");
        QTest::addColumn<uint>("value");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("read 0x6041 node 1") << 0x40 << 1 << 0x6041 << 0 << 0u
                                            << QByteArray::fromHex("0000000601084041600000000000");
        QTest::newRow("read 0x2030:1 node 1") << 0x40 << 1 << 0x2030 << 1 << 0u
                                              << QByteArray::fromHex("0000000601084030200100000000");
        QTest::newRow("write8 0x6060 = 3 node 5") << 0x2F << 5 << 0x6060 << 0 << 3u
                                                  << QByteArray::fromHex("000000060508" "2F60600003000000");
        QTest::newRow("write16 0x6040 = 0x010F node 127") << 0x2B << 127 << 0x6040 << 0 << 0x010Fu
                                                          << QByteArray::fromHex("00000006" "7F08" "2B4060000F010000");
        QTest::newRow("write32 0x607A = -10000 node 1") << 0x23 << 1 << 0x607A << 0 << 0xFFFFD8F0u
                                                        << QByteArray::fromHex("000000060108" "237A6000F0D8FFFF");
        QTest::newRow("write32 0x6099:2 node 2") << 0x23 << 2 << 0x6099 << 2 << 0x12345678u
                                                 << QByteArray::fromHex("000000060208" "2399600278563412");
        QTest::newRow("node 200 wraps in 8 bits") << 0x40 << 200 << 0x1000 << 0 << 0u
                                                  << QByteArray::fromHex("000000" "06C8" "08" "4000100000000000");
    }
    void requestFrames()
    {
        QFETCH(int, kind);
        QFETCH(int, node);
        QFETCH(int, index);
        QFETCH(int, subIndex);
        QFETCH(uint, value);
        QFETCH(QByteArray, wire);
        RecordingSink sink;
        switch (kind) {
        case 0x40: SdoClient::requestRead(uint8_t(node), uint16_t(index), uint8_t(subIndex)); break;
        case 0x2F: SdoClient::requestWrite8(uint8_t(node), uint16_t(index), uint8_t(subIndex), uint8_t(value)); break;
        case 0x2B: SdoClient::requestWrite16(uint8_t(node), uint16_t(index), uint8_t(subIndex), uint16_t(value)); break;
        case 0x23: SdoClient::requestWrite32(uint8_t(node), uint16_t(index), uint8_t(subIndex), value); break;
        }
        tick(3);
        QCOMPARE(sink.frames.size(), 1);
        QCOMPARE(sink.frames.first().toHex(' '), wire.toHex(' '));
        QCOMPARE(lastTxTick(), 1u);
    }

    void shortFramesAndLengthLimit()
    {
        RecordingSink sink;
        const uint8_t data[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
        QCOMPARE(sendCanFrame(0, 0x181, 3, data), 0);
        QCOMPARE(sendCanFrame(0, 0x080, 0, nullptr), 0);
        QCOMPARE(sendCanFrame(0, 0x701, 9, data), 0);  // at most eight data bytes
        QCOMPARE(sink.frames.value(0), QByteArray::fromHex("000000018103010203"));
        QCOMPARE(sink.frames.value(1), QByteArray::fromHex("000000008000"));
        QCOMPARE(sink.frames.value(2), QByteArray::fromHex("0000000701080102030405060708"));
    }

    void nothingGoesOutWhileClosed()
    {
        RecordingSink sink;
        sink.open = false;
        setLastTxTick(7);
        const uint8_t data[8] = {0x40, 0x41, 0x60};
        QCOMPARE(sendCanFrame(0, 0x601, 8, data), 1);
        QCOMPARE(transmitFrame(nullptr, 14), 1);
        QVERIFY(sink.frames.isEmpty());
        QCOMPARE(lastTxTick(), 7u);
    }

    void closedWindowSendsNothingToWorkerOrLog()
    {
        MainWindow w;
        w.tickTimer()->stop();
        QSignalSpy toWorker(&w, &MainWindow::sendData2Uart);
        SdoClient::requestRead(1, 0x6041, 0);
        SdoClient::poll();
        QCOMPARE(SdoClient::engineState(), SdoEngineState::Waiting);  // the attempt still counts
        QCOMPARE(toWorker.count(), 0);
        QVERIFY(w.trafficLog().text().isEmpty());

        w.openSucess(true);
        const QString before = w.trafficLog().text();
        SdoClient::reset();
        SdoClient::requestRead(1, 0x6041, 0);
        SdoClient::poll();
        QCOMPARE(toWorker.count(), 1);
        QCOMPARE(toWorker.at(0).at(0).toByteArray(), QByteArray::fromHex("0000000601084041600000000000"));
        QCOMPARE(w.trafficLog().text().mid(before.size()),
                 QStringLiteral("\n[]TX->◇00 00 00 06 01 08 40 41 60 00 00 00 00 00 "));
    }

    // Each row: chunks fed with the given tick gaps before them, then whether
    // a 16-bit answer for node 1 was taken.  A heartbeat of node 5 stands for
    // the other traffic a bus carries.
    void receiveBursts_data()
    {
        QTest::addColumn<QVector<QByteArray>>("chunks");
        QTest::addColumn<QVector<int>>("gaps");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<uint>("value");
        const QByteArray answer = QByteArray::fromHex("0000000581084B41600037060000");
        const QByteArray heartbeat = QByteArray::fromHex("00000007050105");
        const QByteArray otherNode = QByteArray::fromHex("0000000582084B41600099990000");
        QTest::newRow("one piece") << QVector<QByteArray>{answer} << QVector<int>{0} << true << 0x0637u;
        QTest::newRow("three pieces 2 ticks apart")
            << QVector<QByteArray>{answer.left(3), answer.mid(3, 7), answer.mid(10)} << QVector<int>{0, 2, 2} << true
            << 0x0637u;
        QTest::newRow("pieces 4 ticks apart still one frame")
            << QVector<QByteArray>{answer.left(7), answer.mid(7)} << QVector<int>{0, 4} << true << 0x0637u;
        QTest::newRow("a pause of 5 ticks gives up a partial frame")
            << QVector<QByteArray>{answer.left(7), answer.mid(7)} << QVector<int>{0, 5} << false << 0u;
        QTest::newRow("a partial frame, silence, then the whole answer")
            << QVector<QByteArray>{answer.left(9), answer} << QVector<int>{0, 6} << true << 0x0637u;
        QTest::newRow("another node's answer and ours in one chunk")
            << QVector<QByteArray>{otherNode + answer} << QVector<int>{0} << true << 0x0637u;
        QTest::newRow("heartbeats before and after the answer in one burst")
            << QVector<QByteArray>{heartbeat + heartbeat + answer + heartbeat} << QVector<int>{0} << true << 0x0637u;
        QTest::newRow("the answer split by a heartbeat's arrival")
            << QVector<QByteArray>{heartbeat + answer.left(5), answer.mid(5) + heartbeat.left(3), heartbeat.mid(3)}
            << QVector<int>{0, 1, 1} << true << 0x0637u;
        QTest::newRow("a heartbeat every tick around the answer")
            << QVector<QByteArray>{heartbeat, heartbeat, answer.left(6), answer.mid(6), heartbeat}
            << QVector<int>{0, 1, 1, 1, 1} << true << 0x0637u;
        QTest::newRow("bytes 1 and 2 are ignored")
            << QVector<QByteArray>{QByteArray::fromHex("00ABCD0581084B41600037060000")} << QVector<int>{0} << true
            << 0x0637u;
        QTest::newRow("type byte not zero") << QVector<QByteArray>{QByteArray::fromHex("0100000581084B41600037060000")}
                                            << QVector<int>{0} << false << 0u;
        QTest::newRow("five bytes") << QVector<QByteArray>{answer.left(5)} << QVector<int>{0} << false << 0u;
        QTest::newRow("length above 8") << QVector<QByteArray>{QByteArray::fromHex("0000000581094B41600037060000AA")}
                                        << QVector<int>{0} << false << 0u;
        QTest::newRow("shorter than 6 + length") << QVector<QByteArray>{answer.left(13)} << QVector<int>{0} << false
                                                 << 0u;
        QTest::newRow("garbage before the frame is skipped")
            << QVector<QByteArray>{QByteArray::fromHex("FF7E81") + answer} << QVector<int>{0} << true << 0x0637u;
        QTest::newRow("garbage after") << QVector<QByteArray>{answer + QByteArray::fromHex("DEADBEEF")}
                                       << QVector<int>{0} << true << 0x0637u;
        QTest::newRow("long noise after") << QVector<QByteArray>{answer + QByteArray(40, '\x55')} << QVector<int>{0}
                                          << true << 0x0637u;
        QTest::newRow("other node only") << QVector<QByteArray>{otherNode} << QVector<int>{0} << false << 0u;
        QTest::newRow("request echo (0x601)") << QVector<QByteArray>{QByteArray::fromHex("0000000601084041600000000000")}
                                              << QVector<int>{0} << false << 0u;
    }
    void receiveBursts()
    {
        QFETCH(QVector<QByteArray>, chunks);
        QFETCH(QVector<int>, gaps);
        QFETCH(bool, taken);
        QFETCH(uint, value);
        RecordingSink sink;
        SdoClient::requestRead(1, 0x6041, 0);
        tick();
        QCOMPARE(sink.frames.size(), 1);
        for (int i = 0; i < chunks.size(); ++i) {
            tick(gaps[i]);
            feed(chunks[i]);
        }
        tick(10);
        QCOMPARE(SdoClient::resultStatus() == uint8_t(SdoStatus::Confirmed), taken);
        QCOMPARE(SdoClient::linkAlive(), taken);
        if (taken) {
            QCOMPARE(SdoClient::resultIndex(), uint16_t(0x6041));
            QCOMPARE(SdoClient::resultBitWidth(), uint8_t(16));
            QCOMPARE(uint(SdoClient::resultValue16()), value);
        }
    }

    // Five quiet ticks give up a partial frame, also where the clock wraps.
    void aPartialFrameIsGivenUpAcrossTheWrap()
    {
        TickCounter::useManualClock(0xFFFFFFFDu);
        feed(QByteArray::fromHex("00000005810840"));
        tick(4);
        QCOMPARE(SdoClient::receivedCount(), 7);
        tick(1);
        QCOMPARE(SdoClient::receivedCount(), 0);
    }

    // The answer is taken the moment its last byte arrives, not after a pause.
    void answerIsTakenWithItsLastByte()
    {
        RecordingSink sink;
        SdoClient::requestRead(1, 0x6041, 0);
        tick();
        const QByteArray answer = QByteArray::fromHex("0000000581084B41600037060000");
        feed(answer.left(8));
        tick(3);
        QCOMPARE(SdoClient::resultStatus(), uint8_t(SdoStatus::None));
        QCOMPARE(SdoClient::receivedCount(), 8);
        feed(answer.mid(8));
        QCOMPARE(SdoClient::resultStatus(), uint8_t(SdoStatus::Confirmed));
        QCOMPARE(SdoClient::receivedCount(), 0);
    }

    // A bus that never pauses: a heartbeat every tick for 2000 ticks, the
    // answers in between; every request is answered at its first transmission.
    void aBusThatNeverPausesStillAnswers()
    {
        RecordingSink sink;
        const QByteArray heartbeat = QByteArray::fromHex("00000007050105");
        int answered = 0;
        for (int request = 0; request < 20; ++request) {
            SdoClient::requestRead(1, 0x6041, 0);
            for (int t = 0; t < 100; ++t) {
                tick();
                feed(heartbeat);
                if (t == 3) {
                    QByteArray answer = QByteArray::fromHex("0000000581084B416000");
                    answer.append(char(request)).append(QByteArray(3, '\0'));
                    feed(answer.left(9));
                    feed(answer.mid(9));
                }
                if (t == 60 && SdoClient::resultStatus() == uint8_t(SdoStatus::Confirmed)
                    && SdoClient::resultValue16() == request) {
                    ++answered;
                    SdoClient::clearResultStatus();
                }
            }
        }
        QCOMPARE(answered, 20);
        QCOMPARE(sink.frames.size(), 20);  // no retransmission
    }
};

QTEST_MAIN(FrameCodecTest)
#include "tst_framecodec.moc"
