// Config.xml, the device model and the language: what the window starts
// with for a given file, when the file is written and what it holds, and
// the embedded Chinese translation.

#include "pages/basicparampage.h"
#include "tests/support/harness.h"

#include <QAction>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

QByteArray settingsFile(const QByteArray &page1, const QByteArray &before = QByteArray())
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>\n" + before + "<page1>\n" + page1 + "</page1>\n</Config>\n";
}
QByteArray entry(const char *idx, const char *sub, const char *data)
{
    return QByteArray("<page1_N1 REG_IDX=\"") + idx + "\" REG_SUB_IDX=\"" + sub + "\" Data=\"" + data + "\"></page1_N1>\n";
}

// What the program writes, by hand.
QByteArray written(int model)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<Config>\n"
                      "    <page1>\n"
                      "        <page1_N1 REG_IDX=\"1000\" REG_SUB_IDX=\"0\" Data=\"")
        + QByteArray::number(model)
        + "\"></page1_N1>\n"
          "        <page1_N2 REG_IDX=\"1001\" REG_SUB_IDX=\"0\" Data=\"1\"></page1_N2>\n"
          "    </page1>\n"
          "</Config>\n";
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class SettingsTest : public QObject {
    Q_OBJECT

    QString m_startDir;
    std::unique_ptr<QTemporaryDir> m_dir;

    static QAction *action(Harness &h, const char *name) { return h.window().findChild<QAction *>(QLatin1String(name)); }
    static QSpinBox *currentEditor(Harness &h)
    {
        QTreeWidgetItem *row = h.window().basicParamPage().rowItem(1, 2);
        return qobject_cast<QSpinBox *>(row->treeWidget()->itemWidget(row, 2));
    }
    // Model menu, phase-current range, value and range text, e.g. "Orca57 1-56 42 1-56".
    static QString modelState(Harness &h)
    {
        QSpinBox *spin = currentEditor(h);
        const bool orca = action(h, "actionOrca57")->isChecked();
        if (orca == action(h, "actionLynx42")->isChecked())
            return QStringLiteral("both or neither checked");
        return QStringLiteral("%1 %2-%3 %4 %5")
            .arg(orca ? "Orca57" : "Lynx42")
            .arg(spin->minimum())
            .arg(spin->maximum())
            .arg(spin->value())
            .arg(h.window().basicParamPage().rowItem(1, 2)->text(3));
    }

private slots:
    void initTestCase() { m_startDir = QDir::currentPath(); }
    // Config.xml lives in the working directory: each test gets its own.
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(m_dir->path()));
    }
    void cleanup()
    {
        QDir::setCurrent(m_startDir);
        m_dir.reset();
    }

    void startUp_data()
    {
        QTest::addColumn<QByteArray>("file");  // empty: no file
        QTest::addColumn<QString>("model");
        const QString lynx = QStringLiteral("Lynx42 1-25 15 1-25");
        const QString orca = QStringLiteral("Orca57 1-56 42 1-56");
        QTest::newRow("no file") << QByteArray() << lynx;
        QTest::newRow("Data 1") << settingsFile(entry("1000", "0", "1")) << orca;
        QTest::newRow("Data 2") << settingsFile(entry("1000", "0", "2")) << lynx;
        QTest::newRow("low 16 bits are 1") << settingsFile(entry("1000", "0", "65537")) << orca;
        QTest::newRow("subindex not looked at") << settingsFile(entry("1000", "5", "1")) << orca;
        QTest::newRow("comment before page1") << settingsFile(entry("1000", "0", "1"), "<!-- x -->") << orca;
        QTest::newRow("element before page1") << settingsFile(entry("1000", "0", "1"), "<other/>") << lynx;
        QTest::newRow("language 0 in the file") << settingsFile(entry("1000", "0", "1") + entry("1001", "0", "0")) << orca;
        QTest::newRow("not well-formed") << QByteArray("<Config><page1>") + entry("1000", "0", "1") << lynx;
        QTest::newRow("damaged Data") << settingsFile(entry("1000", "0", "one")) << lynx;
    }
    void startUp()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, model);
        if (!file.isEmpty())
            QVERIFY(writeAll(QStringLiteral("Config.xml"), file));
        Harness h(1, false);
        h.run(200);
        QCOMPARE(modelState(h), model);
        // English whatever the file says.
        QVERIFY(action(h, "action_English")->isChecked());
        QVERIFY(!action(h, "action_Chinese")->isChecked());
        QCOMPARE(h.window().basicParamPage().rowItem(1, 2)->treeWidget()->headerItem()->text(0), QStringLiteral("Parameters"));
        QVERIFY(h.boxes().isEmpty());
        // Reading never writes.
        QCOMPARE(readAll(QStringLiteral("Config.xml")), file.isEmpty() ? QByteArray("<missing>") : file);
    }

    // The model is applied every time, the file written only when the value changes.
    void choosingOrca57TwiceWritesOnce()
    {
        Harness h(1, false);
        action(h, "actionOrca57")->trigger();
        QCOMPARE(modelState(h), QStringLiteral("Orca57 1-56 42 1-56"));
        QCOMPARE(readAll(QStringLiteral("Config.xml")), written(1));

        QVERIFY(QFile::remove(QStringLiteral("Config.xml")));
        currentEditor(h)->setValue(30);
        action(h, "actionOrca57")->trigger();
        QCOMPARE(modelState(h), QStringLiteral("Orca57 1-56 42 1-56"));
        QVERIFY(!QFile::exists(QStringLiteral("Config.xml")));

        action(h, "actionLynx42")->trigger();
        QCOMPARE(modelState(h), QStringLiteral("Lynx42 1-25 15 1-25"));
        QCOMPARE(readAll(QStringLiteral("Config.xml")), written(0));
    }

    void lynx42OverAnUnknownModelRewritesTheFile()
    {
        QVERIFY(writeAll(QStringLiteral("Config.xml"), settingsFile(entry("1000", "0", "2") + entry("1001", "0", "0"))));
        Harness h(1, false);
        action(h, "actionLynx42")->trigger();
        QCOMPARE(readAll(QStringLiteral("Config.xml")), written(0));
    }

    // A file that cannot be written is passed over without a box; the menu still changes.
    void unwritableSettings()
    {
        QVERIFY(QDir().mkdir(QStringLiteral("Config.xml")));
        Harness h(1, false);
        action(h, "actionOrca57")->trigger();
        QCOMPARE(modelState(h), QStringLiteral("Orca57 1-56 42 1-56"));
        QVERIFY(h.boxes().isEmpty());
        QVERIFY(QFileInfo(QStringLiteral("Config.xml")).isDir());
    }

