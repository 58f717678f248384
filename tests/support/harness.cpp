#include "tests/support/harness.h"

#include "app/tickcounter.h"
#include "protocol/framecodec.h"
#include "protocol/sdoclient.h"

#include <QTimer>
#include <QVariant>

Harness::Harness(uint8_t node, bool openPort, uint32_t startTick)
    : m_drive(node)
{
    MessageBoxes::setRecorder([this](MessageBoxes::Kind kind, const QString &title, const QString &text) {
        m_boxes.append({kind, title, text});
    });
    m_window = std::make_unique<MainWindow>();
    m_window->tickTimer()->stop();
    // The tool starts its clock with its window: stamps start where the clock does.
    TickCounter::useManualClock(startTick);
    setLastTxTick(startTick);
    m_window->restartTickLoop();
    m_window->setNodeAddress(node);

    // What the window hands to the worker goes to the drive instead.
    QObject::connect(m_window.get(), &MainWindow::sendData2Uart, m_window.get(),
                     [this](const QByteArray &bytes) {
                         m_sent.append({TickCounter::now(), bytes});
                         m_drive.receive(reinterpret_cast<const uint8_t *>(bytes.constData()),
                                         std::size_t(bytes.size()), TickCounter::now());
                     },
                     Qt::DirectConnection);
    m_drive.onTransmit = [this](const uint8_t *data, std::size_t count) {
        if (!m_connected)
            return;
        const QByteArray bytes(reinterpret_cast<const char *>(data), int(count));
        m_received.append(bytes);
        SdoClient::feedReceived(bytes.constData(), bytes.size());
        m_bytesArrived = true;
    };
    if (openPort)
        m_window->openSucess(true);
}

Harness::~Harness()
{
    m_window.reset();
    MessageBoxes::setRecorder({});
    TickCounter::useWallClock();
}

void Harness::run(uint32_t ticks)
{
    for (uint32_t i = 0; i < ticks; ++i) {
        m_window->handleTimeout();
        m_drive.advance(TickCounter::now());
        ++m_ticksRun;
        if (m_engineHeldFor > 0)
            --m_engineHeldFor;
        else if (m_ticksRun % m_engineEvery == 0)
            SdoClient::poll();
    }
}

void Harness::requestJobWhileSleeping(uint8_t page, uint16_t code)
{
    m_window->requestPageJob(page, code);
    m_guiWake = 0;  // the request wakes the loop at once
}

Harness::SleepCounts Harness::runSleeping(uint32_t ticks)
{
    SleepCounts counts;
    for (uint32_t i = 0; i < ticks; ++i) {
        const uint32_t now = TickCounter::now() + 1;  // the tick about to begin
        if (m_guiWake >= 0 && int32_t(now - uint32_t(m_guiWake)) >= 0) {
            m_window->handleTimeout();
            ++counts.tickHandlerRuns;
            m_guiWake = int64_t(TickCounter::now()) + m_window->planNextTick();
        } else {
            TickCounter::advance();
        }
        m_bytesArrived = false;
        m_drive.advance(TickCounter::now());
        const bool requestPlaced = SdoClient::requestPending();
        const bool engineDue = m_engineWake >= 0 && int32_t(TickCounter::now() - uint32_t(m_engineWake)) >= 0;
        if (requestPlaced || engineDue || m_bytesArrived) {
            SdoClient::poll();
            ++counts.engineSteps;
            const int32_t next = SdoClient::ticksUntilNextStep();
            m_engineWake = next < 0 ? -1 : int64_t(TickCounter::now()) + next;
        }
    }
    return counts;
}

bool Harness::runUntil(const std::function<bool()> &cond, uint32_t maxTicks)
{
    for (uint32_t i = 0; i < maxTicks; ++i) {
        run(1);
        if (cond())
            return true;
    }
    return false;
}

QString Harness::shownText(const QString &objectName, const char *property)
{
    QObject *o = m_window->findChild<QObject *>(objectName);
    return o ? o->property(property).toString() : QStringLiteral("<no %1>").arg(objectName);
}

QVector<Harness::SentFrame> Harness::framesFor(uint16_t index) const
{
    QVector<SentFrame> frames;
    for (const SentFrame &f : m_sent) {
        if (f.bytes.size() == 14 && f.index() == index)
            frames.append(f);
    }
    return frames;
}

QVector<Harness::SentFrame> Harness::pageFrames() const
{
    QVector<SentFrame> frames;
    for (const SentFrame &f : m_sent) {
        if (f.bytes.size() != 14)
            continue;
        bool statusRead = false;
        if (f.command() == 0x40) {
            for (uint16_t object : StatusMonitor::kObjects)
                statusRead = statusRead || object == f.index();
        }
        if (!statusRead)
            frames.append(f);
    }
    return frames;
}
