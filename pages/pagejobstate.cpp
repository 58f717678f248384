#include "pages/pagejobstate.h"

#include "app/tickcounter.h"
#include "protocol/framecodec.h"
#include "protocol/sdoclient.h"

namespace {
constexpr uint32_t kTurnTicks = 50;
} // namespace

bool turnIsEligible()
{
    // The request first: the engine publishes it as sent only after
    // lastTxTick has moved, so the stamp read next is never older than it.
    return !SdoClient::requestPending() && TickCounter::elapsed(lastTxTick(), kTurnTicks);
}
