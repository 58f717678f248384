#pragma once
// The system clock: one tick per handleTimeout call (nominally 1 ms), and two
// one-shot soft timers fired from the tick.  The count is written in the GUI
// thread and read by the serial worker; soft timer 1 is armed by the worker's
// receive path and fired by the GUI thread, so everything here is atomic.

#include <atomic>
#include <cstdint>

namespace TickCounter {

using Callback = void (*)();

uint32_t now();
// One tick: count + 1, then fire every armed slot whose due tick has come (slot 0 first).
void advance();
// Arms slot 0 or 1 (higher slots are ignored) to call cb once at now() + delay.
void armSoftTimer(unsigned slot, uint32_t delay, Callback cb);
bool softTimerArmed(unsigned slot);
// Back to tick 0 with both slots disarmed (start-up, tests).
void reset(uint32_t start = 0);

} // namespace TickCounter
