#pragma once
// The "一键配置" tab: which groups a one-key run takes part in, the operating
// mode, the run's progress, its read / configure / stop buttons, the button
// that makes the drive store its parameters, and the parameter-file buttons.

#include "pages/pagejobstate.h"
#include "paramfile/onekeysequencer.h"

#include <QObject>
#include <cstdint>
#include <memory>

class QCheckBox;
class QTabWidget;
class QWidget;
namespace Ui { class OneKeyPageForm; }

class OneKeyPage : public QObject, private OneKeyHost {
    Q_OBJECT
public:
    static constexpr int kGroups = 5;

    // Builds the form into `tab`; `pageTabs` holds the five page tabs it locks during a run.
    OneKeyPage(QWidget *tab, QTabWidget *pageTabs, PageJobState &jobs);
    ~OneKeyPage() override;

    void initOneKeyPage();
    void retranslate();
    void setOneKeyPageDisabled(bool disabled);
    void setOneKeyProgress(bool disabled, int value) override;
    void setPageTabsLocked(bool locked);

    // Mode 0, 1, 3 or 6 of the selected item; setting any other mode selects item 0.
    uint8_t oneKeyModeValue() const override;
    void setOneKeyModeValue(uint8_t mode) override;
    // Group 1..5: 1 if its check box is checked.
    uint8_t oneKeyGroupValue(int group) const;
    void setOneKeyGroupValue(int group, bool on);

    void runOneKeySequencer(uint8_t node, int16_t jobCode) { m_sequencer.runOneKeySequencer(node, jobCode); }
    // The port closed: a run in progress ends (job idle, busy flag cleared,
    // progress disabled at 0, tabs unlocked) so a new one can start after reopening.
    void endRunOnPortClosed();
    const OneKeySequencer &sequencer() const { return m_sequencer; }

    // For the window and tests.
    QWidget *widget() const { return m_widget; }

signals:
    void exportParamRequested();
    void importParamRequested();

public slots:
    void on_t7_g3_pushButton_1_read_clicked();
    void on_t7_g3_pushButton_1_OKC_clicked();
    void on_t7_g3_pushButton_2_stop_clicked();
    void on_t7_g3_pushButton_1_read_1_OKC_end();
    void on_t7_g2_btn_22_save_power_down_param_clicked();
    void on_t7_g1_pushButton_3_export_param_clicked();
    void on_t7_g1_pushButton_2_import_param_clicked();

private:
    bool oneKeyGroupChecked(int group) const override { return oneKeyGroupValue(group) != 0; }
    void oneKeyStopped() override { on_t7_g3_pushButton_2_stop_clicked(); }
    void oneKeyFinished() override { on_t7_g3_pushButton_1_read_1_OKC_end(); }
    QCheckBox *groupBox(int group) const;
    void startRun(uint16_t code);

    std::unique_ptr<Ui::OneKeyPageForm> m_form;
    QWidget *m_widget = nullptr;  // the form, owned by the tab
    QTabWidget *m_pageTabs = nullptr;
    PageJobState &m_jobs;
    OneKeySequencer m_sequencer;
};
