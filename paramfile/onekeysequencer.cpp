#include "paramfile/onekeysequencer.h"

#include "app/messageboxes.h"
#include "protocol/sdoclient.h"

#include <QDebug>

namespace {

constexpr uint16_t kModeObject = 0x6060;
constexpr uint8_t kModePhase = 1;
constexpr uint8_t kLastGroupPhase = 5;
constexpr int kModeDoneProgress = 40;
constexpr int kEndProgress = 100;

struct GroupStage {
    int group;  // check box 1..5
    uint8_t page;
    uint16_t readJob;
    uint8_t readDone;
    uint16_t writeJob;
    uint8_t writeDone;
    int progressRequested;
    int progressSkipped;
};

// Indexed by phase; phase 1 is the operating mode and has no page.
const GroupStage kStages[kLastGroupPhase + 1] = {
    {1, 1, 0x1001, 1, 0x1002, 101, 20, 10},
    {0, 0, 0, 0, 0, 0, 0, 0},
    {2, 2, 0x2070, 4, 0x2071, 104, 50, 45},
    {3, 2, 0x2062, 5, 0x2063, 105, 60, 55},
    {4, 3, 0x3001, 6, 0x3002, 106, 80, 70},
    {5, 4, 0x4001, 7, 0x4002, 107, 95, 90},
};

} // namespace

OneKeySequencer::OneKeySequencer(PageJobState &jobs, OneKeyHost &host)
    : m_jobs(jobs)
    , m_host(host)
{
}

void OneKeySequencer::runOneKeySequencer(uint8_t node, int16_t jobCode)
{
    if (jobCode == Read || jobCode == Configure || jobCode == Stop) {
        m_job = jobCode;
        m_phase = 0;
        m_requestSent = false;
        m_waitingForPage = false;
    }
    if (!turnIsEligible())
        return;
    switch (m_job) {
    case Finished:
        m_jobs.pageJobBusy = 0;
        m_job = Idle;
        break;
    case Stop:
        m_job = Finished;
        break;
    case Read:
    case Configure:
        m_jobs.pageJobBusy = 1;
        if (m_phase == kModePhase)
            runModePhase(node);
        else if (m_phase <= kLastGroupPhase)
            runGroupPhase();
        else {
            m_host.setOneKeyProgress(false, kEndProgress);
            m_host.oneKeyFinished();
            m_job = Finished;
        }
        break;
    default:
        break;
    }
}

void OneKeySequencer::runGroupPhase()
{
    const GroupStage &stage = kStages[m_phase];
    const bool read = m_job == Read;
    if (!m_waitingForPage) {
        if (m_host.oneKeyGroupChecked(stage.group)) {
            m_jobs.pageJobResult = 0;
            m_waitingForPage = true;
            m_jobs.requestPageJob(stage.page, read ? stage.readJob : stage.writeJob);
            m_host.setOneKeyProgress(false, stage.progressRequested);
        } else {
            m_host.setOneKeyProgress(false, stage.progressSkipped);
            ++m_phase;
        }
        return;
    }
    const uint8_t result = m_jobs.pageJobResult;
    if (result == (read ? stage.readDone : stage.writeDone)) {
        m_waitingForPage = false;
        ++m_phase;
    } else if (result == PageJobState::Failed) {
        // The page has shown its own box already.
        m_job = Finished;
        m_waitingForPage = false;
        m_host.oneKeyStopped();
    }
}

void OneKeySequencer::runModePhase(uint8_t node)
{
    const bool read = m_job == Read;
    if (!m_requestSent) {
        m_requestSent = true;
        if (read)
            SdoClient::requestRead(node, kModeObject, 0);
        else
            SdoClient::requestWrite8(node, kModeObject, 0, m_host.oneKeyModeValue());
        return;
    }
    if (SdoClient::resultStatus() == 0) {
        fail(read ? "运行模式，读错误" : "运行模式，写错误");
        return;
    }
    SdoClient::clearResultStatus();
    // An answer for another object carries no mode.
    if (read && SdoClient::resultIndex() == kModeObject && SdoClient::resultSubIndex() == 0)
        m_host.setOneKeyModeValue(SdoClient::resultValue8());
    m_host.setOneKeyProgress(false, kModeDoneProgress);
    m_phase = kModePhase + 1;
    m_requestSent = false;
    m_waitingForPage = false;
}

void OneKeySequencer::fail(const char *text)
{
    // Finished before the box is up, so the failure is reported once.
    m_job = Finished;
    m_requestSent = false;
    m_host.oneKeyStopped();
    MessageBoxes::post(MessageBoxes::Kind::Information, QStringLiteral("错误提示"), QString::fromUtf8(text));
}

void OneKeySequencer::dropRun()
{
    if (m_job != Idle)
        qDebug() << "one-key run dropped: port closed";
    m_job = Idle;
    m_phase = 0;
    m_requestSent = false;
    m_waitingForPage = false;
    m_jobs.pageJobBusy = 0;
}
