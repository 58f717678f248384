// Imports of damaged parameter files: byte flips, cuts, odd numbers, deep
// nesting, repeated pages and spliced files.  None may crash or hang the
// tool; a file that is not well-formed must change no widget, and every
// import ends with at most one box.

#include "paramfile/paramfile.h"
#include "tests/support/harness.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kImports = 100000;

const char *const kNumbers[] = {"0",  "1",          "-1",          "255",        "256",         "65535",
                                "65536", "4294967295", "4294967296", "-2147483648", "99999999999999999999999",
                                "",   " ",          "0x",          "+5",          "1e9",         "12abc",
                                "\xd9\xa3" /* an Arabic-Indic digit */, "007", "ffff", "FFFFFFFF", "10c"};
const char *const kIndexes[] = {"2000", "2005", "200c", "200e", "2030", "2040", "5201", "5501", "5502", "5503",
                                "5504", "5513", "5514", "5701", "6060", "6098", "6099", "1600", "1603", "1a03",
                                "1800", "1803", "607c", "0",    "ffff", "10000"};
const char *const kFragments[] = {"<!-- c -->", "<?pi x?>", "<![CDATA[<x>]]>", "&amp;", "&lt;", "&#0;", "&#x10FFFF;",
                                  "<a/>", "</a>", "<", ">", "\"", "=", "\xff\xfe", "\r\n", "<page3_io>",
                                  "<!DOCTYPE Config [<!ENTITY e \"eeeeeeeeee\">]>", "&e;&e;&e;"};

class Mutator {
public:
    explicit Mutator(quint32 seed) : m_rng(seed) {}

    int below(int n) { return n > 0 ? int(m_rng.bounded(quint32(n))) : 0; }

    // Replaces the value of one attribute occurrence with something else.
    void replaceAttribute(QByteArray &doc, const char *name, const char *const *values, int count)
    {
        const QByteArray key = QByteArray(name) + "=\"";
        int from = doc.indexOf(key, below(doc.size()));
        if (from < 0)
            from = doc.indexOf(key);
        if (from < 0)
            return;
        from += key.size();
        const int to = doc.indexOf('"', from);
        if (to < 0)
            return;
        doc.replace(from, to - from, values[below(count)]);
    }

    QByteArray mutate(const QByteArray &seed, const QByteArray &other)
    {
        QByteArray doc = seed;
        const int rounds = 1 + below(4);
        for (int r = 0; r < rounds; ++r) {
            switch (below(10)) {
            case 0:  // byte flips
                for (int i = 0, n = 1 + below(8); i < n && !doc.isEmpty(); ++i)
                    doc[below(doc.size())] = char(m_rng.bounded(256));
                break;
            case 1:  // cut off
                doc.truncate(below(doc.size() + 1));
                break;
            case 2:
            case 3:
                replaceAttribute(doc, "Data", kNumbers, int(std::size(kNumbers)));
                break;
            case 4:
                replaceAttribute(doc, "REG_IDX", kIndexes, int(std::size(kIndexes)));
                break;
            case 5:
                replaceAttribute(doc, "REG_SUB_IDX", kNumbers, int(std::size(kNumbers)));
                break;
            case 6: {  // deep nesting around an entry
                const int depth = below(10) == 0 ? 20000 + below(20000) : 1 + below(300);
                const int at = doc.indexOf("<e ", below(doc.size()));
                QByteArray open, close;
                for (int i = 0; i < depth; ++i) {
                    open += "<n>";
                    close += "</n>";
                }
                doc.insert(at < 0 ? below(doc.size()) : at, open + close);
                break;
            }
            case 7: {  // a page repeated
                const int start = doc.indexOf("<page", below(doc.size()));
                const int end = start < 0 ? -1 : doc.indexOf("</page", start);
                const int stop = end < 0 ? -1 : doc.indexOf('>', end);
                if (stop > start) {
                    const QByteArray page = doc.mid(start, stop + 1 - start);
                    for (int i = 0, n = 1 + below(5); i < n; ++i)
                        doc.insert(stop + 1, page);
                }
                break;
            }
            case 8:
                doc.insert(below(doc.size() + 1), QByteArray(kFragments[below(int(std::size(kFragments)))]));
                break;
            default:  // spliced with another file
                doc = doc.left(below(doc.size() + 1)) + other.mid(below(other.size() + 1));
                break;
            }
        }
        return doc;
    }

private:
    QRandomGenerator m_rng;
};

QByteArray smallFile(Mutator &m)
{
    QByteArray doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>\n";
    for (int p = 0; p < kParamFilePageCount; ++p) {
        doc += QByteArray("<") + paramFilePages[p].name + ">";
        for (int i = 0, n = m.below(4); i < n; ++i) {
            doc += QByteArray("<e REG_IDX=\"") + kIndexes[m.below(int(std::size(kIndexes)))] + "\" REG_SUB_IDX=\""
                + QByteArray::number(m.below(20), 16) + "\" Data=\"" + QByteArray::number(m.below(70000)) + "\"></e>";
        }
        doc += QByteArray("</") + paramFilePages[p].name + ">\n";
    }
    return doc + "</Config>\n";
}

} // namespace

class ParamFileFuzzTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Thousands of diagnostic lines per second would be the test's whole cost.
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    }

    void mutatedImports()
    {
        Harness h(1, false);
        ParamFile &file = h.window().paramFile();
        const QByteArray full = file.exportDocument();
        Mutator m(0x5eed1234u);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/fuzz.xml");

        QElapsedTimer clock;
        clock.start();
        int broken = 0;
        int withSkips = 0;
        for (int i = 0; i < kImports; ++i) {
            const bool big = i % 50 == 0;
            const QByteArray seed = big ? full : smallFile(m);
            const QByteArray doc = m.mutate(seed, big ? smallFile(m) : full.left(2000));
            const bool check = i % 200 == 0;
            const QByteArray before = check ? file.exportDocument() : QByteArray();
            h.clearBoxes();
            ParamFileResult r;
            if (i % 1000 == 0) {  // now and then through a real file
                QFile out(path);
                QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
                out.write(doc);
                out.close();
                r = file.importFromFile(path);
            } else {
                r = file.importDocument(doc);
            }
            QVERIFY2(h.boxes().size() <= 1, qPrintable(QString::number(i)));
            if (r.outcome == ParamFileResult::Outcome::NotWellFormed) {
                ++broken;
                QCOMPARE(h.boxes().size(), 1);
                if (check)
                    QCOMPARE(file.exportDocument(), before);
            } else {
                QCOMPARE(r.outcome, ParamFileResult::Outcome::Done);
                QCOMPARE(h.boxes().isEmpty(), r.skipped == 0);
                withSkips += r.skipped > 0;
            }
        }
        qInfo() << kImports << "imports in" << clock.elapsed() << "ms;" << broken << "not well-formed," << withSkips
                << "with skipped entries";
        // The mutations reach both outcomes in numbers, or the test proves little.
        QVERIFY(broken > kImports / 10);
        QVERIFY(withSkips > kImports / 20);
        QVERIFY(kImports - broken > kImports / 5);

        // The window still round-trips a clean file afterwards.
        h.clearBoxes();
        QVERIFY(file.importDocument(full).succeeded());
        QCOMPARE(file.exportDocument(), full);
        QVERIFY(h.boxes().isEmpty());
    }
};

QTEST_MAIN(ParamFileFuzzTest)
#include "tst_paramfilefuzz.moc"
