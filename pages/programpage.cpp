#include "pages/programpage.h"

#include "ui_programpage.h"

#include <QComboBox>
#include <QDebug>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr uint16_t kRunJob = 0x5001;
constexpr uint16_t kStopJob = 0x5002;
constexpr uint16_t kStepCountKey = 0x5501;
constexpr uint16_t kInputKey = 0x5502;
constexpr uint16_t kOutputKey = 0x5503;
constexpr uint16_t kFirstStepKey = 0x5504;
constexpr uint8_t kPageNumber = 5;

// A combo value the list cannot show (from a parameter file) is kept here and
// handed back unchanged until the user picks an item.
const char *const kUnlisted = "unlistedValue";

const int kModeValues[4] = {0, 1, 3, 6};
const char *const kModeTexts[4] = {QT_TRANSLATE_NOOP("ProgramPage", "0-无"), QT_TRANSLATE_NOOP("ProgramPage", "1-位置模式"),
                                   QT_TRANSLATE_NOOP("ProgramPage", "3-速度模式"),
                                   QT_TRANSLATE_NOOP("ProgramPage", "6-回原点模式")};
const char *const kPositionSubModes[2] = {QT_TRANSLATE_NOOP("ProgramPage", "0-相对位置"),
                                          QT_TRANSLATE_NOOP("ProgramPage", "1-绝对位置")};
const char *const kHomingSubModes[4] = {
    QT_TRANSLATE_NOOP("ProgramPage", "17-回零模式"), QT_TRANSLATE_NOOP("ProgramPage", "18-回零模式"),
    QT_TRANSLATE_NOOP("ProgramPage", "24-回零模式"), QT_TRANSLATE_NOOP("ProgramPage", "29-回零模式")};
const char *const kNoSubMode[1] = {QT_TRANSLATE_NOOP("ProgramPage", "无")};
const char *const kJumpKinds[6] = {
    QT_TRANSLATE_NOOP("ProgramPage", "转下一步"),       QT_TRANSLATE_NOOP("ProgramPage", "跳转-指定步骤"),
    QT_TRANSLATE_NOOP("ProgramPage", "等待跳转-过程"), QT_TRANSLATE_NOOP("ProgramPage", "等待跳转-结束"),
    QT_TRANSLATE_NOOP("ProgramPage", "判断跳转"),       QT_TRANSLATE_NOOP("ProgramPage", "结束")};
const char *const kNone = QT_TRANSLATE_NOOP("ProgramPage", "0-无");
const char *const kStepTarget = QT_TRANSLATE_NOOP("ProgramPage", "步骤%1");

const char *const kHeader[14] = {"步骤",          "工作模式",       "工作子模式",    "辅助输出",
                                 "启动速度\r\nRPM", "加速时间\r\nrps/s", "运行速度\r\nRPM", "脉冲数\r\nPLUSE",
                                 "减速时间\r\nrps/s", "跳转方式",       "转换信号",      "Y:跳转",
                                 "N:跳转",        ""};
const int kColumnWidths[14] = {40, 100, 90, 95, 60, 60, 60, 90, 60, 105, 90, 70, 70, 1};

QString translated(const char *text) { return ProgramPage::tr(text); }

void fillItems(QComboBox *combo, const char *const *texts, int count)
{
    combo->clear();
    for (int i = 0; i < count; ++i)
        combo->addItem(translated(texts[i]));
}

void retextItems(QComboBox *combo, const char *const *texts, int count)
{
    for (int i = 0; i < count && i < combo->count(); ++i)
        combo->setItemText(i, translated(texts[i]));
}

// "0-无", then n as four binary digits: the pattern lists of the signal and output columns.
void fillPatterns(QComboBox *combo, const char *kind)
{
    combo->addItem(translated(kNone));
    for (int n = 1; n <= 15; ++n)
        combo->addItem(QStringLiteral("%1-%2:%3").arg(n).arg(QLatin1String(kind)).arg(n, 4, 2, QLatin1Char('0')));
}

