// Page 1 against the virtual drive: read all, write all, single rows,
// failures, values the editors cannot show, and the model's current range.

#include "pages/basicparampage.h"
#include "tests/support/harness.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest>

namespace {
const uint16_t kObjects[11] = {0x2000, 0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A, 0x200B, 0x200C, 0x2040, 0x2041};
const int kGroup[11] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2};
const int kRow[11] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 1, 2};
} // namespace

class BasicParamPageTest : public QObject {
    Q_OBJECT

    static QPushButton *button(Harness &h, const QString &name) { return h.window().findChild<QPushButton *>(name); }
    static QWidget *editor(Harness &h, int group, int row)
    {
        auto *tree = h.window().findChild<QTreeWidget *>(QStringLiteral("t1_treeWidget"));
        return tree->itemWidget(h.window().basicParamPage().rowItem(group, row), 2);
    }
    static QString column1(Harness &h, int group, int row)
    {
        return h.window().basicParamPage().rowItem(group, row)->text(1);
    }
private slots:
    void treeLayoutAndTexts()
    {
        Harness h(1, false);
        auto *tree = h.window().findChild<QTreeWidget *>(QStringLiteral("t1_treeWidget"));
        QCOMPARE(tree->columnCount(), 7);
        QStringList header;
        for (int c = 0; c < 6; ++c)
            header << tree->headerItem()->text(c);
        QCOMPARE(header, (QStringList{"Parameters", "Current Value", "Set Value", "Range", "Read", "Write"}));
        QCOMPARE(tree->topLevelItemCount(), 2);
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Configuration"));
        QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("Function Parameters"));
        QCOMPARE(tree->topLevelItem(0)->childCount(), 9);
        QCOMPARE(tree->topLevelItem(1)->childCount(), 2);
        QCOMPARE(tree->columnWidth(0), 300);
        QCOMPARE(tree->columnWidth(2), 280);
        QCOMPARE(h.window().basicParamPage().rowItem(1, 2)->text(0), QStringLiteral("Current setting 0.1A * n:"));
        QCOMPARE(h.window().basicParamPage().rowItem(2, 2)->text(3), QStringLiteral("1-50"));
        QCOMPARE(tree->itemWidget(h.window().basicParamPage().rowItem(1, 1), 4)->property("text").toString(),
                 QStringLiteral("Read"));

        auto *microstep = qobject_cast<QComboBox *>(editor(h, 1, 3));
        QCOMPARE(microstep->count(), 16);
        QCOMPARE(microstep->currentIndex(), 13);
        QCOMPARE(microstep->itemText(1), QStringLiteral("1—400 （Pu/rev）  "));
        QCOMPARE(microstep->itemText(1).toUtf8().size(), 22);
        auto *bitRate = qobject_cast<QComboBox *>(editor(h, 1, 6));
        QCOMPARE(bitRate->itemText(5), QStringLiteral("5—1000 Kbit/s"));
        QCOMPARE(bitRate->currentIndex(), 2);
        auto *source = qobject_cast<QComboBox *>(editor(h, 1, 8));
        QCOMPARE(source->itemText(1), QStringLiteral("1- External Pul/Dir(P/D)"));
        QCOMPARE(qobject_cast<QSpinBox *>(editor(h, 2, 1))->value(), 220);
        QVERIFY(!editor(h, 1, 1)->isEnabled());

