// The data window: line formats, the receive header rule, the 5000-character
// rule, clear and save.

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "app/tickcounter.h"

#include <QCheckBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextCodec>
#include <QTimer>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

class TrafficLogTest : public QObject {
    Q_OBJECT

    QStringList m_boxes;
    MainWindow *m_window = nullptr;
    QTextBrowser *m_view = nullptr;

    QCheckBox *box(const char *name) { return m_window->findChild<QCheckBox *>(QLatin1String(name)); }
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
        m_view = m_window->findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
        TickCounter::useManualClock(1000);
    }
    void cleanup()
    {
        delete m_window;
        MessageBoxes::setRecorder({});
    }

    void transmitLineInHex()
    {
        QVERIFY(box("HexShowBox")->isChecked());
        QVERIFY(!box("timeShowBox")->isChecked());
        m_window->Display_textBrowser_2(QByteArray::fromHex("0000000601084041600000000000FFFF"), 14);
        QCOMPARE(m_window->trafficLog().text(), QStringLiteral("\n[]TX->◇00 00 00 06 01 08 40 41 60 00 00 00 00 00 "));
    }

    void transmitLineAsText()
    {
        box("HexShowBox")->setChecked(false);
        m_window->Display_textBrowser_2(QByteArray("abc\0def", 7), 7);
        QCOMPARE(m_window->trafficLog().text(), QStringLiteral("\n[]TX->◇ABC"));
    }

    void receivedTextIsGbk()
    {
        box("HexShowBox")->setChecked(false);
        QTextCodec *gbk = QTextCodec::codecForName("GBK");
        QVERIFY(gbk);
        m_window->readFromCom(gbk->fromUnicode(QStringLiteral("驱动器ok")));
        QCOMPARE(m_window->trafficLog().text(), QStringLiteral("\n[]RX<-◆驱动器ok"));
    }

    void timeStamps()
    {
        box("timeShowBox")->setChecked(true);
        m_window->Display_textBrowser_2(QByteArray::fromHex("0000000601084041600000000000"), 14);
        m_window->readFromCom(QByteArray::fromHex("0000000581084B41600037060000"));
        const QRegularExpression tx(QStringLiteral("^\\n\\[\\d\\d:\\d\\d:\\d\\d::\\d{3}\\]TX->◇00 "));
        const QRegularExpression rx(QStringLiteral("\\n\\[\\d\\d:\\d\\d:\\d\\d::\\d{3}\\]RX<-◆00 00 00 05 81 "));
        QVERIFY2(tx.match(m_window->trafficLog().text()).hasMatch(), qPrintable(m_window->trafficLog().text()));
        QVERIFY2(rx.match(m_window->trafficLog().text()).hasMatch(), qPrintable(m_window->trafficLog().text()));
    }

    void burstsWithinFiftyTicksShareAHeader_data()
    {
        QTest::addColumn<uint32_t>("start");
        QTest::newRow("tick 1000") << 1000u;
        QTest::newRow("across the wrap") << 0xFFFFFFF0u;
    }
    void burstsWithinFiftyTicksShareAHeader()
    {
        QFETCH(uint32_t, start);
        TickCounter::useManualClock(start - 100);
        m_window->readFromCom(QByteArray::fromHex("AA"));
        m_window->on_BtnClear_clicked();
        TickCounter::useManualClock(start);
        m_window->readFromCom(QByteArray::fromHex("0102"));
        ticks(20);
        m_window->readFromCom(QByteArray::fromHex("0304"));
        QCOMPARE(m_window->trafficLog().text(), QStringLiteral("\n[]RX<-◆01 02 03 04 "));
        ticks(51);
        m_window->readFromCom(QByteArray::fromHex("05"));
        QCOMPARE(m_window->trafficLog().text(), QStringLiteral("\n[]RX<-◆01 02 03 04 \n[]RX<-◆05 "));
        m_window->readFromCom(QByteArray());
        QCOMPARE(m_window->trafficLog().text(), QStringLiteral("\n[]RX<-◆01 02 03 04 \n[]RX<-◆05 "));
    }

    void onlyATransmitClearsALongLog()
    {
        const QByteArray burst(100, '\x11');  // 300 characters of hex
        for (int i = 0; i < 18; ++i)
            m_window->readFromCom(burst);
        QVERIFY(m_window->trafficLog().text().size() > 5000);
        const int before = m_window->trafficLog().text().size();
        m_window->readFromCom(burst);
        QVERIFY(m_window->trafficLog().text().size() > before);  // never cleared by a received burst
        m_window->Display_textBrowser_2(QByteArray::fromHex("0000000601084041600000000000"), 14);
        QCOMPARE(m_window->trafficLog().text(), QStringLiteral("\n[]TX->◇00 00 00 06 01 08 40 41 60 00 00 00 00 00 "));
    }

    // A bus with other traffic and nothing sent: received text alone never
    // takes the log past 100,000 characters; the newest entries stay.
    void aFloodOfBurstsKeepsTheLogBounded()
    {
        QByteArray burst(200, '\x07');  // 600 characters of hex each
        int peak = 0;
        for (int i = 0; i < 1000; ++i) {
            burst[0] = char(i & 0xFF);
            burst[1] = char(i >> 8);
            ticks(60);  // each burst gets a header of its own
            m_window->readFromCom(burst);
            m_window->trafficLog().flush();
            peak = qMax(peak, m_view->document()->characterCount());
        }
        QVERIFY2(peak <= 100000 + 700, qPrintable(QString::number(peak)));
        QVERIFY(m_window->trafficLog().text().size() > 50000);
        const QString text = m_window->trafficLog().text();
        QVERIFY(text.endsWith(QStringLiteral("\n[]RX<-◆E7 03 ") + QStringLiteral("07 ").repeated(198)));
        QVERIFY2(text.startsWith(QStringLiteral("[]RX<-◆")), qPrintable(text.left(40)));  // whole entries only
        // A transmitted frame still clears it past 5000 characters.
        m_window->Display_textBrowser_2(QByteArray::fromHex("0000000601084041600000000000"), 14);
        QCOMPARE(m_window->trafficLog().text(), QStringLiteral("\n[]TX->◇00 00 00 06 01 08 40 41 60 00 00 00 00 00 "));
    }

    void clearButton()
    {
        m_window->readFromCom(QByteArray::fromHex("0102"));
        m_window->on_BtnClear_clicked();
        QVERIFY(m_window->trafficLog().text().isEmpty());
    }

    void saving()
    {
        QTemporaryDir dir;
        m_window->Display_textBrowser_2(QByteArray::fromHex("0000000601084041600000000000"), 14);
        const QString file = dir.filePath(QStringLiteral("log.txt"));
        QVERIFY(m_window->trafficLog().writeToFile(file));
        QCOMPARE(m_boxes, QStringList{QStringLiteral("Finish|Successfully save the file!")});
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        // UTF-8 whatever the platform's code page: the marks survive.
        QCOMPARE(f.readAll(), QByteArray("\n[]TX->\xE2\x97\x87" "00 00 00 06 01 08 40 41 60 00 00 00 00 00 "));
        f.close();

        m_boxes.clear();
        QVERIFY(!m_window->trafficLog().writeToFile(dir.filePath(QStringLiteral("no/such/dir/log.txt"))));
        QCOMPARE(m_boxes, QStringList{QStringLiteral("Error|File to open file!")});
    }

#ifdef Q_OS_UNIX
    // A file that opens but takes no more than a few bytes (a full disk; here
    // a file size limit, which holds for root too): the error box, not the
    // success box, and the file that was there before is left as it was.
    void aWriteThatFailsIsReportedAndKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("log.txt"));
        const QByteArray old("the log saved yesterday, which must survive\n");
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        const QByteArray burst(100, '\x55');
        for (int i = 0; i < 10; ++i)
            m_window->readFromCom(burst);

        struct rlimit before {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
        struct rlimit small = before;
        small.rlim_cur = 16;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool saved = m_window->trafficLog().writeToFile(file);
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!saved);
        QCOMPARE(m_boxes, QStringList{QStringLiteral("Error|File to open file!")});
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("log.txt")});
    }
#endif
};

QTEST_MAIN(TrafficLogTest)
#include "tst_trafficlog.moc"
