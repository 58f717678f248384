#pragma once
// One scheduler run every sixth tick while the port is open: the status
// monitor's turn, then the page sequencers 1 to 6 and the one-key sequencer in
// a fixed order, then the job code is consumed.

#include "pages/pagejobstate.h"

#include <array>
#include <functional>

class StatusMonitor;

class OperationScheduler {
public:
    using Sequencer = std::function<void(uint8_t node, int16_t jobCode)>;
    using NodeSource = std::function<int()>;

    OperationScheduler(PageJobState &jobs, StatusMonitor &monitor, NodeSource nodeAddress);

    // Page 1..6; an empty slot is skipped.  `oneKey` gets the raw job code whatever the owner.
    void setPageSequencer(uint8_t page, Sequencer sequencer);
    void setOneKeySequencer(Sequencer sequencer);

    void run(bool autoRefresh);

    uint8_t currentNode() const { return m_currentNode; }
    void setCurrentNode(uint8_t node) { m_currentNode = node; }

private:
    PageJobState &m_jobs;
    StatusMonitor &m_monitor;
    NodeSource m_nodeAddress;
    std::array<Sequencer, 6> m_pages;
    Sequencer m_oneKey;
    uint8_t m_currentNode = 1;
};
