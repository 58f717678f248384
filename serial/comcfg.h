#pragma once
// The link's configuration (a serial adapter or a CAN interface) handed by
// value between the dialog, the window and the worker (through queued
// signals, hence the meta-type).

#include <QMetaType>
#include <QString>
#include <cstdint>

// The kind of link to the drive: the serial adapter, or a standard CAN
// interface reached through Qt's CAN bus plugins.
enum LinkKind : int32_t { LinkSerial = 0, LinkCan = 1 };

struct comcfg_t {
    int32_t portNumber = 0;     // n of "COM" + n
    uint32_t baudRate = 256000;
    int32_t dataBits = 8;       // QSerialPort::DataBits
    int32_t parity = 0;         // QSerialPort::Parity
    int32_t stopBits = 1;       // QSerialPort::StopBits
    int32_t flowControl = 0;    // QSerialPort::FlowControl
    QString portName;           // system name or device path ("COM3", "ttyUSB0", "/dev/pts/7")
    LinkKind linkKind = LinkSerial;
    QString canPlugin;          // a QCanBus plugin: "socketcan", "peakcan", "virtualcan" ...
    QString canInterface;       // one of its interfaces: "can0", "usb0", "tcp://127.0.0.1:35500/can0"
    uint32_t canBitRate = 500000;
};
Q_DECLARE_METATYPE(comcfg_t)

void registerComcfgType();

// The highest rate a port accepts (QSerialPort takes it as a signed 32-bit number).
constexpr uint32_t kMaxBaudRate = 2147483647u;

// The name the worker opens: "COM" + number on Windows, the system name elsewhere.
QString portSystemName(const comcfg_t &cfg);
// The status bar text: "com3,115200," on Windows, "ttyUSB0,115200," elsewhere.
QString portLabelText(const comcfg_t &cfg);
// What the status bar's port label shows for either kind of link
// ("socketcan:can0,500k" for a CAN interface).
QString linkLabelText(const comcfg_t &cfg);
// The number after the first "M" of a name (COM12 gives 12), 0 when there is none.
int32_t portNumberFromName(const QString &name);
