#include "sim/drivesimcommands.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace sim {

const char *const kDriveSimUsage =
    "usage: drive-sim [options]\n"
    "A virtual CiA 402 stepper drive on a pseudo-terminal. The first line on stdout\n"
    "is the terminal's path. Hexadecimal values take an optional 0x prefix.\n"
    "With --can it joins a CAN bus instead and prints PLUGIN:INTERFACE once connected.\n"
    "\n"
    "options:\n"
    "  --node N                 node number, 1..127 (default 1)\n"
    "  --link PATH              symlink PATH to the terminal, removed on exit\n"
    "  --log FILE               one line per request (Q) and answer (A): ms, dir, hex\n"
    "  --can PLUGIN:INTERFACE   on a CAN bus through Qt's CAN bus plugins, for example\n"
    "                           virtualcan:can0 or virtualcan:tcp://127.0.0.1:35500/can0\n"
    "  --bitrate N              CAN bit rate: 125, 250, 500 or 1000 kbit/s (default 500)\n"
    "  --silent                 never answer\n"
    "  --silent-object IDX[:SUB]  never answer this object (repeatable, hex)\n"
    "  --drop-every N           leave every Nth request unanswered\n"
    "  --abort-object IDX[:SUB]   answer this object with abort 08000000 (repeatable)\n"
    "  --answer-node N          answer from COB-ID 0x580 + N\n"
    "  --chunk N                send answers in pieces of N bytes\n"
    "  --chunk-gap MS           pause between pieces (default 0)\n"
    "  --delay MS               time from request to answer (default 2)\n"
    "  --garbage-before HEX     bytes sent in the same burst before each answer\n"
    "  --garbage-after HEX      bytes sent in the same burst after each answer\n"
    "  --heartbeat MS[:NODE]    another node's heartbeat on the bus every MS (node default 5)\n"
    "  --help                   this text\n"
    "\n"
    "commands on stdin, one per line:\n"
    "  inputs HEX | outputs HEX | fault HEX   set 0x2003 / 0x2004 / 0x603F\n"
    "  get IDX[:SUB]            print an object\n"
    "  set IDX[:SUB] VALUE      write an object (hex) as if from the bus, read-only too\n"
    "  silent on|off            answer nothing / answer again\n"
    "  silent-object IDX[:SUB]  abort-object IDX[:SUB]\n"
    "  drop-every N             answer-node N|off\n"
    "  chunk N GAPMS            delay MS\n"
    "  garbage-before [HEX]     garbage-after [HEX]   (no HEX: none)\n"
    "  heartbeat MS[:NODE]|off  another node's heartbeat on the bus\n"
    "  clear-faults             back to a well-behaved link (the alarm code stays)\n"
    "  power-cycle              restart with the stored parameters\n"
    "  status                   one line of drive state\n"
    "  help | quit\n"
    "End of input on stdin does not stop drive-sim; SIGINT/SIGTERM do.\n";

bool parseHexNumber(const std::string &text, uint32_t &value)
{
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.empty() || digits.size() > 8)
        return false;
    char *end = nullptr;
    const unsigned long v = std::strtoul(digits.c_str(), &end, 16);
    if (*end != '\0' || digits[0] == '-' || digits[0] == '+')
        return false;
    value = uint32_t(v);
    return true;
}

static bool parseDecimal(const std::string &text, unsigned long max, unsigned long &value)
{
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    char *end = nullptr;
    value = std::strtoul(text.c_str(), &end, 10);
    return *end == '\0' && value <= max;
}

bool parseObjectAddress(const std::string &text, uint16_t &index, uint8_t &subIndex)
{
    const std::size_t colon = text.find(':');
    uint32_t idx = 0;
    uint32_t sub = 0;
    if (!parseHexNumber(text.substr(0, colon), idx) || idx > 0xFFFF)
        return false;
    if (colon != std::string::npos && (!parseHexNumber(text.substr(colon + 1), sub) || sub > 0xFF))
        return false;
    index = uint16_t(idx);
    subIndex = uint8_t(sub);
    return true;
}

