#include "protocol/trafficlog.h"

#include "app/messageboxes.h"
#include "app/savefile.h"
#include "app/tickcounter.h"

#include <QCheckBox>
#include <QDebug>
#include <QDateTime>
#include <QFileDialog>
#include <QTextBrowser>
#include <QTextCodec>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

namespace {
constexpr int kClearAbove = 5000;
constexpr uint32_t kRxHeaderTicks = 50;
// Only a transmitted frame clears the log, so on a bus with traffic of its own
// received text alone could pile up for hours; past this the oldest part goes.
constexpr int kReceivedBound = 100000;
constexpr int kKeepAfterTrim = 80000;
// New lines join the view (and so it is redrawn) at most every 100 ms: adding
// to and drawing a text view costs far more than the traffic itself, and a
// commissioning link runs for hours.
constexpr int kFlushEveryMs = 100;
// A frame still missing bytes this long after its last one is given up, as
// the receive side gives it up.
constexpr uint32_t kFrameGiveUpTicks = 5;
// Requests never answered would pile up in the round-trip table; past this
// many the ones older than a second go.
constexpr int kRequestsKept = 256;
constexpr uint32_t kRequestForgetTicks = 1000;

// The meaning after the frame's bytes: "... 00 | read 6041:00".
QString withMeaning(const QString &line, const QString &meaning)
{
    if (meaning.isEmpty())
        return line;
    return line + ((line.isEmpty() || line.endsWith(QLatin1Char(' '))) ? QStringLiteral("| ") : QStringLiteral(" | "))
        + meaning;
}
} // namespace

TrafficLog::TrafficLog(QTextBrowser *view, QCheckBox *hexBox, QCheckBox *timeBox)
    : m_view(view)
    , m_hexBox(hexBox)
    , m_timeBox(timeBox)
    , m_gbk(QTextCodec::codecForName("GBK"))
{
}

QString TrafficLog::hexText(const QByteArray &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const auto b = uint8_t(c);
        text += QLatin1Char(digits[b >> 4]);
        text += QLatin1Char(digits[b & 0x0F]);
        text += QLatin1Char(' ');
    }
    return text;
}

QString TrafficLog::timeStamp() const
{
    if (!m_timeBox->isChecked())
        return QString();
    return QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss::zzz"));
}

void TrafficLog::appendText(const QString &text)
{
    m_rxLineOpen = false;
    append(text);
}

void TrafficLog::append(const QString &text)
{
    m_pending += text;
    if (!m_flushTimer) {
        m_flushTimer = new QTimer(m_view);
        m_flushTimer->setSingleShot(true);
        QObject::connect(m_flushTimer, &QTimer::timeout, m_view, [this]() { flush(); });
    }
    if (!m_flushTimer->isActive())
        m_flushTimer->start(kFlushEveryMs);
}

void TrafficLog::flush()
{
    if (m_flushTimer)
        m_flushTimer->stop();
    if (m_pending.isEmpty())
        return;
    m_view->moveCursor(QTextCursor::End);
    m_view->insertPlainText(m_pending);
    m_pending.resize(0);  // keeps its capacity for the next lines
    if (m_view->document()->characterCount() > kReceivedBound)
        dropOldestText();
}

QString TrafficLog::text()
{
    flush();
    return m_view->toPlainText();
}

int TrafficLog::length() const
{
    return m_view->document()->characterCount() - 1 + m_pending.size();
}

QString TrafficLog::bodyText(const QByteArray &bytes, bool received) const
{
    if (m_hexBox->isChecked())
        return hexText(bytes);
    if (received)
        return m_gbk ? m_gbk->toUnicode(bytes) : QString::fromLocal8Bit(bytes);
    return QString::fromLatin1(bytes.constData(), int(qstrnlen(bytes.constData(), uint(bytes.size())))).toUpper();
}

bool TrafficLog::decoding() const
{
    return m_decodeBox && m_decodeBox->isChecked();
}

void TrafficLog::logTransmit(const QByteArray &data, uint32_t count)
{
    const QByteArray frame = data.left(int(count));
    const QString stamp = timeStamp();
    const QString body = bodyText(frame, false);
    if (length() > kClearAbove) {
        m_view->clear();
        m_pending.resize(0);
    }
    if (decoding()) {
        logTransmitDecoded(frame, QStringLiteral("\r\n[") + stamp + QStringLiteral("]TX->◇") + body);
        return;
    }
    appendText(QStringLiteral("\r\n[") + stamp + QStringLiteral("]TX->◇") + body);
}

void TrafficLog::logTransmitDecoded(const QByteArray &frame, const QString &line)
{
    const SdoDecoder::Meaning meaning = SdoDecoder::decodeFrame(frame);
    if (meaning.kind == SdoDecoder::Meaning::Kind::Request) {
        const uint32_t now = TickCounter::now();
        if (m_requestTicks.size() >= kRequestsKept) {
            for (auto it = m_requestTicks.begin(); it != m_requestTicks.end();) {
                if (now - it.value() > kRequestForgetTicks)
                    it = m_requestTicks.erase(it);
                else
                    ++it;
            }
            if (m_requestTicks.size() >= kRequestsKept)
                m_requestTicks.clear();
        }
        m_requestTicks.insert(SdoDecoder::objectKey(meaning.node, meaning.index, meaning.subIndex), now);
    }
    appendText(withMeaning(line, meaning.text));
}

