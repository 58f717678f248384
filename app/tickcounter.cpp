#include "app/tickcounter.h"

namespace {

std::atomic<uint32_t> g_count{0};

// Armed flag and due tick live in one word so that a re-arm from the worker
// thread racing with the GUI thread's firing is never lost: the GUI thread
// disarms with a compare-exchange that fails if the slot was armed anew.
constexpr uint64_t kArmed = uint64_t(1) << 32;

struct SoftTimer {
    std::atomic<uint64_t> state{0};  // kArmed | due
    std::atomic<uint32_t> start{0};
    std::atomic<TickCounter::Callback> callback{nullptr};
};

SoftTimer g_slots[2];

} // namespace

namespace TickCounter {

uint32_t now() { return g_count.load(std::memory_order_relaxed); }

void advance()
{
    const uint32_t t = g_count.load(std::memory_order_relaxed) + 1;
    g_count.store(t, std::memory_order_relaxed);
    for (SoftTimer &slot : g_slots) {
        uint64_t s = slot.state.load(std::memory_order_acquire);
        if (!(s & kArmed) || t < uint32_t(s))
            continue;
        if (slot.state.compare_exchange_strong(s, 0, std::memory_order_acq_rel)) {
            if (Callback cb = slot.callback.load(std::memory_order_relaxed))
                cb();
        }
    }
}

void armSoftTimer(unsigned slot, uint32_t delay, Callback cb)
{
    if (slot > 1)
        return;
    SoftTimer &s = g_slots[slot];
    const uint32_t t = now();
    s.start.store(t, std::memory_order_relaxed);
    s.callback.store(cb, std::memory_order_relaxed);
    s.state.store(kArmed | uint32_t(t + delay), std::memory_order_release);
}

bool softTimerArmed(unsigned slot)
{
    return slot <= 1 && (g_slots[slot].state.load(std::memory_order_acquire) & kArmed);
}

void reset(uint32_t start)
{
    g_count.store(start, std::memory_order_relaxed);
    for (SoftTimer &s : g_slots)
        s.state.store(0, std::memory_order_release);
}

} // namespace TickCounter
