// The one-key tab against the virtual drive: which page jobs a run hands
// out and in what order, what the progress bar shows, the operating mode on
// the wire, and how a run ends on failure, on stop and when the port closes.

#include "pages/basicparampage.h"
#include "pages/iopage.h"
#include "pages/modecontrolpage.h"
#include "pages/pdopage.h"
#include "paramfile/onekeypage.h"
#include "tests/support/harness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QtTest>

namespace {

// Which run stage a page frame belongs to.
QString stageOf(uint16_t index)
{
    if ((index >= 0x2000 && index <= 0x200C) || index == 0x2040 || index == 0x2041)
        return QStringLiteral("basic");
    if (index == 0x6060)
        return QStringLiteral("mode");
    if (index == 0x200E || index == 0x6081 || index == 0x6083 || index == 0x6084 || index == 0x607A || index == 0x60FF)
        return QStringLiteral("group1");
    if (index == 0x6098 || index == 0x6099 || index == 0x609A || index == 0x607C)
        return QStringLiteral("homing");
    if (index == 0x2030)
        return QStringLiteral("io");
    if (index >= 0x1600 && index <= 0x1A03)
        return QStringLiteral("pdo");
    return QString::number(index, 16);
}

const char *const kGroupBoxes[5] = {"t7_g2_n1_checkBox", "t7_g2_n4_checkBox", "t7_g2_n5_checkBox", "t7_g2_n6_checkBox",
                                     "t7_g2_n7_checkBox"};

} // namespace

class OneKeyPageTest : public QObject {
    Q_OBJECT

