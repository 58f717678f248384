// The decoded data window and the drive state in real time: the window's own
// tick loop and serial worker, drive-sim on a pseudo-terminal with another
// node's heartbeat on the line and one object it refuses.  Saves the window to
// build/screens/decoded-log.png.

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "tests/support/drivesimprocess.h"
#include "tests/support/eventwait.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QRegularExpression>
#include <QtTest>

class LiveDecodedLogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        MessageBoxes::setRecorder([](MessageBoxes::Kind, const QString &, const QString &) {});
    }
    void cleanupTestCase() { MessageBoxes::setRecorder({}); }

    void statusRotationDecoded()
    {
        DriveSimProcess sim({QStringLiteral("--abort-object"), QStringLiteral("606C"), QStringLiteral("--heartbeat"),
                             QStringLiteral("400:5")});
        QVERIFY(sim.isRunning());
        MainWindow w;
        w.resize(1380, 780);
        w.show();
        w.findChild<QCheckBox *>(QStringLiteral("common_checkBox_decode"))->setChecked(true);
        w.openPortAtStart(sim.slavePath(), 256000);
        QVERIFY(waitUntil([&]() { return w.isPortOpen(); }, 2000));

        auto *state = w.findChild<QLabel *>(QStringLiteral("common_tw2_tab22_label_state"));
        const auto logHas = [&](const QString &pattern) {
            return QRegularExpression(pattern, QRegularExpression::MultilineOption).match(w.trafficLog().text()).hasMatch();
        };
        const QString answer6041 = QStringLiteral(
            "^\\[\\]RX<-◆00 00 00 05 81 08 4B 41 60 00 37 06 00 00 \\| 6041:00 = 0x0637 \\(1591\\) \\+\\d+ ms$");
        const QString abort606C = QStringLiteral("^\\[\\]RX<-◆00 00 00 05 81 08 80 6C 60 00 00 00 00 08 \\| "
                                                 "abort 606C:00 0x08000000 general error \\+\\d+ ms$");
        const QString heartbeat = QStringLiteral("^\\[\\]RX<-◆00 00 00 07 05 01 05 \\| COB-ID 0x705 05$");
        QVERIFY2(waitUntil([&]() { return logHas(answer6041) && logHas(abort606C) && logHas(heartbeat)
                                          && !state->text().isEmpty(); }, 8000),
                 qPrintable(w.trafficLog().text().right(1500)));
        QVERIFY(logHas(QStringLiteral("^\\[\\]TX->◇00 00 00 06 01 08 40 41 60 00 00 00 00 00 \\| read 6041:00$")));
        // For the picture: the statusword's answer as the newest line, the rest of the cycle above it.
        QVERIFY(waitUntil([&]() { return logHas(answer6041 + QStringLiteral("(?![\\s\\S])")); }, 3000));
        QCOMPARE(state->text(), QStringLiteral("Operation enabled"));

        // The view is drawn once the traffic pauses: the rotation stops, the heartbeat goes on.
        w.on_actionManual_triggered();
        waitFor(800);
        const QString screens = QStringLiteral(SCREENS_DIR);
        QDir().mkpath(screens);
        QApplication::processEvents();
        QVERIFY(w.grab().save(screens + QStringLiteral("/decoded-log.png")));
    }
};

QTEST_MAIN(LiveDecodedLogTest)
#include "tst_livedecodedlog.moc"
