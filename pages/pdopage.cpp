#include "pages/pdopage.h"

#include "app/messageboxes.h"
#include "protocol/sdoclient.h"
#include "ui_pdopage.h"

#include <QComboBox>
#include <QDebug>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

const uint32_t PdoPage::rpdoMappingList[kRpdoListSize + 1] = {
    0x00000000, 0x60400010, 0x605D0010, 0x60600008, 0x607A0020, 0x607C0020, 0x60810020, 0x60830020,
    0x60840020, 0x60980008, 0x60990120, 0x60990220, 0x609A0020, 0x60FF0020, 0};
const uint32_t PdoPage::tpdoMappingList[kTpdoListSize + 1] = {
    0x00000000, 0x603F0010, 0x60410010, 0x60610008, 0x60640020, 0x606C0020, 0x60FD0020, 0};

namespace {

constexpr uint16_t kRead = 0x4001;
constexpr uint16_t kWrite = 0x4002;
constexpr uint8_t kReadDone = 7;
constexpr uint8_t kWriteDone = 107;
constexpr uint8_t kLastStep = 43;

const char *const kRpdoItems[PdoPage::kRpdoListSize] = {
    QT_TRANSLATE_NOOP("PdoPage", "00000000-无"),
    QT_TRANSLATE_NOOP("PdoPage", "60400010-控制字"),
    QT_TRANSLATE_NOOP("PdoPage", "605D0010-halt控制寄存器"),
    QT_TRANSLATE_NOOP("PdoPage", "60600008-运行模式控制寄存器"),
    QT_TRANSLATE_NOOP("PdoPage", "607A0020-总脉冲数"),
    QT_TRANSLATE_NOOP("PdoPage", "607C0020-回原点偏移补偿"),
    QT_TRANSLATE_NOOP("PdoPage", "60810020-最大速度"),
    QT_TRANSLATE_NOOP("PdoPage", "60830020-加速时间"),
    QT_TRANSLATE_NOOP("PdoPage", "60840020-减速时间"),
    QT_TRANSLATE_NOOP("PdoPage", "60980008-回原点模式"),
    QT_TRANSLATE_NOOP("PdoPage", "60990120-回原点速度"),
    QT_TRANSLATE_NOOP("PdoPage", "60990220-回原点查询速度"),
    QT_TRANSLATE_NOOP("PdoPage", "609A0020-回原点加减速时间"),
    QT_TRANSLATE_NOOP("PdoPage", "60FF0020-最大速度")};
const char *const kTpdoItems[PdoPage::kTpdoListSize] = {
    QT_TRANSLATE_NOOP("PdoPage", "00000000-无"),
    QT_TRANSLATE_NOOP("PdoPage", "603F0010-驱动器故障码"),
    QT_TRANSLATE_NOOP("PdoPage", "60410010-状态字"),
    QT_TRANSLATE_NOOP("PdoPage", "60610008-运行模式状态寄存器"),
    QT_TRANSLATE_NOOP("PdoPage", "60640020-驱动器实际位置寄存器"),
    QT_TRANSLATE_NOOP("PdoPage", "606C0020-当前速度"),
    QT_TRANSLATE_NOOP("PdoPage", "60FD0020-输入端子状态")};

// Transmission type, inhibit time and event timer sit at these subindices of 0x1800 + n.
const uint8_t kTpdoParamSubs[3] = {2, 3, 5};
const char *const kTpdoParamNames[3] = {"02_tran_type", "03_prohibit_time", "04_event_timer"};

int tpdoParamSlot(int subIndex)
{
    for (int i = 0; i < 3; ++i) {
        if (kTpdoParamSubs[i] == subIndex)
            return i;
    }
    return -1;
}

} // namespace

PdoPage::PdoPage(QWidget *tab, PageJobState &jobs)
    : m_form(std::make_unique<Ui::PdoPageForm>())
    , m_jobs(jobs)
{
    m_widget = new QWidget(tab);
    m_form->setupUi(m_widget);
    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_widget);

    for (int n = 0; n < 4; ++n) {
        for (int k = 1; k <= 4; ++k) {
            m_rpdo[n][k - 1] =
                m_widget->findChild<QComboBox *>(QStringLiteral("t4_g1_comboBox_RPDO_%1_MAP%2").arg(n).arg(k));
            m_tpdo[n][k - 1] =
                m_widget->findChild<QComboBox *>(QStringLiteral("t4_g2_comboBox_TPDO_%1_MAP%2").arg(n).arg(k));
        }
    }
    fillMappingItems();
}

