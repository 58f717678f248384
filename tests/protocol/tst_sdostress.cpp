// The request and result fields are shared by the GUI thread (pages) and the
// worker thread (engine) without locks.  Here one plain thread places requests
// and reads results while another steps the engine and answers every frame,
// and a third advances the clock, as the tick loop does.  Under
// ThreadSanitizer this proves the sharing is race-free; in every build it
// checks that a confirmed result always belongs to one answer.

#include "app/tickcounter.h"
#include "protocol/framecodec.h"
#include "protocol/sdoclient.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// The drive of this test answers a read of index i with value16 = i ^ 0x5A5A.
class EchoDrive : public FrameSink {
public:
    bool portIsOpen() const override { return true; }
    void frameOut(const QByteArray &bytes) override
    {
        // Called by the engine thread; it feeds the answer back on the same thread.
        const auto index = uint16_t(uint8_t(bytes.at(7)) | (uint8_t(bytes.at(8)) << 8));
        const uint8_t cmd = uint8_t(bytes.at(6));
        const uint16_t value = uint16_t(index ^ 0x5A5A);
        QByteArray a = QByteArray::fromHex("0000000581080000000000000000");
        a[6] = char(cmd == 0x40 ? 0x4B : 0x60);
        a[7] = bytes.at(7);
        a[8] = bytes.at(8);
        a[9] = bytes.at(9);
        if (cmd == 0x40) {
            a[10] = char(value & 0xFF);
            a[11] = char(value >> 8);
        }
        pending = a;
        frames.fetch_add(1, std::memory_order_relaxed);
    }
    QByteArray pending;  // engine thread only
    std::atomic<int> frames{0};
};

} // namespace

class SdoStressTest : public QObject {
    Q_OBJECT

private slots:
    void pagesAndEngineOnTwoThreads()
    {
        TickCounter::useManualClock();
        SdoClient::reset();
        EchoDrive drive;
        setFrameSink(&drive);

        std::atomic<bool> stop{false};
        std::thread clock([&]() {
            while (!stop.load()) {
                TickCounter::advance();
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            }
        });
        std::thread engine([&]() {
            while (!stop.load()) {
                SdoClient::poll();
                if (!drive.pending.isEmpty()) {
                    SdoClient::feedReceived(drive.pending.constData(), drive.pending.size());
                    drive.pending.clear();
                }
                std::this_thread::yield();
            }
        });

        int confirmed = 0, inconsistent = 0;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(800);
        uint16_t index = 0x2000;
        std::thread pages([&]() {
            while (std::chrono::steady_clock::now() < until) {
                index = uint16_t(index == 0x2FFF ? 0x2000 : index + 1);
                SdoClient::requestRead(1, index, uint8_t(index & 7));
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
                while (std::chrono::steady_clock::now() < deadline) {
                    if (SdoClient::resultStatus() == uint8_t(SdoStatus::Confirmed)) {
                        const uint16_t i = SdoClient::resultIndex();
                        if (SdoClient::resultValue16() != uint16_t(i ^ 0x5A5A) || SdoClient::resultBitWidth() != 16)
                            ++inconsistent;
                        ++confirmed;
                        SdoClient::clearResultStatus();
                        break;
                    }
                    std::this_thread::yield();
                }
                SdoClient::requestWrite32(1, 0x607A, 0, index);
            }
        });
        pages.join();
        stop.store(true);
        engine.join();
        clock.join();
        setFrameSink(nullptr);

        QCOMPARE(inconsistent, 0);
        QVERIFY2(confirmed > 5, qPrintable(QString::number(confirmed)));
        QVERIFY(drive.frames.load() >= confirmed);
    }
};

QTEST_APPLESS_MAIN(SdoStressTest)
#include "tst_sdostress.moc"
