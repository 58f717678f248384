#pragma once
// Runs the step program against the drive: one download or one read per
// eligible turn.  A step starts a position move, a velocity run or a homing
// run, then waits for target reached and/or for an input pattern, and its jump
// settings choose the step that follows.  The program lives in the tool, not
// in the drive, so the whole run is paced by this sequencer.

#include "pages/pagejobstate.h"

#include <QString>
#include <cstdint>

// One program step as the sequencer and the parameter files see it.
struct StepRecord {
    uint8_t workMode = 0;      // 0 none, 1 profile position, 3 profile velocity, 6 homing
    uint8_t subMode = 0;       // position: 0 relative, 1 absolute; homing: 0..3 for methods 17, 18, 24, 29
    uint16_t auxOutput = 0;
    uint16_t startSpeed = 0;   // rpm
    int32_t acceleration = 0;  // rps/s
    int32_t runSpeed = 0;      // rpm
    int32_t pulses = 0;
    int32_t deceleration = 0;  // rps/s
    uint16_t jumpKind = 0;     // 0 next, 1 Y, 2 wait during the move, 3 wait after it, 4 judge, 5 end
    uint16_t switchSignal = 0; // 0: no condition; else the pattern DI4 DI3 DI2 DI1
    uint16_t yTarget = 1;      // step numbers 1..16
    uint16_t nTarget = 1;
};

// The 4-bit pattern DI4..DI1 formed from the drive's inputs (object 0x2003):
// DIn is input bit k - 1 when DIn is assigned to terminal k (1..16), 0 when unassigned.
uint8_t inputPattern(uint16_t inputs, const int assignment[4]);

// What the sequencer needs from the page that shows the program.
class ProgramHost {
public:
    virtual ~ProgramHost() = default;
    virtual int stepCount() const = 0;
    virtual bool readStepRecord(int step, StepRecord &record) const = 0;
    virtual uint8_t inputPattern(uint16_t inputs) const = 0;
    virtual void showProgramStatus(const QString &text) = 0;
    // As the stop button: requests the stop job, back to editing, status idle.
    virtual void stopProgram() = 0;
    // Another page took the scheduler: back to editing without the stop job.
    virtual void programDropped() = 0;
};

class ProgramSequencer {
public:
    enum Job : int16_t { Idle = -1, Finished = 0, Run = 0x5001, Stop = 0x5002 };

    ProgramSequencer(PageJobState &jobs, ProgramHost &host);

    void runProgramSequencer(uint8_t node, int16_t jobCode);

    int16_t job() const { return m_job; }
    uint8_t phase() const { return m_phase; }
    uint16_t currentStep() const { return m_currentStep; }

private:
    void runStop(uint8_t node);
    void runProgram(uint8_t node);
    void startStep(const StepRecord &step);
    void positionMove(uint8_t node, const StepRecord &step);
    void velocityRun(uint8_t node, const StepRecord &step);
    void homingRun(uint8_t node, const StepRecord &step);
    void chooseJump(const StepRecord &step);
    void waitForMove(uint8_t node, const StepRecord &step);
    void checkInputs(uint8_t node, const StepRecord &step);
    void endProgram();

    PageJobState &m_jobs;
    ProgramHost &m_host;

    int16_t m_job = Idle;
    uint8_t m_phase = 0;
    uint8_t m_subStep = 0;
    // Wider than a step number needs: a target read from a damaged file must
    // end the program, not wrap round to a valid step.
    uint16_t m_currentStep = 1;
    uint16_t m_nextStep = 1;
};
