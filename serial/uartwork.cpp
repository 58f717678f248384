#include "serial/uartwork.h"

#include "protocol/sdoclient.h"

#include <QFileInfo>

uartWork::uartWork(const comcfg_t &cfg)
    : LinkWorker(QStringLiteral("uartWork"))
    , m_cfg(cfg)
{
    m_port = new QSerialPort;
    m_port->setReadBufferSize(1);
    adopt(m_port);
    connect(m_port, &QSerialPort::errorOccurred, this, &uartWork::errorOccurred);
    connect(m_port, &QSerialPort::readyRead, this, &uartWork::readyRead, Qt::QueuedConnection);
    // Everything is set up before the thread starts: from here on only the
    // worker's thread touches the port and the timers.
    startWorking();
}

uartWork::~uartWork()
{
    finishWorking();
}

void uartWork::releaseLink()
{
    if (m_port->isOpen()) {
        closePort();
        emit openError(false);
    }
    delete m_port;
    m_port = nullptr;
}

void uartWork::applyConfig(const comcfg_t &cfg)
{
    m_cfg = cfg;
    openUart();
}

void uartWork::stopThread()
{
    if (m_port && m_port->isOpen()) {
        closePort();
        emit openError(false);
    }
}

void uartWork::writeData(QByteArray data)
{
    if (m_port && m_port->isOpen() && !data.isEmpty())
        m_port->write(data);
}

void uartWork::closePort()
{
    // Clearing or closing a port that has failed reports errors of its own;
    // they say nothing new, so errorOccurred ignores them meanwhile.
    m_quietErrors = true;
    m_port->clear(QSerialPort::AllDirections);
    m_port->close();
    m_quietErrors = false;
}

bool uartWork::deviceIsGone() const
{
#ifdef Q_OS_UNIX
    QString path = portSystemName(m_cfg);
    if (!path.contains(QLatin1Char('/')))
        path.prepend(QStringLiteral("/dev/"));
    return !QFileInfo::exists(path);
#else
    return false;
#endif
}

void uartWork::openUart()
{
    if (!m_port)
        return;
    if (m_port->isOpen())
        closePort();
    m_port->setPortName(portSystemName(m_cfg));
    m_port->setBaudRate(qint32(m_cfg.baudRate), QSerialPort::AllDirections);
    m_port->setDataBits(QSerialPort::DataBits(m_cfg.dataBits));
    m_port->setParity(QSerialPort::Parity(m_cfg.parity));
    m_port->setStopBits(QSerialPort::StopBits(m_cfg.stopBits));
    m_port->setFlowControl(QSerialPort::FlowControl(m_cfg.flowControl));
    m_lastOpenResult = m_port->open(QIODevice::ReadWrite);
    if (m_lastOpenResult)
        emit openError(true);
    // On failure the port reports the reason through errorOccurred.  From the
    // first open on the engine is stepped for the worker's life, also while
    // the port is closed (a request in flight still times out).
    beginCycling();
}

void uartWork::readyRead()
{
    if (!m_port)
        return;
    const QByteArray bytes = m_port->readAll();
    if (bytes.isEmpty())
        return;
    SdoClient::feedReceived(bytes.constData(), bytes.size());
    // An answer moves the engine on at its next step (before its time-out
    // would wipe it), and a partial frame needs its 5-tick check.
    scheduleCycle();
    collectForLog(bytes);
}

void uartWork::errorOccurred(QSerialPort::SerialPortError error)
{
    if (m_quietErrors)
        return;
    // On Linux an unplugged adapter (or a pseudo-terminal whose far end
    // closed) shows up as a failed read or write of a device node that no
    // longer exists: report it as unplugged instead of reopening in vain.
    if ((error == QSerialPort::ReadError || error == QSerialPort::WriteError) && deviceIsGone())
        error = QSerialPort::ResourceError;
    const char *text = nullptr;
    bool closeFirst = true;
    bool reopen = false;
    switch (error) {
    case QSerialPort::DeviceNotFoundError: text = "打开一个不存在的设备!"; break;
    case QSerialPort::PermissionError: text = "无权限打开设备!"; break;
    case QSerialPort::OpenError: text = "设备已打开!"; closeFirst = false; break;
    case QSerialPort::WriteError: text = "写数据错误!"; reopen = true; break;
    case QSerialPort::ReadError: text = "读数据错误!"; reopen = true; break;
    case QSerialPort::ResourceError: text = "串口已拔出!"; break;
    case QSerialPort::UnknownError: text = "发生未知错误!"; break;
    default: return;
    }
    if (closeFirst && m_port->isOpen())
        closePort();
    emit errOccurred(QString::fromUtf8(text));
    if (reopen)
        openUart();
    else
        emit openError(false);
}
