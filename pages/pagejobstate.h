#pragma once
// Who may talk to the drive next.  A button never sends anything: it leaves
// a job (owner page and job code) here, and the owner's sequencer picks it up
// on the scheduler's next run.  Page numbers: 1 basic parameters, 2 mode
// control, 3 I/O, 4 PDO, 5 step program, 6 SDO debug, 7 one-key.

#include <cstdint>
#include <functional>

struct PageJobState {
    uint8_t pageJobOwner = 0;
    uint16_t pageJobCode = 0;       // 0: nothing new; handed out as signed 16 bit (0xFFFF is -1)
    uint8_t pageJobBusy = 0;        // a page job runs: the status monitor pauses
    uint8_t pageJobResult = 0;      // completion code of the last whole-page job, 255 on failure
    uint8_t pageJobRequestMark = 0; // 90 after a page's read/write button asked for its job
    uint8_t pageJobDoneMark = 0;    // 90 when a whole-page job finished
    // Whole-page jobs finished since start-up: the marks are cleared within a
    // scheduler run, this count lets an observer (a test, a headless run) see each one.
    uint32_t pageJobsCompleted = 0;

    enum : uint8_t { Marked = 90, Failed = 255 };

    // Told of every request (the tick loop sleeps while nothing is due and wakes for it).
    std::function<void()> onJobRequested;

    void requestPageJob(uint8_t page, uint16_t code)
    {
        pageJobOwner = page;
        pageJobCode = code;
        if (onJobRequested)
            onJobRequested();
    }
    void markPageJobRequested()
    {
        pageJobRequestMark = Marked;
        pageJobDoneMark = 0;
    }
    void clearPageJobMarks()
    {
        pageJobRequestMark = 0;
        pageJobDoneMark = 0;
    }
    void resetPageJobState()
    {
        pageJobCode = 0;
        pageJobOwner = 0;
        pageJobRequestMark = 0;
        pageJobDoneMark = 0;
        pageJobBusy = 0;
    }
    // The code a page's sequencer gets on this run: the job's code for its owner, -1 for every other page.
    int16_t codeFor(uint8_t page) const { return pageJobOwner == page ? int16_t(pageJobCode) : int16_t(-1); }
    // A whole-page job that could not finish.
    void failPageJob()
    {
        pageJobResult = Failed;
        pageJobRequestMark = 0;
        pageJobDoneMark = 0;
    }
    void completePageJob(uint8_t code)
    {
        pageJobResult = code;
        pageJobDoneMark = Marked;
        ++pageJobsCompleted;
    }
};

// The pacing rule every sequencer and the status monitor share: act only once
// 50 ticks have passed since the last frame went out, and only when the engine
// has put the last placed request on the wire.  Without the second half a
// turn could come round while the worker lags behind: the result of a request
// never sent would read as a failure, or a new request would replace it.
bool turnIsEligible();
