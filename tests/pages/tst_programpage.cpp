// Page 5 against the virtual drive: what each kind of step downloads, how the
// jumps and the input pattern choose the next step, the row rules of the
// table, the file keys, and what the page shows while and after it runs.

#include "pages/programpage.h"
#include "tests/support/harness.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTreeWidget>
#include <QtTest>

namespace {
struct Expected {
    uint8_t command;
    uint16_t index;
    uint8_t subIndex;
    uint32_t value;
};
constexpr uint8_t W8 = 0x2F, W16 = 0x2B, W32 = 0x23, R = 0x40;

// One program step in the file's field order (the auxiliary output stays 0).
struct Step {
    int mode, sub, start, acc, run, pulses, dec, jump, signal, y, n;
};
// A step that moves nothing and only jumps.
Step jumpOnly(int jump, int y = 1, int n = 1, int signal = 0) { return {0, 0, 0, 0, 0, 0, 0, jump, signal, y, n}; }
Step relative(int pulses, int jump, int y = 1, int signal = 0) { return {1, 0, 0, 100, 50, pulses, 100, jump, signal, y, 1}; }

const QString kIdle = QStringLiteral("空闲");
QString running(int step) { return QStringLiteral("执行步骤：%1").arg(step); }
} // namespace

Q_DECLARE_METATYPE(QVector<Expected>)
Q_DECLARE_METATYPE(QVector<Step>)

class ProgramPageTest : public QObject {
    Q_OBJECT

