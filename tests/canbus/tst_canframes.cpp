// CAN frames and the serial framing both ways: what the log and the SDO
// engine get from a frame off a CAN interface, what goes on the bus for the
// bytes the encoder hands out, the bit rates taken, and virtualcan's addresses.

#include "canbus/canframes.h"
#include "canbus/cantarget.h"

#include <QtTest>

Q_DECLARE_METATYPE(QCanBusFrame)

namespace {
QCanBusFrame frame(quint32 id, const char *hex, bool extended = false)
{
    QCanBusFrame f(id, QByteArray::fromHex(hex));
    f.setExtendedFrameFormat(extended);
    return f;
}

// "601#4041600000000000", with an X after an extended identifier.
QString describe(const QCanBusFrame &f)
{
    return QStringLiteral("%1%2#%3")
        .arg(f.frameId(), 3, 16, QLatin1Char('0'))
        .arg(f.hasExtendedFrameFormat() ? QStringLiteral("x") : QString())
        .arg(QString::fromLatin1(f.payload().toHex()))
        .toUpper();
}
} // namespace

class CanFramesTest : public QObject {
    Q_OBJECT

private slots:
    void receivedFrames_data()
    {
        QTest::addColumn<QCanBusFrame>("received");
        QTest::addColumn<QByteArray>("logged");  // hex of what the log gets; empty: nothing
        QTest::addColumn<bool>("forEngine");

        QTest::newRow("SYNC, length 0") << frame(0x080, "") << QByteArray("000000008000") << false;
        QTest::newRow("heartbeat, length 1") << frame(0x705, "05") << QByteArray("00000007050105") << false;
        QTest::newRow("TPDO, length 2") << frame(0x185, "1234") << QByteArray("000000018502" "1234") << false;
        QTest::newRow("TPDO, length 3") << frame(0x285, "010203") << QByteArray("000000028503" "010203") << false;
        QTest::newRow("SDO answer 0x5FF, length 4")
            << frame(0x5FF, "60406000") << QByteArray("00000005FF04" "60406000") << true;
        QTest::newRow("SDO answer 0x580, length 5")
            << frame(0x580, "4F61600001") << QByteArray("000000058005" "4F61600001") << true;
        QTest::newRow("RPDO, length 6") << frame(0x386, "0A0B0C0D0E0F") << QByteArray("000000038606" "0A0B0C0D0E0F")
                                        << false;
        QTest::newRow("just below the SDO answers, length 7")
            << frame(0x57F, "4B416000370600") << QByteArray("000000057F07" "4B416000370600") << false;
        QTest::newRow("SDO answer 0x581, length 8")
            << frame(0x581, "4B41600037060000") << QByteArray("000000058108" "4B41600037060000") << true;
        QTest::newRow("another master's SDO request")
            << frame(0x601, "4041600000000000") << QByteArray("000000060108" "4041600000000000") << false;
        QTest::newRow("extended frame with an answer's identifier")
            << frame(0x581, "4B41600037060000", true) << QByteArray("000000058108" "4B41600037060000") << false;
        QTest::newRow("extended frame, 29 bits")
            << frame(0x18FF0581, "4B41600037060000", true) << QByteArray("18FF058108" "4B41600037060000").prepend("00")
            << false;
        QCanBusFrame remote(0x705, QByteArray());
        remote.setFrameType(QCanBusFrame::RemoteRequestFrame);
        QTest::newRow("remote request") << remote << QByteArray("000000070500") << false;
        QCanBusFrame busOff(QCanBusFrame::ErrorFrame);
        busOff.setError(QCanBusFrame::BusOffError);
        QTest::newRow("error frame") << busOff << QByteArray() << false;
        QTest::newRow("CAN FD, 12 bytes") << frame(0x581, "4B4160003706000000000000") << QByteArray() << false;
    }
    void receivedFrames()
    {
        QFETCH(QCanBusFrame, received);
        QFETCH(QByteArray, logged);
        QFETCH(bool, forEngine);
        QCOMPARE(CanFrames::toSerialBytes(received).toHex().toUpper(), logged.toUpper());
        QCOMPARE(CanFrames::isSdoAnswer(received), forEngine);
    }

