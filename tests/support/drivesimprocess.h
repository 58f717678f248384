#pragma once
// drive-sim as a separate process, driven through its stdin commands.

#include <QProcess>
#include <QString>

class DriveSimProcess {
public:
    explicit DriveSimProcess(const QStringList &options = {});
    ~DriveSimProcess();

    bool isRunning() const { return !m_path.isEmpty(); }
    QString slavePath() const { return m_path; }
    // One stdin command, such as "inputs 3" or "set 2005 16" (hexadecimal values).
    void command(const QString &line);
    // The value of an object, read through the "get" command.
    uint32_t get(uint16_t index, uint8_t subIndex = 0);

private:
    // Reads drive-sim's output up to the first line starting with `lineStart` (empty after 5 s without one).
    QByteArray readUntil(const QByteArray &lineStart);

    QProcess m_process;
    QString m_path;
};
