// The window as the user first sees it, and its reactions to the serial side.

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "app/tickcounter.h"
#include "protocol/framecodec.h"
#include "protocol/sdoclient.h"
#include "serial/uartcfg.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    struct Recorded {
        MessageBoxes::Kind kind;
        QString title, text;
    };
    QVector<Recorded> m_boxes;

    static QString labelText(MainWindow &w, const char *name)
    {
        auto *label = w.findChild<QLabel *>(QString::fromLatin1(name));
        return label ? label->text() : QStringLiteral("<missing>");
    }

private slots:
    // These tests call handleTimeout by hand, one tick per call.
    void initTestCase() { TickCounter::useManualClock(); }

    void init()
    {
        m_boxes.clear();
        MessageBoxes::setRecorder([this](MessageBoxes::Kind k, const QString &t, const QString &x) {
            m_boxes.append({k, t, x});
        });
    }
    void cleanup() { MessageBoxes::setRecorder({}); }

    void startUpFacts()
    {
        MainWindow w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Axiscope-Corvex-V1.00"));
        auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        QVERIFY(tabs);
        const QStringList expected = {"1-Basic Parameters", "2-Working Method", "3-DI/DO Parameters",
                                      "4-PDO Settings", "5-Program Control", "One-click Setup"};
        QStringList shown;
        for (int i = 0; i < tabs->count(); ++i)
            shown << tabs->tabText(i);
        QCOMPARE(shown, expected);
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("tab_2"));

        auto *language = w.findChild<QMenu *>(QStringLiteral("menu_language"));
        auto *help = w.findChild<QMenu *>(QStringLiteral("menu_About"));
        QVERIFY(language && help);
        QVERIFY(!language->menuAction()->isVisible());
        QVERIFY(!help->menuAction()->isVisible());
        QStringList menus;
        for (QAction *a : w.menuBar()->actions()) {
            if (a->isVisible())
                menus << a->text();
        }
        QCOMPARE(menus, (QStringList{"file", "option", "Model selection"}));

        QCOMPARE(labelText(w, "linkLabel"), QStringLiteral("Connection status: OFF"));
        QCOMPARE(labelText(w, "portStateLabel"), QStringLiteral("Close"));
        QCOMPARE(labelText(w, "portLabel"), QStringLiteral("comx,38400,IDx"));

        auto *node = w.findChild<QSpinBox *>(QStringLiteral("common_spinBox_device_addr"));
        QVERIFY(node);
        QCOMPARE(node->value(), 1);
        QCOMPARE(node->minimum(), 1);
        QCOMPARE(node->maximum(), 127);
        QCOMPARE(w.currentNode(), uint8_t(1));

        auto *status = w.findChild<QTabWidget *>(QStringLiteral("tabWidget_2"));
        QCOMPARE(status->currentIndex(), 2);
        QCOMPARE(status->tabText(0), QStringLiteral("Driver Status"));
        QCOMPARE(status->tabText(2), QStringLiteral("CiA402Satus"));

        QVERIFY(w.tickTimer()->isActive());
        QCOMPARE(w.tickTimer()->interval(), 1);
        QVERIFY(!w.isPortOpen());
    }

    // A sample of the English texts of every area the window builds.
    void englishTexts_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QString>("text");
        QTest::newRow("open port") << "actionComOpen" << "Open serial port";
        QTest::newRow("port config") << "actionComCfg" << "Serial Port Config";
        QTest::newRow("auto") << "actionAuto" << "auto refresh";
        QTest::newRow("manual") << "actionManual" << "Manual refresh";
        QTest::newRow("data window save") << "Btn_save_data" << "Save";
        QTest::newRow("data window clear") << "BtnClear" << "Clear";
        QTest::newRow("page 1 read") << "t1_g1_pushButton_1_read_param" << "Read Parameters";
        QTest::newRow("page 2 enable") << "t2_g6_btn_1_enable" << "Enable";
        QTest::newRow("page 2 relative") << "g_button_group1_1_relative_post" << "Relative Position";
        QTest::newRow("page 2 homing start") << "t2_g8_btn_1_start" << "Start";
        QTest::newRow("status in place") << "common_tw2_tab21_title_1" << "In Place";
        QTest::newRow("status 6041") << "common_tw2_tab22_label_6041" << "6041 Status Word 0x";
    }
    void englishTexts()
    {
        QFETCH(QString, objectName);
        QFETCH(QString, text);
        MainWindow w;
        QObject *o = w.findChild<QObject *>(objectName);
        QVERIFY2(o, qPrintable(objectName));
        QCOMPARE(o->property("text").toString(), text);
    }

    void menuSlots()
    {
        MainWindow w;
        QSignalSpy open(&w, &MainWindow::upCfg2Uart);
        QSignalSpy close(&w, &MainWindow::closeUart);
        auto *comOpen = w.findChild<QAction *>(QStringLiteral("actionComOpen"));
        comOpen->trigger();
        QCOMPARE(open.count(), 1);
        QCOMPARE(open.at(0).at(0).value<comcfg_t>().baudRate, 256000u);
        QCOMPARE(close.count(), 0);

        // While open the same entry closes; its text changes only once the worker reports.
        w.openSucess(true);
        QCOMPARE(comOpen->text(), QStringLiteral("close port"));
        comOpen->trigger();
        QCOMPARE(close.count(), 1);
        QCOMPARE(comOpen->text(), QStringLiteral("close port"));
        w.openSucess(false);
        QCOMPARE(comOpen->text(), QStringLiteral("Open serial port"));

        auto *autoRefresh = w.findChild<QAction *>(QStringLiteral("actionAuto"));
        auto *manual = w.findChild<QAction *>(QStringLiteral("actionManual"));
        QVERIFY(autoRefresh->isChecked() && !manual->isChecked() && w.autoRefresh());
        manual->trigger();
        QVERIFY(!autoRefresh->isChecked() && manual->isChecked() && !w.autoRefresh());
        autoRefresh->trigger();
        QVERIFY(autoRefresh->isChecked() && !manual->isChecked() && w.autoRefresh());

        w.findChild<QAction *>(QStringLiteral("actionComCfg"))->trigger();
        QVERIFY(w.serialDialog()->isVisible());
        w.serialDialog()->hide();
    }

    void exitAndClosingEndTheEventLoop()
    {
        {
            MainWindow w;
            w.show();
            QTimer::singleShot(50, &w, [&w]() { w.findChild<QAction *>(QStringLiteral("actionExit"))->trigger(); });
            QCOMPARE(QCoreApplication::exec(), 0);
        }
        {
            // With the serial dialog open as well, closing the window still ends the tool.
            MainWindow w;
            w.show();
            w.findChild<QAction *>(QStringLiteral("actionComCfg"))->trigger();
            QVERIFY(w.serialDialog()->isVisible());
            QTimer::singleShot(50, &w, [&w]() { w.close(); });
            QTimer::singleShot(3000, &w, []() { QCoreApplication::exit(1); });  // still running: a failure
            QCOMPARE(QCoreApplication::exec(), 0);
            w.serialDialog()->hide();
        }
    }

    void portStateFollowsTheWorker()
    {
        MainWindow w;
        auto *readAll = w.findChild<QPushButton *>(QStringLiteral("t1_g1_pushButton_1_read_param"));
        QVERIFY(!readAll->isEnabled());

        w.openSucess(true);
        QVERIFY(w.isPortOpen());
        QCOMPARE(labelText(w, "portStateLabel"), QStringLiteral("Open"));
        QVERIFY(readAll->isEnabled());
        QCOMPARE(w.trafficLog().text(), QStringLiteral("\nSerial port success open\n"));

        w.openSucess(false);
        QVERIFY(!w.isPortOpen());
        QCOMPARE(labelText(w, "portStateLabel"), QStringLiteral("Close"));
        QVERIFY(!readAll->isEnabled());
        QVERIFY(w.trafficLog().text().endsWith(QStringLiteral("\n\nSerial port success close\n")));
    }

    void confirmingTheDialogOpensAtOnce()
    {
        MainWindow w;
        QSignalSpy open(&w, &MainWindow::upCfg2Uart);
        comcfg_t cfg;
        cfg.portNumber = 3;
        cfg.portName = QStringLiteral("COM3");
        cfg.baudRate = 115200;
        w.setCurrentUartCfg(cfg);
        QCOMPARE(open.count(), 1);
        QVERIFY(w.isPortOpen());
        QCOMPARE(w.trafficLog().text().count(QStringLiteral("Serial port success open")), 1);
#ifdef Q_OS_WIN
        QCOMPARE(labelText(w, "portLabel"), QStringLiteral("com3,115200,"));
#else
        QCOMPARE(labelText(w, "portLabel"), QStringLiteral("COM3,115200,"));
#endif
        // The worker's own report logs the line a second time.
        w.openSucess(true);
        QCOMPARE(w.trafficLog().text().count(QStringLiteral("Serial port success open")), 2);
    }

    void serialErrorsCloseThePortState()
    {
        MainWindow w;
        w.openSucess(true);
        w.errorOccurred(QString());
        QVERIFY(w.isPortOpen());
        QVERIFY(m_boxes.isEmpty());

        w.errorOccurred(QStringLiteral("串口已拔出!"));
        QVERIFY(!w.isPortOpen());
        QVERIFY(w.trafficLog().text().contains(QStringLiteral("\n串口已拔出!\n")));
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].kind, MessageBoxes::Kind::Warning);
        QCOMPARE(m_boxes[0].title, QString());
        QCOMPARE(m_boxes[0].text, QStringLiteral("串口已拔出!"));
        QVERIFY(!w.findChild<QPushButton *>(QStringLiteral("t2_g6_btn_1_enable"))->isEnabled());
    }

    void closingThePortClearsTheLink()
    {
        MainWindow w;
        w.tickTimer()->stop();
        w.on_actionManual_triggered();  // no status polling: nothing answers here
        w.openSucess(true);
        // Make the link alive with one answered read.
        SdoClient::requestRead(1, 0x6041, 0);
        SdoClient::poll();
        const QByteArray answer = QByteArray::fromHex("00000005810" "84B416000370600" "00");
        SdoClient::feedReceived(answer.constData(), answer.size());
        for (int i = 0; i < 120; ++i) {
            w.handleTimeout();
            SdoClient::poll();
        }
        QVERIFY(SdoClient::linkAlive());
        QCOMPARE(labelText(w, "linkLabel"), QStringLiteral("Connection status: ON"));
        w.openSucess(false);
        QVERIFY(!SdoClient::linkAlive());
        for (int i = 0; i < 101; ++i)
            w.handleTimeout();
        QCOMPARE(labelText(w, "linkLabel"), QStringLiteral("Connection status: OFF"));
    }

    // A serial error box still queued when the window goes away must not open
    // inside its destructor (waiting for the worker delivers queued calls) nor
    // after it; the frame sink is gone with the window.
    void noBoxOpensOnceShutdownHasBegun()
    {
        MessageBoxes::setRecorder({});
        auto *w = new MainWindow;
        w->errorOccurred(QStringLiteral("串口已拔出!"));  // its warning box is queued, not yet shown
        QString opened;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&opened]() {
            if (QWidget *box = QApplication::activeModalWidget()) {
                opened = box->windowTitle() + QLatin1Char('|') + box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))->text();
                box->close();
            }
        });
        closer.start(5);
        delete w;
        QTest::qWait(200);
        QCOMPARE(opened, QString());
        const uint8_t frame[14] = {0, 0, 0, 6, 1, 8, 0x40, 0x41, 0x60, 0, 0, 0, 0, 0};
        QCOMPARE(transmitFrame(frame, 14), 1);  // nobody to hand it to

        // The next window shows its boxes again.
        MainWindow again;
        again.errorOccurred(QStringLiteral("串口已拔出!"));
        QTRY_COMPARE(opened, QStringLiteral("|串口已拔出!"));
    }

    void hiddenTerminalRowsStayHidden()
    {
        MainWindow w;
        const QStringList unused = {"X3", "X4", "X5", "X6", "Y2", "Y3"};
        auto check = [&]() {
            for (const QString &row : unused) {
                QVERIFY(w.findChild<QLabel *>("common_tw2_tab23_label_" + row)->isHidden());
                QVERIFY(w.findChild<QLabel *>("common_tw2_tab23_label_" + row + "_title")->isHidden());
            }
            QVERIFY(!w.findChild<QLabel *>(QStringLiteral("common_tw2_tab23_label_X2"))->isHidden());
            QVERIFY(!w.findChild<QLabel *>(QStringLiteral("common_tw2_tab23_label_Y1"))->isHidden());
        };
        check();
        w.openSucess(true);
        check();
        w.openSucess(false);
        check();
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