QString TrafficLog::roundTrip(const SdoDecoder::Meaning &meaning, uint32_t arrival)
{
    const auto it = m_requestTicks.find(SdoDecoder::objectKey(meaning.node, meaning.index, meaning.subIndex));
    if (it == m_requestTicks.end())
        return QString();
    const int32_t ms = int32_t(arrival - it.value());
    m_requestTicks.erase(it);
    return QStringLiteral(" +%1 ms").arg(qMax(0, ms));
}

void TrafficLog::logReceive(const QByteArray &data)
{
    if (data.isEmpty())
        return;
    const QString stamp = timeStamp();
    if (decoding()) {
        logReceiveDecoded(data, stamp);
        m_receiveTimes.clear();
        if (length() > kReceivedBound)
            flush();
        return;
    }
    m_receiveTimes.clear();
    m_splitter.reset();
    const QString body = bodyText(data, true);
    const uint32_t now = TickCounter::now();
    if (now - m_lastRxHeaderTick > kRxHeaderTicks) {
        m_lastRxHeaderTick = now;
        appendText(QStringLiteral("\r\n[") + stamp + QStringLiteral("]RX<-◆"));
    }
    appendText(body);
    if (length() > kReceivedBound)
        flush();  // which drops the oldest part
}

// Every frame on a line of its own with its meaning.  Bytes of a frame that
// is not complete yet are shown at once and its meaning follows when the
// rest arrives; bytes that start no frame stand on a line without one.
void TrafficLog::logReceiveDecoded(const QByteArray &data, const QString &stamp)
{
    const uint32_t now = TickCounter::now();
    // Should the box be unchecked next, the next burst starts an entry of its own.
    m_lastRxHeaderTick = now - kRxHeaderTicks - 1;
    const QVector<quint32> &times = m_receiveTimes;
    const bool timed = !times.isEmpty() && times.size() % 2 == 0 && int(times.at(times.size() - 2)) == data.size();
    // The tick the byte before offset `end` was read at.
    auto arrivalAt = [&](int end) -> uint32_t {
        if (!timed)
            return now;
        for (int i = 0; i < times.size(); i += 2) {
            if (int(times.at(i)) >= end)
                return times.at(i + 1);
        }
        return times.last();
    };
    if (!m_splitter.pending().isEmpty() && arrivalAt(1) - m_splitterTick > kFrameGiveUpTicks) {
        m_splitter.reset();
        m_rxLineOpen = false;
    }
    const QString header = QStringLiteral("\r\n[") + stamp + QStringLiteral("]RX<-◆");
    int shown = m_splitter.pending().size();  // leading bytes already in the log
    const QVector<SdoDecoder::FrameSplitter::Piece> pieces = m_splitter.feed(data);
    for (const SdoDecoder::FrameSplitter::Piece &piece : pieces) {
        const int skip = qMin(shown, piece.bytes.size());
        shown -= skip;
        QString line = (skip > 0 && m_rxLineOpen) ? QString() : header;
        line += bodyText(piece.bytes.mid(skip), true);
        if (piece.frame) {
            const SdoDecoder::Meaning meaning = SdoDecoder::decodeFrame(piece.bytes);
            QString text = meaning.text;
            if (meaning.kind == SdoDecoder::Meaning::Kind::Answer)
                text += roundTrip(meaning, arrivalAt(piece.end));
            line = withMeaning(line, text);
        }
        append(line);
        m_rxLineOpen = false;
    }
    const QByteArray &waiting = m_splitter.pending();
    if (waiting.size() > shown) {
        append(((shown > 0 && m_rxLineOpen) ? QString() : header) + bodyText(waiting.mid(shown), true));
        m_rxLineOpen = true;
        m_splitterTick = arrivalAt(data.size());
    }
}

void TrafficLog::dropOldestText()
{
    QTextDocument *doc = m_view->document();
    QTextCursor cut(doc);
    cut.setPosition(doc->characterCount() - 1 - kKeepAfterTrim);
    // Up to the start of the next line, so the log still begins with a whole entry.
    if (!cut.movePosition(QTextCursor::NextBlock))
        cut.movePosition(QTextCursor::End);
    cut.setPosition(0, QTextCursor::KeepAnchor);
    cut.removeSelectedText();
    m_view->moveCursor(QTextCursor::End);
}

void TrafficLog::clear()
{
    m_view->clear();
    m_pending.resize(0);
    m_rxLineOpen = false;
    qDebug() << "on_BtnClear_clicked" << "\r\n";
}

void TrafficLog::saveToFile(QWidget *parent)
{
    const QString fileName =
        QFileDialog::getSaveFileName(parent, tr("Save As"), QStringLiteral("./"), tr("Text File(*.txt)"));
    if (fileName.isEmpty())
        return;
    writeToFile(fileName);
}

bool TrafficLog::writeToFile(const QString &fileName)
{
    // UTF-8 on every platform, as the marks and received text need it.
    if (!saveFileAtomically(fileName, text().toUtf8(), QIODevice::Text)) {
        MessageBoxes::warning(tr("Error"), tr("File to open file!"));
        return false;
    }
    MessageBoxes::warning(tr("Finish"), tr("Successfully save the file!"));
    return true;
}