PdoPage::~PdoPage() = default;

void PdoPage::fillMappingItems()
{
    for (int n = 0; n < 4; ++n) {
        for (int k = 0; k < 4; ++k) {
            for (QComboBox *combo : {m_rpdo[n][k], m_tpdo[n][k]}) {
                const bool receive = combo == m_rpdo[n][k];
                const char *const *texts = receive ? kRpdoItems : kTpdoItems;
                const int size = receive ? kRpdoListSize : kTpdoListSize;
                // Texts are replaced in place so that a retranslation keeps the selection
                // and a kept unlisted value (the item after the list).
                for (int i = 0; i < size; ++i) {
                    if (i < combo->count())
                        combo->setItemText(i, tr(texts[i]));
                    else
                        combo->addItem(tr(texts[i]));
                }
            }
        }
    }
}

void PdoPage::connectButtons()
{
    connect(m_form->t4_g0_pushButton_read_param, &QPushButton::clicked, this, [this]() {
        qDebug() << "on_t4_g0_pushButton_read_param_clicked";
        m_jobs.requestPageJob(4, kRead);
        m_jobs.markPageJobRequested();
    });
    connect(m_form->t4_g0_pushButton_write_param, &QPushButton::clicked, this, [this]() {
        qDebug() << "on_t4_g0_pushButton_write_param_clicked";
        m_jobs.requestPageJob(4, kWrite);
        m_jobs.markPageJobRequested();
    });
}

void PdoPage::retranslate()
{
    m_form->retranslateUi(m_widget);
    fillMappingItems();
}

void PdoPage::setPdoPageDisabled(bool disabled)
{
    m_form->t4_g0_pushButton_read_param->setDisabled(disabled);
    m_form->t4_g0_pushButton_write_param->setDisabled(disabled);
    for (int n = 0; n < 4; ++n) {
        for (int k = 0; k < 4; ++k) {
            m_rpdo[n][k]->setDisabled(disabled);
            m_tpdo[n][k]->setDisabled(disabled);
        }
        for (uint8_t sub : kTpdoParamSubs)
            tpdoParameterSpin(n, sub)->setDisabled(disabled);
    }
}

QComboBox *PdoPage::mappingCombo(PdoKind kind, int pdo, int subIndex) const
{
    if (pdo < 0 || pdo > 3 || subIndex < 1 || subIndex > 4)
        return nullptr;
    return kind == PdoKind::Receive ? m_rpdo[pdo][subIndex - 1] : m_tpdo[pdo][subIndex - 1];
}

QSpinBox *PdoPage::tpdoParameterSpin(int pdo, int subIndex) const
{
    const int slot = tpdoParamSlot(subIndex);
    if (pdo < 0 || pdo > 3 || slot < 0)
        return nullptr;
    return m_widget->findChild<QSpinBox *>(
        QStringLiteral("t4_g2_spinBox_TPDO_%1_%2").arg(pdo).arg(QLatin1String(kTpdoParamNames[slot])));
}

void PdoPage::setPdoMapping(PdoKind kind, int pdo, int subIndex, uint32_t value)
{
    QComboBox *combo = mappingCombo(kind, pdo, subIndex);
    if (!combo)
        return;
    const bool receive = kind == PdoKind::Receive;
    const uint32_t *list = receive ? rpdoMappingList : tpdoMappingList;
    const int size = receive ? kRpdoListSize : kTpdoListSize;

    int item = value == 0 ? 0 : -1;
    for (int i = 1; item < 0 && list[i] != 0; ++i) {
        if (list[i] == value)
            item = i;
    }
    if (item >= 0) {
        combo->setCurrentIndex(item);
        while (combo->count() > size)
            combo->removeItem(size);
        return;
    }
    // A mapping the list does not know is kept as it is, so that writing the
    // page back does not erase the drive's entry.
    const QString text = QStringLiteral("%1-?").arg(value, 8, 16, QLatin1Char('0')).toUpper();
    if (combo->count() > size) {
        combo->setItemText(size, text);
        combo->setItemData(size, value);
    } else {
        combo->addItem(text, value);
    }
    combo->setCurrentIndex(size);
}

uint32_t PdoPage::pdoMapping(PdoKind kind, int pdo, int subIndex) const
{
    const QComboBox *combo = mappingCombo(kind, pdo, subIndex);
    if (!combo || combo->currentIndex() < 0)
        return 0;
    const int item = combo->currentIndex();
    const bool receive = kind == PdoKind::Receive;
    const int size = receive ? kRpdoListSize : kTpdoListSize;
    if (item < size)
        return (receive ? rpdoMappingList : tpdoMappingList)[item];
    return combo->itemData(item).toUInt();
}

