#include "canbus/canworker.h"

#include "canbus/canframes.h"
#include "protocol/sdoclient.h"

#include <QCanBus>
#include <QDebug>
#include <QTimer>

namespace {
// Used where the device gives no text of its own.  Like the serial errors
// they stay Chinese.
const char *const kOpenFailed = "打开CAN接口失败!";  // the CAN interface could not be opened
const char *const kGone = "CAN接口已断开!";         // the CAN interface went away
const char *const kTimedOut = "CAN接口连接超时!";   // the CAN interface did not connect in time
const char *const kBusOff = "CAN总线关闭!";         // the controller went bus off

QString textOr(const QString &text, const char *fallback)
{
    return text.isEmpty() ? QString::fromUtf8(fallback) : text;
}
} // namespace

CanWorker::CanWorker(const comcfg_t &cfg)
    : LinkWorker(QStringLiteral("CanWorker"))
    , m_cfg(cfg)
{
    // The plugins are looked up here, once, in the owner's thread; the
    // worker's thread then only creates devices.
    QCanBus::instance();
    m_openTimer = new QTimer;
    m_openTimer->setSingleShot(true);
    adopt(m_openTimer);
    connect(m_openTimer, &QTimer::timeout, this, &CanWorker::openTimedOut);
    startWorking();
}

CanWorker::~CanWorker()
{
    finishWorking();
}

void CanWorker::applyConfig(const comcfg_t &cfg)
{
    m_cfg = cfg;
    openLink();
}

void CanWorker::openLink()
{
    if (!m_openTimer)
        return;  // shut down
    // A new configuration replaces the open interface without a report, as a
    // serial port is closed and reopened.
    closeDevice(Close::Now);
    beginCycling();
    QString error;
    QCanBusDevice *device = QCanBus::instance()->createDevice(m_cfg.canPlugin, m_cfg.canInterface, &error);
    if (!device) {
        fail(textOr(error, kOpenFailed));
        return;
    }
    // virtualcan refuses an interface name it cannot use this way, and would
    // otherwise connect to channel 0 all the same.
    if (device->error() != QCanBusDevice::NoError) {
        error = device->errorString();
        delete device;
        fail(textOr(error, kOpenFailed));
        return;
    }
    m_device = device;
    m_connected = false;
    m_lastErrorFrame.clear();
    connect(device, &QCanBusDevice::errorOccurred, this, &CanWorker::deviceError);
    connect(device, &QCanBusDevice::framesReceived, this, &CanWorker::framesReceived);
    connect(device, &QCanBusDevice::stateChanged, this, &CanWorker::stateChanged);
    device->setConfigurationParameter(QCanBusDevice::BitRateKey, QVariant(uint(m_cfg.canBitRate)));
    const bool started = device->connectDevice();
    if (m_device != device)
        return;  // failed while connecting, and reported
    if (!started) {
        fail(textOr(device->errorString(), kOpenFailed));
        return;
    }
    if (device->state() != QCanBusDevice::ConnectedState)
        m_openTimer->start(m_openTimeLimitMs.load(std::memory_order_relaxed));
}

void CanWorker::stateChanged(QCanBusDevice::CanBusDeviceState state)
{
    if (!m_device)
        return;
    if (state == QCanBusDevice::ConnectedState) {
        m_openTimer->stop();
        if (!m_connected) {
            CanFrames::sendWithoutDelay(*m_device);
            m_connected = true;
            emit openError(true);
        }
    } else if (state == QCanBusDevice::UnconnectedState) {
        // Not asked for (closing lets go of the device first): the interface
        // went away, or virtualcan's bus ended with the process that held it.
        fail(textOr(m_device->errorString(), kGone));
    }
}

void CanWorker::openTimedOut()
{
    if (m_device)
        fail(QString::fromUtf8(kTimedOut));
}

void CanWorker::deviceError(QCanBusDevice::CanBusError error)
{
    if (!m_device || error == QCanBusDevice::NoError)
        return;
    const QString text = m_device->errorString();
    if (error == QCanBusDevice::ConfigurationError) {
        // A plugin that cannot set the bit rate (SocketCAN without the rights
        // to) leaves the interface at the rate it was given outside the tool.
        qDebug() << "CAN configuration:" << text;
        return;
    }
    fail(textOr(text, kOpenFailed));
}

void CanWorker::fail(const QString &text)
{
    closeDevice(Close::Later);
    emit errOccurred(text);
    emit openError(false);
}

bool CanWorker::closeDevice(Close when)
{
    if (m_openTimer)
        m_openTimer->stop();
    QCanBusDevice *device = m_device;
    if (!device)
        return false;
    m_device = nullptr;
    m_connected = false;
    disconnect(device, nullptr, this, nullptr);
    if (when == Close::Later) {
        device->deleteLater();
        return true;
    }
    if (device->state() == QCanBusDevice::ConnectedState)
        device->disconnectDevice();
    delete device;
    return true;
}

void CanWorker::stopThread()
{
    if (closeDevice(Close::Now))
        emit openError(false);
}

void CanWorker::releaseLink()
{
    if (closeDevice(Close::Now))
        emit openError(false);
    delete m_openTimer;
    m_openTimer = nullptr;
}

void CanWorker::writeData(QByteArray data)
{
    if (!m_device || m_device->state() != QCanBusDevice::ConnectedState || data.isEmpty())
        return;
    const QVector<QCanBusFrame> frames = CanFrames::takeFrames(data);
    for (const QCanBusFrame &frame : frames) {
        if (!m_device)
            break;  // a failed write closed the link
        m_device->writeFrame(frame);
    }
}

void CanWorker::framesReceived()
{
    if (!m_device)
        return;
    const QVector<QCanBusFrame> frames = m_device->readAllFrames();
    QByteArray forLog;
    bool forEngine = false;
    for (const QCanBusFrame &frame : frames) {
        if (frame.frameType() == QCanBusFrame::ErrorFrame) {
            takeErrorFrame(frame);
            if (!m_device)
                break;  // bus off: what came before it is still logged
            continue;
        }
        if (frame.hasLocalEcho())
            continue;  // the tool's own frame, logged when it was sent
        const QByteArray bytes = CanFrames::toSerialBytes(frame);
        if (bytes.isEmpty())
            continue;
        forLog.append(bytes);
        if (CanFrames::isSdoAnswer(frame)) {
            SdoClient::feedReceived(bytes.constData(), bytes.size());
            forEngine = true;
        }
    }
    // An answer moves the engine on at its next step, before its time-out would wipe it.
    if (forEngine)
        scheduleCycle();
    collectForLog(forLog);
}

void CanWorker::takeErrorFrame(const QCanBusFrame &frame)
{
    const QString text = m_device->interpretErrorFrame(frame);
    if (frame.error() & QCanBusFrame::BusOffError) {
        fail(textOr(text, kBusOff));
        return;
    }
    if (text != m_lastErrorFrame)
        qDebug() << "CAN error frame:" << text;
    m_lastErrorFrame = text;
}
