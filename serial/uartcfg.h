#pragma once
// The connection dialog: the kind of link, then for the serial adapter the
// port and baud rate, for a CAN interface plugin, interface and bit rate
// (CanLinkForm).  Non-modal; keeps its own
// copy of the configuration and reports it with setUart (once, after the first
// port-list refresh) and setUartFinish (on every confirmation).  The port list
// is refreshed every 700 ms while the dialog is shown (and once, 700 ms after
// start-up, for setUart); a hidden dialog costs nothing.

#include "serial/comcfg.h"

#include <QDialog>
#include <QStringList>

class CanLinkForm;
class QTimer;
namespace Ui { class uartCfg; }

class uartCfg : public QDialog {
    Q_OBJECT
public:
    explicit uartCfg(QWidget *parent = nullptr);
    ~uartCfg() override;

    // Takes all six values from the window's configuration and shows its baud rate.
    void setConfig(const comcfg_t &cfg);
    comcfg_t config() const { return m_cfg; }
    // Case-sensitive order, as the port list shows it (COM10 before COM3).
    static QStringList sortPortNames(QStringList names);

signals:
    void setUart(comcfg_t cfg);
    void setUartFinish(comcfg_t cfg);

public slots:
    void setUiBaund(uint baund);
    QStringList getComNum();
    void flushComList();
    void changedBaundIndex(int index);
    void on_falseButton_clicked();
    void on_okButton_clicked();
    void on_baundBox_activated(const QString &text);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void takePortFrom(const QString &name);
    // Shows the rows of the chosen kind of link only.
    void showLinkRows(int kind);
    void confirmCanLink();

    Ui::uartCfg *ui;
    comcfg_t m_cfg;
    QTimer *m_refreshTimer;
    bool m_firstRefresh = true;
    CanLinkForm *m_canForm = nullptr;
};
