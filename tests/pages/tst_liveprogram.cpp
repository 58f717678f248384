// The step program in real time: the window's own tick loop and serial
// worker, drive-sim on a pseudo-terminal.  A three-step program moves the
// drive out and back and ends; screenshots of the table and of the run go to
// build/screens/.

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "pages/programpage.h"
#include "tests/support/drivesimprocess.h"
#include "tests/support/eventwait.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

class LiveProgramTest : public QObject {
    Q_OBJECT

    QString m_screens;

    void save(MainWindow &w, const char *name)
    {
        QApplication::processEvents();
        QVERIFY(w.grab().save(m_screens + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png")));
    }
    static void pick(MainWindow &w, const char *name, int index)
    {
        auto *combo = w.findChild<QComboBox *>(QLatin1String(name));
        QVERIFY2(combo && combo->isEnabled(), name);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

private slots:
    void initTestCase()
    {
        m_screens = QStringLiteral(SCREENS_DIR);
        QDir().mkpath(m_screens);
        MessageBoxes::setRecorder([](MessageBoxes::Kind, const QString &, const QString &) {});
    }
    void cleanupTestCase() { MessageBoxes::setRecorder({}); }

    void outAndBackThenEnd()
    {
        DriveSimProcess sim;
        QVERIFY(sim.isRunning());
        MainWindow w;
        w.resize(1380, 780);
        w.show();
        w.openPortAtStart(sim.slavePath(), 256000);
        auto *link = w.findChild<QLabel *>(QStringLiteral("linkLabel"));
        QVERIFY(waitUntil([&]() { return link->text() == QStringLiteral("Connection status: ON"); }, 3000));
        auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        tabs->setCurrentWidget(w.findChild<QWidget *>(QStringLiteral("tab_5")));

        // The default program with three steps: +2000 pulses, -2000 pulses, and an end.
        pick(w, "T5_g2_comboBox_setps_num", 2);
        pick(w, "t5_treewidget_node_03_2_combobox_sel", 0);
        pick(w, "t5_treewidget_node_03_9_combobox_sel", 5);
        auto *status = w.findChild<QLabel *>(QStringLiteral("t5_g5_label_status"));
        QCOMPARE(status->text(), QStringLiteral("空闲"));
        save(w, "program-page");

        QStringList shown;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&]() {
            if (shown.isEmpty() || shown.last() != status->text())
                shown << status->text();
        });
        watch.start(1);
        w.findChild<QPushButton *>(QStringLiteral("t5_g5_PushButton_1_start"))->click();
        QVERIFY(waitUntil([&]() { return status->text() == QStringLiteral("执行步骤：2"); }, 5000));
        // Step 2 starts only once step 1 has reached its target.
        QCOMPARE(int32_t(sim.get(0x6064)), 2000);
        save(w, "program-run");
        QVERIFY(waitUntil([&]() { return !w.programPage().isRunning() && w.pageJobs().pageJobBusy == 0; }, 8000));
        watch.stop();
        QCOMPARE(int32_t(sim.get(0x6064)), 0);
        // "启动中" lasts only until the scheduler's next run, a few milliseconds.
        shown.removeAll(QStringLiteral("启动中"));
        QCOMPARE(shown, (QStringList{"执行步骤：1", "执行步骤：2", "执行步骤：3", "空闲"}));
        // The stop job selected profile position again.
        QCOMPARE(sim.get(0x6060), 1u);
    }
};

QTEST_MAIN(LiveProgramTest)
#include "tst_liveprogram.moc"
