#include "sim/virtualdrive.h"

#include <QtTest>

#include <vector>

namespace {

struct Piece {
    uint32_t atMs;
    QByteArray bytes;
};

QByteArray sdoFrame(uint8_t node, uint8_t command, uint16_t index, uint8_t subIndex,
                    uint32_t value)
{
    const uint16_t cob = uint16_t(0x600 + node);
    const char bytes[14] = {0, 0, 0, char(cob >> 8), char(cob & 0xFF), 8, char(command),
                            char(index & 0xFF), char(index >> 8), char(subIndex),
                            char(value & 0xFF), char((value >> 8) & 0xFF),
                            char((value >> 16) & 0xFF), char((value >> 24) & 0xFF)};
    return QByteArray(bytes, 14);
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// The drive on a stepped clock: every ms one advance(), everything it sends is kept
// with the time it was sent.
struct Bench {
    explicit Bench(uint8_t node = 1) : drive(node)
    {
        drive.onTransmit = [this](const uint8_t *data, std::size_t count) {
            out.push_back({now, QByteArray(reinterpret_cast<const char *>(data), int(count))});
        };
        drive.advance(now);
    }

    void send(const QByteArray &bytes)
    {
        drive.receive(reinterpret_cast<const uint8_t *>(bytes.constData()),
                      std::size_t(bytes.size()), now);
        drive.advance(now);
    }
    void run(uint32_t ms)
    {
        for (uint32_t i = 0; i < ms; ++i)
            drive.advance(++now);
    }
    QByteArray take()
    {
        QByteArray all;
        for (const Piece &p : out)
            all += p.bytes;
        out.clear();
        return all;
    }
    // One SDO exchange with the default 2 ms answer time.
    QByteArray transfer(const QByteArray &request)
    {
        send(request);
        run(3);
        return take();
    }
    bool write(uint16_t index, uint8_t subIndex, uint32_t value, int bytes = 4)
    {
        const uint8_t command = bytes == 1 ? 0x2F : bytes == 2 ? 0x2B : 0x23;
        const QByteArray answer = transfer(sdoFrame(node, command, index, subIndex, value));
        return answer.size() == 14 && uint8_t(answer[6]) == 0x60;
    }
    bool controlword(uint16_t value) { return write(0x6040, 0, value, 2); }
    uint32_t read(uint16_t index, uint8_t subIndex = 0)
    {
        const QByteArray a = transfer(sdoFrame(node, 0x40, index, subIndex, 0));
        if (a.size() != 14 || (uint8_t(a[6]) & 0xE0) != 0x40)
            return 0xDEADBEEF;
        return uint32_t(uint8_t(a[10])) | uint32_t(uint8_t(a[11])) << 8 |
               uint32_t(uint8_t(a[12])) << 16 | uint32_t(uint8_t(a[13])) << 24;
    }
    // Runs until statusword bit 10 is set; returns the ms that took, or -1.
    int runUntilReached(uint32_t limitMs)
    {
        for (uint32_t t = 1; t <= limitMs; ++t) {
            run(1);
            if (drive.statusword() & 0x0400)
                return int(t);
        }
        return -1;
    }
    // Profile position setup as the motion page sends it.
    bool profile(uint32_t rpm, uint32_t accel, uint32_t decel)
    {
        return write(0x6081, 0, rpm) && write(0x6083, 0, accel) && write(0x6084, 0, decel);
    }
    bool relativeMove(int32_t pulses)
    {
        return write(0x607A, 0, uint32_t(pulses)) && write(0x6060, 0, 1, 1) &&
               controlword(0x004F) && controlword(0x005F);
    }

    uint8_t node = 1;
    sim::VirtualDrive drive;
    uint32_t now = 0;
    std::vector<Piece> out;
};

} // namespace

class tst_VirtualDrive : public QObject {
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void writeWidths_data();
    void writeWidths();

    void otherNodesAndForeignFramesIgnored();
    void reassembly_data();
    void reassembly();
    void resync_data();
    void resync();
    void backToBackFrames();
    void stalePartialFrameDropped();
    void clientAbortNotAnswered();

    void relativeMoves();
    void absoluteMove();
    void velocityMode_data();
    void velocityMode();
    void haltRampsDownAndAbandonsMove();
    void releaseStopsAtOnceAndMovesStillWork();
    void homing();
    void alarm_data();
    void alarm();
    void storeAndRestore();
    void newNodeAfterPowerCycle();
    void terminals();

