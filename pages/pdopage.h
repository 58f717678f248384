#pragma once
// Page 4, "4-PDO配置": the mapping entries of RPDO 0-3 (0x1600-0x1603) and
// TPDO 0-3 (0x1A00-0x1A03), and transmission type, inhibit time and event
// timer of each TPDO (0x1800-0x1803), read and written 44 objects at a time.

#include "pages/pagejobstate.h"

#include <QObject>
#include <cstdint>
#include <memory>

class QComboBox;
class QSpinBox;
class QWidget;
namespace Ui { class PdoPageForm; }

class PdoPage : public QObject {
    Q_OBJECT
public:
    enum class PdoKind { Receive, Transmit };

    static constexpr int kRpdoListSize = 14;
    static constexpr int kTpdoListSize = 7;
    // Mapping values offered by the combo boxes, item by item; each list ends with a 0 entry.
    static const uint32_t rpdoMappingList[kRpdoListSize + 1];
    static const uint32_t tpdoMappingList[kTpdoListSize + 1];

    // Builds the page's form into `tab` (the window's empty tab).
    PdoPage(QWidget *tab, PageJobState &jobs);
    ~PdoPage() override;

    void connectButtons();
    void retranslate();
    void setPdoPageDisabled(bool disabled);

    // PDO 0-3, subindex 1-4.  A value outside the list is kept as an extra
    // item; other subindices are ignored (set) or give 0 (get).
    void setPdoMapping(PdoKind kind, int pdo, int subIndex, uint32_t value);
    uint32_t pdoMapping(PdoKind kind, int pdo, int subIndex) const;
    // TPDO 0-3, subindex 2 (transmission type, 8 bit), 3 (inhibit time) or 5 (event timer, 16 bit).
    void setTpdoParameter(int pdo, int subIndex, uint32_t value);
    uint32_t tpdoParameter(int pdo, int subIndex) const;

    void runPdoSequencer(uint8_t node, int16_t jobCode);

    // The widgets, for the window and tests.
    QComboBox *mappingCombo(PdoKind kind, int pdo, int subIndex) const;
    QSpinBox *tpdoParameterSpin(int pdo, int subIndex) const;

private:
    struct Step {
        uint16_t index;
        uint8_t subIndex;
        uint8_t bits;
    };
    static Step stepAt(uint8_t step);
    void fillMappingItems();
    void readStep(uint8_t node);
    void writeStep(uint8_t node);
    void fail(const char *text);

    std::unique_ptr<Ui::PdoPageForm> m_form;
    QWidget *m_widget = nullptr;  // the form, owned by the tab
    PageJobState &m_jobs;
    QComboBox *m_rpdo[4][4] = {};
    QComboBox *m_tpdo[4][4] = {};

    int16_t m_job = -1;  // -1 idle, 0 finished, otherwise the job code
    uint8_t m_sent = 0;  // 1 while the step's request waits for its answer
    uint8_t m_step = 0;  // 0-43
};
