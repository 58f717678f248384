// The PDO page in real time: the window's own tick loop and serial worker,
// drive-sim on a pseudo-terminal.  Saves a screenshot of the filled page
// to build/screens/pdo-page.png.

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "pages/pdopage.h"
#include "tests/support/drivesimprocess.h"
#include "tests/support/eventwait.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

class LivePdoTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        MessageBoxes::setRecorder([](MessageBoxes::Kind, const QString &title, const QString &text) {
            qWarning() << "box:" << title << text;
        });
    }
    void cleanupTestCase() { MessageBoxes::setRecorder({}); }

    void readThePageFromDriveSim()
    {
        DriveSimProcess sim;
        QVERIFY(sim.isRunning());
        sim.command(QStringLiteral("set 1600:3 60FF0020"));
        sim.command(QStringLiteral("set 1601:3 60640020"));  // not in the receive list
        sim.command(QStringLiteral("set 1a03:1 60610008"));
        sim.command(QStringLiteral("set 1801:2 1"));
        sim.command(QStringLiteral("set 1801:3 3E8"));
        sim.command(QStringLiteral("set 1802:5 64"));

        MainWindow w;
        w.resize(1380, 780);
        w.show();
        w.openPortAtStart(sim.slavePath(), 256000);
        QVERIFY(waitUntil([&]() { return w.isPortOpen(); }, 2000));
        auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        tabs->setCurrentWidget(w.findChild<QWidget *>(QStringLiteral("tab_4")));

        QElapsedTimer clock;
        clock.start();
        w.findChild<QPushButton *>(QStringLiteral("t4_g0_pushButton_read_param"))->click();
        QVERIFY(waitUntil([&]() { return w.pageJobs().pageJobResult == 7; }, 8000));
        qInfo() << "44 reads took" << clock.elapsed() << "ms";

        PdoPage &page = w.pdoPage();
        QCOMPARE(page.mappingCombo(PdoPage::PdoKind::Receive, 0, 3)->currentText(),
                 QStringLiteral("60FF0020- Maximum speed"));
        QCOMPARE(page.mappingCombo(PdoPage::PdoKind::Receive, 1, 3)->currentText(), QStringLiteral("60640020-?"));
        QCOMPARE(page.mappingCombo(PdoPage::PdoKind::Transmit, 0, 1)->currentText(),
                 QStringLiteral("60410010 Status Word"));
        QCOMPARE(page.mappingCombo(PdoPage::PdoKind::Transmit, 3, 1)->currentText(),
                 QStringLiteral("6061008-Running Mode Status Register"));
        QCOMPARE(page.tpdoParameter(1, 2), 1u);
        QCOMPARE(page.tpdoParameter(1, 3), 1000u);
        QCOMPARE(page.tpdoParameter(2, 5), 100u);

        const QString screens = QStringLiteral(SCREENS_DIR);
        QDir().mkpath(screens);
        QApplication::processEvents();
        QVERIFY(w.grab().save(screens + QStringLiteral("/pdo-page.png")));
    }
};

QTEST_MAIN(LivePdoTest)
#include "tst_livepdo.moc"
