// Page 6 against the virtual drive: what the typed fields become, the
// frames a read or write sends, the width the drive reports, failures, and
// the tab that only the command line brings into view.

#include "pages/sdodebugpage.h"
#include "tests/support/harness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

namespace {
const char *const kNode = "t6_g2_lineEdit_1_device_addr";
const char *const kIndex = "t6_g2_lineEdit_2_reg_index_addr";
const char *const kSub = "t6_g2_lineEdit_3_reg_sub_index_addr";
const char *const kValue = "t6_g2_lineEdit_4_data_dec";
} // namespace

class SdoDebugPageTest : public QObject {
    Q_OBJECT

    template <typename T>
    static T *widget(Harness &h, const char *name) { return h.window().findChild<T *>(QLatin1String(name)); }
    static QString shown(Harness &h, const char *name) { return widget<QLineEdit>(h, name)->text(); }
    // Typing into a field and pressing Return, as the user finishes an edit.
    static void type(Harness &h, const char *name, const QString &text)
    {
        QLineEdit *edit = widget<QLineEdit>(h, name);
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    static void pickWidth(Harness &h, int index)
    {
        auto *width = widget<QComboBox>(h, "t6_g2_comboBox_1_data_len");
        width->setCurrentIndex(index);
        emit width->activated(index);
    }
    static void press(Harness &h, const char *name) { widget<QPushButton>(h, name)->click(); }
    // Runs until page 6 has finished and handed the monitor back.
    static void runSdoJob(Harness &h)
    {
        h.run(60);
        QVERIFY(h.runUntil([&]() { return h.window().pageJobs().pageJobBusy == 0; }, 2000));
    }
    static QStringList framesHex(const QVector<Harness::SentFrame> &frames)
    {
        QStringList hex;
        for (const auto &f : frames)
            hex << QString::fromLatin1(f.bytes.toHex(' '));
        return hex;
    }

private slots:
    void englishTexts_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QString>("text");
        QTest::newRow("group") << "groupBox_15" << QByteArray("title") << "CANopen SDO debug";
        QTest::newRow("node") << "label_23" << QByteArray("text") << "Device address:";
        QTest::newRow("index") << "label_91" << QByteArray("text") << "Index HEX: 0x";
        QTest::newRow("subindex") << "label_92" << QByteArray("text") << "Sub index HEX: 0x";
        QTest::newRow("width") << "label_93" << QByteArray("text") << "Data length:";
        QTest::newRow("data") << "label_94" << QByteArray("text") << "data:";
        QTest::newRow("read") << "t6_g2_pushButton_1_read_2" << QByteArray("text") << "Read";
        QTest::newRow("write") << "t6_g2_pushButton_2_write_2" << QByteArray("text") << "Write";
        QTest::newRow("width item") << "t6_g2_comboBox_1_data_len" << QByteArray("currentText") << "16bit";
    }
    void englishTexts()
    {
        QFETCH(QString, objectName);
        QFETCH(QByteArray, property);
        QFETCH(QString, text);
        Harness h(1, false);
        QCOMPARE(h.shownText(objectName, property.constData()), text);
    }

    void startUpViewAndEnableState()
    {
        Harness h(1, false);
        QCOMPARE(QStringList({shown(h, kNode), shown(h, kIndex), shown(h, kSub), shown(h, kValue)}),
                 QStringList({"1", "6041", "00", "0"}));
        auto *width = widget<QComboBox>(h, "t6_g2_comboBox_1_data_len");
        QCOMPARE(width->count(), 3);
        QCOMPARE(width->itemText(0), QStringLiteral("8bit"));
        QCOMPARE(width->itemText(2), QStringLiteral("32bit"));
        QVERIFY(!widget<QCheckBox>(h, "t6_g2_checkBox_1_HEX")->isChecked());
        const char *all[] = {kNode, kIndex, kSub, kValue, "t6_g2_comboBox_1_data_len", "t6_g2_checkBox_1_HEX",
                             "t6_g2_pushButton_1_read_2", "t6_g2_pushButton_2_write_2"};
        for (bool open : {false, true, false}) {
            h.window().openSucess(open);
            for (const char *name : all)
                QVERIFY2(widget<QWidget>(h, name)->isEnabled() == open, name);
        }
    }

