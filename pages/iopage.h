#pragma once
// Page 3, "3-输入/输出参数": the function and level inversion of each digital
// terminal of the drive.  All of it lives in object 0x2030, one subindex per
// setting: inversion masks at 1 (inputs) and 12 (outputs), function codes of
// X0..X5 at 2..7 and of Y0..Y3 at 13..16.

#include "pages/pagejobstate.h"

#include <QObject>
#include <cstdint>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QWidget;
namespace Ui {
class MainWindow;
class IoPageForm;
} // namespace Ui

class IoPage : public QObject {
    Q_OBJECT
public:
    static constexpr uint16_t kTerminalObject = 0x2030;

    // Puts the page's form into the window's tab_3.
    IoPage(Ui::MainWindow *ui, PageJobState &jobs);
    ~IoPage() override;

    // Disables the visible editors and buttons; the unused rows are hidden on every call.
    void setIoPageDisabled(bool disabled);

    // One subindex of 0x2030 to or from the widgets; subindices without a widget are ignored / read 0.
    void setIoTerminalValue(uint8_t subIndex, uint16_t value);
    uint16_t ioTerminalValue(uint8_t subIndex) const;

    void runIoSequencer(uint8_t node, int16_t jobCode);

    void retranslate();

public slots:
    void on_t3_g1_btn_1_read_param_clicked();
    void on_t3_g1_btn_1_write_param_clicked();

private:
    static constexpr int kRowCount = 14;
    struct Row {
        QLabel *label = nullptr;
        QCheckBox *check = nullptr;
        QComboBox *combo = nullptr;
        bool output = false;
        bool shown = false;
        // A function code the list does not have: written back as it came
        // until the user picks an item.
        int unlistedCode = -1;
    };
    void fillFunctionLists();
    void setMask(int firstRow, int bits, uint16_t mask);
    uint16_t mask(int firstRow, int bits) const;
    void setFunctionCode(Row &row, uint16_t code);
    uint16_t functionCode(const Row &row) const;
    void readStep(uint8_t node);
    void writeStep(uint8_t node);
    void advance(uint8_t doneCode);
    void fail(const char *text);

    std::unique_ptr<Ui::IoPageForm> m_form;
    QWidget *m_widget = nullptr;
    PageJobState &m_jobs;
    Row m_rows[kRowCount];

    int16_t m_job = -1;     // 0x3001 read, 0x3002 write, 0 finished, -1 idle
    uint8_t m_sent = 0;     // 0: next request still to place, 1: waiting for its answer
    uint8_t m_counter = 0;  // the subindex being transferred
};
