#include "tests/support/drivepeer.h"

#include "tests/support/pty.h"

#include <chrono>
#include <poll.h>
#include <unistd.h>

namespace {
uint32_t wallMs()
{
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    return uint32_t(duration_cast<milliseconds>(steady_clock::now() - start).count());
}
} // namespace

DrivePeer::DrivePeer(uint8_t node)
    : m_pty(new PseudoTerminal)
    , m_drive(node)
{
    m_thread = std::thread([this]() { loop(); });
}

DrivePeer::~DrivePeer()
{
    m_stop.store(true);
    m_thread.join();
}

QString DrivePeer::slavePath() const
{
    return m_pty->slavePath();
}

void DrivePeer::withDrive(const std::function<void(sim::VirtualDrive &)> &fn)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    fn(m_drive);
}

void DrivePeer::loop()
{
    QByteArray out;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_drive.onTransmit = [&out](const uint8_t *data, std::size_t count) {
            out.append(reinterpret_cast<const char *>(data), int(count));
        };
    }
    while (!m_stop.load()) {
        const QByteArray in = m_pty->read(1, 1);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!in.isEmpty())
            m_drive.receive(reinterpret_cast<const uint8_t *>(in.constData()), std::size_t(in.size()), wallMs());
        m_drive.advance(wallMs());
        if (!out.isEmpty()) {
            m_pty->write(out);
            out.clear();
        }
    }
}
