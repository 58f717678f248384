#include "tests/support/drivesimprocess.h"

#include <QRegularExpression>

DriveSimProcess::DriveSimProcess(const QStringList &options)
{
    m_process.start(QStringLiteral(DRIVE_SIM_PATH), options);
    if (m_process.waitForStarted(5000) && m_process.waitForReadyRead(5000))
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
}

DriveSimProcess::~DriveSimProcess()
{
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
}

void DriveSimProcess::command(const QString &line)
{
    m_process.write((line + QLatin1Char('\n')).toLocal8Bit());
    m_process.waitForBytesWritten(1000);
}

QByteArray DriveSimProcess::readUntil(const QByteArray &lineStart)
{
    QByteArray out;
    for (int i = 0; i < 50; ++i) {
        out += m_process.readAll();
        for (const QByteArray &line : out.split('\n')) {
            if (line.startsWith(lineStart))
                return line;
        }
        m_process.waitForReadyRead(100);
    }
    return QByteArray();
}

uint32_t DriveSimProcess::get(uint16_t index, uint8_t subIndex)
{
    // drive-sim answers its commands in order: once the answer to "status"
    // is in, whatever earlier commands printed (a "set" echoes the same
    // object) has been read and can be dropped.
    command(QStringLiteral("status"));
    readUntil("node ");
    command(QStringLiteral("get %1:%2").arg(index, 4, 16, QLatin1Char('0')).arg(subIndex, 0, 16));
    const QByteArray line = readUntil(QStringLiteral("%1:%2 =").arg(index, 4, 16, QLatin1Char('0')).arg(subIndex, 2, 16, QLatin1Char('0')).toUpper().toLatin1());
    static const QRegularExpression value(QStringLiteral("= 0x([0-9A-Fa-f]+)"));
    const auto match = value.match(QString::fromLocal8Bit(line));
    return match.hasMatch() ? match.captured(1).toUInt(nullptr, 16) : 0xDEADBEEF;
}
