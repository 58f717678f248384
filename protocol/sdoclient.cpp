#include "protocol/sdoclient.h"

#include "app/tickcounter.h"
#include "protocol/framecodec.h"

#include <atomic>

namespace {

constexpr uint32_t kRetryTicks = 40;      // a transmission waits this long for its answer
constexpr uint32_t kTurnTicks = 50;       // after that the engine is free for the next request
constexpr uint8_t kTransmissions = 3;
constexpr uint32_t kBurstQuietTicks = 5;  // a partial frame is dropped after this many ticks without bytes
constexpr int kHeaderBytes = 6;
constexpr int kMaxData = 8;
constexpr int kRxCapacity = kHeaderBytes + kMaxData;  // one frame at most: complete ones are taken at once

// Request slot: written by the GUI thread, taken by the engine.  The sequence
// number works as a sequence lock: odd while a request is being written, +2 per
// request.  The engine takes a request only when the number was even and
// unchanged across its copy, so it never sends half of one request and half
// of the next; `pending` is "the number differs from the last one taken".
std::atomic<uint32_t> g_reqSeq{0};
std::atomic<uint8_t> g_reqKind{0};
std::atomic<uint8_t> g_reqNode{0};
std::atomic<uint16_t> g_reqIndex{0};
std::atomic<uint8_t> g_reqSubIndex{0};
std::atomic<uint32_t> g_reqValue{0};
// The sequence number of the request the engine copied (worker thread only),
// and of the one it has put on the wire (published after lastTxTick moved).
uint32_t g_consumedSeq = 0;
std::atomic<uint32_t> g_sentSeq{0};

// Result: written by the engine, read by the GUI thread.
std::atomic<uint8_t> g_status{0};
std::atomic<uint16_t> g_resIndex{0};
std::atomic<uint8_t> g_resSubIndex{0};
std::atomic<uint8_t> g_resBitWidth{0};
std::atomic<uint8_t> g_resValue8{0};
std::atomic<uint16_t> g_resValue16{0};
std::atomic<uint32_t> g_resValue32{0};
std::atomic<bool> g_linkAlive{false};

// Engine state: only the thread that steps poll() touches it (the state is
// atomic for the diagnostics accessor).
struct ActiveRequest {
    uint8_t kind = 0;
    uint8_t node = 0;
    uint16_t index = 0;
    uint8_t subIndex = 0;
    uint32_t value = 0;
};
std::atomic<uint8_t> g_state{uint8_t(SdoEngineState::Idle)};
uint8_t g_transmissionsLeft = 0;
uint32_t g_sendTick = 0;
ActiveRequest g_active;

// Receive side, worker thread only: the bytes of the frame being assembled and
// the tick its last byte arrived (the count is atomic for the diagnostics accessor).
uint8_t g_rxBuffer[kRxCapacity];
std::atomic<int> g_rxCount{0};
uint32_t g_lastRxTick = 0;

// The worker that steps the engine, woken when a request is placed.
std::atomic<SdoClient::WakeHandler> g_wakeHandler{nullptr};
std::atomic<void *> g_wakeContext{nullptr};

// Whoever shows the link state, told when it changes (rarely: a first answer, a time-out).
std::atomic<SdoClient::WakeHandler> g_linkHandler{nullptr};
std::atomic<void *> g_linkContext{nullptr};

void setLinkAlive(bool alive)
{
    if (g_linkAlive.exchange(alive, std::memory_order_relaxed) == alive)
        return;
    if (SdoClient::WakeHandler changed = g_linkHandler.load(std::memory_order_acquire))
        changed(g_linkContext.load(std::memory_order_acquire));
}

bool newRequestPending() { return g_reqSeq.load(std::memory_order_acquire) != g_consumedSeq; }

void placeRequest(uint8_t kind, uint8_t node, uint16_t index, uint8_t subIndex, uint32_t value)
{
    const uint32_t seq = g_reqSeq.load(std::memory_order_relaxed);
    g_reqSeq.store(seq + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    g_reqKind.store(kind, std::memory_order_relaxed);
    g_reqNode.store(node, std::memory_order_relaxed);
    g_reqIndex.store(index, std::memory_order_relaxed);
    g_reqSubIndex.store(subIndex, std::memory_order_relaxed);
    g_reqValue.store(value, std::memory_order_relaxed);
    g_status.store(uint8_t(SdoStatus::None), std::memory_order_relaxed);
    g_reqSeq.store(seq + 2, std::memory_order_release);
    if (SdoClient::WakeHandler wake = g_wakeHandler.load(std::memory_order_acquire))
        wake(g_wakeContext.load(std::memory_order_acquire));
}

void transmitActive()
{
    uint8_t data[8] = {g_active.kind, uint8_t(g_active.index), uint8_t(g_active.index >> 8),
                       g_active.subIndex, 0, 0, 0, 0};
    switch (g_active.kind) {
    case SdoClient::KindWrite8:
        data[4] = uint8_t(g_active.value);
        break;
    case SdoClient::KindWrite16:
        data[4] = uint8_t(g_active.value);
        data[5] = uint8_t(g_active.value >> 8);
        break;
    case SdoClient::KindWrite32:
        data[4] = uint8_t(g_active.value);
        data[5] = uint8_t(g_active.value >> 8);
        data[6] = uint8_t(g_active.value >> 16);
        data[7] = uint8_t(g_active.value >> 24);
        break;
    default:
        break;
    }
    // The node is added as an 8-bit number.
    sendCanFrame(0, 0x600u + g_active.node, 8, data);
    if (g_transmissionsLeft)
        --g_transmissionsLeft;
    g_state.store(uint8_t(SdoEngineState::Waiting), std::memory_order_relaxed);
    g_sendTick = TickCounter::now();
}

void engineStep()
{
    const uint32_t now = TickCounter::now();
    switch (SdoEngineState(g_state.load(std::memory_order_relaxed))) {
    case SdoEngineState::Idle:
    {
        const uint32_t seq = g_reqSeq.load(std::memory_order_acquire);
        if (seq == g_consumedSeq || (seq & 1))
            return;  // nothing new, or a request being written: take it next cycle
        ActiveRequest copy;
        copy.kind = g_reqKind.load(std::memory_order_relaxed);
        copy.node = g_reqNode.load(std::memory_order_relaxed);
        copy.index = g_reqIndex.load(std::memory_order_relaxed);
        copy.subIndex = g_reqSubIndex.load(std::memory_order_relaxed);
        copy.value = g_reqValue.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (g_reqSeq.load(std::memory_order_relaxed) != seq)
            return;  // overwritten while copying
        g_consumedSeq = seq;
        g_active = copy;
        g_transmissionsLeft = kTransmissions;
        transmitActive();
        // Published after the frame went out (and lastTxTick moved), so a
        // sequencer never counts a turn from a stamp older than its request.
        g_sentSeq.store(seq, std::memory_order_release);
        return;
    }
    case SdoEngineState::Resend:
        transmitActive();
        return;
    case SdoEngineState::Waiting:
        if (g_status.load(std::memory_order_acquire) == uint8_t(SdoStatus::Confirmed))
            g_state.store(uint8_t(SdoEngineState::Answered), std::memory_order_relaxed);
        if (now - g_sendTick > kRetryTicks) {
            g_status.store(uint8_t(SdoStatus::None), std::memory_order_release);
            setLinkAlive(false);
            const bool newRequest = newRequestPending();
            g_state.store(uint8_t((newRequest || g_transmissionsLeft == 0) ? SdoEngineState::Idle
                                                                            : SdoEngineState::Resend),
                          std::memory_order_relaxed);
        }
        if (now - g_sendTick > kTurnTicks)
            g_state.store(uint8_t(SdoEngineState::Idle), std::memory_order_relaxed);
        return;
    case SdoEngineState::Answered:
        if (now - g_sendTick > kTurnTicks)
            g_state.store(uint8_t(SdoEngineState::Idle), std::memory_order_relaxed);
        return;
    }
}

// The decoder, given the compacted buffer: type, COB-ID high, COB-ID low, L, data[0..7].
void decodeResponse(const uint8_t *f)
{
    if (newRequestPending() || f[0] != 0)
        return;
    const unsigned cobId = (unsigned(f[1]) << 8) | f[2];
    if (cobId != 0x580u + g_active.node)
        return;
    const uint8_t *data = f + 4;
    const uint16_t index = uint16_t(data[1] | (data[2] << 8));
    switch (data[0]) {
    case 0x4F:
        g_resIndex.store(index, std::memory_order_relaxed);
        g_resSubIndex.store(data[3], std::memory_order_relaxed);
        g_resBitWidth.store(8, std::memory_order_relaxed);
        g_resValue8.store(data[4], std::memory_order_relaxed);
        break;
    case 0x4B:
        g_resIndex.store(index, std::memory_order_relaxed);
        g_resSubIndex.store(data[3], std::memory_order_relaxed);
        g_resBitWidth.store(16, std::memory_order_relaxed);
        g_resValue16.store(uint16_t(data[4] | (data[5] << 8)), std::memory_order_relaxed);
        break;
    case 0x43:
        g_resIndex.store(index, std::memory_order_relaxed);
        g_resSubIndex.store(data[3], std::memory_order_relaxed);
        g_resBitWidth.store(32, std::memory_order_relaxed);
        g_resValue32.store(uint32_t(data[4]) | (uint32_t(data[5]) << 8) | (uint32_t(data[6]) << 16)
                               | (uint32_t(data[7]) << 24),
                           std::memory_order_relaxed);
        break;
    case 0x60:
        break;
    case 0x80:
        g_status.store(uint8_t(SdoStatus::Aborted), std::memory_order_release);
        setLinkAlive(true);
        return;
    default:
        return;
    }
    g_status.store(uint8_t(SdoStatus::Confirmed), std::memory_order_release);
    setLinkAlive(true);
}

// One complete frame off the wire: type, two ignored bytes, COB-ID high, COB-ID
// low, L, L data bytes.  The decoder always looks at eight data bytes; a
// shorter frame gets zeros, not what an earlier frame left behind.
void takeFrame(const uint8_t *frame, int length)
{
    uint8_t compact[4 + kMaxData] = {frame[0], frame[3], frame[4], frame[5], 0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < length; ++i)
        compact[4 + i] = frame[kHeaderBytes + i];
    decodeResponse(compact);
}

// Frames are self-delimiting, so they are taken as their last byte arrives,
// wherever they stand among other traffic.  A byte that cannot start a frame
// (type not 0, or a length above 8) is dropped, which finds the next header.
void parseReceived()
{
    int n = g_rxCount.load(std::memory_order_relaxed);
    for (;;) {
        int drop = 0;
        if (n >= 1 && g_rxBuffer[0] != 0) {
            drop = 1;
        } else if (n >= kHeaderBytes) {
            const int length = g_rxBuffer[5];
            if (length > kMaxData) {
                drop = 1;
            } else if (n >= kHeaderBytes + length) {
                takeFrame(g_rxBuffer, length);
                drop = kHeaderBytes + length;
            }
        }
        if (drop == 0)
            break;
        n -= drop;
        for (int i = 0; i < n; ++i)
            g_rxBuffer[i] = g_rxBuffer[i + drop];
    }
    g_rxCount.store(n, std::memory_order_relaxed);
}

// A frame left incomplete by a pause is given up, so the next one starts clean.
void receiveStep()
{
    if (g_rxCount.load(std::memory_order_relaxed) > 0 && TickCounter::now() - g_lastRxTick >= kBurstQuietTicks)
        g_rxCount.store(0, std::memory_order_relaxed);
}

} // namespace

namespace SdoClient {

void requestRead(uint8_t node, uint16_t index, uint8_t subIndex) { placeRequest(KindRead, node, index, subIndex, 0); }
void requestWrite8(uint8_t node, uint16_t index, uint8_t subIndex, uint8_t value) { placeRequest(KindWrite8, node, index, subIndex, value); }
void requestWrite16(uint8_t node, uint16_t index, uint8_t subIndex, uint16_t value) { placeRequest(KindWrite16, node, index, subIndex, value); }
void requestWrite32(uint8_t node, uint16_t index, uint8_t subIndex, uint32_t value) { placeRequest(KindWrite32, node, index, subIndex, value); }

uint8_t resultStatus() { return g_status.load(std::memory_order_acquire); }
void clearResultStatus() { g_status.store(uint8_t(SdoStatus::None), std::memory_order_relaxed); }
uint16_t resultIndex() { return g_resIndex.load(std::memory_order_relaxed); }
uint8_t resultSubIndex() { return g_resSubIndex.load(std::memory_order_relaxed); }
uint8_t resultBitWidth() { return g_resBitWidth.load(std::memory_order_relaxed); }
uint8_t resultValue8() { return g_resValue8.load(std::memory_order_relaxed); }
uint16_t resultValue16() { return g_resValue16.load(std::memory_order_relaxed); }
uint32_t resultValue32() { return g_resValue32.load(std::memory_order_relaxed); }
bool linkAlive() { return g_linkAlive.load(std::memory_order_relaxed); }
void clearLinkAlive() { g_linkAlive.store(false, std::memory_order_relaxed); }

void poll()
{
    engineStep();
    receiveStep();
}

void feedReceived(const char *bytes, int count)
{
    if (!bytes || count < 1)
        return;
    g_lastRxTick = TickCounter::now();
    for (int i = 0; i < count; ++i) {
        const int n = g_rxCount.load(std::memory_order_relaxed);
        g_rxBuffer[n] = uint8_t(bytes[i]);
        g_rxCount.store(n + 1, std::memory_order_relaxed);
        if (n + 1 >= kHeaderBytes || g_rxBuffer[0] != 0)
            parseReceived();
    }
}

int32_t ticksUntilNextStep()
{
    const uint32_t now = TickCounter::now();
    auto until = [now](uint32_t stamp, uint32_t after) -> int32_t {
        const uint32_t passed = now - stamp;
        return passed >= after ? 0 : int32_t(after - passed);
    };
    int32_t next = -1;
    auto consider = [&next](int32_t ticks) {
        if (next < 0 || ticks < next)
            next = ticks;
    };
    switch (SdoEngineState(g_state.load(std::memory_order_relaxed))) {
    case SdoEngineState::Idle:
        if (newRequestPending())
            consider(0);
        break;
    case SdoEngineState::Resend:
        consider(0);
        break;
    case SdoEngineState::Waiting:
        // An answer moves the engine on at its next step; without one, the
        // time-out is the next thing that can happen.
        consider(g_status.load(std::memory_order_acquire) == uint8_t(SdoStatus::Confirmed)
                     ? 0
                     : until(g_sendTick, kRetryTicks + 1));
        break;
    case SdoEngineState::Answered:
        consider(until(g_sendTick, kTurnTicks + 1));
        break;
    }
    if (g_rxCount.load(std::memory_order_relaxed) > 0)
        consider(until(g_lastRxTick, kBurstQuietTicks));
    return next;
}

namespace {
// Never a handler with another's context: a removed handler goes first, a new context first.
void storeHandler(std::atomic<WakeHandler> &slot, std::atomic<void *> &slotContext, WakeHandler handler, void *context)
{
    if (!handler)
        slot.store(nullptr, std::memory_order_release);
    slotContext.store(context, std::memory_order_release);
    slot.store(handler, std::memory_order_release);
}
} // namespace

void setWakeHandler(WakeHandler handler, void *context)
{
    storeHandler(g_wakeHandler, g_wakeContext, handler, context);
}

void setLinkChangeHandler(WakeHandler handler, void *context)
{
    storeHandler(g_linkHandler, g_linkContext, handler, context);
}

SdoEngineState engineState() { return SdoEngineState(g_state.load(std::memory_order_relaxed)); }
bool requestPending()
{
    return g_reqSeq.load(std::memory_order_acquire) != g_sentSeq.load(std::memory_order_acquire);
}
int receivedCount() { return g_rxCount.load(std::memory_order_relaxed); }

void reset()
{
    g_reqSeq = 0;
    g_consumedSeq = 0;
    g_sentSeq = 0;
    g_reqKind = 0; g_reqNode = 0; g_reqIndex = 0; g_reqSubIndex = 0; g_reqValue = 0;
    g_status = 0; g_resIndex = 0; g_resSubIndex = 0; g_resBitWidth = 0;
    g_resValue8 = 0; g_resValue16 = 0; g_resValue32 = 0; g_linkAlive = false;
    g_state = uint8_t(SdoEngineState::Idle);
    g_transmissionsLeft = 0;
    g_sendTick = 0;
    g_active = ActiveRequest();
    g_rxCount = 0;
    g_lastRxTick = 0;
}

} // namespace SdoClient
