// Page 2 against the virtual drive: the frames of every motion command, the
// waits for target reached, stop requests, and the parameter jobs.

#include "app/messageboxes.h"
#include "app/tickcounter.h"
#include "pages/modecontrolpage.h"
#include "tests/support/harness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QSpinBox>
#include <QtTest>

namespace {
struct Expected {
    uint8_t command;
    uint16_t index;
    uint8_t subIndex;
    uint32_t value;
};
constexpr uint8_t W8 = 0x2F, W16 = 0x2B, W32 = 0x23, R = 0x40;
} // namespace

Q_DECLARE_METATYPE(QVector<Expected>)

class ModeControlPageTest : public QObject {
    Q_OBJECT

    static void click(Harness &h, const char *name)
    {
        auto *b = h.window().findChild<QPushButton *>(QLatin1String(name));
        QVERIFY2(b && b->isEnabled(), name);
        b->click();
    }
    static QSpinBox *spin(Harness &h, const char *name) { return h.window().findChild<QSpinBox *>(QLatin1String(name)); }
    static bool idle(Harness &h) { return h.window().modeControlPage().motionOp() == -1; }
    static QString describe(const Harness::SentFrame &f)
    {
        return QStringLiteral("%1 %2:%3=%4").arg(f.command(), 2, 16).arg(f.index(), 4, 16).arg(f.subIndex()).arg(f.value(), 0, 16);
    }
    static void compareFrames(const QVector<Harness::SentFrame> &frames, const QVector<Expected> &expected)
    {
        QStringList got, want;
        for (const auto &f : frames)
            got << describe(f);
        for (const Expected &e : expected) {
            QByteArray bytes(14, 0);
            bytes[6] = char(e.command);
            bytes[7] = char(e.index & 0xFF);
            bytes[8] = char(e.index >> 8);
            bytes[9] = char(e.subIndex);
            for (int i = 0; i < 4; ++i)
                bytes[10 + i] = char((e.value >> (8 * i)) & 0xFF);
            want << describe({0, bytes});
        }
        QCOMPARE(got, want);
    }
    // Starts the page idle with the status monitor off, so every frame is the page's.
    static void quiet(Harness &h)
    {
        h.window().on_actionManual_triggered();
        h.run(60);
        h.clearSentFrames();
    }

private slots:
    void motionCommands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QVector<Expected>>("frames");
        QTest::newRow("relative move") << "g_button_group1_1_relative_post"
            << QVector<Expected>{{W16, 0x200E, 0, 0}, {W32, 0x6081, 0, 50}, {W32, 0x6083, 0, 100},
                                 {W32, 0x607A, 0, 10000}, {W32, 0x6084, 0, 100}, {W8, 0x6060, 0, 1},
                                 {W16, 0x6040, 0, 0x4F}, {W16, 0x6040, 0, 0x5F}};
        QTest::newRow("absolute move") << "g_button_group1_2_abs_post"
            << QVector<Expected>{{W16, 0x200E, 0, 0}, {W32, 0x6083, 0, 100}, {W32, 0x6081, 0, 50},
                                 {W32, 0x6084, 0, 100}, {W32, 0x607A, 0, 10000}, {W8, 0x6060, 0, 1},
                                 {W16, 0x6040, 0, 0x0F}, {W16, 0x6040, 0, 0x1F}};
        QTest::newRow("velocity mode") << "t2_g7_btn_1_trigger"
            << QVector<Expected>{{W16, 0x6040, 0, 0}, {W16, 0x200E, 0, 0}, {W32, 0x60FF, 0, 100},
                                 {W32, 0x6083, 0, 100}, {W32, 0x6084, 0, 100}, {W8, 0x6060, 0, 3},
                                 {W16, 0x6040, 0, 6}, {W16, 0x6040, 0, 7}, {W16, 0x6040, 0, 0x0F}};
        QTest::newRow("velocity stop") << "t2_g7_btn_2_stop" << QVector<Expected>{{W16, 0x6040, 0, 0x010F}, {W8, 0x6060, 0, 1}};
        QTest::newRow("position stop") << "g_button_group1_4_stop" << QVector<Expected>{{W16, 0x6040, 0, 0x010F}, {W8, 0x6060, 0, 1}};
        QTest::newRow("homing start") << "t2_g8_btn_1_start"
            << QVector<Expected>{{W8, 0x6060, 0, 6}, {W8, 0x6098, 0, 17}, {W32, 0x607C, 0, 0}, {W32, 0x609A, 0, 100},
                                 {W32, 0x6099, 2, 50}, {W32, 0x6099, 1, 150}, {W16, 0x6040, 0, 6},
                                 {W16, 0x6040, 0, 7}, {W16, 0x6040, 0, 0x0F}, {W16, 0x6040, 0, 0x1F}};
        QTest::newRow("homing stop") << "t2_g8_btn_2_stop" << QVector<Expected>{{W16, 0x6040, 0, 0x010F}};
        QTest::newRow("enable") << "t2_g6_btn_1_enable" << QVector<Expected>{{W16, 0x200F, 0, 1}};
        QTest::newRow("release") << "t2_g6_btn_2_disable" << QVector<Expected>{{W16, 0x200F, 0, 0}};
        QTest::newRow("clear alarm") << "t2_g6_btn_3_clr_alarm" << QVector<Expected>{{W16, 0x2011, 0, 1}};
        QTest::newRow("factory reset") << "t2_g6_btn__21_reset_factory_set" << QVector<Expected>{{W16, 0x2010, 0, 1}};
        QTest::newRow("store") << "t2_g6_btn__22_save_power_down_param" << QVector<Expected>{{W16, 0x2010, 0, 2}};
    }
    void motionCommands()
    {
        QFETCH(QString, button);
        QFETCH(QVector<Expected>, frames);
        Harness h;
        quiet(h);
        click(h, button.toLatin1().constData());
        h.run(6);
        QVERIFY(!idle(h));
        QVERIFY(h.runUntil([&]() { return idle(h); }, 3000));
        compareFrames(h.sentFrames(), frames);
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
        // One frame per eligible turn: 54 ticks apart, 60 where a step sends nothing.
        for (int i = 1; i < h.sentFrames().size(); ++i) {
            const uint32_t gap = h.sentFrames()[i].tick - h.sentFrames()[i - 1].tick;
            const bool idleStep = button == "g_button_group1_2_abs_post" && i == 5;
            QCOMPARE(gap, idleStep ? 60u : 54u);
        }
    }

    void relativeMoveStartsWithAnIdleTurn()
    {
        Harness h;
        quiet(h);
        const uint32_t clicked = TickCounter::now();
        click(h, "g_button_group1_1_relative_post");
        QVERIFY(h.runUntil([&]() { return !h.sentFrames().isEmpty(); }, 200));
        // The intake turn is eligible but sends nothing; the first write follows one run later.
        QVERIFY(h.sentFrames().first().tick - clicked >= 6);
        QVERIFY(h.runUntil([&]() { return idle(h); }, 3000));
        h.run(3000);
        QCOMPARE(h.drive().position(), 10000);
        QVERIFY(h.drive().statusword() & 0x0400);
    }

    void backAndForthWaitsForEachTarget()
    {
        Harness h;
        quiet(h);
        click(h, "g_button_group2_1_Recip_motion_start");
        // Outbound move commanded: stop during it.
        QVERIFY(h.runUntil([&]() { return h.framesFor(0x607A).size() == 1 && h.framesFor(0x6040).size() == 2; }, 3000));
        click(h, "g_button_group2_2_Recip_motion_stop");
        int32_t positionAtReturn = 0;
        QVERIFY(h.runUntil([&]() {
            if (h.framesFor(0x607A).size() == 2) {
                positionAtReturn = h.drive().position();
                return true;
            }
            return false;
        }, 20000));
        QVERIFY(h.runUntil([&]() { return idle(h); }, 20000));
        h.run(2000);

        const auto targets = h.framesFor(0x607A);
        QCOMPARE(targets.size(), 2);
        QCOMPARE(targets[0].value(), 10000u);
        QCOMPARE(targets[1].value(), 0xFFFFD8F0u);
        // The return was commanded only once the outbound move had arrived, seen in the statusword.
        QCOMPARE(positionAtReturn, 10000);
        QVERIFY(!h.framesFor(0x6041).isEmpty());
        QVERIFY(h.framesFor(0x6041).first().tick < targets[1].tick);
        QCOMPARE(h.framesFor(0x2012).size(), 1);
        QCOMPARE(h.drive().position(), 0);
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
    }

    void twoSegmentOnce()
    {
        Harness h;
        quiet(h);
        click(h, "t2_g4_btn_1_start_one");
        h.run(6);
        int32_t positionAtSecond = 0;
        QVERIFY(h.runUntil([&]() {
            if (h.framesFor(0x607A).size() == 2 && positionAtSecond == 0)
                positionAtSecond = h.drive().position();
            return idle(h);
        }, 30000));
        h.run(3000);
        const auto speeds = h.framesFor(0x6081);
        const auto targets = h.framesFor(0x607A);
        QCOMPARE(speeds.size(), 2);
        QCOMPARE(speeds[0].value(), 50u);
        QCOMPARE(speeds[1].value(), 200u);
        QCOMPARE(targets.size(), 2);
        QCOMPARE(targets[0].value(), 10000u);
        QCOMPARE(targets[1].value(), uint32_t(-10000));
        QVERIFY(speeds[1].tick < targets[1].tick && targets[0].tick < speeds[1].tick);
        QCOMPARE(positionAtSecond, 10000);
        QCOMPARE(h.drive().position(), 0);
        QCOMPARE(h.framesFor(0x2012).size(), 2);
    }

    void twoSegmentCyclesUntilStopped()
    {
        Harness h;
        quiet(h);
        click(h, "t2_g4_btn_2_start_con");
        QVERIFY(h.runUntil([&]() { return h.framesFor(0x2012).size() == 5; }, 60000));
        QVERIFY(!idle(h));
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(1));
        click(h, "t2_g4_btn_3_stop");
        QVERIFY(h.runUntil([&]() { return idle(h); }, 30000));
        // The cycle under way (segment 1 of cycle 3) runs to its end: six segments in all.
        QCOMPARE(h.framesFor(0x607A).size(), 6);
        QCOMPARE(h.framesFor(0x2012).size(), 6);
    }

    void stopWhileIdleSendsNothing()
    {
        Harness h;
        quiet(h);
        click(h, "g_button_group2_2_Recip_motion_stop");
        h.run(120);
        QVERIFY(h.window().modeControlPage().motionOp() <= 0);  // nothing was started
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
        QVERIFY(h.sentFrames().isEmpty());
    }

    void anotherPageEndsTheWait()
    {
        Harness h;
        quiet(h);
        click(h, "g_button_group2_1_Recip_motion_start");
        QVERIFY(h.runUntil([&]() { return !h.framesFor(0x6041).isEmpty(); }, 5000));
        QCOMPARE(h.window().modeControlPage().motionStep(), uint8_t(9));
        h.run(60);
        h.window().requestPageJob(3, 0x3001);
        h.run(6);
        QVERIFY(h.window().modeControlPage().motionOp() <= 0);  // dropped: no job any more
        const int sent = h.sentFrames().size();
        h.run(5000);
        // From here on only page 3 talks to the drive (its read of 0x2030).
        for (int i = sent; i < h.sentFrames().size(); ++i)
            QCOMPARE(h.sentFrames()[i].index(), uint16_t(0x2030));
    }

    void groupOneReadAndDownload()
    {
        Harness h;
        h.drive().setValue(0x200E, 0, 77);
        h.drive().setValue(0x6083, 0, 250);
        h.drive().setValue(0x6081, 0, 120);
        h.drive().setValue(0x60FF, 0, uint32_t(-300));
        h.drive().setValue(0x6084, 0, 260);
        h.drive().setValue(0x607A, 0, uint32_t(-4000));
        click(h, "t2_g0_btn_1_read_param");
        QCOMPARE(h.window().pageJobs().pageJobRequestMark, uint8_t(90));
        QVERIFY(h.runUntilPageJobDone(5000));
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(4));
        auto &page = h.window().modeControlPage();
        QCOMPARE(page.paramGroup1Value(0x200E), 77);
        QCOMPARE(page.paramGroup1Value(0x6083), 250);
        QCOMPARE(page.paramGroup1Value(0x6081), 120);
        QCOMPARE(page.paramGroup1Value(0x60FF), -300);
        QCOMPARE(page.paramGroup1Value(0x6084), 260);
        QCOMPARE(page.paramGroup1Value(0x607A), -4000);

        h.run(200);
        spin(h, "t2_g10_spinBox_5_pluse")->setValue(123456);
        h.clearSentFrames();
        click(h, "t2_g0_btn_2_download_param");
        QVERIFY(h.runUntilPageJobDone(5000));
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(104));
        compareFrames(h.pageFrames(), {{W16, 0x200E, 0, 77}, {W32, 0x6083, 0, 250}, {W32, 0x6081, 0, 120},
                                       {W32, 0x60FF, 0, uint32_t(-300)}, {W32, 0x6084, 0, 260}, {W32, 0x607A, 0, 123456}});
        QCOMPARE(h.drive().value(0x607A, 0), 123456u);
    }

    // Each parameter job that meets a silent object: the objects before it
    // are done, its own box (once), 255, the marks cleared after the box, and
    // nothing after the silent object is sent.
    void parameterJobsFailOnASilentObject_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<uint32_t>("silent");   // index << 8 | subindex
        QTest::addColumn<uint16_t>("notSent");
        QTest::addColumn<QString>("text");
        QTest::newRow("group 1 read") << "t2_g0_btn_1_read_param" << (0x6083u << 8) << uint16_t(0x6081)
                                      << "参数组1-读错误";
        QTest::newRow("group 1 download") << "t2_g0_btn_2_download_param" << (0x6083u << 8) << uint16_t(0x6081)
                                          << "参数组1-写错误";
        QTest::newRow("homing read") << "t2_g8_btn_3_read_param" << (0x6099u << 8 | 2) << uint16_t(0x609A)
                                     << "回原点模式-读错误";
        QTest::newRow("homing download") << "t2_g8_btn_4_download_param" << (0x6099u << 8 | 2) << uint16_t(0x609A)
                                         << "回原点模式-写错误";
    }
    void parameterJobsFailOnASilentObject()
    {
        QFETCH(QString, button);
        QFETCH(uint32_t, silent);
        QFETCH(uint16_t, notSent);
        QFETCH(QString, text);
        Harness h;
        h.drive().setValue(0x200E, 0, 77);
        h.drive().faults().silentObjects.insert(silent);
        click(h, button.toLatin1().constData());
        h.run(3000);
        if (button.startsWith(QLatin1String("t2_g0_btn_1")))
            QCOMPARE(h.window().modeControlPage().paramGroup1Value(0x200E), 77);  // read before the failure
        QCOMPARE(h.boxes().size(), 1);
        QCOMPARE(h.boxes()[0].title, QStringLiteral("错误提示"));
        QCOMPARE(h.boxes()[0].text, text);
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(255));
        QCOMPARE(h.window().pageJobs().pageJobRequestMark, uint8_t(0));
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
        int silentFrames = 0;
        for (const Harness::SentFrame &f : h.pageFrames())
            silentFrames += (uint32_t(f.index()) << 8 | f.subIndex()) == silent;
        QCOMPARE(silentFrames, 3);
        QVERIFY(h.framesFor(notSent).isEmpty());
    }

    // With the real boxes, not the recorder: the failure box opens after the
    // tick handler has returned, so the loop keeps stepping while it is open;
    // the page's marks stay until the user has closed it.
    void theTickLoopRunsOnUnderAFailureBox()
    {
        Harness h;
        MessageBoxes::setRecorder({});
        h.setDriveConnected(false);
        int steps = 0;
        QTimer stepper;
        QObject::connect(&stepper, &QTimer::timeout, [&]() {
            h.run(1);
            ++steps;
        });
        stepper.start(0);

        struct Seen {
            QString title, text;
            int stepsWhenOpened = -1, stepsWhenClosed = -1;
            uint8_t markWhileOpen = 0;
        } seen;
        QTimer watcher;
        QElapsedTimer open;
        QObject::connect(&watcher, &QTimer::timeout, [&]() {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            if (seen.stepsWhenOpened < 0) {
                seen.stepsWhenOpened = steps;
                seen.title = box->windowTitle();
                seen.text = box->text();
                open.start();
            } else if (steps >= seen.stepsWhenOpened + 200 || open.elapsed() > 5000) {
                seen.markWhileOpen = h.window().pageJobs().pageJobRequestMark;
                seen.stepsWhenClosed = steps;
                box->button(QMessageBox::Ok)->click();
            }
        });
        watcher.start(5);

        click(h, "t2_g0_btn_1_read_param");
        QTRY_VERIFY_WITH_TIMEOUT(seen.stepsWhenClosed >= 0 && !QApplication::activeModalWidget(), 20000);
        QCOMPARE(seen.title, QStringLiteral("错误提示"));
        QCOMPARE(seen.text, QStringLiteral("参数组1-读错误"));
        QVERIFY(seen.stepsWhenClosed >= seen.stepsWhenOpened + 200);  // the loop ran under the box
        QCOMPARE(seen.markWhileOpen, uint8_t(90));
        QCOMPARE(h.window().pageJobs().pageJobRequestMark, uint8_t(0));  // cleared once it was closed
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(255));
    }

    void homingParameters()
    {
        Harness h;
        auto *method = h.window().findChild<QComboBox *>(QStringLiteral("t2_g8_comboBox_1_to_zero_mode"));
        QCOMPARE(method->currentIndex(), 0);
        QCOMPARE(method->itemText(6), QStringLiteral("xx-No Config"));
        h.drive().setValue(0x6098, 0, 35);
        h.drive().setValue(0x6099, 1, 300);
        h.drive().setValue(0x6099, 2, 30);
        h.drive().setValue(0x609A, 0, 80);
        h.drive().setValue(0x607C, 0, uint32_t(-25));
        click(h, "t2_g8_btn_3_read_param");
        QVERIFY(h.runUntilPageJobDone(5000));
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(5));
        QCOMPARE(method->currentIndex(), 6);
        auto &page = h.window().modeControlPage();
        QCOMPARE(page.homingParamValue(1), 0);
        QCOMPARE(page.homingParamValue(2), 300);
        QCOMPARE(page.homingParamValue(3), 30);
        QCOMPARE(page.homingParamValue(4), 80);
        QCOMPARE(page.homingParamValue(5), -25);

        h.run(200);
        h.clearSentFrames();
        click(h, "t2_g8_btn_4_download_param");
        QVERIFY(h.runUntilPageJobDone(5000));
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(105));
        compareFrames(h.pageFrames(), {{W8, 0x6098, 0, 0}, {W32, 0x6099, 1, 300}, {W32, 0x6099, 2, 30},
                                       {W32, 0x609A, 0, 80}, {W32, 0x607C, 0, uint32_t(-25)}});

        page.setHomingParamValue(1, 42);
        QCOMPARE(method->currentIndex(), 5);
        QCOMPARE(page.homingParamValue(1), 42);
    }

    void valuesByKey()
    {
        Harness h(1, false);
        auto &page = h.window().modeControlPage();
        QCOMPARE(page.paramGroup2Value(0x5203), 200);
        QCOMPARE(page.paramGroup2Value(0x5205), -10000);
        page.setParamGroup2Value(0x5201, 12);
        QCOMPARE(spin(h, "t2_g11_spinBox_1_start_rpm")->value(), 12);
        page.setParamGroup1Value(0x607A, uint32_t(-7));
        QCOMPARE(page.paramGroup1Value(0x607A), -7);
        page.setParamGroup1Value(0x1234, 5);  // not on the page
        QCOMPARE(page.paramGroup1Value(0x1234), 0);
        QCOMPARE(page.paramGroup2Value(0x5206), 0);
        QCOMPARE(page.homingParamValue(6), 0);
    }

    void enableStatesFollowThePort()
    {
        Harness h(1, false);
        const char *names[] = {"t2_g10_spinBox_1_start_rpm", "t2_g8_comboBox_1_to_zero_mode", "t2_g7_btn_1_trigger",
                               "g_button_group1_1_relative_post", "t2_g8_btn_1_start", "t2_g6_btn_1_enable",
                               "g_button_group2_1_Recip_motion_start", "t2_g4_btn_3_stop", "t2_g0_btn_1_read_param",
                               "t2_g8_btn_4_download_param"};
        for (const char *n : names)
            QVERIFY2(!h.window().findChild<QWidget *>(QLatin1String(n))->isEnabled(), n);
        h.window().openSucess(true);
        for (const char *n : names)
            QVERIFY2(h.window().findChild<QWidget *>(QLatin1String(n))->isEnabled(), n);
    }
};

QTEST_MAIN(ModeControlPageTest)
#include "tst_modecontrolpage.moc"
