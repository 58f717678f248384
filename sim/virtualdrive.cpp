#include "sim/virtualdrive.h"

#include "sim/drivecontrol.h"

#include <algorithm>
#include <deque>

namespace sim {

namespace {
constexpr std::size_t kHeader = 6;
constexpr std::size_t kSdoFrame = kHeader + 8;
// A frame still incomplete after this pause is given up, so that a frame cut
// short on the line cannot swallow the start of the tool's retransmission.
constexpr uint32_t kStalePartialMs = 25;
// drive-sim runs for hours: keep the request history bounded.
constexpr std::size_t kMaxRequestHistory = 100000;

using TraceFn = std::function<void(char, const uint8_t *, std::size_t, uint32_t)>;

uint32_t readLe32(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void writeLe32(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

bool isExpeditedDownload(uint8_t command)
{
    return (command & 0xF2) == 0x22;
}

unsigned downloadSize(uint8_t command)
{
    // Size bit set: n counts the unused bytes.  Size bit clear: all four count.
    return (command & 0x01) ? 4 - ((command >> 2) & 0x03) : 4;
}
} // namespace

struct VirtualDrive::Impl {
    explicit Impl(uint8_t node) : drive(node) {}

    struct Piece {
        uint32_t dueMs;
        std::vector<uint8_t> bytes;
        std::vector<uint8_t> frame;   // on the first piece of an answer: the frame for the trace
        bool last = true;             // the answer's last piece: another frame may follow it
    };

    void takeFrames(uint32_t nowMs, const TraceFn &trace);
    void handleFrame(const uint8_t *frame, std::size_t length, uint32_t nowMs,
                     const TraceFn &trace);
    uint32_t execute(uint8_t command, uint16_t index, uint8_t subIndex, uint32_t value,
                     uint8_t *reply);
    void queueAnswer(const uint8_t *reply, uint32_t nowMs);
    void sendHeartbeat(uint32_t nowMs, const std::function<void(const uint8_t *, std::size_t)> &transmit);

    DriveControl drive;
    FaultConfig faults;
    std::vector<uint8_t> rx;
    uint32_t lastRxMs = 0;
    std::deque<Piece> outbox;
    bool midAnswer = false;       // pieces of a split answer are on the line: no other frame fits in
    bool heartbeatStarted = false;
    uint32_t nextHeartbeatMs = 0;
    std::vector<Request> requests;
    uint64_t requestCount = 0;
};

void VirtualDrive::Impl::sendHeartbeat(uint32_t nowMs,
                                       const std::function<void(const uint8_t *, std::size_t)> &transmit)
{
    if (faults.heartbeatMs == 0) {
        heartbeatStarted = false;
        return;
    }
    if (!heartbeatStarted) {
        heartbeatStarted = true;
        nextHeartbeatMs = nowMs;
    }
    if (midAnswer || int32_t(nowMs - nextHeartbeatMs) < 0)
        return;
    nextHeartbeatMs += faults.heartbeatMs;
    if (int32_t(nowMs - nextHeartbeatMs) >= 0)
        nextHeartbeatMs = nowMs + faults.heartbeatMs;   // a late caller does not get a backlog
    const uint16_t cobId = uint16_t(0x700 + (faults.heartbeatNode & 0x7F));
    const uint8_t frame[7] = {0x00, 0x00, 0x00, uint8_t(cobId >> 8), uint8_t(cobId), 1, 0x05};
    if (transmit)
        transmit(frame, sizeof frame);
}

void VirtualDrive::Impl::takeFrames(uint32_t nowMs, const TraceFn &trace)
{
    std::size_t pos = 0;
    while (pos < rx.size()) {
        if (rx[pos] != 0x00) {
            ++pos;
            continue;
        }
        if (rx.size() - pos < kHeader)
            break;
        const std::size_t length = rx[pos + 5];
        if (length > 8) {
            ++pos;
            continue;
        }
        if (rx.size() - pos < kHeader + length)
            break;
        handleFrame(&rx[pos], kHeader + length, nowMs, trace);
        pos += kHeader + length;
    }
    rx.erase(rx.begin(), rx.begin() + std::ptrdiff_t(pos));
}

void VirtualDrive::Impl::handleFrame(const uint8_t *frame, std::size_t length, uint32_t nowMs,
                                     const TraceFn &trace)
{
    if (trace)
        trace('Q', frame, length, nowMs);
    const uint16_t cobId = uint16_t(frame[3] << 8 | frame[4]);
    if (cobId != 0x600 + drive.node() || length != kSdoFrame)
        return;

    const uint8_t *data = frame + kHeader;
    const uint8_t command = data[0];
    const uint16_t index = uint16_t(data[1] | data[2] << 8);
    const uint8_t subIndex = data[3];
    const uint32_t value = readLe32(data + 4);

    if (requests.size() >= kMaxRequestHistory)
        requests.erase(requests.begin(), requests.begin() + kMaxRequestHistory / 2);
    requests.push_back(Request{command, index, subIndex, value, nowMs});
    ++requestCount;

    if (command == 0x80)
        return;   // the client gave up the transfer; a server does not answer an abort

    const uint32_t key = objectKey(index, subIndex);
    uint8_t reply[8] = {0, data[1], data[2], subIndex, 0, 0, 0, 0};
    uint32_t abortCode = AbortGeneral;
    // An injected abort refuses the request: a refused write changes nothing.
    if (!faults.abortObjects.count(key))
        abortCode = execute(command, index, subIndex, value, reply);
    if (abortCode) {
        reply[0] = 0x80;
        writeLe32(reply + 4, abortCode);
    }

    // Suppressed answers are lost on the way back: the request itself was carried out.
    const bool dropped = faults.dropEveryNth != 0 && requestCount % faults.dropEveryNth == 0;
    if (faults.silent || faults.silentObjects.count(key) || dropped)
        return;
    queueAnswer(reply, nowMs);
}

uint32_t VirtualDrive::Impl::execute(uint8_t command, uint16_t index, uint8_t subIndex,
                                     uint32_t value, uint8_t *reply)
{
    if (command == 0x40) {
        uint32_t result = 0;
        unsigned bits = 0;
        const uint32_t abortCode = drive.read(index, subIndex, result, bits);
        if (abortCode)
            return abortCode;
        reply[0] = bits == 8 ? 0x4F : bits == 16 ? 0x4B : 0x43;
        writeLe32(reply + 4, truncateToWidth(result, bits));
        return 0;
    }
    if (isExpeditedDownload(command)) {
        // The width the tool chose need not match the object's: the value is taken
        // as sent and cut to the object's width.
        const uint32_t abortCode =
            drive.write(index, subIndex, truncateToWidth(value, 8 * downloadSize(command)));
        if (abortCode)
            return abortCode;
        reply[0] = 0x60;
        return 0;
    }
    return AbortUnknownCommand;
}

void VirtualDrive::Impl::queueAnswer(const uint8_t *reply, uint32_t nowMs)
{
    const int answerNode = faults.answerFromNode >= 0 ? faults.answerFromNode : drive.node();
    const uint16_t cobId = uint16_t(0x580 + answerNode);
    std::vector<uint8_t> frame = {0x00, 0x00, 0x00, uint8_t(cobId >> 8), uint8_t(cobId), 8};
    frame.insert(frame.end(), reply, reply + 8);

    std::vector<uint8_t> burst = faults.garbageBefore;
    burst.insert(burst.end(), frame.begin(), frame.end());
    burst.insert(burst.end(), faults.garbageAfter.begin(), faults.garbageAfter.end());

    // One line, one transmitter: an answer waits for the previous one's last piece,
    // and split answers keep their gap between each other too.
    uint32_t start = nowMs + faults.delayMs;
    if (!outbox.empty()) {
        const uint32_t free = outbox.back().dueMs + faults.chunkGapMs;
        if (int32_t(free - start) > 0)
            start = free;
    }

    const std::size_t chunk = faults.chunkSize ? faults.chunkSize : burst.size();
    uint32_t due = start;
    for (std::size_t offset = 0; offset < burst.size(); offset += chunk) {
        const std::size_t end = std::min(burst.size(), offset + chunk);
        Piece piece{due, std::vector<uint8_t>(burst.begin() + std::ptrdiff_t(offset),
                                              burst.begin() + std::ptrdiff_t(end)),
                    {}};
        if (offset == 0)
            piece.frame = frame;
        piece.last = end == burst.size();
        outbox.push_back(std::move(piece));
        due += faults.chunkGapMs;
    }
}

VirtualDrive::VirtualDrive(uint8_t node) : d(std::make_shared<Impl>(node)) {}

void VirtualDrive::receive(const uint8_t *data, std::size_t count, uint32_t nowMs)
{
    d->drive.advanceTo(nowMs);
    if (!data || count == 0)
        return;
    if (!d->rx.empty() && nowMs - d->lastRxMs > kStalePartialMs)
        d->rx.clear();
    d->lastRxMs = nowMs;
    d->rx.insert(d->rx.end(), data, data + count);
    d->takeFrames(nowMs, onTrace);
}

void VirtualDrive::advance(uint32_t nowMs)
{
    d->drive.advanceTo(nowMs);
    d->sendHeartbeat(nowMs, onTransmit);
    while (!d->outbox.empty() && int32_t(nowMs - d->outbox.front().dueMs) >= 0) {
        Impl::Piece piece = std::move(d->outbox.front());
        d->outbox.pop_front();
        d->midAnswer = !piece.last;
        if (!piece.frame.empty() && onTrace)
            onTrace('A', piece.frame.data(), piece.frame.size(), nowMs);
        if (onTransmit)
            onTransmit(piece.bytes.data(), piece.bytes.size());
    }
}

uint8_t VirtualDrive::node() const { return d->drive.node(); }
void VirtualDrive::setNode(uint8_t node) { d->drive.setNode(node); }
FaultConfig &VirtualDrive::faults() { return d->faults; }
void VirtualDrive::setInputs(uint16_t bits) { d->drive.setInputs(bits); }
void VirtualDrive::setFaultCode(uint16_t code) { d->drive.setFaultCode(code); }
void VirtualDrive::setOutputs(uint16_t bits) { d->drive.setOutputs(bits); }

void VirtualDrive::powerCycle()
{
    d->drive.powerCycle();
    d->rx.clear();
    d->outbox.clear();
    d->midAnswer = false;
}

bool VirtualDrive::hasObject(uint16_t index, uint8_t subIndex) const
{
    return d->drive.has(index, subIndex);
}

uint32_t VirtualDrive::value(uint16_t index, uint8_t subIndex) const
{
    return d->drive.value(index, subIndex);
}

void VirtualDrive::setValue(uint16_t index, uint8_t subIndex, uint32_t value)
{
    d->drive.setValue(index, subIndex, value);
}

const std::vector<VirtualDrive::Request> &VirtualDrive::requests() const { return d->requests; }

void VirtualDrive::clearRequests()
{
    d->requests.clear();
    d->requestCount = 0;
}

int32_t VirtualDrive::position() const { return d->drive.position(); }
int32_t VirtualDrive::velocity() const { return d->drive.velocityRpm(); }
uint16_t VirtualDrive::statusword() const { return d->drive.statusword(); }

} // namespace sim
