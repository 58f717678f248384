// Page 4 against the virtual drive: the 44 objects read and written in
// order, mappings the lists do not know, failures, the enable state and
// the page's English texts.

#include "pages/pdopage.h"
#include "tests/support/harness.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using Kind = PdoPage::PdoKind;

namespace {

// The objects of one whole-page job, in the order the drive must see them.
const char *const kJobOrder[44] = {
    "1600:1", "1600:2", "1600:3", "1600:4", "1601:1", "1601:2", "1601:3", "1601:4",
    "1602:1", "1602:2", "1602:3", "1602:4", "1603:1", "1603:2", "1603:3", "1603:4",
    "1a00:1", "1a00:2", "1a00:3", "1a00:4", "1a01:1", "1a01:2", "1a01:3", "1a01:4",
    "1a02:1", "1a02:2", "1a02:3", "1a02:4", "1a03:1", "1a03:2", "1a03:3", "1a03:4",
    "1800:2", "1800:3", "1800:5", "1801:2", "1801:3", "1801:5",
    "1802:2", "1802:3", "1802:5", "1803:2", "1803:3", "1803:5"};

QString address(const Harness::SentFrame &f)
{
    return QStringLiteral("%1:%2").arg(f.index(), 0, 16).arg(f.subIndex());
}

QStringList g_debugLines;
void collectDebug(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg)
        g_debugLines << text;
}

QPushButton *button(Harness &h, const char *name)
{
    return h.window().findChild<QPushButton *>(QLatin1String(name));
}

} // namespace

class PdoPageTest : public QObject {
    Q_OBJECT

private slots:
    void readAllFillsThePage()
    {
        Harness h;
        auto &d = h.drive();
        d.setValue(0x1600, 3, 0x60FF0020);
        d.setValue(0x1601, 4, 0x60640020);   // not in the receive list
        d.setValue(0x1A03, 2, 0x606C0020);
        d.setValue(0x1801, 2, 0xFE);
        d.setValue(0x1801, 3, 1000);
        d.setValue(0x1803, 5, 65000);
        h.run(300);
        h.clearSentFrames();
        button(h, "t4_g0_pushButton_read_param")->click();
        QCOMPARE(h.window().pageJobs().pageJobRequestMark, uint8_t(90));
        QVERIFY(h.runUntilPageJobDone(10000));
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(7));

        const auto frames = h.pageFrames();
        QCOMPARE(frames.size(), 44);
        for (int i = 0; i < 44; ++i) {
            QCOMPARE(address(frames[i]), QLatin1String(kJobOrder[i]));
            QCOMPARE(frames[i].command(), uint8_t(0x40));
            if (i > 0)
                QVERIFY(frames[i].tick - frames[i - 1].tick >= 50);
        }

        PdoPage &page = h.window().pdoPage();
        QComboBox *tpdo0 = page.mappingCombo(Kind::Transmit, 0, 1);
        QCOMPARE(tpdo0->objectName(), QStringLiteral("t4_g2_comboBox_TPDO_0_MAP1"));
        QCOMPARE(tpdo0->currentText(), QStringLiteral("60410010 Status Word"));
        QCOMPARE(page.mappingCombo(Kind::Receive, 0, 3)->currentIndex(), 13);
        QCOMPARE(page.mappingCombo(Kind::Receive, 0, 1)->currentText(), QStringLiteral("60400010- Control word"));
        QCOMPARE(page.mappingCombo(Kind::Receive, 1, 4)->currentText(), QStringLiteral("60640020-?"));
        QCOMPARE(page.mappingCombo(Kind::Transmit, 3, 2)->currentText(), QStringLiteral("606C0020 Current speed"));
        QCOMPARE(page.mappingCombo(Kind::Receive, 3, 1)->currentIndex(), 0);
        QCOMPARE(page.tpdoParameterSpin(1, 2)->value(), 254);
        QCOMPARE(page.tpdoParameterSpin(1, 3)->value(), 1000);
        QCOMPARE(page.tpdoParameterSpin(3, 5)->value(), 65000);
        QCOMPARE(page.tpdoParameterSpin(0, 2)->value(), 255);

