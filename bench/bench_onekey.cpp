// Measures one-key read and one-key configure of every group against
// drive-sim on a pseudo-terminal in real time and prints, for each run, the
// wall time, the frames sent and the time the pacing rules give for them.
// It measures and reports; it never passes or fails on a time.
//
//   build/bin/bench_onekey [runs]      (default 3 of each; headless: QT_QPA_PLATFORM=offscreen)

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "paramfile/onekeypage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <cstdio>

namespace {

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    bool met = condition();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&]() {
        met = condition();
        if (met || clock.elapsed() >= timeoutMs)
            loop.quit();
    });
    if (!met) {
        poll.start(1);
        loop.exec();
    }
    return met;
}

// Every transfer waits 50 ticks after the frame before it; the scheduler runs
// on a 6-tick grid, so the answer is looked at 54 ticks after the frame went
// out and the next request is placed on the run after that: 60 ticks.
constexpr int kRuleTicks = 50;
constexpr int kGridTicks = 60;

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    MessageBoxes::setRecorder([](MessageBoxes::Kind, const QString &title, const QString &text) {
        std::fprintf(stderr, "bench: box %s: %s\n", qPrintable(title), qPrintable(text));
    });

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
    std::atomic<int> frames{0};
    // Emitted in the serial worker's thread for every frame that goes out.
    QObject::connect(&window, &MainWindow::sendData2Uart, &window, [&frames](QByteArray) { ++frames; },
                     Qt::DirectConnection);
    waitUntil([&]() { return window.isPortOpen(); }, 2000);
    waitUntil([]() { return false; }, 500);

    auto *bar = window.findChild<QProgressBar *>(QStringLiteral("t7_g2_n8_progressBar"));
    const OneKeySequencer &sequencer = window.oneKeyPage().sequencer();
    std::printf("bench_onekey: every group against drive-sim on %s (74 transfers read, 73 configure)\n", qPrintable(pty));
    std::printf("  %-10s %8s %7s %16s %16s %10s\n", "run", "wall ms", "frames", "rule 50/frame ms", "grid 60/frame ms",
                "wall/grid");
    double sum[2] = {0, 0};
    for (int i = 0; i < runs; ++i) {
        for (int kind = 0; kind < 2; ++kind) {
            const char *button = kind == 0 ? "t7_g3_pushButton_1_read" : "t7_g3_pushButton_1_OKC";
            // The status monitor may hold a request when the run starts; let it settle.
            waitUntil([]() { return false; }, 300);
            frames = 0;
            QElapsedTimer wall;
            wall.start();
            window.findChild<QPushButton *>(QLatin1String(button))->click();
            const bool done = waitUntil(
                [&]() { return bar->value() == 100 && sequencer.oneKeyJob() == OneKeySequencer::Idle; }, 30000);
            const qint64 ms = wall.elapsed();
            const int n = frames;
            if (!done) {
                std::fprintf(stderr, "bench: run did not finish\n");
                return 1;
            }
            sum[kind] += double(ms) / (double(n) * kGridTicks);
            std::printf("  %-10s %8lld %7d %16d %16d %10.3f\n", kind == 0 ? "read" : "configure", (long long)ms, n,
                        n * kRuleTicks, n * kGridTicks, double(ms) / (double(n) * kGridTicks));
        }
    }
    std::printf("  mean wall/grid: read %.3f, configure %.3f\n", sum[0] / runs, sum[1] / runs);
    sim.terminate();
    sim.waitForFinished(2000);
    return 0;
}
