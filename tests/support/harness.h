#pragma once
// Deterministic test bench: a MainWindow whose tick timer is stopped and whose
// serial worker never runs, the port state set open, the virtual drive wired
// to the frames the window hands out (its answers go back through
// SdoClient::feedReceived), and message boxes recorded instead of shown.
// run(ticks) calls handleTimeout, advances the drive and steps
// SdoClient::poll once per tick: thousands of ticks take milliseconds.

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "sim/virtualdrive.h"

#include <QByteArray>
#include <QString>
#include <QVector>
#include <functional>
#include <memory>

class Harness {
public:
    struct Box {
        MessageBoxes::Kind kind;
        QString title;
        QString text;
    };
    // One SDO request as it went out on the wire.
    struct SentFrame {
        uint32_t tick;
        QByteArray bytes;     // the whole serial frame (14 bytes for SDO)
        uint8_t command() const { return uint8_t(bytes.at(6)); }
        uint16_t index() const { return uint16_t(uint8_t(bytes.at(7)) | (uint8_t(bytes.at(8)) << 8)); }
        uint8_t subIndex() const { return uint8_t(bytes.at(9)); }
        uint32_t value() const
        {
            return uint32_t(uint8_t(bytes.at(10))) | (uint32_t(uint8_t(bytes.at(11))) << 8)
                | (uint32_t(uint8_t(bytes.at(12))) << 16) | (uint32_t(uint8_t(bytes.at(13))) << 24);
        }
    };

    // The clock is a manual one starting at `startTick` (a value near 2^32 tests the wrap).
    explicit Harness(uint8_t node = 1, bool openPort = true, uint32_t startTick = 0);
    ~Harness();

    MainWindow &window() { return *m_window; }
    sim::VirtualDrive &drive() { return m_drive; }

    // Steps the system by `ticks` ticks.
    void run(uint32_t ticks);
    // The same `ticks` ticks as the tool lives them: the clock runs on, but the
    // window's tick handler runs only on the ticks its loop would wake for
    // (MainWindow::planNextTick, or at once after wake-up
    // events: a job request made through requestJobWhileSleeping), and the
    // engine only when the worker would step it (a request placed, bytes in,
    // or SdoClient::ticksUntilNextStep).  Returns how often each ran.
    struct SleepCounts { long tickHandlerRuns = 0; long engineSteps = 0; };
    SleepCounts runSleeping(uint32_t ticks);
    // A button press while the loop sleeps: the job is requested and the loop woken.
    void requestJobWhileSleeping(uint8_t page, uint16_t code);

    // Steps until cond() holds (checked after every tick) or maxTicks passed; true if it held.
    bool runUntil(const std::function<bool()> &cond, uint32_t maxTicks);

    // The serial worker lagging behind the GUI thread: the engine is stepped
    // only on every `n`th tick (1: every tick).
    void setEngineEvery(uint32_t n) { m_engineEvery = n ? n : 1; }
    // The engine is not stepped at all for the next `ticks` ticks.
    void holdEngine(uint32_t ticks) { m_engineHeldFor = ticks; }

    // Sets the drive's answers aside (the drive keeps its state): nothing reaches the tool.
    void setDriveConnected(bool connected) { m_connected = connected; }

    const QVector<Box> &boxes() const { return m_boxes; }
    void clearBoxes() { m_boxes.clear(); }
    const QVector<SentFrame> &sentFrames() const { return m_sent; }
    void clearSentFrames() { m_sent.clear(); }
    // Sent frames that address the given object (any command).
    QVector<SentFrame> framesFor(uint16_t index) const;
    // Sent frames excluding the status monitor's reads (what a page sent).
    QVector<SentFrame> pageFrames() const;

    // How many whole-page jobs have finished (completion code and done mark
    // written).  Counted by the page-job state itself, so the real one-key
    // sequencer keeps its slot in the scheduler.
    int doneMarksSeen() const { return int(m_window->pageJobs().pageJobsCompleted); }
    // Steps until one more whole-page job has finished (or maxTicks passed).
    bool runUntilPageJobDone(uint32_t maxTicks)
    {
        const int before = doneMarksSeen();
        return runUntil([this, before]() { return doneMarksSeen() > before; }, maxTicks);
    }

    // A property of a widget of the window as text ("text", "title", ...), or
    // "<no OBJECTNAME>" when there is no such widget: what the user reads.
    QString shownText(const QString &objectName, const char *property);

    // The received bytes the worker would hand to the log, one burst per call.
    const QVector<QByteArray> &receivedBursts() const { return m_received; }

private:
    std::unique_ptr<MainWindow> m_window;
    sim::VirtualDrive m_drive;
    QVector<Box> m_boxes;
    QVector<SentFrame> m_sent;
    QVector<QByteArray> m_received;
    bool m_connected = true;
    uint32_t m_engineEvery = 1;
    uint32_t m_engineHeldFor = 0;
    uint32_t m_ticksRun = 0;
    // runSleeping: the next tick each side wakes at (-1: not before an event).
    int64_t m_guiWake = 0;
    int64_t m_engineWake = -1;
    bool m_bytesArrived = false;
};