    static ProgramPage &page(Harness &h) { return h.window().programPage(); }
    template <typename T> static T *widget(Harness &h, const QString &name) { return h.window().findChild<T *>(name); }
    static QString rowEditor(int row, const char *name)
    {
        return QStringLiteral("t5_treewidget_node_%1_%2").arg(row, 2, 10, QLatin1Char('0')).arg(QLatin1String(name));
    }
    static QString status(Harness &h) { return widget<QLabel>(h, QStringLiteral("t5_g5_label_status"))->text(); }
    static QString describe(uint8_t command, uint16_t index, uint8_t sub, uint32_t value)
    {
        return QStringLiteral("%1 %2:%3=%4").arg(command, 2, 16).arg(index, 4, 16).arg(sub).arg(value, 0, 16);
    }
    static QStringList described(const QVector<Harness::SentFrame> &frames)
    {
        QStringList out;
        for (const auto &f : frames)
            out << describe(f.command(), f.index(), f.subIndex(), f.value());
        return out;
    }
    static QStringList described(const QVector<Expected> &frames)
    {
        QStringList out;
        for (const Expected &e : frames)
            out << describe(e.command, e.index, e.subIndex, e.value);
        return out;
    }
    static void program(Harness &h, int count, const QVector<Step> &steps)
    {
        ProgramPage &p = page(h);
        p.setProgramValue(0x5501, 0, uint32_t(count));
        for (int s = 0; s < steps.size(); ++s) {
            const Step &t = steps[s];
            const int fields[12] = {t.mode, t.sub, 0, t.start, t.acc, t.run, t.pulses, t.dec, t.jump, t.signal, t.y, t.n};
            for (int f = 0; f < 12; ++f)
                p.setProgramValue(uint16_t(0x5504 + s), uint8_t(f + 1), uint32_t(fields[f]));
        }
    }
    // The status monitor off, so every frame is the page's.
    static void quiet(Harness &h)
    {
        h.window().on_actionManual_triggered();
        h.run(60);
        h.clearSentFrames();
    }
    static bool finished(Harness &h)
    {
        return !page(h).isRunning() && page(h).sequencer().job() == -1 && h.window().pageJobs().pageJobBusy == 0;
    }
    static void start(Harness &h)
    {
        auto *button = widget<QPushButton>(h, QStringLiteral("t5_g5_PushButton_1_start"));
        QVERIFY(button->isEnabled());
        button->click();
    }
    // Runs until the page is idle again; returns every status text shown on the way.
    static QStringList runToEnd(Harness &h, uint32_t maxTicks, const std::function<void()> &onTick = {})
    {
        QStringList shown{status(h)};
        h.runUntil([&]() {
            if (status(h) != shown.last())
                shown << status(h);
            if (onTick)
                onTick();
            return finished(h);
        }, maxTicks);
        return shown;
    }
    static void pick(QComboBox *combo, int index)
    {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

private slots:
    void stepDownloads_data()
    {
        QTest::addColumn<QVector<Step>>("steps");
        QTest::addColumn<QVector<Expected>>("downloads");
        const Expected halt{W16, 0x6040, 0, 0x010F};
        QTest::newRow("relative position") << QVector<Step>{{1, 0, 30, 200, 120, -3000, 300, 0, 0, 2, 2}}
            << QVector<Expected>{halt, {W8, 0x6060, 0, 1}, {W16, 0x200E, 0, 30}, {W32, 0x6083, 0, 200},
                                 {W32, 0x6081, 0, 120}, {W32, 0x6084, 0, 300}, {W32, 0x607A, 0, 0xFFFFF448},
                                 {W16, 0x6040, 0, 0x004F}, {W16, 0x6040, 0, 0x005F}};
        QTest::newRow("absolute position") << QVector<Step>{{1, 1, 30, 200, 120, 3000, 300, 0, 0, 2, 2}}
            << QVector<Expected>{halt, {W8, 0x6060, 0, 1}, {W16, 0x200E, 0, 30}, {W32, 0x6083, 0, 200},
                                 {W32, 0x6081, 0, 120}, {W32, 0x6084, 0, 300}, {W32, 0x607A, 0, 3000},
                                 {W16, 0x6040, 0, 0x000F}, {W16, 0x6040, 0, 0x001F}};
        QTest::newRow("velocity") << QVector<Step>{{3, 0, 30, 200, 120, 0, 300, 2, 1, 2, 2}}
            << QVector<Expected>{halt, {W16, 0x6040, 0, 0}, {W8, 0x6060, 0, 3}, {W16, 0x200E, 0, 30},
                                 {W32, 0x6083, 0, 200}, {W32, 0x60FF, 0, 120}, {W32, 0x6084, 0, 300},
                                 {W16, 0x6040, 0, 6}, {W16, 0x6040, 0, 7}, {W16, 0x6040, 0, 0x000F}};
        const int methods[4] = {17, 18, 24, 29};
        for (int sub = 0; sub < 4; ++sub) {
            QTest::newRow(qPrintable(QStringLiteral("homing %1").arg(methods[sub])))
                << QVector<Step>{{6, sub, 30, 200, 120, 3000, 300, 0, 0, 2, 2}}
                << QVector<Expected>{halt, {W8, 0x6060, 0, 6}, {W8, 0x6098, 0, uint32_t(methods[sub])},
                                     {W32, 0x607C, 0, 3000}, {W32, 0x609A, 0, 200}, {W32, 0x6099, 2, 60},
                                     {W32, 0x6099, 1, 120}, {W16, 0x6040, 0, 6}, {W16, 0x6040, 0, 7},
                                     {W16, 0x6040, 0, 0x000F}, {W16, 0x6040, 0, 0x001F}};
        }
    }
    void stepDownloads()
    {
        QFETCH(QVector<Step>, steps);
        QFETCH(QVector<Expected>, downloads);
        Harness h;
        quiet(h);
        program(h, 1, steps);
        h.drive().setInputs(0x0001);  // the velocity step's switch signal "1-DI:0001" holds
        start(h);
        const QStringList shown = runToEnd(h, 20000);
        QVERIFY(finished(h));
        QCOMPARE(shown, (QStringList{QStringLiteral("启动中"), running(1), kIdle}));

        const QVector<Harness::SentFrame> &sent = h.sentFrames();
        int firstRead = 0;
        while (firstRead < sent.size() && sent[firstRead].command() != R)
            ++firstRead;
        QCOMPARE(described(sent.mid(0, firstRead)), described(downloads));
        // One download per eligible turn (54 ticks on the scheduler's grid); a
        // position move turns once without a transfer between halt and mode.
        for (int i = 1; i < firstRead; ++i) {
            const uint32_t gap = sent[i].tick - sent[i - 1].tick;
            const uint32_t expected = steps[0].mode == 1 && i == 1 ? 60 : 54;
            QVERIFY2(gap == expected, qPrintable(QStringLiteral("frame %1 after %2 ticks").arg(i).arg(gap)));
        }
        // Step 2 lies beyond the step count: the stop job's two writes end the run.
        QVERIFY(sent.size() >= firstRead + 3);
        QCOMPARE(described(sent.mid(sent.size() - 2)),
                 described(QVector<Expected>{{W16, 0x6040, 0, 0x010F}, {W8, 0x6060, 0, 1}}));
        if (steps[0].mode == 1)
            QCOMPARE(h.drive().position(), steps[0].pulses);
    }

    void jumps_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QVector<Step>>("steps");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QVector<Expected>>("frames");
        const Expected status{R, 0x6041, 0, 0}, inputs{R, 0x2003, 0, 0};
        const Expected stop1{W16, 0x6040, 0, 0x010F}, stop2{W8, 0x6060, 0, 1};
        QTest::newRow("kind 0 goes on after one statusword read")
            << 2 << QVector<Step>{jumpOnly(0), jumpOnly(5)} << QStringList{running(1), running(2), kIdle}
            << QVector<Expected>{status, status, stop1, stop2};
        QTest::newRow("kind 1 goes to the Y target")
            << 3 << QVector<Step>{jumpOnly(1, 3), jumpOnly(5), jumpOnly(5)} << QStringList{running(1), running(3), kIdle}
            << QVector<Expected>{status, status, stop1, stop2};
        QTest::newRow("kind 4 takes Y when the inputs match")
            << 3 << QVector<Step>{jumpOnly(4, 3, 2, 1), jumpOnly(5), jumpOnly(5)} << QStringList{running(1), running(3), kIdle}
            << QVector<Expected>{status, inputs, status, stop1, stop2};
        QTest::newRow("kind 4 takes N on one read when they do not")
            << 3 << QVector<Step>{jumpOnly(4, 3, 2, 2), jumpOnly(5), jumpOnly(5)} << QStringList{running(1), running(2), kIdle}
            << QVector<Expected>{status, inputs, status, stop1, stop2};
        QTest::newRow("kind 5 ends with the stop job only")
            << 3 << QVector<Step>{jumpOnly(5), jumpOnly(0)} << QStringList{running(1), kIdle}
            << QVector<Expected>{status, stop1, stop2};
        QTest::newRow("velocity step with kind 5 starts no motion")
            << 2 << QVector<Step>{{3, 0, 30, 200, 120, 0, 300, 5, 0, 2, 2}, jumpOnly(5)} << QStringList{running(1), kIdle}
            << QVector<Expected>{stop1, stop2};
        QTest::newRow("a jump beyond the step count ends the program")
            << 2 << QVector<Step>{jumpOnly(1, 5), jumpOnly(5)} << QStringList{running(1), kIdle}
            << QVector<Expected>{status, stop1, stop2};
        QTest::newRow("the last step's next step ends the program")
            << 2 << QVector<Step>{jumpOnly(0), jumpOnly(0), jumpOnly(5)} << QStringList{running(1), running(2), kIdle}
            << QVector<Expected>{status, status, stop1, stop2};
        QTest::newRow("a jump kind outside the list ends the program")
            << 2 << QVector<Step>{jumpOnly(9), jumpOnly(5)} << QStringList{running(1), kIdle}
            << QVector<Expected>{stop1, stop2};
    }
    void jumps()
    {
        QFETCH(int, count);
        QFETCH(QVector<Step>, steps);
        QFETCH(QStringList, shown);
        QFETCH(QVector<Expected>, frames);
        Harness h;
        quiet(h);
        program(h, count, steps);
        h.drive().setInputs(0x0001);
        start(h);
        h.run(6);
        QStringList seen = runToEnd(h, 20000);
        QVERIFY(finished(h));
        QCOMPARE(seen, shown);
        QStringList got = described(h.sentFrames());
        // Reads are compared by object only: the value field of a read request is empty anyway.
        QCOMPARE(got, described(frames));
    }

