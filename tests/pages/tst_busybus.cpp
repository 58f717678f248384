// A bus with other traffic: another node's heartbeat on every tick, and the
// tool must still find every answer, with no failure and no retransmission.

#include "pages/basicparampage.h"
#include "tests/support/harness.h"

#include <QLineEdit>
#include <QSet>
#include <QTreeWidgetItem>
#include <QtTest>

class BusyBusTest : public QObject {
    Q_OBJECT

    static QString lineEdit(Harness &h, const char *name)
    {
        return h.window().findChild<QLineEdit *>(QLatin1String(name))->text();
    }
    // Every request went out exactly once: no answer had to be asked for again.
    static void expectNoRetransmission(Harness &h)
    {
        QSet<QByteArray> seen;
        for (const Harness::SentFrame &f : h.sentFrames()) {
            QVERIFY2(!seen.contains(f.bytes) || f.command() == 0x40, f.bytes.toHex(' ').constData());
            seen.insert(f.bytes);
        }
    }

private slots:
    void statusValuesThroughAHeartbeatEveryTick()
    {
        Harness h;
        h.drive().faults().heartbeatMs = 1;
        h.drive().setFaultCode(0x2310);
        h.drive().setValue(0x6064, 0, uint32_t(-4321));
        h.run(900);  // one status cycle is 858 ticks
        QVERIFY(h.receivedBursts().size() > 800);  // the heartbeats did arrive
        QCOMPARE(lineEdit(h, "common_tw2_tab22_lineEdit_603F"), QStringLiteral("2310"));
        QCOMPARE(lineEdit(h, "common_tw2_tab22_lineEdit_6061"), QStringLiteral("1"));
        QCOMPARE(lineEdit(h, "common_tw2_tab22_lineEdit_6064"), QStringLiteral("-4321"));
        QCOMPARE(lineEdit(h, "common_tw2_tab22_lineEdit_60FD"), QStringLiteral("0"));
        QCOMPARE(lineEdit(h, "common_tw2_tab22_lineEdit_606C"), QStringLiteral("0"));
        QCOMPARE(lineEdit(h, "common_tw2_tab22_lineEdit_6041"), QStringLiteral("618"));  // the drive in fault
        // Eight reads, each sent once.
        QCOMPARE(h.sentFrames().size(), 8);
    }

    void pageReadAndWriteThroughAHeartbeatEveryTick()
    {
        Harness h;
        h.window().on_actionManual_triggered();
        h.drive().faults().heartbeatMs = 1;
        h.drive().setValue(0x2005, 0, 22);
        h.drive().setValue(0x2041, 0, 7);
        h.window().requestPageJob(1, 0x1001);
        h.window().markPageJobRequested();
        QVERIFY(h.runUntilPageJobDone(3000));
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(1));
        QCOMPARE(h.window().basicParamPage().rowItem(1, 2)->text(1), QStringLiteral("22"));
        QCOMPARE(h.window().basicParamPage().rowItem(2, 2)->text(1), QStringLiteral("7"));
        QCOMPARE(h.sentFrames().size(), 11);

        h.clearSentFrames();
        h.window().basicParamPage().setBasicParamValue(2, 1, 333);
        h.window().requestPageJob(1, 0x1002);
        h.window().markPageJobRequested();
        QVERIFY(h.runUntilPageJobDone(3000));
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(101));
        QCOMPARE(h.sentFrames().size(), 10);
        expectNoRetransmission(h);
        QCOMPARE(h.drive().value(0x2040, 0), 333u);
        QVERIFY(h.boxes().isEmpty());
    }
};

QTEST_MAIN(BusyBusTest)
#include "tst_busybus.moc"