void fillTargets(QComboBox *combo)
{
    for (int n = 1; n <= ProgramPage::kSteps; ++n)
        combo->addItem(translated(kStepTarget).arg(n));
}

uint32_t comboValue(const QComboBox *combo)
{
    const int index = combo->currentIndex();
    return index >= 0 ? uint32_t(index) : combo->property(kUnlisted).toUInt();
}

void setComboValue(QComboBox *combo, uint32_t value)
{
    if (value < uint32_t(combo->count())) {
        combo->setCurrentIndex(int(value));
        return;
    }
    combo->setCurrentIndex(-1);
    combo->setProperty(kUnlisted, value);
}

// Step targets are step numbers: item i is step i + 1.
uint32_t targetValue(const QComboBox *combo)
{
    const int index = combo->currentIndex();
    return index >= 0 ? uint32_t(index + 1) : combo->property(kUnlisted).toUInt();
}

void setTargetValue(QComboBox *combo, uint32_t value)
{
    if (value >= 1 && value <= uint32_t(combo->count())) {
        combo->setCurrentIndex(int(value - 1));
        return;
    }
    combo->setCurrentIndex(-1);
    combo->setProperty(kUnlisted, value);
}

// A value outside the spin box's range is refused rather than cut to its limit:
// a clamped distance or speed would run a different program than the file holds.
void setSpinValue(QSpinBox *spin, uint32_t value)
{
    const auto v = int32_t(value);
    if (v >= spin->minimum() && v <= spin->maximum())
        spin->setValue(v);
    else
        qDebug() << "program value out of range:" << spin->objectName() << v;
}

} // namespace

ProgramPage::ProgramPage(QWidget *tab, PageJobState &jobs)
    : m_jobs(jobs)
    , m_formWidget(new QWidget(tab))
    , m_form(std::make_unique<Ui::ProgramPageForm>())
    , m_sequencer(jobs, *this)
{
    m_form->setupUi(m_formWidget);
    auto *layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_formWidget);

    connect(m_form->t5_g5_PushButton_1_start, &QPushButton::clicked, this, &ProgramPage::onStartClicked);
    connect(m_form->t5_g5_PushButton_2_stop, &QPushButton::clicked, this, &ProgramPage::onStopClicked);
    connect(m_form->T5_g2_comboBox_setps_num, QOverload<int>::of(&QComboBox::activated), this,
            &ProgramPage::onStepCountActivated);
}

ProgramPage::~ProgramPage() = default;

QTreeWidget *ProgramPage::table() const
{
    return m_form->t5_treeWidget;
}

// ---- buttons --------------------------------------------------------------------

void ProgramPage::onStartClicked()
{
    qDebug() << "on_t5_g5_PushButton_1_start_clicked:";
    m_jobs.requestPageJob(kPageNumber, kRunJob);
    setProgramPageDisabled(false, true);
    showProgramStatus(QStringLiteral("启动中"));
}

void ProgramPage::onStopClicked()
{
    qDebug() << "on_t5_g5_PushButton_2_stop_clicked:";
    stopProgram();
}

void ProgramPage::onStepCountActivated(int index)
{
    qDebug() << "on_T5_g2_comboBox_setps_num_activated:";
    showProgramSteps(index + 1);
}

void ProgramPage::stopProgram()
{
    m_jobs.requestPageJob(kPageNumber, kStopJob);
    setProgramPageDisabled(false, false);
    showProgramStatus(QStringLiteral("空闲"));
}

void ProgramPage::programDropped()
{
    // What the page shows must be what happens: the run is gone, so is the running state.
    if (!m_running)
        return;
    qDebug() << "program run dropped: another page took the job";
    setProgramPageDisabled(false, false);
    showProgramStatus(QStringLiteral("空闲"));
}

void ProgramPage::showProgramStatus(const QString &text)
{
    m_form->t5_g5_label_status->setText(text);
    m_statusSet = true;
}

