#pragma once
// Kinematics of one axis, integrated in steps of one millisecond.
// Units are the drive's own: pulses and pulses per millisecond, so a step is a
// few additions and no conversion.

#include <cstdint>

namespace sim {

struct Ramp {
    double maxSpeed = 0;     // pulses/ms
    double accel = 0;        // pulses/ms per ms
    double decel = 0;        // pulses/ms per ms
    double startSpeed = 0;   // pulses/ms a stepper may jump to from standstill (and stop from)
};

class MotionModel {
public:
    enum class Kind { Idle, Position, Velocity, Stopping };
    enum class Event { None, Arrived, Stopped };

    void moveTo(double target, const Ramp &ramp);
    void runAt(double velocity, const Ramp &ramp);  // keeps following the given velocity
    void stop(double decel);                        // ramp down to standstill
    void halt();                                    // standstill at once (motor released)
    void reset(double position);

    Event step();

    Kind kind() const { return m_kind; }
    double position() const { return m_position; }
    double velocity() const { return m_velocity; }
    double target() const { return m_target; }
    void setPosition(double position) { m_position = position; }
    // The commanded motion is complete: arrived, stopped, or running at the commanded velocity.
    bool settled() const;
    bool running() const;

private:
    Event stepPosition();
    void stepVelocity();
    Event stepStopping();

    Kind m_kind = Kind::Idle;
    Ramp m_ramp;
    double m_position = 0;
    double m_velocity = 0;
    double m_target = 0;     // position for Position, velocity for Velocity
};

} // namespace sim
