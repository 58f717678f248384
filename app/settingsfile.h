#pragma once
// Config.xml: the device model (0x1000) and the language flag (0x1001),
// in the parameter files' layout with a page table of its own.

#include <QString>
#include <cstdint>

namespace SettingsFile {

struct Values {
    uint32_t model = 0;     // low 16 bits 1: Orca57, anything else Lynx42
    uint32_t language = 0;  // 1: English, anything else Chinese
};

// ".//Config.xml": the working directory's.
QString defaultPath();

// Fills `values` from the file; false (values untouched) when it cannot be
// opened or is not well-formed.  Damaged entries are passed over.
bool readSettingsFile(const QString &path, Values &values);

// Writes the whole file; an existing one is replaced only by a complete new
// one.  False when it could not be written.
bool writeSettingsFile(const QString &path, bool orca57, bool english);

} // namespace SettingsFile
