#include "protocol/sdodecoder.h"

namespace SdoDecoder {

namespace {

constexpr int kHeaderBytes = 6;
constexpr int kMaxData = 8;

struct AbortCode {
    uint32_t code;
    const char *text;
};

// CiA 301, SDO abort codes.
const AbortCode kAbortCodes[] = {
    {0x05030000, "toggle bit not alternated"},
    {0x05040000, "SDO protocol timed out"},
    {0x05040001, "client/server command specifier not valid or unknown"},
    {0x05040002, "invalid block size"},
    {0x05040003, "invalid sequence number"},
    {0x05040004, "CRC error"},
    {0x05040005, "out of memory"},
    {0x06010000, "unsupported access to an object"},
    {0x06010001, "attempt to read a write only object"},
    {0x06010002, "attempt to write a read only object"},
    {0x06020000, "object does not exist in the object dictionary"},
    {0x06040041, "object cannot be mapped to the PDO"},
    {0x06040042, "the number and length of the objects to be mapped would exceed PDO length"},
    {0x06040043, "general parameter incompatibility reason"},
    {0x06040047, "general internal incompatibility in the device"},
    {0x06060000, "access failed due to a hardware error"},
    {0x06070010, "data type does not match, length of service parameter does not match"},
    {0x06070012, "data type does not match, length of service parameter too high"},
    {0x06070013, "data type does not match, length of service parameter too low"},
    {0x06090011, "sub-index does not exist"},
    {0x06090030, "invalid value for parameter"},
    {0x06090031, "value of parameter written too high"},
    {0x06090032, "value of parameter written too low"},
    {0x06090036, "maximum value is less than minimum value"},
    {0x060A0023, "resource not available: SDO connection"},
    {0x08000000, "general error"},
    {0x08000020, "data cannot be transferred or stored to the application"},
    {0x08000021, "data cannot be transferred or stored to the application because of local control"},
    {0x08000022, "data cannot be transferred or stored to the application because of the present device state"},
    {0x08000023, "object dictionary dynamic generation fails or no object dictionary is present"},
    {0x08000024, "no data available"},
};

// CiA 402 objects of a signed integer type; a value read or written there
// shows its signed decimal (a target position of -1000, not 4294966296).
// Manufacturer objects are shown unsigned: their types are the maker's.
bool isSignedObject(uint16_t index, uint8_t subIndex)
{
    switch (index) {
    case 0x605A: case 0x605B: case 0x605C: case 0x605D: case 0x605E:  // option codes
    case 0x6060: case 0x6061:                                          // modes of operation (display)
    case 0x6062: case 0x6063: case 0x6064:                             // positions
    case 0x6069: case 0x606B: case 0x606C:                             // velocities
    case 0x6071: case 0x6074: case 0x6077:                             // torques
    case 0x607A: case 0x607C:                                          // target position, home offset
    case 0x6098:                                                       // homing method
    case 0x60F4: case 0x60FC: case 0x60FF:
        return subIndex == 0;
    case 0x607D:  // software position limits; subindex 0 is the entry count
        return subIndex == 1 || subIndex == 2;
    default:
        return false;
    }
}

QString hexDigits(uint32_t value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString objectText(uint16_t index, uint8_t subIndex)
{
    return hexDigits(index, 4) + QLatin1Char(':') + hexDigits(subIndex, 2);
}

// "0x000F (15)": as many hex digits as the transfer has bytes, and the decimal value.
QString valueText(uint16_t index, uint8_t subIndex, const uint8_t *bytes, int width)
{
    uint32_t value = 0;
    for (int i = 0; i < width; ++i)
        value |= uint32_t(bytes[i]) << (8 * i);
    QString decimal;
    if (isSignedObject(index, subIndex) && width == 1)
        decimal = QString::number(int8_t(value));
    else if (isSignedObject(index, subIndex) && width == 2)
        decimal = QString::number(int16_t(value));
    else if (isSignedObject(index, subIndex) && width == 4)
        decimal = QString::number(int32_t(value));
    else
        decimal = QString::number(value);
    return QStringLiteral("0x") + hexDigits(value, 2 * width) + QStringLiteral(" (") + decimal + QLatin1Char(')');
}

// Bytes in an expedited transfer from bits 3..2 of the command byte (n: bytes
// that carry no data); without the size bit all four count.
int expeditedWidth(uint8_t command)
{
    return (command & 0x01) ? 4 - ((command >> 2) & 0x03) : 4;
}

uint32_t little32(const uint8_t *d)
{
    return uint32_t(d[0]) | (uint32_t(d[1]) << 8) | (uint32_t(d[2]) << 16) | (uint32_t(d[3]) << 24);
}

QString abortLine(const QString &object, const uint8_t *code)
{
    const uint32_t value = little32(code);
    return QStringLiteral("abort ") + object + QStringLiteral(" 0x") + hexDigits(value, 8) + QLatin1Char(' ')
        + abortText(value);
}

QString requestText(const uint8_t *d, uint16_t index, uint8_t subIndex)
{
    const QString object = objectText(index, subIndex);
    const uint8_t command = d[0];
    if (command == 0x40)
        return QStringLiteral("read ") + object;
    if (command == 0x80)
        return abortLine(object, d + 4);
    // Download initiate: 001x nnes.
    if ((command & 0xF0) == 0x20 && (command & 0x02))
        return QStringLiteral("write ") + object + QStringLiteral(" = ")
            + valueText(index, subIndex, d + 4, expeditedWidth(command));
    if ((command & 0xF3) == 0x21)
        return QStringLiteral("write ") + object + QStringLiteral(" segmented, %1 bytes").arg(little32(d + 4));
    return QStringLiteral("SDO command 0x") + hexDigits(command, 2);
}

QString answerText(const uint8_t *d, uint16_t index, uint8_t subIndex)
{
    const QString object = objectText(index, subIndex);
    const uint8_t command = d[0];
    if (command == 0x60)
        return object + QStringLiteral(" written");
    if (command == 0x80)
        return abortLine(object, d + 4);
    // Upload initiate response: 010x nnes.
    if ((command & 0xF0) == 0x40 && (command & 0x02))
        return object + QStringLiteral(" = ") + valueText(index, subIndex, d + 4, expeditedWidth(command));
    if ((command & 0xF3) == 0x41)
        return object + QStringLiteral(" segmented, %1 bytes").arg(little32(d + 4));
    return QStringLiteral("SDO command 0x") + hexDigits(command, 2);
}

} // namespace

QString abortText(uint32_t code)
{
    for (const AbortCode &a : kAbortCodes) {
        if (a.code == code)
            return QLatin1String(a.text);
    }
    return QStringLiteral("unknown abort code");
}

Meaning decodeFrame(const QByteArray &frame)
{
    Meaning m;
    const auto *b = reinterpret_cast<const uint8_t *>(frame.constData());
    if (frame.size() < kHeaderBytes || b[0] != 0 || b[5] > kMaxData || frame.size() != kHeaderBytes + b[5])
        return m;
    const uint16_t cobId = uint16_t((b[3] << 8) | b[4]);
    const int length = b[5];
    const uint8_t *d = b + kHeaderBytes;
    const bool request = cobId > 0x600 && cobId <= 0x67F;
    const bool answer = cobId > 0x580 && cobId <= 0x5FF;
    if ((request || answer) && length == 8) {
        m.kind = request ? Meaning::Kind::Request : Meaning::Kind::Answer;
        m.node = uint8_t(cobId & 0x7F);
        m.index = uint16_t(d[1] | (d[2] << 8));
        m.subIndex = d[3];
        m.text = request ? requestText(d, m.index, m.subIndex) : answerText(d, m.index, m.subIndex);
        return m;
    }
    m.kind = Meaning::Kind::Other;
    m.text = QStringLiteral("COB-ID 0x") + hexDigits(cobId, 3);
    for (int i = 0; i < length; ++i)
        m.text += QLatin1Char(' ') + hexDigits(d[i], 2);
    return m;
}

QVector<FrameSplitter::Piece> FrameSplitter::feed(const QByteArray &bytes)
{
    const int carried = m_pending.size();
    const QByteArray buffer = m_pending + bytes;
    const auto *b = reinterpret_cast<const uint8_t *>(buffer.constData());
    const int n = buffer.size();
    QVector<Piece> pieces;
    int junkStart = -1;
    auto flushJunk = [&](int end) {
        if (junkStart >= 0) {
            pieces.append({buffer.mid(junkStart, end - junkStart), false, qMax(0, end - carried)});
            junkStart = -1;
        }
    };
    int pos = 0;
    while (pos < n) {
        if (b[pos] == 0) {
            if (n - pos < kHeaderBytes)
                break;  // may still become a frame
            const int length = b[pos + 5];
            if (length <= kMaxData) {
                if (n - pos < kHeaderBytes + length)
                    break;
                flushJunk(pos);
                const int end = pos + kHeaderBytes + length;
                pieces.append({buffer.mid(pos, end - pos), true, end - carried});
                pos = end;
                continue;
            }
        }
        if (junkStart < 0)
            junkStart = pos;
        ++pos;
    }
    flushJunk(pos);
    m_pending = buffer.mid(pos);
    return pieces;
}

} // namespace SdoDecoder
