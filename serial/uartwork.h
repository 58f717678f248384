#pragma once
// The serial worker: owns the port in a thread of its own (LinkWorker), which
// also steps the SDO engine once the port has been opened.

#include "serial/linkworker.h"

#include <QSerialPort>

class uartWork : public LinkWorker {
    Q_OBJECT
public:
    explicit uartWork(const comcfg_t &cfg);
    ~uartWork() override;

    LinkKind linkKind() const override { return LinkSerial; }

public slots:

    void stopThread() override;
    void writeData(QByteArray data) override;

private slots:
    void readyRead();
    void openUart();
    void errorOccurred(QSerialPort::SerialPortError error);

protected:
    void applyConfig(const comcfg_t &cfg) override;

private:
    void releaseLink() override;
    void closePort();
    bool deviceIsGone() const;

    comcfg_t m_cfg;
    QSerialPort *m_port = nullptr;
    bool m_lastOpenResult = false;
    bool m_quietErrors = false;
};