    void silenceStillExecutes();
    void silentObjects();
    void dropEveryNth();
    void abortObjects();
    void answerFromNode();
    void chunks_data();
    void chunks();
    void delay_data();
    void delay();
    void garbage();
    void answersDoNotInterleave();
    void trace();
};

void tst_VirtualDrive::answers_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");
    auto row = [](const char *name, const char *request, const char *answer) {
        QTest::newRow(name) << QByteArray::fromHex(request) << QByteArray::fromHex(answer);
    };
    // Reads: width from the dictionary.
    row("6041 statusword at rest", "00 00 00 06 01 08 40 41 60 00 00 00 00 00",
        "00 00 00 05 81 08 4B 41 60 00 37 06 00 00");
    row("6061 mode display", "00 00 00 06 01 08 40 61 60 00 00 00 00 00",
        "00 00 00 05 81 08 4F 61 60 00 01 00 00 00");
    row("603F fault code", "00 00 00 06 01 08 40 3F 60 00 00 00 00 00",
        "00 00 00 05 81 08 4B 3F 60 00 00 00 00 00");
    row("6081 profile velocity", "00 00 00 06 01 08 40 81 60 00 00 00 00 00",
        "00 00 00 05 81 08 43 81 60 00 32 00 00 00");
    row("6098 homing method", "00 00 00 06 01 08 40 98 60 00 00 00 00 00",
        "00 00 00 05 81 08 4F 98 60 00 11 00 00 00");
    row("6099:0 count", "00 00 00 06 01 08 40 99 60 00 00 00 00 00",
        "00 00 00 05 81 08 4F 99 60 00 02 00 00 00");
    row("6099:1 homing speed", "00 00 00 06 01 08 40 99 60 01 00 00 00 00",
        "00 00 00 05 81 08 43 99 60 01 96 00 00 00");
    row("6099:2 search speed", "00 00 00 06 01 08 40 99 60 02 00 00 00 00",
        "00 00 00 05 81 08 43 99 60 02 32 00 00 00");
    row("2000 node", "00 00 00 06 01 08 40 00 20 00 00 00 00 00",
        "00 00 00 05 81 08 4B 00 20 00 01 00 00 00");
    row("2006 microstep", "00 00 00 06 01 08 40 06 20 00 00 00 00 00",
        "00 00 00 05 81 08 4B 06 20 00 0D 00 00 00");
    row("2040 current loop P", "00 00 00 06 01 08 40 40 20 00 00 00 00 00",
        "00 00 00 05 81 08 4B 40 20 00 DC 00 00 00");
    row("200F enabled", "00 00 00 06 01 08 40 0F 20 00 00 00 00 00",
        "00 00 00 05 81 08 4B 0F 20 00 01 00 00 00");
    row("2030:0 count", "00 00 00 06 01 08 40 30 20 00 00 00 00 00",
        "00 00 00 05 81 08 4F 30 20 00 10 00 00 00");
    row("2030:14 Y1 function", "00 00 00 06 01 08 40 30 20 0E 00 00 00 00",
        "00 00 00 05 81 08 4B 30 20 0E 04 00 00 00");
    row("1600:0 count", "00 00 00 06 01 08 40 00 16 00 00 00 00 00",
        "00 00 00 05 81 08 4F 00 16 00 02 00 00 00");
    row("1A00:1 mapping", "00 00 00 06 01 08 40 00 1A 01 00 00 00 00",
        "00 00 00 05 81 08 43 00 1A 01 10 00 41 60");
    row("1800:2 transmission type", "00 00 00 06 01 08 40 00 18 02 00 00 00 00",
        "00 00 00 05 81 08 4F 00 18 02 FF 00 00 00");
    row("1803:5 event timer", "00 00 00 06 01 08 40 03 18 05 00 00 00 00",
        "00 00 00 05 81 08 4B 03 18 05 00 00 00 00");
    // Writes
    row("write 6083 4 bytes", "00 00 00 06 01 08 23 83 60 00 E8 03 00 00",
        "00 00 00 05 81 08 60 83 60 00 00 00 00 00");
    row("write 6098 1 byte", "00 00 00 06 01 08 2F 98 60 00 23 00 00 00",
        "00 00 00 05 81 08 60 98 60 00 00 00 00 00");
    row("write 2012 2 bytes", "00 00 00 06 01 08 2B 12 20 00 01 00 00 00",
        "00 00 00 05 81 08 60 12 20 00 00 00 00 00");
    row("write 2030:1", "00 00 00 06 01 08 2B 30 20 01 07 00 00 00",
        "00 00 00 05 81 08 60 30 20 01 00 00 00 00");
    // Aborts
    row("write 2000 read-only", "00 00 00 06 01 08 2B 00 20 00 05 00 00 00",
        "00 00 00 05 81 08 80 00 20 00 02 00 01 06");
    row("write 6041 read-only", "00 00 00 06 01 08 2B 41 60 00 05 00 00 00",
        "00 00 00 05 81 08 80 41 60 00 02 00 01 06");
    row("write 6099:0 read-only", "00 00 00 06 01 08 2F 99 60 00 05 00 00 00",
        "00 00 00 05 81 08 80 99 60 00 02 00 01 06");
    row("read unknown index", "00 00 00 06 01 08 40 34 12 00 00 00 00 00",
        "00 00 00 05 81 08 80 34 12 00 00 00 02 06");
    row("write unknown index", "00 00 00 06 01 08 23 FF 2F 00 01 00 00 00",
        "00 00 00 05 81 08 80 FF 2F 00 00 00 02 06");
    row("read unknown subindex", "00 00 00 06 01 08 40 41 60 01 00 00 00 00",
        "00 00 00 05 81 08 80 41 60 01 11 00 09 06");
    row("read 1800:4 gap", "00 00 00 06 01 08 40 00 18 04 00 00 00 00",
        "00 00 00 05 81 08 80 00 18 04 11 00 09 06");
    row("read 2010 write-only", "00 00 00 06 01 08 40 10 20 00 00 00 00 00",
        "00 00 00 05 81 08 80 10 20 00 01 00 01 06");
    row("read 2011 write-only", "00 00 00 06 01 08 40 11 20 00 00 00 00 00",
        "00 00 00 05 81 08 80 11 20 00 01 00 01 06");
    row("unknown command 60", "00 00 00 06 01 08 60 41 60 00 00 00 00 00",
        "00 00 00 05 81 08 80 41 60 00 01 00 04 05");
    row("segmented download 21", "00 00 00 06 01 08 21 7A 60 00 04 00 00 00",
        "00 00 00 05 81 08 80 7A 60 00 01 00 04 05");
}

