#pragma once
// What every link to the drive shares, whether a serial adapter (uartWork) or
// a CAN interface (CanWorker): a thread of its own in which the link's device
// is created, used and closed; the cycle that steps the SDO engine, sleeping
// until the engine's next step once the link has been opened; the received
// bytes collected for the log; the same three reports to the window; and a
// shutdown with a time limit.  The window talks to a worker only through
// queued signals.

#include "serial/comcfg.h"

#include <QByteArray>
#include <QObject>
#include <QVector>

#include <atomic>
#include <mutex>

class QThread;
class QTimer;

class LinkWorker : public QObject {
    Q_OBJECT
public:
    ~LinkWorker() override;

    virtual LinkKind linkKind() const = 0;
    // From the owner's thread: close the link and stop the timers in the
    // worker's thread, end that thread and join it.  Returns false if the
    // thread did not end within timeoutMs (the worker is then left alone).
    bool shutdown(int timeoutMs = 1000);
    QThread *workThread() const { return m_thread; }
    // How many times the cycle has stepped the engine (for tests and the benchmark).
    long cycleCount() const { return m_cycles.load(std::memory_order_relaxed); }
    // Called by the owner just before it signals a new configuration: the
    // worker takes it from here, under a lock ThreadSanitizer can see, rather
    // than from the signal's copy, which Qt hands over under locks of its own.
    void stageConfig(const comcfg_t &cfg);

signals:
    void openError(bool open);
    // Just before each readyread: when its bytes were read, as pairs of
    // (offset just past a chunk's bytes, tick of the read).
    void receiveTimes(QVector<quint32> endsAndTicks);
    void readyread(QByteArray data);
    void errOccurred(QString text);

public slots:
    // Applies the configuration last staged (or `cfg` when nothing was staged: a direct call).
    void updateComCfg(const comcfg_t &cfg);
    void startThread();
    virtual void stopThread() = 0;
    virtual void writeData(QByteArray data) = 0;

protected:
    explicit LinkWorker(const QString &threadName);
    // Stores the configuration and opens the link with it (in the worker's thread).
    virtual void applyConfig(const comcfg_t &cfg) = 0;
    // Moves an object the subclass created (its device, a timer) into the worker's thread.
    void adopt(QObject *object);
    // The end of a subclass's constructor: from here on only the worker's
    // thread touches the worker.
    void startWorking();
    // The start of a subclass's destructor, while the subclass still exists.
    void finishWorking();
    // From the first open on, the engine is stepped for the worker's life
    // (also while the link is closed: a request in flight still times out).
    void beginCycling();
    // After anything that can move the engine on: bytes in, a step done, a request placed.
    void scheduleCycle();
    // Received bytes, for the log: one entry once the link falls quiet for
    // 30 ms, and at least every 100 ticks on a link that never does.
    void collectForLog(const QByteArray &bytes);
    // At shutdown, in the worker's thread: close the link (reporting
    // openError(false) if it was open) and release its device.
    virtual void releaseLink() = 0;

private slots:
    void rec_timer_over_process();
    void run_timer_cycle_process();
    void teardown();
    // A request was placed: step the engine now if it sleeps.
    void wakeEngine();

private:
    void flushToLog();
    static void requestPlaced(void *worker);

    QThread *m_thread = nullptr;
    QTimer *m_quietTimer = nullptr;
    QTimer *m_cycleTimer = nullptr;
    QByteArray m_collected;
    uint32_t m_collectedSince = 0;           // tick of the oldest byte in m_collected
    QVector<quint32> m_collectedTimes;       // see receiveTimes
    bool m_cycling = false;                  // the link was opened once: the engine is stepped from here on
    std::atomic<long> m_cycles{0};
    std::atomic<QThread *> m_home{nullptr};  // where the worker goes back to at shutdown
    std::atomic<bool> m_tornDown{false};     // set last by teardown, in the worker's thread
    std::mutex m_stagedLock;
    comcfg_t m_staged;
    bool m_hasStaged = false;
};
