#include "pages/modecontrolpage.h"

#include "app/messageboxes.h"
#include "protocol/sdoclient.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QPushButton>
#include <QSpinBox>

namespace {

enum Job : uint16_t {
    RelativeMove = 0x2001,
    AbsoluteMove = 0x2002,
    Stop = 0x2003,
    BackAndForth = 0x2010,
    BackAndForthStop = 0x2011,
    TwoSegmentOnce = 0x2030,
    TwoSegmentCycle = 0x2031,
    TwoSegmentStop = 0x2032,
    Enable = 0x2040,
    Release = 0x2041,
    ClearAlarm = 0x2042,
    FactoryReset = 0x2043,
    StoreParameters = 0x2044,
    VelocityMode = 0x2050,
    HomingStart = 0x2060,
    HomingStop = 0x2061,
    HomingRead = 0x2062,
    HomingDownload = 0x2063,
    Group1Read = 0x2070,
    Group1Download = 0x2071,
};

constexpr uint8_t kAnswerStep = 100;
constexpr uint16_t kPollEvery = 499;      // the wait reads the statusword once the counter passes this
constexpr uint16_t kPollNow = 1000;       // set by the final controlword write: read at once
constexpr uint16_t kCounterCeiling = 65279;
constexpr uint16_t kTargetReached = 0x0400;

const int kHomingMethods[6] = {17, 18, 24, 29, 41, 42};
constexpr int kNotConfiguredItem = 6;

struct ParamObject {
    uint16_t index;
    uint8_t subIndex;
    uint8_t width;  // bits written by the download job
};
const ParamObject kGroup1Objects[] = {{0x200E, 0, 16}, {0x6083, 0, 32}, {0x6081, 0, 32},
                                      {0x60FF, 0, 32}, {0x6084, 0, 32}, {0x607A, 0, 32}};
const ParamObject kHomingObjects[] = {{0x6098, 0, 8}, {0x6099, 1, 32}, {0x6099, 2, 32}, {0x609A, 0, 32}, {0x607C, 0, 32}};

void write8(uint8_t node, uint16_t index, uint8_t sub, int32_t v) { SdoClient::requestWrite8(node, index, sub, uint8_t(v)); }
void write16(uint8_t node, uint16_t index, int32_t v) { SdoClient::requestWrite16(node, index, 0, uint16_t(v)); }
void write32(uint8_t node, uint16_t index, uint8_t sub, int32_t v) { SdoClient::requestWrite32(node, index, sub, uint32_t(v)); }
void controlword(uint8_t node, uint16_t v) { SdoClient::requestWrite16(node, 0x6040, 0, v); }
void mode(uint8_t node, uint8_t v) { SdoClient::requestWrite8(node, 0x6060, 0, v); }

} // namespace

ModeControlPage::ModeControlPage(Ui::MainWindow *ui_, PageJobState &jobs)
    : ui(ui_)
    , m_jobs(jobs)
{
}

