#pragma once
// Parameter files: every page's settings as one XML document, exported from
// the widgets and imported back into them (the drive is not involved; the
// pages' own write buttons or a one-key configure send the values).

#include "paramfile/paramxml.h"

#include <QCoreApplication>
#include <QString>
#include <cstdint>

class BasicParamPage;
class ModeControlPage;
class IoPage;
class PdoPage;
class ProgramPage;
class OneKeyPage;

struct ParamFilePage {
    const char *name;
    int entries;
};
constexpr int kParamFilePageCount = 7;
extern const ParamFilePage paramFilePages[kParamFilePageCount];

// What an export or import came to, for callers that show no window.
struct ParamFileResult {
    enum class Outcome { Done, Cancelled, CannotOpen, NotWellFormed, CannotWrite };
    Outcome outcome = Outcome::Done;
    int skipped = 0;  // import: entries left out because they were damaged
    int pagesFound = 0;  // import: page elements read, each at its own position, from the first on
    bool succeeded() const { return outcome == Outcome::Done; }
};

class ParamFile {
    Q_DECLARE_TR_FUNCTIONS(ParamFile)
public:
    struct Pages {
        BasicParamPage &basic;
        ModeControlPage &modeControl;
        IoPage &io;
        PdoPage &pdo;
        ProgramPage &program;
        OneKeyPage &oneKey;
    };
    explicit ParamFile(const Pages &pages);

    // Entry n (1-based) of page 1..7 from the widgets; (0, 0, 0) where no object stands behind it.
    ParamEntry paramFileEntry(int page, int n) const;

    enum class SetResult { Applied, Ignored, Invalid };
    // Puts one value into the widget that owns the object.  Objects the
    // table does not know are ignored; a value wider than the object's field
    // is refused (Invalid) instead of being cut to another value.
    SetResult setParamByObject(uint16_t index, uint8_t subIndex, uint32_t value);

    // The document an export writes.
    QByteArray exportDocument() const;

    // The buttons: a file dialog, then the functions below.
    void exportParamFile();
    bool importParamFile();
    // After the dialog.  Failures show their box ("保存xml错误", "打开xml错误",
    // "XML 文件错误"); an import that skipped damaged entries says how many.
    ParamFileResult exportToFile(const QString &fileName);
    ParamFileResult importFromFile(const QString &fileName);
    // The import without a file (the document's bytes); shows the same boxes.
    ParamFileResult importDocument(const QByteArray &xml);

private:
    Pages m_pages;
};
