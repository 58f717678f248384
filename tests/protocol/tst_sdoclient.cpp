// The SDO engine: one request at a time, three transmissions, time-outs,
// and what each answer does to the result.

#include "app/tickcounter.h"
#include "protocol/framecodec.h"
#include "protocol/sdoclient.h"
#include "tests/support/recordingsink.h"

#include <QtTest>

class SdoClientTest : public QObject {
    Q_OBJECT

    RecordingSink *m_sink = nullptr;

    static void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            TickCounter::advance();
            SdoClient::poll();
        }
    }
    // An answer burst from the drive, taken 5 ticks later.
    static void answer(const char *hex)
    {
        const QByteArray bytes = QByteArray::fromHex(hex);
        SdoClient::feedReceived(bytes.constData(), bytes.size());
        tick(6);
    }

private slots:
    void init()
    {
        TickCounter::useManualClock();
        SdoClient::reset();
        setLastTxTick(0);
        m_sink = new RecordingSink;
    }
    void cleanup()
    {
        delete m_sink;
        m_sink = nullptr;
    }

    void uploadWidthsWriteOnlyTheirValue()
    {
        SdoClient::requestRead(1, 0x6061, 0);
        tick();
        answer("0000000581084F61600003000000");
        QCOMPARE(SdoClient::resultStatus(), uint8_t(SdoStatus::Confirmed));
        QCOMPARE(SdoClient::resultBitWidth(), uint8_t(8));
        QCOMPARE(SdoClient::resultValue8(), uint8_t(3));
        SdoClient::clearResultStatus();
        tick(60);

        SdoClient::requestRead(1, 0x6064, 0);
        tick();
        answer("00000005810843646000785634F2");
        QCOMPARE(SdoClient::resultBitWidth(), uint8_t(32));
        QCOMPARE(SdoClient::resultValue32(), 0xF2345678u);
        tick(60);

        SdoClient::requestRead(1, 0x6041, 0);
        tick();
        answer("0000000581084B41600037060000");
        QCOMPARE(SdoClient::resultStatus(), uint8_t(SdoStatus::Confirmed));
        QCOMPARE(SdoClient::resultIndex(), uint16_t(0x6041));
        QCOMPARE(SdoClient::resultSubIndex(), uint8_t(0));
        QCOMPARE(SdoClient::resultBitWidth(), uint8_t(16));
        QCOMPARE(SdoClient::resultValue16(), uint16_t(0x0637));
        // The other two values are those of the earlier answers.
        QCOMPARE(SdoClient::resultValue8(), uint8_t(3));
        QCOMPARE(SdoClient::resultValue32(), 0xF2345678u);
    }

    void downloadAcknowledgeLeavesTheLastUpload()
    {
        SdoClient::requestRead(1, 0x2030, 5);
        tick();
        answer("0000000581084B30200511000000");
        tick(60);
        SdoClient::requestWrite16(1, 0x6040, 0, 0x000F);
        tick();
        answer("00000005810860406000" "00000000");
        QCOMPARE(SdoClient::resultStatus(), uint8_t(SdoStatus::Confirmed));
        QCOMPARE(SdoClient::resultIndex(), uint16_t(0x2030));
        QCOMPARE(SdoClient::resultSubIndex(), uint8_t(5));
        QCOMPARE(SdoClient::resultValue16(), uint16_t(0x11));
        QVERIFY(SdoClient::linkAlive());
    }

    void onlyTheLatestRequestIsSent()
    {
        SdoClient::requestRead(1, 0x6041, 0);
        SdoClient::requestWrite8(1, 0x6060, 0, 6);
        tick(30);
        QCOMPARE(m_sink->frames.size(), 1);
        QCOMPARE(m_sink->frames.first(), QByteArray::fromHex("000000060108" "2F60600006000000"));
    }

    void silenceGivesThreeTransmissions_data()
    {
        QTest::addColumn<uint32_t>("start");
        QTest::newRow("from 0") << 0u;
        QTest::newRow("across the wrap") << 0xFFFFFFC0u;
    }
    void silenceGivesThreeTransmissions()
    {
        QFETCH(uint32_t, start);
        TickCounter::useManualClock(start);
        SdoClient::requestRead(1, 0x6041, 0);
        tick(400);
        QCOMPARE(m_sink->frames.size(), 3);
        for (const QByteArray &f : m_sink->frames)
            QCOMPARE(f, m_sink->frames.first());
        QVERIFY(m_sink->ticks[1] - m_sink->ticks[0] > 40);
        QVERIFY(m_sink->ticks[2] - m_sink->ticks[1] > 40);
        QCOMPARE(m_sink->ticks[1] - m_sink->ticks[0], 42u);  // Waiting sees the time-out at +41, resends next cycle
        QCOMPARE(SdoClient::resultStatus(), uint8_t(SdoStatus::None));
        QVERIFY(!SdoClient::linkAlive());
        QCOMPARE(SdoClient::engineState(), SdoEngineState::Idle);
        QCOMPARE(lastTxTick(), m_sink->ticks[2]);
    }

    void aNewRequestCancelsTheRetries()
    {
        SdoClient::requestRead(1, 0x6041, 0);
        tick(10);
        SdoClient::requestRead(1, 0x603F, 0);
        tick(200);
        QCOMPARE(m_sink->frames.size(), 4);  // one of the first, then three of the second
        QCOMPARE(uint8_t(m_sink->frames[1].at(7)), uint8_t(0x3F));
    }

    void answeredRequestsAreSpacedByFiftyTicks_data()
    {
        QTest::addColumn<uint32_t>("start");
        QTest::newRow("from 0") << 0u;
        QTest::newRow("across the wrap") << 0xFFFFFFE0u;
    }
    void answeredRequestsAreSpacedByFiftyTicks()
    {
        QFETCH(uint32_t, start);
        TickCounter::useManualClock(start);
        SdoClient::requestRead(1, 0x6041, 0);
        tick();
        answer("0000000581084B41600037060000");
        QCOMPARE(SdoClient::engineState(), SdoEngineState::Answered);
        SdoClient::requestRead(1, 0x603F, 0);
        tick(60);
        QCOMPARE(m_sink->frames.size(), 2);
        QCOMPARE(m_sink->ticks[1] - m_sink->ticks[0], 52u);  // Answered frees the engine at +51, it sends on the next cycle
    }

    void answerFromAnotherNodeIsIgnored()
    {
        SdoClient::requestRead(1, 0x6041, 0);
        tick();
        answer("0000000582084B41600037060000");
        QCOMPARE(SdoClient::resultStatus(), uint8_t(SdoStatus::None));
        QVERIFY(!SdoClient::linkAlive());
    }

    void answerWhileANewRequestIsPendingIsIgnored()
    {
        SdoClient::requestRead(1, 0x6041, 0);
        tick();
        SdoClient::requestRead(1, 0x603F, 0);  // not taken while the first waits
        answer("0000000581084B41600037060000");
        QCOMPARE(SdoClient::resultStatus(), uint8_t(SdoStatus::None));
    }

    void abortIsRetriedLikeSilence()
    {
        SdoClient::requestRead(1, 0x6041, 0);
        tick();
        answer("0000000581088041600000000206");
        QCOMPARE(SdoClient::resultStatus(), uint8_t(SdoStatus::Aborted));
        QVERIFY(SdoClient::linkAlive());
        tick(40);
        QCOMPARE(SdoClient::resultStatus(), uint8_t(SdoStatus::None));
        QCOMPARE(m_sink->frames.size(), 2);
        answer("0000000581088041600000000206");
        tick(50);
        answer("0000000581088041600000000206");
        tick(100);
        QCOMPARE(m_sink->frames.size(), 3);
        QCOMPARE(SdoClient::resultStatus(), uint8_t(SdoStatus::None));
        QVERIFY(!SdoClient::linkAlive());
    }

    void unknownCommandBytesAreDropped()
    {
        SdoClient::requestRead(1, 0x6041, 0);
        tick();
        answer("00000005810841416000" "04000000");  // a segmented upload start
        QCOMPARE(SdoClient::resultStatus(), uint8_t(SdoStatus::None));
        answer("00000005810842416000" "37060000");  // expedited without size
        QCOMPARE(SdoClient::resultStatus(), uint8_t(SdoStatus::None));
    }

    void clearLinkAlive()
    {
        SdoClient::requestRead(1, 0x6041, 0);
        tick();
        answer("0000000581084B41600037060000");
        QVERIFY(SdoClient::linkAlive());
        SdoClient::clearLinkAlive();
        QVERIFY(!SdoClient::linkAlive());
    }
};

QTEST_APPLESS_MAIN(SdoClientTest)
#include "tst_sdoclient.moc"
