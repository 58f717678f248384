#pragma once
// The CiA 402 state machine's state, read off the statusword 0x6041: bits 0-3
// (ready to switch on, switched on, operation enabled, fault), bit 5 (quick
// stop) and bit 6 (switch on disabled).  The other bits do not take part.

#include <cstdint>

namespace DriveState {

enum class State : uint8_t {
    Unknown,  // a combination the state machine does not define
    NotReadyToSwitchOn,
    SwitchOnDisabled,
    ReadyToSwitchOn,
    SwitchedOn,
    OperationEnabled,
    QuickStopActive,
    FaultReactionActive,
    Fault,
};

State fromStatusword(uint16_t statusword);

// The state's name as a translation source (context "StatusPanel").
const char *sourceText(State state);

} // namespace DriveState
