#include "pages/sdodebugpage.h"

#include "app/messageboxes.h"
#include "protocol/sdoclient.h"
#include "ui_mainwindow.h"
#include "ui_sdodebugpage.h"

#include <QDebug>
#include <QVBoxLayout>

namespace {

constexpr int16_t kRead = 0x6001;
constexpr int16_t kWrite = 0x6002;

QString hex4(unsigned value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

QString hex2(unsigned value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

// Reads an unsigned number no larger than `maximum`.  A value beyond it is
// refused rather than cut down, so a typing slip cannot address another
// drive or object.
bool parseBounded(const QString &text, int base, quint64 maximum, quint64 &value)
{
    bool ok = false;
    value = text.trimmed().toULongLong(&ok, base);
    return ok && value <= maximum;
}

void inputError()
{
    qDebug() << "input error";
}

} // namespace

SdoDebugPage::SdoDebugPage(Ui::MainWindow *ui, PageJobState &jobs)
    : m_form(std::make_unique<Ui::SdoDebugPageForm>())
    , m_widget(new QWidget)
    , m_jobs(jobs)
{
    m_form->setupUi(m_widget);
    auto *layout = new QVBoxLayout(ui->tab_6);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_widget);

    Ui::SdoDebugPageForm &f = *m_form;
    connect(f.t6_g2_lineEdit_1_device_addr, &QLineEdit::editingFinished, this,
            &SdoDebugPage::on_t6_g2_lineEdit_1_device_addr_editingFinished);
    connect(f.t6_g2_lineEdit_2_reg_index_addr, &QLineEdit::editingFinished, this,
            &SdoDebugPage::on_t6_g2_lineEdit_2_reg_index_addr_editingFinished);
    connect(f.t6_g2_lineEdit_3_reg_sub_index_addr, &QLineEdit::editingFinished, this,
            &SdoDebugPage::on_t6_g2_lineEdit_3_reg_sub_index_addr_editingFinished);
    connect(f.t6_g2_lineEdit_4_data_dec, &QLineEdit::editingFinished, this,
            &SdoDebugPage::on_t6_g2_lineEdit_4_data_dec_editingFinished);
    connect(f.t6_g2_comboBox_1_data_len, QOverload<int>::of(&QComboBox::activated), this,
            &SdoDebugPage::on_t6_g2_comboBox_1_data_len_activated);
    connect(f.t6_g2_checkBox_1_HEX, &QCheckBox::clicked, this, &SdoDebugPage::on_t6_g2_checkBox_1_HEX_clicked);
    connect(f.t6_g2_pushButton_1_read_2, &QPushButton::clicked, this,
            &SdoDebugPage::on_t6_g2_pushButton_1_read_2_clicked);
    connect(f.t6_g2_pushButton_2_write_2, &QPushButton::clicked, this,
            &SdoDebugPage::on_t6_g2_pushButton_2_write_2_clicked);

    CANopen_debug = CANopen_debug_t();
    refreshSdoDebugView();
}

SdoDebugPage::~SdoDebugPage() = default;

void SdoDebugPage::retranslate()
{
    m_form->retranslateUi(m_widget);
    refreshSdoDebugView();
}

void SdoDebugPage::refreshSdoDebugView()
{
    Ui::SdoDebugPageForm &f = *m_form;
    f.t6_g2_lineEdit_1_device_addr->setText(QString::number(CANopen_debug.device_addr));
    f.t6_g2_lineEdit_2_reg_index_addr->setText(hex2(CANopen_debug.reg_index_addr));
    f.t6_g2_lineEdit_3_reg_sub_index_addr->setText(hex2(CANopen_debug.reg_sub_index_addr));
    f.t6_g2_comboBox_1_data_len->setCurrentIndex(CANopen_debug.reg_data_len);
    f.t6_g2_lineEdit_4_data_dec->setText(f.t6_g2_checkBox_1_HEX->isChecked() ? hex2(CANopen_debug.reg_data_val)
                                                                             : QString::number(CANopen_debug.reg_data_val));
}

void SdoDebugPage::setSdoDebugPageDisabled(bool disabled)
{
    Ui::SdoDebugPageForm &f = *m_form;
    QWidget *widgets[] = {f.t6_g2_lineEdit_1_device_addr, f.t6_g2_lineEdit_2_reg_index_addr,
                          f.t6_g2_lineEdit_3_reg_sub_index_addr, f.t6_g2_lineEdit_4_data_dec,
                          f.t6_g2_comboBox_1_data_len, f.t6_g2_checkBox_1_HEX,
                          f.t6_g2_pushButton_1_read_2, f.t6_g2_pushButton_2_write_2};
    for (QWidget *w : widgets)
        w->setDisabled(disabled);
}

// ---- edits ---------------------------------------------------------------------

void SdoDebugPage::on_t6_g2_lineEdit_1_device_addr_editingFinished()
{
    quint64 node = 0;
    // Node 0 is the broadcast address and 128 and above do not exist on the bus.
    if (parseBounded(m_form->t6_g2_lineEdit_1_device_addr->text(), 10, 127, node) && node >= 1) {
        CANopen_debug.device_addr = uint8_t(node);
        qDebug().noquote() << "CANopen_debug.device_addr:" << CANopen_debug.device_addr;
    } else {
        inputError();
    }
    refreshSdoDebugView();
}

void SdoDebugPage::on_t6_g2_lineEdit_2_reg_index_addr_editingFinished()
{
    quint64 index = 0;
    if (parseBounded(m_form->t6_g2_lineEdit_2_reg_index_addr->text(), 16, 0xFFFF, index)) {
        CANopen_debug.reg_index_addr = uint16_t(index);
        qDebug().noquote() << "CANopen_debug.reg_index_addr:" << hex4(CANopen_debug.reg_index_addr);
    } else {
        inputError();
    }
    refreshSdoDebugView();
}

void SdoDebugPage::on_t6_g2_lineEdit_3_reg_sub_index_addr_editingFinished()
{
    quint64 subIndex = 0;
    if (parseBounded(m_form->t6_g2_lineEdit_3_reg_sub_index_addr->text(), 16, 0xFF, subIndex)) {
        CANopen_debug.reg_sub_index_addr = uint8_t(subIndex);
        qDebug().noquote() << "CANopen_debug.reg_sub_index_addr:" << hex4(CANopen_debug.reg_sub_index_addr);
    } else {
        inputError();
    }
    refreshSdoDebugView();
}

void SdoDebugPage::on_t6_g2_lineEdit_4_data_dec_editingFinished()
{
    quint64 value = 0;
    const int base = m_form->t6_g2_checkBox_1_HEX->isChecked() ? 16 : 10;
    if (parseBounded(m_form->t6_g2_lineEdit_4_data_dec->text(), base, 0xFFFFFFFFu, value)) {
        CANopen_debug.reg_data_val = uint32_t(value);
        qDebug().noquote() << "CANopen_debug.reg_data_val: hex:" << hex4(CANopen_debug.reg_data_val);
        qDebug().noquote() << "CANopen_debug.reg_data_val: dec:" << CANopen_debug.reg_data_val;
    } else {
        inputError();
    }
    refreshSdoDebugView();
}

void SdoDebugPage::on_t6_g2_comboBox_1_data_len_activated(int)
{
    CANopen_debug.reg_data_len = uint16_t(m_form->t6_g2_comboBox_1_data_len->currentIndex());
    qDebug() << "on_t6_g2_comboBox_1_data_len_activated";
    qDebug().noquote() << "CANopen_debug.reg_data_len:" << CANopen_debug.reg_data_len;
}

void SdoDebugPage::on_t6_g2_checkBox_1_HEX_clicked()
{
    refreshSdoDebugView();
}

void SdoDebugPage::on_t6_g2_pushButton_1_read_2_clicked()
{
    qDebug() << "on_t6_g2_pushButton_1_read_2_clicked";
    m_jobs.requestPageJob(6, uint16_t(kRead));
}

void SdoDebugPage::on_t6_g2_pushButton_2_write_2_clicked()
{
    qDebug() << "on_t6_g2_pushButton_2_write_2_clicked";
    m_jobs.requestPageJob(6, uint16_t(kWrite));
}

// ---- sequencer -----------------------------------------------------------------

void SdoDebugPage::runSdoDebugSequencer(int16_t jobCode)
{
    if (jobCode != 0) {
        if (jobCode != -1)
            m_jobs.pageJobBusy = 1;
        m_job = jobCode;
        m_step = 0;
    }
    if (!turnIsEligible())
        return;
    if (m_job == kRead) {
        readStep();
    } else if (m_job == kWrite) {
        writeStep();
    } else if (m_job == 0) {
        m_jobs.pageJobBusy = 0;
        m_job = -1;
    }
}

void SdoDebugPage::readStep()
{
    if (m_step == 0) {
        m_step = 1;
        SdoClient::requestRead(CANopen_debug.device_addr, CANopen_debug.reg_index_addr,
                               CANopen_debug.reg_sub_index_addr);
        qDebug() << "CANopen_SDO_READ";
        return;
    }
    if (m_step == 1) {
        m_step = 2;
        qDebug() << "CANopen_SDO_RX IN";
        if (SdoClient::resultStatus() == 0) {
            MessageBoxes::post(MessageBoxes::Kind::Information, QStringLiteral("提示"), QStringLiteral("读失败"));
            return;
        }
        SdoClient::clearResultStatus();
        takeReadAnswer();
        refreshSdoDebugView();
        return;
    }
    m_job = 0;
}

void SdoDebugPage::takeReadAnswer()
{
    const uint16_t index = SdoClient::resultIndex();
    const uint8_t subIndex = SdoClient::resultSubIndex();
    const uint8_t width = SdoClient::resultBitWidth();
    qDebug().noquote() << "CANopen_reg_index:" << hex4(index);
    qDebug().noquote() << "CANopen_reg_sub_index:" << hex4(subIndex);
    qDebug().noquote() << "CANopen_reg_rsp_type:" << width;
    if (index != CANopen_debug.reg_index_addr || subIndex != CANopen_debug.reg_sub_index_addr)
        return;
    // The drive's own width wins over the one selected on the page.
    switch (width) {
    case 8:
        CANopen_debug.reg_data_len = 0;
        CANopen_debug.reg_data_val = SdoClient::resultValue8();
        break;
    case 16:
        CANopen_debug.reg_data_len = 1;
        CANopen_debug.reg_data_val = SdoClient::resultValue16();
        break;
    case 32:
        CANopen_debug.reg_data_len = 2;
        CANopen_debug.reg_data_val = SdoClient::resultValue32();
        break;
    default:
        break;
    }
}

void SdoDebugPage::writeStep()
{
    const CANopen_debug_t &r = CANopen_debug;
    if (m_step == 0) {
        m_step = 1;
        switch (r.reg_data_len) {
        case 0:
            SdoClient::requestWrite8(r.device_addr, r.reg_index_addr, r.reg_sub_index_addr, uint8_t(r.reg_data_val));
            break;
        case 1:
            SdoClient::requestWrite16(r.device_addr, r.reg_index_addr, r.reg_sub_index_addr, uint16_t(r.reg_data_val));
            break;
        case 2:
            SdoClient::requestWrite32(r.device_addr, r.reg_index_addr, r.reg_sub_index_addr, r.reg_data_val);
            break;
        default:
            break;
        }
        return;
    }
    if (m_step == 1) {
        m_step = 2;
        if (SdoClient::resultStatus() != 0)
            SdoClient::clearResultStatus();
        else
            MessageBoxes::post(MessageBoxes::Kind::Information, QStringLiteral("提示"), QStringLiteral("写失败"));
        return;
    }
    m_job = 0;
}
