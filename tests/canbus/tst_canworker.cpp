// The CAN worker on a virtualcan bus of the test's own: open, what received
// frames give the log and the SDO engine, what goes on the bus, close, and
// the failures that must end in the closed state.

#include "canbus/canworker.h"
#include "protocol/sdoclient.h"
#include "tests/support/canbuspeer.h"
#include "tests/support/eventwait.h"

#include <QtTest>

namespace {
// The worker's reports in the order the test's thread receives them.
class Reports : public QObject {
public:
    explicit Reports(LinkWorker *worker)
    {
        connect(worker, &LinkWorker::openError, this,
                [this](bool open) { events << (open ? QStringLiteral("open") : QStringLiteral("closed")); });
        connect(worker, &LinkWorker::errOccurred, this, [this](const QString &text) { events << text; });
        connect(worker, &LinkWorker::readyread, this, [this](const QByteArray &data) { logged += data; });
    }
    QStringList events;
    QByteArray logged;
};

comcfg_t canConfig(const QString &plugin, const QString &interfaceName)
{
    comcfg_t cfg;
    cfg.linkKind = LinkCan;
    cfg.canPlugin = plugin;
    cfg.canInterface = interfaceName;
    return cfg;
}

void open(LinkWorker &worker, const comcfg_t &cfg)
{
    QMetaObject::invokeMethod(&worker, "updateComCfg", Qt::QueuedConnection, Q_ARG(comcfg_t, cfg));
}

void write(LinkWorker &worker, const char *hex)
{
    QMetaObject::invokeMethod(&worker, "writeData", Qt::QueuedConnection, Q_ARG(QByteArray, QByteArray::fromHex(hex)));
}
} // namespace

class CanWorkerTest : public QObject {
    Q_OBJECT

    quint16 m_port = 0;
    std::unique_ptr<CanBusPeer> m_peer;

private slots:
    void initTestCase()
    {
        registerComcfgType();
        m_port = freeTcpPort();
        QVERIFY(m_port != 0);
        // The peer comes first and so holds the bus, in this thread.
        m_peer = std::make_unique<CanBusPeer>(m_port);
        QVERIFY(m_peer->isConnected());
    }
    void cleanupTestCase() { m_peer.reset(); }
    void init()
    {
        SdoClient::reset();
        m_peer->clear();
    }

    // Every frame reaches the log as the serial adapter's bytes; only a
    // standard frame from 0x580 to 0x5FF reaches the engine.  The idle
    // engine takes an answer from 0x580 (node 0, of no request yet), so a
    // frame let through by mistake would show as a confirmed result.
    void receivedFramesToLogAndEngine()
    {
        CanWorker worker(canConfig(QStringLiteral("virtualcan"), virtualCanInterface(m_port)));
        Reports reports(&worker);
        open(worker, canConfig(QStringLiteral("virtualcan"), virtualCanInterface(m_port)));
        QTRY_COMPARE(reports.events, QStringList{QStringLiteral("open")});

        QByteArray expected;
        const auto sendAndWaitForLog = [&](const QCanBusFrame &frame, const char *bytes) {
            m_peer->send(frame);
            expected += QByteArray::fromHex(bytes);
            return waitUntil([&]() { return reports.logged.size() >= expected.size(); }, 2000);
        };
        QVERIFY(sendAndWaitForLog(QCanBusFrame(0x705, QByteArray::fromHex("05")), "00000007050105"));
        QCanBusFrame extended(0x580, QByteArray::fromHex("4B41600037060000"));
        extended.setExtendedFrameFormat(true);
        QVERIFY(sendAndWaitForLog(extended, "0000000580084B41600037060000"));
        QVERIFY(sendAndWaitForLog(QCanBusFrame(0x600, QByteArray::fromHex("4B41600037060000")),
                                  "0000000600084B41600037060000"));
        // The log entry comes 30 ms after the engine was fed: by now it would have been.
        QCOMPARE(SdoClient::resultStatus(), uint8_t(SdoStatus::None));

        QVERIFY(sendAndWaitForLog(QCanBusFrame(0x580, QByteArray::fromHex("4B41600037060000")),
                                  "0000000580084B41600037060000"));
        QCOMPARE(SdoClient::resultStatus(), uint8_t(SdoStatus::Confirmed));
        QCOMPARE(SdoClient::resultValue16(), uint16_t(0x0637));
        QCOMPARE(reports.logged.toHex(), expected.toHex());
        QCOMPARE(reports.events, QStringList{QStringLiteral("open")});
    }

