#include "canbus/canlinkform.h"

#include "canbus/cantarget.h"

#include <QCanBus>
#include <QComboBox>

CanLinkForm::CanLinkForm(QComboBox *plugins, QComboBox *interfaces, QComboBox *bitRates, QObject *parent)
    : QObject(parent)
    , m_plugins(plugins)
    , m_interfaces(interfaces)
    , m_bitRates(bitRates)
{
    const QStringList names = QCanBus::instance()->plugins();
    m_plugins->addItems(names);
    // The interface most engineers have at hand: SocketCAN on Linux, PEAK elsewhere.
    for (const char *preferred : {"socketcan", "peakcan"}) {
        const int index = names.indexOf(QLatin1String(preferred));
        if (index >= 0) {
            m_plugins->setCurrentIndex(index);
            break;
        }
    }
    for (const uint32_t rate : CanTarget::bitRates())
        m_bitRates->addItem(QStringLiteral("%1 kbit/s").arg(rate / 1000), uint(rate));
    m_bitRates->setCurrentIndex(m_bitRates->findData(uint(CanTarget::kDefaultBitRate)));
    m_interfaces->setEditable(true);
    m_interfaces->setInsertPolicy(QComboBox::NoInsert);
    refreshInterfaces();
    connect(m_plugins, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this]() {
        m_interfaces->clearEditText();
        refreshInterfaces();
    });
}

void CanLinkForm::refreshInterfaces()
{
    const QString typed = m_interfaces->currentText();
    QStringList names;
    const auto devices = QCanBus::instance()->availableDevices(m_plugins->currentText());
    for (const auto &device : devices)
        names << device.name();
    m_interfaces->clear();
    m_interfaces->addItems(names);
    if (!typed.isEmpty())
        m_interfaces->setEditText(typed);
}

void CanLinkForm::showConfig(const comcfg_t &cfg)
{
    if (cfg.canPlugin.isEmpty())
        return;
    if (m_plugins->findText(cfg.canPlugin) < 0)
        m_plugins->addItem(cfg.canPlugin);  // not installed here: shown as it was asked for
    m_plugins->setCurrentText(cfg.canPlugin);
    m_interfaces->setEditText(cfg.canInterface);
    int rate = m_bitRates->findData(uint(cfg.canBitRate));
    if (rate < 0) {
        m_bitRates->addItem(CanTarget::bitRateText(cfg.canBitRate), uint(cfg.canBitRate));
        rate = m_bitRates->count() - 1;
    }
    m_bitRates->setCurrentIndex(rate);
}

bool CanLinkForm::read(comcfg_t &cfg) const
{
    const QString interfaceName = m_interfaces->currentText().trimmed();
    if (m_plugins->currentText().isEmpty() || interfaceName.isEmpty())
        return false;
    cfg.canPlugin = m_plugins->currentText();
    cfg.canInterface = interfaceName;
    cfg.canBitRate = m_bitRates->currentData().toUInt();
    return true;
}
