#include "pages/iopage.h"

#include "app/messageboxes.h"
#include "protocol/sdoclient.h"
#include "ui_iopage.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QPointer>
#include <QVBoxLayout>
#include <iterator>

namespace {

constexpr int16_t kRead = 0x3001;
constexpr int16_t kWrite = 0x3002;
constexpr uint8_t kReadDone = 6;
constexpr uint8_t kWriteDone = 106;
constexpr uint8_t kInputMaskSub = 1;
constexpr uint8_t kOutputMaskSub = 12;
constexpr uint8_t kLastSub = 14;  // the page transfers 1..4 and 12..14

// Row positions in the form: PU, DR, X0..X7, Y0..Y3.
constexpr int kFirstInput = 2;   // X0
constexpr int kFirstOutput = 10; // Y0
constexpr int kInputMaskBits = 6;
constexpr int kOutputMaskBits = 4;

const char *const kInputFunctions[] = {
    QT_TRANSLATE_NOOP("IoPage", "0-未定义"),        QT_TRANSLATE_NOOP("IoPage", "1-原点信号"),
    QT_TRANSLATE_NOOP("IoPage", "2-正限位信号"),    QT_TRANSLATE_NOOP("IoPage", "3-反限位信号"),
    QT_TRANSLATE_NOOP("IoPage", "4-电机使能信号"),  QT_TRANSLATE_NOOP("IoPage", "5-电机释放信号"),
    QT_TRANSLATE_NOOP("IoPage", "6-报警清除信号"),  QT_TRANSLATE_NOOP("IoPage", "7-恢复出厂信号"),
    QT_TRANSLATE_NOOP("IoPage", "8-停止信号"),      QT_TRANSLATE_NOOP("IoPage", "9-急停信号"),
    QT_TRANSLATE_NOOP("IoPage", "10-位置模式运动"), QT_TRANSLATE_NOOP("IoPage", "11-速度模式运动"),
    QT_TRANSLATE_NOOP("IoPage", "12-JOG+运动"),     QT_TRANSLATE_NOOP("IoPage", "13-JOG-运动"),
    QT_TRANSLATE_NOOP("IoPage", "14-回原点使能信号")};
const char *const kOutputFunctions[] = {
    QT_TRANSLATE_NOOP("IoPage", "0-未定义"),         QT_TRANSLATE_NOOP("IoPage", "1-报警信号"),
    QT_TRANSLATE_NOOP("IoPage", "2-驱动器状态信号"), QT_TRANSLATE_NOOP("IoPage", "3-回原点完成信号"),
    QT_TRANSLATE_NOOP("IoPage", "4-到位信号"),       QT_TRANSLATE_NOOP("IoPage", "5-输出高电平"),
    QT_TRANSLATE_NOOP("IoPage", "6-输出低电平")};

} // namespace