void tst_VirtualDrive::answers()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    Bench b;
    b.run(10);
    const uint32_t sentAt = b.now;
    b.send(request);
    b.run(20);
    QCOMPARE(int(b.out.size()), 1);
    QCOMPARE(b.out[0].atMs, sentAt + 2);
    QCOMPARE(hex(b.out[0].bytes), hex(answer));
    QCOMPARE(int(b.drive.requests().size()), 1);
}

void tst_VirtualDrive::writeWidths_data()
{
    QTest::addColumn<QByteArray>("write");
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<QByteArray>("answer");
    auto row = [](const char *name, const char *w, const char *r, const char *a) {
        QTest::newRow(name) << QByteArray::fromHex(w) << QByteArray::fromHex(r)
                            << QByteArray::fromHex(a);
    };
    row("8-bit object, 1-byte write", "00 00 00 06 01 08 2F 98 60 00 23 00 00 00",
        "00 00 00 06 01 08 40 98 60 00 00 00 00 00", "00 00 00 05 81 08 4F 98 60 00 23 00 00 00");
    row("8-bit object, 4-byte write cut", "00 00 00 06 01 08 23 98 60 00 34 12 00 00",
        "00 00 00 06 01 08 40 98 60 00 00 00 00 00", "00 00 00 05 81 08 4F 98 60 00 34 00 00 00");
    row("16-bit object, 4-byte write cut", "00 00 00 06 01 08 23 05 20 00 45 23 01 00",
        "00 00 00 06 01 08 40 05 20 00 00 00 00 00", "00 00 00 05 81 08 4B 05 20 00 45 23 00 00");
    row("32-bit object, 2-byte write", "00 00 00 06 01 08 2B 7A 60 00 FF FF 77 77",
        "00 00 00 06 01 08 40 7A 60 00 00 00 00 00", "00 00 00 05 81 08 43 7A 60 00 FF FF 00 00");
    row("32-bit negative target", "00 00 00 06 01 08 23 7A 60 00 F0 D8 FF FF",
        "00 00 00 06 01 08 40 7A 60 00 00 00 00 00", "00 00 00 05 81 08 43 7A 60 00 F0 D8 FF FF");
    row("3-byte write 27", "00 00 00 06 01 08 27 81 60 00 EF CD AB 99",
        "00 00 00 06 01 08 40 81 60 00 00 00 00 00", "00 00 00 05 81 08 43 81 60 00 EF CD AB 00");
    row("size not indicated 22", "00 00 00 06 01 08 22 83 60 00 10 27 00 00",
        "00 00 00 06 01 08 40 83 60 00 00 00 00 00", "00 00 00 05 81 08 43 83 60 00 10 27 00 00");
    row("PDO mapping entry", "00 00 00 06 01 08 23 01 1A 03 20 00 64 60",
        "00 00 00 06 01 08 40 01 1A 03 00 00 00 00", "00 00 00 05 81 08 43 01 1A 03 20 00 64 60");
    row("TPDO inhibit time", "00 00 00 06 01 08 2B 02 18 03 E8 03 00 00",
        "00 00 00 06 01 08 40 02 18 03 00 00 00 00", "00 00 00 05 81 08 4B 02 18 03 E8 03 00 00");
    row("mode display follows mode", "00 00 00 06 01 08 2F 60 60 00 03 00 00 00",
        "00 00 00 06 01 08 40 61 60 00 00 00 00 00", "00 00 00 05 81 08 4F 61 60 00 03 00 00 00");
    row("2012 stored", "00 00 00 06 01 08 2B 12 20 00 01 00 00 00",
        "00 00 00 06 01 08 40 12 20 00 00 00 00 00", "00 00 00 05 81 08 4B 12 20 00 01 00 00 00");
}

void tst_VirtualDrive::writeWidths()
{
    QFETCH(QByteArray, write);
    QFETCH(QByteArray, read);
    QFETCH(QByteArray, answer);
    Bench b;
    const QByteArray ack = b.transfer(write);
    QCOMPARE(ack.size(), 14);
    QCOMPARE(uint8_t(ack[6]), uint8_t(0x60));
    QCOMPARE(hex(b.transfer(read)), hex(answer));
}

void tst_VirtualDrive::otherNodesAndForeignFramesIgnored()
{
    Bench b(5);
    b.node = 5;
    // To node 1, an answer-shaped frame for node 5, our COB-ID with L = 4, an empty frame.
    QVERIFY(b.transfer(sdoFrame(1, 0x40, 0x6041, 0, 0)).isEmpty());
    QVERIFY(b.transfer(QByteArray::fromHex("00 00 00 05 85 08 4B 41 60 00 37 06 00 00")).isEmpty());
    QVERIFY(b.transfer(QByteArray::fromHex("00 00 00 06 05 04 2B 05 20 00")).isEmpty());
    QVERIFY(b.transfer(QByteArray::fromHex("00 00 00 06 05 00")).isEmpty());
    QVERIFY(b.transfer(sdoFrame(1, 0x2B, 0x2005, 0, 20)).isEmpty());
    b.run(50);
    QVERIFY(b.out.empty());
    QVERIFY(b.drive.requests().empty());
    QCOMPARE(b.drive.value(0x2005, 0), 15u);

    QCOMPARE(hex(b.transfer(sdoFrame(5, 0x40, 0x2000, 0, 0))),
             hex(QByteArray::fromHex("00 00 00 05 85 08 4B 00 20 00 05 00 00 00")));
}

