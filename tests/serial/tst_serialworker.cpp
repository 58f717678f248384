// The serial worker against real pseudo-terminals: open, missing device,
// unplug, close, bursts, and a prompt shutdown with the port open.

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "app/tickcounter.h"
#include "protocol/sdoclient.h"
#include "serial/uartwork.h"
#include "tests/support/pty.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QThread>
#include <QtTest>

namespace {
QStringList g_qtWarnings;
QtMessageHandler g_previousHandler = nullptr;

void collectWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg)
        g_qtWarnings << message;
    if (g_previousHandler && type != QtDebugMsg)
        g_previousHandler(type, context, message);
}
} // namespace

// Records the worker's reports in the order the GUI thread receives them.
class Reports : public QObject {
    Q_OBJECT
public:
    explicit Reports(uartWork *worker)
    {
        connect(worker, &uartWork::openError, this,
                [this](bool open) { events << (open ? QStringLiteral("open") : QStringLiteral("closed")); });
        connect(worker, &uartWork::errOccurred, this, [this](const QString &text) { events << text; });
        connect(worker, &uartWork::readyread, this, [this](const QByteArray &data) {
            bursts << data;
            burstTimes << clock.elapsed();
        });
        clock.start();
    }
    QStringList events;
    QVector<QByteArray> bursts;
    QVector<qint64> burstTimes;
    QElapsedTimer clock;
};

class SerialWorkerTest : public QObject {
    Q_OBJECT

    static comcfg_t configFor(const QString &name)
    {
        comcfg_t cfg;
        cfg.portName = name;
        return cfg;
    }
    static void open(uartWork &worker, const comcfg_t &cfg)
    {
        QMetaObject::invokeMethod(&worker, "updateComCfg", Qt::QueuedConnection, Q_ARG(comcfg_t, cfg));
    }

private slots:
    void initTestCase() { registerComcfgType(); }

    void openingAPseudoTerminal()
    {
        PseudoTerminal pty;
        QVERIFY(pty.isOpen());
        uartWork worker(configFor(pty.slavePath()));
        Reports reports(&worker);
        open(worker, configFor(pty.slavePath()));
        QTRY_COMPARE(reports.events, QStringList{QStringLiteral("open")});

        // Bytes to write reach the far end unchanged.
        QMetaObject::invokeMethod(&worker, "writeData", Qt::QueuedConnection,
                                  Q_ARG(QByteArray, QByteArray::fromHex("00000006010840416000000000")));
        QCOMPARE(pty.read(1000, 13), QByteArray::fromHex("00000006010840416000000000"));
    }

    void missingDevice()
    {
        uartWork worker(configFor(QStringLiteral("/dev/axiscope-no-such-port")));
        Reports reports(&worker);
        open(worker, configFor(QStringLiteral("/dev/axiscope-no-such-port")));
        QTRY_COMPARE(reports.events, (QStringList{QStringLiteral("打开一个不存在的设备!"), QStringLiteral("closed")}));
    }

    void unpluggingTheAdapter()
    {
        auto *pty = new PseudoTerminal;
        uartWork worker(configFor(pty->slavePath()));
        Reports reports(&worker);
        open(worker, configFor(pty->slavePath()));
        QTRY_COMPARE(reports.events, QStringList{QStringLiteral("open")});
        delete pty;  // the master side goes away
        QTRY_COMPARE_WITH_TIMEOUT(reports.events,
                                  (QStringList{QStringLiteral("open"), QStringLiteral("串口已拔出!"),
                                               QStringLiteral("closed")}),
                                  3000);
    }

    void stopThreadOnAClosedPortSaysNothing()
    {
        PseudoTerminal pty;
        uartWork worker(configFor(pty.slavePath()));
        Reports reports(&worker);
        QMetaObject::invokeMethod(&worker, "stopThread", Qt::QueuedConnection);
        QTest::qWait(150);
        QVERIFY(reports.events.isEmpty());

        open(worker, configFor(pty.slavePath()));
        QTRY_COMPARE(reports.events, QStringList{QStringLiteral("open")});
        QMetaObject::invokeMethod(&worker, "stopThread", Qt::QueuedConnection);
        QTRY_COMPARE(reports.events, (QStringList{QStringLiteral("open"), QStringLiteral("closed")}));
        QMetaObject::invokeMethod(&worker, "stopThread", Qt::QueuedConnection);
        QTest::qWait(150);
        QCOMPARE(reports.events.size(), 2);
    }

    void oneLogEntryPerBurst()
    {
        PseudoTerminal pty;
        uartWork worker(configFor(pty.slavePath()));
        Reports reports(&worker);
        open(worker, configFor(pty.slavePath()));
        QTRY_COMPARE(reports.events, QStringList{QStringLiteral("open")});
        const QByteArray frame = QByteArray::fromHex("0000000581084B41600037060000");
        pty.write(frame.left(4));
        QTest::qWait(5);
        pty.write(frame.mid(4, 6));
        QTest::qWait(5);
        pty.write(frame.mid(10));
        // The log gets the three chunks as one entry.
        QTRY_COMPARE_WITH_TIMEOUT(reports.bursts.size(), 1, 2000);
        QCOMPARE(reports.bursts.first(), frame);
        QTest::qWait(100);
        QCOMPARE(reports.bursts.size(), 1);

        // The SDO side takes a frame as soon as it is complete.  With the engine
        // idle an answer from node 0 (the node of no request yet) is accepted and
        // never times out, whatever the load on this machine.  (No request has
        // been placed in this process: the engine has been idle all along.)
        const QByteArray idleAnswer = QByteArray::fromHex("0000000580084B41600037060000");
        pty.write(idleAnswer);
        QTRY_COMPARE_WITH_TIMEOUT(SdoClient::resultStatus(), uint8_t(SdoStatus::Confirmed), 1000);
        QCOMPARE(SdoClient::resultValue16(), uint16_t(0x0637));
        QTRY_COMPARE_WITH_TIMEOUT(reports.bursts.size(), 2, 2000);
        QCOMPARE(reports.bursts.last(), idleAnswer);
    }

    void exitWithThePortOpenIsClean()
    {
        MessageBoxes::setRecorder([](MessageBoxes::Kind, const QString &, const QString &) {});
        PseudoTerminal pty;
        auto *window = new MainWindow;
        window->openPortAtStart(pty.slavePath(), 256000);
        // Once at confirmation, once more when the worker reports the open port.
        QTRY_COMPARE(window->trafficLog().text().count(QStringLiteral("Serial port success open")), 2);
        QThread *workerThread = window->worker()->workThread();
        QVERIFY(workerThread->isRunning());
        QTest::qWait(200);  // let the status monitor put frames on the wire

        g_qtWarnings.clear();
        g_previousHandler = qInstallMessageHandler(collectWarnings);
        delete window;
        qInstallMessageHandler(g_previousHandler);
        QVERIFY2(g_qtWarnings.isEmpty(), qPrintable(g_qtWarnings.join(QLatin1Char('\n'))));
        MessageBoxes::setRecorder({});
    }
};

QTEST_MAIN(SerialWorkerTest)
#include "tst_serialworker.moc"
