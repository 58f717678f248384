#pragma once
// Command line and stdin commands of drive-sim.

#include "sim/virtualdrive.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct SimOptions {
    uint8_t node = 1;
    std::string linkPath;
    std::string logPath;
    FaultConfig faults;
    bool help = false;
};

extern const char *const kDriveSimUsage;

// false with a message in error when the arguments make no sense.
bool parseSimOptions(int argc, char **argv, SimOptions &options, std::string &error);

// Runs one stdin line against the drive; returns the text to print (may be empty).
// quit is set by "quit".
std::string runSimCommand(VirtualDrive &drive, const std::string &line, bool &quit);

bool parseHexNumber(const std::string &text, uint32_t &value);
bool parseObjectAddress(const std::string &text, uint16_t &index, uint8_t &subIndex);
bool parseHexBytes(const std::string &text, std::vector<uint8_t> &bytes);

} // namespace sim