void tst_VirtualDrive::reassembly_data()
{
    QTest::addColumn<QList<int>>("pieces");
    QTest::newRow("one piece") << QList<int>{14};
    QTest::newRow("byte by byte") << QList<int>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("header split") << QList<int>{3, 11};
    QTest::newRow("last byte late") << QList<int>{13, 1};
    QTest::newRow("header then data") << QList<int>{6, 8};
}

void tst_VirtualDrive::reassembly()
{
    QFETCH(QList<int>, pieces);
    Bench b;
    const QByteArray request = sdoFrame(1, 0x40, 0x6041, 0, 0);
    int offset = 0;
    for (int n : pieces) {
        b.send(request.mid(offset, n));
        offset += n;
        if (offset < request.size()) {
            b.run(1);
            QVERIFY(b.out.empty());
        }
    }
    const uint32_t lastByteAt = b.now;
    b.run(10);
    QCOMPARE(int(b.out.size()), 1);
    QCOMPARE(b.out[0].atMs, lastByteAt + 2);
    QCOMPARE(hex(b.out[0].bytes),
             hex(QByteArray::fromHex("00 00 00 05 81 08 4B 41 60 00 37 06 00 00")));
}

void tst_VirtualDrive::resync_data()
{
    QTest::addColumn<QByteArray>("garbage");
    QTest::newRow("one byte") << QByteArray::fromHex("FF");
    QTest::newRow("no zero bytes") << QByteArray::fromHex("FF FE 01 80 7F");
    QTest::newRow("length above 8") << QByteArray::fromHex("00 FF FF FF FF 0C");
    QTest::newRow("long noise") << QByteArray::fromHex("AA 55 AA 55 AA 55 AA 55 AA 55 AA 55 AA 55 AA");
}

void tst_VirtualDrive::resync()
{
    QFETCH(QByteArray, garbage);
    Bench b;
    const QByteArray answer = b.transfer(garbage + sdoFrame(1, 0x40, 0x2000, 0, 0));
    QCOMPARE(hex(answer), hex(QByteArray::fromHex("00 00 00 05 81 08 4B 00 20 00 01 00 00 00")));
    // Garbage in its own chunk ahead of the frame gives the same.
    b.send(garbage);
    b.run(1);
    QCOMPARE(hex(b.transfer(sdoFrame(1, 0x40, 0x2000, 0, 0))), hex(answer));
}

void tst_VirtualDrive::backToBackFrames()
{
    Bench b;
    b.send(sdoFrame(1, 0x40, 0x6041, 0, 0) + sdoFrame(1, 0x40, 0x6081, 0, 0));
    b.run(10);
    QCOMPARE(int(b.out.size()), 2);
    QCOMPARE(hex(b.out[0].bytes), hex(QByteArray::fromHex("00 00 00 05 81 08 4B 41 60 00 37 06 00 00")));
    QCOMPARE(hex(b.out[1].bytes), hex(QByteArray::fromHex("00 00 00 05 81 08 43 81 60 00 32 00 00 00")));
}

void tst_VirtualDrive::stalePartialFrameDropped()
{
    Bench b;
    b.send(sdoFrame(1, 0x23, 0x6081, 0, 999).left(9));
    b.run(100);
    QCOMPARE(hex(b.transfer(sdoFrame(1, 0x40, 0x6081, 0, 0))),
             hex(QByteArray::fromHex("00 00 00 05 81 08 43 81 60 00 32 00 00 00")));
    QCOMPARE(int(b.drive.requests().size()), 1);
}

void tst_VirtualDrive::clientAbortNotAnswered()
{
    Bench b;
    QVERIFY(b.transfer(sdoFrame(1, 0x80, 0x6041, 0, 0x05040000)).isEmpty());
    QCOMPARE(int(b.drive.requests().size()), 1);
    QCOMPARE(b.drive.requests()[0].command, uint8_t(0x80));
}

void tst_VirtualDrive::relativeMoves()
{
    Bench b;
    // 60 rpm at 10000 pulses/rev = 10 pulses/ms; 100 rps/s = 1 pulse/ms per ms.
    QVERIFY(b.profile(60, 100, 100));
    QVERIFY(b.relativeMove(10000));
    QCOMPARE(b.drive.statusword() & 0x4400, 0x4000);

    int32_t last = b.drive.position();
    for (int t = 0; t < 500; ++t) {
        b.run(1);
        QVERIFY(b.drive.position() >= last);
        last = b.drive.position();
        QCOMPARE(b.drive.statusword() & 0x4400, 0x4000);
    }
    QCOMPARE(b.read(0x6041), 0x4237u);
    QCOMPARE(b.read(0x606C), 60u);
    QVERIFY2(last > 4800 && last < 5100, qPrintable(QString::number(last)));
    QCOMPARE(b.read(0x6064), uint32_t(b.drive.position()));

    // Ramps down before the target rather than stopping dead from full speed.
    int took = 0;
    int lastSpeed = 60;
    while (!(b.drive.statusword() & 0x0400) && took < 2000) {
        lastSpeed = b.drive.velocity();
        b.run(1);
        ++took;
    }
    QVERIFY2(took > 450 && took < 530, qPrintable(QString::number(took)));
    QVERIFY2(lastSpeed > 0 && lastSpeed <= 20, qPrintable(QString::number(lastSpeed)));
    QCOMPARE(b.drive.position(), 10000);
    QCOMPARE(b.drive.velocity(), 0);
    QCOMPARE(b.read(0x6041), 0x0637u);
    QCOMPARE(b.read(0x606C), 0u);

    // The way back, as the back-and-forth motion sends it: 0x4F then 0x5F again.
    QVERIFY(b.relativeMove(-10000));
    QVERIFY(b.drive.statusword() & 0x4000);
    b.run(100);
    QVERIFY(b.drive.position() < 10000);
    QCOMPARE(b.read(0x606C), uint32_t(-60));
    QVERIFY(b.runUntilReached(2000) > 0);
    QCOMPARE(b.drive.position(), 0);
}