void ProgramPage::setProgramPageDisabled(bool linkClosed, bool running)
{
    m_running = running;
    QWidget *always[] = {m_form->t5_g1_PushButton_1_read_param, m_form->t5_g1_PushButton_2_download_param,
                         m_form->t5_g3_comboBox_5_CTRG_CFG,     m_form->t5_g4_comboBox_1_DO_CFG,
                         m_form->t5_g4_comboBox_2_DO_CFG,       m_form->t5_g4_comboBox_3_DO_CFG,
                         m_form->t5_g4_comboBox_4_DO_CFG};
    for (QWidget *w : always)
        w->setDisabled(true);
    const bool locked = running || linkClosed;
    QWidget *editing[] = {m_form->T5_g2_comboBox_setps_num, m_form->t5_g3_comboBox_1_DI_CFG,
                          m_form->t5_g3_comboBox_2_DI_CFG,  m_form->t5_g3_comboBox_3_DI_CFG,
                          m_form->t5_g3_comboBox_4_DI_CFG,  m_form->t5_treeWidget};
    for (QWidget *w : editing)
        w->setDisabled(locked);
    m_form->t5_g5_PushButton_1_start->setDisabled(linkClosed);
    m_form->t5_g5_PushButton_2_stop->setDisabled(linkClosed);
}

void ProgramPage::runProgramSequencer(uint8_t node, int16_t jobCode)
{
    m_sequencer.runProgramSequencer(node, jobCode);
}

void ProgramPage::retranslate()
{
    const QString status = m_form->t5_g5_label_status->text();
    m_form->retranslateUi(m_formWidget);
    if (m_statusSet)
        m_form->t5_g5_label_status->setText(status);
    for (Row &r : m_rows) {
        if (r.item)
            retranslateRow(r);
    }
}

// ---- the table --------------------------------------------------------------------

void ProgramPage::buildProgramTable()
{
    m_form->T5_g2_comboBox_setps_num->setCurrentIndex(kSteps - 1);
    m_form->t5_g3_comboBox_1_DI_CFG->setCurrentIndex(1);
    m_form->t5_g3_comboBox_2_DI_CFG->setCurrentIndex(2);
    m_form->t5_g3_comboBox_3_DI_CFG->setCurrentIndex(3);
    m_form->t5_g3_comboBox_4_DI_CFG->setCurrentIndex(4);
    m_form->t5_g3_comboBox_5_CTRG_CFG->setCurrentIndex(5);
    m_form->t5_g4_comboBox_1_DO_CFG->setCurrentIndex(1);
    m_form->t5_g4_comboBox_2_DO_CFG->setCurrentIndex(2);
    m_form->t5_g4_comboBox_3_DO_CFG->setCurrentIndex(3);
    m_form->t5_g4_comboBox_4_DO_CFG->setCurrentIndex(4);

    QTreeWidget *tree = m_form->t5_treeWidget;
    tree->clear();
    for (Row &r : m_rows)
        r = Row();
    tree->setColumnCount(14);
    QStringList header;
    for (const char *text : kHeader)
        header << QString::fromUtf8(text);
    tree->setHeaderLabels(header);
    for (int c = 0; c < 14; ++c)
        tree->setColumnWidth(c, kColumnWidths[c]);
    for (int row = 1; row <= kSteps; ++row)
        refreshProgramRow(row, true, false);
}

void ProgramPage::refreshProgramRow(int row, bool create, bool modeChanged)
{
    if (row < 1 || row > kSteps)
        return;
    if (create)
        createRow(row);
    Row &r = m_rows[row - 1];
    if (!r.item)
        return;
    if (modeChanged)
        fillSubModes(r);
    applyRowRules(r);
}