    void edits_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shownAfter");
        QTest::addColumn<QString>("diagnostic");
        QTest::newRow("node 5") << kNode << "5" << "5" << "CANopen_debug.device_addr: 5";
        QTest::newRow("node 127") << kNode << "127" << "127" << "CANopen_debug.device_addr: 127";
        QTest::newRow("node 0") << kNode << "0" << "1" << "input error";
        QTest::newRow("node 128") << kNode << "128" << "1" << "input error";
        QTest::newRow("node 200") << kNode << "200" << "1" << "input error";
        QTest::newRow("node 300 (not 44)") << kNode << "300" << "1" << "input error";
        QTest::newRow("node -3") << kNode << "-3" << "1" << "input error";
        QTest::newRow("node text") << kNode << "one" << "1" << "input error";
        QTest::newRow("index 1a00") << kIndex << "1a00" << "1A00" << "CANopen_debug.reg_index_addr: 1A00";
        QTest::newRow("index 0") << kIndex << "0" << "00" << "CANopen_debug.reg_index_addr: 0000";
        QTest::newRow("index 12345 (not 2345)") << kIndex << "12345" << "6041" << "input error";
        QTest::newRow("index text") << kIndex << "6O41" << "6041" << "input error";
        QTest::newRow("subindex 1f") << kSub << "1f" << "1F" << "CANopen_debug.reg_sub_index_addr: 001F";
        QTest::newRow("subindex 1FF (not FF)") << kSub << "1FF" << "00" << "input error";
        QTest::newRow("subindex empty") << kSub << "" << "00" << "input error";
        QTest::newRow("value 10") << kValue << "10" << "10" << "CANopen_debug.reg_data_val: hex: 000A";
        QTest::newRow("value 2^32-1") << kValue << "4294967295" << "4294967295" << "CANopen_debug.reg_data_val: hex: FFFFFFFF";
        QTest::newRow("value 2^32") << kValue << "4294967296" << "0" << "input error";
        QTest::newRow("value hex without HEX") << kValue << "1F" << "0" << "input error";
    }
    void edits()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, shownAfter);
        QFETCH(QString, diagnostic);
        Harness h;
        const CANopen_debug_t before = h.window().sdoDebugPage().record();
        QTest::ignoreMessage(QtDebugMsg, qPrintable(diagnostic));
        type(h, qPrintable(field), typed);
        QCOMPARE(shown(h, qPrintable(field)), shownAfter);
        const CANopen_debug_t &after = h.window().sdoDebugPage().record();
        if (diagnostic == QLatin1String("input error")) {
            QCOMPARE(after.device_addr, before.device_addr);
            QCOMPARE(after.reg_index_addr, before.reg_index_addr);
            QCOMPARE(after.reg_sub_index_addr, before.reg_sub_index_addr);
            QCOMPARE(after.reg_data_val, before.reg_data_val);
        }
    }

    void hexDisplay()
    {
        Harness h;
        auto *hex = widget<QCheckBox>(h, "t6_g2_checkBox_1_HEX");
        type(h, kValue, QStringLiteral("10"));
        hex->click();
        QCOMPARE(shown(h, kValue), QStringLiteral("0A"));
        type(h, kValue, QStringLiteral("1f"));  // read as hexadecimal now
        QCOMPARE(h.window().sdoDebugPage().record().reg_data_val, 31u);
        QCOMPARE(shown(h, kValue), QStringLiteral("1F"));
        hex->click();
        QCOMPARE(shown(h, kValue), QStringLiteral("31"));
    }

    // The width shown after a read is the drive's, whatever was selected.
    void readTakesTheDrivesWidth_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<QString>("sub");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("value");
        QTest::newRow("8-bit object, 32 selected") << "6060" << "0" << 2
            << "00 00 00 06 05 08 40 60 60 00 00 00 00 00" << "8bit" << "1";
        QTest::newRow("16-bit subindex, 8 selected") << "2030" << "e" << 0
            << "00 00 00 06 05 08 40 30 20 0e 00 00 00 00" << "16bit" << "4";
        QTest::newRow("32-bit object, 16 selected") << "6081" << "0" << 1
            << "00 00 00 06 05 08 40 81 60 00 00 00 00 00" << "32bit" << "50";
    }
    void readTakesTheDrivesWidth()
    {
        QFETCH(QString, index);
        QFETCH(QString, sub);
        QFETCH(int, selected);
        QFETCH(QString, frame);
        QFETCH(QString, width);
        QFETCH(QString, value);
        Harness h(5);
        h.window().on_actionManual_triggered();
        type(h, kNode, QStringLiteral("5"));
        type(h, kIndex, index);
        type(h, kSub, sub);
        pickWidth(h, selected);
        h.clearSentFrames();
        press(h, "t6_g2_pushButton_1_read_2");
        runSdoJob(h);
        QCOMPARE(framesHex(h.sentFrames()), QStringList{frame});
        QCOMPARE(widget<QComboBox>(h, "t6_g2_comboBox_1_data_len")->currentText(), width);
        QCOMPARE(shown(h, kValue), value);
        QVERIFY(h.boxes().isEmpty());
    }

    void writeSendsTheSelectedWidth_data()
    {
        QTest::addColumn<QString>("index");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<uint>("driveValue");
        QTest::newRow("8 bit") << "6060" << 0 << "00 00 00 06 05 08 2f 60 60 00 34 00 00 00" << 0x34u;
        QTest::newRow("16 bit") << "200E" << 1 << "00 00 00 06 05 08 2b 0e 20 00 34 12 00 00" << 0x1234u;
        QTest::newRow("32 bit") << "607A" << 2 << "00 00 00 06 05 08 23 7a 60 00 34 12 00 00" << 0x1234u;
    }
    void writeSendsTheSelectedWidth()
    {
        QFETCH(QString, index);
        QFETCH(int, selected);
        QFETCH(QString, frame);
        QFETCH(uint, driveValue);
        Harness h(5);
        h.window().on_actionManual_triggered();
        type(h, kNode, QStringLiteral("5"));
        type(h, kIndex, index);
        pickWidth(h, selected);
        type(h, kValue, QStringLiteral("4660"));  // 0x1234
        h.clearSentFrames();
        press(h, "t6_g2_pushButton_2_write_2");
        runSdoJob(h);
        QCOMPARE(framesHex(h.sentFrames()), QStringList{frame});
        QCOMPARE(h.drive().value(index.toUShort(nullptr, 16), 0), uint32_t(driveValue));
        QVERIFY(h.boxes().isEmpty());
    }

    // The page's own node, not the window's: the drive at node 5 never hears a request for node 1.
    void silentDrive_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("read, drive silent") << false << "t6_g2_pushButton_1_read_2" << "读失败";
        QTest::newRow("write, drive silent") << false << "t6_g2_pushButton_2_write_2" << "写失败";
        QTest::newRow("read, other node") << true << "t6_g2_pushButton_1_read_2" << "读失败";
    }
    void silentDrive()
    {
        QFETCH(bool, connected);
        QFETCH(QString, button);
        QFETCH(QString, text);
        Harness h(5);
        h.window().on_actionManual_triggered();
        if (!connected) {
            type(h, kNode, QStringLiteral("5"));
            h.setDriveConnected(false);
        }
        type(h, kValue, QStringLiteral("77"));
        h.clearSentFrames();
        h.window().findChild<QPushButton *>(button)->click();
        runSdoJob(h);
        QCOMPARE(h.boxes().size(), 1);
        QCOMPARE(h.boxes()[0].kind, MessageBoxes::Kind::Information);
        QCOMPARE(h.boxes()[0].title, QStringLiteral("提示"));
        QCOMPARE(h.boxes()[0].text, text);
        QCOMPARE(h.sentFrames().size(), 3);
        QCOMPARE(h.sentFrames()[0].bytes.mid(3, 2), QByteArray::fromHex(connected ? "0601" : "0605"));
        QCOMPARE(shown(h, kValue), QStringLiteral("77"));
        QCOMPARE(h.window().sdoDebugPage().record().reg_data_len, uint16_t(1));
    }

    void readTakesTheJobFromAnotherPage()
    {
        Harness h;
        h.drive().setValue(0x6060, 0, 6);
        type(h, kIndex, QStringLiteral("6060"));
        press(h, "t3_g1_btn_1_read_param");
        QVERIFY(h.runUntil([&]() { return h.framesFor(0x2030).size() == 2; }, 2000));
        h.clearSentFrames();
        press(h, "t6_g2_pushButton_1_read_2");
        QCOMPARE(h.window().pageJobs().pageJobOwner, uint8_t(6));
        runSdoJob(h);
        h.run(500);
        // One read of the typed object, and the I/O page never resumes.
        QCOMPARE(h.framesFor(0x6060).size(), 1);
        QVERIFY(h.framesFor(0x2030).isEmpty());
        QCOMPARE(shown(h, kValue), QStringLiteral("6"));
        QVERIFY(h.window().pageJobs().pageJobResult != 6);
        QVERIFY(h.boxes().isEmpty());
    }

    void tabOnlyOnRequest()
    {
        Harness h(1, false);
        auto *tabs = h.window().findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        auto titles = [tabs]() {
            QStringList t;
            for (int i = 0; i < tabs->count(); ++i)
                t << tabs->tabText(i);
            return t;
        };
        QCOMPARE(titles().size(), 6);
        QVERIFY(!titles().contains(QStringLiteral("CAN debug")));
        const int current = tabs->currentIndex();
        h.window().showSdoDebugTab();
        h.window().showSdoDebugTab();
        QCOMPARE(titles(), (QStringList{"1-Basic Parameters", "2-Working Method", "3-DI/DO Parameters",
                                        "4-PDO Settings", "5-Program Control", "CAN debug", "One-click Setup"}));
        QCOMPARE(tabs->widget(5)->objectName(), QStringLiteral("tab_6"));
        QVERIFY(tabs->widget(5)->findChild<QGroupBox *>(QStringLiteral("groupBox_15")));
        QCOMPARE(tabs->currentIndex(), current);
    }

    void commandLineOption()
    {
        QProcess p;
        p.start(QStringLiteral(AXISCOPE_PATH), {"--help"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QString::fromLocal8Bit(p.readAllStandardOutput()).contains(QStringLiteral("--sdo-debug")));
        // The option is known (an unknown one exits with status 2).
        p.start(QStringLiteral(AXISCOPE_PATH), {"--sdo-debug", "--version"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
    }
};

QTEST_MAIN(SdoDebugPageTest)
#include "tst_sdodebugpage.moc"
