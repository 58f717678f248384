#pragma once
// Waits in a real event loop.  QTest::qWait sleeps 10 ms between event
// batches, which starves the 1 ms tick timer to about 100 ticks a second;
// real-time tests wait here instead, where the tick loop runs at full rate.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

inline bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    bool met = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&]() {
        met = condition();
        if (met || clock.elapsed() >= timeoutMs)
            loop.quit();
    });
    poll.start(5);
    loop.exec();
    return met;
}

inline void waitFor(int ms)
{
    waitUntil([]() { return false; }, ms);
}