void tst_VirtualDrive::absoluteMove()
{
    Bench b;
    QVERIFY(b.profile(300, 1000, 1000));
    QVERIFY(b.write(0x607A, 0, 2500));
    QVERIFY(b.write(0x6060, 0, 1, 1));
    QVERIFY(b.controlword(0x000F));
    QVERIFY(b.controlword(0x001F));
    QVERIFY(b.runUntilReached(1000) > 0);
    QCOMPARE(b.drive.position(), 2500);

    // 0x1F again is no new set-point: nothing moves.
    QVERIFY(b.write(0x607A, 0, uint32_t(-3000)));
    QVERIFY(b.controlword(0x001F));
    b.run(50);
    QCOMPARE(b.drive.position(), 2500);
    QCOMPARE(b.drive.statusword(), uint16_t(0x0637));

    QVERIFY(b.controlword(0x000F));
    QVERIFY(b.controlword(0x001F));
    QVERIFY(b.drive.statusword() & 0x4000);
    QVERIFY(b.runUntilReached(1000) > 0);
    QCOMPARE(b.drive.position(), -3000);
    QCOMPARE(b.read(0x6064), 0xFFFFF448u);
}

void tst_VirtualDrive::velocityMode_data()
{
    QTest::addColumn<int>("microstep");
    QTest::addColumn<int>("rpm");
    QTest::addColumn<int>("pulsesPerSecond");
    QTest::newRow("10000 pulses/rev") << 13 << 120 << 20000;
    QTest::newRow("200 pulses/rev") << 0 << 60 << 200;
    QTest::newRow("40000 pulses/rev, reverse") << 15 << -30 << -20000;
    QTest::newRow("1000 pulses/rev") << 8 << 600 << 10000;
}

void tst_VirtualDrive::velocityMode()
{
    QFETCH(int, microstep);
    QFETCH(int, rpm);
    QFETCH(int, pulsesPerSecond);
    Bench b;
    QVERIFY(b.write(0x2006, 0, uint32_t(microstep), 2));
    // The motion page's sequence for velocity mode.
    QVERIFY(b.controlword(0x0000));
    QVERIFY(b.write(0x60FF, 0, uint32_t(rpm)));
    QVERIFY(b.write(0x6083, 0, 100));
    QVERIFY(b.write(0x6084, 0, 100));
    QVERIFY(b.write(0x6060, 0, 3, 1));
    b.run(20);
    QCOMPARE(b.drive.position(), 0);
    QVERIFY(b.controlword(0x0006));
    QVERIFY(b.controlword(0x0007));
    QCOMPARE(b.drive.position(), 0);
    QVERIFY(b.controlword(0x000F));
    b.run(300);
    QCOMPARE(b.read(0x606C), uint32_t(rpm));
    QCOMPARE(b.drive.statusword(), uint16_t(0x4637));   // running at the commanded speed
    const int32_t before = b.drive.position();
    b.run(1000);
    const int32_t moved = b.drive.position() - before;
    QVERIFY2(qAbs(moved - pulsesPerSecond) <= 1, qPrintable(QString::number(moved)));

    // Halt ramps down with 0x6084, it does not stop dead.
    QVERIFY(b.controlword(0x010F));
    QVERIFY(b.drive.velocity() != 0);
    QVERIFY(qAbs(b.drive.velocity()) < qAbs(rpm));
    b.run(300);
    QCOMPARE(b.drive.velocity(), 0);
    QCOMPARE(b.drive.statusword(), uint16_t(0x0637));
    // Halt released: velocity mode runs again.
    QVERIFY(b.controlword(0x000F));
    b.run(300);
    QCOMPARE(b.drive.velocity(), rpm);
    // A new target velocity is followed while running.
    QVERIFY(b.write(0x60FF, 0, 0));
    b.run(300);
    QCOMPARE(b.drive.velocity(), 0);
    QCOMPARE(b.drive.statusword() & 0x4000, 0);
}

void tst_VirtualDrive::haltRampsDownAndAbandonsMove()
{
    Bench b;
    QVERIFY(b.profile(60, 100, 10));   // braking from 10 pulses/ms takes 100 ms
    QVERIFY(b.relativeMove(100000));
    b.run(200);
    QVERIFY(b.controlword(0x010F));
    const int32_t haltedAt = b.drive.position();
    QCOMPARE(b.drive.statusword() & 0x4400, 0x4000);
    b.run(50);
    QVERIFY(b.drive.velocity() > 0);
    QVERIFY(b.drive.velocity() < 60);
    QVERIFY(b.runUntilReached(200) > 0);
    QCOMPARE(b.drive.velocity(), 0);
    QCOMPARE(b.drive.statusword(), uint16_t(0x0637));
    const int32_t stoppedAt = b.drive.position();
    QVERIFY2(stoppedAt > haltedAt + 400 && stoppedAt < haltedAt + 600,
             qPrintable(QString("%1 %2").arg(haltedAt).arg(stoppedAt)));
    // Dropping the halt bit does not pick the abandoned move up again.
    QVERIFY(b.controlword(0x000F));
    b.run(100);
    QCOMPARE(b.drive.position(), stoppedAt);
}