    void kindZeroWaitsForTargetReached()
    {
        Harness h;
        quiet(h);
        program(h, 2, {relative(3000, 0), jumpOnly(5)});
        start(h);
        int32_t positionAtStep2 = 0;
        runToEnd(h, 20000, [&]() {
            if (status(h) == running(2) && positionAtStep2 == 0)
                positionAtStep2 = h.drive().position();
        });
        QVERIFY(finished(h));
        QCOMPARE(positionAtStep2, 3000);
        // The move took longer than one read: bit 10 was polled until it came.
        QVERIFY(h.framesFor(0x6041).size() >= 3);
    }

    void kindTwoWaitsForTheSignalWhileMoving()
    {
        Harness h;
        quiet(h);
        program(h, 2, {relative(30000, 2, 2, 1), jumpOnly(5)});
        start(h);
        QVERIFY(h.runUntil([&]() { return h.framesFor(0x2003).size() >= 3; }, 5000));
        QCOMPARE(status(h), running(1));
        QVERIFY(h.framesFor(0x6041).isEmpty());  // it does not wait for the target
        h.drive().setInputs(0x0001);
        int32_t positionAtStep2 = 0;
        runToEnd(h, 20000, [&]() {
            if (status(h) == running(2) && positionAtStep2 == 0)
                positionAtStep2 = h.drive().position();
        });
        QVERIFY(positionAtStep2 > 0 && positionAtStep2 < 30000);
    }

