// The live status rotation against the virtual drive, and what the status
// tabs show for given values.

#include "app/tickcounter.h"
#include "pages/statuspanel.h"
#include "tests/support/harness.h"

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QtTest>

namespace {
bool lampOn(MainWindow &w, const QString &name)
{
    auto *label = w.findChild<QLabel *>(name);
    if (!label || label->pixmap(Qt::ReturnByValue).isNull())
        return false;
    static const QImage lit = QPixmap(QStringLiteral(":/ico1/A2.bmp")).toImage();
    return label->pixmap(Qt::ReturnByValue).toImage() == lit;
}
QString editText(MainWindow &w, const char *object)
{
    auto *edit = w.findChild<QLineEdit *>(QStringLiteral("common_tw2_tab22_lineEdit_") + QLatin1String(object));
    return edit ? edit->text() : QStringLiteral("<missing>");
}
} // namespace

class StatusMonitorTest : public QObject {
    Q_OBJECT

private slots:
    void rotationOrderAndSpacing()
    {
        Harness h;
        h.run(2200);
        const auto frames = h.sentFrames();
        QVERIFY(frames.size() >= 12);
        const uint16_t order[8] = {0x603F, 0x6061, 0x6064, 0x60FD, 0x606C, 0x6041, 0x2003, 0x2004};
        for (int i = 0; i < frames.size(); ++i) {
            QCOMPARE(frames[i].command(), uint8_t(0x40));
            QCOMPARE(frames[i].index(), order[i % 8]);
            QCOMPARE(frames[i].subIndex(), uint8_t(0));
            if (i > 0) {
                const uint32_t gap = frames[i].tick - frames[i - 1].tick;
                QVERIFY2(gap >= 50, qPrintable(QString::number(gap)));
                // Seven pause steps of at least 50 ticks come between 0x2004 and the next 0x603F.
                if (i % 8 == 0)
                    QVERIFY2(gap >= 50 + 7 * 50, qPrintable(QString::number(gap)));
                else
                    QVERIFY2(gap < 120, qPrintable(QString::number(gap)));
            }
        }
    }

    void sevenPauseStepsPerCycle()
    {
        Harness h;
        QVector<uint8_t> phases;
        for (int i = 0; i < 1600; ++i) {
            h.run(1);
            const uint8_t p = h.window().statusMonitor().statusPhase();
            if (phases.isEmpty() || phases.last() != p)
                phases << p;
        }
        const QVector<uint8_t> cycle = {0, 100, 1, 101, 2, 102, 3, 103, 4, 104, 5, 105, 6, 106, 7, 107,
                                        8, 9, 10, 11, 12, 13, 14, 0};
        QVERIFY(phases.size() >= cycle.size());
        QCOMPARE(phases.mid(0, cycle.size()), cycle);
    }

    void displaysFollowTheDrive()
    {
        Harness h;
        h.drive().setInputs(0x0005);
        h.drive().setOutputs(0x0002);
        h.drive().setFaultCode(0x2310);
        h.run(1200);
        QCOMPARE(editText(h.window(), "603F"), QStringLiteral("2310"));
        QVERIFY(lampOn(h.window(), "common_tw2_tab21_label_4"));
        QVERIFY(lampOn(h.window(), "common_tw2_tab23_label_X0"));
        QVERIFY(!lampOn(h.window(), "common_tw2_tab23_label_X1"));
        QVERIFY(lampOn(h.window(), "common_tw2_tab23_label_X2"));
        QVERIFY(!lampOn(h.window(), "common_tw2_tab23_label_Y0"));
        QVERIFY(lampOn(h.window(), "common_tw2_tab23_label_Y1"));
        QCOMPARE(editText(h.window(), "6041"), QStringLiteral("618"));  // the drive in fault
    }

    void noPollingWithManualRefreshOrABusyPage()
    {
        Harness h;
        h.window().on_actionManual_triggered();
        h.run(1000);
        QVERIFY(h.sentFrames().isEmpty());
        h.window().on_actionAuto_triggered();
        h.window().pageJobs().pageJobBusy = 1;
        h.run(1000);
        QVERIFY(h.sentFrames().isEmpty());
        h.window().pageJobs().pageJobBusy = 0;
        h.run(40);
        QCOMPARE(h.sentFrames().size(), 1);
        QCOMPARE(h.sentFrames().first().index(), uint16_t(0x603F));
    }

