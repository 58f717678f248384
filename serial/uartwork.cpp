#include "serial/uartwork.h"

#include "app/tickcounter.h"
#include "protocol/sdoclient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

namespace {
// The log gets what was read once the line has been quiet this long ...
constexpr int kQuietMs = 30;
// ... and, on a bus that is never quiet, at least this often and before this
// many bytes have piled up.
constexpr uint32_t kLogEveryTicks = 100;
constexpr int kMaxCollected = 8192;
} // namespace

uartWork::uartWork(const comcfg_t &cfg)
    : m_cfg(cfg)
{
    registerComcfgType();
    m_port = new QSerialPort;
    m_port->setReadBufferSize(1);
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("uartWork"));
    m_quietTimer = new QTimer;
    m_cycleTimer = new QTimer;

    m_quietTimer->setInterval(kQuietMs);
    m_quietTimer->setTimerType(Qt::PreciseTimer);
    // The engine's time-outs are counted in milliseconds: the cycle wakes on time, not up to 5 % late.
    m_cycleTimer->setTimerType(Qt::PreciseTimer);
    m_cycleTimer->setSingleShot(true);

    moveToThread(m_thread);
    m_port->moveToThread(m_thread);
    m_quietTimer->moveToThread(m_thread);
    m_cycleTimer->moveToThread(m_thread);

    connect(m_port, &QSerialPort::errorOccurred, this, &uartWork::errorOccurred);
    connect(m_port, &QSerialPort::readyRead, this, &uartWork::readyRead, Qt::QueuedConnection);
    connect(m_quietTimer, &QTimer::timeout, this, &uartWork::rec_timer_over_process, Qt::QueuedConnection);
    connect(m_cycleTimer, &QTimer::timeout, this, &uartWork::run_timer_cycle_process, Qt::QueuedConnection);

    // Everything is set up before the thread starts: from here on only the
    // worker's thread touches the port and the timers.
    m_thread->start(QThread::InheritPriority);
    SdoClient::setWakeHandler(&uartWork::requestPlaced, this);
}

void uartWork::requestPlaced(void *worker)
{
    QMetaObject::invokeMethod(static_cast<uartWork *>(worker), &uartWork::wakeEngine, Qt::QueuedConnection);
}

uartWork::~uartWork()
{
    SdoClient::setWakeHandler(nullptr, nullptr);
    if (m_thread && m_thread->isRunning())
        shutdown();
    // After a completed shutdown the port and timers are gone and the thread has ended.
    if (m_thread && !m_thread->isRunning()) {
        delete m_thread;
        m_thread = nullptr;
    }
}

bool uartWork::shutdown(int timeoutMs)
{
    SdoClient::setWakeHandler(nullptr, nullptr);
    if (!m_thread || !m_thread->isRunning())
        return true;
    m_home.store(QThread::currentThread(), std::memory_order_release);
    QMetaObject::invokeMethod(this, &uartWork::teardown, Qt::QueuedConnection);
    // A frame may be on its way to the log through a blocking connection into
    // this thread; keep delivering such calls or the worker could never finish.
    QDeadlineTimer deadline(timeoutMs);
    while (!m_thread->wait(5)) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        if (deadline.hasExpired())
            return false;
    }
    // Pairs with the store at the end of teardown: everything the worker's
    // thread did happens before what this thread does with the worker next.
    return m_tornDown.load(std::memory_order_acquire);
}

void uartWork::teardown()
{
    delete m_quietTimer;
    m_quietTimer = nullptr;
    delete m_cycleTimer;
    m_cycleTimer = nullptr;
    if (m_port->isOpen()) {
        closePort();
        emit openError(false);
    }
    delete m_port;
    m_port = nullptr;
    m_collected.clear();
    m_collectedTimes.clear();
    // Hand the worker back so that its owner can delete it once the thread has ended.
    moveToThread(m_home.load(std::memory_order_acquire));
    m_thread->quit();
    m_tornDown.store(true, std::memory_order_release);
}

void uartWork::updateComCfg(comcfg_t cfg)
{
    m_cfg = cfg;
    openUart();
}

void uartWork::startThread()
{
    if (m_thread && !m_thread->isRunning())
        m_thread->start(QThread::InheritPriority);
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
    m_cycling = true;
    scheduleCycle();
}

void uartWork::scheduleCycle()
{
    if (!m_cycling || !m_cycleTimer)
        return;
    const int32_t ticks = SdoClient::ticksUntilNextStep();
    if (ticks < 0)
        m_cycleTimer->stop();
    else
        m_cycleTimer->start(int(ticks));
}

void uartWork::wakeEngine()
{
    scheduleCycle();
}

void uartWork::readyRead()
{
    if (!m_port)
        return;
    const QByteArray bytes = m_port->readAll();
    if (m_quietTimer->isActive())
        m_quietTimer->stop();
    if (bytes.isEmpty())
        return;
    const uint32_t now = TickCounter::now();
    if (m_collected.isEmpty())
        m_collectedSince = now;
    m_collected.append(bytes);
    // Reads of the same tick share one entry.
    if (m_collectedTimes.size() >= 2 && m_collectedTimes.last() == now)
        m_collectedTimes[m_collectedTimes.size() - 2] = quint32(m_collected.size());
    else
        m_collectedTimes << quint32(m_collected.size()) << now;
    SdoClient::feedReceived(bytes.constData(), bytes.size());
    // An answer moves the engine on at its next step (before its time-out
    // would wipe it), and a partial frame needs its 5-tick check.
    scheduleCycle();
    if (TickCounter::elapsed(m_collectedSince, kLogEveryTicks) || m_collected.size() >= kMaxCollected)
        flushToLog();
    else
        m_quietTimer->start(kQuietMs);
}

void uartWork::rec_timer_over_process()
{
    if (m_collected.isEmpty())
        return;
    m_quietTimer->stop();
    flushToLog();
}

void uartWork::flushToLog()
{
    emit receiveTimes(m_collectedTimes);
    emit readyread(m_collected);
    m_collected.clear();
    m_collectedTimes.clear();
}

void uartWork::run_timer_cycle_process()
{
    SdoClient::poll();
    m_cycles.fetch_add(1, std::memory_order_relaxed);
    scheduleCycle();
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