void tst_VirtualDrive::releaseStopsAtOnceAndMovesStillWork()
{
    Bench b;
    QVERIFY(b.profile(60, 100, 100));
    QVERIFY(b.relativeMove(100000));
    b.run(100);
    QVERIFY(b.write(0x200F, 0, 0, 2));
    QCOMPARE(b.drive.velocity(), 0);
    const int32_t releasedAt = b.drive.position();
    b.run(100);
    QCOMPARE(b.drive.position(), releasedAt);
    QCOMPARE(b.read(0x6041), 0x0650u);   // switch on disabled, standing
    QCOMPARE(b.read(0x200F), 0u);

    // Without an enable: the controlword's 0x0F bits are enough to move.
    QVERIFY(b.relativeMove(1000));
    QVERIFY(b.runUntilReached(1000) > 0);
    QCOMPARE(b.drive.position(), releasedAt + 1000);
    QCOMPARE(b.drive.statusword(), uint16_t(0x0637));

    QVERIFY(b.write(0x200F, 0, 0, 2));
    QVERIFY(b.write(0x200F, 0, 1, 2));
    QCOMPARE(b.read(0x6041), 0x0637u);
    QCOMPARE(b.read(0x200F), 1u);
}

void tst_VirtualDrive::homing()
{
    Bench b;
    QVERIFY(b.profile(300, 1000, 1000));
    QVERIFY(b.relativeMove(3000));
    QVERIFY(b.runUntilReached(1000) > 0);

    // The motion page's homing start.
    QVERIFY(b.write(0x6060, 0, 6, 1));
    QVERIFY(b.write(0x6098, 0, 17, 1));
    QVERIFY(b.write(0x607C, 0, 500));
    QVERIFY(b.write(0x609A, 0, 100));
    QVERIFY(b.write(0x6099, 2, 50));
    QVERIFY(b.write(0x6099, 1, 300));
    QVERIFY(b.controlword(0x0006));
    QVERIFY(b.controlword(0x0007));
    QVERIFY(b.controlword(0x000F));
    QCOMPARE(b.drive.position(), 3000);
    QVERIFY(b.controlword(0x001F));
    b.run(20);
    QVERIFY(b.drive.position() < 3000);
    QCOMPARE(b.drive.statusword() & 0xC400, 0x4000);
    QCOMPARE(b.read(0x6061), 6u);

    QVERIFY(b.runUntilReached(1000) > 0);
    QCOMPARE(b.read(0x6041), 0x8637u);
    QCOMPARE(b.drive.position(), 500);   // the switch reads the home offset

    // Homing again from the switch: done at once, same place.
    QVERIFY(b.controlword(0x000F));
    QVERIFY(b.controlword(0x001F));
    QVERIFY(b.runUntilReached(50) > 0);
    QCOMPARE(b.drive.statusword(), uint16_t(0x8637));
    QCOMPARE(b.drive.position(), 500);

    // A halted homing run is not done.
    QVERIFY(b.write(0x6060, 0, 1, 1));
    QVERIFY(b.relativeMove(5000));
    QVERIFY(b.runUntilReached(1000) > 0);
    QVERIFY(b.write(0x6060, 0, 6, 1));
    QVERIFY(b.controlword(0x000F));
    QVERIFY(b.controlword(0x001F));
    b.run(30);
    QVERIFY(b.controlword(0x010F));
    QVERIFY(b.runUntilReached(500) > 0);
    QCOMPARE(b.drive.statusword() & 0x8000, 0);
    QVERIFY(b.drive.position() > 500);
}

void tst_VirtualDrive::alarm_data()
{
    QTest::addColumn<QByteArray>("clear");
    QTest::newRow("0x2011 = 1") << sdoFrame(1, 0x2B, 0x2011, 0, 1);
    QTest::newRow("controlword fault reset") << sdoFrame(1, 0x2B, 0x6040, 0, 0x0080);
}

void tst_VirtualDrive::alarm()
{
    QFETCH(QByteArray, clear);
    Bench b;
    QVERIFY(b.profile(60, 100, 100));
    QVERIFY(b.relativeMove(100000));
    b.run(100);
    b.drive.setFaultCode(0x7500);
    QCOMPARE(b.drive.velocity(), 0);
    QCOMPARE(b.read(0x603F), 0x7500u);
    QCOMPARE(b.read(0x6041), 0x0618u);

    // No motion while the alarm stands.
    const int32_t stoppedAt = b.drive.position();
    QVERIFY(b.write(0x200F, 0, 1, 2));
    QVERIFY(b.relativeMove(1000));
    b.run(200);
    QCOMPARE(b.drive.position(), stoppedAt);
    QCOMPARE(b.drive.statusword(), uint16_t(0x0618));

    QCOMPARE(uint8_t(b.transfer(clear)[6]), uint8_t(0x60));
    QCOMPARE(b.read(0x603F), 0u);
    QCOMPARE(b.read(0x6041), 0x0650u);
    QVERIFY(b.relativeMove(1000));
    QVERIFY(b.runUntilReached(1000) > 0);
    QCOMPARE(b.drive.position(), stoppedAt + 1000);
}

