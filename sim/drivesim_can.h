#pragma once
// drive-sim on a CAN bus: the virtual drive behind any of Qt's CAN bus
// plugins instead of a pseudo-terminal.  The drive itself speaks the serial
// framing; frames are translated both ways on the bus's edge, so the drive
// and its fault options stay as they are.  Only drive-sim links Qt for this:
// the drive library stays plain C++.

#include <csignal>

namespace sim {

struct SimOptions;

// Joins the bus named by options.canTarget and answers on it until a stop
// signal, "quit" on stdin, or the bus going away.  The first line on stdout
// is the bus's name, printed once connected.  Returns the exit status:
// 0 stopped, 1 the bus failed, 2 a plugin, interface or bit rate it cannot use.
int runOnCanBus(const SimOptions &options, const volatile std::sig_atomic_t &stopRequested, int argc, char **argv);

} // namespace sim