void ModeControlPage::connectButtons()
{
    struct Binding {
        QPushButton *button;
        uint16_t code;
        bool mark;
    };
    const Binding bindings[] = {
        {ui->t2_g6_btn_1_enable, Enable, false},
        {ui->t2_g6_btn_2_disable, Release, false},
        {ui->t2_g6_btn_3_clr_alarm, ClearAlarm, false},
        {ui->t2_g6_btn__21_reset_factory_set, FactoryReset, false},
        {ui->t2_g6_btn__22_save_power_down_param, StoreParameters, false},
        {ui->t2_g7_btn_1_trigger, VelocityMode, false},
        {ui->t2_g7_btn_2_stop, Stop, false},
        {ui->g_button_group1_1_relative_post, RelativeMove, false},
        {ui->g_button_group1_2_abs_post, AbsoluteMove, false},
        {ui->g_button_group1_4_stop, Stop, false},
        {ui->g_button_group2_1_Recip_motion_start, BackAndForth, false},
        {ui->g_button_group2_2_Recip_motion_stop, BackAndForthStop, false},
        {ui->t2_g4_btn_1_start_one, TwoSegmentOnce, false},
        {ui->t2_g4_btn_2_start_con, TwoSegmentCycle, false},
        {ui->t2_g4_btn_3_stop, TwoSegmentStop, false},
        {ui->t2_g8_btn_1_start, HomingStart, false},
        {ui->t2_g8_btn_2_stop, HomingStop, false},
        {ui->t2_g8_btn_3_read_param, HomingRead, true},
        {ui->t2_g8_btn_4_download_param, HomingDownload, true},
        {ui->t2_g0_btn_1_read_param, Group1Read, true},
        {ui->t2_g0_btn_2_download_param, Group1Download, true},
    };
    for (const Binding &b : bindings) {
        QPushButton *button = b.button;
        const uint16_t code = b.code;
        const bool mark = b.mark;
        connect(button, &QPushButton::clicked, this, [this, button, code, mark]() {
            qDebug().noquote() << button->objectName();
            m_jobs.requestPageJob(2, code);
            if (mark)
                m_jobs.markPageJobRequested();
        });
    }
}

void ModeControlPage::setModeControlPageDisabled(bool disabled)
{
    QWidget *widgets[] = {
        ui->t2_g10_spinBox_1_start_rpm, ui->t2_g10_spinBox_2_add_time, ui->t2_g10_spinBox_3a_mode1_run_rpm,
        ui->t2_g10_spinBox_3b_mode3_run_rpm, ui->t2_g10_spinBox_4_dec_time, ui->t2_g10_spinBox_5_pluse,
        ui->t2_g11_spinBox_1_start_rpm, ui->t2_g11_spinBox_2_add_time, ui->t2_g11_spinBox_3a_mode1_run_rpm,
        ui->t2_g11_spinBox_4_dec_time, ui->t2_g11_spinBox_5_pluse,
        ui->t2_g8_comboBox_1_to_zero_mode, ui->t2_g8_spinBox_1_to_zero_rpm, ui->t2_g8_spinBox_2_query_rpm,
        ui->t2_g8_spinBox_3_add_dec_time, ui->t2_g8_spinBox_4_compensate_pluse,
        ui->t2_g7_btn_1_trigger, ui->t2_g7_btn_2_stop,
        ui->g_button_group1_1_relative_post, ui->g_button_group1_2_abs_post, ui->g_button_group1_4_stop,
        ui->t2_g8_btn_1_start, ui->t2_g8_btn_2_stop,
    };
    for (QWidget *w : widgets)
        w->setDisabled(disabled);
    setMotionButtonsDisabled(disabled);
}

void ModeControlPage::setMotionButtonsDisabled(bool disabled)
{
    QWidget *buttons[] = {
        ui->g_button_group2_1_Recip_motion_start, ui->g_button_group2_2_Recip_motion_stop,
        ui->t2_g4_btn_1_start_one, ui->t2_g4_btn_2_start_con, ui->t2_g4_btn_3_stop,
        ui->t2_g6_btn_1_enable, ui->t2_g6_btn_2_disable, ui->t2_g6_btn_3_clr_alarm,
        ui->t2_g6_btn__21_reset_factory_set, ui->t2_g6_btn__22_save_power_down_param,
        ui->t2_g0_btn_1_read_param, ui->t2_g0_btn_2_download_param,
        ui->t2_g8_btn_3_read_param, ui->t2_g8_btn_4_download_param,
    };
    for (QWidget *w : buttons)
        w->setDisabled(disabled);
}

// ---- values by object ---------------------------------------------------------