void tst_VirtualDrive::storeAndRestore()
{
    Bench b;
    QVERIFY(b.write(0x2005, 0, 20, 2));
    QVERIFY(b.write(0x6081, 0, 400));
    QVERIFY(b.write(0x2010, 0, 2, 2));   // store
    QVERIFY(b.write(0x2005, 0, 25, 2));
    QVERIFY(b.write(0x6060, 0, 3, 1));
    b.drive.powerCycle();
    QCOMPARE(b.read(0x2005), 20u);
    QCOMPARE(b.read(0x6081), 400u);
    QCOMPARE(b.read(0x6060), 1u);         // operating state is not a parameter

    QVERIFY(b.write(0x2010, 0, 1, 2));   // factory defaults, in RAM and in the stored copy
    QCOMPARE(b.read(0x2005), 15u);
    QCOMPARE(b.read(0x6081), 50u);
    QVERIFY(b.write(0x2005, 0, 22, 2));
    b.drive.powerCycle();
    QCOMPARE(b.read(0x2005), 15u);

    // 0x200C = 0: every parameter write is stored on its own.
    QVERIFY(b.write(0x200C, 0, 0, 2));
    QVERIFY(b.write(0x2006, 0, 5, 2));
    b.drive.powerCycle();
    QCOMPARE(b.read(0x2006), 5u);
}

void tst_VirtualDrive::newNodeAfterPowerCycle()
{
    Bench b;
    QVERIFY(b.write(0x2008, 0, 9, 2));
    QCOMPARE(b.read(0x2000), 1u);         // takes effect at the next power-up only
    QVERIFY(b.write(0x2010, 0, 2, 2));
    b.drive.powerCycle();
    QVERIFY(b.transfer(sdoFrame(1, 0x40, 0x2000, 0, 0)).isEmpty());
    QCOMPARE(hex(b.transfer(sdoFrame(9, 0x40, 0x2000, 0, 0))),
             hex(QByteArray::fromHex("00 00 00 05 89 08 4B 00 20 00 09 00 00 00")));
}

void tst_VirtualDrive::terminals()
{
    Bench b;
    b.drive.setInputs(0x0005);
    b.drive.setOutputs(0x0002);
    QCOMPARE(b.read(0x2003), 0x0005u);
    QCOMPARE(b.read(0x60FD), 0x00050000u);
    QCOMPARE(b.read(0x2004), 0x0002u);
    QCOMPARE(uint8_t(b.transfer(sdoFrame(1, 0x2B, 0x2004, 0, 3))[6]), uint8_t(0x80));
    QCOMPARE(b.read(0x2004), 0x0002u);
}

void tst_VirtualDrive::silenceStillExecutes()
{
    Bench b;
    b.drive.faults().silent = true;
    QVERIFY(b.transfer(sdoFrame(1, 0x2B, 0x2005, 0, 20)).isEmpty());
    QVERIFY(b.transfer(sdoFrame(1, 0x40, 0x2005, 0, 0)).isEmpty());
    b.run(100);
    QVERIFY(b.out.empty());
    QCOMPARE(b.drive.value(0x2005, 0), 20u);
    QCOMPARE(int(b.drive.requests().size()), 2);
    b.drive.faults().silent = false;
    QCOMPARE(b.read(0x2005), 20u);
}

void tst_VirtualDrive::silentObjects()
{
    Bench b;
    b.drive.faults().silentObjects = {0x604100, 0x609902};
    QVERIFY(b.transfer(sdoFrame(1, 0x40, 0x6041, 0, 0)).isEmpty());
    QVERIFY(b.transfer(sdoFrame(1, 0x23, 0x6099, 2, 77)).isEmpty());
    QCOMPARE(b.drive.value(0x6099, 2), 77u);
    QCOMPARE(b.read(0x6099, 1), 150u);
    QCOMPARE(b.read(0x6064), 0u);
}

void tst_VirtualDrive::dropEveryNth()
{
    Bench b;
    b.drive.faults().dropEveryNth = 3;
    QString answered;
    for (uint8_t sub = 1; sub <= 7; ++sub)
        answered += b.transfer(sdoFrame(1, 0x40, 0x2030, sub, 0)).isEmpty() ? '-' : 'A';
    QCOMPARE(answered, QString("AA-AA-A"));
    // The count starts again with a cleared history.
    b.drive.clearRequests();
    answered.clear();
    for (int i = 0; i < 3; ++i)
        answered += b.transfer(sdoFrame(1, 0x40, 0x6041, 0, 0)).isEmpty() ? '-' : 'A';
    QCOMPARE(answered, QString("AA-"));
}

void tst_VirtualDrive::abortObjects()
{
    Bench b;
    b.drive.faults().abortObjects = {0x607A00};
    QCOMPARE(hex(b.transfer(sdoFrame(1, 0x23, 0x607A, 0, 1234))),
             hex(QByteArray::fromHex("00 00 00 05 81 08 80 7A 60 00 00 00 00 08")));
    QCOMPARE(b.drive.value(0x607A, 0), 0u);   // refused, not written
    QCOMPARE(hex(b.transfer(sdoFrame(1, 0x40, 0x607A, 0, 0))),
             hex(QByteArray::fromHex("00 00 00 05 81 08 80 7A 60 00 00 00 00 08")));
    QCOMPARE(b.read(0x6041), 0x0637u);
}

void tst_VirtualDrive::answerFromNode()
{
    Bench b;
    b.drive.faults().answerFromNode = 5;
    QCOMPARE(hex(b.transfer(sdoFrame(1, 0x40, 0x6041, 0, 0))),
             hex(QByteArray::fromHex("00 00 00 05 85 08 4B 41 60 00 37 06 00 00")));
    // Requests are still only taken for the drive's own node.
    QVERIFY(b.transfer(sdoFrame(5, 0x40, 0x6041, 0, 0)).isEmpty());
}

