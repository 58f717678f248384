// The data window with "Decode" checked: a line per frame with its meaning,
// the round trip of each answer from the request it answers, frames split or
// surrounded by other bytes, and what unchecking and saving give.

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "app/tickcounter.h"

#include <QCheckBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QByteArray kRead6041 = QByteArray::fromHex("0000000601084041600000000000");
const QByteArray kAnswer6041 = QByteArray::fromHex("0000000581084B41600037060000");
const QString kRead6041Line = QStringLiteral("\n[]TX->◇00 00 00 06 01 08 40 41 60 00 00 00 00 00 | read 6041:00");
const QString kAnswer6041Hex = QStringLiteral("\n[]RX<-◆00 00 00 05 81 08 4B 41 60 00 37 06 00 00 ");
} // namespace

class DecodedLogTest : public QObject {
    Q_OBJECT

    MainWindow *m_window = nullptr;
    QStringList m_boxes;

    QCheckBox *box(const char *name) { return m_window->findChild<QCheckBox *>(QLatin1String(name)); }
    QString text() { return m_window->trafficLog().text(); }
    void send(const QByteArray &frame) { m_window->Display_textBrowser_2(frame, uint32_t(frame.size())); }
    void receive(const QByteArray &bytes) { m_window->readFromCom(bytes); }
    static void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            TickCounter::advance();
    }

