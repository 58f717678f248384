#include "sim/drivecontrol.h"

#include "sim/virtualdrive.h"

#include <cmath>

namespace sim {

namespace {
// Stands in for "no ramp" when an acceleration of 0 is configured.
constexpr double kInstant = 1e9;

constexpr uint16_t kPulsesPerRev[16] = {200,  400,  800,  1600, 3200, 6400,  12800, 25600,
                                        1000, 2000, 4000, 5000, 8000, 10000, 20000, 40000};
} // namespace

DriveControl::DriveControl(uint8_t node) : m_od(node), m_node(node) {}

double DriveControl::pulsesPerRev() const
{
    const uint32_t index = m_od.get(0x2006, 0);
    return index < 16 ? kPulsesPerRev[index] : 10000;
}

double DriveControl::rpmToPulsesPerMs(double rpm) const
{
    return rpm * pulsesPerRev() / 60000.0;
}

Ramp DriveControl::profileRamp(uint16_t speedIndex, uint8_t speedSub, uint16_t accelIndex,
                               uint16_t decelIndex) const
{
    const double perMs2 = pulsesPerRev() / 1e6;   // rps/s -> pulses/ms per ms
    Ramp r;
    r.maxSpeed = rpmToPulsesPerMs(m_od.get(speedIndex, speedSub));
    const uint32_t acc = m_od.get(accelIndex, 0);
    const uint32_t dec = m_od.get(decelIndex, 0);
    r.accel = acc ? acc * perMs2 : kInstant;
    r.decel = dec ? dec * perMs2 : kInstant;
    r.startSpeed = rpmToPulsesPerMs(m_od.get(0x200E, 0));
    return r;
}

bool DriveControl::has(uint16_t index, uint8_t subIndex) const
{
    return m_od.find(index, subIndex) != nullptr;
}

uint32_t DriveControl::read(uint16_t index, uint8_t subIndex, uint32_t &value, unsigned &bits)
{
    const ObjectEntry *e = m_od.find(index, subIndex);
    if (!e)
        return m_od.hasIndex(index) ? AbortNoSubindex : AbortNoObject;
    if (e->access == Access::WriteOnly)
        return AbortWriteOnly;
    value = this->value(index, subIndex);
    bits = e->bits;
    return 0;
}

uint32_t DriveControl::write(uint16_t index, uint8_t subIndex, uint32_t value)
{
    ObjectEntry *e = m_od.find(index, subIndex);
    if (!e)
        return m_od.hasIndex(index) ? AbortNoSubindex : AbortNoObject;
    if (e->access == Access::ReadOnly)
        return AbortReadOnly;
    const uint32_t previous = e->value;
    e->value = truncateToWidth(value, e->bits);
    // 0x200C = 0: every parameter write goes to the EEPROM copy as well.
    if (e->persistent && m_od.get(0x200C, 0) == 0)
        m_od.storeOne(index, subIndex);
    if (index == 0x6040)
        onControlword(uint16_t(previous));
    else
        applyWrite(index, subIndex, e->value);
    updateVelocityMode();
    return 0;
}

void DriveControl::applyWrite(uint16_t index, uint8_t subIndex, uint32_t value)
{
    (void)subIndex;
    switch (index) {
    case 0x6060:
        m_od.set(0x6061, 0, value);
        onModeChanged();
        break;
    case 0x200F:
        if (value == 1)
            enable();
        else if (value == 0)
            release();
        break;
    case 0x2010:
        if (value == 1)
            m_od.restoreFactory();
        else if (value == 2)
            m_od.storeParameters();
        break;
    case 0x2011:
        if (value == 1)
            clearFault();
        break;
    default:
        break;
    }
}

void DriveControl::onControlword(uint16_t previous)
{
    const uint16_t cw = uint16_t(m_od.get(0x6040, 0));
    if ((cw & 0x0080) && !(previous & 0x0080))
        clearFault();
    if (m_state == State::Fault)
        return;

    if (!(cw & 0x0002)) {
        leaveOperation();
        m_state = State::SwitchOnDisabled;
        return;
    }
    if (!(cw & 0x0004)) {           // quick stop: ramp down, then the drive is disabled
        stopMotion();
        m_state = State::SwitchOnDisabled;
        return;
    }
    if ((cw & 0x000F) != 0x000F) {
        leaveOperation();
        m_state = (cw & 0x0001) ? State::SwitchedOn : State::ReadyToSwitchOn;
        return;
    }

    // Enable operation straight from any state but Fault: the tool may skip the
    // 0x06/0x07 steps and still expects its moves to run.
    m_state = State::OperationEnabled;
    if (cw & 0x0100) {
        if (m_motion.kind() == MotionModel::Kind::Position)
            stopMotion();
        return;
    }
    const bool newSetpoint = (cw & 0x0010) && !(previous & 0x0010);
    if (!newSetpoint)
        return;
    if (mode() == 1)
        startMove((cw & 0x0040) != 0);
    else if (mode() == 6)
        startHoming();
}

void DriveControl::onModeChanged()
{
    if (m_homing || m_motion.kind() == MotionModel::Kind::Position)
        stopMotion();
}

void DriveControl::enable()
{
    if (m_state != State::Fault)
        m_state = State::OperationEnabled;
}

void DriveControl::release()
{
    leaveOperation();
    if (m_state != State::Fault)
        m_state = State::SwitchOnDisabled;
}

void DriveControl::clearFault()
{
    m_od.set(0x603F, 0, 0);
    if (m_state == State::Fault)
        m_state = State::SwitchOnDisabled;
}

void DriveControl::leaveOperation()
{
    // The motor is no longer driven: it stands still at once.
    m_motion.halt();
    m_homing = false;
}

void DriveControl::stopMotion()
{
    const uint16_t decelIndex = m_homing ? 0x609A : 0x6084;
    m_homing = false;
    m_motion.stop(profileRamp(0x6081, 0, decelIndex, decelIndex).decel);
}

void DriveControl::updateVelocityMode()
{
    const bool wanted = m_state == State::OperationEnabled && mode() == 3 && !halted();
    if (wanted) {
        const double v = rpmToPulsesPerMs(int32_t(m_od.get(0x60FF, 0)));
        m_motion.runAt(v, profileRamp(0x6081, 0, 0x6083, 0x6084));
    } else if (m_motion.kind() == MotionModel::Kind::Velocity) {
        m_motion.stop(profileRamp(0x6081, 0, 0x6083, 0x6084).decel);
    }
}

void DriveControl::startMove(bool relative)
{
    const double base = relative ? std::round(m_motion.position()) : 0.0;
    const double target = base + int32_t(m_od.get(0x607A, 0));
    m_homing = false;
    m_motion.moveTo(target, profileRamp(0x6081, 0, 0x6083, 0x6084));
}

void DriveControl::startHoming()
{
    // One approach at the fast homing speed to the switch; the method only
    // matters to a real machine's wiring.
    m_homing = true;
    m_homed = false;
    m_motion.moveTo(m_homeSwitch, profileRamp(0x6099, 1, 0x609A, 0x609A));
}

void DriveControl::onMotionEvent(MotionModel::Event event)
{
    if (event == MotionModel::Event::Arrived && m_homing) {
        m_homing = false;
        m_homed = true;
        // The switch position becomes the home offset: 0x6064 reads 0x607C there.
        m_homeSwitch = int32_t(m_od.get(0x607C, 0));
        m_motion.setPosition(m_homeSwitch);
    } else if (event == MotionModel::Event::Stopped) {
        m_homing = false;
    }
}

void DriveControl::advanceTo(uint32_t nowMs)
{
    if (!m_clockStarted) {
        m_clockStarted = true;
        m_lastMs = nowMs;
        return;
    }
    const int32_t elapsed = int32_t(nowMs - m_lastMs);
    if (elapsed <= 0)
        return;
    m_lastMs = nowMs;
    for (int32_t i = 0; i < elapsed && m_motion.kind() != MotionModel::Kind::Idle; ++i)
        onMotionEvent(m_motion.step());
}

uint16_t DriveControl::statusword() const
{
    uint16_t sw = 0x0200 | 0x0010;   // remote, voltage present
    switch (m_state) {
    case State::SwitchOnDisabled:
        sw |= 0x0040;
        break;
    case State::ReadyToSwitchOn:
        sw |= 0x0021;
        break;
    case State::SwitchedOn:
        sw |= 0x0023;
        break;
    case State::OperationEnabled:
        sw |= 0x0027;
        break;
    case State::Fault:
        sw |= 0x0008;
        break;
    }
    if (m_motion.settled())
        sw |= 0x0400;
    if (m_motion.running())
        sw |= 0x4000;
    if (m_homed)
        sw |= 0x8000;
    return sw;
}

int32_t DriveControl::position() const
{
    return int32_t(uint32_t(int64_t(std::llround(m_motion.position()))));
}

int32_t DriveControl::velocityRpm() const
{
    return int32_t(std::lround(m_motion.velocity() * 60000.0 / pulsesPerRev()));
}

uint32_t DriveControl::value(uint16_t index, uint8_t subIndex) const
{
    switch (objectKey(index, subIndex)) {
    case objectKey(0x2000, 0):
        return m_node;
    case objectKey(0x200F, 0):
        return m_state == State::OperationEnabled ? 1 : 0;
    case objectKey(0x6041, 0):
        return statusword();
    case objectKey(0x6064, 0):
        return uint32_t(position());
    case objectKey(0x606C, 0):
        return uint32_t(velocityRpm());
    case objectKey(0x60FD, 0):
        // The terminals sit in the upper half, the manufacturer's bits of CiA 402.
        return m_od.get(0x2003, 0) << 16;
    default:
        return m_od.get(index, subIndex);
    }
}

void DriveControl::setValue(uint16_t index, uint8_t subIndex, uint32_t value)
{
    switch (objectKey(index, subIndex)) {
    case objectKey(0x2000, 0):
        setNode(uint8_t(value));
        return;
    case objectKey(0x2003, 0):
        setInputs(uint16_t(value));
        return;
    case objectKey(0x2004, 0):
        setOutputs(uint16_t(value));
        return;
    case objectKey(0x603F, 0):
        setFaultCode(uint16_t(value));
        return;
    case objectKey(0x6064, 0):
        m_motion.setPosition(int32_t(value));
        return;
    case objectKey(0x6041, 0):
    case objectKey(0x6061, 0):
    case objectKey(0x606C, 0):
    case objectKey(0x60FD, 0):
        return;   // derived from the drive's state
    default:
        break;
    }
    const ObjectEntry *e = m_od.find(index, subIndex);
    if (!e)
        return;
    if (e->access == Access::ReadOnly)
        m_od.set(index, subIndex, value);
    else
        write(index, subIndex, value);
}

void DriveControl::setNode(uint8_t node)
{
    m_node = node;
    m_od.setEverywhere(0x2008, 0, node);
}

void DriveControl::setInputs(uint16_t bits)
{
    m_od.set(0x2003, 0, bits);
}

void DriveControl::setOutputs(uint16_t bits)
{
    m_od.set(0x2004, 0, bits);
}

void DriveControl::setFaultCode(uint16_t code)
{
    m_od.set(0x603F, 0, code);
    if (code != 0) {
        leaveOperation();
        m_state = State::Fault;
    } else if (m_state == State::Fault) {
        m_state = State::SwitchOnDisabled;
    }
}

void DriveControl::powerCycle()
{
    const uint32_t inputs = m_od.get(0x2003, 0);
    const uint32_t outputs = m_od.get(0x2004, 0);
    m_od.loadStored();
    m_od.resetLive();
    m_od.set(0x2003, 0, inputs);
    m_od.set(0x2004, 0, outputs);
    const uint32_t node = m_od.get(0x2008, 0);
    if (node >= 1 && node <= 127)
        m_node = uint8_t(node);
    m_motion.reset(0);
    m_state = State::OperationEnabled;
    m_homing = false;
    m_homed = false;
    m_homeSwitch = 0;
}

} // namespace sim
