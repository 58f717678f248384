// The whole path in real time: the window's tick loop, the serial worker's
// thread and a real pseudo-terminal with the virtual drive on the far side.

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "protocol/sdoclient.h"
#include "tests/support/drivepeer.h"
#include "tests/support/eventwait.h"

#include <QLabel>
#include <QtTest>

class RealTimeTest : public QObject {
    Q_OBJECT

    // Places one request and waits for its confirmed answer.
    static bool transfer(const std::function<void()> &place)
    {
        SdoClient::clearResultStatus();
        place();
        return waitUntil([]() { return SdoClient::resultStatus() == uint8_t(SdoStatus::Confirmed); }, 2000);
    }

private slots:
    void roundTripsOfEveryWidth()
    {
        MessageBoxes::setRecorder([](MessageBoxes::Kind, const QString &, const QString &) {});
        DrivePeer peer(1);
        MainWindow w;
        w.on_actionManual_triggered();  // the test is the only one talking to the drive
        w.openPortAtStart(peer.slavePath(), 256000);
        QVERIFY(waitUntil([&]() { return w.isPortOpen(); }, 2000));
        waitFor(100);

        QVERIFY(transfer([]() { SdoClient::requestRead(1, 0x6041, 0); }));
        QCOMPARE(SdoClient::resultBitWidth(), uint8_t(16));
        QCOMPARE(SdoClient::resultIndex(), uint16_t(0x6041));
        uint16_t statusword = 0;
        peer.withDrive([&](sim::VirtualDrive &d) { statusword = d.statusword(); });
        QCOMPARE(SdoClient::resultValue16(), statusword);

        waitFor(60);
        QVERIFY(transfer([]() { SdoClient::requestWrite8(1, 0x6060, 0, 3); }));
        waitFor(60);
        QVERIFY(transfer([]() { SdoClient::requestRead(1, 0x6060, 0); }));
        QCOMPARE(SdoClient::resultBitWidth(), uint8_t(8));
        QCOMPARE(SdoClient::resultValue8(), uint8_t(3));

        waitFor(60);
        QVERIFY(transfer([]() { SdoClient::requestWrite16(1, 0x200E, 0, 321); }));
        waitFor(60);
        QVERIFY(transfer([]() { SdoClient::requestWrite32(1, 0x607A, 0, 0xFFFFD8F0u); }));
        waitFor(60);
        QVERIFY(transfer([]() { SdoClient::requestRead(1, 0x607A, 0); }));
        QCOMPARE(SdoClient::resultBitWidth(), uint8_t(32));
        QCOMPARE(SdoClient::resultValue32(), 0xFFFFD8F0u);
        peer.withDrive([](sim::VirtualDrive &d) {
            QCOMPARE(d.value(0x200E, 0), 321u);
            QCOMPARE(d.value(0x6060, 0), 3u);
        });

        auto *link = w.findChild<QLabel *>(QStringLiteral("linkLabel"));
        QVERIFY(waitUntil([&]() { return link->text() == QStringLiteral("Connection status: ON"); }, 2000));
        MessageBoxes::setRecorder({});
    }
};

QTEST_MAIN(RealTimeTest)
#include "tst_realtime.moc"
