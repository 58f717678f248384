#include "tests/support/pty.h"

#include <QElapsedTimer>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return;
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        closeMaster();
        return;
    }
    m_slavePath = QString::fromLocal8Bit(::ptsname(m_master));
    termios t {};
    if (::tcgetattr(m_master, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(m_master, TCSANOW, &t);
    }
}

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
}

bool PseudoTerminal::write(const QByteArray &bytes)
{
    if (m_master < 0)
        return false;
    return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

QByteArray PseudoTerminal::read(int timeoutMs, int atLeast)
{
    QByteArray out;
    if (m_master < 0)
        return out;
    QElapsedTimer clock;
    clock.start();
    while (out.size() < atLeast) {
        const int left = timeoutMs - int(clock.elapsed());
        if (left <= 0)
            break;
        pollfd p {m_master, POLLIN, 0};
        if (::poll(&p, 1, left) <= 0)
            break;
        if (!(p.revents & POLLIN))
            break;  // the slave side is closed (POLLHUP)
        char buf[256];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, int(n));
    }
    return out;
}

void PseudoTerminal::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
