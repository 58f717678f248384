// The one-key run in real time: the window's own tick loop and serial
// worker, drive-sim on a pseudo-terminal.  A read fills every page, the
// values go to a parameter file, the file is edited and imported, and a
// configure puts the edited values into drive-sim.  Saves the one-key tab
// after the read to build/screens/onekey-read.png.

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "pages/basicparampage.h"
#include "pages/iopage.h"
#include "pages/modecontrolpage.h"
#include "pages/pdopage.h"
#include "paramfile/onekeypage.h"
#include "paramfile/paramfile.h"
#include "tests/support/drivesimprocess.h"
#include "tests/support/eventwait.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

class LiveOneKeyTest : public QObject {
    Q_OBJECT

    QStringList m_boxes;

    static bool runOver(MainWindow &w)
    {
        return w.oneKeyPage().sequencer().oneKeyJob() == OneKeySequencer::Idle
            && w.findChild<QProgressBar *>(QStringLiteral("t7_g2_n8_progressBar"))->value() == 100;
    }

private slots:
    void initTestCase()
    {
        MessageBoxes::setRecorder([this](MessageBoxes::Kind, const QString &title, const QString &text) {
            m_boxes << title + QLatin1Char('|') + text;
        });
    }
    void cleanupTestCase() { MessageBoxes::setRecorder({}); }

    void readExportEditImportConfigure()
    {
        DriveSimProcess sim;
        QVERIFY(sim.isRunning());
        sim.command(QStringLiteral("set 2005 11"));     // phase current 17
        sim.command(QStringLiteral("set 6060 3"));      // velocity mode
        sim.command(QStringLiteral("set 6083 1F4"));    // acceleration 500
        sim.command(QStringLiteral("set 6099:1 C8"));   // homing speed 200
        sim.command(QStringLiteral("set 2030:2 6"));    // X0: alarm clear
        sim.command(QStringLiteral("set 1a01:1 60640020"));

        MainWindow w;
        w.resize(1380, 780);
        w.show();
        w.openPortAtStart(sim.slavePath(), 256000);
        QVERIFY(waitUntil([&]() { return w.isPortOpen(); }, 2000));
        auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        tabs->setCurrentWidget(w.findChild<QWidget *>(QStringLiteral("tab_7")));

        QElapsedTimer clock;
        clock.start();
        w.findChild<QPushButton *>(QStringLiteral("t7_g3_pushButton_1_read"))->click();
        QVERIFY(waitUntil([&]() { return !tabs->isTabEnabled(0); }, 1000));
        QVERIFY(waitUntil([&]() { return runOver(w) || !m_boxes.isEmpty(); }, 20000));
        qInfo() << "one-key read of every group took" << clock.elapsed() << "ms";
        QCOMPARE(m_boxes, QStringList());
        QVERIFY(tabs->isTabEnabled(0) && tabs->isTabEnabled(4));

        QCOMPARE(w.basicParamPage().basicParamValue(1, 2), uint16_t(17));
        QCOMPARE(w.oneKeyPage().oneKeyModeValue(), uint8_t(3));
        QCOMPARE(w.modeControlPage().paramGroup1Value(0x6083), 500);
        QCOMPARE(w.modeControlPage().homingParamValue(2), 200);
        QCOMPARE(w.ioPage().ioTerminalValue(2), uint16_t(6));
        QCOMPARE(w.pdoPage().pdoMapping(PdoPage::PdoKind::Transmit, 1, 1), 0x60640020u);

        const QString screens = QStringLiteral(SCREENS_DIR);
        QDir().mkpath(screens);
        QApplication::processEvents();
        QVERIFY(w.grab().save(screens + QStringLiteral("/onekey-read.png")));

        // To a file, a few values edited there, back into the pages.
        QTemporaryDir dir;
        const QString file = dir.path() + QStringLiteral("/drive.xml");
        QVERIFY(w.paramFile().exportToFile(file).succeeded());
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray xml = f.readAll();
        f.close();
        for (const auto &edit : {qMakePair(QByteArray("REG_IDX=\"2005\" REG_SUB_IDX=\"0\" Data=\"17\""),
                                           QByteArray("REG_IDX=\"2005\" REG_SUB_IDX=\"0\" Data=\"21\"")),
                                 qMakePair(QByteArray("REG_IDX=\"6083\" REG_SUB_IDX=\"0\" Data=\"500\""),
                                           QByteArray("REG_IDX=\"6083\" REG_SUB_IDX=\"0\" Data=\"750\"")),
                                 qMakePair(QByteArray("REG_IDX=\"6060\" REG_SUB_IDX=\"0\" Data=\"3\""),
                                           QByteArray("REG_IDX=\"6060\" REG_SUB_IDX=\"0\" Data=\"6\"")),
                                 qMakePair(QByteArray("REG_IDX=\"2030\" REG_SUB_IDX=\"e\" Data=\"4\""),
                                           QByteArray("REG_IDX=\"2030\" REG_SUB_IDX=\"e\" Data=\"2\""))}) {
            QVERIFY2(xml.contains(edit.first), edit.first.constData());
            xml.replace(edit.first, edit.second);
        }
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(xml);
        f.close();
        QVERIFY(w.paramFile().importFromFile(file).succeeded());
        QCOMPARE(w.basicParamPage().basicParamValue(1, 2), uint16_t(21));

        clock.restart();
        w.findChild<QPushButton *>(QStringLiteral("t7_g3_pushButton_1_OKC"))->click();
        QVERIFY(waitUntil([&]() { return w.findChild<QProgressBar *>(QStringLiteral("t7_g2_n8_progressBar"))->value() < 100; }, 1000));
        QVERIFY(waitUntil([&]() { return runOver(w) || !m_boxes.isEmpty(); }, 20000));
        qInfo() << "one-key configure of every group took" << clock.elapsed() << "ms";
        QCOMPARE(m_boxes, QStringList());

        QCOMPARE(sim.get(0x2005), 21u);
        QCOMPARE(sim.get(0x6083), 750u);
        QCOMPARE(sim.get(0x6060), 6u);
        QCOMPARE(sim.get(0x2030, 14), 2u);
        // Values read before and not edited went back as they were.
        QCOMPARE(sim.get(0x6099, 1), 200u);
        QCOMPARE(sim.get(0x2030, 2), 6u);
        QCOMPARE(sim.get(0x1A01, 1), 0x60640020u);
    }
};

QTEST_MAIN(LiveOneKeyTest)
#include "tst_liveonekey.moc"
