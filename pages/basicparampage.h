#pragma once
// Page 1, "1-基础参数": eleven 16-bit manufacturer objects in a two-level
// tree, read and written row by row or all at once.

#include "pages/pagejobstate.h"

#include <QObject>
#include <cstdint>

class QComboBox;
class QPushButton;
class QSpinBox;
class QTreeWidgetItem;
namespace Ui { class MainWindow; }

class BasicParamPage : public QObject {
    Q_OBJECT
public:
    static constexpr int kRowCount = 11;
    static const uint16_t basicParamObjects[kRowCount];

    BasicParamPage(Ui::MainWindow *ui, PageJobState &jobs);

    void connectPageButtons();
    void buildBasicParamTree();
    void setBasicParamPageDisabled(bool disabled);

    // (group, row): group 1 rows 1-9, group 2 rows 1-2.
    void setBasicParamValue(int group, int row, uint16_t value);
    void markBasicParamError(int group, int row);
    uint16_t basicParamValue(int group, int row) const;
    void applyCurrentRange(uint32_t model);

    void runBasicParamSequencer(uint8_t node, int16_t jobCode);

    // The tree item of a row (column 1 holds the drive's value) - for the window and tests.
    QTreeWidgetItem *rowItem(int group, int row) const;

private:
    struct Row {
        QTreeWidgetItem *item = nullptr;
        QSpinBox *spin = nullptr;
        QComboBox *combo = nullptr;
        // The drive's value for a combo row when it matches no item; sent and
        // stored instead of the empty selection until the user picks an item.
        int unlistedValue = -1;
    };
    static int positionOf(int group, int row);
    static void rowOf(int position, int &group, int &row);
    static uint16_t rowCode(uint16_t base, int position);
    void requestFromButton(const char *diagnostic, uint16_t code);
    void readStep(uint8_t node);
    void writeStep(uint8_t node);
    void advance();
    void fail(const char *text);

    Ui::MainWindow *ui;
    PageJobState &m_jobs;
    Row m_rows[kRowCount];

    int16_t m_job = -1;  // -1 idle, 0 finished, otherwise the job code
    uint8_t m_position = 0;
    uint8_t m_phase = 0;  // 0: request to place, 1: waiting for its answer
    bool m_singleRow = false;
};