void ProgramPage::createRow(int row)
{
    QTreeWidget *tree = m_form->t5_treeWidget;
    Row &r = m_rows[row - 1];
    r.item = new QTreeWidgetItem(tree, QStringList(QString::number(row)));
    const QString prefix = QStringLiteral("t5_treewidget_node_%1_").arg(row, 2, 10, QLatin1Char('0'));

    // The work-mode and jump-kind boxes carry the names their diagnostic lines use.
    auto combo = [&](int column, const char *name) {
        auto *c = new QComboBox;
        c->setObjectName(prefix + QLatin1String(name));
        tree->setItemWidget(r.item, column, c);
        return c;
    };
    auto spin = [&](int column, const char *name, int minimum, int maximum, int value) {
        auto *s = new QSpinBox;
        s->setObjectName(prefix + QLatin1String(name));
        s->setButtonSymbols(QAbstractSpinBox::NoButtons);
        s->setRange(minimum, maximum);
        s->setValue(value);
        tree->setItemWidget(r.item, column, s);
        return s;
    };

    // The default program goes back and forth with growing distance and speed.
    const int d = (row - 1) / 2 + 1;
    r.workMode = combo(1, "2_combobox_sel");
    fillItems(r.workMode, kModeTexts, 4);
    r.workMode->setCurrentIndex(1);
    r.subMode = combo(2, "sub_mode");
    fillSubModes(r);
    r.auxOutput = combo(3, "aux_output");
    fillPatterns(r.auxOutput, "DO");
    r.startSpeed = spin(4, "start_speed", 0, 65535, 50);
    r.acceleration = spin(5, "acceleration", 0, 65535, 100);
    r.runSpeed = spin(6, "run_speed", 0, 65535, 50 * d);
    r.pulses = spin(7, "pulses", -30000000, 30000000, (row % 2 ? 2000 : -2000) * d);
    r.deceleration = spin(8, "deceleration", 0, 65535, 100);
    r.jumpKind = combo(9, "9_combobox_sel");
    fillItems(r.jumpKind, kJumpKinds, 6);
    r.jumpKind->setCurrentIndex(row == kSteps ? 1 : 0);
    r.switchSignal = combo(10, "switch_signal");
    fillPatterns(r.switchSignal, "DI");
    r.yTarget = combo(11, "y_target");
    fillTargets(r.yTarget);
    r.yTarget->setCurrentIndex(row == kSteps ? 0 : 1);
    r.nTarget = combo(12, "n_target");
    fillTargets(r.nTarget);
    r.nTarget->setCurrentIndex(1);

    connect(r.workMode, QOverload<int>::of(&QComboBox::activated), this, [this, row, prefix]() {
        qDebug() << qPrintable(QStringLiteral("on_") + prefix + QStringLiteral("2_combobox_sel_activated:"));
        refreshProgramRow(row, false, true);
    });
    connect(r.jumpKind, QOverload<int>::of(&QComboBox::activated), this, [this, row, prefix]() {
        qDebug() << qPrintable(QStringLiteral("on_") + prefix + QStringLiteral("9_combobox_sel_activated:"));
        refreshProgramRow(row, false, false);
    });
}

int ProgramPage::workModeValue(const QComboBox *combo)
{
    const int index = combo->currentIndex();
    return index >= 0 && index < 4 ? kModeValues[index] : 0;
}

void ProgramPage::fillSubModes(Row &r)
{
    const int mode = workModeValue(r.workMode);
    if (mode == 1)
        fillItems(r.subMode, kPositionSubModes, 2);
    else if (mode == 6)
        fillItems(r.subMode, kHomingSubModes, 4);
    else
        fillItems(r.subMode, kNoSubMode, 1);
    r.subMode->setCurrentIndex(0);
}

void ProgramPage::retranslateRow(Row &r)
{
    retextItems(r.workMode, kModeTexts, 4);
    const int mode = workModeValue(r.workMode);
    if (mode == 1)
        retextItems(r.subMode, kPositionSubModes, 2);
    else if (mode == 6)
        retextItems(r.subMode, kHomingSubModes, 4);
    else
        retextItems(r.subMode, kNoSubMode, 1);
    r.auxOutput->setItemText(0, translated(kNone));
    r.switchSignal->setItemText(0, translated(kNone));
    retextItems(r.jumpKind, kJumpKinds, 6);
    for (int n = 1; n <= kSteps; ++n) {
        r.yTarget->setItemText(n - 1, translated(kStepTarget).arg(n));
        r.nTarget->setItemText(n - 1, translated(kStepTarget).arg(n));
    }
}