        // Row 1.1 is never written: its write button is disabled and asks for nothing.
        auto *write11 = button(h, QStringLiteral("on_t1_treewidget_node_1_1_button_2_write"));
        QVERIFY(write11 && !write11->isEnabled());
        write11->click();
        QCOMPARE(h.window().pageJobs().pageJobOwner, uint8_t(0));
    }

    void readAll()
    {
        Harness h;
        const uint16_t values[11] = {1, 20, 5, 1, 9, 4, 2, 0, 0, 300, 7};
        for (int i = 0; i < 11; ++i)
            h.drive().setValue(kObjects[i], 0, values[i]);
        h.drive().setValue(0x2005, 0, 20);
        h.run(300);
        h.clearSentFrames();
        button(h, QStringLiteral("t1_g1_pushButton_1_read_param"))->click();
        QCOMPARE(h.window().pageJobs().pageJobRequestMark, uint8_t(90));
        QVERIFY(h.runUntilPageJobDone(5000));
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(1));

        const auto frames = h.pageFrames();
        QCOMPARE(frames.size(), 11);
        for (int i = 0; i < 11; ++i) {
            QCOMPARE(frames[i].command(), uint8_t(0x40));
            QCOMPARE(frames[i].index(), kObjects[i]);
            QCOMPARE(column1(h, kGroup[i], kRow[i]), QString::number(values[i]));
        }
        // No status read between the page's first and last request.
        for (const auto &f : h.sentFrames()) {
            if (f.tick >= frames.first().tick && f.tick <= frames.last().tick)
                QVERIFY2(std::find(kObjects, kObjects + 11, f.index()) != kObjects + 11,
                         qPrintable(QString::number(f.index(), 16)));
        }
        QCOMPARE(h.window().basicParamPage().basicParamValue(1, 2), uint16_t(20));
        QCOMPARE(h.window().basicParamPage().basicParamValue(1, 6), uint16_t(4));
        QCOMPARE(h.window().basicParamPage().basicParamValue(2, 1), uint16_t(300));
        QCOMPARE(qobject_cast<QSpinBox *>(editor(h, 1, 1))->value(), 1);

        // The marks are cleared on the next run, the page becomes idle and the monitor resumes.
        h.run(200);
        QCOMPARE(h.window().pageJobs().pageJobDoneMark, uint8_t(0));
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
        QVERIFY(h.sentFrames().last().index() != 0x2041);
    }

    void writeAll()
    {
        Harness h;
        auto &page = h.window().basicParamPage();
        qobject_cast<QSpinBox *>(editor(h, 1, 2))->setValue(12);
        qobject_cast<QComboBox *>(editor(h, 1, 3))->setCurrentIndex(4);
        qobject_cast<QSpinBox *>(editor(h, 1, 5))->setValue(33);
        qobject_cast<QSpinBox *>(editor(h, 2, 2))->setValue(9);
        button(h, QStringLiteral("t1_g1_pushButton_2_download_param"))->click();
        QVERIFY(h.runUntilPageJobDone(5000));
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(101));
        const auto frames = h.pageFrames();
        QCOMPARE(frames.size(), 10);
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(frames[i].command(), uint8_t(0x2B));
            QCOMPARE(frames[i].index(), kObjects[i + 1]);
            QCOMPARE(frames[i].value(), uint32_t(page.basicParamValue(kGroup[i + 1], kRow[i + 1])));
        }
        QCOMPARE(h.drive().value(0x2005, 0), 12u);
        QCOMPARE(h.drive().value(0x2006, 0), 4u);
        QCOMPARE(h.drive().value(0x2008, 0), 33u);
        QCOMPARE(h.drive().value(0x2041, 0), 9u);
        QVERIFY(h.framesFor(0x2000).isEmpty());
        QCOMPARE(column1(h, 1, 2), QString());  // a write does not touch column 1
    }

    void silentDriveFailsTheRead()
    {
        Harness h;
        h.setDriveConnected(false);
        button(h, QStringLiteral("t1_g1_pushButton_1_read_param"))->click();
        h.run(3000);
        QCOMPARE(column1(h, 1, 1), QStringLiteral("error!"));
        QCOMPARE(h.boxes().size(), 1);
        QCOMPARE(h.boxes()[0].title, QStringLiteral("错误提示"));
        QCOMPARE(h.boxes()[0].text, QStringLiteral("基础参数，读错误"));
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(255));
        QCOMPARE(h.window().pageJobs().pageJobRequestMark, uint8_t(0));
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
        QCOMPARE(h.framesFor(0x2000).size(), 3);  // three transmissions, then the page gives up
        QVERIFY(h.framesFor(0x2005).isEmpty());
    }

    void abortedWriteFailsTheWrite()
    {
        Harness h;
        h.drive().faults().abortObjects.insert(0x2007u << 8);
        button(h, QStringLiteral("t1_g1_pushButton_2_download_param"))->click();
        h.run(3000);
        QCOMPARE(h.boxes().size(), 1);
        QCOMPARE(h.boxes()[0].text, QStringLiteral("基础参数，写错误"));
        QCOMPARE(column1(h, 1, 4), QStringLiteral("error!"));
        QCOMPARE(h.framesFor(0x2007).size(), 3);
        QVERIFY(h.framesFor(0x2008).isEmpty());  // the download stops at the failed row
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(255));
    }

    // A single row's read or write that gets no answer fails like the whole
    // page: the row shows "error!", the page's box, 255, and nothing else sent.
    void singleRowFailures_data()
    {
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("row");
        QTest::addColumn<uint16_t>("object");
        QTest::addColumn<QString>("text");
        QTest::newRow("read 1.3") << "on_t1_treewidget_node_1_3_button_1_read" << 1 << 3 << uint16_t(0x2006)
                                  << "基础参数，读错误";
        QTest::newRow("write 2.2") << "on_t1_treewidget_node_2_2_button_2_write" << 2 << 2 << uint16_t(0x2041)
                                   << "基础参数，写错误";
    }
    void singleRowFailures()
    {
        QFETCH(QString, buttonName);
        QFETCH(int, group);
        QFETCH(int, row);
        QFETCH(uint16_t, object);
        QFETCH(QString, text);
        Harness h;
        h.window().on_actionManual_triggered();
        h.drive().faults().silentObjects.insert(uint32_t(object) << 8);
        button(h, buttonName)->click();
        h.run(1000);
        QCOMPARE(column1(h, group, row), QStringLiteral("error!"));
        QCOMPARE(h.boxes().size(), 1);
        QCOMPARE(h.boxes()[0].title, QStringLiteral("错误提示"));
        QCOMPARE(h.boxes()[0].text, text);
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(255));
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
        QCOMPARE(h.pageFrames().size(), 3);
        QCOMPARE(h.framesFor(object).size(), 3);
    }

    void singleRowReadRestartsThePage()
    {
        Harness h;
        h.drive().setValue(0x2008, 0, 17);
        button(h, QStringLiteral("t1_g1_pushButton_1_read_param"))->click();
        QVERIFY(h.runUntil([&]() { return h.pageFrames().size() == 3; }, 2000));
        button(h, QStringLiteral("on_t1_treewidget_node_1_5_button_1_read"))->click();
        h.run(1500);
        const auto frames = h.pageFrames();
        QCOMPARE(frames.size(), 4);
        QCOMPARE(frames[3].index(), uint16_t(0x2008));
        QCOMPARE(column1(h, 1, 5), QStringLiteral("17"));
        QCOMPARE(column1(h, 1, 4), QString());  // the read-all did not resume
        QCOMPARE(h.window().pageJobs().pageJobDoneMark, uint8_t(0));
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
    }

    void singleRowWrite()
    {
        Harness h;
        qobject_cast<QSpinBox *>(editor(h, 2, 1))->setValue(450);
        button(h, QStringLiteral("on_t1_treewidget_node_2_1_button_2_write"))->click();
        h.run(600);
        const auto frames = h.pageFrames();
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames[0].index(), uint16_t(0x2040));
        QCOMPARE(frames[0].value(), 450u);
        QCOMPARE(h.drive().value(0x2040, 0), 450u);
    }

    void valuesTheEditorCannotShow()
    {
        Harness h;
        h.drive().setValue(0x2006, 0, 20);
        h.drive().setValue(0x2041, 0, 80);
        button(h, QStringLiteral("t1_g1_pushButton_1_read_param"))->click();
        QVERIFY(h.runUntilPageJobDone(5000));
        auto *microstep = qobject_cast<QComboBox *>(editor(h, 1, 3));
        QCOMPARE(column1(h, 1, 3), QStringLiteral("20"));
        QCOMPARE(microstep->currentIndex(), -1);
        QCOMPARE(column1(h, 2, 2), QStringLiteral("80"));
        QCOMPARE(qobject_cast<QSpinBox *>(editor(h, 2, 2))->value(), 50);

        // Writing the page back sends what the drive reported, never the empty selection.
        h.clearSentFrames();
        h.run(100);
        button(h, QStringLiteral("t1_g1_pushButton_2_download_param"))->click();
        QVERIFY(h.runUntilPageJobDone(5000));
        const auto microstepWrites = h.framesFor(0x2006);
        QCOMPARE(microstepWrites.size(), 1);
        QCOMPARE(microstepWrites[0].value(), 20u);

        // Once the user picks an item, that item is sent.
        QTest::keyClick(microstep, Qt::Key_Down);  // emits activated like a pick from the list
        QCOMPARE(microstep->currentText(), QStringLiteral("0—200（Pu/rev）   "));
        h.clearSentFrames();
        button(h, QStringLiteral("on_t1_treewidget_node_1_3_button_2_write"))->click();
        h.run(600);
        QCOMPARE(h.framesFor(0x2006).size(), 1);
        QCOMPARE(h.framesFor(0x2006)[0].value(), 0u);
    }

    void setAndGetByRow()
    {
        Harness h(1, false);
        auto &page = h.window().basicParamPage();
        page.setBasicParamValue(1, 7, 2);
        QCOMPARE(page.basicParamValue(1, 7), uint16_t(2));
        QCOMPARE(column1(h, 1, 7), QStringLiteral("2"));
        page.setBasicParamValue(1, 8, 2);  // a disabled item can still be selected by a value
        QCOMPARE(page.basicParamValue(1, 8), uint16_t(2));
        page.setBasicParamValue(3, 1, 5);  // no such row: nothing happens
        QCOMPARE(page.basicParamValue(3, 1), uint16_t(0));
        QCOMPARE(page.basicParamValue(1, 1), uint16_t(0));
        page.markBasicParamError(2, 2);
        QCOMPARE(column1(h, 2, 2), QStringLiteral("error!"));
        QCOMPARE(page.basicParamValue(2, 2), uint16_t(3));  // the editor keeps its value
    }

    void modelSetsThePhaseCurrentRange()
    {
        Harness h(1, false);
        auto *current = qobject_cast<QSpinBox *>(editor(h, 1, 2));
        QCOMPARE(current->maximum(), 25);
        QCOMPARE(current->value(), 15);
        h.window().applyModel(1);
        QCOMPARE(current->minimum(), 1);
        QCOMPARE(current->maximum(), 56);
        QCOMPARE(current->value(), 42);
        QCOMPARE(h.window().basicParamPage().rowItem(1, 2)->text(3), QStringLiteral("1-56"));
        current->setValue(30);
        h.window().applyModel(0);
        QCOMPARE(current->maximum(), 25);
        QCOMPARE(current->value(), 15);
        QCOMPARE(h.window().basicParamPage().rowItem(1, 2)->text(3), QStringLiteral("1-25"));
    }
};

QTEST_MAIN(BasicParamPageTest)
#include "tst_basicparampage.moc"