QSpinBox *ModeControlPage::group1Spin(uint16_t index) const
{
    switch (index) {
    case 0x200E: return ui->t2_g10_spinBox_1_start_rpm;
    case 0x6083: return ui->t2_g10_spinBox_2_add_time;
    case 0x6081: return ui->t2_g10_spinBox_3a_mode1_run_rpm;
    case 0x60FF: return ui->t2_g10_spinBox_3b_mode3_run_rpm;
    case 0x6084: return ui->t2_g10_spinBox_4_dec_time;
    case 0x607A: return ui->t2_g10_spinBox_5_pluse;
    default: return nullptr;
    }
}

QSpinBox *ModeControlPage::group2Spin(uint16_t key) const
{
    switch (key) {
    case 0x5201: return ui->t2_g11_spinBox_1_start_rpm;
    case 0x5202: return ui->t2_g11_spinBox_2_add_time;
    case 0x5203: return ui->t2_g11_spinBox_3a_mode1_run_rpm;
    case 0x5204: return ui->t2_g11_spinBox_4_dec_time;
    case 0x5205: return ui->t2_g11_spinBox_5_pluse;
    default: return nullptr;
    }
}

QSpinBox *ModeControlPage::homingSpin(int item) const
{
    switch (item) {
    case 2: return ui->t2_g8_spinBox_1_to_zero_rpm;
    case 3: return ui->t2_g8_spinBox_2_query_rpm;
    case 4: return ui->t2_g8_spinBox_3_add_dec_time;
    case 5: return ui->t2_g8_spinBox_4_compensate_pluse;
    default: return nullptr;
    }
}

int32_t ModeControlPage::paramGroup1Value(uint16_t index) const
{
    const QSpinBox *spin = group1Spin(index);
    return spin ? spin->value() : 0;
}

void ModeControlPage::setParamGroup1Value(uint16_t index, uint32_t value)
{
    if (QSpinBox *spin = group1Spin(index))
        spin->setValue(int32_t(value));
}

int32_t ModeControlPage::paramGroup2Value(uint16_t key) const
{
    const QSpinBox *spin = group2Spin(key);
    return spin ? spin->value() : 0;
}

void ModeControlPage::setParamGroup2Value(uint16_t key, uint32_t value)
{
    if (QSpinBox *spin = group2Spin(key))
        spin->setValue(int32_t(value));
}

int32_t ModeControlPage::homingParamValue(int item) const
{
    if (item == 1) {
        const int i = ui->t2_g8_comboBox_1_to_zero_mode->currentIndex();
        return (i >= 0 && i < kNotConfiguredItem) ? kHomingMethods[i] : 0;
    }
    const QSpinBox *spin = homingSpin(item);
    return spin ? spin->value() : 0;
}

void ModeControlPage::setHomingParamValue(int item, uint32_t value)
{
    if (item == 1) {
        int index = kNotConfiguredItem;
        for (int i = 0; i < kNotConfiguredItem; ++i) {
            if (uint32_t(kHomingMethods[i]) == value)
                index = i;
        }
        ui->t2_g8_comboBox_1_to_zero_mode->setCurrentIndex(index);
        return;
    }
    if (QSpinBox *spin = homingSpin(item))
        spin->setValue(int32_t(value));
}

// ---- sequencer ----------------------------------------------------------------