void ProgramPage::applyRowRules(Row &r)
{
    const int m = workModeValue(r.workMode);
    r.startSpeed->setEnabled(m != 0);
    r.acceleration->setEnabled(m != 0);
    r.runSpeed->setEnabled(m != 0);
    r.pulses->setEnabled(m != 0 && m != 3);
    r.deceleration->setEnabled(m == 1 || m == 3);
    r.auxOutput->setEnabled(false);

    // Kinds a mode cannot use stay in the list, greyed out.
    if (auto *model = qobject_cast<QStandardItemModel *>(r.jumpKind->model())) {
        for (int k = 0; k < 6 && k < model->rowCount(); ++k) {
            const bool offered = m == 0 ? k != 2 : m == 3 ? (k == 2 || k == 5) : true;
            model->item(k)->setEnabled(offered);
        }
    }
    const int j = r.jumpKind->currentIndex();
    if (m == 0 && j == 2)
        r.jumpKind->setCurrentIndex(0);
    else if (m == 3 && (j == 0 || j == 1 || j == 3 || j == 4))
        r.jumpKind->setCurrentIndex(2);

    const uint32_t kind = comboValue(r.jumpKind);
    r.switchSignal->setEnabled(kind == 2 || kind == 3 || kind == 4);
    r.yTarget->setEnabled(kind >= 1 && kind <= 4);
    r.nTarget->setEnabled(kind == 4);
}

void ProgramPage::showProgramSteps(int n)
{
    for (int row = 1; row <= kSteps; ++row) {
        if (m_rows[row - 1].item)
            m_rows[row - 1].item->setHidden(row > n);
    }
}

int ProgramPage::stepCount() const
{
    return m_form->T5_g2_comboBox_setps_num->currentIndex() + 1;
}

uint8_t ProgramPage::inputPattern(uint16_t inputs) const
{
    const int assignment[4] = {int(comboValue(m_form->t5_g3_comboBox_1_DI_CFG)),
                               int(comboValue(m_form->t5_g3_comboBox_2_DI_CFG)),
                               int(comboValue(m_form->t5_g3_comboBox_3_DI_CFG)),
                               int(comboValue(m_form->t5_g3_comboBox_4_DI_CFG))};
    return ::inputPattern(inputs, assignment);
}

bool ProgramPage::readStepRecord(int step, StepRecord &record) const
{
    if (step < 1 || step > kSteps || !m_rows[step - 1].item)
        return false;
    const Row &r = m_rows[step - 1];
    record.workMode = uint8_t(workModeValue(r.workMode));
    record.subMode = uint8_t(comboValue(r.subMode));
    record.auxOutput = uint16_t(comboValue(r.auxOutput));
    record.startSpeed = uint16_t(r.startSpeed->value());
    record.acceleration = r.acceleration->value();
    record.runSpeed = r.runSpeed->value();
    record.pulses = r.pulses->value();
    record.deceleration = r.deceleration->value();
    record.jumpKind = uint16_t(comboValue(r.jumpKind));
    record.switchSignal = uint16_t(comboValue(r.switchSignal));
    record.yTarget = uint16_t(targetValue(r.yTarget));
    record.nTarget = uint16_t(targetValue(r.nTarget));
    return true;
}

// ---- values by file key -------------------------------------------------------------

