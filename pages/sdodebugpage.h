#pragma once
// Page 6, "CAN调试": reads or writes one arbitrary object of one drive by
// hand.  Unlike the other pages it talks to its own node number, typed on
// the page, not to the window's current node.

#include "pages/pagejobstate.h"

#include <QObject>
#include <cstdint>
#include <memory>

class QWidget;
namespace Ui {
class MainWindow;
class SdoDebugPageForm;
} // namespace Ui

// The page's request and its last result.
struct CANopen_debug_t {
    uint8_t device_addr = 1;
    uint16_t reg_index_addr = 0x6041;
    uint8_t reg_sub_index_addr = 0;
    uint16_t reg_data_len = 1;  // index of the width box: 0 = 8 bit, 1 = 16 bit, 2 = 32 bit
    uint32_t reg_data_val = 0;  // value to write, or the value last read
};

class SdoDebugPage : public QObject {
    Q_OBJECT
public:
    // Puts the page's form into the window's tab_6 and shows the initial record.
    SdoDebugPage(Ui::MainWindow *ui, PageJobState &jobs);
    ~SdoDebugPage() override;

    const CANopen_debug_t &record() const { return CANopen_debug; }

    void refreshSdoDebugView();
    void setSdoDebugPageDisabled(bool disabled);
    void runSdoDebugSequencer(int16_t jobCode);

    void retranslate();

public slots:
    void on_t6_g2_lineEdit_1_device_addr_editingFinished();
    void on_t6_g2_lineEdit_2_reg_index_addr_editingFinished();
    void on_t6_g2_lineEdit_3_reg_sub_index_addr_editingFinished();
    void on_t6_g2_lineEdit_4_data_dec_editingFinished();
    void on_t6_g2_comboBox_1_data_len_activated(int index);
    void on_t6_g2_checkBox_1_HEX_clicked();
    void on_t6_g2_pushButton_1_read_2_clicked();
    void on_t6_g2_pushButton_2_write_2_clicked();

private:
    void readStep();
    void writeStep();
    void takeReadAnswer();

    std::unique_ptr<Ui::SdoDebugPageForm> m_form;
    QWidget *m_widget = nullptr;
    PageJobState &m_jobs;
    CANopen_debug_t CANopen_debug;

    int16_t m_job = -1;  // 0x6001 read, 0x6002 write, 0 finished, -1 idle
    uint8_t m_step = 0;
};
