#include "paramfile/paramxml.h"

#include <QDebug>
#include <QLoggingCategory>
#include <QXmlStreamReader>

namespace {

// The per-entry lines are many; with the default category's debug output
// switched off they cost nothing.
const QLoggingCategory &diag() { return *QLoggingCategory::defaultCategory(); }

QString hex4(uint32_t value) { return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper(); }

bool readEntry(const QXmlStreamAttributes &attributes, ParamEntry &entry)
{
    uint32_t index = 0;
    uint32_t subIndex = 0;
    uint32_t value = 0;
    // A missing attribute reads as an empty text, which is not a number.
    if (!ParamXml::parseNumber(attributes.value(QLatin1String("REG_IDX")).toString(), 16, 0xFFFF, index)
        || !ParamXml::parseNumber(attributes.value(QLatin1String("REG_SUB_IDX")).toString(), 16, 0xFF, subIndex)
        || !ParamXml::parseNumber(attributes.value(QLatin1String("Data")).toString(), 10, 0xFFFFFFFFu, value))
        return false;
    entry.index = uint16_t(index);
    entry.subIndex = uint8_t(subIndex);
    entry.value = value;
    return true;
}

} // namespace

namespace ParamXml {

bool parseNumber(const QString &text, int base, uint32_t max, uint32_t &value)
{
    QStringRef digits = QStringRef(&text).trimmed();
    if (base == 16 && digits.size() > 2 && digits.at(0) == QLatin1Char('0')
        && (digits.at(1) == QLatin1Char('x') || digits.at(1) == QLatin1Char('X')))
        digits = digits.mid(2);
    if (digits.isEmpty())
        return false;
    uint64_t result = 0;
    for (const QChar c : digits) {
        int d = -1;
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            d = c.unicode() - '0';
        else if (base == 16 && c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            d = c.unicode() - 'a' + 10;
        else if (base == 16 && c >= QLatin1Char('A') && c <= QLatin1Char('F'))
            d = c.unicode() - 'A' + 10;
        if (d < 0)
            return false;
        result = result * uint64_t(base) + uint64_t(d);
        if (result > max)
            return false;
    }
    value = uint32_t(result);
    return true;
}

QByteArray write(const QVector<Page> &pages)
{
    QByteArray out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>\n";
    for (const Page &page : pages) {
        const QByteArray name = page.name.toUtf8();
        if (page.entries.isEmpty()) {
            out += "    <" + name + "/>\n";
            continue;
        }
        out += "    <" + name + ">\n";
        for (int n = 0; n < page.entries.size(); ++n) {
            const ParamEntry &e = page.entries[n];
            const QByteArray entry = name + "_N" + QByteArray::number(n + 1);
            out += "        <" + entry + " REG_IDX=\"" + QByteArray::number(e.index, 16) + "\" REG_SUB_IDX=\""
                + QByteArray::number(e.subIndex, 16) + "\" Data=\"" + QByteArray::number(e.value) + "\"></"
                + entry + ">\n";
        }
        out += "    </" + name + ">\n";
    }
    out += "</Config>\n";
    return out;
}

ReadResult read(const QByteArray &xml, const QStringList &pageNames)
{
    ReadResult result;
    QXmlStreamReader reader(xml);
    // Names are compared as written; a prefix needs no declaration.
    reader.setNamespaceProcessing(false);
    int depth = 0;
    int pagesSeen = 0;
    bool inPage = false;  // inside a page element found at its own position
    int pageNumber = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth == 2) {
                inPage = false;
                if (pagesSeen < pageNames.size()) {
                    pageNumber = ++pagesSeen;
                    inPage = reader.qualifiedName() == pageNames[pageNumber - 1];
                    if (inPage && result.pagesFound == pageNumber - 1)
                        result.pagesFound = pageNumber;
                    if (inPage)
                        qCDebug(diag) << "node read 1:" << reader.qualifiedName();
                    else
                        qCDebug(diag) << "node read: error node";
                }
            } else if (depth == 3 && inPage) {
                ParamEntry entry;
                if (readEntry(reader.attributes(), entry)) {
                    result.entries.append(entry);
                    qCDebug(diag).noquote() << "n.nodeName:" << reader.qualifiedName() << "REG_IDX:" << hex4(entry.index)
                                            << "REG_SUB_IDX:" << hex4(entry.subIndex) << "Data:" << entry.value;
                } else {
                    ++result.invalid;
                    qCDebug(diag) << "n.nodeName:" << reader.qualifiedName() << "invalid entry";
                }
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == 2 && inPage)
                qCDebug(diag) << "node read 3:" << pageNumber;
            if (depth == 2)
                inPage = false;
            --depth;
        }
    }
    if (reader.hasError()) {
        result.error = reader.errorString();
        result.entries.clear();
        result.invalid = 0;
        result.pagesFound = 0;
        return result;
    }
    result.wellFormed = true;
    return result;
}

} // namespace ParamXml