#ifdef Q_OS_UNIX
    // A write cut short by a size limit leaves the old file whole.
    void cutWriteKeepsTheOldFile()
    {
        const QByteArray old = settingsFile(entry("1000", "0", "1"));
        QVERIFY(writeAll(QStringLiteral("Config.xml"), old));
        Harness h(1, false);
        struct rlimit before {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
        struct rlimit small = before;
        small.rlim_cur = 64;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        action(h, "actionLynx42")->trigger();
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(modelState(h), QStringLiteral("Lynx42 1-25 15 1-25"));
        QCOMPARE(readAll(QStringLiteral("Config.xml")), old);
        QCOMPARE(QDir().entryList(QDir::Files), QStringList{QStringLiteral("Config.xml")});
    }
#endif

    void chineseTranslation_data()
    {
        QTest::addColumn<uint32_t>("language");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("saveAs");
        QTest::addColumn<QString>("readAs");
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("oneKeyRead");
        QTest::newRow("Chinese") << 0u << "上位机参数" << "另存为" << "读取" << "一键配置" << "一键读取";
        QTest::newRow("English") << 1u << "Parameters" << "Save As" << "Read As" << "One-click Setup" << "Read";
    }
    void chineseTranslation()
    {
        QFETCH(uint32_t, language);
        QFETCH(QString, header);
        QFETCH(QString, saveAs);
        QFETCH(QString, readAs);
        QFETCH(QString, tab);
        QFETCH(QString, oneKeyRead);
        Harness h(1, false);
        h.window().loadLanguage(language);
        QTreeWidget *tree = h.window().basicParamPage().rowItem(1, 2)->treeWidget();
        QCOMPARE(tree->headerItem()->text(0), header);
        QCOMPARE(tree->headerItem()->text(3), language ? QStringLiteral("Range") : QStringLiteral("范围"));
        QCOMPARE(QObject::tr("Save As"), saveAs);
        QCOMPARE(QObject::tr("Read As"), readAs);
        auto *tabs = h.window().findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        QCOMPARE(tabs->tabText(tabs->indexOf(h.window().findChild<QWidget *>(QStringLiteral("tab_7")))), tab);
        QCOMPARE(h.window().findChild<QPushButton *>(QStringLiteral("t7_g3_pushButton_1_read"))->text(), oneKeyRead);
        QCOMPARE(action(h, "action_English")->isChecked(), language == 1);
        QCOMPARE(action(h, "action_Chinese")->isChecked(), language != 1);
    }
};

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
