#pragma once
// The virtual drive on the far side of a pseudo-terminal, in a thread of its
// own that reads the master side, runs the drive on the wall clock and
// writes its answers back - what drive-sim does, inside the test process.

#include "sim/virtualdrive.h"

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

class PseudoTerminal;

class DrivePeer {
public:
    explicit DrivePeer(uint8_t node = 1);
    ~DrivePeer();

    // The path the tool opens.
    QString slavePath() const;
    // Runs fn with the drive while the peer thread is held off.
    void withDrive(const std::function<void(sim::VirtualDrive &)> &fn);

private:
    void loop();

    std::unique_ptr<PseudoTerminal> m_pty;
    sim::VirtualDrive m_drive;
    std::mutex m_mutex;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
