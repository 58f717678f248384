// The pages in real time: the window's own tick loop and serial worker,
// drive-sim on a pseudo-terminal.  Saves screenshots of what the user
// sees to build/screens/ along the way.

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "pages/basicparampage.h"
#include "pages/modecontrolpage.h"
#include "serial/uartwork.h"
#include "tests/support/drivesimprocess.h"
#include "tests/support/eventwait.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest>

namespace {
bool lampOn(MainWindow &w, const char *name)
{
    auto *label = w.findChild<QLabel *>(QLatin1String(name));
    static const QImage lit = QPixmap(QStringLiteral(":/ico1/A2.bmp")).toImage();
    return label && label->pixmap(Qt::ReturnByValue).toImage() == lit;
}
} // namespace

class LivePagesTest : public QObject {
    Q_OBJECT

    QString m_screens;
    QStringList m_boxes;

    void save(MainWindow &w, const char *name)
    {
        QApplication::processEvents();
        QVERIFY(w.grab().save(m_screens + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png")));
    }

private slots:
    void initTestCase()
    {
        m_screens = QStringLiteral(SCREENS_DIR);
        QDir().mkpath(m_screens);
        MessageBoxes::setRecorder([this](MessageBoxes::Kind, const QString &, const QString &text) { m_boxes << text; });
    }
    void init() { m_boxes.clear(); }
    void cleanupTestCase() { MessageBoxes::setRecorder({}); }

    void statusFollowsTheDrive()
    {
        DriveSimProcess sim;
        QVERIFY(sim.isRunning());
        MainWindow w;
        w.resize(1380, 780);
        w.show();
        w.openPortAtStart(sim.slavePath(), 256000);
        auto *link = w.findChild<QLabel *>(QStringLiteral("linkLabel"));
        QVERIFY(waitUntil([&]() { return link->text() == QStringLiteral("Connection status: ON"); }, 3000));
        auto *mode = w.findChild<QLineEdit *>(QStringLiteral("common_tw2_tab22_lineEdit_6061"));
        QVERIFY(waitUntil([&]() { return mode->text() == QStringLiteral("1"); }, 3000));
        save(w, "status-cia402");

        QVERIFY(!lampOn(w, "common_tw2_tab23_label_X1"));
        sim.command(QStringLiteral("inputs 3"));
        QVERIFY(waitUntil([&]() { return lampOn(w, "common_tw2_tab23_label_X0") && lampOn(w, "common_tw2_tab23_label_X1"); }, 4000));
        QVERIFY(!lampOn(w, "common_tw2_tab23_label_X2"));
        w.findChild<QTabWidget *>(QStringLiteral("tabWidget_2"))->setCurrentIndex(1);
        save(w, "status-io");
    }

    void readAllAndARelativeMove()
    {
        DriveSimProcess sim;
        QVERIFY(sim.isRunning());
        sim.command(QStringLiteral("set 2005 16"));
        sim.command(QStringLiteral("set 2040 136"));
        MainWindow w;
        w.resize(1380, 780);
        w.show();
        w.openPortAtStart(sim.slavePath(), 256000);
        QVERIFY(waitUntil([&]() { return w.isPortOpen(); }, 2000));

        auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        tabs->setCurrentIndex(0);
        w.findChild<QPushButton *>(QStringLiteral("t1_g1_pushButton_1_read_param"))->click();
        BasicParamPage &page = w.basicParamPage();
        QVERIFY(waitUntil([&]() { return page.rowItem(2, 2)->text(1) == QStringLiteral("3"); }, 5000));
        QCOMPARE(page.rowItem(1, 2)->text(1), QStringLiteral("22"));
        QCOMPARE(page.rowItem(2, 1)->text(1), QStringLiteral("310"));
        QCOMPARE(w.pageJobs().pageJobResult, uint8_t(1));
        save(w, "page1-read-all");

        // A slow, long move so that the status monitor sees it running.
        tabs->setCurrentIndex(1);
        w.findChild<QTabWidget *>(QStringLiteral("tabWidget_2"))->setCurrentIndex(0);
        w.modeControlPage().setParamGroup1Value(0x6081, 30);
        w.modeControlPage().setParamGroup1Value(0x607A, 20000);
        QVERIFY(waitUntil([&]() { return w.pageJobs().pageJobBusy == uint8_t(0); }, 3000));
        w.findChild<QPushButton *>(QStringLiteral("g_button_group1_1_relative_post"))->click();
        QVERIFY(waitUntil([&]() { return lampOn(w, "common_tw2_tab21_label_3"); }, 8000));  // motor running
        QVERIFY(!lampOn(w, "common_tw2_tab21_label_1"));
        save(w, "page2-moving");
        QVERIFY(waitUntil([&]() { return lampOn(w, "common_tw2_tab21_label_1") && !lampOn(w, "common_tw2_tab21_label_3"); }, 15000));
        QCOMPARE(int32_t(sim.get(0x6064)), 20000);
        save(w, "page2-in-place");
    }

    // Polling a drive keeps neither thread busy: over three seconds the tick
    // handler and the worker's engine cycle run a few dozen times a second,
    // not once a millisecond, and the status rotation goes round all the same.
    void theLoopsSleepWhilePolling()
    {
        DriveSimProcess sim;
        QVERIFY(sim.isRunning());
        sim.command(QStringLiteral("set 6064 3039"));
        MainWindow w;
        w.show();
        w.openPortAtStart(sim.slavePath(), 256000);
        auto *position = w.findChild<QLineEdit *>(QStringLiteral("common_tw2_tab22_lineEdit_6064"));
        QVERIFY(waitUntil([&]() { return position->text() == QStringLiteral("12345"); }, 3000));
        long tickCalls = 0;
        QObject::connect(w.tickTimer(), &QTimer::timeout, [&tickCalls]() { ++tickCalls; });
        const long cyclesBefore = w.worker()->cycleCount();
        int rotations = 0;
        uint8_t lastPhase = w.statusMonitor().statusPhase();
        QTimer watch;  // the test's own watcher, not counted
        QObject::connect(&watch, &QTimer::timeout, [&]() {
            const uint8_t phase = w.statusMonitor().statusPhase();
            rotations += phase == 0 && lastPhase != 0;
            lastPhase = phase;
        });
        watch.start(10);
        sim.command(QStringLiteral("set 6064 FFFFFF85"));
        waitFor(3000);
        const long cycles = w.worker()->cycleCount() - cyclesBefore;
        QVERIFY2(tickCalls > 0 && tickCalls < 600, qPrintable(QString::number(tickCalls)));   // 3000 at one per ms
        QVERIFY2(cycles > 0 && cycles < 600, qPrintable(QString::number(cycles)));
        QVERIFY2(rotations >= 2, qPrintable(QString::number(rotations)));
        QCOMPARE(position->text(), QStringLiteral("-123"));
    }

    // Another node's heartbeat every millisecond on the same line: page 1
    // still reads without a failure, and the data window shows the heartbeats
    // while the bus never falls quiet.
    void aHeartbeatEveryMillisecond()
    {
        DriveSimProcess sim({QStringLiteral("--heartbeat"), QStringLiteral("1")});
        QVERIFY(sim.isRunning());
        sim.command(QStringLiteral("set 2005 17"));
        MainWindow w;
        w.resize(1380, 780);
        w.show();
        w.openPortAtStart(sim.slavePath(), 256000);
        QVERIFY(waitUntil([&]() { return w.isPortOpen(); }, 2000));
        const QString heartbeat = QStringLiteral("00 00 00 07 05 01 05 ");
        QVERIFY(waitUntil([&]() { return w.trafficLog().text().count(heartbeat) >= 10; }, 3000));

        w.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(0);
        w.findChild<QPushButton *>(QStringLiteral("t1_g1_pushButton_1_read_param"))->click();
        BasicParamPage &page = w.basicParamPage();
        QVERIFY(waitUntil([&]() { return w.pageJobs().pageJobResult == 1 || !m_boxes.isEmpty(); }, 8000));
        QCOMPARE(m_boxes, QStringList());
        QCOMPARE(page.rowItem(1, 2)->text(1), QStringLiteral("23"));
        // Received entries keep coming although the line never falls quiet.
        for (int i = 0; i < 3; ++i) {
            w.on_BtnClear_clicked();
            QVERIFY(waitUntil([&]() {
                const QString text = w.trafficLog().text();
                return text.contains(QStringLiteral("]RX<-◆")) && text.contains(heartbeat);
            }, 1000));
        }
        save(w, "busy-bus-page1");
    }
};

QTEST_MAIN(LivePagesTest)
#include "tst_livepages.moc"
