// Commissioning from the command line: the tool as a process, with neither a
// display nor a platform chosen for it, against drive-sim as another process.

#include "tests/support/drivesimprocess.h"
#include "tests/support/pty.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

struct Run {
    int exitCode = -1;
    bool finished = false;
    QStringList lines;  // stderr
    QString errors() const { return lines.join(QLatin1Char('\n')); }
    // The progress lines: "NNN %  what".
    QStringList progress() const
    {
        QStringList out;
        for (const QString &l : lines) {
            if (l.mid(3, 4) == QLatin1String(" %  "))
                out << l;
        }
        return out;
    }
};

QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The entry line of an object as the tool writes it.
QByteArray entry(const char *index, const char *subIndex, const char *data)
{
    return QByteArray("REG_IDX=\"") + index + "\" REG_SUB_IDX=\"" + subIndex + "\" Data=\"" + data + "\"";
}

} // namespace

class HeadlessTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    static QString tool() { return QStringLiteral(AXISCOPE_PATH); }
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    Run run(const QStringList &arguments, int timeoutMs = 30000)
    {
        QProcess p;
        p.setProcessEnvironment(withoutDisplay());
        p.setWorkingDirectory(m_dir.path());
        p.start(tool(), arguments);
        Run r;
        r.finished = p.waitForStarted(5000) && p.waitForFinished(timeoutMs);
        if (!r.finished) {
            p.kill();
            p.waitForFinished(3000);
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.lines = QString::fromUtf8(p.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return r;
    }

    // A configure file from the known export, with some values edited.
    QString configureFile(const char *name, const QList<QPair<QByteArray, QByteArray>> &edits = {})
    {
        QByteArray xml = readFile(QStringLiteral(PARAMFILE_DATA_DIR "/export_expected.xml"));
        for (const auto &edit : edits) {
            if (!xml.contains(edit.first))
                return QString();
            xml.replace(edit.first, edit.second);
        }
        const QString file = path(name);
        return writeFile(file, xml) ? file : QString();
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void readIntoAFile()
    {
        DriveSimProcess sim;
        QVERIFY(sim.isRunning());
        sim.command(QStringLiteral("set 2005 11"));    // phase current 17
        sim.command(QStringLiteral("set 6060 3"));     // velocity mode
        sim.command(QStringLiteral("set 6083 1F4"));   // acceleration 500
        sim.command(QStringLiteral("set 607C FFFFFC18"));  // home offset -1000
        sim.command(QStringLiteral("set 2030:2 6"));
        sim.command(QStringLiteral("set 1a01:1 60640020"));
        const QString file = path("read.xml");
        const Run r = run({"--port", sim.slavePath(), "--node", "1", "--read-config", file});
        QVERIFY2(r.finished, qPrintable(r.errors()));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.progress(), (QStringList{" 20 %  basic: read started", " 20 %  basic: read done",
                                            " 20 %  mode: read started", " 40 %  mode: read done",
                                            " 50 %  mode-group1: read started", " 50 %  mode-group1: read done",
                                            " 60 %  homing: read started", " 60 %  homing: read done",
                                            " 80 %  io: read started", " 80 %  io: read done",
                                            " 95 %  pdo: read started", " 95 %  pdo: read done",
                                            "100 %  one-key read done", "100 %  written to " + file}));
        // The tool's diagnostic lines stay out of the run's output.
        QVERIFY2(!r.errors().contains(QLatin1String("WriteXml")), qPrintable(r.errors()));

        const QByteArray xml = readFile(file);
        QCOMPARE(xml.count("REG_IDX="), 311);
        for (const QByteArray &e : {entry("2005", "0", "17"), entry("6060", "0", "3"), entry("6083", "0", "500"),
                                    entry("607c", "0", "4294966296"), entry("2030", "2", "6"),
                                    entry("1a01", "1", "1617166368")})
            QVERIFY2(xml.contains(e), e.constData());
    }

    void configureWithAndWithoutStore()
    {
        DriveSimProcess sim;
        QVERIFY(sim.isRunning());
        const QString file = configureFile("write.xml", {{entry("6083", "0", "100"), entry("6083", "0", "750")},
                                                         {entry("2030", "e", "4"), entry("2030", "e", "2")}});
        QVERIFY(!file.isEmpty());
        const QStringList arguments{"--port", sim.slavePath(), "--node", "1", "--write-config", file,
                                    "--groups", "basic,mode-group1,io"};
        Run r = run(arguments);
        QVERIFY2(r.finished, qPrintable(r.errors()));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.progress(), (QStringList{" 20 %  basic: configure started", " 20 %  basic: configure done",
                                            " 20 %  mode: configure started", " 40 %  mode: configure done",
                                            " 50 %  mode-group1: configure started",
                                            " 50 %  mode-group1: configure done", " 55 %  homing: skipped",
                                            " 80 %  io: configure started", " 80 %  io: configure done",
                                            " 90 %  pdo: skipped", "100 %  one-key configure done"}));
        QCOMPARE(sim.get(0x2005), 20u);
        QCOMPARE(sim.get(0x2041), 7u);
        QCOMPARE(sim.get(0x6060), 6u);
        QCOMPARE(sim.get(0x6083), 750u);
        QCOMPARE(sim.get(0x2030, 14), 2u);
        // Groups left out keep the drive's values.
        QCOMPARE(sim.get(0x607C), 0u);
        QCOMPARE(sim.get(0x1A01, 1), 0x60410010u);

        // Not stored: a power cycle brings the old values back.
        sim.command(QStringLiteral("power-cycle"));
        QCOMPARE(sim.get(0x2005), 15u);
        QCOMPARE(sim.get(0x6083), 100u);

        r = run(arguments + QStringList{"--store"});
        QVERIFY2(r.finished, qPrintable(r.errors()));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.progress().mid(r.progress().size() - 3),
                 (QStringList{"100 %  one-key configure done", "100 %  store: started (0x2010 = 2)", "100 %  store: done"}));
        sim.command(QStringLiteral("power-cycle"));
        QCOMPARE(sim.get(0x2005), 20u);
        QCOMPARE(sim.get(0x6083), 750u);
        QCOMPARE(sim.get(0x2030, 14), 2u);
    }

    void aSilentDriveEndsTheRunWithStatus1_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("failure");
        QTest::newRow("read") << QStringList{"--read-config", "silent.xml"}
                              << "error: basic: read failed: 基础参数，读错误 (basic parameters, read error)";
        QTest::newRow("read, I/O only") << QStringList{"--read-config", "silent.xml", "--groups", "io"}
                                        << "error: mode: read failed: 运行模式，读错误 (operating mode, read error)";
        QTest::newRow("configure") << QStringList{"--write-config", "@", "--groups", "pdo,io"}
                                   << "error: mode: configure failed: 运行模式，写错误 (operating mode, write error)";
        QTest::newRow("configure basic") << QStringList{"--write-config", "@", "--store"}
                                         << "error: basic: configure failed: 基础参数，写错误 (basic parameters, write error)";
    }
    void aSilentDriveEndsTheRunWithStatus1()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, failure);
        arguments.replaceInStrings(QStringLiteral("@"), configureFile("silent-write.xml"));
        DriveSimProcess sim({QStringLiteral("--silent")});
        QVERIFY(sim.isRunning());
        const Run r = run(QStringList{"--port", sim.slavePath(), "--node", "1"} + arguments, 10000);
        QVERIFY2(r.finished, "still running after 10 s");
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.lines.contains(failure), qPrintable(r.errors()));
        QVERIFY(!QFile::exists(path("silent.xml")));
    }

    // A file that cannot be used ends the run before the port is touched.
    void aBadFileExits2AndSendsNothing_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<QString>("message");
        QTest::newRow("not well-formed") << "--write-config" << QByteArray("</page3_io>") << QByteArray("</page3>")
                                         << "XML 文件错误 (not a well-formed XML file)";
        QTest::newRow("a page missing") << "--write-config" << QByteArray("page2_run_test>")
                                        << QByteArray("page2_test>")
                                        << "element page2_run_test is missing or out of place";
        QTest::newRow("a damaged entry") << "--write-config" << entry("2005", "0", "20") << entry("2005", "0", "abc")
                                         << "1 invalid entries were skipped";
        QTest::newRow("a value too wide") << "--write-config" << entry("2005", "0", "20")
                                          << entry("2005", "0", "65536") << "1 invalid entries were skipped";
        QTest::newRow("no such file") << "--write-config" << QByteArray() << QByteArray() << "cannot be read";
        QTest::newRow("nowhere to write") << "--read-config" << QByteArray() << QByteArray() << "cannot be written";
    }
    void aBadFileExits2AndSendsNothing()
    {
        QFETCH(QString, option);
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, message);
        QString file = path("no/such/dir/file.xml");
        if (!from.isEmpty()) {
            file = configureFile("bad.xml", {{from, to}});
            QVERIFY(!file.isEmpty());
        }
        PseudoTerminal pty;
        QVERIFY(pty.isOpen());
        const Run r = run({"--port", pty.slavePath(), "--node", "1", option, file});
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.errors().contains(file) && r.errors().contains(message), qPrintable(r.errors()));
        QCOMPARE(pty.read(300), QByteArray());
    }

    void badArgumentsExit2_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("mentions");
        const QStringList base{"--port", "no-such-port", "--node", "1"};
        QTest::newRow("read and write") << base + QStringList{"--read-config", "a.xml", "--write-config", "b.xml"}
                                        << "cannot be given together";
        QTest::newRow("store with read") << base + QStringList{"--read-config", "a.xml", "--store"} << "--store";
        QTest::newRow("unknown group") << base + QStringList{"--read-config", "a.xml", "--groups", "basic,motor"}
                                       << "unknown group 'motor'";
        QTest::newRow("empty group") << base + QStringList{"--read-config", "a.xml", "--groups", "basic,"}
                                     << "--groups";
        QTest::newRow("no port") << QStringList{"--node", "1", "--read-config", "a.xml"} << "needs --port";
        QTest::newRow("no node") << QStringList{"--port", "no-such-port", "--read-config", "a.xml"} << "needs --node";
        QTest::newRow("empty file name") << base + QStringList{"--write-config", ""} << "needs a file name";
        QTest::newRow("groups alone") << QStringList{"--groups", "io"} << "--groups";
        QTest::newRow("store alone") << QStringList{"--store"} << "--store";
        QTest::newRow("with the debug tab") << base + QStringList{"--read-config", "a.xml", "--sdo-debug"}
                                            << "--sdo-debug";
    }
    void badArgumentsExit2()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, mentions);
        const Run r = run(arguments, 10000);
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.errors().contains(mentions), qPrintable(r.errors()));
    }

    void aPortThatCannotBeOpenedExits1()
    {
        const Run r = run({"--port", path("no-such-port"), "--node", "1", "--read-config", path("x.xml")}, 10000);
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.lines.contains("error: " + path("no-such-port") + ": 打开一个不存在的设备! (no such device)"),
                 qPrintable(r.errors()));
        QVERIFY(!QFile::exists(path("x.xml")));
    }

    // Ended by a signal, the run has not succeeded.
    void sigtermEndsTheRunWithStatus1()
    {
        DriveSimProcess sim;
        QVERIFY(sim.isRunning());
        QProcess p;
        p.setProcessEnvironment(withoutDisplay());
        p.setWorkingDirectory(m_dir.path());
        p.start(tool(), {"--port", sim.slavePath(), "--node", "1", "--read-config", path("term.xml")});
        QVERIFY(p.waitForStarted(5000));
        QByteArray err;
        for (int i = 0; i < 100 && !err.contains("basic: read done"); ++i) {
            p.waitForReadyRead(100);
            err += p.readAllStandardError();
        }
        QVERIFY2(err.contains("basic: read done"), err.constData());
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(p.readAllStandardError().contains("error: interrupted"));
        QVERIFY(!QFile::exists(path("term.xml")));
    }

    void helpDescribesTheCommands()
    {
        QProcess p;
        p.start(tool(), {"--help"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        const QString help = QString::fromLocal8Bit(p.readAllStandardOutput());
        for (const char *text : {"--read-config <FILE.xml>", "--write-config <FILE.xml>", "--groups <LIST>", "--store",
                                 "basic, mode-group1, homing, io, pdo", "0x2010 = 2", "Exit status: 0 success; 1",
                                 "2 bad arguments"})
            QVERIFY2(help.contains(QLatin1String(text)), text);
    }
};

QTEST_GUILESS_MAIN(HeadlessTest)
#include "tst_headless.moc"
