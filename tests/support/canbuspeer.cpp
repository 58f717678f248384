#include "tests/support/canbuspeer.h"

#include "tests/support/eventwait.h"

#include <QCanBus>
#include <QTcpServer>

quint16 freeTcpPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

QString virtualCanInterface(quint16 port)
{
    return QStringLiteral("tcp://127.0.0.1:%1/can0").arg(port);
}

CanBusPeer::CanBusPeer(quint16 port)
    : m_device(QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), virtualCanInterface(port)))
{
    if (!m_device)
        return;
    QObject::connect(m_device.get(), &QCanBusDevice::framesReceived, [this]() {
        m_frames += m_device->readAllFrames();
    });
    if (m_device->connectDevice())
        waitUntil([this]() { return isConnected(); }, 3000);
}

CanBusPeer::~CanBusPeer()
{
    if (m_device) {
        m_device->disconnect();
        if (isConnected())
            m_device->disconnectDevice();
    }
}

bool CanBusPeer::isConnected() const
{
    return m_device && m_device->state() == QCanBusDevice::ConnectedState;
}

void CanBusPeer::send(const QCanBusFrame &frame)
{
    if (isConnected())
        m_device->writeFrame(frame);
}

bool CanBusPeer::waitForFrames(int count, int timeoutMs)
{
    return waitUntil([this, count]() { return m_frames.size() >= count; }, timeoutMs);
}