bool parseHexBytes(const std::string &text, std::vector<uint8_t> &bytes)
{
    std::string digits = text;
    if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.size() % 2 != 0)
        return false;
    std::vector<uint8_t> out;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        uint32_t b = 0;
        if (!parseHexNumber(digits.substr(i, 2), b))
            return false;
        out.push_back(uint8_t(b));
    }
    bytes = out;
    return true;
}

static bool applyFaultSetting(FaultConfig &f, const std::string &name, const std::string &arg,
                              std::string &error)
{
    unsigned long n = 0;
    uint16_t index = 0;
    uint8_t sub = 0;
    bool ok = true;
    if (name == "silent-object" || name == "abort-object") {
        ok = parseObjectAddress(arg, index, sub);
        if (ok)
            (name == "silent-object" ? f.silentObjects : f.abortObjects)
                .insert(uint32_t(index) << 8 | sub);
    } else if (name == "drop-every") {
        ok = parseDecimal(arg, 1000000, n);
        f.dropEveryNth = unsigned(n);
    } else if (name == "answer-node") {
        if (arg == "off") {
            f.answerFromNode = -1;
        } else {
            ok = parseDecimal(arg, 127, n);
            f.answerFromNode = int(n);
        }
    } else if (name == "chunk") {
        ok = parseDecimal(arg, 1000, n);
        f.chunkSize = unsigned(n);
    } else if (name == "chunk-gap") {
        ok = parseDecimal(arg, 60000, n);
        f.chunkGapMs = unsigned(n);
    } else if (name == "delay") {
        ok = parseDecimal(arg, 60000, n);
        f.delayMs = unsigned(n);
    } else if (name == "garbage-before") {
        ok = parseHexBytes(arg, f.garbageBefore);
    } else if (name == "garbage-after") {
        ok = parseHexBytes(arg, f.garbageAfter);
    } else if (name == "heartbeat") {
        if (arg == "off") {
            f.heartbeatMs = 0;
        } else {
            const std::size_t colon = arg.find(':');
            unsigned long node = f.heartbeatNode;
            ok = parseDecimal(arg.substr(0, colon), 60000, n) && n > 0
                 && (colon == std::string::npos || (parseDecimal(arg.substr(colon + 1), 127, node) && node > 0));
            if (ok) {
                f.heartbeatMs = unsigned(n);
                f.heartbeatNode = uint8_t(node);
            }
        }
    } else {
        error = "unknown " + name;
        return false;
    }
    if (!ok)
        error = "bad value '" + arg + "' for " + name;
    return ok;
}

bool parseSimOptions(int argc, char **argv, SimOptions &options, std::string &error)
{
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string arg;
        bool hasArg = false;
        if (name.rfind("--", 0) != 0) {
            error = "unexpected argument " + name;
            return false;
        }
        name = name.substr(2);
        const std::size_t eq = name.find('=');
        if (eq != std::string::npos) {
            arg = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasArg = true;
        }
        if (name == "help" || name == "silent") {
            (name == "help" ? options.help : options.faults.silent) = true;
            continue;
        }
        static const char *const withValue[] = {
            "node",        "link",  "log",       "silent-object", "drop-every",     "abort-object",
            "answer-node", "chunk", "chunk-gap", "delay",         "garbage-before", "garbage-after",
            "heartbeat",   "can",   "bitrate"};
        bool known = false;
        for (const char *option : withValue)
            known = known || name == option;
        if (!known) {
            error = "unknown option --" + name;
            return false;
        }
        if (!hasArg) {
            if (i + 1 >= argc) {
                error = "--" + name + " needs a value";
                return false;
            }
            arg = argv[++i];
        }
        if (name == "node") {
            unsigned long n = 0;
            if (!parseDecimal(arg, 127, n) || n == 0) {
                error = "bad node number " + arg;
                return false;
            }
            options.node = uint8_t(n);
        } else if (name == "link") {
            options.linkPath = arg;
        } else if (name == "log") {
            options.logPath = arg;
        } else if (name == "can") {
            options.canTarget = arg;
        } else if (name == "bitrate") {
            options.canBitRate = arg;
        } else if (!applyFaultSetting(options.faults, name, arg, error)) {
            return false;
        }
    }
    if (!options.canBitRate.empty() && options.canTarget.empty()) {
        error = "--bitrate is for a CAN bus: give --can as well";
        return false;
    }
    if (!options.linkPath.empty() && !options.canTarget.empty()) {
        error = "--link names a pseudo-terminal: it has no meaning with --can";
        return false;
    }
    return true;
}

