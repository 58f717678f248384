#include "sim/objectdictionary.h"

namespace sim {

uint32_t truncateToWidth(uint32_t value, unsigned bits)
{
    return bits >= 32 ? value : value & ((uint32_t(1) << bits) - 1);
}

namespace {
constexpr Access RO = Access::ReadOnly;
constexpr Access WO = Access::WriteOnly;
constexpr Access RW = Access::ReadWrite;
constexpr bool Param = true;
constexpr bool Live = false;
} // namespace

ObjectDictionary::ObjectDictionary(uint8_t node)
{
    // CiA 301 PDO configuration: plain storage, the drive sends no PDOs.
    static const uint32_t rpdoMaps[4][2] = {{0x60400010, 0x60600008},
                                            {0x60400010, 0x607A0020},
                                            {0x60400010, 0x60FF0020},
                                            {0, 0}};
    static const uint32_t tpdoMaps[4][2] = {{0x60410010, 0x60640020},
                                            {0x60410010, 0x606C0020},
                                            {0x603F0010, 0x60FD0020},
                                            {0, 0}};
    for (uint16_t n = 0; n < 4; ++n) {
        add(0x1600 + n, 0, 8, RW, Param, rpdoMaps[n][0] ? 2 : 0);
        add(0x1A00 + n, 0, 8, RW, Param, tpdoMaps[n][0] ? 2 : 0);
        for (uint8_t k = 1; k <= 4; ++k) {
            add(0x1600 + n, k, 32, RW, Param, k <= 2 ? rpdoMaps[n][k - 1] : 0);
            add(0x1A00 + n, k, 32, RW, Param, k <= 2 ? tpdoMaps[n][k - 1] : 0);
        }
        add(0x1800 + n, 0, 8, RO, Live, 5);
        add(0x1800 + n, 2, 8, RW, Param, 0xFF);   // event driven
        add(0x1800 + n, 3, 16, RW, Param, 0);     // inhibit time
        add(0x1800 + n, 5, 16, RW, Param, 0);     // event timer
    }

    add(0x2000, 0, 16, RO, Live, node);
    add(0x2003, 0, 16, RO, Live, 0);
    add(0x2004, 0, 16, RO, Live, 0);
    add(0x2005, 0, 16, RW, Param, 15);      // phase current, 0.1 A steps
    add(0x2006, 0, 16, RW, Param, 13);      // microstep index: 10000 pulses per revolution
    add(0x2007, 0, 16, RW, Param, 0);       // standstill current: half
    add(0x2008, 0, 16, RW, Param, node);    // node number used after the next power-up
    add(0x2009, 0, 16, RW, Param, 2);       // CAN bit rate index: 125 kbit/s
    add(0x200A, 0, 16, RW, Param, 0);       // overtravel stop mode
    add(0x200B, 0, 16, RW, Param, 0);       // command source: bus
    add(0x200C, 0, 16, RW, Param, 1);       // 1: writes do not go to EEPROM by themselves
    add(0x200E, 0, 16, RW, Param, 0);       // start speed, rpm
    add(0x200F, 0, 16, RW, Live, 1);        // enable (1) / release (0)
    add(0x2010, 0, 16, WO, Live, 0);        // 1 restore factory, 2 store
    add(0x2011, 0, 16, WO, Live, 0);        // 1 clear alarm
    add(0x2012, 0, 16, RW, Live, 0);
    // Terminal configuration: inversion masks at 1 and 12, X0..X5 functions at 2..7,
    // Y0..Y3 functions at 13..16.  X0 home switch, X1/X2 limits, Y0 alarm, Y1 in position.
    static const uint16_t terminals[17] = {0, 0, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 1, 4, 0, 0};
    add(0x2030, 0, 8, RO, Live, 16);
    for (uint8_t k = 1; k <= 16; ++k)
        add(0x2030, k, 16, RW, Param, terminals[k]);
    add(0x2040, 0, 16, RW, Param, 220);
    add(0x2041, 0, 16, RW, Param, 3);

    add(0x603F, 0, 16, RO, Live, 0);
    add(0x6040, 0, 16, RW, Live, 0x000F);
    add(0x6041, 0, 16, RO, Live, 0);
    add(0x6060, 0, 8, RW, Live, 1);
    add(0x6061, 0, 8, RO, Live, 1);
    add(0x6064, 0, 32, RO, Live, 0);
    add(0x606C, 0, 32, RO, Live, 0);
    add(0x607A, 0, 32, RW, Live, 0);
    add(0x607C, 0, 32, RW, Param, 0);
    add(0x6081, 0, 32, RW, Param, 50);
    add(0x6083, 0, 32, RW, Param, 100);
    add(0x6084, 0, 32, RW, Param, 100);
    add(0x6098, 0, 8, RW, Param, 17);
    add(0x6099, 0, 8, RO, Live, 2);
    add(0x6099, 1, 32, RW, Param, 150);
    add(0x6099, 2, 32, RW, Param, 50);
    add(0x609A, 0, 32, RW, Param, 100);
    add(0x60FD, 0, 32, RO, Live, 0);
    add(0x60FF, 0, 32, RW, Live, 0);
}

void ObjectDictionary::add(uint16_t index, uint8_t subIndex, uint8_t bits, Access access,
                           bool persistent, uint32_t value)
{
    ObjectEntry e;
    e.bits = bits;
    e.access = access;
    e.persistent = persistent;
    e.value = e.stored = e.factory = truncateToWidth(value, bits);
    m_entries[objectKey(index, subIndex)] = e;
}

ObjectEntry *ObjectDictionary::find(uint16_t index, uint8_t subIndex)
{
    auto it = m_entries.find(objectKey(index, subIndex));
    return it == m_entries.end() ? nullptr : &it->second;
}

const ObjectEntry *ObjectDictionary::find(uint16_t index, uint8_t subIndex) const
{
    auto it = m_entries.find(objectKey(index, subIndex));
    return it == m_entries.end() ? nullptr : &it->second;
}

bool ObjectDictionary::hasIndex(uint16_t index) const
{
    auto it = m_entries.lower_bound(objectKey(index, 0));
    return it != m_entries.end() && (it->first >> 8) == index;
}

uint32_t ObjectDictionary::get(uint16_t index, uint8_t subIndex) const
{
    const ObjectEntry *e = find(index, subIndex);
    return e ? e->value : 0;
}

void ObjectDictionary::set(uint16_t index, uint8_t subIndex, uint32_t value)
{
    if (ObjectEntry *e = find(index, subIndex))
        e->value = truncateToWidth(value, e->bits);
}

void ObjectDictionary::setEverywhere(uint16_t index, uint8_t subIndex, uint32_t value)
{
    if (ObjectEntry *e = find(index, subIndex))
        e->value = e->stored = e->factory = truncateToWidth(value, e->bits);
}

void ObjectDictionary::storeParameters()
{
    for (auto &kv : m_entries)
        if (kv.second.persistent)
            kv.second.stored = kv.second.value;
}

void ObjectDictionary::storeOne(uint16_t index, uint8_t subIndex)
{
    ObjectEntry *e = find(index, subIndex);
    if (e && e->persistent)
        e->stored = e->value;
}

void ObjectDictionary::restoreFactory()
{
    for (auto &kv : m_entries)
        if (kv.second.persistent)
            kv.second.value = kv.second.stored = kv.second.factory;
}

void ObjectDictionary::loadStored()
{
    for (auto &kv : m_entries)
        if (kv.second.persistent)
            kv.second.value = kv.second.stored;
}

void ObjectDictionary::resetLive()
{
    for (auto &kv : m_entries)
        if (!kv.second.persistent)
            kv.second.value = kv.second.factory;
}

} // namespace sim