void ModeControlPage::runModeControlSequencer(uint8_t node, int16_t jobCode)
{
    if (jobCode == -1) {
        m_motionOp = -1;
        m_motionStep = 0;
        m_motionLoop = false;
        m_motionStopRequest = false;
    } else if (jobCode == BackAndForthStop || jobCode == TwoSegmentStop) {
        // A stop only asks the running motion to finish its cycle.
        m_jobs.pageJobBusy = 1;
        m_motionStopRequest = true;
    } else if (jobCode != 0) {
        m_jobs.pageJobBusy = 1;
        m_motionOp = jobCode;
        m_motionStep = 0;
        m_motionStopRequest = false;
        m_motionLoop = jobCode == TwoSegmentCycle;
    }
    // Counted on every run, eligible or not, whoever owns the scheduler.
    if (m_targetPollCounter <= kCounterCeiling)
        m_targetPollCounter = uint16_t(m_targetPollCounter + 5);

    if (!turnIsEligible())
        return;

    switch (uint16_t(m_motionOp)) {
    case 0:
        m_jobs.pageJobBusy = 0;
        m_motionOp = -1;
        return;
    case Enable:
    case Release:
    case ClearAlarm:
    case FactoryReset:
    case StoreParameters:
    case HomingStop:
        runSingleWrite(node);
        return;
    case Stop: runStop(node); return;
    case VelocityMode: runVelocityMode(node); return;
    case RelativeMove: runRelativeMove(node); return;
    case AbsoluteMove: runAbsoluteMove(node); return;
    case BackAndForth: runBackAndForth(node); return;
    case TwoSegmentOnce:
    case TwoSegmentCycle: runTwoSegment(node); return;
    case HomingStart: runHomingStart(node); return;
    case HomingRead:
    case HomingDownload:
    case Group1Read:
    case Group1Download: runParameterJob(node); return;
    default:
        // Idle (or an unknown code) counts as finished, so a stop pressed while
        // nothing runs releases the busy flag on the next eligible turn.  While
        // another page owns the scheduler this page is handed -1 on every run
        // and never gets that far.
        done();
        return;
    }
}

void ModeControlPage::runSingleWrite(uint8_t node)
{
    switch (uint16_t(m_motionOp)) {
    case Enable: write16(node, 0x200F, 1); break;
    case Release: write16(node, 0x200F, 0); break;
    case ClearAlarm: write16(node, 0x2011, 1); break;
    case FactoryReset: write16(node, 0x2010, 1); break;
    case StoreParameters: write16(node, 0x2010, 2); break;
    case HomingStop:
        // The halt goes out on one turn, the job ends on the next.
        if (m_motionStep == 0) {
            controlword(node, 0x010F);
            m_motionStep = 1;
            return;
        }
        break;
    }
    done();
}

void ModeControlPage::runStop(uint8_t node)
{
    switch (m_motionStep++) {
    case 0: controlword(node, 0x010F); break;
    case 1: mode(node, 1); break;
    default: done(); break;
    }
}

void ModeControlPage::runVelocityMode(uint8_t node)
{
    switch (m_motionStep++) {
    case 0: controlword(node, 0x0000); break;
    case 1: write16(node, 0x200E, paramGroup1Value(0x200E)); break;
    case 2: write32(node, 0x60FF, 0, paramGroup1Value(0x60FF)); break;
    case 3: write32(node, 0x6083, 0, paramGroup1Value(0x6083)); break;
    case 4: write32(node, 0x6084, 0, paramGroup1Value(0x6084)); break;
    case 5: mode(node, 3); break;
    case 6: controlword(node, 0x0006); break;
    case 7: controlword(node, 0x0007); break;
    case 8: controlword(node, 0x000F); break;
    default: done(); break;
    }
}

void ModeControlPage::runRelativeMove(uint8_t node)
{
    switch (m_motionStep++) {
    case 0: break;
    case 1: write16(node, 0x200E, paramGroup1Value(0x200E)); break;
    case 2: write32(node, 0x6081, 0, paramGroup1Value(0x6081)); break;
    case 3: write32(node, 0x6083, 0, paramGroup1Value(0x6083)); break;
    case 4: write32(node, 0x607A, 0, paramGroup1Value(0x607A)); break;
    case 5: write32(node, 0x6084, 0, paramGroup1Value(0x6084)); break;
    case 6: mode(node, 1); break;
    case 7: controlword(node, 0x004F); break;
    case 8: controlword(node, 0x005F); break;
    default: done(); break;
    }
}