    void kindThreeWaitsForTheSignalAfterTheMove()
    {
        Harness h;
        quiet(h);
        program(h, 2, {relative(3000, 3, 2, 1), jumpOnly(5)});
        start(h);
        QVERIFY(h.runUntil([&]() { return h.framesFor(0x2003).size() >= 3; }, 10000));
        QCOMPARE(h.drive().position(), 3000);  // the inputs are read only once the move is over
        QCOMPARE(status(h), running(1));
        h.drive().setInputs(0x0001);
        QCOMPARE(runToEnd(h, 5000).mid(1), (QStringList{running(2), kIdle}));
    }

    void inputPattern_data()
    {
        QTest::addColumn<QVector<int>>("assignment");
        QTest::addColumn<uint16_t>("inputs");
        QTest::addColumn<int>("next");
        const QVector<int> x2Only{3, 0, 0, 0}, defaults{1, 2, 3, 4};
        QTest::newRow("DI1 on X2: bit 2 set") << x2Only << uint16_t(0x0004) << 3;
        QTest::newRow("DI1 on X2: every bit but 2") << x2Only << uint16_t(0xFFFB) << 2;
        QTest::newRow("DI1 on X2: all bits") << x2Only << uint16_t(0x00FF) << 3;
        QTest::newRow("default: X0") << defaults << uint16_t(0x0001) << 3;
        QTest::newRow("default: X0 and X4, X4 unassigned") << defaults << uint16_t(0x0011) << 3;
        QTest::newRow("default: X0 and X1") << defaults << uint16_t(0x0003) << 2;
        QTest::newRow("default: X0 and X3") << defaults << uint16_t(0x0009) << 2;
        QTest::newRow("default: X2 alone") << defaults << uint16_t(0x0004) << 2;
        QTest::newRow("default: nothing") << defaults << uint16_t(0x0000) << 2;
    }
    void inputPattern()
    {
        QFETCH(QVector<int>, assignment);
        QFETCH(uint16_t, inputs);
        QFETCH(int, next);
        Harness h;
        quiet(h);
        for (int i = 0; i < 4; ++i)
            widget<QComboBox>(h, QStringLiteral("t5_g3_comboBox_%1_DI_CFG").arg(i + 1))->setCurrentIndex(assignment[i]);
        // Switch signal "1-DI:0001", judged once: Y is step 3, N step 2.
        program(h, 3, {jumpOnly(4, 3, 2, 1), jumpOnly(5), jumpOnly(5)});
        h.drive().setInputs(inputs);
        start(h);
        QCOMPARE(runToEnd(h, 5000).mid(1), (QStringList{running(1), running(next), kIdle}));
    }

    void rowRules_data()
    {
        QTest::addColumn<int>("mode");   // item of the work-mode box
        QTest::addColumn<int>("jump");   // item of the jump-kind box picked afterwards (-1: none)
        QTest::addColumn<int>("shownJump");
        QTest::addColumn<QString>("enabled");   // start acc run pulses dec signal Y N, as 0/1
        QTest::addColumn<QString>("offered");   // jump kinds 0..5 that can be chosen
        QTest::newRow("position, next step") << 1 << -1 << 0 << "11111000" << "111111";
        QTest::newRow("velocity moves kind 0 to wait-during") << 2 << -1 << 2 << "11101110" << "001001";
        QTest::newRow("velocity keeps end") << 2 << 5 << 5 << "11101000" << "001001";
        QTest::newRow("none offers no kind 2") << 0 << -1 << 0 << "00000000" << "110111";
        QTest::newRow("homing, Y target") << 3 << 1 << 1 << "11110010" << "111111";
        QTest::newRow("wait during: signal and Y") << 1 << 2 << 2 << "11111110" << "111111";
        QTest::newRow("wait after: signal and Y") << 1 << 3 << 3 << "11111110" << "111111";
        QTest::newRow("judge: all three") << 1 << 4 << 4 << "11111111" << "111111";
        QTest::newRow("end: none") << 3 << 5 << 5 << "11110000" << "111111";
    }
    void rowRules()
    {
        QFETCH(int, mode);
        QFETCH(int, jump);
        QFETCH(int, shownJump);
        QFETCH(QString, enabled);
        QFETCH(QString, offered);
        Harness h;
        auto *modeBox = widget<QComboBox>(h, rowEditor(7, "2_combobox_sel"));
        auto *jumpBox = widget<QComboBox>(h, rowEditor(7, "9_combobox_sel"));
        QTest::ignoreMessage(QtDebugMsg, "on_t5_treewidget_node_07_2_combobox_sel_activated:");
        pick(modeBox, mode);
        if (jump >= 0) {
            QTest::ignoreMessage(QtDebugMsg, "on_t5_treewidget_node_07_9_combobox_sel_activated:");
            pick(jumpBox, jump);
        }
        QCOMPARE(jumpBox->currentIndex(), shownJump);
        const char *editors[8] = {"start_speed", "acceleration", "run_speed", "pulses",
                                  "deceleration", "switch_signal", "y_target", "n_target"};
        QString gotEnabled, gotOffered;
        for (const char *name : editors)
            gotEnabled += widget<QWidget>(h, rowEditor(7, name))->isEnabled() ? '1' : '0';
        auto *model = qobject_cast<QStandardItemModel *>(jumpBox->model());
        for (int k = 0; k < 6; ++k)
            gotOffered += model->item(k)->isEnabled() ? '1' : '0';
        QCOMPARE(gotEnabled, enabled);
        QCOMPARE(gotOffered, offered);
        QVERIFY(!widget<QWidget>(h, rowEditor(7, "aux_output"))->isEnabled());
    }

