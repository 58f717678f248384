#include "pages/programsequencer.h"

#include "protocol/sdoclient.h"

#include <QDebug>

namespace {

enum Phase : uint8_t {
    StepStart = 0,
    PositionMove = 11,
    VelocityRun = 13,
    HomingRun = 16,
    ChooseJump = 21,
    WaitThenNext = 22,      // target reached, then the chosen step
    WaitForSignal = 23,     // the switch signal, while the move runs
    WaitThenSignal = 24,    // target reached, then phase 34
    WaitThenJudge = 25,     // target reached, then phase 35
    WaitThenEnd = 26,       // target reached, then the end
    SignalAfterMove = 34,
    JudgeInputs = 35,
    GoOn = 200,
    End = 255,
};

constexpr uint16_t kTargetReached = 0x0400;

void controlword(uint8_t node, uint16_t v) { SdoClient::requestWrite16(node, 0x6040, 0, v); }
void mode(uint8_t node, uint8_t v) { SdoClient::requestWrite8(node, 0x6060, 0, v); }
void write16(uint8_t node, uint16_t index, uint16_t v) { SdoClient::requestWrite16(node, index, 0, v); }
void write32(uint8_t node, uint16_t index, uint8_t sub, int32_t v) { SdoClient::requestWrite32(node, index, sub, uint32_t(v)); }

uint8_t homingMethod(uint8_t subMode)
{
    static const uint8_t methods[4] = {17, 18, 24, 29};
    // A sub mode the list does not hold selects no method, as on the motion page.
    return subMode < 4 ? methods[subMode] : 0;
}

} // namespace

uint8_t inputPattern(uint16_t inputs, const int assignment[4])
{
    uint8_t pattern = 0;
    for (int i = 0; i < 4; ++i) {
        const int k = assignment[i];
        if (k >= 1 && k <= 16 && (inputs >> (k - 1)) & 1u)
            pattern = uint8_t(pattern | (1u << i));
    }
    return pattern;
}

ProgramSequencer::ProgramSequencer(PageJobState &jobs, ProgramHost &host)
    : m_jobs(jobs)
    , m_host(host)
{
}

void ProgramSequencer::runProgramSequencer(uint8_t node, int16_t jobCode)
{
    if (jobCode != 0) {
        if (jobCode != -1)
            m_jobs.pageJobBusy = 1;
        m_job = jobCode;
        m_phase = StepStart;
        m_subStep = 0;
        m_currentStep = 1;
        if (jobCode == -1)
            m_host.programDropped();
    }
    if (!turnIsEligible())
        return;

    switch (m_job) {
    case Idle:
        return;
    case Stop:
        runStop(node);
        return;
    case Finished:
        m_jobs.pageJobBusy = 0;
        m_job = Idle;
        return;
    case Run:
        runProgram(node);
        return;
    default:
        // No other code belongs to this page; finishing releases the busy flag.
        m_job = Finished;
        return;
    }
}

void ProgramSequencer::runStop(uint8_t node)
{
    switch (m_subStep) {
    case 0:
        m_subStep = 1;
        controlword(node, 0x010F);
        return;
    case 1:
        m_subStep = 2;
        mode(node, 1);
        return;
    default:
        m_job = Finished;
        return;
    }
}

void ProgramSequencer::endProgram()
{
    m_phase = End;
    m_subStep = 0;
    m_job = Stop;
    m_host.stopProgram();
}

void ProgramSequencer::runProgram(uint8_t node)
{
    StepRecord step;
    if (m_currentStep == 0 || int(m_currentStep) > m_host.stepCount() || !m_host.readStepRecord(m_currentStep, step)) {
        endProgram();
        return;
    }

    switch (m_phase) {
    case StepStart: startStep(step); return;
    case PositionMove: positionMove(node, step); return;
    case VelocityRun: velocityRun(node, step); return;
    case HomingRun: homingRun(node, step); return;
    case ChooseJump: chooseJump(step); return;
    case WaitThenNext:
    case WaitThenSignal:
    case WaitThenJudge:
    case WaitThenEnd: waitForMove(node, step); return;
    case WaitForSignal:
    case SignalAfterMove:
    case JudgeInputs: checkInputs(node, step); return;
    case GoOn:
        m_currentStep = m_nextStep;
        m_phase = StepStart;
        return;
    default:
        endProgram();
        return;
    }
}

void ProgramSequencer::startStep(const StepRecord &step)
{
    m_subStep = 0;
    qDebug() << "curr_pr_stesps_cnt:" << m_currentStep;
    m_host.showProgramStatus(QStringLiteral("执行步骤：") + QString::number(m_currentStep));
    const bool waitsDuringMove = step.jumpKind == 2;
    switch (step.workMode) {
    case 0:
        m_phase = ChooseJump;
        break;
    case 1:
    case 6:
        // Waiting for a signal that is "no condition" while the move runs: no move.
        if (waitsDuringMove && step.switchSignal == 0)
            m_phase = ChooseJump;
        else
            m_phase = step.workMode == 1 ? PositionMove : HomingRun;
        break;
    case 3:
        // A velocity run never reaches a target; only a signal can end it.
        m_phase = (waitsDuringMove && step.switchSignal != 0) ? VelocityRun : ChooseJump;
        break;
    default:
        m_phase = End;
        break;
    }
}

