// The connection dialog's kind of link and its CAN part, and the window
// changing its worker with the kind of link it is given.

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "serial/linkworker.h"
#include "serial/uartcfg.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

namespace {
QComboBox *box(QWidget &d, const char *name) { return d.findChild<QComboBox *>(QLatin1String(name)); }

QStringList items(QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

// Which rows show: "serial", "can", or "mixed" when the kinds are not cleanly apart.
QString rowsShown(uartCfg &d)
{
    const auto shown = [&d](std::initializer_list<const char *> names) {
        int count = 0;
        for (const char *name : names)
            count += !d.findChild<QWidget *>(QLatin1String(name))->isHidden();
        return count == int(names.size()) ? 1 : count == 0 ? 0 : -1;
    };
    const int serial = shown({"label", "comBox", "label_2", "baundBox"});
    const int can = shown({"label_plugin", "pluginBox", "label_interface", "interfaceBox", "label_bitrate", "bitrateBox"});
    return serial == 1 && can == 0 ? QStringLiteral("serial") : serial == 0 && can == 1 ? QStringLiteral("can")
                                                                                        : QStringLiteral("mixed");
}
} // namespace

class CanLinkDialogTest : public QObject {
    Q_OBJECT

    QStringList m_boxes;

private slots:
    void init()
    {
        m_boxes.clear();
        MessageBoxes::setRecorder([this](MessageBoxes::Kind, const QString &title, const QString &text) {
            m_boxes << title + QLatin1Char('|') + text;
        });
    }
    void cleanup() { MessageBoxes::setRecorder({}); }

    void theKindOfLinkChoosesTheRows()
    {
        uartCfg d;
        d.setConfig(comcfg_t());
        QCOMPARE(items(box(d, "linkBox")), (QStringList{"串口适配器", "CAN接口"}));
        QCOMPARE(rowsShown(d), QStringLiteral("serial"));
        box(d, "linkBox")->setCurrentIndex(1);
        QCOMPARE(rowsShown(d), QStringLiteral("can"));
        box(d, "linkBox")->setCurrentIndex(0);
        QCOMPARE(rowsShown(d), QStringLiteral("serial"));
    }

    void pluginsInterfacesAndBitRates()
    {
        uartCfg d;
        QComboBox *plugins = box(d, "pluginBox");
        QVERIFY(items(plugins).contains(QStringLiteral("virtualcan")));
        QVERIFY(items(plugins).contains(QStringLiteral("socketcan")));
        QCOMPARE(plugins->currentText(), QStringLiteral("socketcan"));
        QCOMPARE(items(box(d, "bitrateBox")), (QStringList{"125 kbit/s", "250 kbit/s", "500 kbit/s", "1000 kbit/s"}));
        QCOMPARE(box(d, "bitrateBox")->currentText(), QStringLiteral("500 kbit/s"));
        plugins->setCurrentText(QStringLiteral("virtualcan"));
        QCOMPARE(items(box(d, "interfaceBox")), (QStringList{"can0", "can1"}));
    }

    void confirmingACanInterface_data()
    {
        QTest::addColumn<QString>("plugin");
        QTest::addColumn<QString>("typed");  // empty: the plugin's first interface
        QTest::addColumn<int>("bitRateIndex");
        QTest::addColumn<QString>("interface");
        QTest::addColumn<uint>("bitRate");
        QTest::newRow("listed, default rate") << "virtualcan" << "" << 2 << "can0" << 500000u;
        QTest::newRow("typed address, 125k") << "virtualcan" << " tcp://127.0.0.1:35500/can1 " << 0
                                             << "tcp://127.0.0.1:35500/can1" << 125000u;
        QTest::newRow("typed SocketCAN name, 1000k") << "socketcan" << "can3" << 3 << "can3" << 1000000u;
    }
    void confirmingACanInterface()
    {
        QFETCH(QString, plugin);
        QFETCH(QString, typed);
        QFETCH(int, bitRateIndex);
        QFETCH(QString, interface);
        QFETCH(uint, bitRate);
        uartCfg d;
        comcfg_t start;
        start.portName = QStringLiteral("ttyUSB0");
        d.setConfig(start);
        d.show();
        QSignalSpy finish(&d, &uartCfg::setUartFinish);
        box(d, "linkBox")->setCurrentIndex(1);
        box(d, "pluginBox")->setCurrentText(plugin);
        if (!typed.isEmpty())
            box(d, "interfaceBox")->setEditText(typed);
        box(d, "bitrateBox")->setCurrentIndex(bitRateIndex);
        d.on_okButton_clicked();
        QCOMPARE(finish.count(), 1);
        const auto cfg = finish.at(0).at(0).value<comcfg_t>();
        QCOMPARE(cfg.linkKind, LinkCan);
        QCOMPARE(cfg.canPlugin, plugin);
        QCOMPARE(cfg.canInterface, interface);
        QCOMPARE(cfg.canBitRate, bitRate);
        QCOMPARE(cfg.portName, QStringLiteral("ttyUSB0"));  // the serial part is kept for later
        QVERIFY(!d.isVisible());
        QVERIFY(m_boxes.isEmpty());
    }