    void subModesFollowTheWorkMode()
    {
        Harness h;
        auto *modeBox = widget<QComboBox>(h, rowEditor(2, "2_combobox_sel"));
        auto *sub = widget<QComboBox>(h, rowEditor(2, "sub_mode"));
        auto items = [&]() {
            QStringList out;
            for (int i = 0; i < sub->count(); ++i)
                out << sub->itemText(i);
            return out;
        };
        QCOMPARE(items(), (QStringList{"0- Relative position", "1- Absolute position"}));
        sub->setCurrentIndex(1);
        pick(modeBox, 3);
        QCOMPARE(items(), (QStringList{"17- Zero return mode", "18- Zero return mode", "24- Zero return mode", "29- Zero return mode"}));
        QCOMPARE(sub->currentIndex(), 0);
        pick(modeBox, 2);
        QCOMPARE(items(), QStringList{"None"});
    }

    void everyKeyRoundTrips()
    {
        Harness h(1, false);
        ProgramPage &p = page(h);
        QVector<QPair<QPair<uint16_t, uint8_t>, uint32_t>> entries;
        auto entry = [&](uint16_t index, uint8_t sub, uint32_t value) { entries.append({{index, sub}, value}); };
        entry(0x5501, 0, 7);
        for (uint8_t k = 1; k <= 5; ++k)
            entry(0x5502, k, uint32_t(9 - k));
        for (uint8_t k = 1; k <= 4; ++k)
            entry(0x5503, k, uint32_t(4 - k));
        const int modes[4] = {0, 1, 3, 6};
        for (int s = 1; s <= 16; ++s) {
            const int mode = modes[s % 4];
            const int sub = mode == 6 ? s % 4 : mode == 1 ? s % 2 : 0;
            const int jumps0[5] = {0, 1, 3, 4, 5};
            const int jump = mode == 3 ? (s % 2 ? 2 : 5) : mode == 0 ? jumps0[s % 5] : s % 6;
            const uint32_t fields[12] = {uint32_t(mode), uint32_t(sub), uint32_t(s % 16), uint32_t(10 * s),
                                         uint32_t(100 + s), uint32_t(20 * s), uint32_t((s % 2 ? 1000 : -1000) * s),
                                         uint32_t(200 + s), uint32_t(jump), uint32_t(15 - s % 16), uint32_t(17 - s), uint32_t(s)};
            for (uint8_t f = 1; f <= 12; ++f)
                entry(uint16_t(0x5503 + s), f, fields[f - 1]);
        }
        for (const auto &e : entries)
            p.setProgramValue(e.first.first, e.first.second, e.second);
        for (const auto &e : entries) {
            const QString key = QStringLiteral("%1:%2").arg(e.first.first, 0, 16).arg(e.first.second);
            QCOMPARE(QStringLiteral("%1 = %2").arg(key).arg(p.programValue(e.first.first, e.first.second)),
                     QStringLiteral("%1 = %2").arg(key).arg(e.second));
        }
        // What the user sees of a few of them.
        QCOMPARE(widget<QComboBox>(h, QStringLiteral("T5_g2_comboBox_setps_num"))->currentText(), QStringLiteral("7 step"));
        QCOMPARE(widget<QComboBox>(h, QStringLiteral("t5_g3_comboBox_1_DI_CFG"))->currentText(), QStringLiteral("8-X7"));
        QCOMPARE(widget<QComboBox>(h, QStringLiteral("t5_g4_comboBox_4_DO_CFG"))->currentText(), QStringLiteral("0- None"));
        QCOMPARE(widget<QComboBox>(h, rowEditor(2, "2_combobox_sel"))->currentText(), QStringLiteral("3-PV Mode"));
        QCOMPARE(widget<QSpinBox>(h, rowEditor(3, "pulses"))->value(), 3000);
        QCOMPARE(widget<QSpinBox>(h, rowEditor(4, "pulses"))->value(), -4000);
        QCOMPARE(widget<QComboBox>(h, rowEditor(16, "y_target"))->currentText(), QStringLiteral("step 1"));
        QVERIFY(h.window().findChild<QTreeWidget *>(QStringLiteral("t5_treeWidget"))->topLevelItem(6)->isHidden() == false);
        QVERIFY(h.window().findChild<QTreeWidget *>(QStringLiteral("t5_treeWidget"))->topLevelItem(7)->isHidden());
    }