    void framesToSend_data()
    {
        QTest::addColumn<QByteArray>("bytes");  // hex, as the encoder hands them to the link
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QByteArray>("left");   // hex of what waits for the rest of a frame

        QTest::newRow("SDO read request") << QByteArray("00000006010840416000000000" "00")
                                          << QStringList{"601#4041600000000000"} << QByteArray();
        QTest::newRow("SDO write, node 127") << QByteArray("000000067F08" "2B40600006000000")
                                             << QStringList{"67F#2B40600006000000"} << QByteArray();
        QTest::newRow("NMT, length 2") << QByteArray("000000000002" "0100") << QStringList{"000#0100"} << QByteArray();
        QTest::newRow("length 0") << QByteArray("000000008000") << QStringList{"080#"} << QByteArray();
        QTest::newRow("two frames in one piece")
            << QByteArray("00000007050105" "000000018503" "AABBCC") << QStringList{"705#05", "185#AABBCC"}
            << QByteArray();
        QTest::newRow("0x7FF is still standard") << QByteArray("00000007FF01" "11") << QStringList{"7FF#11"}
                                                 << QByteArray();
        QTest::newRow("0x800 and up go extended") << QByteArray("000000080001" "22") << QStringList{"800X#22"}
                                                  << QByteArray();
        QTest::newRow("29-bit identifier") << QByteArray("0018FF060102" "AABB") << QStringList{"18FF0601X#AABB"}
                                           << QByteArray();
        QTest::newRow("a byte that cannot start a frame") << QByteArray("FF" "00000007050105")
                                                          << QStringList{"705#05"} << QByteArray();
        QTest::newRow("incomplete frame waits")
            << QByteArray("00000007050105" "0000000601084041") << QStringList{"705#05"}
            << QByteArray("0000000601084041");
    }
    void framesToSend()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, sent);
        QFETCH(QByteArray, left);
        QByteArray buffer = QByteArray::fromHex(bytes);
        QStringList described;
        for (const QCanBusFrame &f : CanFrames::takeFrames(buffer))
            described << describe(f);
        QCOMPARE(described, sent);
        QCOMPARE(buffer.toHex().toUpper(), left.toUpper());
    }

    void bitRates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("bitRate");  // 0: refused
        QTest::newRow("kbit/s") << "500" << 500000u;
        QTest::newRow("k suffix") << "125k" << 125000u;
        QTest::newRow("capital K") << "250K" << 250000u;
        QTest::newRow("bit/s") << "1000000" << 1000000u;
        QTest::newRow("not offered") << "300" << 0u;
        QTest::newRow("bit/s with k") << "500000k" << 0u;
        QTest::newRow("negative") << "-500" << 0u;
        QTest::newRow("text") << "fast" << 0u;
    }
    void bitRates()
    {
        QFETCH(QString, text);
        QFETCH(uint, bitRate);
        uint32_t parsed = 0;
        QCOMPARE(CanTarget::parseBitRate(text, parsed), bitRate != 0);
        if (bitRate)
            QCOMPARE(parsed, bitRate);
    }

    // Needs Qt's virtualcan plugin (libqt5serialbus5-plugins); unknown
    // plugins and interfaces are tried through the command line.
    void virtualAddresses_data()
    {
        QTest::addColumn<QString>("plugin");
        QTest::addColumn<QString>("interface");
        QTest::addColumn<QStringList>("mentions");  // empty: usable
        QTest::newRow("virtualcan can0") << "virtualcan" << "can0" << QStringList();
        QTest::newRow("virtualcan can1") << "virtualcan" << "can1" << QStringList();
        QTest::newRow("virtualcan at an address") << "virtualcan" << "tcp://127.0.0.1:35500/can0" << QStringList();
        QTest::newRow("virtualcan at an address, default port") << "virtualcan" << "tcp://127.0.0.1/can1"
                                                                << QStringList();
        QTest::newRow("host name") << "virtualcan" << "tcp://localhost:35500/can0" << QStringList{"IP address"};
        QTest::newRow("channel at an address") << "virtualcan" << "tcp://127.0.0.1:35500/can5"
                                               << QStringList{"can0 and can1"};
    }
    void virtualAddresses()
    {
        QFETCH(QString, plugin);
        QFETCH(QString, interface);
        QFETCH(QStringList, mentions);
        const QString problem = CanTarget::problem(plugin, interface);
        QCOMPARE(problem.isEmpty(), mentions.isEmpty());
        for (const QString &m : mentions)
            QVERIFY2(problem.contains(m), qPrintable(problem));
    }
};

QTEST_GUILESS_MAIN(CanFramesTest)
#include "tst_canframes.moc"
