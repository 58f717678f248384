#pragma once
// The serial worker: owns the port and its two timers in a thread of its own.
// The window talks to it only through queued signals.  Its cycle timer steps
// the SDO engine: once the port has been opened it runs whenever the engine
// has something to do (a request to send or in flight, a partial frame) and
// sleeps until exactly then, so an idle link costs no wake-ups.

#include "serial/comcfg.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QVector>

#include <atomic>

class QThread;
class QTimer;

class uartWork : public QObject {
    Q_OBJECT
public:
    explicit uartWork(const comcfg_t &cfg);
    ~uartWork() override;

    // From the owner's thread: close the port and stop the timers in the
    // worker's thread, end that thread and join it.  Returns false if the
    // thread did not end within timeoutMs (the worker is then left alone).
    bool shutdown(int timeoutMs = 1000);
    QThread *workThread() const { return m_thread; }
    // How many times the cycle has stepped the engine (for tests and the benchmark).
    long cycleCount() const { return m_cycles.load(std::memory_order_relaxed); }

signals:
    void openError(bool open);
    // Just before each readyread: when its bytes were read, as pairs of
    // (offset just past a chunk's bytes, tick of the read).
    void receiveTimes(QVector<quint32> endsAndTicks);
    void readyread(QByteArray data);
    void errOccurred(QString text);

public slots:
    void updateComCfg(comcfg_t cfg);
    void startThread();
    void stopThread();
    void writeData(QByteArray data);

private slots:
    void readyRead();
    void openUart();
    void errorOccurred(QSerialPort::SerialPortError error);
    void rec_timer_over_process();
    void run_timer_cycle_process();
    void teardown();
    // A request was placed: step the engine now if it sleeps.
    void wakeEngine();

private:
    void closePort();
    void flushToLog();
    void scheduleCycle();
    static void requestPlaced(void *worker);
    bool deviceIsGone() const;

    comcfg_t m_cfg;
    QSerialPort *m_port = nullptr;
    QThread *m_thread = nullptr;
    QTimer *m_quietTimer = nullptr;
    QTimer *m_cycleTimer = nullptr;
    QByteArray m_collected;
    uint32_t m_collectedSince = 0;  // tick of the oldest byte in m_collected
    QVector<quint32> m_collectedTimes;  // see receiveTimes
    bool m_lastOpenResult = false;
    bool m_cycling = false;                  // the port was opened once: the engine is stepped from here on
    std::atomic<long> m_cycles{0};
    std::atomic<QThread *> m_home{nullptr};  // where the worker goes back to at shutdown
    bool m_quietErrors = false;
    std::atomic<bool> m_tornDown{false};     // set last by teardown, in the worker's thread
};
