#pragma once
// The one-key run: reads or writes the operating mode itself and hands every
// checked group to the page that owns it (that page's read-all or write-all
// job), waiting for the page's completion code before the next group.

#include "pages/pagejobstate.h"

#include <cstdint>

// What the sequencer needs from the one-key page.
class OneKeyHost {
public:
    virtual ~OneKeyHost() = default;
    virtual bool oneKeyGroupChecked(int group) const = 0;  // 1..5
    virtual uint8_t oneKeyModeValue() const = 0;
    virtual void setOneKeyModeValue(uint8_t mode) = 0;
    virtual void setOneKeyProgress(bool disabled, int value) = 0;
    // The stop handler: requests the stop job, progress disabled at 0, tabs unlocked.
    virtual void oneKeyStopped() = 0;
    // The end handler: requests the stop job, tabs unlocked, progress kept.
    virtual void oneKeyFinished() = 0;
};

class OneKeySequencer {
public:
    enum : int16_t { Read = 0x7001, Configure = 0x7002, Stop = 0x7003, Finished = 0, Idle = -1 };

    OneKeySequencer(PageJobState &jobs, OneKeyHost &host);

    // One scheduler run: `jobCode` is the raw pending job code, whoever owns it.
    void runOneKeySequencer(uint8_t node, int16_t jobCode);
    // The port went away: the run ends here, with nothing left to resume.
    void dropRun();

    int16_t oneKeyJob() const { return m_job; }
    uint8_t oneKeyPhase() const { return m_phase; }
    bool isRunning() const { return m_job == Read || m_job == Configure; }
    bool waitingForPage() const { return m_waitingForPage; }

private:
    void runGroupPhase();
    void runModePhase(uint8_t node);
    void fail(const char *text);

    PageJobState &m_jobs;
    OneKeyHost &m_host;
    int16_t m_job = Idle;
    uint8_t m_phase = 0;
    bool m_requestSent = false;       // the mode request of phase 1 is placed
    bool m_waitingForPage = false;    // a page job was handed over and its code is awaited
};