        // The Chinese item texts, as the untranslated window shows them.
        h.window().loadLanguage(0);
        QCOMPARE(tpdo0->currentText(), QStringLiteral("60410010-状态字"));
        QCOMPARE(page.mappingCombo(Kind::Receive, 0, 3)->currentText(), QStringLiteral("60FF0020-最大速度"));
        QCOMPARE(page.mappingCombo(Kind::Receive, 1, 4)->currentText(), QStringLiteral("60640020-?"));
        QCOMPARE(page.mappingCombo(Kind::Receive, 1, 4)->itemText(2), QStringLiteral("605D0010-halt控制寄存器"));
        QCOMPARE(h.window().findChild<QWidget *>(QStringLiteral("t4_g1_label_RPDO_2_MAP4"))->property("text"),
                 QVariant(QStringLiteral("RPDO-2-映射4：")));

        // The job ends: marks cleared, the monitor polls again.
        h.run(300);
        QCOMPARE(h.window().pageJobs().pageJobDoneMark, uint8_t(0));
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
        QVERIFY(h.sentFrames().size() > 44);
    }

    void writeAllWithEveryMappingOnItemZero()
    {
        Harness h;
        PdoPage &page = h.window().pdoPage();
        page.tpdoParameterSpin(0, 2)->setValue(1);
        page.tpdoParameterSpin(0, 3)->setValue(0x1234);
        page.tpdoParameterSpin(0, 5)->setValue(100);
        page.tpdoParameterSpin(3, 2)->setValue(254);
        page.tpdoParameterSpin(3, 5)->setValue(65535);
        h.run(300);
        h.clearSentFrames();
        g_debugLines.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collectDebug);
        button(h, "t4_g0_pushButton_write_param")->click();
        const bool done = h.runUntilPageJobDone(10000);
        qInstallMessageHandler(previous);
        QVERIFY(done);
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(107));

        const auto frames = h.pageFrames();
        QCOMPARE(frames.size(), 44);
        for (int i = 0; i < 32; ++i) {
            QCOMPARE(address(frames[i]), QLatin1String(kJobOrder[i]));
            QCOMPARE(frames[i].command(), uint8_t(0x23));
            QCOMPARE(frames[i].value(), 0u);
        }
        const uint8_t commands[3] = {0x2F, 0x2B, 0x2B};
        const uint32_t values[12] = {1, 0x1234, 100, 0, 0, 0, 0, 0, 0, 254, 0, 65535};
        for (int i = 32; i < 44; ++i) {
            QCOMPARE(address(frames[i]), QLatin1String(kJobOrder[i]));
            QCOMPARE(frames[i].command(), commands[(i - 32) % 3]);
            QCOMPARE(frames[i].value(), values[i - 32]);
        }
        QCOMPARE(h.drive().value(0x1600, 1), 0u);
        QCOMPARE(h.drive().value(0x1A02, 2), 0u);
        QCOMPARE(h.drive().value(0x1800, 3), 0x1234u);
        QCOMPARE(h.drive().value(0x1803, 2), 254u);

        QCOMPARE(g_debugLines.first(), QStringLiteral("on_t4_g0_pushButton_write_param_clicked"));
        QStringList stepLines = g_debugLines.filter(QStringLiteral("curr_index"));
        QCOMPARE(stepLines.size(), 44);
        QCOMPARE(stepLines.first(), QStringLiteral("curr_index： 0"));
        QCOMPARE(stepLines.last(), QStringLiteral("curr_index： 43"));
    }

    void unlistedMappingSurvivesReadAndWrite()
    {
        Harness h;
        h.drive().setValue(0x1600, 1, 0x60640020);
        h.drive().setValue(0x1A01, 3, 0x20000110);
        button(h, "t4_g0_pushButton_read_param")->click();
        QVERIFY(h.runUntilPageJobDone(10000));
        h.run(100);
        h.drive().setValue(0x1600, 1, 0);  // so that only the page's write can bring it back
        h.clearSentFrames();
        button(h, "t4_g0_pushButton_write_param")->click();
        QVERIFY(h.runUntilPageJobDone(10000));
        const auto frames = h.pageFrames();
        QCOMPARE(frames.size(), 44);
        QCOMPARE(frames[0].command(), uint8_t(0x23));
        QCOMPARE(frames[0].value(), 0x60640020u);
        QCOMPARE(address(frames[22]), QStringLiteral("1a01:3"));
        QCOMPARE(frames[22].value(), 0x20000110u);
        QCOMPARE(h.drive().value(0x1600, 1), 0x60640020u);
        QCOMPARE(h.drive().value(0x1600, 2), 0x60600008u);  // listed values go back unchanged too
    }

    void mappingByValue_data()
    {
        QTest::addColumn<bool>("receive");
        QTest::addColumn<uint32_t>("value");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint32_t>("stored");
        QTest::newRow("rpdo velocity") << true << 0x60FF0020u << 13 << "60FF0020- Maximum speed" << 0x60FF0020u;
        QTest::newRow("rpdo homing offset") << true << 0x607C0020u << 5 << "607A0020- Total number of pulses" << 0x607C0020u;
        QTest::newRow("rpdo none") << true << 0u << 0 << "00000000-None" << 0u;
        QTest::newRow("rpdo unlisted") << true << 0x60640020u << 14 << "60640020-?" << 0x60640020u;
        QTest::newRow("rpdo unlisted low") << true << 0x10u << 14 << "00000010-?" << 0x10u;
        QTest::newRow("tpdo position") << false << 0x60640020u << 4 << "60640020- Driver actual position register" << 0x60640020u;
        QTest::newRow("tpdo mode display") << false << 0x60610008u << 3 << "6061008-Running Mode Status Register" << 0x60610008u;
        QTest::newRow("tpdo controlword") << false << 0x60400010u << 7 << "60400010-?" << 0x60400010u;
        QTest::newRow("tpdo lower-case digits") << false << 0x60fd0120u << 7 << "60FD0120-?" << 0x60FD0120u;
    }
    void mappingByValue()
    {
        QFETCH(bool, receive);
        QFETCH(uint32_t, value);
        QFETCH(int, item);
        QFETCH(QString, text);
        QFETCH(uint32_t, stored);
        Harness h(1, false);
        PdoPage &page = h.window().pdoPage();
        const Kind kind = receive ? Kind::Receive : Kind::Transmit;
        page.setPdoMapping(kind, 2, 3, 0x60400010 ^ 0x1);  // an unlisted value first: it must go again
        page.setPdoMapping(kind, 2, 3, value);
        QComboBox *combo = page.mappingCombo(kind, 2, 3);
        QCOMPARE(combo->currentIndex(), item);
        QCOMPARE(combo->currentText(), text);
        QCOMPARE(combo->count(), std::max(item + 1, receive ? 14 : 7));
        QCOMPARE(page.pdoMapping(kind, 2, 3), stored);
        QCOMPARE(page.pdoMapping(kind, 2, 2), 0u);  // its neighbour is untouched
    }

    void pickingAListedItemReplacesTheKeptValue()
    {
        Harness h;
        PdoPage &page = h.window().pdoPage();
        page.setPdoMapping(Kind::Receive, 1, 2, 0x12345678);
        QComboBox *combo = page.mappingCombo(Kind::Receive, 1, 2);
        combo->setCurrentIndex(4);  // the user's choice
        QCOMPARE(page.pdoMapping(Kind::Receive, 1, 2), 0x607A0020u);
        combo->setCurrentIndex(14);  // and back to the kept value
        QCOMPARE(page.pdoMapping(Kind::Receive, 1, 2), 0x12345678u);
        page.setPdoMapping(Kind::Receive, 1, 2, 0x87654321);
        QCOMPARE(combo->count(), 15);
        QCOMPARE(combo->itemText(14), QStringLiteral("87654321-?"));
        // Outside PDO 0-3 or subindex 1-4 nothing is set and 0 is read.
        page.setPdoMapping(Kind::Receive, 4, 1, 0x60400010);
        page.setPdoMapping(Kind::Transmit, 0, 5, 0x60410010);
        QCOMPARE(page.pdoMapping(Kind::Receive, 4, 1), 0u);
        QCOMPARE(page.pdoMapping(Kind::Transmit, 0, 5), 0u);
        QCOMPARE(page.pdoMapping(Kind::Transmit, 0, 4), 0u);
    }

    void tpdoParameters_data()
    {
        QTest::addColumn<int>("pdo");
        QTest::addColumn<int>("subIndex");
        QTest::addColumn<uint32_t>("value");
        QTest::addColumn<uint32_t>("kept");
        QTest::addColumn<QString>("spinName");
        QTest::newRow("type low 8 bits") << 0 << 2 << 0x1FEu << 0xFEu << "t4_g2_spinBox_TPDO_0_02_tran_type";
        QTest::newRow("inhibit low 16 bits") << 1 << 3 << 0x12345u << 0x2345u << "t4_g2_spinBox_TPDO_1_03_prohibit_time";
        QTest::newRow("event timer max") << 3 << 5 << 65535u << 65535u << "t4_g2_spinBox_TPDO_3_04_event_timer";
        QTest::newRow("COB-ID subindex ignored") << 2 << 1 << 0x181u << 0u << "t4_g2_spinBox_TPDO_2_01_COBID";
        QTest::newRow("subindex 4 ignored") << 2 << 4 << 7u << 0u << "";
        QTest::newRow("no TPDO 4") << 4 << 2 << 7u << 0u << "";
    }
    void tpdoParameters()
    {
        QFETCH(int, pdo);
        QFETCH(int, subIndex);
        QFETCH(uint32_t, value);
        QFETCH(uint32_t, kept);
        QFETCH(QString, spinName);
        Harness h(1, false);
        PdoPage &page = h.window().pdoPage();
        page.setTpdoParameter(pdo, subIndex, value);
        QCOMPARE(page.tpdoParameter(pdo, subIndex), kept);
        if (!spinName.isEmpty())
            QCOMPARE(h.window().findChild<QSpinBox *>(spinName)->value(), int(kept));
    }

    void failures_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<QString>("failingObject");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("framesSent");
        QTest::newRow("silent drive on read") << false << "" << "PDO-读错误" << 3;
        // 26 objects written, then 1a02:3 sent three times.
        QTest::newRow("abort on write of 1a02:3") << true << "1a02:3" << "PDO-写错误" << 29;
    }
    void failures()
    {
        QFETCH(bool, write);
        QFETCH(QString, failingObject);
        QFETCH(QString, text);
        QFETCH(int, framesSent);
        Harness h;
        h.run(300);
        h.clearSentFrames();
        if (failingObject.isEmpty())
            h.setDriveConnected(false);
        else
            h.drive().faults().abortObjects.insert((0x1A02u << 8) | 3);
        button(h, write ? "t4_g0_pushButton_write_param" : "t4_g0_pushButton_read_param")->click();
        h.run(4000);
        QCOMPARE(h.boxes().size(), 1);
        QCOMPARE(h.boxes()[0].title, QStringLiteral("错误提示"));
        QCOMPARE(h.boxes()[0].text, text);
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(255));
        QCOMPARE(h.window().pageJobs().pageJobRequestMark, uint8_t(0));
        QCOMPARE(h.window().pageJobs().pageJobBusy, uint8_t(0));
        // The job stops at the failing object (the engine sends it three times).
        QStringList pageAddresses;
        for (const auto &f : h.pageFrames())
            pageAddresses << address(f);
        QCOMPARE(pageAddresses.size(), framesSent);
        QCOMPARE(pageAddresses.last(), failingObject.isEmpty() ? QStringLiteral("1600:1") : failingObject);
        QVERIFY(!pageAddresses.contains(QStringLiteral("1a02:4")));
    }

    void anotherPageTakesTheDriveMidway()
    {
        Harness h;
        button(h, "t4_g0_pushButton_read_param")->click();
        QVERIFY(h.runUntil([&]() { return h.pageFrames().size() == 5; }, 2000));
        button(h, "t1_g1_pushButton_1_read_param")->click();
        QVERIFY(h.runUntilPageJobDone(5000));
        QCOMPARE(h.window().pageJobs().pageJobResult, uint8_t(1));
        h.run(2000);
        QStringList pdoAddresses;
        for (const auto &f : h.pageFrames()) {
            if (f.index() >= 0x1600 && f.index() <= 0x1A03)
                pdoAddresses << address(f);
        }
        QCOMPARE(pdoAddresses, QStringList({"1600:1", "1600:2", "1600:3", "1600:4", "1601:1"}));
        QVERIFY(h.boxes().isEmpty());
    }

    void enableStateFollowsThePort()
    {
        Harness h(1, false);
        PdoPage &page = h.window().pdoPage();
        auto enabledCount = [&]() {
            int n = 0;
            for (QWidget *w : h.window().findChild<QWidget *>(QStringLiteral("tab_4"))->findChildren<QWidget *>()) {
                if ((qobject_cast<QComboBox *>(w) || qobject_cast<QSpinBox *>(w) || qobject_cast<QPushButton *>(w))
                    && w->isEnabled())
                    ++n;
            }
            return n;
        };
        QCOMPARE(enabledCount(), 0);
        h.window().openSucess(true);
        QCOMPARE(enabledCount(), 2 + 32 + 12);  // buttons, mappings, TPDO parameters
        for (int n = 0; n < 4; ++n) {
            auto *cobId = h.window().findChild<QSpinBox *>(QStringLiteral("t4_g2_spinBox_TPDO_%1_01_COBID").arg(n));
            QVERIFY(cobId && !cobId->isEnabled());
            QCOMPARE(cobId->value(), 0);
        }
        QVERIFY(page.mappingCombo(Kind::Receive, 3, 4)->isEnabled());
        h.window().openSucess(false);
        QCOMPARE(enabledCount(), 0);
    }

    void englishTexts_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("text");
        QTest::newRow("read") << "t4_g0_pushButton_read_param" << "text" << "Read Parameters";
        QTest::newRow("download") << "t4_g0_pushButton_write_param" << "text" << "Download Parameters";
        QTest::newRow("rpdo group") << "groupBox_10" << "title" << "RPDO Setting ";
        QTest::newRow("tpdo group") << "groupBox_11" << "title" << "TPDO Setting";
        QTest::newRow("rpdo map label") << "t4_g1_label_RPDO_0_MAP1" << "text" << "RPDO-0 Mapping 1:";
        QTest::newRow("tpdo map label") << "t4_g2_label_TPDO_0_MAP3" << "text" << "TPDO-0 Map 3:";
        QTest::newRow("transmission") << "t4_g2_label_TPDO_2_02_tran_type" << "text" << "Transmission：";
        QTest::newRow("inhibit") << "t4_g2_label_TPDO_1_03_prohibit_time" << "text" << "Prohibited Time：";
        QTest::newRow("event timer") << "t4_g2_label_TPDO_3_04_event_timer" << "text" << "Event Timer:";
    }
    void englishTexts()
    {
        QFETCH(QString, objectName);
        QFETCH(QString, property);
        QFETCH(QString, text);
        Harness h(1, false);
        QCOMPARE(h.shownText(objectName, property.toLatin1().constData()), text);
    }

    // What the page relies on in the drive: every object it visits, answered with its width.
    void driveAnswersThePdoObjects_data()
    {
        QTest::addColumn<uint16_t>("index");
        QTest::addColumn<uint8_t>("subIndex");
        QTest::addColumn<uint8_t>("answer");
        for (uint16_t base : {0x1600, 0x1A00}) {
            for (uint16_t n = 0; n < 4; ++n) {
                for (uint8_t k = 1; k <= 4; ++k)
                    QTest::addRow("%x:%d", base + n, k) << uint16_t(base + n) << k << uint8_t(0x43);
            }
        }
        for (uint16_t n = 0; n < 4; ++n) {
            QTest::addRow("%x:2", 0x1800 + n) << uint16_t(0x1800 + n) << uint8_t(2) << uint8_t(0x4F);
            QTest::addRow("%x:3", 0x1800 + n) << uint16_t(0x1800 + n) << uint8_t(3) << uint8_t(0x4B);
            QTest::addRow("%x:5", 0x1800 + n) << uint16_t(0x1800 + n) << uint8_t(5) << uint8_t(0x4B);
        }
    }
    void driveAnswersThePdoObjects()
    {
        QFETCH(uint16_t, index);
        QFETCH(uint8_t, subIndex);
        QFETCH(uint8_t, answer);
        sim::VirtualDrive drive(5);
        QByteArray out;
        drive.onTransmit = [&](const uint8_t *data, std::size_t count) {
            out.append(reinterpret_cast<const char *>(data), int(count));
        };
        const char request[14] = {0, 0, 0, 0x06, 0x05, 8, 0x40, char(index & 0xFF), char(index >> 8),
                                  char(subIndex), 0, 0, 0, 0};
        drive.receive(reinterpret_cast<const uint8_t *>(request), 14, 0);
        drive.advance(20);
        QCOMPARE(out.size(), 14);
        QCOMPARE(out.left(6).toHex(), QByteArray("000000058508"));
        QCOMPARE(uint8_t(out.at(6)), answer);
        QCOMPARE(out.mid(7, 3), QByteArray(request + 7, 3));
    }
};

QTEST_MAIN(PdoPageTest)
#include "tst_pdopage.moc"