IoPage::IoPage(Ui::MainWindow *ui, PageJobState &jobs)
    : m_form(std::make_unique<Ui::IoPageForm>())
    , m_widget(new QWidget)
    , m_jobs(jobs)
{
    m_form->setupUi(m_widget);
    auto *layout = new QVBoxLayout(ui->tab_3);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_widget);

    Ui::IoPageForm &f = *m_form;
    const Row rows[kRowCount] = {
        {f.t3_g2_label_1_IO_PU, f.t3_g2_checkbox_1_IO_PU, f.t3_g2_comboBox_1_IO_PU, false, false},
        {f.t3_g3_label_1_IO_DR, f.t3_g3_checkbox_1_IO_DR, f.t3_g3_comboBox_1_IO_DR, false, false},
        {f.t3_g4_label_1_IO_X0, f.t3_g4_checkbox_1_IO_X0, f.t3_g4_comboBox_1_IO_X0, false, true},
        {f.t3_g5_label_1_IO_X1, f.t3_g5_checkbox_1_IO_X1, f.t3_g5_comboBox_1_IO_X1, false, true},
        {f.t3_g6_label_1_IO_X2, f.t3_g6_checkbox_1_IO_X2, f.t3_g6_comboBox_1_IO_X2, false, true},
        {f.t3_g7_label_1_IO_X3, f.t3_g7_checkbox_1_IO_X3, f.t3_g7_comboBox_1_IO_X3, false, false},
        {f.t3_g8_label_1_IO_X4, f.t3_g8_checkbox_1_IO_X4, f.t3_g8_comboBox_1_IO_X4, false, false},
        {f.t3_g9_label_1_IO_X5, f.t3_g9_checkbox_1_IO_X5, f.t3_g9_comboBox_1_IO_X5, false, false},
        {f.t3_g10_label_1_IO_X6, f.t3_g10_checkbox_1_IO_X6, f.t3_g10_comboBox_1_IO_X6, false, false},
        {f.t3_g11_label_1_IO_X7, f.t3_g11_checkbox_1_IO_X7, f.t3_g11_comboBox_1_IO_X7, false, false},
        {f.t3_g21_label_1_IO_Y0, f.t3_g21_checkbox_1_IO_Y0, f.t3_g21_comboBox_1_IO_Y0, true, true},
        {f.t3_g22_label_1_IO_Y1, f.t3_g22_checkbox_1_IO_Y1, f.t3_g22_comboBox_1_IO_Y1, true, true},
        {f.t3_g23_label_1_IO_Y2, f.t3_g23_checkbox_1_IO_Y2, f.t3_g23_comboBox_1_IO_Y2, true, false},
        {f.t3_g24_label_1_IO_Y3, f.t3_g24_checkbox_1_IO_Y3, f.t3_g24_comboBox_1_IO_Y3, true, false},
    };
    for (int i = 0; i < kRowCount; ++i) {
        m_rows[i] = rows[i];
        // Picking an item replaces a code the list could not show.
        connect(m_rows[i].combo, QOverload<int>::of(&QComboBox::activated), this,
                [this, i](int) { m_rows[i].unlistedCode = -1; });
    }
    fillFunctionLists();

    connect(f.t3_g1_btn_1_read_param, &QPushButton::clicked, this, &IoPage::on_t3_g1_btn_1_read_param_clicked);
    connect(f.t3_g1_btn_1_write_param, &QPushButton::clicked, this, &IoPage::on_t3_g1_btn_1_write_param_clicked);
}

IoPage::~IoPage() = default;

void IoPage::fillFunctionLists()
{
    // Texts only: the selection (and a code kept for the list) stays as it is.
    for (Row &row : m_rows) {
        const char *const *texts = row.output ? kOutputFunctions : kInputFunctions;
        const int count = row.output ? int(std::size(kOutputFunctions)) : int(std::size(kInputFunctions));
        for (int i = 0; i < count; ++i) {
            if (i < row.combo->count())
                row.combo->setItemText(i, tr(texts[i]));
            else
                row.combo->addItem(tr(texts[i]));
        }
    }
}

void IoPage::retranslate()
{
    m_form->retranslateUi(m_widget);
    fillFunctionLists();
}

void IoPage::on_t3_g1_btn_1_read_param_clicked()
{
    qDebug() << "on_t3_g1_btn_1_read_param_clicked";
    m_jobs.requestPageJob(3, uint16_t(kRead));
    m_jobs.markPageJobRequested();
}

void IoPage::on_t3_g1_btn_1_write_param_clicked()
{
    qDebug() << "on_t3_g1_btn_1_write_param_clicked";
    m_jobs.requestPageJob(3, uint16_t(kWrite));
    m_jobs.markPageJobRequested();
}

void IoPage::setIoPageDisabled(bool disabled)
{
    m_form->t3_g1_btn_1_read_param->setDisabled(disabled);
    m_form->t3_g1_btn_1_write_param->setDisabled(disabled);
    for (Row &row : m_rows) {
        if (row.shown) {
            row.check->setDisabled(disabled);
            row.combo->setDisabled(disabled);
        } else {
            row.label->hide();
            row.check->hide();
            row.combo->hide();
        }
    }
}

// ---- values by subindex ------------------------------------------------------

void IoPage::setMask(int firstRow, int bits, uint16_t mask)
{
    for (int n = 0; n < bits; ++n)
        m_rows[firstRow + n].check->setChecked((mask >> n) & 1u);
}

uint16_t IoPage::mask(int firstRow, int bits) const
{
    uint16_t mask = 0;
    for (int n = 0; n < bits; ++n) {
        if (m_rows[firstRow + n].check->checkState() != Qt::Unchecked)
            mask = uint16_t(mask | (1u << n));
    }
    return mask;
}

