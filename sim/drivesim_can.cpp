#include "sim/drivesim_can.h"

#include "canbus/canframes.h"
#include "canbus/cantarget.h"
#include "sim/drivesimcommands.h"
#include "sim/virtualdrive.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <QVariant>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

namespace sim {

namespace {
constexpr int kConnectTimeLimitMs = 5000;

void say(const QString &text)
{
    std::fprintf(stderr, "drive-sim: %s\n", qPrintable(text));
}
} // namespace

int runOnCanBus(const SimOptions &options, const volatile std::sig_atomic_t &stopRequested, int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString target = QString::fromStdString(options.canTarget);
    QString plugin;
    QString interfaceName;
    if (!CanTarget::split(target, plugin, interfaceName)) {
        say(QStringLiteral("invalid --can '%1': expected PLUGIN:INTERFACE").arg(target));
        return 2;
    }
    uint32_t bitRate = CanTarget::kDefaultBitRate;
    if (!options.canBitRate.empty() && !CanTarget::parseBitRate(QString::fromStdString(options.canBitRate), bitRate)) {
        say(QStringLiteral("invalid --bitrate '%1': expected 125, 250, 500 or 1000 (kbit/s)")
                .arg(QString::fromStdString(options.canBitRate)));
        return 2;
    }
    const QString problem = CanTarget::problem(plugin, interfaceName);
    if (!problem.isEmpty()) {
        say(problem);
        return 2;
    }
    std::FILE *log = nullptr;
    if (!options.logPath.empty() && !(log = std::fopen(options.logPath.c_str(), "w"))) {
        say(QStringLiteral("cannot write %1").arg(QString::fromStdString(options.logPath)));
        return 1;
    }

    VirtualDrive drive(options.node);
    drive.faults() = options.faults;
    if (log)
        traceTo(drive, log);

    QString error;
    std::unique_ptr<QCanBusDevice> device(QCanBus::instance()->createDevice(plugin, interfaceName, &error));
    if (!device || device->error() != QCanBusDevice::NoError) {
        say(QStringLiteral("cannot open %1: %2").arg(target, device ? device->errorString() : error));
        if (log)
            std::fclose(log);
        return 1;
    }
    device->setConfigurationParameter(QCanBusDevice::BitRateKey, QVariant(uint(bitRate)));

    QElapsedTimer clock;
    clock.start();
    const auto now = [&clock] { return uint32_t(clock.elapsed()); };
    bool stopped = false;
    int status = 0;
    const auto stop = [&](int code, const QString &why) {
        if (stopped)
            return;
        if (!why.isEmpty())
            say(why);
        stopped = true;
        status = code;
        QCoreApplication::exit(code);
    };

    // The drive's output as frames: a split answer goes on the bus once whole.
    QByteArray unsent;
    drive.onTransmit = [&](const uint8_t *data, std::size_t count) {
        unsent.append(reinterpret_cast<const char *>(data), int(count));
        const QVector<QCanBusFrame> frames = CanFrames::takeFrames(unsent);
        for (const QCanBusFrame &frame : frames) {
            if (device->state() == QCanBusDevice::ConnectedState)
                device->writeFrame(frame);
        }
    };
    QObject::connect(device.get(), &QCanBusDevice::framesReceived, [&]() {
        const QVector<QCanBusFrame> frames = device->readAllFrames();
        for (const QCanBusFrame &frame : frames) {
            // The drive reads only the low 16 bits of an identifier: an extended frame is never for it.
            if (frame.frameType() != QCanBusFrame::DataFrame || frame.hasExtendedFrameFormat())
                continue;
            const QByteArray bytes = CanFrames::toSerialBytes(frame);
            if (!bytes.isEmpty())
                drive.receive(reinterpret_cast<const uint8_t *>(bytes.constData()), std::size_t(bytes.size()), now());
        }
    });
    bool announced = false;
    QObject::connect(device.get(), &QCanBusDevice::stateChanged, [&](QCanBusDevice::CanBusDeviceState state) {
        if (state == QCanBusDevice::ConnectedState && !announced) {
            announced = true;
            CanFrames::sendWithoutDelay(*device);
            std::printf("%s\n", options.canTarget.c_str());
            std::fflush(stdout);
        } else if (state == QCanBusDevice::UnconnectedState) {
            stop(1, QStringLiteral("the CAN bus went away %1").arg(device->errorString()).trimmed());
        }
    });
    QObject::connect(device.get(), &QCanBusDevice::errorOccurred, [&](QCanBusDevice::CanBusError code) {
        if (code == QCanBusDevice::ConfigurationError)
            say(QStringLiteral("CAN configuration: %1").arg(device->errorString()));
        else if (code != QCanBusDevice::NoError)
            stop(1, QStringLiteral("CAN error: %1").arg(device->errorString()));
    });
    if (!device->connectDevice() && !stopped)
        stop(1, QStringLiteral("cannot open %1: %2").arg(target, device->errorString()));

    // Commands on stdin, one per line; the end of stdin does not stop drive-sim.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    std::string pendingInput;
    QObject::connect(&input, &QSocketNotifier::activated, [&]() {
        char buffer[4096];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            if (!(n < 0 && errno == EINTR))
                input.setEnabled(false);
            return;
        }
        pendingInput.append(buffer, std::size_t(n));
        bool quit = false;
        std::size_t eol;
        while (!quit && (eol = pendingInput.find('\n')) != std::string::npos) {
            const std::string out = runSimCommand(drive, pendingInput.substr(0, eol), quit);
            pendingInput.erase(0, eol + 1);
            std::fputs(out.c_str(), stdout);
            std::fflush(stdout);
        }
        if (quit)
            stop(0, QString());
    });

    // The drive's clock: answers and heartbeats go out when they are due.
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&]() {
        if (stopRequested)
            stop(0, QString());
        else
            drive.advance(now());
    });
    tick.start(1);
    QTimer::singleShot(kConnectTimeLimitMs, &app, [&]() {
        if (!announced)
            stop(1, QStringLiteral("%1 did not connect").arg(target));
    });

    const int result = stopped ? status : app.exec();
    drive.onTransmit = nullptr;
    device->disconnect();
    if (device->state() == QCanBusDevice::ConnectedState)
        device->disconnectDevice();
    device.reset();
    if (log)
        std::fclose(log);
    return result;
}

} // namespace sim
