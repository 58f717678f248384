#include "serial/comcfg.h"

#include "canbus/cantarget.h"

void registerComcfgType()
{
    qRegisterMetaType<comcfg_t>("comcfg_t");
}

QString portSystemName(const comcfg_t &cfg)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(cfg.portNumber);
#else
    return cfg.portName.isEmpty() ? QStringLiteral("COM%1").arg(cfg.portNumber) : cfg.portName;
#endif
}

QString portLabelText(const comcfg_t &cfg)
{
#ifdef Q_OS_WIN
    return QStringLiteral("com%1,%2,").arg(cfg.portNumber).arg(cfg.baudRate);
#else
    return QStringLiteral("%1,%2,").arg(portSystemName(cfg)).arg(cfg.baudRate);
#endif
}

QString linkLabelText(const comcfg_t &cfg)
{
    if (cfg.linkKind == LinkCan)
        return CanTarget::labelText(cfg.canPlugin, cfg.canInterface, cfg.canBitRate);
    return portLabelText(cfg);
}

int32_t portNumberFromName(const QString &name)
{
    const int m = name.indexOf(QLatin1Char('M'));
    if (m < 0)
        return 0;
    return name.mid(m + 1).toInt();
}
