// The serial settings dialog: baud entry and its checks, port list, confirm and cancel.

#include "app/messageboxes.h"
#include "serial/uartcfg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QValidator>
#include <QtTest>

class UartCfgTest : public QObject {
    Q_OBJECT

    QStringList m_boxes;

    static QComboBox *baudBox(uartCfg &d) { return d.findChild<QComboBox *>(QStringLiteral("baundBox")); }
    static QComboBox *portBox(uartCfg &d) { return d.findChild<QComboBox *>(QStringLiteral("comBox")); }

private slots:
    void init()
    {
        m_boxes.clear();
        MessageBoxes::setRecorder([this](MessageBoxes::Kind, const QString &title, const QString &text) {
            m_boxes << title + QLatin1Char('|') + text;
        });
    }
    void cleanup() { MessageBoxes::setRecorder({}); }

    void layoutAndTexts()
    {
        uartCfg d;
        QCOMPARE(d.windowTitle(), QStringLiteral("串口配置"));
        QComboBox *baud = baudBox(d);
        QStringList items;
        for (int i = 0; i < baud->count(); ++i)
            items << baud->itemText(i);
        QCOMPARE(items, (QStringList{"custom", "4800", "9600", "19200", "38400", "57600", "115200", "256000"}));
        QVERIFY(baud->lineEdit()->isReadOnly());
        QCOMPARE(baud->lineEdit()->placeholderText(), QStringLiteral("自定义"));
    }

    void setUiBaundSelectsOrAppends()
    {
        uartCfg d;
        QComboBox *baud = baudBox(d);
        d.setUiBaund(256000);
        QCOMPARE(baud->currentIndex(), 7);
        QCOMPARE(baud->count(), 8);
        d.setUiBaund(500000);
        QCOMPARE(baud->count(), 9);
        QCOMPARE(baud->currentIndex(), 8);
        QCOMPARE(baud->currentText(), QStringLiteral("500000"));
        d.setUiBaund(500000);  // no second copy
        QCOMPARE(baud->count(), 9);
    }

    void customEntryAndValidator()
    {
        uartCfg d;
        d.setConfig(comcfg_t());
        QComboBox *baud = baudBox(d);
        QVERIFY(baud->lineEdit()->isReadOnly());
        baud->setCurrentIndex(0);
        QLineEdit *edit = baud->lineEdit();
        QVERIFY(!edit->isReadOnly());
        QCOMPARE(edit->text(), QString());

        const QValidator *v = baud->validator();
        QVERIFY(v);
        auto check = [v](QString text) {
            int pos = 0;
            return v->validate(text, pos);
        };
        QCOMPARE(check(QStringLiteral("230400")), QValidator::Acceptable);
        QVERIFY(check(QStringLiteral("0")) != QValidator::Acceptable);
        QVERIFY(check(QStringLiteral("000")) != QValidator::Acceptable);
        QCOMPARE(check(QStringLiteral("9a")), QValidator::Invalid);
        QCOMPARE(check(QStringLiteral("abc")), QValidator::Invalid);
        // The port takes a signed 32-bit rate: nothing above 2^31 - 1 gets through.
        QCOMPARE(check(QStringLiteral("2147483647")), QValidator::Acceptable);
        QCOMPARE(check(QStringLiteral("2147483648")), QValidator::Invalid);
        QCOMPARE(check(QStringLiteral("99999999999999999999")), QValidator::Invalid);

        QTest::keyClicks(edit, QStringLiteral("x1y2"));
        QCOMPARE(edit->text(), QStringLiteral("12"));
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("4294967296"));
        QCOMPARE(edit->text(), QStringLiteral("429496729"));  // the last digit is refused

        baud->setCurrentIndex(3);
        QVERIFY(baud->lineEdit()->isReadOnly());
    }

    void emptyCustomEntryIsRefused()
    {
        uartCfg d;
        d.setConfig(comcfg_t());
        d.show();
        QSignalSpy finish(&d, &uartCfg::setUartFinish);
        baudBox(d)->setCurrentIndex(0);
        d.on_okButton_clicked();
        QCOMPARE(m_boxes, QStringList{QStringLiteral("波特率错误:|波特率不能设置为0")});
        QCOMPARE(finish.count(), 0);
        QVERIFY(d.isVisible());
    }

    void confirmReportsTheConfiguration()
    {
        uartCfg d;
        comcfg_t start;
        start.dataBits = 7;  // passed through untouched
        d.setConfig(start);
        d.show();
        QSignalSpy finish(&d, &uartCfg::setUartFinish);
        portBox(d)->setEditText(QStringLiteral("COM12"));
        baudBox(d)->setCurrentIndex(6);
        d.on_okButton_clicked();
        QCOMPARE(finish.count(), 1);
        const auto cfg = finish.at(0).at(0).value<comcfg_t>();
        QCOMPARE(cfg.baudRate, 115200u);
        QCOMPARE(cfg.portNumber, 12);
        QCOMPARE(cfg.portName, QStringLiteral("COM12"));
        QCOMPARE(cfg.dataBits, 7);
        QVERIFY(!d.isVisible());
        QVERIFY(m_boxes.isEmpty());
    }

    void typedDevicePathIsKept()
    {
        uartCfg d;
        d.setConfig(comcfg_t());
        QSignalSpy finish(&d, &uartCfg::setUartFinish);
        portBox(d)->setEditText(QStringLiteral("/dev/pts/7"));
        d.flushComList();  // a refresh must not throw the typed path away
        QCOMPARE(portBox(d)->currentText(), QStringLiteral("/dev/pts/7"));
        d.on_okButton_clicked();
        QCOMPARE(finish.count(), 1);
        QCOMPARE(finish.at(0).at(0).value<comcfg_t>().portName, QStringLiteral("/dev/pts/7"));
    }

    void cancelReportsNothing()
    {
        uartCfg d;
        d.show();
        QSignalSpy finish(&d, &uartCfg::setUartFinish);
        QSignalSpy once(&d, &uartCfg::setUart);
        d.on_falseButton_clicked();
        QVERIFY(!d.isVisible());
        QCOMPARE(finish.count(), 0);
        QCOMPARE(once.count(), 0);
    }

    void setUartOnlyOnFirstRefresh()
    {
        uartCfg d;
        QSignalSpy once(&d, &uartCfg::setUart);
        d.flushComList();
        d.flushComList();
        QCOMPARE(once.count(), 1);
    }

    void portNamesSortCaseSensitively()
    {
        QCOMPARE(uartCfg::sortPortNames({"COM3", "COM10", "COM1"}), (QStringList{"COM1", "COM10", "COM3"}));
        QCOMPARE(uartCfg::sortPortNames({"ttyUSB0", "ttyACM0", "TTY9"}), (QStringList{"TTY9", "ttyACM0", "ttyUSB0"}));
        QCOMPARE(portNumberFromName(QStringLiteral("COM12")), 12);
        QCOMPARE(portNumberFromName(QStringLiteral("ttyUSB0")), 0);
    }
};

QTEST_MAIN(UartCfgTest)
#include "tst_uartcfg.moc"