    void anEmptyInterfaceIsRefused()
    {
        uartCfg d;
        d.show();
        QSignalSpy finish(&d, &uartCfg::setUartFinish);
        box(d, "linkBox")->setCurrentIndex(1);
        box(d, "interfaceBox")->setEditText(QStringLiteral("  "));
        d.on_okButton_clicked();
        QCOMPARE(m_boxes, QStringList{QStringLiteral("CAN接口错误:|CAN接口不能为空")});
        QCOMPARE(finish.count(), 0);
        QVERIFY(d.isVisible());
    }

    // A configuration handed in (the command line's) shows as it is and is
    // confirmed unchanged; back on the serial adapter, the serial part returns.
    void aCanConfigurationShowsAndSwitchesBack()
    {
        uartCfg d;
        comcfg_t cfg;
        cfg.portName = QStringLiteral("ttyUSB1");
        cfg.baudRate = 115200;
        cfg.linkKind = LinkCan;
        cfg.canPlugin = QStringLiteral("virtualcan");
        cfg.canInterface = QStringLiteral("tcp://127.0.0.1:35500/can0");
        cfg.canBitRate = 250000;
        d.setConfig(cfg);
        QCOMPARE(rowsShown(d), QStringLiteral("can"));
        QCOMPARE(box(d, "pluginBox")->currentText(), QStringLiteral("virtualcan"));
        QCOMPARE(box(d, "interfaceBox")->currentText(), QStringLiteral("tcp://127.0.0.1:35500/can0"));
        QCOMPARE(box(d, "bitrateBox")->currentText(), QStringLiteral("250 kbit/s"));
        QSignalSpy finish(&d, &uartCfg::setUartFinish);
        d.on_okButton_clicked();
        box(d, "linkBox")->setCurrentIndex(0);
        d.on_okButton_clicked();
        QCOMPARE(finish.count(), 2);
        const auto can = finish.at(0).at(0).value<comcfg_t>();
        QCOMPARE(can.linkKind, LinkCan);
        QCOMPARE(can.canInterface, QStringLiteral("tcp://127.0.0.1:35500/can0"));
        QCOMPARE(can.canBitRate, 250000u);
        const auto serial = finish.at(1).at(0).value<comcfg_t>();
        QCOMPARE(serial.linkKind, LinkSerial);
        QCOMPARE(serial.portName, QStringLiteral("ttyUSB1"));
        QCOMPARE(serial.baudRate, 115200u);
    }

    void englishTexts()
    {
        MainWindow w;
        uartCfg &d = *w.serialDialog();
        QCOMPARE(d.findChild<QLabel *>(QStringLiteral("label_link"))->text(), QStringLiteral("Link:"));
        QCOMPARE(items(box(d, "linkBox")), (QStringList{"Serial adapter", "CAN interface"}));
        QCOMPARE(d.findChild<QLabel *>(QStringLiteral("label_plugin"))->text(), QStringLiteral("Plugin:"));
        QCOMPARE(d.findChild<QLabel *>(QStringLiteral("label_interface"))->text(), QStringLiteral("Interface:"));
        QCOMPARE(d.findChild<QLabel *>(QStringLiteral("label_bitrate"))->text(), QStringLiteral("Bit rate:"));
        QCOMPARE(d.findChild<QLabel *>(QStringLiteral("label"))->text(), QStringLiteral("Serial Port:"));
    }

    // The window keeps one worker, of the kind of link it was last given;
    // either kind's failure ends in the closed state with its own text.
    void theWindowChangesItsWorkerWithTheKindOfLink()
    {
        MainWindow w;
        auto *portLabel = w.findChild<QLabel *>(QStringLiteral("portLabel"));
        auto *state = w.findChild<QLabel *>(QStringLiteral("portStateLabel"));
        QCOMPARE(w.worker()->linkKind(), LinkSerial);

        comcfg_t can;
        can.linkKind = LinkCan;
        can.canPlugin = QStringLiteral("nosuchcan");
        can.canInterface = QStringLiteral("can0");
        can.canBitRate = 250000;
        w.setCurrentUartCfg(can);
        QCOMPARE(w.worker()->linkKind(), LinkCan);
        QCOMPARE(portLabel->text(), QStringLiteral("nosuchcan:can0,250k"));
        QTRY_COMPARE(m_boxes, QStringList{QStringLiteral("|No such plugin: 'nosuchcan'")});
        QTRY_COMPARE(state->text(), QStringLiteral("Close"));
        QVERIFY(!w.isPortOpen());

        m_boxes.clear();
        comcfg_t serial;
        serial.portName = QStringLiteral("axiscope-no-such-port");
        serial.baudRate = 115200;
        w.setCurrentUartCfg(serial);
        QCOMPARE(w.worker()->linkKind(), LinkSerial);
        QCOMPARE(portLabel->text(), QStringLiteral("axiscope-no-such-port,115200,"));
        QTRY_COMPARE(m_boxes, QStringList{QStringLiteral("|打开一个不存在的设备!")});
        QTRY_COMPARE(state->text(), QStringLiteral("Close"));
        QVERIFY(w.worker()->workThread()->isRunning());
    }
};

QTEST_MAIN(CanLinkDialogTest)
#include "tst_canlinkdialog.moc"
