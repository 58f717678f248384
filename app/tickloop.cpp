// The window's tick loop: the clock and its soft timers, the scheduler on a
// 6-tick grid, the connection label every 101 ticks - and the plan of when
// the loop next has something to do, so that the timer can sleep until then.

#include "app/mainwindow.h"

#include "app/tickcounter.h"
#include "protocol/framecodec.h"
#include "protocol/sdoclient.h"

#include <QLabel>
#include <QTimer>

#include <limits>

namespace {
constexpr uint32_t kSchedulerTicks = 6;  // the scheduler's grid
constexpr uint32_t kLabelTicks = 100;    // the label is refreshed once more than this many ticks have passed
} // namespace

void MainWindow::restartTickLoop()
{
    const uint32_t now = TickCounter::now();
    m_nextSchedulerTick = now + kSchedulerTicks;
    m_labelStamp = now;
}

void MainWindow::handleTimeout()
{
    TickCounter::advance();
    const uint32_t now = TickCounter::now();
    // The scheduler keeps a 6-tick grid on the clock.  The timer's calls come
    // late or bunched, so a call may find the point passed: the run happens
    // then, once, and grid points the loop slept through are skipped.
    const uint32_t late = now - m_nextSchedulerTick;
    if (int32_t(late) >= 0) {
        m_nextSchedulerTick += kSchedulerTicks * (late / kSchedulerTicks + 1);
        // Woken before the planned run (for the label, say): the grid points
        // passed were idle, and a late run for them could act where the
        // punctual one could not.
        const bool idlePoint = m_schedulerPlanned && int32_t(now - m_plannedSchedulerRun) < 0;
        if (!idlePoint) {
            m_schedulerPlanned = false;
            if (isPortOpen())
                m_scheduler.run(m_autoRefresh);
            else
                m_jobs.resetPageJobState();
        }
    }
    if (now - m_labelStamp > kLabelTicks) {
        m_labelStamp = now;
        const bool alive = SdoClient::linkAlive();
        if (alive != m_linkShown) {
            linkLabel->setText(alive ? tr("连接状态：ON") : tr("连接状态：OFF"));
            m_linkShown = alive;
        }
    }
}

void MainWindow::onTickTimer()
{
    handleTimeout();
    m_tickTimer->start(planNextTick());
}

void MainWindow::wakeTickLoop()
{
    m_schedulerPlanned = false;
    // A stopped timer means the loop is driven by hand (tests): leave it so.
    if (m_tickTimer && m_tickTimer->isActive())
        m_tickTimer->start(0);
}

int MainWindow::planNextTick()
{
    const uint32_t now = TickCounter::now();
    auto until = [now](uint32_t due) -> int64_t {
        const int32_t d = int32_t(due - now);
        return d < 0 ? 0 : d;
    };
    // The connection label on its 101-tick rhythm while it shows another
    // state than the link's (the engine wakes the loop when the link changes).
    int64_t wait = std::numeric_limits<int32_t>::max();
    if (SdoClient::linkAlive() != m_linkShown)
        wait = until(m_labelStamp + kLabelTicks + 1);
    const int64_t softTimer = TickCounter::ticksToNextSoftTimer();
    if (softTimer >= 0)
        wait = qMin(wait, softTimer);

    // A scheduler run can act only on its grid, and then only when a job code
    // waits, or when something runs (a page job, the status rotation) and the
    // turn is eligible: from the grid point at or after lastTxTick + 50.
    const PageJobState &jobs = m_jobs;
    const bool jobStateSet = jobs.pageJobCode || jobs.pageJobOwner || jobs.pageJobBusy
                             || jobs.pageJobRequestMark || jobs.pageJobDoneMark;
    bool runNeeded = false;
    uint32_t run = m_nextSchedulerTick;
    if (!isPortOpen()) {
        runNeeded = jobStateSet;  // wiped on the next grid point
    } else if (jobs.pageJobCode || SdoClient::requestPending()) {
        runNeeded = true;
    } else if (jobs.pageJobBusy || m_autoRefresh) {
        runNeeded = true;
        const int32_t gap = int32_t(lastTxTick() + 50 - m_nextSchedulerTick);
        if (gap > 0)
            run += kSchedulerTicks * ((uint32_t(gap) + kSchedulerTicks - 1) / kSchedulerTicks);
    }
    // With no run needed the next one is planned far away: only a wake-up
    // (a request, a port event) brings it back.
    m_schedulerPlanned = true;
    m_plannedSchedulerRun = runNeeded ? run : now + 0x40000000u;
    if (runNeeded)
        wait = qMin(wait, until(run));
    return int(wait);
}
