#include "pages/statuspanel.h"

#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QPixmap>

namespace {
const uint16_t kEditObjects[6] = {0x603F, 0x6041, 0x6061, 0x6064, 0x60FD, 0x606C};

int editSlot(uint16_t index)
{
    for (int i = 0; i < 6; ++i) {
        if (kEditObjects[i] == index)
            return i;
    }
    return -1;
}

const QPixmap &lampPixmap(bool on)
{
    static const QPixmap off(QStringLiteral(":/ico1/A1.bmp"));
    static const QPixmap lit(QStringLiteral(":/ico1/A2.bmp"));
    return on ? lit : off;
}
} // namespace

StatusPanel::StatusPanel(Ui::MainWindow *ui_)
    : ui(ui_)
{
    m_edits[0] = ui->common_tw2_tab22_lineEdit_603F;
    m_edits[1] = ui->common_tw2_tab22_lineEdit_6041;
    m_edits[2] = ui->common_tw2_tab22_lineEdit_6061;
    m_edits[3] = ui->common_tw2_tab22_lineEdit_6064;
    m_edits[4] = ui->common_tw2_tab22_lineEdit_60FD;
    m_edits[5] = ui->common_tw2_tab22_lineEdit_606C;
    m_inPlace.label = ui->common_tw2_tab21_label_1;
    m_homed.label = ui->common_tw2_tab21_label_2;
    m_running.label = ui->common_tw2_tab21_label_3;
    m_alarm.label = ui->common_tw2_tab21_label_4;
    m_inputs[0].label = ui->common_tw2_tab23_label_X0;
    m_inputs[1].label = ui->common_tw2_tab23_label_X1;
    m_inputs[2].label = ui->common_tw2_tab23_label_X2;
    m_outputs[0].label = ui->common_tw2_tab23_label_Y0;
    m_outputs[1].label = ui->common_tw2_tab23_label_Y1;
}

QString StatusPanel::formatStatusValue(uint16_t index, uint32_t value)
{
    switch (index) {
    case 0x603F:
    case 0x6041:
    case 0x60FD:
        // Upper-case hex without leading zeros, of which only the last four characters stay.
        return QString::number(value, 16).toUpper().right(4);
    case 0x6061:
        return QString::number(value);
    case 0x6064:
    case 0x606C:
        return QString::number(int32_t(value));
    default:
        return QString();
    }
}

void StatusPanel::showStatusValue(uint16_t index, uint32_t value)
{
    const int slot = editSlot(index);
    if (slot < 0)
        return;
    if (m_editShown[slot] && m_editValues[slot] == value)
        return;
    m_editShown[slot] = true;
    m_editValues[slot] = value;
    m_edits[slot]->setText(formatStatusValue(index, value));
}

void StatusPanel::setLamp(Lamp &lamp, bool on)
{
    if (lamp.shown == int8_t(on))
        return;
    lamp.shown = int8_t(on);
    lamp.label->setPixmap(lampPixmap(on));
}

void StatusPanel::showDriveStatusBits(uint16_t statusword)
{
    setLamp(m_inPlace, statusword & 0x0400);
    setLamp(m_homed, statusword & 0x8000);
    setLamp(m_running, statusword & 0x4000);
    const DriveState::State state = DriveState::fromStatusword(statusword);
    if (m_stateShown && state == m_state)
        return;
    m_stateShown = true;
    m_state = state;
    retranslate();
}

void StatusPanel::retranslate()
{
    if (m_stateShown)
        ui->common_tw2_tab22_label_state->setText(
            QCoreApplication::translate("StatusPanel", DriveState::sourceText(m_state)));
}

void StatusPanel::showAlarmIndicator(uint16_t errorCode)
{
    setLamp(m_alarm, errorCode != 0);
}

void StatusPanel::showInputTerminals(uint16_t bits)
{
    for (int i = 0; i < 3; ++i)
        setLamp(m_inputs[i], bits & (1u << i));
}

void StatusPanel::showOutputTerminals(uint16_t bits)
{
    for (int i = 0; i < 2; ++i)
        setLamp(m_outputs[i], bits & (1u << i));
}

void StatusPanel::hideUnusedTerminals()
{
    QWidget *unused[] = {
        ui->common_tw2_tab23_label_X3, ui->common_tw2_tab23_label_X3_title,
        ui->common_tw2_tab23_label_X4, ui->common_tw2_tab23_label_X4_title,
        ui->common_tw2_tab23_label_X5, ui->common_tw2_tab23_label_X5_title,
        ui->common_tw2_tab23_label_X6, ui->common_tw2_tab23_label_X6_title,
        ui->common_tw2_tab23_label_Y2, ui->common_tw2_tab23_label_Y2_title,
        ui->common_tw2_tab23_label_Y3, ui->common_tw2_tab23_label_Y3_title,
    };
    for (QWidget *w : unused)
        w->hide();
}