void traceTo(VirtualDrive &drive, std::FILE *log)
{
    drive.onTrace = [log](char direction, const uint8_t *data, std::size_t count, uint32_t atMs) {
        std::fprintf(log, "%u %c", unsigned(atMs), direction);
        for (std::size_t i = 0; i < count; ++i)
            std::fprintf(log, " %02X", unsigned(data[i]));
        std::fputc('\n', log);
        std::fflush(log);
    };
}

static std::string hex(uint32_t value, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, unsigned(value));
    return buf;
}

std::string runSimCommand(VirtualDrive &drive, const std::string &line, bool &quit)
{
    std::istringstream in(line);
    std::string cmd;
    std::string a;
    std::string b;
    in >> cmd >> a >> b;
    if (cmd.empty())
        return {};
    uint32_t value = 0;
    uint16_t index = 0;
    uint8_t sub = 0;
    FaultConfig &f = drive.faults();
    std::string error;

    if (cmd == "quit") {
        quit = true;
        return {};
    }
    if (cmd == "help")
        return kDriveSimUsage;
    if (cmd == "status") {
        return "node " + std::to_string(drive.node()) + " statusword " +
               hex(drive.statusword(), 4) + " mode " + std::to_string(drive.value(0x6061, 0)) +
               " position " + std::to_string(drive.position()) + " velocity " +
               std::to_string(drive.velocity()) + " inputs " + hex(drive.value(0x2003, 0), 4) +
               " outputs " + hex(drive.value(0x2004, 0), 4) + " fault " +
               hex(drive.value(0x603F, 0), 4) + " requests " +
               std::to_string(drive.requests().size()) + "\n";
    }
    if (cmd == "inputs" || cmd == "outputs" || cmd == "fault") {
        if (!parseHexNumber(a, value) || value > 0xFFFF)
            return "error: " + cmd + " needs a 16-bit hex value\n";
        if (cmd == "inputs")
            drive.setInputs(uint16_t(value));
        else if (cmd == "outputs")
            drive.setOutputs(uint16_t(value));
        else
            drive.setFaultCode(uint16_t(value));
        return {};
    }
    if (cmd == "get" || cmd == "set") {
        if (!parseObjectAddress(a, index, sub) || !drive.hasObject(index, sub))
            return "error: no object " + a + "\n";
        if (cmd == "set") {
            if (!parseHexNumber(b, value))
                return "error: set needs a hex value\n";
            drive.setValue(index, sub, value);
        }
        const uint32_t v = drive.value(index, sub);
        return hex(index, 4) + ":" + hex(sub, 2) + " = 0x" + hex(v, 8) + " (" +
               std::to_string(int32_t(v)) + ")\n";
    }
    if (cmd == "silent") {
        if (a != "on" && a != "off")
            return "error: silent on|off\n";
        f.silent = a == "on";
        return {};
    }
    if (cmd == "clear-faults") {
        f = FaultConfig();
        return {};
    }
    if (cmd == "power-cycle") {
        drive.powerCycle();
        return {};
    }
    if (cmd == "chunk") {
        if (!applyFaultSetting(f, "chunk", a, error) ||
            (!b.empty() && !applyFaultSetting(f, "chunk-gap", b, error)))
            return "error: " + error + "\n";
        return {};
    }
    if ((cmd == "garbage-before" || cmd == "garbage-after") && a.empty()) {
        (cmd == "garbage-before" ? f.garbageBefore : f.garbageAfter).clear();
        return {};
    }
    if (!applyFaultSetting(f, cmd, a, error))
        return "error: " + (error.rfind("unknown", 0) == 0 ? "unknown command " + cmd : error) +
               "\n";
    return {};
}

} // namespace sim
