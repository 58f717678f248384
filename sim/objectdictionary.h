#pragma once
// The drive's object dictionary: width, access and the three copies of every
// parameter a real drive keeps (working value, stored copy, factory default).

#include <cstdint>
#include <map>

namespace sim {

enum class Access : uint8_t { ReadOnly, WriteOnly, ReadWrite };

struct ObjectEntry {
    uint8_t bits = 16;          // 8, 16 or 32
    Access access = Access::ReadWrite;
    bool persistent = false;    // a parameter: kept by "store", reset by "restore factory"
    uint32_t value = 0;
    uint32_t stored = 0;
    uint32_t factory = 0;
};

constexpr uint32_t objectKey(uint16_t index, uint8_t subIndex)
{
    return (uint32_t(index) << 8) | subIndex;
}

uint32_t truncateToWidth(uint32_t value, unsigned bits);

class ObjectDictionary {
public:
    explicit ObjectDictionary(uint8_t node);

    ObjectEntry *find(uint16_t index, uint8_t subIndex);
    const ObjectEntry *find(uint16_t index, uint8_t subIndex) const;
    bool hasIndex(uint16_t index) const;

    // Missing objects read as 0 and ignore writes; values are cut to the object's width.
    uint32_t get(uint16_t index, uint8_t subIndex) const;
    void set(uint16_t index, uint8_t subIndex, uint32_t value);
    // Working value, stored copy and factory default at once (the drive was built that way).
    void setEverywhere(uint16_t index, uint8_t subIndex, uint32_t value);

    void storeParameters();             // stored := working, every parameter
    void storeOne(uint16_t index, uint8_t subIndex);
    void restoreFactory();              // working and stored := factory
    void loadStored();                  // working := stored (what a power-up does)
    void resetLive();                   // every non-parameter back to its power-up value

private:
    void add(uint16_t index, uint8_t subIndex, uint8_t bits, Access access, bool persistent,
             uint32_t value);

    std::map<uint32_t, ObjectEntry> m_entries;
};

} // namespace sim
