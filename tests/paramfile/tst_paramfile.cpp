// Parameter files: the exact text an export writes for known widget values,
// what an import changes (pages matched by position, entries by object),
// damaged entries and files, and saves that cannot be completed.

#include "pages/basicparampage.h"
#include "pages/iopage.h"
#include "pages/modecontrolpage.h"
#include "pages/pdopage.h"
#include "pages/programpage.h"
#include "paramfile/onekeypage.h"
#include "paramfile/paramfile.h"
#include "tests/support/harness.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The attributes of an entry line in a fixed order, so that lines differing
// only in attribute order compare equal.
QString normalised(const QString &line)
{
    static const QRegularExpression entry(QStringLiteral("^( *)<(\\S+) ([^>]*)></(\\S+)>$"));
    static const QRegularExpression attribute(QStringLiteral("(\\w+)=\"([^\"]*)\""));
    const QRegularExpressionMatch m = entry.match(line);
    if (!m.hasMatch())
        return line;
    QStringList attributes;
    for (auto it = attribute.globalMatch(m.captured(3)); it.hasNext();)
        attributes << it.next().captured(0);
    attributes.sort();
    return m.captured(1) + QLatin1Char('<') + m.captured(2) + QLatin1Char(' ') + attributes.join(QLatin1Char(' '))
        + QStringLiteral("></") + m.captured(4) + QLatin1Char('>');
}

// The text of one page element, start tag to end tag.
QByteArray pageBlock(const QByteArray &doc, const char *page)
{
    const QByteArray open = QByteArray("    <") + page + ">\n";
    const QByteArray close = QByteArray("    </") + page + ">\n";
    const int from = doc.indexOf(open);
    const int to = doc.indexOf(close);
    return (from < 0 || to < 0) ? QByteArray() : doc.mid(from, to + close.size() - from);
}

// Known values in every page, the same as in data/export_expected.xml.
void setKnownValues(MainWindow &w)
{
    w.basicParamPage().setBasicParamValue(1, 2, 20);
    w.basicParamPage().setBasicParamValue(2, 2, 7);
    w.modeControlPage().setParamGroup1Value(0x60FF, uint32_t(-500));
    w.modeControlPage().setHomingParamValue(5, uint32_t(-1000));
    w.ioPage().setIoTerminalValue(1, 5);
    w.ioPage().setIoTerminalValue(3, 12);
    w.ioPage().setIoTerminalValue(14, 4);
    w.ioPage().setIoTerminalValue(16, 6);
    w.pdoPage().setPdoMapping(PdoPage::PdoKind::Receive, 0, 1, 0x60400010);
    w.pdoPage().setPdoMapping(PdoPage::PdoKind::Transmit, 3, 4, 0x60FD0020);
    w.pdoPage().setTpdoParameter(1, 2, 254);
    w.pdoPage().setTpdoParameter(2, 5, 1000);
    w.programPage().setProgramValue(0x5508, 6, 777);
    w.oneKeyPage().setOneKeyModeValue(6);
    w.oneKeyPage().setOneKeyGroupValue(3, false);
}

QString boxText(const Harness::Box &b) { return b.title + QLatin1Char('|') + b.text; }
QStringList boxTexts(const Harness &h)
{
    QStringList texts;
    for (const Harness::Box &b : h.boxes())
        texts << boxText(b);
    return texts;
}

// One widget value by a short name, for the import table.
qint64 probe(MainWindow &w, const QString &what)
{
    const QStringList p = what.split(QLatin1Char(':'));
    const auto num = [&](int i) { return p.value(i).toInt(nullptr, 16); };
    if (p[0] == QLatin1String("basic"))
        return w.basicParamPage().basicParamValue(num(1), num(2));
    if (p[0] == QLatin1String("group1"))
        return w.modeControlPage().paramGroup1Value(uint16_t(num(1)));
    if (p[0] == QLatin1String("homing"))
        return w.modeControlPage().homingParamValue(num(1));
    if (p[0] == QLatin1String("io"))
        return w.ioPage().ioTerminalValue(uint8_t(num(1)));
    if (p[0] == QLatin1String("rpdo"))
        return w.pdoPage().pdoMapping(PdoPage::PdoKind::Receive, num(1), num(2));
    if (p[0] == QLatin1String("tpdo"))
        return w.pdoPage().tpdoParameter(num(1), num(2));
    if (p[0] == QLatin1String("program"))
        return w.programPage().programValue(uint16_t(num(1)), uint8_t(num(2)));
    if (p[0] == QLatin1String("mode"))
        return w.oneKeyPage().oneKeyModeValue();
    if (p[0] == QLatin1String("group"))
        return w.oneKeyPage().oneKeyGroupValue(num(1));
    return -1;
}

