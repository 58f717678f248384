// --can and --bitrate: what cannot be used exits with status 2 and says what
// is available; a CAN interface named on the command line is polled at once.

#include "tests/support/canbuspeer.h"
#include "tests/support/drivesimprocess.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

class CanCommandLineTest : public QObject {
    Q_OBJECT

    static QString tool() { return QStringLiteral(AXISCOPE_PATH); }

private slots:
    void unusableOptionsExitWithStatus2_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("mentions");
        QTest::newRow("unknown plugin") << QStringList{"--can", "nosuchcan:can0"}
                                        << QStringList{"unknown CAN plugin 'nosuchcan'", "virtualcan", "socketcan"};
        QTest::newRow("unknown virtual channel") << QStringList{"--can", "virtualcan:can7"}
                                                 << QStringList{"'can7'", "can0, can1"};
        QTest::newRow("unknown SocketCAN interface") << QStringList{"--can", "socketcan:axiscope0"}
                                                     << QStringList{"'axiscope0'", "available interfaces"};
        QTest::newRow("host name") << QStringList{"--can", "virtualcan:tcp://localhost:35500/can0"}
                                   << QStringList{"IP address"};
        QTest::newRow("no interface") << QStringList{"--can", "virtualcan"} << QStringList{"PLUGIN:INTERFACE"};
        QTest::newRow("bit rate not offered") << QStringList{"--can", "virtualcan:can0", "--bitrate", "300"}
                                              << QStringList{"--bitrate '300'"};
        QTest::newRow("bit rate alone") << QStringList{"--bitrate", "500"} << QStringList{"--can"};
        QTest::newRow("two links") << QStringList{"--port", "/dev/pts/99", "--can", "virtualcan:can0"}
                                   << QStringList{"--port"};
        QTest::newRow("baud for a CAN interface") << QStringList{"--can", "virtualcan:can0", "--baud", "9600"}
                                                  << QStringList{"--bitrate"};
    }
    void unusableOptionsExitWithStatus2()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, mentions);
        QProcess p;
        p.start(tool(), arguments);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 2);
        const QString errors = QString::fromLocal8Bit(p.readAllStandardError());
        for (const QString &m : mentions)
            QVERIFY2(errors.contains(m), qPrintable(errors));
    }

    void helpNamesTheOptions()
    {
        QProcess p;
        p.start(tool(), {"--help"});
        QVERIFY(p.waitForFinished(10000));
        const QString help = QString::fromLocal8Bit(p.readAllStandardOutput());
        QVERIFY(help.contains("--can <PLUGIN:INTERFACE>") && help.contains("--bitrate <N>"));
    }

    // The first status request goes to node 5 on the bus; SIGTERM then ends
    // the tool promptly and cleanly.
    void canInterfaceOpensAtStart()
    {
        const quint16 port = freeTcpPort();
        CanBusPeer peer(port);
        QVERIFY(peer.isConnected());
        QProcess p;
        p.start(tool(), {"--can", QStringLiteral("virtualcan:") + virtualCanInterface(port), "--node", "5",
                         "--bitrate", "250"});
        QVERIFY(p.waitForStarted(5000));
        QVERIFY(peer.waitForFrames(1, 5000));
        const QCanBusFrame first = peer.frames().first();
        QCOMPARE(first.frameId(), 0x605u);
        QVERIFY(!first.hasExtendedFrameFormat());
        QCOMPARE(first.payload().toHex(), QByteArray("403f600000000000"));

        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const QString errors = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(!errors.contains("QThread") && !errors.contains("Timers") && !errors.contains("QObject")
                     && !errors.contains("QSocketNotifier"),
                 qPrintable(errors));
    }

    // Commissioning without a window over a CAN interface: the drive's values
    // are read into a file, and a configure from a changed file reaches it.
    void commissioningOverACanInterface()
    {
        const quint16 port = freeTcpPort();
        const QString target = QStringLiteral("virtualcan:") + virtualCanInterface(port);
        DriveSimProcess sim({QStringLiteral("--can"), target});
        QVERIFY(sim.isRunning());
        sim.command(QStringLiteral("set 2005 14"));  // 20 in decimal
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("drive.xml"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(tool(), {"--can", target, "--node", "1", "--read-config", file, "--groups", "basic"});
        QVERIFY(p.waitForFinished(20000));
        const QString readLog = QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 0);
        QVERIFY2(readLog.contains(QStringLiteral("one-key read of node 1 on %1,500k").arg(target)), qPrintable(readLog));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray xml = f.readAll();
        f.close();
        QVERIFY2(xml.contains("REG_IDX=\"2005\" REG_SUB_IDX=\"0\" Data=\"20\"")
                     || xml.contains("Data=\"20\" REG_IDX=\"2005\""),
                 xml.constData());

        xml.replace("REG_IDX=\"2005\" REG_SUB_IDX=\"0\" Data=\"20\"", "REG_IDX=\"2005\" REG_SUB_IDX=\"0\" Data=\"12\"");
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(xml);
        f.close();
        p.start(tool(), {"--can", target, "--node", "1", "--write-config", file, "--groups", "basic"});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(sim.get(0x2005), 12u);
    }
};

QTEST_GUILESS_MAIN(CanCommandLineTest)
#include "tst_cancommandline.moc"
