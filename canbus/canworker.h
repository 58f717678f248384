#pragma once
// The CAN worker: a standard CAN interface (any of Qt's CAN bus plugins) in
// a thread of its own, in place of the serial adapter.  Frames the encoder
// hands out become QCanBusFrames; received frames become the bytes the serial
// adapter would deliver, all of them for the log and the SDO answers
// (COB-ID 0x580 to 0x5FF) for the engine as well.  Errors of the device, and
// the interface going away, reach the window as the serial errors do: a text,
// then the closed state.

#include "serial/linkworker.h"

#include <QCanBusDevice>

class QTimer;

class CanWorker : public LinkWorker {
    Q_OBJECT
public:
    explicit CanWorker(const comcfg_t &cfg);
    ~CanWorker() override;

    LinkKind linkKind() const override { return LinkCan; }
    // How long an interface may take to connect before the open counts as failed.
    void setOpenTimeLimit(int ms) { m_openTimeLimitMs.store(ms, std::memory_order_relaxed); }

public slots:
    void stopThread() override;
    void writeData(QByteArray data) override;

private slots:
    void openLink();
    void framesReceived();
    void deviceError(QCanBusDevice::CanBusError error);
    void stateChanged(QCanBusDevice::CanBusDeviceState state);
    void openTimedOut();

protected:
    void applyConfig(const comcfg_t &cfg) override;

private:
    void releaseLink() override;
    // Lets go of the device; true if there was one.  Inside one of the
    // device's own signals it is only deleted later (its destructor closes
    // it), never under its own feet; elsewhere it is closed at once, so that
    // a reopen finds the interface free.
    enum class Close { Now, Later };
    bool closeDevice(Close when);
    // The link failed: the text for the user, then the closed state.
    void fail(const QString &text);
    void takeErrorFrame(const QCanBusFrame &frame);

    comcfg_t m_cfg;
    QCanBusDevice *m_device = nullptr;
    QTimer *m_openTimer = nullptr;
    std::atomic<int> m_openTimeLimitMs{3000};
    bool m_connected = false;  // the device reached the connected state since it was opened
    QString m_lastErrorFrame;  // error frames repeat while a fault lasts: each kind is written down once
};