void ProgramSequencer::positionMove(uint8_t node, const StepRecord &step)
{
    const bool relative = step.subMode == 0;
    switch (m_subStep) {
    case 0: controlword(node, 0x010F); break;
    case 1: break;
    case 2: mode(node, 1); break;
    case 3: write16(node, 0x200E, step.startSpeed); break;
    case 4: write32(node, 0x6083, 0, step.acceleration); break;
    case 5: write32(node, 0x6081, 0, step.runSpeed); break;
    case 6: write32(node, 0x6084, 0, step.deceleration); break;
    case 7: write32(node, 0x607A, 0, step.pulses); break;
    case 8: controlword(node, relative ? 0x004F : 0x000F); break;
    case 9: controlword(node, relative ? 0x005F : 0x001F); break;
    default: m_phase = ChooseJump; return;
    }
    ++m_subStep;
}

void ProgramSequencer::velocityRun(uint8_t node, const StepRecord &step)
{
    switch (m_subStep) {
    case 0: controlword(node, 0x010F); break;
    case 1: controlword(node, 0x0000); break;
    case 2: mode(node, 3); break;
    case 3: write16(node, 0x200E, step.startSpeed); break;
    case 4: write32(node, 0x6083, 0, step.acceleration); break;
    case 5: write32(node, 0x60FF, 0, step.runSpeed); break;
    case 6: write32(node, 0x6084, 0, step.deceleration); break;
    case 7: controlword(node, 0x0006); break;
    case 8: controlword(node, 0x0007); break;
    case 9: controlword(node, 0x000F); break;
    default: m_phase = ChooseJump; return;
    }
    ++m_subStep;
}

void ProgramSequencer::homingRun(uint8_t node, const StepRecord &step)
{
    switch (m_subStep) {
    case 0: controlword(node, 0x010F); break;
    case 1: mode(node, 6); break;
    case 2: SdoClient::requestWrite8(node, 0x6098, 0, homingMethod(step.subMode)); break;
    case 3: write32(node, 0x607C, 0, step.pulses); break;
    case 4: write32(node, 0x609A, 0, step.acceleration); break;
    case 5: write32(node, 0x6099, 2, 60); break;
    case 6: write32(node, 0x6099, 1, step.runSpeed); break;
    case 7: controlword(node, 0x0006); break;
    case 8: controlword(node, 0x0007); break;
    case 9: controlword(node, 0x000F); break;
    case 10: controlword(node, 0x001F); break;
    default: m_phase = ChooseJump; return;
    }
    ++m_subStep;
}

void ProgramSequencer::chooseJump(const StepRecord &step)
{
    m_subStep = 0;
    qDebug() << "G5_pr_set.n9_combobox_JMP_SEL:" << step.jumpKind;
    const bool signal = step.switchSignal != 0;
    if (step.workMode == 3) {
        // Nothing to wait for after a velocity run: go on at once.
        switch (step.jumpKind) {
        case 0: m_nextStep = uint16_t(m_currentStep + 1); m_phase = GoOn; break;
        case 2: m_nextStep = step.yTarget; m_phase = signal ? WaitForSignal : GoOn; break;
        case 1:
        case 3:
        case 4: m_nextStep = step.yTarget; m_phase = GoOn; break;
        default: m_phase = End; break;
        }
        return;
    }
    switch (step.jumpKind) {
    case 0: m_nextStep = uint16_t(m_currentStep + 1); m_phase = WaitThenNext; break;
    case 1: m_nextStep = step.yTarget; m_phase = WaitThenNext; break;
    case 2: m_nextStep = step.yTarget; m_phase = signal ? WaitForSignal : GoOn; break;
    case 3: m_nextStep = step.yTarget; m_phase = WaitThenSignal; break;
    case 4: m_phase = WaitThenJudge; break;
    case 5: m_phase = WaitThenEnd; break;
    default: m_phase = End; break;
    }
}

void ProgramSequencer::waitForMove(uint8_t node, const StepRecord &step)
{
    if (m_subStep == 0) {
        SdoClient::requestRead(node, 0x6041, 0);
        m_subStep = 1;
        return;
    }
    m_subStep = 0;
    if (SdoClient::resultStatus() == 0)
        return;  // read again on the next turn
    SdoClient::clearResultStatus();
    if (SdoClient::resultIndex() != 0x6041 || SdoClient::resultSubIndex() != 0)
        return;
    // A step without motion has nothing to reach.
    const bool moving = step.workMode == 1 || step.workMode == 6;
    const bool over = step.workMode == 0 || (moving && (SdoClient::resultValue16() & kTargetReached));
    if (!over)
        return;
    switch (m_phase) {
    case WaitThenNext: m_phase = GoOn; break;
    case WaitThenSignal: m_phase = SignalAfterMove; break;
    case WaitThenJudge: m_phase = JudgeInputs; break;
    default: m_phase = End; break;
    }
}

void ProgramSequencer::checkInputs(uint8_t node, const StepRecord &step)
{
    if (m_subStep == 0) {
        SdoClient::requestRead(node, 0x2003, 0);
        m_subStep = 1;
        return;
    }
    m_subStep = 0;
    bool satisfied = false;
    if (SdoClient::resultStatus() != 0) {
        SdoClient::clearResultStatus();
        satisfied = SdoClient::resultIndex() == 0x2003
            && (step.switchSignal == 0 || step.switchSignal == m_host.inputPattern(SdoClient::resultValue16()));
    }
    if (satisfied) {
        if (m_phase == JudgeInputs)
            m_nextStep = step.yTarget;
        m_phase = GoOn;
    } else if (m_phase == JudgeInputs) {
        // Judged once: inputs that cannot be read count as "not satisfied".
        m_nextStep = step.nTarget;
        m_phase = GoOn;
    }
}
