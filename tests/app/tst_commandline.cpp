// The tool as a process: options, a port opened at start-up, SIGTERM.

#include "tests/support/pty.h"

#include <QProcess>
#include <QtTest>

#include <csignal>

class CommandLineTest : public QObject {
    Q_OBJECT

    static QString tool() { return QStringLiteral(AXISCOPE_PATH); }

private slots:
    void badValuesExitWithStatus2_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("node 0") << QStringList{"--node", "0"} << "--node";
        QTest::newRow("node 128") << QStringList{"--node", "128"} << "--node";
        QTest::newRow("node text") << QStringList{"--node", "one"} << "--node";
        QTest::newRow("baud text") << QStringList{"--baud", "fast"} << "--baud";
        QTest::newRow("baud 0") << QStringList{"--baud", "0"} << "--baud";
        QTest::newRow("baud 2^31") << QStringList{"--baud", "2147483648"} << "--baud";
        QTest::newRow("baud 2^32") << QStringList{"--baud", "4294967296"} << "--baud";
        QTest::newRow("unknown option") << QStringList{"--speed", "9"} << "speed";
        QTest::newRow("empty port") << QStringList{"--port", ""} << "--port";
    }
    void badValuesExitWithStatus2()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, mentions);
        QProcess p;
        p.start(tool(), arguments);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 2);
        QVERIFY2(QString::fromLocal8Bit(p.readAllStandardError()).contains(mentions),
                 qPrintable(mentions));
    }

    void helpAndVersion()
    {
        QProcess p;
        p.start(tool(), {"--help"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        const QString help = QString::fromLocal8Bit(p.readAllStandardOutput());
        QVERIFY(help.contains("--port") && help.contains("--baud") && help.contains("--node"));
        p.start(tool(), {"--version"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QString::fromLocal8Bit(p.readAllStandardOutput()).contains("1.00"));
    }

    // With --port the tool opens the port at once and starts polling the
    // node given by --node; SIGTERM then ends it promptly and cleanly.
    void portOpensAtStartAndSigtermEndsCleanly()
    {
        PseudoTerminal pty;
        QVERIFY(pty.isOpen());
        QProcess p;
        p.start(tool(), {"--port", pty.slavePath(), "--node", "5"});
        QVERIFY(p.waitForStarted(5000));
        const QByteArray frame = pty.read(5000, 14);
        QVERIFY2(frame.size() >= 14, frame.toHex(' ').constData());
        // The first status request: upload of 0x603F from node 5.
        QCOMPARE(frame.left(14), QByteArray::fromHex("0000000605084" "03F6000000000" "00"));

        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const QString errors = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(!errors.contains("QThread") && !errors.contains("Timers") && !errors.contains("QObject"),
                 qPrintable(errors));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
