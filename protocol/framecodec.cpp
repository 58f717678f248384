#include "protocol/framecodec.h"

#include "app/tickcounter.h"

#include <atomic>
#include <cstring>

namespace {
std::atomic<FrameSink *> g_sink{nullptr};
std::atomic<uint32_t> g_lastTxTick{0};
} // namespace

void setFrameSink(FrameSink *sink) { g_sink.store(sink, std::memory_order_release); }

uint32_t lastTxTick() { return g_lastTxTick.load(std::memory_order_relaxed); }
void setLastTxTick(uint32_t tick) { g_lastTxTick.store(tick, std::memory_order_relaxed); }

int sendCanFrame(uint8_t frameType, uint32_t cobId, uint8_t length, const uint8_t *data)
{
    if (length > 8)
        length = 8;  // the frame has room for eight data bytes only
    uint8_t frame[14];
    frame[0] = frameType;
    frame[1] = 0x00;
    frame[2] = 0x00;
    frame[3] = uint8_t(cobId >> 8);
    frame[4] = uint8_t(cobId);
    frame[5] = length;
    if (length && data)
        std::memcpy(frame + 6, data, length);
    else if (length)
        std::memset(frame + 6, 0, length);
    return transmitFrame(frame, 6 + length);
}

int transmitFrame(const uint8_t *bytes, int count)
{
    FrameSink *sink = g_sink.load(std::memory_order_acquire);
    if (!bytes || count < 1 || !sink || !sink->portIsOpen())
        return 1;
    g_lastTxTick.store(TickCounter::now(), std::memory_order_relaxed);
    sink->frameOut(QByteArray(reinterpret_cast<const char *>(bytes), count));
    return 0;
}
