#pragma once
// The data window: every frame sent and every burst received, in hex or as
// text, optionally time-stamped.  Transmitted frames clear a log that has
// grown past 5000 characters; received bursts within 50 ticks of the last
// receive header share that header, and received text alone never lets the
// log grow past 100,000 characters.
//
// With the decode box checked every frame gets a line of its own, followed by
// its meaning, and an SDO answer by its round trip from the request it answers.

#include "protocol/sdodecoder.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QString>
#include <QVector>
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
    // The "解码" box; without one nothing is decoded.
    void setDecodeBox(QCheckBox *decodeBox) { m_decodeBox = decodeBox; }

    void logTransmit(const QByteArray &data, uint32_t count);
    void logReceive(const QByteArray &data);
    // When the bytes of the next received burst arrived: pairs of (offset just
    // past a chunk's last byte, tick it was read at), as the serial worker
    // collected them.  Without it a burst counts as arriving when it is logged.
    void setReceiveTimes(const QVector<quint32> &endsAndTicks) { m_receiveTimes = endsAndTicks; }
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
    QString bodyText(const QByteArray &bytes, bool received) const;
    void append(const QString &text);
    bool decoding() const;
    void logTransmitDecoded(const QByteArray &frame, const QString &stamp);
    void logReceiveDecoded(const QByteArray &data, const QString &stamp);
    QString roundTrip(const SdoDecoder::Meaning &meaning, uint32_t arrival);
    void dropOldestText();
    int length() const;  // characters shown and waiting

    QTextBrowser *m_view;
    QCheckBox *m_hexBox;
    QCheckBox *m_timeBox;
    QCheckBox *m_decodeBox = nullptr;
    QTextCodec *m_gbk;
    uint32_t m_lastRxHeaderTick = 0;
    QTimer *m_flushTimer = nullptr;
    QString m_pending;  // lines not yet in the view, in order

    // Decoding.
    SdoDecoder::FrameSplitter m_splitter;  // received bytes not yet a whole frame
    uint32_t m_splitterTick = 0;           // when its last byte arrived
    bool m_rxLineOpen = false;             // the last line is such a frame's start
    QVector<quint32> m_receiveTimes;
    QHash<uint32_t, uint32_t> m_requestTicks;  // objectKey -> tick of its request's line
};
