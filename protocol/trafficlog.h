#pragma once
// The data window: every frame sent and every burst received, in hex or as
// text, optionally time-stamped.  Transmitted frames clear a log that has
// grown past 5000 characters; received bursts within 50 ticks of the last
// receive header share that header, and received text alone never lets the
// log grow past 100,000 characters.

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <cstdint>

class QCheckBox;
class QTextBrowser;
class QTextCodec;
class QTimer;
class QWidget;

class TrafficLog {
    Q_DECLARE_TR_FUNCTIONS(TrafficLog)
public:
    TrafficLog(QTextBrowser *view, QCheckBox *hexBox, QCheckBox *timeBox);

    void logTransmit(const QByteArray &data, uint32_t count);
    void logReceive(const QByteArray &data);
    // Status and error lines of the port go into the same view.
    void appendText(const QString &text);
    // New text reaches the view within 100 ms; these put it there at once.
    void flush();
    QString text();
    void clear();
    // Asks for a file and writes the plain text of the log into it; `parent` only centres the dialog.
    void saveToFile(QWidget *parent);
    // The part of saveToFile after the dialog: false (and the error box) when the file cannot be written.
    bool writeToFile(const QString &fileName);

    static QString hexText(const QByteArray &bytes);

private:
    QString timeStamp() const;
    void dropOldestText();
    int length() const;  // characters shown and waiting

    QTextBrowser *m_view;
    QCheckBox *m_hexBox;
    QCheckBox *m_timeBox;
    QTextCodec *m_gbk;
    uint32_t m_lastRxHeaderTick = 0;
    QTimer *m_flushTimer = nullptr;
    QString m_pending;  // lines not yet in the view, in order
};
