#pragma once
// The drive's application behind the SDO server: CiA 402 state machine, the
// reactions to the manufacturer command objects and the motion model.
//
// How it behaves, in short:
// - Powers up operation enabled (statusword 0x0637).  A controlword with the 0x0F
//   bits enables from any state but Fault, so moves run without 0x06/0x07 first.
// - Mode 1: a rising bit 4 starts a move, relative to the actual position when
//   bit 6 is set, else absolute to 0x607A.  Mode 3 follows 0x60FF while enabled
//   and not halted.  Mode 6: a rising bit 4 runs to the home switch at 0x6099:1;
//   there 0x6064 becomes 0x607C and bit 15 is set until the next homing start.
// - Bit 8 (halt) ramps down with 0x6084 and abandons the move; bit 10 is set once
//   the commanded motion is over (arrived, halted, released) or, in mode 3, once
//   the commanded speed is reached.  Bit 14: a move in progress or speed not 0.
// - Leaving operation enabled (0x200F = 0, controlword 0x00/0x06/0x07) or an alarm
//   stops the motor at once.  An alarm blocks motion until 0x2011 = 1 or a rising
//   controlword bit 7 clears it.
// - 0x2010 = 2 stores the parameters, 0x2010 = 1 restores the factory values into
//   both the working and the stored copy; 0x200C = 0 stores every parameter write.
//   The stored copy, node number 0x2008 included, is loaded at powerCycle().

#include "sim/motionmodel.h"
#include "sim/objectdictionary.h"

#include <cstdint>

namespace sim {

class DriveControl {
public:
    enum class State { SwitchOnDisabled, ReadyToSwitchOn, SwitchedOn, OperationEnabled, Fault };

    explicit DriveControl(uint8_t node);

    // SDO access: 0 on success, else the CiA 301 abort code.
    uint32_t read(uint16_t index, uint8_t subIndex, uint32_t &value, unsigned &bits);
    uint32_t write(uint16_t index, uint8_t subIndex, uint32_t value);

    // Runs the motion up to nowMs; the first call only sets the time base.
    void advanceTo(uint32_t nowMs);

    bool has(uint16_t index, uint8_t subIndex) const;
    uint32_t value(uint16_t index, uint8_t subIndex) const;
    void setValue(uint16_t index, uint8_t subIndex, uint32_t value);

    uint8_t node() const { return m_node; }
    void setNode(uint8_t node);
    void setInputs(uint16_t bits);
    void setOutputs(uint16_t bits);
    void setFaultCode(uint16_t code);
    void powerCycle();

    State state() const { return m_state; }
    uint16_t statusword() const;
    int32_t position() const;
    int32_t velocityRpm() const;
    double pulsesPerRev() const;

private:
    void applyWrite(uint16_t index, uint8_t subIndex, uint32_t value);
    void onControlword(uint16_t cw);
    void onModeChanged();
    void enable();
    void release();
    void clearFault();
    void leaveOperation();
    void updateVelocityMode();
    void startMove(bool relative);
    void startHoming();
    void stopMotion();
    void onMotionEvent(MotionModel::Event event);
    Ramp profileRamp(uint16_t speedIndex, uint8_t speedSub, uint16_t accelIndex,
                     uint16_t decelIndex) const;
    double rpmToPulsesPerMs(double rpm) const;
    int8_t mode() const { return int8_t(m_od.get(0x6060, 0)); }
    bool halted() const { return (m_od.get(0x6040, 0) & 0x0100) != 0; }

    ObjectDictionary m_od;
    MotionModel m_motion;
    uint8_t m_node;
    State m_state = State::OperationEnabled;
    bool m_homing = false;
    bool m_homed = false;
    double m_homeSwitch = 0;    // where the home switch sits, in present position units
    bool m_clockStarted = false;
    uint32_t m_lastMs = 0;
};

} // namespace sim
