#pragma once
// Expedited SDO transfers with one drive, one request at a time.
//
// Pages (GUI thread) place a request and later read the result; the engine
// (serial worker thread, SdoClient::poll every 1 ms) frames it, retransmits it
// up to three times more than 40 ticks apart and decodes the answer.  The
// request is published through a sequence number and the result fields by
// writing the status last, so neither side sees half a record.

#include <cstdint>

enum class SdoStatus : uint8_t { None = 0, Confirmed = 1, Aborted = 2 };
enum class SdoEngineState : uint8_t { Idle = 0, Resend = 1, Waiting = 2, Answered = 3 };

namespace SdoClient {

enum : uint8_t { KindRead = 0x40, KindWrite8 = 0x2F, KindWrite16 = 0x2B, KindWrite32 = 0x23 };

// Placing requests (never blocks, never sends by itself).
void requestRead(uint8_t node, uint16_t index, uint8_t subIndex);
void requestWrite8(uint8_t node, uint16_t index, uint8_t subIndex, uint8_t value);
void requestWrite16(uint8_t node, uint16_t index, uint8_t subIndex, uint16_t value);
void requestWrite32(uint8_t node, uint16_t index, uint8_t subIndex, uint32_t value);

// Results.
uint8_t resultStatus();
void clearResultStatus();
uint16_t resultIndex();
uint8_t resultSubIndex();
uint8_t resultBitWidth();
uint8_t resultValue8();
uint16_t resultValue16();
uint32_t resultValue32();
bool linkAlive();
void clearLinkAlive();

// Engine, stepped by the serial worker's cycle.
void poll();
// Worker thread, after poll() or feedReceived(): how many ticks until the
// engine next has something to do (0: at once), or -1 when it has nothing
// at all until a request is placed or bytes arrive.  The worker sleeps that long.
int32_t ticksUntilNextStep();
// Called (GUI thread) each time a request is placed, so that a sleeping
// worker wakes to take it.  One handler at a time; nullptr removes it.
using WakeHandler = void (*)(void *context);
void setWakeHandler(WakeHandler handler, void *context);
// Called (engine's thread) when linkAlive changes through an answer or a time-out.
void setLinkChangeHandler(WakeHandler handler, void *context);
// Every chunk the serial worker reads.  Each frame is taken as soon as it is
// complete; only an SDO answer from the node of the active request reaches the
// result, everything else on the bus is passed over.  Bytes that cannot start
// a frame are skipped, and a frame left incomplete for 5 ticks is dropped.
void feedReceived(const char *bytes, int count);

// For diagnostics and tests.
SdoEngineState engineState();
// A request has been placed that the engine has not yet put on the wire.
bool requestPending();
int receivedCount();  // bytes of an incomplete frame waiting in the receive buffer
// Everything back to its start value (engine Idle, nothing pending, results 0).
void reset();

} // namespace SdoClient
