#pragma once
// Polls eight status objects of the drive in a fixed rotation, one request or
// one answer per eligible turn, followed by seven pause steps; the answers go
// to the status tabs.  It never reports errors: an object that is not answered
// keeps its last display until the next cycle.

#include <cstdint>

class StatusDisplay {
public:
    virtual ~StatusDisplay() = default;
    virtual void showStatusValue(uint16_t index, uint32_t value) = 0;
    virtual void showDriveStatusBits(uint16_t statusword) = 0;
    virtual void showAlarmIndicator(uint16_t errorCode) = 0;
    virtual void showInputTerminals(uint16_t bits) = 0;
    virtual void showOutputTerminals(uint16_t bits) = 0;
};

class StatusMonitor {
public:
    explicit StatusMonitor(StatusDisplay &display);

    void runStatusMonitor(uint8_t node, bool enabled);

    uint8_t statusPhase() const { return m_phase; }

    static constexpr int kObjectCount = 8;
    static const uint16_t kObjects[kObjectCount];  // 0x603F, 0x6061, 0x6064, 0x60FD, 0x606C, 0x6041, 0x2003, 0x2004

private:
    void showAnswer();

    StatusDisplay &m_display;
    uint8_t m_phase = 0;  // 0-7 request, 100-107 answer, 8-14 pause
};
