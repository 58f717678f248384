#pragma once
// Command line and stdin commands of drive-sim.

#include "sim/virtualdrive.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace sim {

struct SimOptions {
    uint8_t node = 1;
    std::string linkPath;
    std::string logPath;
    std::string canTarget;    // PLUGIN:INTERFACE: on a CAN bus instead of a pseudo-terminal
    std::string canBitRate;   // as given; checked where the CAN bus is opened
    FaultConfig faults;
    bool help = false;
};

extern const char *const kDriveSimUsage;

// false with a message in error when the arguments make no sense.
bool parseSimOptions(int argc, char **argv, SimOptions &options, std::string &error);

// Runs one stdin line against the drive; returns the text to print (may be empty).
// quit is set by "quit".
std::string runSimCommand(VirtualDrive &drive, const std::string &line, bool &quit);

// The drive's requests and answers, one line each, to `log` ("ms Q|A hex").
void traceTo(VirtualDrive &drive, std::FILE *log);

bool parseHexNumber(const std::string &text, uint32_t &value);
bool parseObjectAddress(const std::string &text, uint16_t &index, uint8_t &subIndex);
bool parseHexBytes(const std::string &text, std::vector<uint8_t> &bytes);

} // namespace sim
