#pragma once
// The meaning of a CAN frame in words, for the data window: SDO requests and
// answers with their object, value and abort reason; any other frame by its
// COB-ID and data.  Pure functions, no widgets, no state but the splitter's.

#include <QByteArray>
#include <QString>
#include <QVector>
#include <cstdint>

namespace SdoDecoder {

struct Meaning {
    enum class Kind { None, Request, Answer, Other };
    Kind kind = Kind::None;  // None: the bytes are not one whole frame
    QString text;
    // SDO frames: the object they address (answers carry it too, acknowledges included).
    uint8_t node = 0;
    uint16_t index = 0;
    uint8_t subIndex = 0;
};

// One whole serial frame: type byte 0, two ignored bytes, COB-ID high and low,
// length L (0..8), L data bytes.  Anything else gives Kind::None.
Meaning decodeFrame(const QByteArray &frame);

// The CiA 301 text of an SDO abort code; "unknown abort code" for codes outside its table.
QString abortText(uint32_t code);

// Request and answer meet under this key: node, index and subindex.
inline uint32_t objectKey(uint8_t node, uint16_t index, uint8_t subIndex)
{
    return (uint32_t(node) << 24) | (uint32_t(index) << 8) | subIndex;
}

// Cuts a received byte stream into frames the way the receive side takes
// them: a byte that cannot start a frame (type not 0, length above 8) is
// passed over, and a frame still missing bytes waits for the next chunk.
class FrameSplitter {
public:
    struct Piece {
        QByteArray bytes;
        bool frame = false;  // false: bytes that start no frame
        int end = 0;         // offset just past its last byte in the chunk fed
    };
    // The pieces completed by `bytes` (a waiting frame's earlier bytes lead
    // the first piece); what stays incomplete is kept in pending().
    QVector<Piece> feed(const QByteArray &bytes);
    const QByteArray &pending() const { return m_pending; }
    void reset() { m_pending.clear(); }

private:
    QByteArray m_pending;
};

} // namespace SdoDecoder
