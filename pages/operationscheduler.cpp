#include "pages/operationscheduler.h"

#include "pages/statusmonitor.h"

OperationScheduler::OperationScheduler(PageJobState &jobs, StatusMonitor &monitor, NodeSource nodeAddress)
    : m_jobs(jobs)
    , m_monitor(monitor)
    , m_nodeAddress(std::move(nodeAddress))
{
}

void OperationScheduler::setPageSequencer(uint8_t page, Sequencer sequencer)
{
    if (page >= 1 && page <= m_pages.size())
        m_pages[page - 1] = std::move(sequencer);
}

void OperationScheduler::setOneKeySequencer(Sequencer sequencer)
{
    m_oneKey = std::move(sequencer);
}

void OperationScheduler::run(bool autoRefresh)
{
    const uint16_t codeAtStart = m_jobs.pageJobCode;
    m_currentNode = uint8_t(m_nodeAddress());
    m_monitor.runStatusMonitor(m_currentNode, m_jobs.pageJobBusy ? false : autoRefresh);
    for (uint8_t page = 1; page <= m_pages.size(); ++page) {
        if (m_pages[page - 1])
            m_pages[page - 1](m_currentNode, m_jobs.codeFor(page));
    }
    if (m_oneKey)
        m_oneKey(m_currentNode, int16_t(m_jobs.pageJobCode));
    // A sequencer that asked for a new job during this run keeps it for the next one.
    if (m_jobs.pageJobCode == codeAtStart)
        m_jobs.pageJobCode = 0;
    if (m_jobs.pageJobRequestMark == PageJobState::Marked && m_jobs.pageJobDoneMark == PageJobState::Marked)
        m_jobs.clearPageJobMarks();
}
