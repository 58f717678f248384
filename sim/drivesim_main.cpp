// drive-sim: the virtual drive on a pseudo-terminal (or, with --can, on a CAN
// bus), clocked by the wall clock.

#include "sim/drivesimcommands.h"
#include "sim/virtualdrive.h"
#ifdef DRIVE_SIM_WITH_CAN
#include "sim/drivesim_can.h"
#endif

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

void onStopSignal(int)
{
    g_stopRequested = 1;
}

uint32_t monotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint32_t(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

bool makeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

struct Pty {
    int master = -1;
    int slave = -1;
    std::string slavePath;
};

// The slave stays open in this process as well: the line keeps its raw settings
// and the master never sees a hang-up while the tool closes and reopens the port.
bool openPty(Pty &pty)
{
    pty.master = posix_openpt(O_RDWR | O_NOCTTY);
    if (pty.master < 0 || grantpt(pty.master) != 0 || unlockpt(pty.master) != 0)
        return false;
    const char *name = ptsname(pty.master);
    if (!name)
        return false;
    pty.slavePath = name;
    pty.slave = open(name, O_RDWR | O_NOCTTY);
    if (pty.slave < 0 || !makeRaw(pty.slave) || !makeRaw(pty.master))
        return false;
    const int flags = fcntl(pty.master, F_GETFL);
    return fcntl(pty.master, F_SETFL, flags | O_NONBLOCK) == 0;
}

void writeAll(int fd, const uint8_t *data, std::size_t count)
{
    while (count > 0) {
        const ssize_t n = write(fd, data, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // Nobody is reading the port and its buffer is full: the bytes are lost,
            // as on a real line with no listener.
            return;
        }
        data += n;
        count -= std::size_t(n);
    }
}

} // namespace

int main(int argc, char **argv)
{
    sim::SimOptions options;
    std::string error;
    if (!sim::parseSimOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "drive-sim: %s\n\n%s", error.c_str(), sim::kDriveSimUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(sim::kDriveSimUsage, stdout);
        return 0;
    }

    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    if (!options.canTarget.empty()) {
#ifdef DRIVE_SIM_WITH_CAN
        return sim::runOnCanBus(options, g_stopRequested, argc, argv);
#else
        std::fprintf(stderr, "drive-sim: built without Qt's CAN bus: --can is not available\n");
        return 2;
#endif
    }

    Pty pty;
    if (!openPty(pty)) {
        std::fprintf(stderr, "drive-sim: cannot set up a pseudo-terminal: %s\n",
                     std::strerror(errno));
        return 1;
    }
    if (!options.linkPath.empty()) {
        struct stat st {};
        if (lstat(options.linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            unlink(options.linkPath.c_str());   // left over from a run that was killed
        if (symlink(pty.slavePath.c_str(), options.linkPath.c_str()) != 0) {
            std::fprintf(stderr, "drive-sim: cannot create link %s: %s\n",
                         options.linkPath.c_str(), std::strerror(errno));
            return 1;
        }
    }
    std::FILE *log = nullptr;
    if (!options.logPath.empty() && !(log = std::fopen(options.logPath.c_str(), "w"))) {
        std::fprintf(stderr, "drive-sim: cannot write %s: %s\n", options.logPath.c_str(),
                     std::strerror(errno));
        if (!options.linkPath.empty())
            unlink(options.linkPath.c_str());
        return 1;
    }

    const uint32_t startMs = monotonicMs();
    auto now = [startMs] { return monotonicMs() - startMs; };

    sim::VirtualDrive drive(options.node);
    drive.faults() = options.faults;
    drive.onTransmit = [&pty](const uint8_t *data, std::size_t count) {
        writeAll(pty.master, data, count);
    };
    if (log)
        sim::traceTo(drive, log);

    std::printf("%s\n", pty.slavePath.c_str());
    std::fflush(stdout);

    bool stdinOpen = true;
    bool quit = false;
    std::string pendingInput;
    uint8_t buffer[4096];
    while (!g_stopRequested && !quit) {
        pollfd fds[2] = {{pty.master, POLLIN, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (poll(fds, 2, 1) < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN) {
            const ssize_t n = read(pty.master, buffer, sizeof buffer);
            if (n > 0)
                drive.receive(buffer, std::size_t(n), now());
        }
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0 && !(n < 0 && errno == EINTR)) {
                stdinOpen = false;   // keep running: drive-sim may live in the background
            } else if (n > 0) {
                pendingInput.append(reinterpret_cast<const char *>(buffer), std::size_t(n));
                std::size_t eol;
                while (!quit && (eol = pendingInput.find('\n')) != std::string::npos) {
                    const std::string out =
                        sim::runSimCommand(drive, pendingInput.substr(0, eol), quit);
                    pendingInput.erase(0, eol + 1);
                    if (!out.empty()) {
                        std::fputs(out.c_str(), stdout);
                        std::fflush(stdout);
                    }
                }
            }
        }
        drive.advance(now());
    }

    if (!options.linkPath.empty())
        unlink(options.linkPath.c_str());
    if (log)
        std::fclose(log);
    close(pty.slave);
    close(pty.master);
    return 0;
}
