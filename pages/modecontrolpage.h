#pragma once
// Page 2, "2-模式控制": run the drive by hand (enable, release, alarm clear,
// parameter store/restore, velocity mode, relative/absolute moves,
// back-and-forth and two-segment motion, homing) and read or download
// parameter group 1 and the homing parameters.

#include "pages/pagejobstate.h"

#include <QObject>
#include <cstdint>

class QSpinBox;
namespace Ui { class MainWindow; }

class ModeControlPage : public QObject {
    Q_OBJECT
public:
    ModeControlPage(Ui::MainWindow *ui, PageJobState &jobs);

    void connectButtons();
    void setModeControlPageDisabled(bool disabled);
    void setMotionButtonsDisabled(bool disabled);

    // Parameter group 1 by object: 0x200E, 0x6081, 0x6083, 0x6084, 0x607A, 0x60FF.
    int32_t paramGroup1Value(uint16_t index) const;
    void setParamGroup1Value(uint16_t index, uint32_t value);
    // Parameter group 2 by key 0x5201..0x5205.
    int32_t paramGroup2Value(uint16_t key) const;
    void setParamGroup2Value(uint16_t key, uint32_t value);
    // Homing items 1..5; item 1 is the method value (17, 18, 24, 29, 41, 42; 0 for "not configured").
    int32_t homingParamValue(int item) const;
    void setHomingParamValue(int item, uint32_t value);

    void runModeControlSequencer(uint8_t node, int16_t jobCode);

    int16_t motionOp() const { return m_motionOp; }
    uint8_t motionStep() const { return m_motionStep; }
    uint16_t targetPollCounter() const { return m_targetPollCounter; }

private:
    QSpinBox *group1Spin(uint16_t index) const;
    QSpinBox *group2Spin(uint16_t key) const;
    QSpinBox *homingSpin(int item) const;

    // One step of each kind of job; each places at most one request.
    void runSingleWrite(uint8_t node);
    void runStop(uint8_t node);
    void runVelocityMode(uint8_t node);
    void runRelativeMove(uint8_t node);
    void runAbsoluteMove(uint8_t node);
    void runBackAndForth(uint8_t node);
    void runTwoSegment(uint8_t node);
    void runHomingStart(uint8_t node);
    void runParameterJob(uint8_t node);
    // The wait for target reached; true once statusword bit 10 was seen.
    bool waitForTarget(uint8_t node);
    void done() { m_motionOp = 0; }

    Ui::MainWindow *ui;
    PageJobState &m_jobs;

    int16_t m_motionOp = -1;
    uint8_t m_motionStep = 0;
    bool m_motionLoop = false;
    bool m_motionStopRequest = false;
    uint16_t m_targetPollCounter = 0;
};
