#include "paramfile/paramfile.h"

#include "app/messageboxes.h"
#include "app/savefile.h"
#include "pages/basicparampage.h"
#include "pages/iopage.h"
#include "pages/modecontrolpage.h"
#include "pages/pdopage.h"
#include "pages/programpage.h"
#include "paramfile/onekeypage.h"

#include <QDebug>
#include <QFile>
#include <QFileDialog>

const ParamFilePage paramFilePages[kParamFilePageCount] = {
    {"page1_base_param", 19}, {"page2_run_test", 16}, {"page3_io", 16},     {"page4_PDO", 44},
    {"page5_PR", 202},        {"page6_UART", 8},      {"page7_one_key", 6},
};

namespace {

// Page 2's objects in file order; entries 7 to 11 are the group-2 keys.
const uint16_t kGroup1Objects[6] = {0x200E, 0x6083, 0x6081, 0x60FF, 0x6084, 0x607A};
const uint8_t kTpdoSubs[3] = {2, 3, 5};

// Width in bits of each StepRecord field 1..12.
const uint8_t kStepFieldBits[13] = {0, 8, 8, 16, 16, 32, 32, 32, 32, 16, 16, 16, 16};

bool fits(uint32_t value, int bits) { return bits >= 32 || value < (uint32_t(1) << bits); }

QStringList pageNames()
{
    QStringList names;
    for (const ParamFilePage &p : paramFilePages)
        names << QLatin1String(p.name);
    return names;
}

} // namespace

ParamFile::ParamFile(const Pages &pages)
    : m_pages(pages)
{
}

ParamEntry ParamFile::paramFileEntry(int page, int n) const
{
    ParamEntry e;
    if (page < 1 || page > kParamFilePageCount || n < 1 || n > paramFilePages[page - 1].entries)
        return e;
    switch (page) {
    case 1:
        if (n == 1) {
            e.index = 0x2000;  // row 1.1 only shows the drive's node number
        } else if (n <= 9) {
            e.index = uint16_t(0x2003 + n);
            e.value = m_pages.basic.basicParamValue(1, n);
        } else if (n <= 11) {
            e.index = uint16_t(0x2040 + n - 10);
            e.value = m_pages.basic.basicParamValue(2, n - 9);
        }
        break;
    case 2:
        if (n <= 6) {
            e.index = kGroup1Objects[n - 1];
            e.value = uint32_t(m_pages.modeControl.paramGroup1Value(e.index));
        } else if (n <= 11) {
            e.index = uint16_t(0x5201 + n - 7);
            e.value = uint32_t(m_pages.modeControl.paramGroup2Value(e.index));
        } else {
            static const ParamEntry homing[5] = {{0x6098, 0, 0}, {0x6099, 1, 0}, {0x6099, 2, 0}, {0x609A, 0, 0}, {0x607C, 0, 0}};
            e = homing[n - 12];
            e.value = uint32_t(m_pages.modeControl.homingParamValue(n - 11));
        }
        break;
    case 3:
        e.index = IoPage::kTerminalObject;
        e.subIndex = uint8_t(n);
        e.value = m_pages.io.ioTerminalValue(uint8_t(n));
        break;
    case 4:
        if (n <= 32) {
            const bool receive = n <= 16;
            const int k = receive ? n - 1 : n - 17;
            e.index = uint16_t((receive ? 0x1600 : 0x1A00) + k / 4);
            e.subIndex = uint8_t(k % 4 + 1);
            e.value = m_pages.pdo.pdoMapping(receive ? PdoPage::PdoKind::Receive : PdoPage::PdoKind::Transmit, k / 4,
                                             e.subIndex);
        } else {
            const int k = n - 33;
            e.index = uint16_t(0x1800 + k / 3);
            e.subIndex = kTpdoSubs[k % 3];
            e.value = m_pages.pdo.tpdoParameter(k / 3, e.subIndex);
        }
        break;
    case 5:
        if (n == 1) {
            e.index = 0x5501;
        } else if (n <= 6) {
            e.index = 0x5502;
            e.subIndex = uint8_t(n - 1);
        } else if (n <= 10) {
            e.index = 0x5503;
            e.subIndex = uint8_t(n - 6);
        } else {
            e.index = uint16_t(0x5504 + (n - 11) / 12);
            e.subIndex = uint8_t((n - 11) % 12 + 1);
        }
        e.value = m_pages.program.programValue(e.index, e.subIndex);
        break;
    case 7:
        if (n == 1) {
            e.index = 0x6060;
            e.value = m_pages.oneKey.oneKeyModeValue();
        } else {
            e.index = 0x5701;
            e.subIndex = uint8_t(n - 1);
            e.value = m_pages.oneKey.oneKeyGroupValue(n - 1);
        }
        break;
    default:  // page 6 has no parameters
        break;
    }
    return e;
}