private slots:
    void init()
    {
        m_boxes.clear();
        MessageBoxes::setRecorder([this](MessageBoxes::Kind, const QString &title, const QString &text) {
            m_boxes << title + QLatin1Char('|') + text;
        });
        m_window = new MainWindow;
        m_window->tickTimer()->stop();
        TickCounter::useManualClock(1000);
        box("common_checkBox_decode")->setChecked(true);
    }
    void cleanup()
    {
        delete m_window;
        MessageBoxes::setRecorder({});
        TickCounter::useWallClock();
    }

    void theBoxStartsUncheckedBesideHexAndTime()
    {
        MainWindow fresh;
        auto *decode = fresh.findChild<QCheckBox *>(QStringLiteral("common_checkBox_decode"));
        QVERIFY(decode);
        QVERIFY(!decode->isChecked());
        QCOMPARE(decode->text(), QStringLiteral("Decode"));
        QCOMPARE(decode->parentWidget(), fresh.findChild<QCheckBox *>(QStringLiteral("HexShowBox"))->parentWidget());
    }

    void transmittedFrames_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("line");
        QTest::newRow("upload") << kRead6041 << kRead6041Line;
        QTest::newRow("download 2 bytes")
            << QByteArray::fromHex("00000006010" "82B4060000F000000")
            << "\n[]TX->◇00 00 00 06 01 08 2B 40 60 00 0F 00 00 00 | write 6040:00 = 0x000F (15)";
        QTest::newRow("not SDO") << QByteArray::fromHex("00000000000201" "01")
                                 << "\n[]TX->◇00 00 00 00 00 02 01 01 | COB-ID 0x000 01 01";
    }
    void transmittedFrames()
    {
        QFETCH(QByteArray, frame);
        QFETCH(QString, line);
        send(frame);
        QCOMPARE(text(), line);
    }

    void answerLinesWithTheirRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("meaning");
        QTest::newRow("upload") << kRead6041 << kAnswer6041 << "| 6041:00 = 0x0637 (1591) +3 ms";
        QTest::newRow("download acknowledge")
            << QByteArray::fromHex("0000000601082B4060000F000000")
            << QByteArray::fromHex("0000000581086040600000000000") << "| 6040:00 written +3 ms";
        QTest::newRow("abort")
            << QByteArray::fromHex("0000000601082B4160000F000000")
            << QByteArray::fromHex("0000000581088041600002000106")
            << "| abort 6041:00 0x06010002 attempt to write a read only object +3 ms";
        QTest::newRow("answer for another object") << kRead6041
                                                  << QByteArray::fromHex("0000000581084B3F600000000000")
                                                  << "| 603F:00 = 0x0000 (0)";
        QTest::newRow("answer from another node") << kRead6041
                                                 << QByteArray::fromHex("0000000582084B41600037060000")
                                                 << "| 6041:00 = 0x0637 (1591)";
    }
    void answerLinesWithTheirRoundTrip()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        QFETCH(QString, meaning);
        send(request);
        m_window->on_BtnClear_clicked();
        ticks(3);
        receive(answer);
        QCOMPARE(text(), QStringLiteral("\n[]RX<-◆") + TrafficLog::hexText(answer) + meaning);
    }

    // The serial worker hands a burst over 30 ms after its last byte: the
    // round trip runs to when the bytes were read, not to when they are logged.
    void roundTripEndsWhenTheAnswerArrived()
    {
        send(kRead6041);  // tick 1000
        ticks(40);
        m_window->trafficLog().setReceiveTimes({7, 1002, 14, 1004});
        receive(kAnswer6041);
        QVERIFY2(text().endsWith(QStringLiteral("| 6041:00 = 0x0637 (1591) +4 ms")), qPrintable(text()));
    }

    // Answers match their requests by node, index and subindex, also when
    // they come in another order; an answer counts once.
    void answersFindTheirOwnRequest()
    {
        send(QByteArray::fromHex("0000000601084099600100000000"));  // read 6099:01 at 1000
        ticks(5);
        send(QByteArray::fromHex("0000000601084099600200000000"));  // read 6099:02 at 1005
        ticks(10);
        m_window->on_BtnClear_clicked();
        receive(QByteArray::fromHex("00000005810843996002320000000000000581084399600196000000"));
        receive(QByteArray::fromHex("0000000581084399600196000000"));  // a second answer: no request left
        QCOMPARE(text(), QStringLiteral("\n[]RX<-◆00 00 00 05 81 08 43 99 60 02 32 00 00 00 | 6099:02 = 0x00000032 (50) +10 ms"
                                        "\n[]RX<-◆00 00 00 05 81 08 43 99 60 01 96 00 00 00 | 6099:01 = 0x00000096 (150) +15 ms"
                                        "\n[]RX<-◆00 00 00 05 81 08 43 99 60 01 96 00 00 00 | 6099:01 = 0x00000096 (150)"));
    }

    // A retransmission restarts the round trip.
    void roundTripFromTheLastTransmission()
    {
        send(kRead6041);
        ticks(41);
        send(kRead6041);
        ticks(2);
        receive(kAnswer6041);
        QVERIFY2(text().endsWith(QStringLiteral("(1591) +2 ms")), qPrintable(text()));
    }

    void otherTrafficAroundAnAnswer()
    {
        receive(QByteArray::fromHex("AA55" "00000007050105" "0000000581084B41600037060000" "FE"));
        QCOMPARE(text(), QStringLiteral("\n[]RX<-◆AA 55 "
                                        "\n[]RX<-◆00 00 00 07 05 01 05 | COB-ID 0x705 05")
                             + kAnswer6041Hex + QStringLiteral("| 6041:00 = 0x0637 (1591)\n[]RX<-◆FE "));
    }

    // Bytes show as they come; the meaning follows on the same line once the frame is whole.
    void aFrameSplitAcrossBursts()
    {
        send(kRead6041);
        ticks(2);
        receive(QByteArray::fromHex("00000005810" "84B41"));
        QCOMPARE(text(), kRead6041Line + QStringLiteral("\n[]RX<-◆00 00 00 05 81 08 4B 41 "));
        ticks(1);
        receive(QByteArray::fromHex("600037060000" "00000007050105"));
        QCOMPARE(text(), kRead6041Line + kAnswer6041Hex
                             + QStringLiteral("| 6041:00 = 0x0637 (1591) +3 ms\n[]RX<-◆00 00 00 07 05 01 05 | COB-ID 0x705 05"));
    }

    // The receive side gives a frame up after 5 quiet ticks; so does the log.
    void anIncompleteFrameIsGivenUpAfterAPause()
    {
        receive(QByteArray::fromHex("00000005810" "84B41"));
        ticks(6);
        receive(QByteArray::fromHex("00000007050105"));
        QCOMPARE(text(), QStringLiteral("\n[]RX<-◆00 00 00 05 81 08 4B 41 \n[]RX<-◆00 00 00 07 05 01 05 | COB-ID 0x705 05"));
    }

    // Without its meaning, the text view still shows what it would (here: nothing of a frame starting with 0).
    void textViewKeepsItsRulesAndAddsTheMeaning()
    {
        box("HexShowBox")->setChecked(false);
        send(kRead6041);
        QCOMPARE(text(), QStringLiteral("\n[]TX->◇ | read 6041:00"));
    }

    void uncheckedAgainTheLogIsPlain()
    {
        send(kRead6041);
        receive(kAnswer6041);
        box("common_checkBox_decode")->setChecked(false);
        send(kRead6041);
        ticks(3);
        receive(kAnswer6041);
        QCOMPARE(text(), kRead6041Line + kAnswer6041Hex + QStringLiteral("| 6041:00 = 0x0637 (1591) +0 ms")
                             + QStringLiteral("\n[]TX->◇00 00 00 06 01 08 40 41 60 00 00 00 00 00 ") + kAnswer6041Hex);
    }

    void aSavedLogHoldsWhatTheWindowShows()
    {
        send(kRead6041);
        ticks(3);
        receive(kAnswer6041);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("log.txt"));
        QVERIFY(m_window->trafficLog().writeToFile(file));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()), kRead6041Line + kAnswer6041Hex + QStringLiteral("| 6041:00 = 0x0637 (1591) +3 ms"));
    }
};

QTEST_MAIN(DecodedLogTest)
#include "tst_decodedlog.moc"
