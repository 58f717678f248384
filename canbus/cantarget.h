#pragma once
// Naming a CAN interface: "PLUGIN:INTERFACE" (socketcan:can0,
// virtualcan:tcp://127.0.0.1:35500/can0), the bit rates the tool offers, and
// whether Qt's CAN bus plugins know the plugin and the interface.

#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>

namespace CanTarget {

// The bit rates offered, in bit/s; 500 kbit/s unless chosen otherwise.
const QVector<uint32_t> &bitRates();
constexpr uint32_t kDefaultBitRate = 500000;

// "500k" for 500000 bit/s.
QString bitRateText(uint32_t bitRate);
// "socketcan:can0,500k": how the status bar names the link.
QString labelText(const QString &plugin, const QString &interfaceName, uint32_t bitRate);

// Splits "PLUGIN:INTERFACE" at the first colon (the interface may hold more).
// False when either part is empty.
bool split(const QString &target, QString &plugin, QString &interfaceName);

// One of the offered rates, in bit/s (500000) or kbit/s (500, 500k).  False for anything else.
bool parseBitRate(const QString &text, uint32_t &bitRate);

// Why the plugin or the interface cannot be used, with the list of what is
// available; empty when both are known.  An interface is known when its
// plugin lists it; virtualcan's plugin lists only can0 and can1 but also
// takes them at a TCP address, which must then be an IP address
// (tcp://127.0.0.1:35500/can0).
QString problem(const QString &plugin, const QString &interfaceName);

} // namespace CanTarget
