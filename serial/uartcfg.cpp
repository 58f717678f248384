#include "serial/uartcfg.h"

#include "ui_uartcfg.h"

#include "app/messageboxes.h"
#include "canbus/canlinkform.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSerialPortInfo>
#include <QTimer>

#include <algorithm>

namespace {

// Digits with at least one that is not zero, and no more than the port can be
// given: QSerialPort takes the rate as a signed 32-bit number, so anything
// above 2^31 - 1 would turn negative on the way.
class BaudRateValidator : public QRegularExpressionValidator {
public:
    explicit BaudRateValidator(QObject *parent)
        : QRegularExpressionValidator(QRegularExpression(QStringLiteral("^[0-9]*[1-9][0-9]*$")), parent)
    {
    }
    State validate(QString &input, int &pos) const override
    {
        const State state = QRegularExpressionValidator::validate(input, pos);
        if (state != Acceptable)
            return state;
        bool ok = false;
        const qulonglong rate = input.toULongLong(&ok);
        return ok && rate <= qulonglong(kMaxBaudRate) ? Acceptable : Invalid;
    }
};

} // namespace

uartCfg::uartCfg(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::uartCfg)
{
    ui->setupUi(this);
    registerComcfgType();
    setWindowTitle(QStringLiteral("串口配置"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    ui->comBox->addItems(getComNum());

    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setInterval(700);
    connect(m_refreshTimer, &QTimer::timeout, this, &uartCfg::flushComList);
    m_refreshTimer->start();

    ui->baundBox->setEditable(true);
    ui->baundBox->setInsertPolicy(QComboBox::NoInsert);
    ui->baundBox->lineEdit()->setReadOnly(true);
    ui->baundBox->lineEdit()->setPlaceholderText(tr("自定义"));
    ui->baundBox->setValidator(new BaudRateValidator(this));
    connect(ui->baundBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &uartCfg::changedBaundIndex);

    m_canForm = new CanLinkForm(ui->pluginBox, ui->interfaceBox, ui->bitrateBox, this);
    connect(ui->linkBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &uartCfg::showLinkRows);
    showLinkRows(LinkSerial);
}

void uartCfg::showLinkRows(int kind)
{
    const bool can = kind == LinkCan;
    for (QWidget *w : {static_cast<QWidget *>(ui->label), static_cast<QWidget *>(ui->comBox),
                       static_cast<QWidget *>(ui->label_2), static_cast<QWidget *>(ui->baundBox)})
        w->setVisible(!can);
    for (QWidget *w : {static_cast<QWidget *>(ui->label_plugin), static_cast<QWidget *>(ui->pluginBox),
                       static_cast<QWidget *>(ui->label_interface), static_cast<QWidget *>(ui->interfaceBox),
                       static_cast<QWidget *>(ui->label_bitrate), static_cast<QWidget *>(ui->bitrateBox)})
        w->setVisible(can);
    if (can)
        m_canForm->refreshInterfaces();
    adjustSize();
}

uartCfg::~uartCfg()
{
    delete ui;
}

void uartCfg::setConfig(const comcfg_t &cfg)
{
    m_cfg = cfg;
    setUiBaund(cfg.baudRate);
    // A port named from outside (command line) stays selected through the refreshes.
    if (!cfg.portName.isEmpty())
        ui->comBox->setEditText(cfg.portName);
    m_canForm->showConfig(cfg);
    ui->linkBox->setCurrentIndex(cfg.linkKind == LinkCan ? 1 : 0);
}

void uartCfg::setUiBaund(uint baund)
{
    const QString text = QString::number(baund);
    int index = ui->baundBox->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        ui->baundBox->addItem(text);
        index = ui->baundBox->count() - 1;
    }
    ui->baundBox->setCurrentIndex(index);
}

QStringList uartCfg::getComNum()
{
    QStringList names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        names << info.portName();
    return sortPortNames(names);
}

QStringList uartCfg::sortPortNames(QStringList names)
{
    std::sort(names.begin(), names.end());
    return names;
}

void uartCfg::takePortFrom(const QString &name)
{
    m_cfg.portNumber = portNumberFromName(name);
    m_cfg.portName = name;
}

void uartCfg::flushComList()
{
    const QString current = ui->comBox->currentText();
    const QStringList names = getComNum();
    ui->comBox->clear();
    ui->comBox->addItems(names);
    if (names.contains(current)) {
        ui->comBox->setCurrentText(current);
        takePortFrom(current);
    } else if (!current.isEmpty()) {
        // A typed name or device path (a pseudo-terminal is never listed) stays in the field.
        ui->comBox->setEditText(current);
    }
    if (m_firstRefresh) {
        m_firstRefresh = false;
        emit setUart(m_cfg);
    }
    // Listing the ports reads the device tree: only worth it while someone looks.
    if (!isVisible())
        m_refreshTimer->stop();
}

void uartCfg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_firstRefresh)
        flushComList();  // the list is fresh the moment it is seen
    if (ui->linkBox->currentIndex() == 1)
        m_canForm->refreshInterfaces();
    if (!m_refreshTimer->isActive())
        m_refreshTimer->start();
}

void uartCfg::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (!m_firstRefresh)
        m_refreshTimer->stop();
}

void uartCfg::changedBaundIndex(int index)
{
    QLineEdit *edit = ui->baundBox->lineEdit();
    if (!edit)
        return;
    if (index == 0) {
        edit->setReadOnly(false);
        edit->clear();
    } else {
        edit->setReadOnly(true);
    }
}

void uartCfg::on_falseButton_clicked()
{
    hide();
}

void uartCfg::on_okButton_clicked()
{
    if (ui->linkBox->currentIndex() == 1) {
        confirmCanLink();
        return;
    }
    uint baud = ui->baundBox->currentText().toUInt();
    if (baud > kMaxBaudRate)
        baud = 0;  // the validator refuses such text; never hand it to the port
    if (baud == 0) {
        MessageBoxes::information(QStringLiteral("波特率错误:"), QStringLiteral("波特率不能设置为0"));
        return;
    }
    hide();
    m_cfg.linkKind = LinkSerial;
    m_cfg.baudRate = baud;
    takePortFrom(ui->comBox->currentText().trimmed());
    emit setUartFinish(m_cfg);
}

void uartCfg::confirmCanLink()
{
    comcfg_t cfg = m_cfg;
    if (!m_canForm->read(cfg)) {
        MessageBoxes::information(QStringLiteral("CAN接口错误:"), QStringLiteral("CAN接口不能为空"));
        return;
    }
    hide();
    cfg.linkKind = LinkCan;
    m_cfg = cfg;
    emit setUartFinish(m_cfg);
}

void uartCfg::on_baundBox_activated(const QString &text)
{
    Q_UNUSED(text);
    if (ui->baundBox->currentIndex() != 0)
        m_cfg.baudRate = ui->baundBox->currentText().toUInt();
}
