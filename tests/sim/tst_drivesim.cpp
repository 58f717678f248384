// drive-sim as a process: a real pseudo-terminal, opened the way a serial port is.

#include <QtTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

int openPort(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return -1;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B230400);
    cfsetospeed(&t, B230400);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

// Writes a request and collects the answer until 14 bytes arrived or 1 s passed.
QByteArray exchange(int fd, const QByteArray &request)
{
    if (::write(fd, request.constData(), size_t(request.size())) != request.size())
        return "write failed";
    QByteArray answer;
    QElapsedTimer timer;
    timer.start();
    while (answer.size() < 14 && timer.elapsed() < 1000) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) > 0 && (p.revents & POLLIN)) {
            char buf[64];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                answer.append(buf, int(n));
        }
    }
    return answer;
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace

class tst_DriveSim : public QObject {
    Q_OBJECT

private slots:
    void answersOnPtyAndEndsCleanly();
    void helpAndBadOptions();
};

void tst_DriveSim::answersOnPtyAndEndsCleanly()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("drive");
    const QString logPath = dir.filePath("traffic.log");

    QProcess sim;
    sim.start(DRIVE_SIM_PATH, {"--node", "3", "--link", link, "--log", logPath});
    QVERIFY(sim.waitForStarted(2000));
    QVERIFY(sim.waitForReadyRead(2000));
    const QByteArray ptyPath = sim.readLine().trimmed();
    QVERIFY2(ptyPath.startsWith("/dev/"), ptyPath.constData());
    QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromLocal8Bit(ptyPath));

    const QByteArray readStatus = QByteArray::fromHex("00 00 00 06 03 08 40 41 60 00 00 00 00 00");
    int fd = openPort(QFile::encodeName(link));
    QVERIFY(fd >= 0);
    QCOMPARE(hex(exchange(fd, readStatus)),
             hex(QByteArray::fromHex("00 00 00 05 83 08 4B 41 60 00 37 06 00 00")));
    ::close(fd);

    // Closed and opened again, like the tool's port; stdin commands reach the drive.
    sim.write("inputs 0x5\n");
    QVERIFY(sim.waitForBytesWritten(1000));
    fd = openPort(ptyPath);
    QVERIFY(fd >= 0);
    QByteArray answer;
    for (int attempt = 0; attempt < 20 && !answer.endsWith(QByteArray::fromHex("05 00 00 00")); ++attempt)
        answer = exchange(fd, QByteArray::fromHex("00 00 00 06 03 08 40 03 20 00 00 00 00 00"));
    QCOMPARE(hex(answer), hex(QByteArray::fromHex("00 00 00 05 83 08 4B 03 20 00 05 00 00 00")));

    // End of stdin does not end drive-sim.
    sim.closeWriteChannel();
    QTest::qWait(50);
    QCOMPARE(sim.state(), QProcess::Running);
    QCOMPARE(hex(exchange(fd, readStatus)),
             hex(QByteArray::fromHex("00 00 00 05 83 08 4B 41 60 00 37 06 00 00")));
    ::close(fd);

    ::kill(pid_t(sim.processId()), SIGTERM);
    QVERIFY(sim.waitForFinished(2000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());

    QFile log(logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(log.readAll());
    QVERIFY2(text.contains(QRegularExpression(
                 "^\\d+ Q 00 00 00 06 03 08 40 41 60 00 00 00 00 00$",
                 QRegularExpression::MultilineOption)),
             qPrintable(text));
    QVERIFY2(text.contains(QRegularExpression(
                 "^\\d+ A 00 00 00 05 83 08 4B 03 20 00 05 00 00 00$",
                 QRegularExpression::MultilineOption)),
             qPrintable(text));
}

void tst_DriveSim::helpAndBadOptions()
{
    QProcess help;
    help.start(DRIVE_SIM_PATH, {"--help"});
    QVERIFY(help.waitForFinished(2000));
    QCOMPARE(help.exitCode(), 0);
    const QByteArray text = help.readAllStandardOutput();
    for (const char *word : {"--node", "--link", "--log", "--silent-object", "--drop-every",
                             "--abort-object", "--answer-node", "--chunk-gap", "--delay",
                             "--garbage-before", "--garbage-after", "clear-faults", "status"})
        QVERIFY2(text.contains(word), word);

    QProcess bad;
    bad.start(DRIVE_SIM_PATH, {"--node", "200"});
    QVERIFY(bad.waitForFinished(2000));
    QCOMPARE(bad.exitCode(), 2);
    QVERIFY(bad.readAllStandardError().contains("node"));
}

QTEST_GUILESS_MAIN(tst_DriveSim)
#include "tst_drivesim.moc"