    void valuesTheListsCannotHold_data()
    {
        QTest::addColumn<uint16_t>("index");
        QTest::addColumn<uint8_t>("sub");
        QTest::addColumn<uint32_t>("value");
        QTest::addColumn<uint32_t>("kept");   // what programValue gives afterwards
        QTest::newRow("jump kind 7 is kept") << uint16_t(0x5504) << uint8_t(9) << 7u << 7u;
        QTest::newRow("Y target 20 is kept") << uint16_t(0x5504) << uint8_t(11) << 20u << 20u;
        QTest::newRow("N target 0 is kept") << uint16_t(0x5504) << uint8_t(12) << 0u << 0u;
        QTest::newRow("DI1 on terminal 12 is kept") << uint16_t(0x5502) << uint8_t(1) << 12u << 12u;
        QTest::newRow("start speed above 65535 is refused") << uint16_t(0x5504) << uint8_t(4) << 70000u << 50u;
        QTest::newRow("pulses beyond 30000000 are refused") << uint16_t(0x5505) << uint8_t(7) << uint32_t(-40000000) << uint32_t(-2000);
        QTest::newRow("a negative run speed is refused") << uint16_t(0x5504) << uint8_t(6) << uint32_t(-5) << 50u;
        QTest::newRow("work mode 2 selects none") << uint16_t(0x5504) << uint8_t(1) << 2u << 0u;
        QTest::newRow("step count 20 is refused") << uint16_t(0x5501) << uint8_t(0) << 20u << 16u;
    }
    void valuesTheListsCannotHold()
    {
        QFETCH(uint16_t, index);
        QFETCH(uint8_t, sub);
        QFETCH(uint32_t, value);
        QFETCH(uint32_t, kept);
        Harness h(1, false);
        page(h).setProgramValue(index, sub, value);
        QCOMPARE(page(h).programValue(index, sub), kept);
    }

    void stepCountZeroHidesEveryRow()
    {
        Harness h(1, false);
        auto *tree = h.window().findChild<QTreeWidget *>(QStringLiteral("t5_treeWidget"));
        auto *count = widget<QComboBox>(h, QStringLiteral("T5_g2_comboBox_setps_num"));
        page(h).setProgramValue(0x5501, 0, 5);
        page(h).setProgramValue(0x5501, 0, 0);
        QCOMPARE(count->currentIndex(), 4);
        for (int i = 0; i < 16; ++i)
            QVERIFY(tree->topLevelItem(i)->isHidden());
        QTest::ignoreMessage(QtDebugMsg, "on_T5_g2_comboBox_setps_num_activated:");
        pick(count, 2);
        for (int i = 0; i < 16; ++i)
            QCOMPARE(tree->topLevelItem(i)->isHidden(), i >= 3);
    }

    void anotherPagesJobDropsTheRun()
    {
        Harness h;
        quiet(h);
        program(h, 1, {relative(30000, 0)});
        start(h);
        QVERIFY(h.runUntil([&]() { return h.framesFor(0x6041).size() >= 2; }, 5000));
        QVERIFY(page(h).isRunning());
        QVERIFY(!h.window().findChild<QTreeWidget *>(QStringLiteral("t5_treeWidget"))->isEnabled());
        h.clearSentFrames();
        widget<QPushButton>(h, QStringLiteral("t2_g6_btn_1_enable"))->click();
        h.run(2000);
        // Only the other page's write: no halt, no mode change from this page.
        QCOMPARE(described(h.sentFrames()), described(QVector<Expected>{{W16, 0x200F, 0, 1}}));
        QCOMPARE(status(h), kIdle);
        QVERIFY(!page(h).isRunning());
        QVERIFY(h.window().findChild<QTreeWidget *>(QStringLiteral("t5_treeWidget"))->isEnabled());
        QVERIFY(widget<QComboBox>(h, QStringLiteral("T5_g2_comboBox_setps_num"))->isEnabled());
        QCOMPARE(page(h).sequencer().job(), int16_t(-1));
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
    }

