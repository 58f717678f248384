#pragma once
// The CAN part of the connection dialog: the plugin (QCanBus::plugins()),
// the interface (the plugin's own list, or a typed name) and the bit rate.

#include "serial/comcfg.h"

#include <QObject>

class QComboBox;

class CanLinkForm : public QObject {
    Q_OBJECT
public:
    CanLinkForm(QComboBox *plugins, QComboBox *interfaces, QComboBox *bitRates, QObject *parent);

    // The chosen plugin's interfaces, anew; a name typed in the field stays.
    void refreshInterfaces();
    // Shows the CAN part of a configuration (one without a plugin changes nothing).
    void showConfig(const comcfg_t &cfg);
    // Writes the chosen plugin, interface and bit rate into `cfg`; false,
    // with `cfg` untouched, when no interface is named.
    bool read(comcfg_t &cfg) const;

private:
    QComboBox *m_plugins;
    QComboBox *m_interfaces;
    QComboBox *m_bitRates;
};
