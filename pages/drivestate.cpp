#include "pages/drivestate.h"

#include <QtGlobal>

namespace DriveState {

namespace {

struct Pattern {
    uint16_t mask;
    uint16_t value;
    State state;
};

// Some states leave bit 5 open, so each comes with its own mask.
const Pattern kPatterns[] = {
    {0x004F, 0x0000, State::NotReadyToSwitchOn},
    {0x004F, 0x0040, State::SwitchOnDisabled},
    {0x006F, 0x0021, State::ReadyToSwitchOn},
    {0x006F, 0x0023, State::SwitchedOn},
    {0x006F, 0x0027, State::OperationEnabled},
    {0x006F, 0x0007, State::QuickStopActive},
    {0x004F, 0x000F, State::FaultReactionActive},
    {0x004F, 0x0008, State::Fault},
};

} // namespace

State fromStatusword(uint16_t statusword)
{
    for (const Pattern &p : kPatterns) {
        if ((statusword & p.mask) == p.value)
            return p.state;
    }
    return State::Unknown;
}

const char *sourceText(State state)
{
    switch (state) {
    case State::NotReadyToSwitchOn: return QT_TRANSLATE_NOOP("StatusPanel", "未准备好启动");
    case State::SwitchOnDisabled: return QT_TRANSLATE_NOOP("StatusPanel", "禁止启动");
    case State::ReadyToSwitchOn: return QT_TRANSLATE_NOOP("StatusPanel", "准备启动");
    case State::SwitchedOn: return QT_TRANSLATE_NOOP("StatusPanel", "已启动");
    case State::OperationEnabled: return QT_TRANSLATE_NOOP("StatusPanel", "运行使能");
    case State::QuickStopActive: return QT_TRANSLATE_NOOP("StatusPanel", "快速停止有效");
    case State::FaultReactionActive: return QT_TRANSLATE_NOOP("StatusPanel", "故障响应有效");
    case State::Fault: return QT_TRANSLATE_NOOP("StatusPanel", "故障");
    case State::Unknown: break;
    }
    return QT_TRANSLATE_NOOP("StatusPanel", "未知状态");
}

} // namespace DriveState