    void stopButtonHaltsTheDrive()
    {
        Harness h;
        quiet(h);
        program(h, 1, {relative(30000, 0)});
        start(h);
        QCOMPARE(status(h), QStringLiteral("启动中"));
        QVERIFY(h.runUntil([&]() { return h.framesFor(0x6041).size() >= 2; }, 5000));
        h.clearSentFrames();
        QTest::ignoreMessage(QtDebugMsg, "on_t5_g5_PushButton_2_stop_clicked:");
        widget<QPushButton>(h, QStringLiteral("t5_g5_PushButton_2_stop"))->click();
        QCOMPARE(status(h), kIdle);
        QVERIFY(h.runUntil([&]() { return finished(h); }, 2000));
        const QStringList sent = described(h.sentFrames());
        QCOMPARE(sent.mid(sent.size() - 2), described(QVector<Expected>{{W16, 0x6040, 0, 0x010F}, {W8, 0x6060, 0, 1}}));
        h.run(3000);
        QVERIFY(h.drive().position() > 0 && h.drive().position() < 30000);  // halted on the way
    }

    void enableStatesAndTheIdleTextOnOpening()
    {
        Harness h(1, false);
        const char *always[] = {"t5_g1_PushButton_1_read_param", "t5_g1_PushButton_2_download_param",
                                "t5_g3_comboBox_5_CTRG_CFG", "t5_g4_comboBox_1_DO_CFG", "t5_g4_comboBox_4_DO_CFG"};
        const char *editing[] = {"T5_g2_comboBox_setps_num", "t5_g3_comboBox_1_DI_CFG", "t5_g3_comboBox_4_DI_CFG",
                                 "t5_treeWidget", "t5_g5_PushButton_1_start", "t5_g5_PushButton_2_stop"};
        auto enabled = [&](const char *name) { return widget<QWidget>(h, QLatin1String(name))->isEnabled(); };
        for (const char *n : editing)
            QVERIFY2(!enabled(n), n);
        QCOMPARE(status(h), QStringLiteral("idle"));
        h.window().openSucess(true);
        QCOMPARE(status(h), kIdle);
        for (const char *n : editing)
            QVERIFY2(enabled(n), n);
        for (const char *n : always)
            QVERIFY2(!enabled(n), n);
        QTest::ignoreMessage(QtDebugMsg, "on_t5_g5_PushButton_1_start_clicked:");
        widget<QPushButton>(h, QStringLiteral("t5_g5_PushButton_1_start"))->click();
        QVERIFY(!enabled("t5_treeWidget") && !enabled("T5_g2_comboBox_setps_num") && !enabled("t5_g3_comboBox_2_DI_CFG"));
        QVERIFY(enabled("t5_g5_PushButton_1_start") && enabled("t5_g5_PushButton_2_stop"));
        h.run(200);
        QCOMPARE(status(h), running(1));
        h.window().openSucess(false);
        QVERIFY(!enabled("t5_g5_PushButton_2_stop"));
        h.window().openSucess(true);
        QCOMPARE(status(h), kIdle);
        QVERIFY(enabled("t5_treeWidget"));
    }