ParamFile::SetResult ParamFile::setParamByObject(uint16_t index, uint8_t subIndex, uint32_t value)
{
    // Each branch checks the value against the object's width first: a
    // value cut down would show, and be sent to the drive, as another one.
    auto apply = [value](int bits, auto &&set) {
        if (!fits(value, bits))
            return SetResult::Invalid;
        set();
        return SetResult::Applied;
    };
    ModeControlPage &mode = m_pages.modeControl;
    if (index >= 0x2005 && index <= 0x200C)
        return apply(16, [&] { m_pages.basic.setBasicParamValue(1, index - 0x2003, uint16_t(value)); });
    if (index == 0x2040 || index == 0x2041)
        return apply(16, [&] { m_pages.basic.setBasicParamValue(2, index - 0x203F, uint16_t(value)); });
    if (index == 0x200E)
        return apply(16, [&] { mode.setParamGroup1Value(index, value); });
    if (index == 0x6081 || index == 0x6083 || index == 0x6084 || index == 0x607A || index == 0x60FF)
        return apply(32, [&] { mode.setParamGroup1Value(index, value); });
    if (index >= 0x5201 && index <= 0x5205)
        return apply(32, [&] { mode.setParamGroup2Value(index, value); });
    if (index == 0x6098)
        return apply(8, [&] { mode.setHomingParamValue(1, value); });
    if (index == 0x6099 && (subIndex == 1 || subIndex == 2))
        return apply(32, [&] { mode.setHomingParamValue(subIndex + 1, value); });
    if (index == 0x609A)
        return apply(32, [&] { mode.setHomingParamValue(4, value); });
    if (index == 0x607C)
        return apply(32, [&] { mode.setHomingParamValue(5, value); });
    if (index == IoPage::kTerminalObject && subIndex >= 1 && subIndex <= 16)
        return apply(16, [&] { m_pages.io.setIoTerminalValue(subIndex, uint16_t(value)); });
    if (index >= 0x1600 && index <= 0x1603)
        return apply(32, [&] { m_pages.pdo.setPdoMapping(PdoPage::PdoKind::Receive, index - 0x1600, subIndex, value); });
    if (index >= 0x1A00 && index <= 0x1A03)
        return apply(32, [&] { m_pages.pdo.setPdoMapping(PdoPage::PdoKind::Transmit, index - 0x1A00, subIndex, value); });
    if (index >= 0x1800 && index <= 0x1803 && (subIndex == 2 || subIndex == 3 || subIndex == 5))
        return apply(subIndex == 2 ? 8 : 16, [&] { m_pages.pdo.setTpdoParameter(index - 0x1800, subIndex, value); });
    if (index >= 0x5501 && index <= 0x5503)
        return apply(8, [&] { m_pages.program.setProgramValue(index, subIndex, value); });
    if (index >= 0x5504 && index <= 0x5513 && subIndex >= 1 && subIndex <= 12)
        return apply(kStepFieldBits[subIndex], [&] { m_pages.program.setProgramValue(index, subIndex, value); });
    if (index == 0x6060)
        return apply(8, [&] { m_pages.oneKey.setOneKeyModeValue(uint8_t(value)); });
    if (index == 0x5701 && subIndex >= 1 && subIndex <= 5)
        return apply(8, [&] { m_pages.oneKey.setOneKeyGroupValue(subIndex, value != 0); });
    return SetResult::Ignored;
}

QByteArray ParamFile::exportDocument() const
{
    QVector<ParamXml::Page> pages;
    for (int p = 1; p <= kParamFilePageCount; ++p) {
        ParamXml::Page page{QLatin1String(paramFilePages[p - 1].name), {}};
        for (int n = 1; n <= paramFilePages[p - 1].entries; ++n)
            page.entries.append(paramFileEntry(p, n));
        pages.append(page);
    }
    return ParamXml::write(pages);
}

// ---- export and import ------------------------------------------------------------

void ParamFile::exportParamFile()
{
    const QString fileName = QFileDialog::getSaveFileName(nullptr, QObject::tr("Save As"), QStringLiteral("./"),
                                                          QObject::tr("xml File(*.xml)"));
    if (!fileName.isEmpty())
        exportToFile(fileName);
}

bool ParamFile::importParamFile()
{
    const QString fileName = QFileDialog::getOpenFileName(nullptr, QObject::tr("Read As"), QStringLiteral("./"),
                                                          QObject::tr("xml File(*.xml)"));
    if (fileName.isEmpty())
        return false;
    return importFromFile(fileName).succeeded();
}

ParamFileResult ParamFile::exportToFile(const QString &fileName)
{
    qDebug() << "WriteXml: 1"
             << "\r\n";
    qDebug() << "WriteXml: 2"
             << "\r\n";
    const QByteArray document = exportDocument();
    qDebug() << "WriteXml: 4"
             << "\r\n";
    ParamFileResult result;
    // Written beside the old file and renamed over it only when complete.
    if (!saveFileAtomically(fileName, document)) {
        result.outcome = ParamFileResult::Outcome::CannotWrite;
        MessageBoxes::warning(QStringLiteral("Error"), QStringLiteral("保存xml错误"));
        return result;
    }
    qDebug() << "WriteXml: 5"
             << "\r\n";
    return result;
}

ParamFileResult ParamFile::importFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        MessageBoxes::warning(QStringLiteral("Error"), QStringLiteral("打开xml错误"));
        ParamFileResult result;
        result.outcome = ParamFileResult::Outcome::CannotOpen;
        return result;
    }
    const QByteArray xml = file.readAll();
    file.close();
    return importDocument(xml);
}

ParamFileResult ParamFile::importDocument(const QByteArray &xml)
{
    ParamFileResult result;
    const ParamXml::ReadResult read = ParamXml::read(xml, pageNames());
    if (!read.wellFormed) {
        qDebug() << "xml parse error:" << read.error;
        MessageBoxes::information(QStringLiteral("错误提示"), QStringLiteral("XML 文件错误"));
        result.outcome = ParamFileResult::Outcome::NotWellFormed;
        return result;
    }
    result.skipped = read.invalid;
    result.pagesFound = read.pagesFound;
    for (const ParamEntry &e : read.entries) {
        if (setParamByObject(e.index, e.subIndex, e.value) == SetResult::Invalid)
            ++result.skipped;
    }
    if (result.skipped > 0)
        MessageBoxes::information(QStringLiteral("错误提示"), tr("%1 项参数无效，已跳过").arg(result.skipped));
    return result;
}
