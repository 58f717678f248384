#include "serial/linkworker.h"

#include "app/tickcounter.h"
#include "protocol/sdoclient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

namespace {
// The log gets what was read once the link has been quiet this long ...
constexpr int kQuietMs = 30;
// ... and, on a bus that is never quiet, at least this often and before this
// many bytes have piled up.
constexpr uint32_t kLogEveryTicks = 100;
constexpr int kMaxCollected = 8192;
} // namespace

LinkWorker::LinkWorker(const QString &threadName)
{
    registerComcfgType();
    m_thread = new QThread;
    m_thread->setObjectName(threadName);
    m_quietTimer = new QTimer;
    m_cycleTimer = new QTimer;
    m_quietTimer->setInterval(kQuietMs);
    m_quietTimer->setTimerType(Qt::PreciseTimer);
    // The engine's time-outs are counted in milliseconds: the cycle wakes on time, not up to 5 % late.
    m_cycleTimer->setTimerType(Qt::PreciseTimer);
    m_cycleTimer->setSingleShot(true);

    moveToThread(m_thread);
    adopt(m_quietTimer);
    adopt(m_cycleTimer);
    connect(m_quietTimer, &QTimer::timeout, this, &LinkWorker::rec_timer_over_process, Qt::QueuedConnection);
    connect(m_cycleTimer, &QTimer::timeout, this, &LinkWorker::run_timer_cycle_process, Qt::QueuedConnection);
}

void LinkWorker::adopt(QObject *object)
{
    object->moveToThread(m_thread);
}

void LinkWorker::startWorking()
{
    m_thread->start(QThread::InheritPriority);
    SdoClient::setWakeHandler(&LinkWorker::requestPlaced, this);
}

void LinkWorker::requestPlaced(void *worker)
{
    QMetaObject::invokeMethod(static_cast<LinkWorker *>(worker), &LinkWorker::wakeEngine, Qt::QueuedConnection);
}

void LinkWorker::finishWorking()
{
    SdoClient::setWakeHandler(nullptr, nullptr);
    if (m_thread && m_thread->isRunning())
        shutdown();
}

LinkWorker::~LinkWorker()
{
    // After a completed shutdown the link and timers are gone and the thread has ended.
    if (m_thread && !m_thread->isRunning()) {
        delete m_thread;
        m_thread = nullptr;
    }
}

bool LinkWorker::shutdown(int timeoutMs)
{
    SdoClient::setWakeHandler(nullptr, nullptr);
    if (!m_thread || !m_thread->isRunning())
        return true;
    m_home.store(QThread::currentThread(), std::memory_order_release);
    QMetaObject::invokeMethod(this, &LinkWorker::teardown, Qt::QueuedConnection);
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

void LinkWorker::teardown()
{
    delete m_quietTimer;
    m_quietTimer = nullptr;
    delete m_cycleTimer;
    m_cycleTimer = nullptr;
    releaseLink();
    m_collected.clear();
    m_collectedTimes.clear();
    // Hand the worker back so that its owner can delete it once the thread has ended.
    moveToThread(m_home.load(std::memory_order_acquire));
    m_thread->quit();
    m_tornDown.store(true, std::memory_order_release);
}

void LinkWorker::stageConfig(const comcfg_t &cfg)
{
    std::lock_guard<std::mutex> lock(m_stagedLock);
    m_staged = cfg;
    m_hasStaged = true;
}

void LinkWorker::updateComCfg(const comcfg_t &cfg)
{
    comcfg_t next;
    {
        std::lock_guard<std::mutex> lock(m_stagedLock);
        next = m_hasStaged ? m_staged : cfg;
    }
    applyConfig(next);
}

void LinkWorker::startThread()
{
    if (m_thread && !m_thread->isRunning())
        m_thread->start(QThread::InheritPriority);
}

void LinkWorker::beginCycling()
{
    m_cycling = true;
    scheduleCycle();
}

void LinkWorker::scheduleCycle()
{
    if (!m_cycling || !m_cycleTimer)
        return;
    const int32_t ticks = SdoClient::ticksUntilNextStep();
    if (ticks < 0)
        m_cycleTimer->stop();
    else
        m_cycleTimer->start(int(ticks));
}

void LinkWorker::wakeEngine()
{
    scheduleCycle();
}

void LinkWorker::run_timer_cycle_process()
{
    SdoClient::poll();
    m_cycles.fetch_add(1, std::memory_order_relaxed);
    scheduleCycle();
}

void LinkWorker::collectForLog(const QByteArray &bytes)
{
    if (bytes.isEmpty() || !m_quietTimer)
        return;
    m_quietTimer->stop();
    const uint32_t now = TickCounter::now();
    if (m_collected.isEmpty())
        m_collectedSince = now;
    m_collected.append(bytes);
    // Reads of the same tick share one entry.
    if (m_collectedTimes.size() >= 2 && m_collectedTimes.last() == now)
        m_collectedTimes[m_collectedTimes.size() - 2] = quint32(m_collected.size());
    else
        m_collectedTimes << quint32(m_collected.size()) << now;
    if (TickCounter::elapsed(m_collectedSince, kLogEveryTicks) || m_collected.size() >= kMaxCollected)
        flushToLog();
    else
        m_quietTimer->start(kQuietMs);
}

void LinkWorker::rec_timer_over_process()
{
    if (m_collected.isEmpty())
        return;
    m_quietTimer->stop();
    flushToLog();
}

void LinkWorker::flushToLog()
{
    // Swapped out, not cleared: clearing a vector still shared with the
    // queued signal's copy would read its block while the window's thread
    // may be writing it.
    QVector<quint32> times;
    times.swap(m_collectedTimes);
    emit receiveTimes(times);
    emit readyread(m_collected);
    m_collected.clear();
}
