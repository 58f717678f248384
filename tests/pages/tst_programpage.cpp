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

Q_DECLARE_METATYPE(Step)
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
    // Frames as "command index:sub=value" in hexadecimal, e.g. "2b 6040:0=10f".
    static QStringList described(const QVector<Harness::SentFrame> &frames)
    {
        QStringList out;
        for (const auto &f : frames)
            out << QStringLiteral("%1 %2:%3=%4").arg(f.command(), 2, 16).arg(f.index(), 4, 16).arg(f.subIndex()).arg(f.value(), 0, 16);
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
    static QStringList runToEnd(Harness &h, uint32_t maxTicks)
    {
        QStringList shown{status(h)};
        h.runUntil([&]() {
            if (status(h) != shown.last())
                shown << status(h);
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
        QTest::addColumn<Step>("step");
        QTest::addColumn<QStringList>("downloads");
        QTest::newRow("relative position") << Step{1, 0, 30, 200, 120, -3000, 300, 0, 0, 2, 2}
            << QStringList{"2b 6040:0=10f", "2f 6060:0=1", "2b 200e:0=1e", "23 6083:0=c8", "23 6081:0=78",
                           "23 6084:0=12c", "23 607a:0=fffff448", "2b 6040:0=4f", "2b 6040:0=5f"};
        QTest::newRow("absolute position") << Step{1, 1, 30, 200, 120, 3000, 300, 0, 0, 2, 2}
            << QStringList{"2b 6040:0=10f", "2f 6060:0=1", "2b 200e:0=1e", "23 6083:0=c8", "23 6081:0=78",
                           "23 6084:0=12c", "23 607a:0=bb8", "2b 6040:0=f", "2b 6040:0=1f"};
        QTest::newRow("velocity") << Step{3, 0, 30, 200, 120, 0, 300, 2, 1, 2, 2}
            << QStringList{"2b 6040:0=10f", "2b 6040:0=0", "2f 6060:0=3", "2b 200e:0=1e", "23 6083:0=c8",
                           "23 60ff:0=78", "23 6084:0=12c", "2b 6040:0=6", "2b 6040:0=7", "2b 6040:0=f"};
        const int methods[4] = {17, 18, 24, 29};
        for (int sub = 0; sub < 4; ++sub) {
            QTest::newRow(qPrintable(QStringLiteral("homing %1").arg(methods[sub]))) << Step{6, sub, 30, 200, 120, 3000, 300, 0, 0, 2, 2}
                << QStringList{"2b 6040:0=10f", "2f 6060:0=6", QStringLiteral("2f 6098:0=%1").arg(methods[sub], 0, 16),
                               "23 607c:0=bb8", "23 609a:0=c8", "23 6099:2=3c", "23 6099:1=78", "2b 6040:0=6",
                               "2b 6040:0=7", "2b 6040:0=f", "2b 6040:0=1f"};
        }
    }
    void stepDownloads()
    {
        QFETCH(Step, step);
        QFETCH(QStringList, downloads);
        Harness h;
        quiet(h);
        program(h, 1, {step});
        h.drive().setInputs(0x0001);  // the velocity step's switch signal "1-DI:0001" holds
        start(h);
        const QStringList shown = runToEnd(h, 20000);
        QVERIFY(finished(h));
        QCOMPARE(shown, (QStringList{QStringLiteral("启动中"), running(1), kIdle}));

        const QVector<Harness::SentFrame> &sent = h.sentFrames();
        int firstRead = 0;
        while (firstRead < sent.size() && sent[firstRead].command() != 0x40)
            ++firstRead;
        QCOMPARE(described(sent.mid(0, firstRead)), downloads);
        // One download per eligible turn (54 ticks on the scheduler's grid); a
        // position move turns once without a transfer between halt and mode.
        for (int i = 1; i < firstRead; ++i) {
            const uint32_t gap = sent[i].tick - sent[i - 1].tick;
            const uint32_t expected = step.mode == 1 && i == 1 ? 60 : 54;
            QVERIFY2(gap == expected, qPrintable(QStringLiteral("frame %1 after %2 ticks").arg(i).arg(gap)));
        }
        // Step 2 lies beyond the step count: the stop job's two writes end the run.
        QVERIFY(sent.size() >= firstRead + 3);
        QCOMPARE(described(sent.mid(sent.size() - 2)), (QStringList{"2b 6040:0=10f", "2f 6060:0=1"}));
        if (step.mode == 1)
            QCOMPARE(h.drive().position(), step.pulses);
    }

    void jumps_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QVector<Step>>("steps");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("frames");
        const QString status = "40 6041:0=0", inputs = "40 2003:0=0", halt = "2b 6040:0=10f", mode1 = "2f 6060:0=1";
        QTest::newRow("kind 0 goes on after one statusword read") << 2 << QVector<Step>{jumpOnly(0), jumpOnly(5)}
            << QStringList{running(1), running(2), kIdle} << QStringList{status, status, halt, mode1};
        QTest::newRow("kind 1 goes to the Y target") << 3 << QVector<Step>{jumpOnly(1, 3), jumpOnly(5), jumpOnly(5)}
            << QStringList{running(1), running(3), kIdle} << QStringList{status, status, halt, mode1};
        QTest::newRow("kind 4 takes Y when the inputs match") << 3 << QVector<Step>{jumpOnly(4, 3, 2, 1), jumpOnly(5), jumpOnly(5)}
            << QStringList{running(1), running(3), kIdle} << QStringList{status, inputs, status, halt, mode1};
        QTest::newRow("kind 4 takes N on one read when they do not") << 3 << QVector<Step>{jumpOnly(4, 3, 2, 2), jumpOnly(5), jumpOnly(5)}
            << QStringList{running(1), running(2), kIdle} << QStringList{status, inputs, status, halt, mode1};
        QTest::newRow("kind 5 ends with the stop job only") << 3 << QVector<Step>{jumpOnly(5), jumpOnly(0)}
            << QStringList{running(1), kIdle} << QStringList{status, halt, mode1};
        QTest::newRow("velocity step with kind 5 starts no motion") << 2 << QVector<Step>{{3, 0, 30, 200, 120, 0, 300, 5, 0, 2, 2}}
            << QStringList{running(1), kIdle} << QStringList{halt, mode1};
        QTest::newRow("a jump beyond the step count ends the program") << 2 << QVector<Step>{jumpOnly(1, 5), jumpOnly(5)}
            << QStringList{running(1), kIdle} << QStringList{status, halt, mode1};
        QTest::newRow("the last step's next step ends the program") << 2 << QVector<Step>{jumpOnly(0), jumpOnly(0), jumpOnly(5)}
            << QStringList{running(1), running(2), kIdle} << QStringList{status, status, halt, mode1};
        QTest::newRow("a jump kind outside the list ends the program") << 2 << QVector<Step>{jumpOnly(9), jumpOnly(5)}
            << QStringList{running(1), kIdle} << QStringList{halt, mode1};
    }
    void jumps()
    {
        QFETCH(int, count);
        QFETCH(QVector<Step>, steps);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, frames);
        Harness h;
        quiet(h);
        program(h, count, steps);
        h.drive().setInputs(0x0001);
        start(h);
        h.run(6);
        QCOMPARE(runToEnd(h, 20000), shown);
        QVERIFY(finished(h));
        QCOMPARE(described(h.sentFrames()), frames);
    }

    // When step 2 of "move 3000 pulses, then jump" starts, and where the drive is then.
    void waits_data()
    {
        QTest::addColumn<int>("jump");
        QTest::addColumn<uint16_t>("inputs");
        QTest::addColumn<QString>("atStep2");   // "target", "moving" or "never"
        QTest::newRow("kind 0 waits for bit 10") << 0 << uint16_t(0) << "target";
        QTest::newRow("kind 2 takes the signal while moving") << 2 << uint16_t(1) << "moving";
        QTest::newRow("kind 2 waits for the signal") << 2 << uint16_t(0) << "never";
        QTest::newRow("kind 3 takes the signal after the move") << 3 << uint16_t(1) << "target";
        QTest::newRow("kind 3 waits for the signal") << 3 << uint16_t(0) << "never";
    }
    void waits()
    {
        QFETCH(int, jump);
        QFETCH(uint16_t, inputs);
        QFETCH(QString, atStep2);
        Harness h;
        quiet(h);
        program(h, 2, {relative(3000, jump, 2, 1), jumpOnly(5)});
        h.drive().setInputs(inputs);
        start(h);
        int32_t position = 0;
        const bool reached = h.runUntil([&]() { position = h.drive().position(); return status(h) == running(2); }, 8000);
        QCOMPARE(reached ? (position == 3000 ? "target" : position > 0 ? "moving" : "at rest") : "never", atStep2);
        // A wait for the target polls the statusword; a wait during the move does not.
        QCOMPARE(h.framesFor(0x6041).isEmpty(), jump == 2);
        if (!reached) {
            // The move is over, the page still reads the inputs, waiting.
            QCOMPARE(h.drive().position(), 3000);
            QCOMPARE(status(h), running(1));
            QVERIFY(page(h).isRunning() && h.framesFor(0x2003).size() > 20);
        }
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
        QTest::addColumn<QString>("subModes");
        const QString position = "0- Relative position|1- Absolute position";
        const QString homing = "17- Zero return mode|18- Zero return mode|24- Zero return mode|29- Zero return mode";
        QTest::newRow("position, next step") << 1 << -1 << 0 << "11111000" << "111111" << position;
        QTest::newRow("velocity moves kind 0 to wait-during") << 2 << -1 << 2 << "11101110" << "001001" << "None";
        QTest::newRow("velocity keeps end") << 2 << 5 << 5 << "11101000" << "001001" << "None";
        QTest::newRow("none offers no kind 2") << 0 << -1 << 0 << "00000000" << "110111" << "None";
        QTest::newRow("homing, Y target") << 3 << 1 << 1 << "11110010" << "111111" << homing;
        QTest::newRow("wait during: signal and Y") << 1 << 2 << 2 << "11111110" << "111111" << position;
        QTest::newRow("wait after: signal and Y") << 1 << 3 << 3 << "11111110" << "111111" << position;
        QTest::newRow("judge: all three") << 1 << 4 << 4 << "11111111" << "111111" << position;
        QTest::newRow("end: none") << 3 << 5 << 5 << "11110000" << "111111" << homing;
    }
    void rowRules()
    {
        QFETCH(int, mode);
        QFETCH(int, jump);
        QFETCH(int, shownJump);
        QFETCH(QString, enabled);
        QFETCH(QString, offered);
        QFETCH(QString, subModes);
        Harness h;
        auto *sub = widget<QComboBox>(h, rowEditor(7, "sub_mode"));
        sub->setCurrentIndex(1);
        QTest::ignoreMessage(QtDebugMsg, "on_t5_treewidget_node_07_2_combobox_sel_activated:");
        pick(widget<QComboBox>(h, rowEditor(7, "2_combobox_sel")), mode);
        auto *jumpBox = widget<QComboBox>(h, rowEditor(7, "9_combobox_sel"));
        if (jump >= 0) {
            QTest::ignoreMessage(QtDebugMsg, "on_t5_treewidget_node_07_9_combobox_sel_activated:");
            pick(jumpBox, jump);
        }
        QCOMPARE(jumpBox->currentIndex(), shownJump);
        QString gotEnabled, gotOffered, gotSubModes;
        for (const char *name : {"start_speed", "acceleration", "run_speed", "pulses", "deceleration", "switch_signal", "y_target", "n_target"})
            gotEnabled += widget<QWidget>(h, rowEditor(7, name))->isEnabled() ? '1' : '0';
        auto *model = qobject_cast<QStandardItemModel *>(jumpBox->model());
        for (int k = 0; k < 6; ++k)
            gotOffered += model->item(k)->isEnabled() ? '1' : '0';
        for (int i = 0; i < sub->count(); ++i)
            gotSubModes += (i ? "|" : "") + sub->itemText(i);
        QCOMPARE(gotEnabled, enabled);
        QCOMPARE(gotOffered, offered);
        QCOMPARE(gotSubModes, subModes);
        QCOMPARE(sub->currentIndex(), 0);  // refilled for the new mode
        QVERIFY(!widget<QWidget>(h, rowEditor(7, "aux_output"))->isEnabled());
    }

    void everyKeyRoundTrips()
    {
        Harness h(1, false);
        ProgramPage &p = page(h);
        QVector<QPair<QPair<uint16_t, uint8_t>, uint32_t>> entries{{{0x5501, 0}, 7}};
        for (uint8_t k = 1; k <= 5; ++k)
            entries.append({{0x5502, k}, uint32_t(9 - k)});
        for (uint8_t k = 1; k <= 4; ++k)
            entries.append({{0x5503, k}, uint32_t(4 - k)});
        const int modes[4] = {0, 1, 3, 6}, jumpsNone[5] = {0, 1, 3, 4, 5};
        for (int s = 1; s <= 16; ++s) {
            // Values the row rules leave as they are: each mode with a jump kind it offers.
            const int mode = modes[s % 4];
            const int sub = mode == 6 ? s % 4 : mode == 1 ? s % 2 : 0;
            const int jump = mode == 3 ? (s % 2 ? 2 : 5) : mode == 0 ? jumpsNone[s % 5] : s % 6;
            const int fields[12] = {mode, sub, s % 16, 10 * s, 100 + s, 20 * s, (s % 2 ? 1000 : -1000) * s, 200 + s, jump, 15 - s % 16, 17 - s, s};
            for (uint8_t f = 1; f <= 12; ++f)
                entries.append({{uint16_t(0x5503 + s), f}, uint32_t(fields[f - 1])});
        }
        for (const auto &e : entries)
            p.setProgramValue(e.first.first, e.first.second, e.second);
        QStringList wanted, got;
        for (const auto &e : entries) {
            const QString key = QStringLiteral("%1:%2=").arg(e.first.first, 0, 16).arg(e.first.second);
            wanted << key + QString::number(e.second);
            got << key + QString::number(p.programValue(e.first.first, e.first.second));
        }
        QCOMPARE(got, wanted);
        // What the user sees of a few of them.
        QCOMPARE(widget<QComboBox>(h, QStringLiteral("T5_g2_comboBox_setps_num"))->currentText(), QStringLiteral("7 step"));
        QCOMPARE(widget<QComboBox>(h, rowEditor(2, "2_combobox_sel"))->currentText(), QStringLiteral("3-PV Mode"));
        QCOMPARE(widget<QSpinBox>(h, rowEditor(4, "pulses"))->value(), -4000);
        auto *tree = widget<QTreeWidget>(h, QStringLiteral("t5_treeWidget"));
        QVERIFY(!tree->topLevelItem(6)->isHidden() && tree->topLevelItem(7)->isHidden());
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
        auto *tree = widget<QTreeWidget>(h, QStringLiteral("t5_treeWidget"));
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
        QVERIFY(page(h).isRunning() && !widget<QWidget>(h, QStringLiteral("t5_treeWidget"))->isEnabled());
        h.clearSentFrames();
        widget<QPushButton>(h, QStringLiteral("t2_g6_btn_1_enable"))->click();
        h.run(2000);
        // Only the other page's write: no halt, no mode change from this page.
        QCOMPARE(described(h.sentFrames()), QStringList{"2b 200f:0=1"});
        QCOMPARE(status(h), kIdle);
        QVERIFY(!page(h).isRunning() && widget<QWidget>(h, QStringLiteral("t5_treeWidget"))->isEnabled());
        QVERIFY(widget<QWidget>(h, QStringLiteral("T5_g2_comboBox_setps_num"))->isEnabled());
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
    }

    void buttonsEnableStatesAndTheIdleText()
    {
        Harness h(1, false);
        h.window().on_actionManual_triggered();
        auto enabled = [&](const char *name) { return widget<QWidget>(h, QLatin1String(name))->isEnabled(); };
        const char *editing[] = {"T5_g2_comboBox_setps_num", "t5_g3_comboBox_1_DI_CFG", "t5_g3_comboBox_4_DI_CFG",
                                 "t5_treeWidget", "t5_g5_PushButton_1_start", "t5_g5_PushButton_2_stop"};
        for (const char *n : editing)
            QVERIFY2(!enabled(n), n);
        QCOMPARE(status(h), QStringLiteral("idle"));
        h.window().openSucess(true);
        QCOMPARE(status(h), kIdle);
        for (const char *n : editing)
            QVERIFY2(enabled(n), n);
        for (const char *n : {"t5_g1_PushButton_1_read_param", "t5_g1_PushButton_2_download_param",
                              "t5_g3_comboBox_5_CTRG_CFG", "t5_g4_comboBox_1_DO_CFG", "t5_g4_comboBox_4_DO_CFG"})
            QVERIFY2(!enabled(n), n);

        program(h, 1, {relative(30000, 0)});
        QTest::ignoreMessage(QtDebugMsg, "on_t5_g5_PushButton_1_start_clicked:");
        start(h);
        QCOMPARE(status(h), QStringLiteral("启动中"));
        QVERIFY(!enabled("t5_treeWidget") && !enabled("T5_g2_comboBox_setps_num") && !enabled("t5_g3_comboBox_2_DI_CFG"));
        QVERIFY(enabled("t5_g5_PushButton_1_start") && enabled("t5_g5_PushButton_2_stop"));
        QVERIFY(h.runUntil([&]() { return h.framesFor(0x6041).size() >= 2; }, 5000));
        QCOMPARE(status(h), running(1));
        h.clearSentFrames();
        QTest::ignoreMessage(QtDebugMsg, "on_t5_g5_PushButton_2_stop_clicked:");
        widget<QPushButton>(h, QStringLiteral("t5_g5_PushButton_2_stop"))->click();
        QCOMPARE(status(h), kIdle);
        QVERIFY(enabled("t5_treeWidget"));
        QVERIFY(h.runUntil([&]() { return finished(h); }, 2000));
        const QStringList sent = described(h.sentFrames());
        QCOMPARE(sent.mid(sent.size() - 2), (QStringList{"2b 6040:0=10f", "2f 6060:0=1"}));
        h.run(3000);
        QVERIFY(h.drive().position() > 0 && h.drive().position() < 30000);  // halted on the way
        h.window().openSucess(false);
        QVERIFY(!enabled("t5_g5_PushButton_2_stop"));
    }

    void theDefaultProgram()
    {
        Harness h(1, false);
        auto *tree = widget<QTreeWidget>(h, QStringLiteral("t5_treeWidget"));
        QCOMPARE(tree->topLevelItemCount(), 16);
        QCOMPARE(tree->columnCount(), 14);
        const int widths[13] = {40, 100, 90, 95, 60, 60, 60, 90, 60, 105, 90, 70, 70};
        for (int c = 0; c < 13; ++c)  // the empty last column takes the room that is left
            QCOMPARE(tree->columnWidth(c), widths[c]);
        QCOMPARE(tree->headerItem()->text(4), QStringLiteral("启动速度\r\nRPM"));
        QCOMPARE(tree->headerItem()->text(12), QStringLiteral("N:跳转"));
        // Row, mode, run speed, pulses, jump kind, Y target, N target.
        const QStringList rows[] = {{"1", "1- PP Mode", "50", "2000", "Go to the next step", "step 2", "step 2"},
                                    {"3", "1- PP Mode", "100", "4000", "Go to the next step", "step 2", "step 2"},
                                    {"16", "1- PP Mode", "400", "-16000", "Jump - Specify Steps", "step 1", "step 2"}};
        for (const QStringList &r : rows) {
            const int row = r[0].toInt();
            QCOMPARE(tree->topLevelItem(row - 1)->text(0), r[0]);
            const QStringList shown{r[0], widget<QComboBox>(h, rowEditor(row, "2_combobox_sel"))->currentText(),
                                    widget<QSpinBox>(h, rowEditor(row, "run_speed"))->text(),
                                    widget<QSpinBox>(h, rowEditor(row, "pulses"))->text(),
                                    widget<QComboBox>(h, rowEditor(row, "9_combobox_sel"))->currentText(),
                                    widget<QComboBox>(h, rowEditor(row, "y_target"))->currentText(),
                                    widget<QComboBox>(h, rowEditor(row, "n_target"))->currentText()};
            QCOMPARE(shown, r);
        }
        QCOMPARE(widget<QComboBox>(h, rowEditor(1, "aux_output"))->itemText(5), QStringLiteral("5-DO:0101"));
        QCOMPARE(widget<QComboBox>(h, rowEditor(1, "switch_signal"))->itemText(15), QStringLiteral("15-DI:1111"));
        QStringList programLevel;
        for (const char *n : {"T5_g2_comboBox_setps_num", "t5_g3_comboBox_1_DI_CFG", "t5_g3_comboBox_4_DI_CFG",
                              "t5_g3_comboBox_5_CTRG_CFG", "t5_g4_comboBox_1_DO_CFG", "t5_g4_comboBox_4_DO_CFG"})
            programLevel << widget<QComboBox>(h, QLatin1String(n))->currentText();
        QCOMPARE(programLevel, (QStringList{"16 step", "1-X0", "4-X3", "5-X4", "1-Y0", "4-Y3"}));
    }

    void englishTexts_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<int>("item");   // -1: the widget's own text
        QTest::addColumn<QString>("text");
        QTest::newRow("step count label") << "t5_g2_label_steps_num" << -1 << "Subdivision:";
        QTest::newRow("input label") << "t5_g3_label_input" << -1 << "Input:";
        QTest::newRow("start") << "t5_g5_PushButton_1_start" << -1 << "Start";
        QTest::newRow("download") << "t5_g1_PushButton_2_download_param" << -1 << "Download Parameters";
        QTest::newRow("DI none") << "t5_g3_comboBox_2_DI_CFG" << 0 << "0- None";
        QTest::newRow("homing mode") << "t5_treewidget_node_05_2_combobox_sel" << 3 << "6-HM Mode";
        QTest::newRow("wait during") << "t5_treewidget_node_05_9_combobox_sel" << 2 << "Waiting for jump - process";
        QTest::newRow("judge") << "t5_treewidget_node_05_9_combobox_sel" << 4 << "Judge jump";
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
        QCOMPARE(item < 0 ? o->property("text").toString() : qobject_cast<QComboBox *>(o)->itemText(item), text);
    }

    void switchingLanguageRetranslatesTheTable()
    {
        Harness h;
        auto *jumpBox = widget<QComboBox>(h, rowEditor(3, "9_combobox_sel"));
        jumpBox->setCurrentIndex(4);
        h.window().loadLanguage(0);
        QCOMPARE(jumpBox->itemText(2), QStringLiteral("等待跳转-过程"));
        QCOMPARE(widget<QComboBox>(h, rowEditor(3, "y_target"))->itemText(0), QStringLiteral("步骤1"));
        QCOMPARE(widget<QPushButton>(h, QStringLiteral("t5_g5_PushButton_1_start"))->text(), QStringLiteral("启动"));
        h.window().loadLanguage(1);
        QCOMPARE(jumpBox->itemText(2), QStringLiteral("Waiting for jump - process"));
        QCOMPARE(jumpBox->currentIndex(), 4);
        QCOMPARE(status(h), kIdle);  // a run text is not the form's, it stays
    }
};

QTEST_MAIN(ProgramPageTest)
#include "tst_programpage.moc"