    void encodedFramesGoOnTheBus()
    {
        CanWorker worker(canConfig(QStringLiteral("virtualcan"), virtualCanInterface(m_port)));
        Reports reports(&worker);
        open(worker, canConfig(QStringLiteral("virtualcan"), virtualCanInterface(m_port)));
        QTRY_COMPARE(reports.events, QStringList{QStringLiteral("open")});

        write(worker, "00000006050840416000000000" "00");
        write(worker, "000000067F082B40600006000000" "000000000002" "0100");
        QVERIFY(m_peer->waitForFrames(3, 2000));
        const QVector<QCanBusFrame> frames = m_peer->frames();
        QCOMPARE(frames.size(), 3);
        QCOMPARE(frames[0].frameId(), 0x605u);
        QCOMPARE(frames[0].payload().toHex(), QByteArray("4041600000000000"));
        QCOMPARE(frames[1].frameId(), 0x67Fu);
        QCOMPARE(frames[1].payload().toHex(), QByteArray("2b40600006000000"));
        QCOMPARE(frames[2].frameId(), 0x000u);
        QCOMPARE(frames[2].payload().toHex(), QByteArray("0100"));
        QVERIFY(!frames[0].hasExtendedFrameFormat() && !frames[1].hasExtendedFrameFormat());

        // Closed, the link sends nothing and says so once.
        QMetaObject::invokeMethod(&worker, "stopThread", Qt::QueuedConnection);
        QTRY_COMPARE(reports.events, (QStringList{QStringLiteral("open"), QStringLiteral("closed")}));
        m_peer->clear();
        write(worker, "00000006050840416000000000" "00");
        QMetaObject::invokeMethod(&worker, "stopThread", Qt::QueuedConnection);
        waitFor(150);
        QVERIFY(m_peer->frames().isEmpty());
        QCOMPARE(reports.events.size(), 2);
    }

    void failuresEndClosed_data()
    {
        QTest::addColumn<QString>("plugin");
        QTest::addColumn<QString>("interface");
        QTest::addColumn<QString>("text");
        QTest::newRow("no such plugin") << "nosuchcan" << "can0" << "No such plugin: 'nosuchcan'";
        QTest::newRow("no such virtual channel") << "virtualcan" << "can7" << "Invalid interface 'can7'.";
        // Nothing answers at a documentation-only address: the open may not hang.
        QTest::newRow("never connects") << "virtualcan" << "tcp://192.0.2.1:35469/can0" << "CAN接口连接超时!";
    }
    void failuresEndClosed()
    {
        QFETCH(QString, plugin);
        QFETCH(QString, interface);
        QFETCH(QString, text);
        CanWorker worker(canConfig(plugin, interface));
        worker.setOpenTimeLimit(300);
        Reports reports(&worker);
        open(worker, canConfig(plugin, interface));
        QTRY_COMPARE_WITH_TIMEOUT(reports.events, (QStringList{text, QStringLiteral("closed")}), 3000);
        waitFor(400);  // and nothing more, the time limit included
        QCOMPARE(reports.events.size(), 2);
    }

    // The worker's own thread ends promptly with the link open.
    void shutdownWithTheLinkOpen()
    {
        auto *worker = new CanWorker(canConfig(QStringLiteral("virtualcan"), virtualCanInterface(m_port)));
        Reports reports(worker);
        open(*worker, canConfig(QStringLiteral("virtualcan"), virtualCanInterface(m_port)));
        QTRY_COMPARE(reports.events, QStringList{QStringLiteral("open")});
        QElapsedTimer clock;
        clock.start();
        QVERIFY(worker->shutdown(1000));
        QVERIFY(!worker->workThread()->isRunning());
        delete worker;
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        // The bus is still there for the others.
        QVERIFY(m_peer->isConnected());
    }
};

QTEST_GUILESS_MAIN(CanWorkerTest)
#include "tst_canworker.moc"