    template <typename T> static T *find(Harness &h, const char *name)
    {
        T *w = h.window().findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }
    static QPushButton *button(Harness &h, const char *name) { return find<QPushButton>(h, name); }
    static QProgressBar *bar(Harness &h) { return find<QProgressBar>(h, "t7_g2_n8_progressBar"); }
    static void setGroups(Harness &h, bool on)
    {
        for (const char *name : kGroupBoxes)
            find<QCheckBox>(h, name)->setChecked(on);
    }
    // Stages in the order the drive saw them, and how many frames each had.
    static QStringList stages(Harness &h)
    {
        QStringList order;
        for (const auto &f : h.pageFrames()) {
            const QString s = stageOf(f.index());
            if (order.isEmpty() || !order.last().startsWith(s + QLatin1Char(' ')))
                order << s + QStringLiteral(" 0");
            const int n = order.last().section(QLatin1Char(' '), 1).toInt();
            order.last() = s + QLatin1Char(' ') + QString::number(n + 1);
        }
        return order;
    }
    static QList<int> pageTabsEnabled(Harness &h)
    {
        auto *tabs = find<QTabWidget>(h, "tabWidget");
        QList<int> enabled;
        for (int i = 0; i < tabs->count(); ++i)
            enabled << int(tabs->isTabEnabled(i));
        return enabled;
    }
    // Clicks the button and steps until the run is over and idle again.
    static bool runToTheEnd(Harness &h, const char *start)
    {
        button(h, start)->click();
        h.run(6);
        return h.runUntil([&h]() { return h.window().oneKeyPage().sequencer().oneKeyJob() == OneKeySequencer::Idle; },
                          60000);
    }
    static QStringList boxTexts(const Harness &h)
    {
        QStringList texts;
        for (const auto &b : h.boxes())
            texts << b.title + QLatin1Char('|') + b.text;
        return texts;
    }

private slots:
    void englishTexts_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("text");
        QTest::newRow("mode label") << "t7_g2_n3a_label" << "text" << "Work Mode";
        QTest::newRow("mode item") << "t7_g2_n3_comboBox" << "currentText" << "1- PP Mode";
        QTest::newRow("group 1") << "t7_g2_n1_checkBox" << "text" << "Basic Parameters";
        QTest::newRow("group 2") << "t7_g2_n4_checkBox" << "text" << "Control-Parameter Group1";
        QTest::newRow("group 3") << "t7_g2_n5_checkBox" << "text" << "Control-HM Parameters";
        QTest::newRow("group 4") << "t7_g2_n6_checkBox" << "text" << "DI/DO Parameters";
        QTest::newRow("group 5") << "t7_g2_n7_checkBox" << "text" << "PDO Settings";
        QTest::newRow("read") << "t7_g3_pushButton_1_read" << "text" << "Read";
        QTest::newRow("configure") << "t7_g3_pushButton_1_OKC" << "text" << "One-click Setup";
        QTest::newRow("stop") << "t7_g3_pushButton_2_stop" << "text" << "Cancel";
        QTest::newRow("store") << "t7_g2_btn_22_save_power_down_param" << "text" << "Save Parameters";
        QTest::newRow("import") << "t7_g1_pushButton_2_import_param" << "text" << "Import Parameters";
        QTest::newRow("export") << "t7_g1_pushButton_3_export_param" << "text" << "Export Parameters";
    }
    void englishTexts()
    {
        QFETCH(QString, objectName);
        QFETCH(QString, property);
        QFETCH(QString, text);
        Harness h(1, false);
        QCOMPARE(h.shownText(objectName, property.toLatin1().constData()), text);
    }

    void startUpAndPortState()
    {
        Harness h(1, false);
        auto *combo = find<QComboBox>(h, "t7_g2_n3_comboBox");
        QCOMPARE(combo->currentIndex(), 1);
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items, (QStringList{"0- Undefined", "1- PP Mode", "3-PV Mode", "6-HM Mode"}));
        auto *model = qobject_cast<QStandardItemModel *>(combo->model());
        QVERIFY(model && !model->item(0)->isEnabled() && model->item(1)->isEnabled());
        for (const char *name : kGroupBoxes)
            QVERIFY2(find<QCheckBox>(h, name)->isChecked(), name);
        auto *tabs = find<QTabWidget>(h, "tabWidget");
        QCOMPARE(tabs->tabText(tabs->indexOf(find<QWidget>(h, "tab_7"))), QStringLiteral("One-click Setup"));

        const char *const followPort[] = {"t7_g2_n1_checkBox", "t7_g2_n3a_label", "t7_g2_n3_comboBox",
                                          "t7_g2_n4_checkBox", "t7_g2_n7_checkBox", "t7_g3_pushButton_1_read",
                                          "t7_g3_pushButton_1_OKC", "t7_g3_pushButton_2_stop", "t7_g2_n8_progressBar"};
        const char *const alwaysOn[] = {"t7_g1_pushButton_2_import_param", "t7_g1_pushButton_3_export_param",
                                        "t7_g2_btn_22_save_power_down_param"};
        for (bool open : {false, true, false}) {
            h.window().openSucess(open);
            for (const char *name : followPort)
                QVERIFY2(find<QWidget>(h, name)->isEnabled() == open, name);
            for (const char *name : alwaysOn)
                QVERIFY2(find<QWidget>(h, name)->isEnabled(), name);
            QCOMPARE(bar(h)->value(), 0);
        }
    }

    void read_data()
    {
        QTest::addColumn<bool>("groups");
        QTest::addColumn<QStringList>("stages");
        QTest::addColumn<QList<int>>("progress");
        QTest::newRow("every group") << true
                                     << QStringList{"basic 11", "mode 1", "group1 6", "homing 5", "io 7", "pdo 44"}
                                     << QList<int>{20, 40, 50, 60, 80, 95, 100};
        QTest::newRow("no group") << false << QStringList{"mode 1"} << QList<int>{10, 40, 45, 55, 70, 90, 100};
    }
    void read()
    {
        QFETCH(bool, groups);
        QFETCH(QStringList, stages);
        QFETCH(QList<int>, progress);
        Harness h;
        h.drive().setValue(0x2005, 0, 22);
        h.drive().setValue(0x6060, 0, 3);
        h.drive().setValue(0x6081, 0, 77);
        h.drive().setValue(0x6099, 1, 123);
        h.drive().setValue(0x2030, 2, 6);
        h.drive().setValue(0x1A01, 1, 0x60640020);
        setGroups(h, groups);
        h.run(100);
        h.clearSentFrames();
        QList<int> shown;
        connect(bar(h), &QProgressBar::valueChanged, this, [&shown](int v) { shown << v; });

        button(h, "t7_g3_pushButton_1_read")->click();
        QCOMPARE(pageTabsEnabled(h), (QList<int>{0, 0, 0, 0, 0, 1}));
        h.run(6);
        QVERIFY(h.runUntil([&h]() { return h.window().oneKeyPage().sequencer().oneKeyJob() == OneKeySequencer::Idle; },
                           60000));

        QCOMPARE(OneKeyPageTest::stages(h), stages);
        for (const auto &f : h.pageFrames())
            QCOMPARE(f.command(), uint8_t(0x40));
        QCOMPARE(shown, progress);
        QCOMPARE(bar(h)->isEnabled(), true);
        QCOMPARE(pageTabsEnabled(h), (QList<int>{1, 1, 1, 1, 1, 1}));
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
        QVERIFY(h.boxes().isEmpty());
        QCOMPARE(find<QComboBox>(h, "t7_g2_n3_comboBox")->currentText(), QStringLiteral("3-PV Mode"));
        MainWindow &w = h.window();
        QCOMPARE(w.basicParamPage().basicParamValue(1, 2), uint16_t(groups ? 22 : 15));
        QCOMPARE(w.modeControlPage().paramGroup1Value(0x6081), groups ? 77 : 50);
        QCOMPARE(w.modeControlPage().homingParamValue(2), groups ? 123 : 150);
        QCOMPARE(w.ioPage().ioTerminalValue(2), uint16_t(groups ? 6 : 0));
        QCOMPARE(w.pdoPage().pdoMapping(PdoPage::PdoKind::Transmit, 1, 1), groups ? 0x60640020u : 0u);
        // The status monitor has the line back.
        h.clearSentFrames();
        h.run(500);
        QVERIFY(!h.sentFrames().isEmpty() && h.pageFrames().isEmpty());
    }

    void modeFromTheDrive_data()
    {
        QTest::addColumn<uint32_t>("driveMode");
        QTest::addColumn<int>("item");
        QTest::newRow("1") << 1u << 1;
        QTest::newRow("3") << 3u << 2;
        QTest::newRow("6") << 6u << 3;
        QTest::newRow("2 has no item") << 2u << 0;
        QTest::newRow("0") << 0u << 0;
    }
    void modeFromTheDrive()
    {
        QFETCH(uint32_t, driveMode);
        QFETCH(int, item);
        Harness h;
        setGroups(h, false);
        h.drive().setValue(0x6060, 0, driveMode);
        QVERIFY(runToTheEnd(h, "t7_g3_pushButton_1_read"));
        QCOMPARE(find<QComboBox>(h, "t7_g2_n3_comboBox")->currentIndex(), item);
    }

    // Every group's write job in order, the mode as one byte, and the drive holds what was sent.
    void configureEveryGroup()
    {
        Harness h;
        MainWindow &w = h.window();
        w.oneKeyPage().setOneKeyModeValue(6);
        w.basicParamPage().setBasicParamValue(1, 2, 19);
        w.modeControlPage().setParamGroup1Value(0x60FF, uint32_t(-300));
        w.modeControlPage().setHomingParamValue(1, 24);
        w.ioPage().setIoTerminalValue(13, 3);
        w.pdoPage().setTpdoParameter(2, 3, 500);
        h.run(100);
        h.clearSentFrames();
        QList<int> shown;
        connect(bar(h), &QProgressBar::valueChanged, this, [&shown](int v) { shown << v; });
        QVERIFY(runToTheEnd(h, "t7_g3_pushButton_1_OKC"));

        QCOMPARE(stages(h), (QStringList{"basic 10", "mode 1", "group1 6", "homing 5", "io 7", "pdo 44"}));
        QCOMPARE(shown, (QList<int>{20, 40, 50, 60, 80, 95, 100}));
        const auto mode = h.framesFor(0x6060);
        QCOMPARE(mode.size(), 1);
        QCOMPARE(mode.first().bytes.mid(6).toHex(' '), QByteArray("2f 60 60 00 06 00 00 00"));
        QCOMPARE(h.drive().value(0x6060, 0), 6u);
        QCOMPARE(h.drive().value(0x2005, 0), 19u);
        QCOMPARE(h.drive().value(0x60FF, 0), uint32_t(-300));
        QCOMPARE(h.drive().value(0x6098, 0), 24u);
        QCOMPARE(h.drive().value(0x2030, 13), 3u);
        QCOMPARE(h.drive().value(0x1802, 3), 500u);
        QVERIFY(h.boxes().isEmpty());
    }

    // A page that fails has shown its box; the run stops there and shows no other.
    void failingBasicReadStopsTheRun()
    {
        Harness h;
        h.run(100);
        h.setDriveConnected(false);
        h.clearSentFrames();
        button(h, "t7_g3_pushButton_1_read")->click();
        QVERIFY(h.runUntil([&h]() { return !h.boxes().isEmpty(); }, 5000));
        h.setDriveConnected(true);
        h.run(3000);
        QCOMPARE(boxTexts(h), QStringList{QStringLiteral("错误提示|基础参数，读错误")});
        QCOMPARE(stages(h), QStringList{"basic 3"});  // one read, sent three times
        QCOMPARE(bar(h)->isEnabled(), false);
        QCOMPARE(bar(h)->value(), 0);
        QCOMPARE(pageTabsEnabled(h), (QList<int>{1, 1, 1, 1, 1, 1}));
        QCOMPARE(h.window().oneKeyPage().sequencer().oneKeyJob(), int16_t(OneKeySequencer::Idle));
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
    }

    void modeTransferFails_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("box");
        QTest::newRow("read") << "t7_g3_pushButton_1_read" << "错误提示|运行模式，读错误";
        QTest::newRow("configure") << "t7_g3_pushButton_1_OKC" << "错误提示|运行模式，写错误";
    }
    void modeTransferFails()
    {
        QFETCH(QString, start);
        QFETCH(QString, box);
        Harness h;
        find<QCheckBox>(h, "t7_g2_n1_checkBox")->setChecked(false);
        h.drive().faults().silentObjects.insert(0x606000);
        h.run(100);
        h.clearSentFrames();
        button(h, start.toLatin1().constData())->click();
        h.run(5000);
        QCOMPARE(boxTexts(h), QStringList{box});
        QCOMPARE(stages(h), QStringList{"mode 3"});  // nothing after the mode
        QCOMPARE(bar(h)->isEnabled(), false);
        QCOMPARE(pageTabsEnabled(h), (QList<int>{1, 1, 1, 1, 1, 1}));
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
    }

    void stopDuringTheIoJob()
    {
        Harness h;
        h.run(100);
        h.clearSentFrames();
        button(h, "t7_g3_pushButton_1_read")->click();
        QVERIFY(h.runUntil([&h]() { return !h.framesFor(0x2030).isEmpty(); }, 30000));
        h.run(60);
        button(h, "t7_g3_pushButton_2_stop")->click();
        QCOMPARE(bar(h)->isEnabled(), false);
        QCOMPARE(pageTabsEnabled(h), (QList<int>{1, 1, 1, 1, 1, 1}));
        h.run(2000);
        const QStringList seen = stages(h);
        QCOMPARE(seen.mid(0, 4), (QStringList{"basic 11", "mode 1", "group1 6", "homing 5"}));
        QCOMPARE(seen.size(), 5);  // the I/O job ends where it was; no PDO job follows
        QVERIFY(seen.last().startsWith(QLatin1String("io ")) && seen.last() != QLatin1String("io 7"));
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(0));  // the I/O page never completed
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
        QCOMPARE(bar(h)->value(), 0);
        QVERIFY(h.boxes().isEmpty());
    }

    // The port closes mid-run: the run ends, and after reopening a new one runs to the end.
    void portClosedMidRun()
    {
        Harness h;
        h.run(100);
        button(h, "t7_g3_pushButton_1_read")->click();
        QVERIFY(h.runUntil([&h]() { return !h.framesFor(0x6083).isEmpty(); }, 30000));
        h.window().openSucess(false);
        h.run(100);
        QCOMPARE(h.window().oneKeyPage().sequencer().oneKeyJob(), int16_t(OneKeySequencer::Idle));
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
        QCOMPARE(bar(h)->isEnabled(), false);
        QCOMPARE(bar(h)->value(), 0);
        QCOMPARE(pageTabsEnabled(h), (QList<int>{1, 1, 1, 1, 1, 1}));

        h.window().openSucess(true);
        h.clearSentFrames();
        h.run(1000);
        QVERIFY(h.pageFrames().isEmpty());
        QVERIFY(!h.sentFrames().isEmpty());  // the status monitor runs: nothing holds the line

        QList<int> shown;
        connect(bar(h), &QProgressBar::valueChanged, this, [&shown](int v) { shown << v; });
        QVERIFY(runToTheEnd(h, "t7_g3_pushButton_1_read"));
        QCOMPARE(shown, (QList<int>{20, 40, 50, 60, 80, 95, 100}));
        QVERIFY(h.boxes().isEmpty());
    }

    void storeParametersButton()
    {
        Harness h;
        h.run(100);
        h.clearSentFrames();
        button(h, "t7_g2_btn_22_save_power_down_param")->click();
        h.run(300);
        const auto frames = h.pageFrames();
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.first().bytes.mid(6).toHex(' '), QByteArray("2b 10 20 00 02 00 00 00"));
    }
};

QTEST_MAIN(OneKeyPageTest)
#include "tst_onekeypage.moc"