void PdoPage::setTpdoParameter(int pdo, int subIndex, uint32_t value)
{
    if (QSpinBox *spin = tpdoParameterSpin(pdo, subIndex))
        spin->setValue(int(subIndex == 2 ? (value & 0xFF) : (value & 0xFFFF)));
}

uint32_t PdoPage::tpdoParameter(int pdo, int subIndex) const
{
    const QSpinBox *spin = tpdoParameterSpin(pdo, subIndex);
    return spin ? uint32_t(spin->value()) : 0;
}

// ---- sequencer ----------------------------------------------------------------

PdoPage::Step PdoPage::stepAt(uint8_t step)
{
    if (step < 32) {
        const uint16_t base = step < 16 ? 0x1600 : 0x1A00;
        return {uint16_t(base + (step % 16) / 4), uint8_t(step % 4 + 1), 32};
    }
    const int t = step - 32;
    return {uint16_t(0x1800 + t / 3), kTpdoParamSubs[t % 3], uint8_t(t % 3 == 0 ? 8 : 16)};
}

void PdoPage::runPdoSequencer(uint8_t node, int16_t jobCode)
{
    if (jobCode != 0) {
        if (jobCode != -1)
            m_jobs.pageJobBusy = 1;
        m_job = jobCode;
        m_sent = 0;
        m_step = 0;
    }
    if (!turnIsEligible())
        return;
    switch (m_job) {
    case -1:
        return;
    case 0:
        m_jobs.pageJobBusy = 0;
        m_job = -1;
        return;
    case kRead:
        readStep(node);
        return;
    case kWrite:
        writeStep(node);
        return;
    default:
        m_job = 0;  // a code this page does not know ends at once instead of holding the monitor off
        return;
    }
}

void PdoPage::readStep(uint8_t node)
{
    const Step s = stepAt(m_step);
    if (m_sent == 0) {
        m_sent = 1;
        SdoClient::requestRead(node, s.index, s.subIndex);
        return;
    }
    if (SdoClient::resultStatus() == 0) {
        fail("PDO-读错误");
        return;
    }
    SdoClient::clearResultStatus();
    if (m_step < 32) {
        const PdoKind kind = m_step < 16 ? PdoKind::Receive : PdoKind::Transmit;
        setPdoMapping(kind, (m_step % 16) / 4, s.subIndex, SdoClient::resultValue32());
    } else {
        setTpdoParameter(s.index - 0x1800, s.subIndex,
                         s.bits == 8 ? SdoClient::resultValue8() : SdoClient::resultValue16());
    }
    m_sent = 0;
    if (m_step == kLastStep) {
        m_jobs.completePageJob(kReadDone);
        m_job = 0;
        return;
    }
    ++m_step;
}

void PdoPage::writeStep(uint8_t node)
{
    const Step s = stepAt(m_step);
    if (m_sent == 0) {
        m_sent = 1;
        if (m_step < 32) {
            const PdoKind kind = m_step < 16 ? PdoKind::Receive : PdoKind::Transmit;
            SdoClient::requestWrite32(node, s.index, s.subIndex, pdoMapping(kind, (m_step % 16) / 4, s.subIndex));
        } else if (s.bits == 8) {
            SdoClient::requestWrite8(node, s.index, s.subIndex, uint8_t(tpdoParameter(s.index - 0x1800, s.subIndex)));
        } else {
            SdoClient::requestWrite16(node, s.index, s.subIndex, uint16_t(tpdoParameter(s.index - 0x1800, s.subIndex)));
        }
        return;
    }
    qDebug() << "curr_index：" << int(m_step);
    if (SdoClient::resultStatus() == 0) {
        fail("PDO-写错误");
        return;
    }
    SdoClient::clearResultStatus();
    m_sent = 0;
    if (m_step == kLastStep) {
        m_jobs.completePageJob(kWriteDone);
        m_job = 0;
        return;
    }
    ++m_step;
}

void PdoPage::fail(const char *text)
{
    // The job is over before the box opens, so the failure is reported once.
    m_jobs.failPageJob();
    m_job = 0;
    MessageBoxes::post(MessageBoxes::Kind::Information, QStringLiteral("错误提示"), QString::fromUtf8(text));
}
