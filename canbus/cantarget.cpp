#include "canbus/cantarget.h"

#include <QCanBus>
#include <QHostAddress>
#include <QRegularExpression>
#include <QUrl>
#include <QVector>

namespace CanTarget {

const QVector<uint32_t> &bitRates()
{
    static const QVector<uint32_t> rates{125000, 250000, 500000, 1000000};
    return rates;
}

QString bitRateText(uint32_t bitRate)
{
    return bitRate % 1000 == 0 ? QStringLiteral("%1k").arg(bitRate / 1000) : QString::number(bitRate);
}

QString labelText(const QString &plugin, const QString &interfaceName, uint32_t bitRate)
{
    return QStringLiteral("%1:%2,%3").arg(plugin, interfaceName, bitRateText(bitRate));
}

bool split(const QString &target, QString &plugin, QString &interfaceName)
{
    const int colon = target.indexOf(QLatin1Char(':'));
    if (colon <= 0 || colon == target.size() - 1)
        return false;
    plugin = target.left(colon).trimmed();
    interfaceName = target.mid(colon + 1).trimmed();
    return !plugin.isEmpty() && !interfaceName.isEmpty();
}

bool parseBitRate(const QString &text, uint32_t &bitRate)
{
    QString digits = text.trimmed().toLower();
    const bool kilo = digits.endsWith(QLatin1Char('k'));
    if (kilo)
        digits.chop(1);
    bool ok = false;
    const uint value = digits.toUInt(&ok);
    if (!ok)
        return false;
    for (const uint32_t rate : bitRates()) {
        if (value == rate / 1000 || (!kilo && value == rate)) {
            bitRate = rate;
            return true;
        }
    }
    return false;
}

namespace {

QString listOrNone(const QStringList &names)
{
    return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}

// virtualcan also takes its channels at a TCP address; Qt 5.15 reads the
// host only as an IP address and quietly connects nowhere for a host name.
QString virtualAddressProblem(const QString &interfaceName)
{
    const QUrl url(interfaceName, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("tcp"))
        return QStringLiteral("unknown interface '%1' of virtualcan").arg(interfaceName);
    static const QRegularExpression channel(QStringLiteral("^/can[01]$"));
    if (!channel.match(url.path()).hasMatch())
        return QStringLiteral("unknown channel in '%1': virtualcan has can0 and can1").arg(interfaceName);
    if (QHostAddress(url.host()).isNull())
        return QStringLiteral("'%1' needs an IP address, not a host name (tcp://127.0.0.1:35500/can0)")
            .arg(interfaceName);
    return {};
}

} // namespace

QString problem(const QString &plugin, const QString &interfaceName)
{
    const QStringList plugins = QCanBus::instance()->plugins();
    if (!plugins.contains(plugin))
        return QStringLiteral("unknown CAN plugin '%1'; available plugins: %2").arg(plugin, listOrNone(plugins));
    QString error;
    QStringList names;
    const auto devices = QCanBus::instance()->availableDevices(plugin, &error);
    for (const auto &device : devices)
        names << device.name();
    if (names.contains(interfaceName))
        return {};
    if (plugin == QLatin1String("virtualcan") && interfaceName.contains(QLatin1String("://"))) {
        const QString address = virtualAddressProblem(interfaceName);
        if (address.isEmpty())
            return {};
        return address + QStringLiteral("; available interfaces: %1").arg(listOrNone(names));
    }
    QString text = QStringLiteral("unknown interface '%1' of %2; available interfaces: %3")
                       .arg(interfaceName, plugin, listOrNone(names));
    if (!error.isEmpty())
        text += QStringLiteral(" (%1)").arg(error);
    return text;
}

} // namespace CanTarget
