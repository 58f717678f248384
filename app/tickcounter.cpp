#include "app/tickcounter.h"

#include <QElapsedTimer>

namespace {

// The monotonic clock, started once (a const timer is safe to read from any thread).
int64_t monotonicMs()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

// Wall clock: now = g_base + (monotonic ms - g_origin).  Manual clock: now = g_manual.
std::atomic<bool> g_manualClock{false};
std::atomic<uint32_t> g_manual{0};
std::atomic<int64_t> g_origin{0};
std::atomic<uint32_t> g_base{0};

// Armed flag and start tick live in one word so that a re-arm from the worker
// thread racing with the GUI thread's firing is never lost: the GUI thread
// disarms with a compare-exchange that fails if the slot was armed anew.
constexpr uint64_t kArmed = uint64_t(1) << 63;

struct SoftTimer {
    std::atomic<uint64_t> state{0};  // kArmed | delay << 32 | start
    std::atomic<TickCounter::Callback> callback{nullptr};
};

SoftTimer g_slots[2];

uint32_t startOf(uint64_t s) { return uint32_t(s); }
uint32_t delayOf(uint64_t s) { return uint32_t(s >> 32) & 0x7FFFFFFFu; }

} // namespace

namespace TickCounter {

uint32_t now()
{
    if (g_manualClock.load(std::memory_order_relaxed))
        return g_manual.load(std::memory_order_relaxed);
    const int64_t ms = monotonicMs() - g_origin.load(std::memory_order_relaxed);
    return g_base.load(std::memory_order_relaxed) + uint32_t(ms);
}

void advance()
{
    if (g_manualClock.load(std::memory_order_relaxed))
        g_manual.fetch_add(1, std::memory_order_relaxed);
    const uint32_t t = now();
    for (SoftTimer &slot : g_slots) {
        uint64_t s = slot.state.load(std::memory_order_acquire);
        if (!(s & kArmed) || uint32_t(t - startOf(s)) < delayOf(s))
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
    s.callback.store(cb, std::memory_order_relaxed);
    s.state.store(kArmed | (uint64_t(delay & 0x7FFFFFFFu) << 32) | now(), std::memory_order_release);
}

bool softTimerArmed(unsigned slot)
{
    return slot <= 1 && (g_slots[slot].state.load(std::memory_order_acquire) & kArmed);
}

int64_t ticksToNextSoftTimer()
{
    int64_t next = -1;
    const uint32_t t = now();
    for (const SoftTimer &slot : g_slots) {
        const uint64_t s = slot.state.load(std::memory_order_acquire);
        if (!(s & kArmed))
            continue;
        const uint32_t passed = t - startOf(s);
        const int64_t left = passed >= delayOf(s) ? 0 : int64_t(delayOf(s) - passed);
        if (next < 0 || left < next)
            next = left;
    }
    return next;
}

void reset(uint32_t start)
{
    g_manual.store(start, std::memory_order_relaxed);
    g_origin.store(monotonicMs(), std::memory_order_relaxed);
    g_base.store(start, std::memory_order_relaxed);
    for (SoftTimer &s : g_slots)
        s.state.store(0, std::memory_order_release);
}

void useWallClock(uint32_t start)
{
    g_manualClock.store(false, std::memory_order_relaxed);
    reset(start);
}

void useManualClock(uint32_t start)
{
    g_manualClock.store(true, std::memory_order_relaxed);
    reset(start);
}

bool usesManualClock() { return g_manualClock.load(std::memory_order_relaxed); }

} // namespace TickCounter