void ModeControlPage::runAbsoluteMove(uint8_t node)
{
    switch (m_motionStep++) {
    case 0: write16(node, 0x200E, paramGroup1Value(0x200E)); break;
    case 1: write32(node, 0x6083, 0, paramGroup1Value(0x6083)); break;
    case 2: write32(node, 0x6081, 0, paramGroup1Value(0x6081)); break;
    case 3: write32(node, 0x6084, 0, paramGroup1Value(0x6084)); break;
    case 4: write32(node, 0x607A, 0, paramGroup1Value(0x607A)); break;
    case 5: break;
    case 6: mode(node, 1); break;
    case 7: controlword(node, 0x000F); break;
    case 8: controlword(node, 0x001F); break;
    default: done(); break;
    }
}

bool ModeControlPage::waitForTarget(uint8_t node)
{
    if (m_targetPollCounter > kPollEvery) {
        m_targetPollCounter = 0;
        SdoClient::requestRead(node, 0x6041, 0);
        return false;
    }
    if (SdoClient::resultStatus() == 0)
        return false;
    SdoClient::clearResultStatus();
    return SdoClient::resultIndex() == 0x6041 && SdoClient::resultSubIndex() == 0
        && (SdoClient::resultValue16() & kTargetReached);
}

void ModeControlPage::runBackAndForth(uint8_t node)
{
    const int32_t p = paramGroup1Value(0x607A);
    const uint8_t step = m_motionStep;
    switch (step) {
    case 0: write16(node, 0x2012, 1); break;
    case 1: write16(node, 0x200E, paramGroup1Value(0x200E)); break;
    case 2: write32(node, 0x6081, 0, paramGroup1Value(0x6081)); break;
    case 3: write32(node, 0x6083, 0, paramGroup1Value(0x6083)); break;
    case 4: write32(node, 0x6084, 0, paramGroup1Value(0x6084)); break;
    case 5: mode(node, 1); break;
    case 6: write32(node, 0x607A, 0, p); break;
    case 7: controlword(node, 0x004F); break;
    case 8: controlword(node, 0x005F); m_targetPollCounter = kPollNow; break;
    case 9:
    case 14:
        if (!waitForTarget(node))
            return;
        break;
    case 10: mode(node, 1); break;
    case 11: write32(node, 0x607A, 0, -p); break;
    case 12: controlword(node, 0x004F); break;
    case 13: controlword(node, 0x005F); m_targetPollCounter = kPollNow; break;
    default:
        if (m_motionStopRequest)
            done();
        else
            m_motionStep = 5;  // the next cycle starts on the next eligible turn
        return;
    }
    m_motionStep = uint8_t(step + 1);
}

void ModeControlPage::runTwoSegment(uint8_t node)
{
    const uint8_t step = m_motionStep;
    if (step == 9 || step == 19) {
        if (waitForTarget(node))
            m_motionStep = uint8_t(step + 1);
        return;
    }
    if (step >= 20) {
        if (m_motionStopRequest || !m_motionLoop)
            done();
        else
            m_motionStep = 0;
        return;
    }
    // Segment 1 from parameter group 1, segment 2 from parameter group 2.
    const bool second = step >= 10;
    switch (step % 10) {
    case 0: write16(node, 0x2012, 1); break;
    case 1: write16(node, 0x200E, second ? paramGroup2Value(0x5201) : paramGroup1Value(0x200E)); break;
    case 2: write32(node, 0x6081, 0, second ? paramGroup2Value(0x5203) : paramGroup1Value(0x6081)); break;
    case 3: write32(node, 0x6083, 0, second ? paramGroup2Value(0x5202) : paramGroup1Value(0x6083)); break;
    case 4: write32(node, 0x6084, 0, second ? paramGroup2Value(0x5204) : paramGroup1Value(0x6084)); break;
    case 5: mode(node, 1); break;
    case 6: write32(node, 0x607A, 0, second ? paramGroup2Value(0x5205) : paramGroup1Value(0x607A)); break;
    case 7: controlword(node, 0x004F); break;
    case 8: controlword(node, 0x005F); m_targetPollCounter = kPollNow; break;
    }
    m_motionStep = uint8_t(step + 1);
}

