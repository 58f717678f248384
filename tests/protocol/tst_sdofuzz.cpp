// Whatever arrives on the wire, the receive path must neither crash, read or
// write outside its buffer, nor leave its state outside its range.  Built with
// AddressSanitizer + UBSan by `scripts/test --asan`.

#include "app/tickcounter.h"
#include "protocol/framecodec.h"
#include "protocol/sdoclient.h"
#include "tests/support/recordingsink.h"

#include <QtTest>

#include <random>

class SdoFuzzTest : public QObject {
    Q_OBJECT

private slots:
    void millionRandomBursts()
    {
        TickCounter::useManualClock();
        SdoClient::reset();
        RecordingSink sink;
        std::mt19937 rng(20261208);
        std::uniform_int_distribution<int> byte(0, 255);
        std::uniform_int_distribution<int> length(0, 40);
        std::uniform_int_distribution<int> gap(0, 7);
        std::uniform_int_distribution<int> percent(0, 99);

        const QByteArray valid = QByteArray::fromHex("0000000581084B41600037060000");
        char burst[64];
        int confirmed = 0;
        for (int i = 0; i < 1000000; ++i) {
            int n = length(rng);
            const int shape = percent(rng);
            if (shape < 20) {
                // A plausible frame with random corruption.
                n = std::min(n + 10, int(sizeof burst));
                for (int k = 0; k < n; ++k)
                    burst[k] = k < valid.size() ? valid[k] : char(byte(rng));
                burst[byte(rng) % n] = char(byte(rng));
                if (percent(rng) < 50)
                    burst[5] = char(byte(rng) % 12);
            } else {
                for (int k = 0; k < n; ++k)
                    burst[k] = char(byte(rng));
            }
            SdoClient::feedReceived(burst, n);
            if (percent(rng) < 3)
                SdoClient::requestRead(uint8_t(byte(rng)), uint16_t(byte(rng) << 8 | byte(rng)), uint8_t(byte(rng)));
            const int ticks = gap(rng);
            for (int t = 0; t < ticks; ++t) {
                TickCounter::advance();
                SdoClient::poll();
            }
            const int count = SdoClient::receivedCount();
            const auto state = uint8_t(SdoClient::engineState());
            const uint8_t status = SdoClient::resultStatus();
            const uint8_t width = SdoClient::resultBitWidth();
            if (count < 0 || count > 20 || state > 3 || status > 2
                || (width != 0 && width != 8 && width != 16 && width != 32)) {
                QFAIL(qPrintable(QStringLiteral("out of range after burst %1: count %2 state %3 status %4 width %5")
                                     .arg(i).arg(count).arg(state).arg(status).arg(width)));
            }
            if (status == uint8_t(SdoStatus::Confirmed)) {
                ++confirmed;
                SdoClient::clearResultStatus();
            }
        }
        // The corrupted frames must still be recognised now and then.
        QVERIFY(confirmed > 0);
    }
};

QTEST_APPLESS_MAIN(SdoFuzzTest)
#include "tst_sdofuzz.moc"