    void theDefaultProgram()
    {
        Harness h(1, false);
        auto *tree = h.window().findChild<QTreeWidget *>(QStringLiteral("t5_treeWidget"));
        QCOMPARE(tree->topLevelItemCount(), 16);
        QCOMPARE(tree->columnCount(), 14);
        const int widths[14] = {40, 100, 90, 95, 60, 60, 60, 90, 60, 105, 90, 70, 70, 1};
        // The empty last column takes whatever room is left.
        for (int c = 0; c < 13; ++c)
            QCOMPARE(tree->columnWidth(c), widths[c]);
        QCOMPARE(tree->headerItem()->text(4), QStringLiteral("启动速度\r\nRPM"));
        QCOMPARE(tree->headerItem()->text(12), QStringLiteral("N:跳转"));
        struct Row { int row, run, pulses; const char *jump, *y; };
        const Row rows[] = {{1, 50, 2000, "Go to the next step", "step 2"}, {2, 50, -2000, "Go to the next step", "step 2"},
                            {3, 100, 4000, "Go to the next step", "step 2"}, {10, 250, -10000, "Go to the next step", "step 2"},
                            {16, 400, -16000, "Jump - Specify Steps", "step 1"}};
        for (const Row &r : rows) {
            QCOMPARE(tree->topLevelItem(r.row - 1)->text(0), QString::number(r.row));
            QCOMPARE(widget<QComboBox>(h, rowEditor(r.row, "2_combobox_sel"))->currentText(), QStringLiteral("1- PP Mode"));
            QCOMPARE(widget<QSpinBox>(h, rowEditor(r.row, "start_speed"))->value(), 50);
            QCOMPARE(widget<QSpinBox>(h, rowEditor(r.row, "run_speed"))->value(), r.run);
            QCOMPARE(widget<QSpinBox>(h, rowEditor(r.row, "pulses"))->value(), r.pulses);
            QCOMPARE(widget<QComboBox>(h, rowEditor(r.row, "9_combobox_sel"))->currentText(), QLatin1String(r.jump));
            QCOMPARE(widget<QComboBox>(h, rowEditor(r.row, "y_target"))->currentText(), QLatin1String(r.y));
            QCOMPARE(widget<QComboBox>(h, rowEditor(r.row, "n_target"))->currentText(), QStringLiteral("step 2"));
        }
        auto *aux = widget<QComboBox>(h, rowEditor(1, "aux_output"));
        QCOMPARE(aux->count(), 16);
        QCOMPARE(aux->itemText(5), QStringLiteral("5-DO:0101"));
        QCOMPARE(widget<QComboBox>(h, rowEditor(1, "switch_signal"))->itemText(15), QStringLiteral("15-DI:1111"));
        const char *defaults[][2] = {{"T5_g2_comboBox_setps_num", "16 step"}, {"t5_g3_comboBox_1_DI_CFG", "1-X0"},
                                     {"t5_g3_comboBox_4_DI_CFG", "4-X3"}, {"t5_g3_comboBox_5_CTRG_CFG", "5-X4"},
                                     {"t5_g4_comboBox_1_DO_CFG", "1-Y0"}, {"t5_g4_comboBox_4_DO_CFG", "4-Y3"}};
        for (const auto &d : defaults)
            QCOMPARE(widget<QComboBox>(h, QLatin1String(d[0]))->currentText(), QLatin1String(d[1]));
    }

    void englishTexts_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<int>("item");   // -1: the widget's own text
        QTest::addColumn<QString>("text");
        QTest::newRow("step count label") << "t5_g2_label_steps_num" << -1 << "Subdivision:";
        QTest::newRow("input label") << "t5_g3_label_input" << -1 << "Input:";
        QTest::newRow("output label") << "t5_g4_label_output" << -1 << "Output:";
        QTest::newRow("start") << "t5_g5_PushButton_1_start" << -1 << "Start";
        QTest::newRow("stop") << "t5_g5_PushButton_2_stop" << -1 << "Stop";
        QTest::newRow("read") << "t5_g1_PushButton_1_read_param" << -1 << "Read Parameters";
        QTest::newRow("download") << "t5_g1_PushButton_2_download_param" << -1 << "Download Parameters";
        QTest::newRow("one step") << "T5_g2_comboBox_setps_num" << 0 << "1 step";
        QTest::newRow("DI none") << "t5_g3_comboBox_2_DI_CFG" << 0 << "0- None";
        QTest::newRow("velocity mode") << "t5_treewidget_node_05_2_combobox_sel" << 2 << "3-PV Mode";
        QTest::newRow("homing mode") << "t5_treewidget_node_05_2_combobox_sel" << 3 << "6-HM Mode";
        QTest::newRow("wait during") << "t5_treewidget_node_05_9_combobox_sel" << 2 << "Waiting for jump - process";
        QTest::newRow("judge") << "t5_treewidget_node_05_9_combobox_sel" << 4 << "Judge jump";
        QTest::newRow("end") << "t5_treewidget_node_05_9_combobox_sel" << 5 << "End";
        QTest::newRow("signal none") << "t5_treewidget_node_05_switch_signal" << 0 << "0- None";
        QTest::newRow("step 16") << "t5_treewidget_node_05_n_target" << 15 << "step 16";
    }
    void englishTexts()
    {
        QFETCH(QString, objectName);
        QFETCH(int, item);
        QFETCH(QString, text);
        Harness h(1, false);
        QObject *o = h.window().findChild<QObject *>(objectName);
        QVERIFY2(o, qPrintable(objectName));
        if (item < 0)
            QCOMPARE(o->property("text").toString(), text);
        else
            QCOMPARE(qobject_cast<QComboBox *>(o)->itemText(item), text);
    }
};

QTEST_MAIN(ProgramPageTest)
#include "tst_programpage.moc"