QComboBox *ProgramPage::programCombo(uint16_t index, uint8_t subIndex) const
{
    if (index == kInputKey) {
        QComboBox *inputs[5] = {m_form->t5_g3_comboBox_1_DI_CFG, m_form->t5_g3_comboBox_2_DI_CFG,
                                m_form->t5_g3_comboBox_3_DI_CFG, m_form->t5_g3_comboBox_4_DI_CFG,
                                m_form->t5_g3_comboBox_5_CTRG_CFG};
        return subIndex >= 1 && subIndex <= 5 ? inputs[subIndex - 1] : nullptr;
    }
    if (index == kOutputKey) {
        QComboBox *outputs[4] = {m_form->t5_g4_comboBox_1_DO_CFG, m_form->t5_g4_comboBox_2_DO_CFG,
                                 m_form->t5_g4_comboBox_3_DO_CFG, m_form->t5_g4_comboBox_4_DO_CFG};
        return subIndex >= 1 && subIndex <= 4 ? outputs[subIndex - 1] : nullptr;
    }
    return nullptr;
}

void ProgramPage::setProgramValue(uint16_t index, uint8_t subIndex, uint32_t value)
{
    if (index == kStepCountKey) {
        const uint32_t n = value & 0xFF;
        if (n > uint32_t(kSteps)) {
            qDebug() << "program step count out of range:" << n;
            return;
        }
        if (n != 0)
            m_form->T5_g2_comboBox_setps_num->setCurrentIndex(int(n - 1));
        showProgramSteps(int(n));
        return;
    }
    if (QComboBox *combo = programCombo(index, subIndex)) {
        setComboValue(combo, value & 0xFF);
        return;
    }
    if (index >= kFirstStepKey && index < kFirstStepKey + kSteps)
        setStepField(index - kFirstStepKey + 1, subIndex, value);
}

uint32_t ProgramPage::programValue(uint16_t index, uint8_t subIndex) const
{
    if (index == kStepCountKey)
        return uint32_t(stepCount());
    if (const QComboBox *combo = programCombo(index, subIndex))
        return comboValue(combo);
    if (index >= kFirstStepKey && index < kFirstStepKey + kSteps)
        return stepField(index - kFirstStepKey + 1, subIndex);
    return 0;
}

void ProgramPage::setStepField(int step, uint8_t field, uint32_t value)
{
    Row &r = m_rows[step - 1];
    if (!r.item || field < 1 || field > 12)
        return;
    switch (field) {
    case 1: {
        int item = 0;
        for (int i = 0; i < 4; ++i) {
            if (uint32_t(kModeValues[i]) == value)
                item = i;
        }
        r.workMode->setCurrentIndex(item);
        refreshProgramRow(step, false, true);
        return;
    }
    case 4: setSpinValue(r.startSpeed, value); break;
    case 5: setSpinValue(r.acceleration, value); break;
    case 6: setSpinValue(r.runSpeed, value); break;
    case 7: setSpinValue(r.pulses, value); break;
    case 8: setSpinValue(r.deceleration, value); break;
    default: {
        // An unlisted value is kept only while the step's field can hold it.
        const uint32_t limit = field == 2 ? 0xFF : 0xFFFF;
        if (value > limit) {
            qDebug() << "program value out of range: step" << step << "field" << field << value;
            return;
        }
        if (field == 11 || field == 12)
            setTargetValue(field == 11 ? r.yTarget : r.nTarget, value);
        else
            setComboValue(field == 2 ? r.subMode : field == 3 ? r.auxOutput : field == 9 ? r.jumpKind : r.switchSignal, value);
        break;
    }
    }
    refreshProgramRow(step, false, false);
}

uint32_t ProgramPage::stepField(int step, uint8_t field) const
{
    StepRecord s;
    if (!readStepRecord(step, s))
        return 0;
    switch (field) {
    case 1: return s.workMode;
    case 2: return s.subMode;
    case 3: return s.auxOutput;
    case 4: return s.startSpeed;
    case 5: return uint32_t(s.acceleration);
    case 6: return uint32_t(s.runSpeed);
    case 7: return uint32_t(s.pulses);
    case 8: return uint32_t(s.deceleration);
    case 9: return s.jumpKind;
    case 10: return s.switchSignal;
    case 11: return s.yTarget;
    case 12: return s.nTarget;
    default: return 0;
    }
}