void ModeControlPage::runHomingStart(uint8_t node)
{
    switch (m_motionStep++) {
    case 0: mode(node, 6); break;
    case 1: write8(node, 0x6098, 0, homingParamValue(1)); break;
    case 2: write32(node, 0x607C, 0, homingParamValue(5)); break;
    case 3: write32(node, 0x609A, 0, homingParamValue(4)); break;
    case 4: write32(node, 0x6099, 2, homingParamValue(3)); break;
    case 5: write32(node, 0x6099, 1, homingParamValue(2)); break;
    case 6: controlword(node, 0x0006); break;
    case 7: controlword(node, 0x0007); break;
    case 8: controlword(node, 0x000F); break;
    case 9: controlword(node, 0x001F); break;
    default: done(); break;
    }
}

void ModeControlPage::runParameterJob(uint8_t node)
{
    const auto job = uint16_t(m_motionOp);
    const bool homing = job == HomingRead || job == HomingDownload;
    const bool read = job == HomingRead || job == Group1Read;
    const ParamObject *objects = homing ? kHomingObjects : kGroup1Objects;
    const uint8_t count = homing ? 5 : 6;

    if (m_motionStep < kAnswerStep) {
        const uint8_t k = m_motionStep;
        if (k >= count) {
            done();
            return;
        }
        const ParamObject &o = objects[k];
        if (read) {
            SdoClient::requestRead(node, o.index, o.subIndex);
        } else {
            const int32_t v = homing ? homingParamValue(k + 1) : paramGroup1Value(o.index);
            if (o.width == 8)
                write8(node, o.index, o.subIndex, v);
            else if (o.width == 16)
                write16(node, o.index, v);
            else
                write32(node, o.index, o.subIndex, v);
        }
        m_motionStep = uint8_t(k + kAnswerStep);
        return;
    }

    const uint8_t k = uint8_t(m_motionStep - kAnswerStep);
    if (SdoClient::resultStatus() == 0) {
        m_jobs.pageJobResult = PageJobState::Failed;
        done();
        const char *text = job == Group1Read       ? "参数组1-读错误"
                           : job == Group1Download ? "参数组1-写错误"
                           : job == HomingRead     ? "回原点模式-读错误"
                                                   : "回原点模式-写错误";
        PageJobState *jobs = &m_jobs;
        MessageBoxes::post(MessageBoxes::Kind::Information, QStringLiteral("错误提示"), QString::fromUtf8(text),
                           [jobs]() { jobs->clearPageJobMarks(); });
        return;
    }
    SdoClient::clearResultStatus();
    if (read) {
        const uint16_t index = SdoClient::resultIndex();
        const uint8_t sub = SdoClient::resultSubIndex();
        if (homing) {
            if (index == 0x6098 && sub == 0)
                setHomingParamValue(1, SdoClient::resultValue8());
            else if (index == 0x6099 && sub == 1)
                setHomingParamValue(2, SdoClient::resultValue32());
            else if (index == 0x6099 && sub == 2)
                setHomingParamValue(3, SdoClient::resultValue32());
            else if (index == 0x609A && sub == 0)
                setHomingParamValue(4, SdoClient::resultValue32());
            else if (index == 0x607C && sub == 0)
                setHomingParamValue(5, SdoClient::resultValue32());
        } else if (index == 0x200E) {
            setParamGroup1Value(index, SdoClient::resultValue16());
        } else if (group1Spin(index)) {
            setParamGroup1Value(index, SdoClient::resultValue32());
        }
    }
    m_motionStep = uint8_t(k + 1);
    if (m_motionStep >= count) {
        const uint8_t code = job == Group1Read ? 4 : job == Group1Download ? 104 : job == HomingRead ? 5 : 105;
        m_jobs.completePageJob(code);
        done();
    }
}
