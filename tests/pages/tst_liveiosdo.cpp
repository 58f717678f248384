// The I/O and SDO debug pages in real time: the window's own tick loop and
// serial worker, drive-sim on a pseudo-terminal.  Saves screenshots of the
// filled tabs to build/screens/.

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "tests/support/drivesimprocess.h"
#include "tests/support/eventwait.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

class LiveIoSdoTest : public QObject {
    Q_OBJECT

    QString m_screens;

    void save(MainWindow &w, const char *name)
    {
        QApplication::processEvents();
        QVERIFY(w.grab().save(m_screens + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png")));
    }
    static void showTab(MainWindow &w, const char *name)
    {
        w.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentWidget(w.findChild<QWidget *>(QLatin1String(name)));
    }

private slots:
    void initTestCase()
    {
        m_screens = QStringLiteral(SCREENS_DIR);
        QDir().mkpath(m_screens);
        MessageBoxes::setRecorder([](MessageBoxes::Kind, const QString &, const QString &text) {
            qWarning("box: %s", qPrintable(text));
        });
    }
    void cleanupTestCase() { MessageBoxes::setRecorder({}); }

    void ioPageReadsTheDrive()
    {
        DriveSimProcess sim;
        QVERIFY(sim.isRunning());
        for (const char *line : {"set 2030:1 5", "set 2030:2 6", "set 2030:3 8", "set 2030:4 e",
                                 "set 2030:c 2", "set 2030:d 1", "set 2030:e 4"})
            sim.command(QLatin1String(line));
        MainWindow w;
        w.resize(1380, 780);
        w.show();
        w.openPortAtStart(sim.slavePath(), 256000);
        QVERIFY(waitUntil([&]() { return w.isPortOpen(); }, 2000));
        showTab(w, "tab_3");

        QElapsedTimer clock;
        clock.start();
        w.findChild<QPushButton *>(QStringLiteral("t3_g1_btn_1_read_param"))->click();
        QVERIFY(waitUntil([&]() { return w.pageJobs().pageJobResult == 6; }, 5000));
        qInfo("page read in %lld ms", clock.elapsed());
        auto combo = [&](const char *name) { return w.findChild<QComboBox *>(QLatin1String(name))->currentText(); };
        auto checked = [&](const char *name) { return w.findChild<QCheckBox *>(QLatin1String(name))->isChecked(); };
        QCOMPARE(combo("t3_g4_comboBox_1_IO_X0"), QStringLiteral("6-AlarmClearSignal"));
        QCOMPARE(combo("t3_g5_comboBox_1_IO_X1"), QStringLiteral("8-Stop signal"));
        QCOMPARE(combo("t3_g6_comboBox_1_IO_X2"), QStringLiteral("14- Return to origin enable signal"));
        QCOMPARE(combo("t3_g21_comboBox_1_IO_Y0"), QStringLiteral("1- Alarm signal"));
        QCOMPARE(combo("t3_g22_comboBox_1_IO_Y1"), QStringLiteral("4-In place signal"));
        QVERIFY(checked("t3_g4_checkbox_1_IO_X0") && !checked("t3_g5_checkbox_1_IO_X1") && checked("t3_g6_checkbox_1_IO_X2"));
        QVERIFY(!checked("t3_g21_checkbox_1_IO_Y0") && checked("t3_g22_checkbox_1_IO_Y1"));
        save(w, "io-page");
    }

    void sdoDebugPageReadsAnObject()
    {
        DriveSimProcess sim;
        QVERIFY(sim.isRunning());
        sim.command(QStringLiteral("set 6081 1f4"));  // 500, a 32-bit object
        MainWindow w;
        w.showSdoDebugTab();
        w.resize(1380, 780);
        w.show();
        w.openPortAtStart(sim.slavePath(), 256000);
        QVERIFY(waitUntil([&]() { return w.isPortOpen(); }, 2000));
        showTab(w, "tab_6");

        auto *index = w.findChild<QLineEdit *>(QStringLiteral("t6_g2_lineEdit_2_reg_index_addr"));
        index->setText(QStringLiteral("6081"));
        QTest::keyClick(index, Qt::Key_Return);
        auto *value = w.findChild<QLineEdit *>(QStringLiteral("t6_g2_lineEdit_4_data_dec"));
        w.findChild<QPushButton *>(QStringLiteral("t6_g2_pushButton_1_read_2"))->click();
        QVERIFY(waitUntil([&]() { return value->text() == QStringLiteral("500"); }, 3000));
        QCOMPARE(w.findChild<QComboBox *>(QStringLiteral("t6_g2_comboBox_1_data_len"))->currentText(), QStringLiteral("32bit"));
        save(w, "sdo-debug-page");
    }
};

QTEST_MAIN(LiveIoSdoTest)
#include "tst_liveiosdo.moc"
