#pragma once
// Page 5, "5-程序控制": a program of up to 16 motion steps composed in a
// table, with the input assignment that turns the drive's terminals into
// switch signals, and the start/stop of its run (see ProgramSequencer).

#include "pages/pagejobstate.h"
#include "pages/programsequencer.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

class QComboBox;
class QLabel;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
namespace Ui { class ProgramPageForm; }

class ProgramPage : public QObject, private ProgramHost {
    Q_OBJECT
public:
    static constexpr int kSteps = 16;

    // Builds the page's form into `tab` (its own layout, no margins).
    ProgramPage(QWidget *tab, PageJobState &jobs);
    ~ProgramPage() override;

    void buildProgramTable();
    void refreshProgramRow(int row, bool create, bool modeChanged);
    void showProgramSteps(int n);
    bool readStepRecord(int step, StepRecord &record) const override;

    // Parameter-file keys: 0x5501 step count, 0x5502:1-5 DI1-DI4 and CTRG,
    // 0x5503:1-4 DO1-DO4, 0x5504 + (s - 1):1-12 the fields of step s.
    void setProgramValue(uint16_t index, uint8_t subIndex, uint32_t value);
    uint32_t programValue(uint16_t index, uint8_t subIndex) const;

    void setProgramPageDisabled(bool linkClosed, bool running);
    void runProgramSequencer(uint8_t node, int16_t jobCode);
    void retranslate();

    // The status label's fixed texts ("空闲", "启动中", "执行步骤：n").
    void showProgramStatus(const QString &text) override;
    void stopProgram() override;

    int stepCount() const override;
    uint8_t inputPattern(uint16_t inputs) const override;
    bool isRunning() const { return m_running; }
    const ProgramSequencer &sequencer() const { return m_sequencer; }
    QTreeWidget *table() const;

private:
    struct Row {
        QTreeWidgetItem *item = nullptr;
        QComboBox *workMode = nullptr;
        QComboBox *subMode = nullptr;
        QComboBox *auxOutput = nullptr;
        QSpinBox *startSpeed = nullptr;
        QSpinBox *acceleration = nullptr;
        QSpinBox *runSpeed = nullptr;
        QSpinBox *pulses = nullptr;
        QSpinBox *deceleration = nullptr;
        QComboBox *jumpKind = nullptr;
        QComboBox *switchSignal = nullptr;
        QComboBox *yTarget = nullptr;
        QComboBox *nTarget = nullptr;
    };

    void programDropped() override;
    void onStartClicked();
    void onStopClicked();
    void onStepCountActivated(int index);
    void createRow(int row);
    void fillSubModes(Row &r);
    void applyRowRules(Row &r);
    void retranslateRow(Row &r);
    void setStepField(int step, uint8_t field, uint32_t value);
    uint32_t stepField(int step, uint8_t field) const;
    QComboBox *programCombo(uint16_t index, uint8_t subIndex) const;
    static int workModeValue(const QComboBox *combo);

    PageJobState &m_jobs;
    QWidget *m_formWidget = nullptr;
    std::unique_ptr<Ui::ProgramPageForm> m_form;
    Row m_rows[kSteps];
    ProgramSequencer m_sequencer;
    bool m_running = false;
    bool m_statusSet = false;  // the label shows a run text, not the form's own
};
