// The tick loop runs every millisecond: with nothing to do it must not
// allocate.  Counts every operator new while handleTimeout runs.

#include "app/mainwindow.h"
#include "app/tickcounter.h"

#include <QTimer>
#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
// Only the thread that runs the tick counts; the serial worker's thread may allocate meanwhile.
thread_local bool g_counting = false;
std::atomic<long> g_allocations{0};
} // namespace

void *operator new(std::size_t size)
{
    if (g_counting)
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

class TickCostTest : public QObject {
    Q_OBJECT

    static long allocationsDuring(MainWindow &w, int ticks)
    {
        g_allocations = 0;
        g_counting = true;
        for (int i = 0; i < ticks; ++i)
            w.handleTimeout();
        g_counting = false;
        return g_allocations.load();
    }

private slots:
    void idleTicksDoNotAllocate()
    {
        // One millisecond per call, so 2000 calls are 2000 ticks of work.
        TickCounter::useManualClock();
        MainWindow w;
        w.tickTimer()->stop();
        QCOMPARE(allocationsDuring(w, 2000), 0L);  // port closed: requests wiped every sixth tick

        w.on_actionManual_triggered();
        w.openSucess(true);
        allocationsDuring(w, 200);  // settle: the sequencers go idle
        QCOMPARE(allocationsDuring(w, 2000), 0L);  // port open: the scheduler runs, nobody sends
    }
};

QTEST_MAIN(TickCostTest)
#include "tst_tickcost.moc"
