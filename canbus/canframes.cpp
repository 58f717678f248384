#include "canbus/canframes.h"

#include <QAbstractSocket>
#include <QCanBusDevice>

namespace CanFrames {

namespace {
constexpr int kHeader = 6;
constexpr int kMaxData = 8;
constexpr quint32 kMaxStandardId = 0x7FF;
constexpr quint32 kMaxExtendedId = 0x1FFFFFFF;
} // namespace

QByteArray toSerialBytes(const QCanBusFrame &frame)
{
    const QCanBusFrame::FrameType type = frame.frameType();
    if (!frame.isValid() || (type != QCanBusFrame::DataFrame && type != QCanBusFrame::RemoteRequestFrame))
        return {};
    const QByteArray data = type == QCanBusFrame::DataFrame ? frame.payload() : QByteArray();
    if (data.size() > kMaxData)
        return {};
    const quint32 id = frame.frameId();
    QByteArray bytes(kHeader, '\0');
    bytes[1] = char(id >> 24);
    bytes[2] = char(id >> 16);
    bytes[3] = char(id >> 8);
    bytes[4] = char(id);
    bytes[5] = char(data.size());
    bytes.append(data);
    return bytes;
}

bool isSdoAnswer(const QCanBusFrame &frame)
{
    return frame.isValid() && frame.frameType() == QCanBusFrame::DataFrame && !frame.hasExtendedFrameFormat()
        && frame.frameId() >= 0x580 && frame.frameId() <= 0x5FF && frame.payload().size() <= kMaxData;
}

QVector<QCanBusFrame> takeFrames(QByteArray &buffer)
{
    QVector<QCanBusFrame> frames;
    const auto byte = [&buffer](int i) { return quint8(buffer.at(i)); };
    int pos = 0;
    while (pos < buffer.size()) {
        if (byte(pos) != 0) {
            ++pos;
            continue;
        }
        if (buffer.size() - pos < kHeader)
            break;
        const int length = byte(pos + 5);
        const quint32 id = (quint32(byte(pos + 1)) << 24) | (quint32(byte(pos + 2)) << 16)
            | (quint32(byte(pos + 3)) << 8) | byte(pos + 4);
        if (length > kMaxData || id > kMaxExtendedId) {
            ++pos;
            continue;
        }
        if (buffer.size() - pos < kHeader + length)
            break;
        QCanBusFrame frame(id, buffer.mid(pos + kHeader, length));
        frame.setExtendedFrameFormat(id > kMaxStandardId);
        frames.append(frame);
        pos += kHeader + length;
    }
    buffer.remove(0, pos);
    return frames;
}

void sendWithoutDelay(QCanBusDevice &device)
{
    const auto sockets = device.findChildren<QAbstractSocket *>();
    for (QAbstractSocket *socket : sockets)
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

} // namespace CanFrames
