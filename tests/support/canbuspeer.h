#pragma once
// A CAN bus of the test's own, over Qt's virtualcan plugin: a TCP port no
// other test uses, and a device on it in the test's main thread.  Created
// first, the peer also hosts the bus in that thread, which lives as long as
// the test does.

#include <QCanBusDevice>
#include <QString>
#include <QVector>
#include <memory>

// A port on 127.0.0.1 that was free a moment ago (never virtualcan's default 35468).
quint16 freeTcpPort();
// "tcp://127.0.0.1:PORT/can0": Qt 5.15 wants an IP address there.
QString virtualCanInterface(quint16 port);

class CanBusPeer {
public:
    explicit CanBusPeer(quint16 port);
    ~CanBusPeer();

    bool isConnected() const;
    void send(const QCanBusFrame &frame);
    // Waits until at least `count` frames have arrived since the last clear, or timeoutMs passed.
    bool waitForFrames(int count, int timeoutMs);
    const QVector<QCanBusFrame> &frames() const { return m_frames; }
    void clear() { m_frames.clear(); }

private:
    std::unique_ptr<QCanBusDevice> m_device;
    QVector<QCanBusFrame> m_frames;
};
