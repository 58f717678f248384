// The drive's CiA 402 state in words beside the statusword: which statusword
// gives which state (the other bits masked out), the label as the user sees it
// in English and in Chinese, and that it is written only when the state changes.

#include "pages/drivestate.h"
#include "pages/statuspanel.h"
#include "tests/support/harness.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

namespace {
QLabel *stateLabel(MainWindow &w) { return w.findChild<QLabel *>(QStringLiteral("common_tw2_tab22_label_state")); }
} // namespace

class DriveStateTest : public QObject {
    Q_OBJECT

private slots:
    void statusword_data()
    {
        QTest::addColumn<uint16_t>("statusword");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("chinese");
        QTest::newRow("0000 not ready") << uint16_t(0x0000) << "Not ready to switch on" << "未准备好启动";
        QTest::newRow("0020 not ready, quick stop bit") << uint16_t(0x0020) << "Not ready to switch on" << "未准备好启动";
        QTest::newRow("0040 switch on disabled") << uint16_t(0x0040) << "Switch on disabled" << "禁止启动";
        QTest::newRow("0060 switch on disabled, quick stop bit") << uint16_t(0x0060) << "Switch on disabled" << "禁止启动";
        QTest::newRow("0021 ready") << uint16_t(0x0021) << "Ready to switch on" << "准备启动";
        QTest::newRow("0023 switched on") << uint16_t(0x0023) << "Switched on" << "已启动";
        QTest::newRow("FFB3 switched on, every other bit set") << uint16_t(0xFFB3) << "Switched on" << "已启动";
        QTest::newRow("0027 operation enabled") << uint16_t(0x0027) << "Operation enabled" << "运行使能";
        QTest::newRow("0637 operation enabled, target reached") << uint16_t(0x0637) << "Operation enabled" << "运行使能";
        QTest::newRow("C437 operation enabled, homed, running") << uint16_t(0xC437) << "Operation enabled" << "运行使能";
        QTest::newRow("0007 quick stop active") << uint16_t(0x0007) << "Quick stop active" << "快速停止有效";
        QTest::newRow("0297 quick stop active, warning bit") << uint16_t(0x0297) << "Quick stop active" << "快速停止有效";
        QTest::newRow("000F fault reaction active") << uint16_t(0x000F) << "Fault reaction active" << "故障响应有效";
        QTest::newRow("003F fault reaction, quick stop bit") << uint16_t(0x003F) << "Fault reaction active" << "故障响应有效";
        QTest::newRow("0008 fault") << uint16_t(0x0008) << "Fault" << "故障";
        QTest::newRow("0028 fault, quick stop bit") << uint16_t(0x0028) << "Fault" << "故障";
        // Combinations the state machine does not have.
        QTest::newRow("0001 ready without quick stop bit") << uint16_t(0x0001) << "Unknown state" << "未知状态";
        QTest::newRow("0048 fault with switch on disabled") << uint16_t(0x0048) << "Unknown state" << "未知状态";
        QTest::newRow("0067 enabled with switch on disabled") << uint16_t(0x0067) << "Unknown state" << "未知状态";
    }
    void statusword()
    {
        QFETCH(uint16_t, statusword);
        QFETCH(QString, english);
        QFETCH(QString, chinese);
        QCOMPARE(QString::fromUtf8(DriveState::sourceText(DriveState::fromStatusword(statusword))), chinese);
        Harness h(1, false);
        h.window().statusPanel().showDriveStatusBits(statusword);
        QCOMPARE(stateLabel(h.window())->text(), english);
    }

    // From the drive through the status rotation to the label, and a fault.
    void theMonitorShowsTheDrivesState()
    {
        Harness h;
        QLabel *label = stateLabel(h.window());
        QVERIFY(label);
        QCOMPARE(label->text(), QString());  // nothing read yet
        QVERIFY(h.runUntil([&]() { return !label->text().isEmpty(); }, 3000));
        QCOMPARE(label->text(), QStringLiteral("Operation enabled"));
        const auto *edit = h.window().findChild<QLineEdit *>(QStringLiteral("common_tw2_tab22_lineEdit_6041"));
        QCOMPARE(label->parentWidget(), edit->parentWidget());
        h.drive().setFaultCode(0x2310);
        QVERIFY(h.runUntil([&]() { return label->text() != QStringLiteral("Operation enabled"); }, 3000));
        QCOMPARE(label->text(), QStringLiteral("Fault"));
    }

    // Another statusword of the same state leaves the label alone.
    void writtenOnlyWhenTheStateChanges()
    {
        Harness h(1, false);
        StatusPanel &panel = h.window().statusPanel();
        QLabel *label = stateLabel(h.window());
        panel.showDriveStatusBits(0x0237);
        QCOMPARE(label->text(), QStringLiteral("Operation enabled"));
        label->setText(QStringLiteral("marker"));
        panel.showDriveStatusBits(0x0637);
        panel.showDriveStatusBits(0xC437);
        QCOMPARE(label->text(), QStringLiteral("marker"));
        panel.showDriveStatusBits(0x0233);
        QCOMPARE(label->text(), QStringLiteral("Switched on"));
    }

    void followsTheLanguage()
    {
        Harness h(1, false);
        h.window().statusPanel().showDriveStatusBits(0x0218);
        QLabel *label = stateLabel(h.window());
        QCOMPARE(label->text(), QStringLiteral("Fault"));
        h.window().loadLanguage(0);
        QCOMPARE(label->text(), QStringLiteral("故障"));
        h.window().loadLanguage(1);
        QCOMPARE(label->text(), QStringLiteral("Fault"));
    }
};

QTEST_MAIN(DriveStateTest)
#include "tst_drivestate.moc"