void IoPage::setFunctionCode(Row &row, uint16_t code)
{
    const bool listed = code < row.combo->count();
    row.combo->setCurrentIndex(listed ? int(code) : -1);
    row.unlistedCode = listed ? -1 : int(code);
}

uint16_t IoPage::functionCode(const Row &row) const
{
    return uint16_t(row.unlistedCode >= 0 ? row.unlistedCode : qMax(row.combo->currentIndex(), 0));
}

void IoPage::setIoTerminalValue(uint8_t subIndex, uint16_t value)
{
    if (subIndex == kInputMaskSub)
        setMask(kFirstInput, kInputMaskBits, value);
    else if (subIndex == kOutputMaskSub)
        setMask(kFirstOutput, kOutputMaskBits, value);
    else if (subIndex >= 2 && subIndex <= 7)
        setFunctionCode(m_rows[kFirstInput + subIndex - 2], value);
    else if (subIndex >= 13 && subIndex <= 16)
        setFunctionCode(m_rows[kFirstOutput + subIndex - 13], value);
}

uint16_t IoPage::ioTerminalValue(uint8_t subIndex) const
{
    if (subIndex == kInputMaskSub)
        return mask(kFirstInput, kInputMaskBits);
    if (subIndex == kOutputMaskSub)
        return mask(kFirstOutput, kOutputMaskBits);
    if (subIndex >= 2 && subIndex <= 7)
        return functionCode(m_rows[kFirstInput + subIndex - 2]);
    if (subIndex >= 13 && subIndex <= 16)
        return functionCode(m_rows[kFirstOutput + subIndex - 13]);
    return 0;
}

// ---- sequencer ------------------------------------------------------------------

void IoPage::runIoSequencer(uint8_t node, int16_t jobCode)
{
    if (jobCode != 0) {
        if (jobCode != -1)
            m_jobs.pageJobBusy = 1;
        m_job = jobCode;
        m_sent = 0;
        m_counter = 0;
    }
    if (!turnIsEligible())
        return;
    switch (m_job) {
    case -1:
        break;
    case 0:
        m_jobs.pageJobBusy = 0;
        m_job = -1;
        break;
    case kRead:
        readStep(node);
        break;
    case kWrite:
        writeStep(node);
        break;
    default:
        m_job = 0;  // a code this page does not know ends at once instead of holding the monitor off
        break;
    }
}

void IoPage::readStep(uint8_t node)
{
    if (m_sent == 0) {
        if (m_counter == 0) {
            m_counter = 1;
            return;
        }
        if (m_counter == 5)
            m_counter = kOutputMaskSub;
        m_sent = 1;
        SdoClient::requestRead(node, kTerminalObject, m_counter);
        return;
    }
    if (SdoClient::resultStatus() == 0) {
        fail("输入输出-读错误");
        return;
    }
    SdoClient::clearResultStatus();
    // An answer for another object or subindex carries nothing for this one.
    if (SdoClient::resultIndex() == kTerminalObject && SdoClient::resultSubIndex() == m_counter)
        setIoTerminalValue(m_counter, SdoClient::resultValue16());
    advance(kReadDone);
}

void IoPage::writeStep(uint8_t node)
{
    if (m_sent == 0) {
        if (m_counter == 0) {
            m_counter = 1;
            return;
        }
        if (m_counter == 5)
            m_counter = kOutputMaskSub;
        m_sent = 1;
        SdoClient::requestWrite16(node, kTerminalObject, m_counter, ioTerminalValue(m_counter));
        return;
    }
    if (SdoClient::resultStatus() == 0) {
        fail("输入输出-写错误");
        return;
    }
    SdoClient::clearResultStatus();
    advance(kWriteDone);
}

void IoPage::advance(uint8_t doneCode)
{
    m_sent = 0;
    ++m_counter;
    if (m_counter > kLastSub) {
        m_jobs.completePageJob(doneCode);
        m_job = 0;
    }
}

void IoPage::fail(const char *text)
{
    m_jobs.pageJobResult = PageJobState::Failed;
    m_job = 0;
    // The marks stay until the user has seen the box.
    QPointer<IoPage> self(this);
    MessageBoxes::post(MessageBoxes::Kind::Information, QStringLiteral("错误提示"), QString::fromUtf8(text),
                       [self]() {
                           if (self)
                               self->m_jobs.clearPageJobMarks();
                       });
}