// A file with page elements 1 to 7 at their positions; `pages` puts entry text into some of them.
QByteArray fileWith(const QMap<int, QByteArray> &pages, const QByteArray &root = "Config")
{
    QByteArray doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + root + ">\n";
    for (int p = 1; p <= kParamFilePageCount; ++p)
        doc += QByteArray("<") + paramFilePages[p - 1].name + ">" + pages.value(p) + "</" + paramFilePages[p - 1].name + ">\n";
    return doc + "</" + root + ">\n";
}
QByteArray entry(const char *idx, const char *sub, const char *data)
{
    return QByteArray("<e REG_IDX=\"") + idx + "\" REG_SUB_IDX=\"" + sub + "\" Data=\"" + data + "\"></e>";
}

} // namespace

class ParamFileTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.path() + QLatin1Char('/') + QLatin1String(name); }

private slots:
    void exportWritesTheKnownLayout()
    {
        Harness h(1, false);
        setKnownValues(h.window());
        const ParamFileResult r = h.window().paramFile().exportToFile(path("known.xml"));
        QVERIFY(r.succeeded());
        QVERIFY(h.boxes().isEmpty());

        const QByteArray written = readFile(path("known.xml"));
        const QByteArray expected = readFile(QStringLiteral(PARAMFILE_DATA_DIR "/export_expected.xml"));
        QCOMPARE(written.count("REG_IDX="), 311);
        QVERIFY(written.endsWith("</Config>\n"));
        const QStringList got = QString::fromUtf8(written).split(QLatin1Char('\n'));
        const QStringList want = QString::fromUtf8(expected).split(QLatin1Char('\n'));
        QCOMPARE(got.size(), want.size());
        for (int i = 0; i < got.size(); ++i)
            QCOMPARE(normalised(got[i]), normalised(want[i]));
    }

    // Export, change everything, import: every value is back, negative ones included.
    void exportThenImportRestoresEveryValue()
    {
        QByteArray first;
        {
            Harness h(1, false);
            setKnownValues(h.window());
            QVERIFY(h.window().paramFile().exportToFile(path("round.xml")).succeeded());
            first = readFile(path("round.xml"));
        }
        Harness h(1, false);
        MainWindow &w = h.window();
        w.modeControlPage().setParamGroup1Value(0x60FF, 300);
        w.programPage().setProgramValue(0x5501, 0, 4);
        w.programPage().setProgramValue(0x5505, 7, 1234);
        w.oneKeyPage().setOneKeyModeValue(3);
        const ParamFileResult r = w.paramFile().importFromFile(path("round.xml"));
        QVERIFY(r.succeeded());
        QCOMPARE(r.skipped, 0);
        QVERIFY(h.boxes().isEmpty());
        QCOMPARE(w.modeControlPage().paramGroup1Value(0x60FF), -500);
        QCOMPARE(w.modeControlPage().homingParamValue(5), -1000);
        QCOMPARE(w.programPage().programValue(0x5505, 7), uint32_t(-2000));
        QCOMPARE(w.oneKeyPage().oneKeyModeValue(), uint8_t(6));
        QCOMPARE(w.oneKeyPage().oneKeyGroupValue(3), uint8_t(0));
        QCOMPARE(w.paramFile().exportDocument(), first);
    }

    void exportFailureKeepsTheOldFile()
    {
        Harness h(1, false);
        // A folder that is not there.
        ParamFileResult r = h.window().paramFile().exportToFile(path("no/such/folder/x.xml"));
        QCOMPARE(r.outcome, ParamFileResult::Outcome::CannotWrite);
        QCOMPARE(boxTexts(h), QStringList{QStringLiteral("Error|保存xml错误")});
        QCOMPARE(h.boxes().first().kind, MessageBoxes::Kind::Warning);
#ifdef Q_OS_UNIX
        // A size limit cuts the write short: the old file stays as it was and no temporary is left.
        QTemporaryDir dir;
        const QString file = dir.path() + QStringLiteral("/old.xml");
        const QByteArray old = "<Config>old settings</Config>\n";
        QVERIFY(writeFile(file, old));
        h.clearBoxes();
        struct rlimit before {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
        struct rlimit small = before;
        small.rlim_cur = 4096;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        r = h.window().paramFile().exportToFile(file);
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(r.outcome, ParamFileResult::Outcome::CannotWrite);
        QCOMPARE(boxTexts(h), QStringList{QStringLiteral("Error|保存xml错误")});
        QCOMPARE(readFile(file), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.xml")});
#endif
    }

    // Pages are found by position: with pages 2 and 3 swapped both are
    // skipped, the others load.
    void swappedPagesLoadTheOthersOnly()
    {
        QByteArray known;
        {
            Harness h(1, false);
            setKnownValues(h.window());
            known = h.window().paramFile().exportDocument();
        }
        const QByteArray p2 = pageBlock(known, "page2_run_test");
        const QByteArray p3 = pageBlock(known, "page3_io");
        QVERIFY(!p2.isEmpty() && !p3.isEmpty());
        QByteArray swapped = known;
        swapped.replace(p2 + p3, p3 + p2);
        QVERIFY(swapped != known);
        QVERIFY(writeFile(path("swapped.xml"), swapped));

        Harness h(1, false);
        const QByteArray defaults = h.window().paramFile().exportDocument();
        QVERIFY(h.window().paramFile().importFromFile(path("swapped.xml")).succeeded());
        const QByteArray after = h.window().paramFile().exportDocument();
        for (const char *page : {"page1_base_param", "page4_PDO", "page5_PR", "page6_UART", "page7_one_key"})
            QCOMPARE(pageBlock(after, page), pageBlock(known, page));
        for (const char *page : {"page2_run_test", "page3_io"})
            QCOMPARE(pageBlock(after, page), pageBlock(defaults, page));
        QVERIFY(h.boxes().isEmpty());
    }

    void import_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("widget");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<QStringList>("boxes");
        const QStringList none;
        const QByteArray e2005 = entry("2005", "0", "21");

        QTest::newRow("sub index c is 12") << fileWith({{3, entry("2030", "c", "3")}}) << "io:c" << qint64(3) << 0 << none;
        QTest::newRow("sub index 12 is 18, ignored") << fileWith({{3, entry("2030", "12", "3")}}) << "io:c" << qint64(0) << 0 << none;
        QTest::newRow("entries go by object, not by page") << fileWith({{6, e2005}}) << "basic:1:2" << qint64(21) << 0 << none;
        QTest::newRow("a later entry wins") << fileWith({{1, e2005 + entry("2005", "0", "22")}}) << "basic:1:2" << qint64(22) << 0 << none;
        QTest::newRow("comment before a page") << QByteArray("<Config><!-- x --><page1_base_param>" + e2005 + "</page1_base_param></Config>")
                                               << "basic:1:2" << qint64(21) << 0 << none;
        QTest::newRow("another root name") << QByteArray("<Einstellungen><page1_base_param>" + e2005 + "</page1_base_param></Einstellungen>")
                                           << "basic:1:2" << qint64(21) << 0 << none;
        QTest::newRow("element before page 1 shifts it") << QByteArray("<Config><x/><page1_base_param>" + e2005 + "</page1_base_param></Config>")
                                                         << "basic:1:2" << qint64(15) << 0 << none;
        QTest::newRow("an eighth page is not read") << QByteArray(fileWith({}).replace("</Config>", "<page1_base_param>" + e2005 + "</page1_base_param></Config>"))
                                                    << "basic:1:2" << qint64(15) << 0 << none;
        QTest::newRow("0x prefix and spaces") << fileWith({{1, entry(" 0x2005 ", " 0 ", " 21 ")}}) << "basic:1:2" << qint64(21) << 0 << none;
        QTest::newRow("mapping value") << fileWith({{4, entry("1600", "1", "1614807056")}}) << "rpdo:0:1" << qint64(0x60400010) << 0 << none;
        QTest::newRow("transmission type") << fileWith({{4, entry("1803", "2", "254")}}) << "tpdo:3:2" << qint64(254) << 0 << none;
        QTest::newRow("homing method 35 is not configured") << fileWith({{2, entry("6098", "0", "35")}}) << "homing:1" << qint64(0) << 0 << none;
        QTest::newRow("negative pulses") << fileWith({{2, entry("607a", "0", "4294966296")}}) << "group1:607a" << qint64(-1000) << 0 << none;
        QTest::newRow("step count") << fileWith({{5, entry("5501", "0", "5")}}) << "program:5501:0" << qint64(5) << 0 << none;
        QTest::newRow("mode 3") << fileWith({{7, entry("6060", "0", "3")}}) << "mode" << qint64(3) << 0 << none;
        QTest::newRow("group cleared") << fileWith({{7, entry("5701", "2", "0")}}) << "group:2" << qint64(0) << 0 << none;
        QTest::newRow("unknown object, nothing") << fileWith({{1, entry("1234", "0", "5")}}) << "basic:1:2" << qint64(15) << 0 << none;

        // Damaged entries are skipped (the widget keeps its value) and counted.
        const QStringList one{QStringLiteral("错误提示|1 invalid entries were skipped")};
        QTest::newRow("Data not a number") << fileWith({{1, entry("2005", "0", "abc")}}) << "basic:1:2" << qint64(15) << 1 << one;
        QTest::newRow("Data empty") << fileWith({{1, entry("2005", "0", "")}}) << "basic:1:2" << qint64(15) << 1 << one;
        QTest::newRow("Data missing") << fileWith({{1, "<e REG_IDX=\"2005\" REG_SUB_IDX=\"0\"></e>"}}) << "basic:1:2" << qint64(15) << 1 << one;
        QTest::newRow("REG_IDX missing") << fileWith({{1, "<e REG_SUB_IDX=\"0\" Data=\"21\"></e>"}}) << "basic:1:2" << qint64(15) << 1 << one;
        QTest::newRow("REG_IDX not hex") << fileWith({{1, entry("20g5", "0", "21")}}) << "basic:1:2" << qint64(15) << 1 << one;
        QTest::newRow("REG_IDX above 16 bits") << fileWith({{1, entry("12005", "0", "21")}}) << "basic:1:2" << qint64(15) << 1 << one;
        QTest::newRow("REG_SUB_IDX above 8 bits") << fileWith({{3, entry("2030", "10c", "3")}}) << "io:c" << qint64(0) << 1 << one;
        QTest::newRow("negative Data") << fileWith({{1, entry("2005", "0", "-5")}}) << "basic:1:2" << qint64(15) << 1 << one;
        QTest::newRow("Data above 32 bits") << fileWith({{2, entry("607a", "0", "4294967296")}}) << "group1:607a" << qint64(10000) << 1 << one;
        QTest::newRow("wider than a 16-bit object") << fileWith({{1, entry("2005", "0", "65556")}}) << "basic:1:2" << qint64(15) << 1 << one;
        QTest::newRow("wider than the 8-bit mode") << fileWith({{7, entry("6060", "0", "259")}}) << "mode" << qint64(1) << 1 << one;
        QTest::newRow("two damaged, one box") << fileWith({{1, entry("2005", "0", "x") + e2005 + entry("2006", "", "1")}})
                                              << "basic:1:2" << qint64(21) << 2
                                              << QStringList{QStringLiteral("错误提示|2 invalid entries were skipped")};

        const QStringList broken{QStringLiteral("错误提示|XML 文件错误")};
        QTest::newRow("not well-formed") << QByteArray("<Config><page1_base_param>" + e2005 + "</page2_run_test></Config>")
                                         << "basic:1:2" << qint64(15) << 0 << broken;
        QTest::newRow("cut off") << fileWith({{1, e2005}}).left(120) << "basic:1:2" << qint64(15) << 0 << broken;
        QTest::newRow("empty file") << QByteArray() << "basic:1:2" << qint64(15) << 0 << broken;
        QTest::newRow("two roots") << QByteArray(fileWith({{1, e2005}}) + "<Config/>") << "basic:1:2" << qint64(15) << 0 << broken;
    }
    void import()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, widget);
        QFETCH(qint64, value);
        QFETCH(int, skipped);
        QFETCH(QStringList, boxes);
        QVERIFY(writeFile(path("import.xml"), xml));
        Harness h(1, false);
        const ParamFileResult r = h.window().paramFile().importFromFile(path("import.xml"));
        QCOMPARE(probe(h.window(), widget), value);
        QCOMPARE(boxTexts(h), boxes);
        const bool broken = !boxes.isEmpty() && boxes.first().endsWith(QStringLiteral("XML 文件错误"));
        QCOMPARE(r.outcome, broken ? ParamFileResult::Outcome::NotWellFormed : ParamFileResult::Outcome::Done);
        QCOMPARE(r.skipped, skipped);
    }

    void importOfAMissingFile()
    {
        Harness h(1, false);
        const ParamFileResult r = h.window().paramFile().importFromFile(path("not-there.xml"));
        QCOMPARE(r.outcome, ParamFileResult::Outcome::CannotOpen);
        QCOMPARE(boxTexts(h), QStringList{QStringLiteral("Error|打开xml错误")});
        QCOMPARE(h.boxes().first().kind, MessageBoxes::Kind::Warning);
    }

    // An unreadable file changes nothing, even the entries before the damage.
    void brokenFileChangesNothing()
    {
        Harness h(1, false);
        setKnownValues(h.window());
        const QByteArray before = h.window().paramFile().exportDocument();
        QByteArray doc = fileWith({{1, entry("2005", "0", "3")}, {3, entry("2030", "1", "0")}, {7, entry("6060", "0", "1")}});
        doc.replace("</page7_one_key>", "</page7>");
        QCOMPARE(h.window().paramFile().importDocument(doc).outcome, ParamFileResult::Outcome::NotWellFormed);
        QCOMPARE(h.window().paramFile().exportDocument(), before);
    }
};

QTEST_MAIN(ParamFileTest)
#include "tst_paramfile.moc"
