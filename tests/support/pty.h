#pragma once
// A pseudo-terminal standing in for a serial adapter: the tool opens the
// slave side by its path, the test plays the far end on the master side.

#include <QByteArray>
#include <QString>

class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();

    bool isOpen() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    bool write(const QByteArray &bytes);
    // Whatever arrived within timeoutMs (returns early once `atLeast` bytes are there).
    QByteArray read(int timeoutMs, int atLeast = 1);
    // Like unplugging the adapter.
    void closeMaster();

private:
    int m_master = -1;
    QString m_slavePath;
};
