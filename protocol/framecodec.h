#pragma once
// CAN frames on the serial byte stream: a 6-byte header (type, two zero
// bytes, COB-ID high, COB-ID low, length) followed by the data bytes, with no
// checksum or terminator.  The encoder hands finished frames to a FrameSink
// (the main window plugs itself in), so the protocol never needs the window.

#include <QByteArray>
#include <cstdint>

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // Frames go out only while the port is open.
    virtual bool portIsOpen() const = 0;
    // One encoded frame, to be written to the port and logged.  Called from
    // whichever thread steps the SDO engine (the serial worker in the tool).
    virtual void frameOut(const QByteArray &bytes) = 0;
};

void setFrameSink(FrameSink *sink);

// Tick of the last frame handed to the serial worker; pages space their requests on it.
uint32_t lastTxTick();
void setLastTxTick(uint32_t tick);

// Encodes one frame (length 0..8, longer is cut to 8) and transmits it. Returns transmitFrame's result.
int sendCanFrame(uint8_t frameType, uint32_t cobId, uint8_t length, const uint8_t *data);
// 0 when handed on, 1 when not sent (no bytes, no sink or the port is closed).
int transmitFrame(const uint8_t *bytes, int count);
