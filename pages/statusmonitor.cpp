#include "pages/statusmonitor.h"

#include "app/tickcounter.h"
#include "pages/pagejobstate.h"
#include "protocol/framecodec.h"
#include "protocol/sdoclient.h"

const uint16_t StatusMonitor::kObjects[kObjectCount] = {0x603F, 0x6061, 0x6064, 0x60FD,
                                                        0x606C, 0x6041, 0x2003, 0x2004};

namespace {
constexpr uint8_t kAnswerPhase = 100;
constexpr uint8_t kFirstPause = 8;
constexpr uint8_t kLastPause = 14;
} // namespace

StatusMonitor::StatusMonitor(StatusDisplay &display)
    : m_display(display)
{
}

void StatusMonitor::runStatusMonitor(uint8_t node, bool enabled)
{
    if (!turnIsEligible() || !enabled)
        return;
    if (m_phase < kObjectCount) {
        SdoClient::requestRead(node, kObjects[m_phase], 0);
        m_phase = uint8_t(m_phase + kAnswerPhase);
    } else if (m_phase >= kAnswerPhase && m_phase < kAnswerPhase + kObjectCount) {
        if (SdoClient::resultStatus() != 0) {
            SdoClient::clearResultStatus();
            showAnswer();
        }
        m_phase = uint8_t(m_phase - (kAnswerPhase - 1));
    } else if (m_phase >= kFirstPause && m_phase <= kLastPause) {
        // The pauses hold back the pages too: they wait on the same stamp.
        setLastTxTick(TickCounter::now());
        m_phase = m_phase == kLastPause ? 0 : uint8_t(m_phase + 1);
    } else {
        m_phase = 0;
    }
}

void StatusMonitor::showAnswer()
{
    const uint16_t index = SdoClient::resultIndex();
    switch (index) {
    case 0x603F: {
        const uint16_t v = SdoClient::resultValue16();
        m_display.showStatusValue(index, v);
        m_display.showAlarmIndicator(v);
        break;
    }
    case 0x6041: {
        const uint16_t v = SdoClient::resultValue16();
        m_display.showStatusValue(index, v);
        m_display.showDriveStatusBits(v);
        break;
    }
    case 0x6061:
        m_display.showStatusValue(index, SdoClient::resultValue8());
        break;
    case 0x6064:
    case 0x606C:
    case 0x60FD:
        m_display.showStatusValue(index, SdoClient::resultValue32());
        break;
    case 0x2003:
        m_display.showInputTerminals(SdoClient::resultValue16());
        break;
    case 0x2004:
        m_display.showOutputTerminals(SdoClient::resultValue16());
        break;
    default:
        break;
    }
}
