#pragma once
// A small CiA 402 stepper drive behind the 6-byte serial CAN framing.
//
// The host owns the clock: every call carries "now" in milliseconds (ticks in
// the tests, the wall clock in drive-sim).  Bytes from the tool go in through
// receive(); answers come out through the transmit callback from advance(),
// once their due time has come.  Plain C++: no Qt, no threads, no allocation
// per byte on the hot path beyond the small pending-answer queue.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace sim {

struct FaultConfig {
    bool silent = false;                    // never answer anything
    std::set<uint32_t> silentObjects;       // (index << 8) | subindex: never answered
    unsigned dropEveryNth = 0;              // 0 off; else every Nth request goes unanswered
    std::set<uint32_t> abortObjects;        // (index << 8) | subindex: answered with an abort
    int answerFromNode = -1;                // -1 own node; else answers carry 0x580 + this node
    unsigned chunkSize = 0;                 // 0: answer in one piece; else pieces of this many bytes
    unsigned chunkGapMs = 0;                // pause between two pieces
    unsigned delayMs = 2;                   // time from the request's last byte to the answer
    std::vector<uint8_t> garbageBefore;     // sent in the same burst before the answer
    std::vector<uint8_t> garbageAfter;      // sent in the same burst after the answer
    // Another node on the same bus: its heartbeat (COB-ID 0x700 + node, one byte,
    // "operational") every heartbeatMs, passed on by the adapter between whole frames.
    unsigned heartbeatMs = 0;               // 0: a quiet bus
    uint8_t heartbeatNode = 5;
};

// CiA 301 abort codes used by the drive.
enum AbortCode : uint32_t {
    AbortUnknownCommand = 0x05040001,   // client/server command specifier not valid
    AbortReadOnly = 0x06010002,         // attempt to write a read-only object
    AbortWriteOnly = 0x06010001,        // attempt to read a write-only object
    AbortNoObject = 0x06020000,         // object does not exist
    AbortNoSubindex = 0x06090011,       // subindex does not exist
    AbortLengthMismatch = 0x06070010,   // data type / length does not match
    AbortGeneral = 0x08000000           // general error (used for injected aborts)
};

class VirtualDrive {
public:
    explicit VirtualDrive(uint8_t node = 1);

    // Bytes as they arrive on the wire, in any chunking.
    void receive(const uint8_t *data, std::size_t count, uint32_t nowMs);
    // Runs the motion model up to nowMs and hands out every answer piece that is due.
    void advance(uint32_t nowMs);

    // Called with each piece of bytes the drive puts on the wire.
    std::function<void(const uint8_t *, std::size_t)> onTransmit;
    // Called once per request and per answer (for drive-sim's --log): direction 'Q' or 'A'.
    std::function<void(char, const uint8_t *, std::size_t, uint32_t)> onTrace;

    uint8_t node() const;
    void setNode(uint8_t node);

    FaultConfig &faults();

    // Outside world
    void setInputs(uint16_t bits);          // object 0x2003
    void setFaultCode(uint16_t code);       // object 0x603F
    void setOutputs(uint16_t bits);         // object 0x2004
    // Restart: parameters come back from the stored copy (0x2010 = 2), the node from 0x2008,
    // the axis stands at position 0; queued answers and half-received frames are lost.
    void powerCycle();

    // Object access for tests and the command line (width from the dictionary).
    bool hasObject(uint16_t index, uint8_t subIndex) const;
    uint32_t value(uint16_t index, uint8_t subIndex) const;
    void setValue(uint16_t index, uint8_t subIndex, uint32_t value);

    // Requests seen, in order (index << 8 | subindex, command byte, value) - for tests.
    struct Request { uint8_t command; uint16_t index; uint8_t subIndex; uint32_t value; uint32_t atMs; };
    // Frames for this node with L = 8 only; client aborts (0x80) are listed but never answered.
    const std::vector<Request> &requests() const;
    void clearRequests();   // also restarts the count that dropEveryNth works on

    // Motion model state
    int32_t position() const;   // 0x6064
    int32_t velocity() const;   // 0x606C
    uint16_t statusword() const; // 0x6041

private:
    struct Impl;
    std::shared_ptr<Impl> d;
};

} // namespace sim
