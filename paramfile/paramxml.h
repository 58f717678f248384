#pragma once
// The XML layout that parameter files and Config.xml share: a root element
// holding page elements in a fixed order, each holding one element per entry
// with the attributes REG_IDX and REG_SUB_IDX (hexadecimal) and Data
// (unsigned decimal).  Pages are recognised by their position among the
// root's element children, never by searching for their name.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>

struct ParamEntry {
    uint16_t index = 0;
    uint8_t subIndex = 0;
    uint32_t value = 0;
};

namespace ParamXml {

struct Page {
    QString name;
    QVector<ParamEntry> entries;
};

// The whole document as the tool writes it: declaration, root `Config`,
// 4 spaces per level, entry elements named page name + "_N" + n with their
// start and end tag on one line.
QByteArray write(const QVector<Page> &pages);

struct ReadResult {
    bool wellFormed = false;
    QString error;  // the parser's message when not well-formed
    // The entries of the pages found at their own position, in document order.
    QVector<ParamEntry> entries;
    // Entry elements of those pages whose attributes are missing, not numbers,
    // or too large for their field: they are left out of `entries`.
    int invalid = 0;
    // Page elements found at their own position, counted from the first.
    int pagesFound = 0;
};

// Reads the document; `pageNames` gives the expected page at each position
// (root element children beyond its size are not examined).  Nothing is
// returned in `entries` unless the whole document is well-formed.
ReadResult read(const QByteArray &xml, const QStringList &pageNames);

// One attribute's text as a number: trimmed, hexadecimal (optional 0x) or
// decimal digits only, at most `max`.  False for anything else.
bool parseNumber(const QString &text, int base, uint32_t max, uint32_t &value);

} // namespace ParamXml
