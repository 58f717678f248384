// Measures the tool against drive-sim on a pseudo-terminal in real time and
// prints: how often the tick slot runs, status cycle length (wall time and
// ticks, and the wall time against the nominal 858 ticks), CPU use and peak
// resident memory.  It measures and reports; it never passes or fails
// on a time.
//
//   build/bin/bench_statusloop [seconds]      (default 12; run headless with QT_QPA_PLATFORM=offscreen)

#include "app/mainwindow.h"
#include "app/tickcounter.h"
#include "serial/uartwork.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QProcess>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <sys/resource.h>

namespace {
double cpuSeconds()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
long peakRssKiB()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(10, atoi(argv[1])) : 12;

    QProcess sim;
    sim.start(QStringLiteral(DRIVE_SIM_PATH), {QStringLiteral("--node"), QStringLiteral("1")});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "bench: drive-sim did not start\n");
        return 1;
    }
    const QString pty = QString::fromLocal8Bit(sim.readLine()).trimmed();

    MainWindow window;
    window.show();
    window.openPortAtStart(pty, 256000);

    struct Cycle {
        uint32_t tick;
        qint64 ms;
    };
    QVector<Cycle> cycles;
    QElapsedTimer wall;
    long tickCalls = 0;
    QObject::connect(window.tickTimer(), &QTimer::timeout, [&tickCalls]() { ++tickCalls; });
    uint32_t startTick = 0;
    long startCycles = 0;
    double startCpu = 0;

    // A cycle starts with the request for 0x603F; frames are watched as they
    // go to the port, so the measurement itself wakes nothing.
    std::atomic<bool> measuring{false};
    QMutex cyclesLock;
    QObject::connect(&window, &MainWindow::sendData2Uart, &window, [&](const QByteArray &frame) {
        if (measuring.load() && frame.size() == 14 && uint8_t(frame[6]) == 0x40 && uint8_t(frame[7]) == 0x3F
            && uint8_t(frame[8]) == 0x60) {
            QMutexLocker lock(&cyclesLock);
            cycles.append({TickCounter::now(), wall.elapsed()});
        }
    }, Qt::DirectConnection);
    // One second to settle (port open, first answers), then measure.
    QTimer::singleShot(1000, [&]() {
        wall.start();
        startTick = TickCounter::now();
        tickCalls = 0;
        startCpu = cpuSeconds();
        startCycles = window.worker()->cycleCount();
        measuring = true;
    });
    QTimer::singleShot(1000 + seconds * 1000, [&]() {
        const double elapsed = wall.elapsed() / 1000.0;
        const double ticksPerSecond = (TickCounter::now() - startTick) / elapsed;
        const double callsPerSecond = tickCalls / elapsed;
        const double enginePerSecond = (window.worker()->cycleCount() - startCycles) / elapsed;
        measuring = false;
        QMutexLocker lock(&cyclesLock);
        const double cpu = 100.0 * (cpuSeconds() - startCpu) / elapsed;
        double cycleMs = 0, cycleTicks = 0;
        const int n = cycles.size() - 1;
        if (n > 0) {
            cycleMs = double(cycles.last().ms - cycles.first().ms) / n;
            cycleTicks = double(cycles.last().tick - cycles.first().tick) / n;
        }
        std::printf("bench_statusloop: %d s against drive-sim on %s, port open, auto refresh on\n", seconds,
                    qPrintable(pty));
        std::printf("  handleTimeout calls per second : %.0f\n", callsPerSecond);
        std::printf("  ticks per wall-clock second    : %.0f\n", ticksPerSecond);
        std::printf("  engine cycles per second       : %.0f (the serial worker's)\n", enginePerSecond);
        std::printf("  status cycle                   : %.0f ms wall, %.0f ticks (%d cycles)\n", cycleMs, cycleTicks, n);
        std::printf("  status cycle by the rules      : at least 800 ticks (16 steps of 50); 858 with the 6-tick scheduler\n");
        std::printf("  wall time / nominal 858 ticks  : %.3f\n", cycleMs / 858.0);
        std::printf("  CPU use                        : %.1f %% of one core\n", cpu);
        std::printf("  peak resident memory           : %.1f MiB\n", peakRssKiB() / 1024.0);
        app.quit();
    });
    const int rc = app.exec();
    sim.terminate();
    sim.waitForFinished(2000);
    return rc;
}