void tst_VirtualDrive::chunks_data()
{
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<QList<int>>("offsets");   // ms after the request
    QTest::newRow("5 bytes, 3 ms") << 5 << 3 << QList<int>{5, 5, 4} << QList<int>{2, 5, 8};
    QTest::newRow("4 bytes, 1 ms") << 4 << 1 << QList<int>{4, 4, 4, 2} << QList<int>{2, 3, 4, 5};
    QTest::newRow("7 bytes, 30 ms") << 7 << 30 << QList<int>{7, 7} << QList<int>{2, 32};
    QTest::newRow("whole frame") << 14 << 10 << QList<int>{14} << QList<int>{2};
    QTest::newRow("bytes, no gap") << 1 << 0 << QVector<int>(14, 1).toList()
                                   << QVector<int>(14, 2).toList();
}

void tst_VirtualDrive::chunks()
{
    QFETCH(int, chunkSize);
    QFETCH(int, gapMs);
    QFETCH(QList<int>, sizes);
    QFETCH(QList<int>, offsets);
    Bench b;
    b.drive.faults().chunkSize = unsigned(chunkSize);
    b.drive.faults().chunkGapMs = unsigned(gapMs);
    b.run(7);
    const uint32_t sentAt = b.now;
    b.send(sdoFrame(1, 0x40, 0x6041, 0, 0));
    b.run(100);
    QList<int> gotSizes;
    QList<int> gotOffsets;
    for (const Piece &p : b.out) {
        gotSizes << p.bytes.size();
        gotOffsets << int(p.atMs - sentAt);
    }
    QCOMPARE(gotSizes, sizes);
    QCOMPARE(gotOffsets, offsets);
    QCOMPARE(hex(b.take()), hex(QByteArray::fromHex("00 00 00 05 81 08 4B 41 60 00 37 06 00 00")));
}

void tst_VirtualDrive::delay_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::newRow("immediate") << 0;
    QTest::newRow("10 ms") << 10;
    QTest::newRow("beyond the tool's 40 ms") << 45;
}

void tst_VirtualDrive::delay()
{
    QFETCH(int, delayMs);
    Bench b;
    b.drive.faults().delayMs = unsigned(delayMs);
    b.run(3);
    const uint32_t sentAt = b.now;
    b.send(sdoFrame(1, 0x40, 0x6041, 0, 0));
    b.run(100);
    QCOMPARE(int(b.out.size()), 1);
    QCOMPARE(int(b.out[0].atMs - sentAt), delayMs);
}

void tst_VirtualDrive::garbage()
{
    Bench b;
    b.drive.faults().garbageBefore = {0xFF, 0xEE};
    b.drive.faults().garbageAfter = {0xDD};
    const QByteArray frame = QByteArray::fromHex("00 00 00 05 81 08 4B 41 60 00 37 06 00 00");
    b.send(sdoFrame(1, 0x40, 0x6041, 0, 0));
    b.run(10);
    QCOMPARE(int(b.out.size()), 1);
    QCOMPARE(hex(b.out[0].bytes), hex(QByteArray::fromHex("FF EE") + frame + QByteArray::fromHex("DD")));

    // Split answers carry the garbage in their first and last piece.
    b.out.clear();
    b.drive.faults().chunkSize = 8;
    b.drive.faults().chunkGapMs = 2;
    b.send(sdoFrame(1, 0x40, 0x6041, 0, 0));
    b.run(20);
    QCOMPARE(int(b.out.size()), 3);
    QCOMPARE(hex(b.out[0].bytes.left(2)), QString("FF EE"));
    QCOMPARE(hex(b.out[2].bytes.right(1)), QString("DD"));
    QCOMPARE(hex(b.take()), hex(QByteArray::fromHex("FF EE") + frame + QByteArray::fromHex("DD")));
}

void tst_VirtualDrive::answersDoNotInterleave()
{
    Bench b;
    b.drive.faults().chunkSize = 7;
    b.drive.faults().chunkGapMs = 5;
    b.send(sdoFrame(1, 0x40, 0x6041, 0, 0) + sdoFrame(1, 0x40, 0x2000, 0, 0));
    b.run(50);
    QList<int> offsets;
    for (const Piece &p : b.out)
        offsets << int(p.atMs);
    QCOMPARE(offsets, (QList<int>{2, 7, 12, 17}));
    QCOMPARE(hex(b.take()),
             hex(QByteArray::fromHex("00 00 00 05 81 08 4B 41 60 00 37 06 00 00"
                                     "00 00 00 05 81 08 4B 00 20 00 01 00 00 00")));
}

void tst_VirtualDrive::trace()
{
    Bench b;
    QStringList lines;
    b.drive.onTrace = [&lines](char dir, const uint8_t *data, std::size_t count, uint32_t atMs) {
        lines << QString("%1 %2 %3").arg(atMs).arg(dir).arg(
                     hex(QByteArray(reinterpret_cast<const char *>(data), int(count))));
    };
    b.drive.faults().garbageBefore = {0xAA};
    b.drive.faults().chunkSize = 5;
    b.drive.faults().chunkGapMs = 1;
    b.run(4);
    b.send(sdoFrame(2, 0x40, 0x6041, 0, 0));   // another node's request is traced, not answered
    b.send(sdoFrame(1, 0x40, 0x6041, 0, 0));
    b.run(20);
    QCOMPARE(lines, (QStringList{"4 Q 00 00 00 06 02 08 40 41 60 00 00 00 00 00",
                                 "4 Q 00 00 00 06 01 08 40 41 60 00 00 00 00 00",
                                 "6 A 00 00 00 05 81 08 4B 41 60 00 37 06 00 00"}));
    QCOMPARE(int(b.out.size()), 3);
}

QTEST_APPLESS_MAIN(tst_VirtualDrive)
#include "tst_virtualdrive.moc"
