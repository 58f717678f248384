// What the data window says a frame means: requests and answers by command
// byte and width, signed objects, abort codes, frames that are not SDO, and
// how a received byte stream is cut into frames.

#include "protocol/sdodecoder.h"

#include <QtTest>

using SdoDecoder::Meaning;

namespace {
// A 14-byte SDO frame from its COB-ID and eight data bytes given in hex.
QByteArray sdo(uint16_t cobId, const char *dataHex)
{
    QByteArray frame = QByteArray::fromHex("000000");
    frame.append(char(cobId >> 8));
    frame.append(char(cobId & 0xFF));
    frame.append(char(8));
    frame.append(QByteArray::fromHex(dataHex));
    return frame;
}
} // namespace

class SdoDecoderTest : public QObject {
    Q_OBJECT

private slots:
    void sdoFrames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("text");
        // Requests from the tool (0x600 + node).
        QTest::newRow("upload request") << sdo(0x601, "4041600000000000") << "read 6041:00";
        QTest::newRow("upload request, subindex 0c") << sdo(0x605, "4030200C00000000") << "read 2030:0C";
        QTest::newRow("write 1 byte") << sdo(0x601, "2F60600006000000") << "write 6060:00 = 0x06 (6)";
        QTest::newRow("write 2 bytes") << sdo(0x601, "2B4060000F000000") << "write 6040:00 = 0x000F (15)";
        QTest::newRow("write 3 bytes") << sdo(0x601, "2700220101020300") << "write 2200:01 = 0x030201 (197121)";
        QTest::newRow("write 4 bytes") << sdo(0x601, "2383600000F40100") << "write 6083:00 = 0x0001F400 (128000)";
        QTest::newRow("write, size not given") << sdo(0x601, "2283600078563412")
                                               << "write 6083:00 = 0x12345678 (305419896)";
        QTest::newRow("write, unused bytes ignored") << sdo(0x601, "2F606000FFAABBCC") << "write 6060:00 = 0xFF (-1)";
        QTest::newRow("signed 32-bit target position") << sdo(0x601, "237A600018FCFFFF")
                                                       << "write 607A:00 = 0xFFFFFC18 (-1000)";
        QTest::newRow("signed 16-bit target torque") << sdo(0x601, "2B7160000080FFFF")
                                                     << "write 6071:00 = 0x8000 (-32768)";
        QTest::newRow("limit subindex 1 signed") << sdo(0x601, "237D6001FFFFFFFF") << "write 607D:01 = 0xFFFFFFFF (-1)";
        QTest::newRow("limit count subindex 0 unsigned") << sdo(0x601, "2F7D6000FF000000")
                                                         << "write 607D:00 = 0xFF (255)";
        QTest::newRow("manufacturer object unsigned") << sdo(0x601, "2330200118FCFFFF")
                                                      << "write 2030:01 = 0xFFFFFC18 (4294966296)";
        QTest::newRow("segmented download") << sdo(0x601, "2100102010000000") << "write 1000:20 segmented, 16 bytes";
        QTest::newRow("abort from the tool") << sdo(0x601, "8041600000000405") << "abort 6041:00 0x05040000 SDO protocol timed out";
        QTest::newRow("unknown request command") << sdo(0x601, "6000000000000000") << "SDO command 0x60";
        // Answers of the drive (0x580 + node).
        QTest::newRow("1-byte answer") << sdo(0x581, "4F61600003000000") << "6061:00 = 0x03 (3)";
        QTest::newRow("1-byte signed answer") << sdo(0x581, "4F616000FE000000") << "6061:00 = 0xFE (-2)";
        QTest::newRow("2-byte answer") << sdo(0x581, "4B41600037060000") << "6041:00 = 0x0637 (1591)";
        QTest::newRow("3-byte answer") << sdo(0x581, "4700220101020300") << "2200:01 = 0x030201 (197121)";
        QTest::newRow("4-byte answer") << sdo(0x581, "43FD600000000300") << "60FD:00 = 0x00030000 (196608)";
        QTest::newRow("4-byte signed answer") << sdo(0x581, "4364600078ECFFFF") << "6064:00 = 0xFFFFEC78 (-5000)";
        QTest::newRow("answer, size not given") << sdo(0x581, "4283600064000000") << "6083:00 = 0x00000064 (100)";
        QTest::newRow("download acknowledge") << sdo(0x581, "6040600000000000") << "6040:00 written";
        QTest::newRow("segmented upload") << sdo(0x581, "4108100020000000") << "1008:00 segmented, 32 bytes";
        QTest::newRow("abort, read-only") << sdo(0x581, "8040600002000106")
                                          << "abort 6040:00 0x06010002 attempt to write a read only object";
        QTest::newRow("abort, no object") << sdo(0x581, "8000510000000206")
                                          << "abort 5100:00 0x06020000 object does not exist in the object dictionary";
        QTest::newRow("abort, unknown code") << sdo(0x581, "8041600078563412") << "abort 6041:00 0x12345678 unknown abort code";
        // Top of the node range.
        QTest::newRow("node 127 answer") << sdo(0x5FF, "6040600000000000") << "6040:00 written";
    }
    void sdoFrames()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QString, text);
        QCOMPARE(SdoDecoder::decodeFrame(frame).text, text);
    }

    void otherFrames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("text");
        QTest::newRow("heartbeat") << QByteArray::fromHex("00000007010105") << "COB-ID 0x701 05";
        QTest::newRow("sync, no data") << QByteArray::fromHex("000000008000") << "COB-ID 0x080";
        QTest::newRow("SDO COB-ID, 4 bytes") << QByteArray::fromHex("000000058104 4B416000")
                                             << "COB-ID 0x581 4B 41 60 00";
        QTest::newRow("node 0 is no SDO channel") << sdo(0x600, "4041600000000000")
                                                  << "COB-ID 0x600 40 41 60 00 00 00 00 00";
        QTest::newRow("upper header bytes ignored") << QByteArray::fromHex("00ABCD07010105") << "COB-ID 0x701 05";
    }
    void otherFrames()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QString, text);
        const Meaning m = SdoDecoder::decodeFrame(frame);
        QCOMPARE(m.kind, Meaning::Kind::Other);
        QCOMPARE(m.text, text);
    }

    void notOneWholeFrame_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header only, short") << QByteArray::fromHex("0000000581");
        QTest::newRow("type byte not 0") << QByteArray::fromHex("0100000701" "0105");
        QTest::newRow("length above 8") << QByteArray::fromHex("000000058109") + QByteArray(9, '\0');
        QTest::newRow("data missing") << QByteArray::fromHex("0000000581084B4160");
        QTest::newRow("bytes beyond the frame") << QByteArray::fromHex("0000000701010500");
    }
    void notOneWholeFrame()
    {
        QFETCH(QByteArray, bytes);
        const Meaning m = SdoDecoder::decodeFrame(bytes);
        QCOMPARE(m.kind, Meaning::Kind::None);
        QVERIFY(m.text.isEmpty());
    }

    // A sample of CiA 301's table, its first and last entries included.
    void abortTexts_data()
    {
        QTest::addColumn<uint32_t>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("toggle") << 0x05030000u << "toggle bit not alternated";
        QTest::newRow("write only") << 0x06010001u << "attempt to read a write only object";
        QTest::newRow("PDO length") << 0x06040042u
                                    << "the number and length of the objects to be mapped would exceed PDO length";
        QTest::newRow("no subindex") << 0x06090011u << "sub-index does not exist";
        QTest::newRow("max below min") << 0x06090036u << "maximum value is less than minimum value";
        QTest::newRow("general") << 0x08000000u << "general error";
        QTest::newRow("no data") << 0x08000024u << "no data available";
        QTest::newRow("zero") << 0u << "unknown abort code";
        QTest::newRow("byte order swapped") << 0x02000106u << "unknown abort code";
    }
    void abortTexts()
    {
        QFETCH(uint32_t, code);
        QFETCH(QString, text);
        QCOMPARE(SdoDecoder::abortText(code), text);
    }

    // Chunks fed one after the other; each piece as "F:hex" (a frame) or
    // "J:hex" (bytes that start none) with its end offset in its chunk.
    void splitting_data()
    {
        QTest::addColumn<QStringList>("chunks");
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QString>("pending");
        QTest::newRow("one frame") << QStringList{"0000000581084B41600037060000"}
                                   << QStringList{"F:0000000581084b41600037060000@14"} << "";
        QTest::newRow("two frames back to back")
            << QStringList{"00000007010105" "0000000581086040600000000000"}
            << QStringList{"F:00000007010105@7", "F:0000000581086040600000000000@21"} << "";
        QTest::newRow("split in three")
            << QStringList{"0000", "0005810860406000", "00000000"}
            << QStringList{"F:0000000581086040600000000000@4"} << "";
        QTest::newRow("garbage before and after")
            << QStringList{"AABB0000000701010555"}
            << QStringList{"J:aabb@2", "F:00000007010105@9", "J:55@10"} << "";
        QTest::newRow("length above 8 is no header")
            << QStringList{"000000070109112233" "00000007010105"}
            << QStringList{"J:000000070109112233@9", "F:00000007010105@16"} << "";
        QTest::newRow("incomplete tail waits") << QStringList{"00000007010105000000"}
                                               << QStringList{"F:00000007010105@7"} << "000000";
        QTest::newRow("short start waits, then proves garbage")
            << QStringList{"0000", "11223399AA" "00000007010105"}
            << QStringList{"J:000011223399aa@5", "F:00000007010105@12"} << "";
    }
    void splitting()
    {
        QFETCH(QStringList, chunks);
        QFETCH(QStringList, pieces);
        QFETCH(QString, pending);
        SdoDecoder::FrameSplitter splitter;
        QStringList seen;
        for (const QString &chunk : chunks) {
            for (const auto &p : splitter.feed(QByteArray::fromHex(chunk.toLatin1())))
                seen << QStringLiteral("%1:%2@%3").arg(p.frame ? "F" : "J", QString::fromLatin1(p.bytes.toHex())).arg(p.end);
        }
        QCOMPARE(seen, pieces);
        QCOMPARE(QString::fromLatin1(splitter.pending().toHex()), pending);
    }
};

QTEST_APPLESS_MAIN(SdoDecoderTest)
#include "tst_sdodecoder.moc"