    void silentDriveAdvancesAndKeepsDisplays()
    {
        Harness h;
        h.drive().setInputs(0x0001);
        h.run(1200);
        QVERIFY(lampOn(h.window(), "common_tw2_tab23_label_X0"));
        const QString position = editText(h.window(), "6064");
        h.clearSentFrames();
        h.setDriveConnected(false);
        h.drive().setInputs(0x0000);
        h.run(3000);
        // The rotation goes on, each object asked three times (the engine's retries).
        QVector<uint16_t> asked;
        QVector<int> repeats;
        for (const auto &f : h.sentFrames()) {
            if (asked.isEmpty() || asked.last() != f.index()) {
                asked << f.index();
                repeats << 0;
            }
            ++repeats.last();
        }
        QVERIFY(asked.size() >= 8);
        const uint16_t rotation[8] = {0x603F, 0x6061, 0x6064, 0x60FD, 0x606C, 0x6041, 0x2003, 0x2004};
        for (int i = 1; i < asked.size(); ++i) {
            const int previous = int(std::find(rotation, rotation + 8, asked[i - 1]) - rotation);
            QVERIFY(previous < 8);
            QCOMPARE(asked[i], rotation[(previous + 1) % 8]);
            if (i < asked.size() - 1)
                QCOMPARE(repeats[i], 3);
        }
        QVERIFY(lampOn(h.window(), "common_tw2_tab23_label_X0"));
        QCOMPARE(editText(h.window(), "6064"), position);
    }

    void abortedObjectKeepsItsDisplay()
    {
        Harness h;
        h.drive().setValue(0x6060, 0, 3);
        h.run(1200);
        QCOMPARE(editText(h.window(), "6061"), QStringLiteral("3"));
        h.drive().faults().abortObjects.insert(0x6061u << 8);
        h.drive().setValue(0x6060, 0, 1);
        h.run(2000);
        QCOMPARE(editText(h.window(), "6061"), QStringLiteral("3"));
    }

    void formats_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<uint>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("60FD keeps four digits") << 0x60FD << 0x30001u << "0001";
        QTest::newRow("60FD upper case") << 0x60FD << 0xABCDEFu << "CDEF";
        QTest::newRow("6041 no leading zeros") << 0x6041 << 0x27u << "27";
        QTest::newRow("603F zero") << 0x603F << 0u << "0";
        QTest::newRow("6061 decimal") << 0x6061 << 6u << "6";
        QTest::newRow("6064 negative") << 0x6064 << uint(-5000) << "-5000";
        QTest::newRow("606C positive") << 0x606C << 1200u << "1200";
        QTest::newRow("other object") << 0x2003 << 7u << "";
    }
    void formats()
    {
        QFETCH(int, index);
        QFETCH(uint, value);
        QFETCH(QString, text);
        QCOMPARE(StatusPanel::formatStatusValue(uint16_t(index), value), text);
    }

    void lamps()
    {
        Harness h(1, false);
        StatusPanel &panel = h.window().statusPanel();
        panel.showDriveStatusBits(0xC400);
        QVERIFY(lampOn(h.window(), "common_tw2_tab21_label_1"));
        QVERIFY(lampOn(h.window(), "common_tw2_tab21_label_2"));
        QVERIFY(lampOn(h.window(), "common_tw2_tab21_label_3"));
        panel.showDriveStatusBits(0x0237);
        QVERIFY(!lampOn(h.window(), "common_tw2_tab21_label_1"));
        QVERIFY(!lampOn(h.window(), "common_tw2_tab21_label_2"));
        QVERIFY(!lampOn(h.window(), "common_tw2_tab21_label_3"));
        panel.showAlarmIndicator(0x5530);
        QVERIFY(lampOn(h.window(), "common_tw2_tab21_label_4"));
        panel.showAlarmIndicator(0);
        QVERIFY(!lampOn(h.window(), "common_tw2_tab21_label_4"));
        panel.showInputTerminals(0x00FA);  // bits 1, 3..7: only X1 has a lamp among them
        QVERIFY(!lampOn(h.window(), "common_tw2_tab23_label_X0"));
        QVERIFY(lampOn(h.window(), "common_tw2_tab23_label_X1"));
        QVERIFY(!lampOn(h.window(), "common_tw2_tab23_label_X2"));
        panel.showOutputTerminals(0x0001);
        QVERIFY(lampOn(h.window(), "common_tw2_tab23_label_Y0"));
        QVERIFY(!lampOn(h.window(), "common_tw2_tab23_label_Y1"));
    }
};

QTEST_MAIN(StatusMonitorTest)
#include "tst_statusmonitor.moc"
