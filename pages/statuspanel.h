#pragma once
// The status tabs beside the pages: six line edits and the drive's state in
// words on "CiA402状态", four lamps on "驱动器状态" and the terminal lamps on
// "IO状态".  Widgets are touched only when what they show changes.

#include "pages/drivestate.h"
#include "pages/statusmonitor.h"

#include <QString>

class QLabel;
class QLineEdit;
class QPixmap;
namespace Ui { class MainWindow; }

class StatusPanel : public StatusDisplay {
public:
    explicit StatusPanel(Ui::MainWindow *ui);

    void showStatusValue(uint16_t index, uint32_t value) override;
    void showDriveStatusBits(uint16_t statusword) override;
    void showAlarmIndicator(uint16_t errorCode) override;
    void showInputTerminals(uint16_t bits) override;
    void showOutputTerminals(uint16_t bits) override;

    // The rows X3-X6, Y2 and Y3 have no terminal behind them.
    void hideUnusedTerminals();
    // The state's name again in the language now installed.
    void retranslate();

    // The text showStatusValue gives a polled value (empty for other objects).
    static QString formatStatusValue(uint16_t index, uint32_t value);

private:
    struct Lamp {
        QLabel *label = nullptr;
        int8_t shown = 0;  // 0 off, 1 on (every lamp starts off)
    };
    void setLamp(Lamp &lamp, bool on);

    Ui::MainWindow *ui;
    QLineEdit *m_edits[6] = {};
    uint32_t m_editValues[6] = {};
    bool m_editShown[6] = {};
    Lamp m_inPlace, m_homed, m_running, m_alarm;
    Lamp m_inputs[3], m_outputs[2];
    bool m_stateShown = false;
    DriveState::State m_state = DriveState::State::Unknown;
};
