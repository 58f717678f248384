// Page 3 against the virtual drive: what the drive receives for a read or a
// write of the page, what the terminal rows show, hidden rows carried through
// the masks, answers that do not fit, and a drive that does not answer.

#include "pages/iopage.h"
#include "tests/support/harness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

using SubValues = QVector<QPair<int, int>>;  // (subindex, value) in the order sent

// Form group number of each terminal row.
int groupOf(const QString &terminal)
{
    static const QMap<QString, int> groups = {{"PU", 2}, {"DR", 3}, {"X0", 4}, {"X1", 5}, {"X2", 6},
                                              {"X3", 7}, {"X4", 8}, {"X5", 9}, {"X6", 10}, {"X7", 11},
                                              {"Y0", 21}, {"Y1", 22}, {"Y2", 23}, {"Y3", 24}};
    return groups.value(terminal);
}

QString widgetName(const char *kind, const QString &terminal)
{
    return QStringLiteral("t3_g%1_%2_1_IO_%3").arg(groupOf(terminal)).arg(QLatin1String(kind), terminal);
}

} // namespace

class IoPageTest : public QObject {
    Q_OBJECT

    static QComboBox *combo(Harness &h, const QString &t) { return h.window().findChild<QComboBox *>(widgetName("comboBox", t)); }
    static QCheckBox *check(Harness &h, const QString &t) { return h.window().findChild<QCheckBox *>(widgetName("checkbox", t)); }
    static QPushButton *button(Harness &h, const char *name) { return h.window().findChild<QPushButton *>(QLatin1String(name)); }
    static QString checkedRows(Harness &h)
    {
        QStringList rows;
        for (const char *t : {"X0", "X1", "X2", "X3", "X4", "X5", "Y0", "Y1", "Y2", "Y3"}) {
            if (check(h, QLatin1String(t))->isChecked())
                rows << QLatin1String(t);
        }
        return rows.join(QLatin1Char(' '));
    }
    // What the page put on the wire for 0x2030 with this command, as (subindex, value).
    static SubValues pageTransfers(Harness &h, uint8_t command)
    {
        SubValues sent;
        for (const auto &f : h.pageFrames()) {
            if (f.index() == 0x2030 && f.command() == command)
                sent.append({f.subIndex(), int(f.value())});
        }
        return sent;
    }
    // The shortest gap between two frames on the wire while the page worked.
    static uint32_t shortestGap(Harness &h)
    {
        const auto frames = h.pageFrames();
        uint32_t gap = UINT32_MAX;
        for (int i = 1; i < frames.size(); ++i)
            gap = qMin(gap, frames[i].tick - frames[i - 1].tick);
        return gap;
    }
    static void setDrive(Harness &h, const SubValues &values)
    {
        for (const auto &v : values)
            h.drive().setValue(0x2030, uint8_t(v.first), uint32_t(v.second));
    }

private slots:
    void englishTexts_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QString>("text");
        QTest::newRow("group") << "groupBox_9" << QByteArray("title") << "DI/DO Port Config";
        QTest::newRow("read") << "t3_g1_btn_1_read_param" << QByteArray("text") << "Read Parameters";
        QTest::newRow("write") << "t3_g1_btn_1_write_param" << QByteArray("text") << "Download Parameters";
        QTest::newRow("X0 label") << widgetName("label", "X0") << QByteArray("text") << "DI Port X0 funtion:";
        QTest::newRow("PU label") << widgetName("label", "PU") << QByteArray("text") << "DI Port PU funtion:";
        QTest::newRow("Y1 label") << widgetName("label", "Y1") << QByteArray("text") << "DO Port Y1 funtion:";
        QTest::newRow("inversion") << widgetName("checkbox", "X2") << QByteArray("text") << "Level reversal";
        QTest::newRow("input item") << widgetName("comboBox", "X1") << QByteArray("currentText") << "0- Undefined";
    }
    void englishTexts()
    {
        QFETCH(QString, objectName);
        QFETCH(QByteArray, property);
        QFETCH(QString, text);
        Harness h(1, false);
        QCOMPARE(h.shownText(objectName, property.constData()), text);
    }

    void functionLists()
    {
        Harness h(1, false);
        QComboBox *input = combo(h, "X5");
        QCOMPARE(input->count(), 15);
        QCOMPARE(input->itemText(4), QStringLiteral("4-MotoreEnableSignal"));
        QCOMPARE(input->itemText(12), QStringLiteral("12-JOG+Sport"));
        QCOMPARE(input->itemText(13), QStringLiteral("13 JOG- Sport"));
        QCOMPARE(input->itemText(14), QStringLiteral("14- Return to origin enable signal"));
        QComboBox *output = combo(h, "Y3");
        QCOMPARE(output->count(), 7);
        QCOMPARE(output->itemText(3), QStringLiteral("3-Return to origin completion signal"));
        QCOMPARE(output->itemText(6), QStringLiteral("6-Output low level"));
        QCOMPARE(combo(h, "PU")->count(), 15);
    }

    // Five rows are shown, nine stay hidden whatever the port does; the shown ones follow the port.
    void rowsAndEnableState()
    {
        Harness h(1, false);
        const QStringList shown = {"X0", "X1", "X2", "Y0", "Y1"};
        const QStringList hidden = {"PU", "DR", "X3", "X4", "X5", "X6", "X7", "Y2", "Y3"};
        for (bool open : {false, true, false}) {
            h.window().openSucess(open);
            for (const QString &t : hidden) {
                QVERIFY2(h.window().findChild<QLabel *>(widgetName("label", t))->isHidden(), qPrintable(t));
                QVERIFY2(check(h, t)->isHidden() && combo(h, t)->isHidden(), qPrintable(t));
            }
            for (const QString &t : shown) {
                QVERIFY2(!check(h, t)->isHidden() && !combo(h, t)->isHidden(), qPrintable(t));
                QCOMPARE(combo(h, t)->isEnabled(), open);
                QCOMPARE(check(h, t)->isEnabled(), open);
            }
            QCOMPARE(button(h, "t3_g1_btn_1_read_param")->isEnabled(), open);
            QCOMPARE(button(h, "t3_g1_btn_1_write_param")->isEnabled(), open);
        }
    }

    void readAll()
    {
        Harness h;
        setDrive(h, {{1, 0x2D}, {2, 7}, {3, 12}, {4, 9}, {5, 11}, {12, 0x0A}, {13, 5}, {14, 3}, {15, 2}});
        h.run(100);
        button(h, "t3_g1_btn_1_read_param")->click();
        QCOMPARE(h.window().pageJobs().pageJobRequestMark, uint8_t(90));
        const int doneBefore = h.doneMarksSeen();
        QVERIFY(h.runUntilPageJobDone(5000));
        QCOMPARE(h.doneMarksSeen(), doneBefore + 1);
        QVERIFY(shortestGap(h) >= 50);
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(6));

        QCOMPARE(pageTransfers(h, 0x40), (SubValues{{1, 0}, {2, 0}, {3, 0}, {4, 0}, {12, 0}, {13, 0}, {14, 0}}));
        QCOMPARE(checkedRows(h), QStringLiteral("X0 X2 X3 X5 Y1 Y3"));
        QCOMPARE(combo(h, "X0")->currentIndex(), 7);
        QCOMPARE(combo(h, "X1")->currentText(), QStringLiteral("12-JOG+Sport"));
        QCOMPARE(combo(h, "X2")->currentIndex(), 9);
        QCOMPARE(combo(h, "Y0")->currentText(), QStringLiteral("5-Output high level"));
        QCOMPARE(combo(h, "Y1")->currentIndex(), 3);
        QCOMPARE(combo(h, "X3")->currentIndex(), 0);  // subindex 5 is not transferred
        QCOMPARE(combo(h, "Y2")->currentIndex(), 0);
        QVERIFY(h.boxes().isEmpty());

        // The page goes idle and hands the line back to the status monitor.
        h.run(200);
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
        QCOMPARE(h.window().pageJobs().pageJobDoneMark, uint8_t(0));
        QVERIFY(h.sentFrames().last().index() != 0x2030);
    }

    void write_data()
    {
        QTest::addColumn<SubValues>("driveBefore");  // read into the page first, then cleared in the drive
        QTest::addColumn<SubValues>("expected");
        QTest::newRow("right after start-up") << SubValues{}
            << SubValues{{1, 0}, {2, 0}, {3, 0}, {4, 0}, {12, 0}, {13, 0}, {14, 0}};
        // Only X0..X2 are visible, yet the hidden X3..X5 go back as they came.
        QTest::newRow("input mask 3F") << SubValues{{1, 0x3F}}
            << SubValues{{1, 0x3F}, {2, 1}, {3, 2}, {4, 3}, {12, 0}, {13, 1}, {14, 4}};
        QTest::newRow("output mask and functions") << SubValues{{12, 0x0F}, {2, 14}, {13, 6}, {14, 2}}
            << SubValues{{1, 0}, {2, 14}, {3, 2}, {4, 3}, {12, 0x0F}, {13, 6}, {14, 2}};
        // A code the list does not have is written back, not replaced by item 0 or 0xFFFF.
        QTest::newRow("unlisted function code") << SubValues{{3, 20}, {14, 300}}
            << SubValues{{1, 0}, {2, 1}, {3, 20}, {4, 3}, {12, 0}, {13, 1}, {14, 300}};
    }
    void write()
    {
        QFETCH(SubValues, driveBefore);
        QFETCH(SubValues, expected);
        Harness h;
        if (!driveBefore.isEmpty()) {
            setDrive(h, driveBefore);
            button(h, "t3_g1_btn_1_read_param")->click();
            QVERIFY(h.runUntilPageJobDone(5000));
            h.run(100);
            h.clearSentFrames();
        }
        for (int sub = 1; sub <= 16; ++sub)
            h.drive().setValue(0x2030, uint8_t(sub), 0x7777);
        button(h, "t3_g1_btn_1_write_param")->click();
        QVERIFY(h.runUntilPageJobDone(5000));
        QVERIFY(shortestGap(h) >= 50);
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(106));
        QCOMPARE(pageTransfers(h, 0x2B), expected);
        for (const auto &e : expected)
            QCOMPARE(h.drive().value(0x2030, uint8_t(e.first)), uint32_t(e.second));
        QCOMPARE(h.drive().value(0x2030, 5), 0x7777u);  // never written
        QVERIFY(h.boxes().isEmpty());
    }

    void pickingAnItemReplacesAnUnlistedCode()
    {
        Harness h;
        h.window().ioPage().setIoTerminalValue(3, 20);
        QComboBox *x1 = combo(h, "X1");
        QCOMPARE(x1->currentIndex(), -1);
        QCOMPARE(h.window().ioPage().ioTerminalValue(3), uint16_t(20));
        QTest::keyClick(x1, Qt::Key_Down);  // a pick from the list (emits activated)
        QCOMPARE(x1->currentIndex(), 0);
        QCOMPARE(h.window().ioPage().ioTerminalValue(3), uint16_t(0));
    }

    // The operations the parameter files use.
    void valuesBySubindex_data()
    {
        QTest::addColumn<int>("subIndex");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("readBack");
        QTest::addColumn<QString>("checked");
        QTest::newRow("input mask, high bits dropped") << 1 << 0xFFC5 << 0x05 << "X0 X2";
        QTest::newRow("input mask, hidden X4") << 1 << 0x10 << 0x10 << "X4";
        QTest::newRow("output mask, high bits dropped") << 12 << 0xF9 << 0x09 << "Y0 Y3";
        QTest::newRow("X5 function (hidden row)") << 7 << 14 << 14 << "";
        QTest::newRow("Y3 function (hidden row)") << 16 << 6 << 6 << "";
        QTest::newRow("subindex 9 has no widget") << 9 << 5 << 0 << "";
        QTest::newRow("subindex 17 is not the page's") << 17 << 5 << 0 << "";
    }
    void valuesBySubindex()
    {
        QFETCH(int, subIndex);
        QFETCH(int, value);
        QFETCH(int, readBack);
        QFETCH(QString, checked);
        Harness h(1, false);
        IoPage &page = h.window().ioPage();
        page.setIoTerminalValue(uint8_t(subIndex), uint16_t(value));
        QCOMPARE(int(page.ioTerminalValue(uint8_t(subIndex))), readBack);
        QCOMPARE(checkedRows(h), checked);
        // Nothing else moved.
        for (int other = 1; other <= 16; ++other) {
            if (other != subIndex)
                QCOMPARE(int(page.ioTerminalValue(uint8_t(other))), 0);
        }
    }

    void answerForAnotherSubindexIsSkipped()
    {
        Harness h;
        setDrive(h, {{2, 7}, {3, 12}});
        // The answer to 0x2030:2 comes back labelled subindex 3 with the value 14.
        auto deliver = h.drive().onTransmit;
        h.drive().onTransmit = [deliver](const uint8_t *data, std::size_t count) {
            QByteArray bytes(reinterpret_cast<const char *>(data), int(count));
            if (bytes.size() == 14 && bytes.mid(6, 4) == QByteArray::fromHex("4B302002")) {
                bytes[9] = 3;
                bytes[10] = 14;
            }
            deliver(reinterpret_cast<const uint8_t *>(bytes.constData()), std::size_t(bytes.size()));
        };
        button(h, "t3_g1_btn_1_read_param")->click();
        QVERIFY(h.runUntilPageJobDone(5000));
        QCOMPARE(combo(h, "X0")->currentIndex(), 0);   // no value for subindex 2
        QCOMPARE(combo(h, "X1")->currentIndex(), 12);  // subindex 3 from its own answer
        QCOMPARE(pageTransfers(h, 0x40).size(), 7);
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(6));
        QVERIFY(h.boxes().isEmpty());
    }

    void readTwiceRestartsFromTheStart()
    {
        Harness h;
        button(h, "t3_g1_btn_1_read_param")->click();
        QVERIFY(h.runUntil([&]() { return h.pageFrames().size() == 3; }, 2000));
        button(h, "t3_g1_btn_1_read_param")->click();
        QVERIFY(h.runUntilPageJobDone(5000));
        QVector<int> subs;
        for (const auto &t : pageTransfers(h, 0x40))
            subs << t.first;
        QCOMPARE(subs, (QVector<int>{1, 2, 3, 1, 2, 3, 4, 12, 13, 14}));
    }

    void silentDrive_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("read") << "t3_g1_btn_1_read_param" << "输入输出-读错误";
        QTest::newRow("write") << "t3_g1_btn_1_write_param" << "输入输出-写错误";
    }
    void silentDrive()
    {
        QFETCH(QString, button);
        QFETCH(QString, text);
        Harness h;
        h.window().on_actionManual_triggered();
        h.setDriveConnected(false);
        h.window().findChild<QPushButton *>(button)->click();
        h.run(3000);
        QCOMPARE(h.boxes().size(), 1);
        QCOMPARE(h.boxes()[0].kind, MessageBoxes::Kind::Information);
        QCOMPARE(h.boxes()[0].title, QStringLiteral("错误提示"));
        QCOMPARE(h.boxes()[0].text, text);
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(255));
        QCOMPARE(h.window().pageJobs().pageJobRequestMark, uint8_t(0));  // cleared once the box was closed
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
        // Three transmissions of the first subindex, then the page gives up.
        const auto frames = h.pageFrames();
        QCOMPARE(frames.size(), 3);
        for (const auto &f : frames)
            QCOMPARE(f.subIndex(), uint8_t(1));
    }

    // The drive answers every subindex of the terminal object as 16 bits.
    void driveAnswers2030With16Bits()
    {
        sim::VirtualDrive drive(1);
        QByteArray answers;
        drive.onTransmit = [&answers](const uint8_t *data, std::size_t count) {
            answers.append(reinterpret_cast<const char *>(data), int(count));
        };
        uint32_t now = 1000;
        for (int sub = 1; sub <= 16; ++sub) {
            drive.setValue(0x2030, uint8_t(sub), 0xA500u + uint32_t(sub));
            const QByteArray request = QByteArray::fromHex("000000060108403020") + char(sub) + QByteArray(4, 0);
            answers.clear();
            drive.receive(reinterpret_cast<const uint8_t *>(request.constData()), std::size_t(request.size()), now);
            now += 20;
            drive.advance(now);
            const QByteArray expected = QByteArray::fromHex("0000000581084B3020") + char(sub) + char(sub)
                + QByteArray::fromHex("A50000");
            QCOMPARE(answers.toHex(' '), expected.toHex(' '));
        }
    }
};

QTEST_MAIN(IoPageTest)
#include "tst_iopage.moc"
