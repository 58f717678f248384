#pragma once
// The system clock: milliseconds of the monotonic clock since start-up (a
// "tick"), and two one-shot soft timers fired from the GUI thread's tick loop.
//
// A 1 ms Qt timer fires noticeably less often than once a millisecond, so the
// count follows the clock, not the calls of the tick slot; every spacing and
// time-out of the system therefore keeps its nominal length.  Tests switch to
// a manual clock that moves only when advance() is called, one tick per call.
//
// Ticks are 32-bit and wrap after 49 days: compare them only as differences
// (`now - stamp >= n`), never as `now >= stamp + n`.

#include <atomic>
#include <cstdint>

namespace TickCounter {

using Callback = void (*)();

// Any thread.
uint32_t now();
// True once at least `ticks` have passed since `stamp`, across the wrap.
inline bool elapsed(uint32_t stamp, uint32_t ticks) { return uint32_t(now() - stamp) >= ticks; }

// GUI thread, from the tick loop: with the manual clock one tick passes; then
// every armed slot whose delay has passed fires (slot 0 first) and is disarmed.
void advance();
// Arms slot 0 or 1 (higher slots are ignored) to call cb once `delay` ticks from now.
void armSoftTimer(unsigned slot, uint32_t delay, Callback cb);
bool softTimerArmed(unsigned slot);
// Ticks until the earlier armed slot is due (0 when overdue), or -1 when none is armed.
int64_t ticksToNextSoftTimer();

// The clock reads `start` now; both slots disarmed.  Keeps the kind of clock.
void reset(uint32_t start = 0);
// The monotonic clock (what the tool runs on).
void useWallClock(uint32_t start = 0);
// A clock that moves only with advance() (deterministic tests).
void useManualClock(uint32_t start = 0);
bool usesManualClock();

} // namespace TickCounter
