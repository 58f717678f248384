#include "app/linkoptions.h"

#include "canbus/cantarget.h"

#include <QCommandLineParser>

namespace LinkOptions {

void addCanOptions(QCommandLineParser &parser)
{
    parser.addOption(QCommandLineOption(
        QStringLiteral("can"),
        QStringLiteral("Open CAN interface PLUGIN:INTERFACE at start-up instead of a serial port "
                       "(socketcan:can0, peakcan:usb0, virtualcan:tcp://127.0.0.1:35500/can0)."),
        QStringLiteral("PLUGIN:INTERFACE")));
    parser.addOption(QCommandLineOption(QStringLiteral("bitrate"),
                                        QStringLiteral("CAN bit rate: 125, 250, 500 or 1000 kbit/s (default 500)."),
                                        QStringLiteral("N")));
}

bool linkFromOptions(const QCommandLineParser &parser, const QString &port, uint32_t baud, comcfg_t &cfg,
                     bool &given, QString &error)
{
    const QString canOption = QStringLiteral("can");
    const QString bitRateOption = QStringLiteral("bitrate");
    given = false;
    if (!parser.isSet(canOption)) {
        if (parser.isSet(bitRateOption)) {
            error = QStringLiteral("--bitrate is for a CAN interface: give --can as well");
            return false;
        }
        if (port.isEmpty())
            return true;
        cfg.linkKind = LinkSerial;
        cfg.portName = port;
        cfg.portNumber = portNumberFromName(port);
        cfg.baudRate = baud;
        given = true;
        return true;
    }
    if (!port.isEmpty()) {
        error = QStringLiteral("--can and --port name two links: give one of them");
        return false;
    }
    if (parser.isSet(QStringLiteral("baud"))) {
        error = QStringLiteral("--baud is for a serial port: a CAN interface takes --bitrate");
        return false;
    }
    const QString target = parser.value(canOption).trimmed();
    QString plugin;
    QString interfaceName;
    if (!CanTarget::split(target, plugin, interfaceName)) {
        error = QStringLiteral("invalid --can '%1': expected PLUGIN:INTERFACE, for example socketcan:can0").arg(target);
        return false;
    }
    uint32_t bitRate = CanTarget::kDefaultBitRate;
    if (parser.isSet(bitRateOption) && !CanTarget::parseBitRate(parser.value(bitRateOption), bitRate)) {
        error = QStringLiteral("invalid --bitrate '%1': expected 125, 250, 500 or 1000 (kbit/s)")
                    .arg(parser.value(bitRateOption));
        return false;
    }
    const QString problem = CanTarget::problem(plugin, interfaceName);
    if (!problem.isEmpty()) {
        error = QStringLiteral("--can: ") + problem;
        return false;
    }
    cfg.linkKind = LinkCan;
    cfg.canPlugin = plugin;
    cfg.canInterface = interfaceName;
    cfg.canBitRate = bitRate;
    given = true;
    return true;
}

} // namespace LinkOptions
