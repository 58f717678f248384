#pragma once
// CAN frames of a standard CAN interface and the serial adapter's byte
// framing, both ways.  The SDO engine, the log and the decoder all speak the
// serial framing (type, identifier in four big-endian bytes, length, data), so
// a frame off a CAN interface is turned into exactly those bytes and the
// frames the encoder hands out are turned back into QCanBusFrames.

#include <QByteArray>
#include <QCanBusFrame>
#include <QVector>

class QCanBusDevice;

namespace CanFrames {

// A received frame as the serial adapter would deliver it: type 0, the
// identifier in bytes 1 to 4 (an 11-bit COB-ID leaves bytes 1 and 2 zero), the
// length, the data.  A remote request shows as a frame without data.  Empty
// for what the framing cannot carry: error frames, invalid frames and frames
// of more than 8 data bytes.
QByteArray toSerialBytes(const QCanBusFrame &frame);

// The received frames that go to the SDO engine: standard data frames from
// COB-ID 0x580 to 0x5FF, the answers of nodes to an SDO client.  An extended
// frame is never one, whatever its identifier's low bits: the engine reads
// only bytes 3 and 4 of the identifier and would take it for an answer.
bool isSdoAnswer(const QCanBusFrame &frame);

// Takes every complete frame of the serial framing off the front of `buffer`
// and returns them as CAN frames: identifiers up to 0x7FF as standard frames,
// larger ones (up to 29 bits) as extended frames.  Bytes that cannot start a
// frame (type not 0, length above 8, identifier beyond 29 bits) are skipped;
// an incomplete frame at the end stays in `buffer`.
QVector<QCanBusFrame> takeFrames(QByteArray &buffer);

// A plugin that carries frames over TCP (virtualcan sends each frame as a
// line) would otherwise let Nagle's algorithm hold a frame back until the far
// end's delayed acknowledgement, 40 ms on Linux: as long as an SDO answer may
// take.  Call once the device is connected.
void sendWithoutDelay(QCanBusDevice &device);

} // namespace CanFrames
