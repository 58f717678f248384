#include "sim/motionmodel.h"

#include <algorithm>
#include <cmath>

namespace sim {

void MotionModel::moveTo(double target, const Ramp &ramp)
{
    m_kind = Kind::Position;
    m_ramp = ramp;
    m_target = target;
}

void MotionModel::runAt(double velocity, const Ramp &ramp)
{
    m_kind = Kind::Velocity;
    m_ramp = ramp;
    m_target = velocity;
}

void MotionModel::stop(double decel)
{
    if (m_velocity == 0) {
        m_kind = Kind::Idle;
        return;
    }
    m_kind = Kind::Stopping;
    m_ramp.decel = decel;
}

void MotionModel::halt()
{
    m_kind = Kind::Idle;
    m_velocity = 0;
}

void MotionModel::reset(double position)
{
    halt();
    m_position = position;
    m_target = 0;
}

bool MotionModel::settled() const
{
    switch (m_kind) {
    case Kind::Idle:
        return true;
    case Kind::Velocity:
        return m_velocity == m_target;
    default:
        return false;
    }
}

bool MotionModel::running() const
{
    return m_velocity != 0 || m_kind == Kind::Position || m_kind == Kind::Stopping;
}

MotionModel::Event MotionModel::step()
{
    switch (m_kind) {
    case Kind::Position:
        return stepPosition();
    case Kind::Velocity:
        stepVelocity();
        return Event::None;
    case Kind::Stopping:
        return stepStopping();
    case Kind::Idle:
        break;
    }
    return Event::None;
}

MotionModel::Event MotionModel::stepPosition()
{
    const double remaining = m_target - m_position;
    const double distance = std::fabs(remaining);
    const double dir = remaining < 0 ? -1.0 : 1.0;
    double s = m_velocity * dir;   // speed towards the target
    const double vmax = m_ramp.maxSpeed;
    const double vmin = std::min(m_ramp.startSpeed, vmax);

    if (s < 0) {
        // Still running the other way from an earlier command: brake before turning.
        s = std::min(0.0, s + m_ramp.decel);
        if (-s <= m_ramp.startSpeed)
            s = 0;
        m_velocity = s * dir;
        m_position += m_velocity;
        return Event::None;
    }

    // The fastest speed from which the decel ramp still ends on the target.
    const double limit =
        std::min(vmax, std::sqrt(vmin * vmin + 2 * m_ramp.decel * distance));
    s = s < limit ? std::min(std::max(s + m_ramp.accel, vmin), limit) : limit;

    if (s >= distance) {
        m_position = m_target;
        m_velocity = 0;
        m_kind = Kind::Idle;
        return Event::Arrived;
    }
    m_velocity = s * dir;
    m_position += m_velocity;
    return Event::None;
}

void MotionModel::stepVelocity()
{
    const double goal = m_target;
    double v = m_velocity;
    if (v == 0 && goal != 0) {
        const double jump = std::min(m_ramp.startSpeed, std::fabs(goal));
        v = goal > 0 ? jump : -jump;
    }
    if (v != 0 && goal != 0 && (v > 0) != (goal > 0)) {
        // Reversing: brake to standstill first, the new direction starts on a later step.
        const double s = std::fabs(v) - m_ramp.decel;
        v = s <= m_ramp.startSpeed ? 0 : std::copysign(s, v);
    } else if (std::fabs(v) < std::fabs(goal)) {
        v = std::copysign(std::min(std::fabs(v) + m_ramp.accel, std::fabs(goal)), goal);
    } else if (std::fabs(v) > std::fabs(goal)) {
        double s = std::max(std::fabs(v) - m_ramp.decel, std::fabs(goal));
        if (goal == 0 && s <= m_ramp.startSpeed)
            s = 0;
        v = std::copysign(s, v);
    }
    m_velocity = v;
    m_position += v;
}

MotionModel::Event MotionModel::stepStopping()
{
    const double s = std::fabs(m_velocity) - m_ramp.decel;
    if (s <= 0 || s <= m_ramp.startSpeed) {
        m_velocity = 0;
        m_kind = Kind::Idle;
        return Event::Stopped;
    }
    m_velocity = std::copysign(s, m_velocity);
    m_position += m_velocity;
    return Event::None;
}

} // namespace sim
