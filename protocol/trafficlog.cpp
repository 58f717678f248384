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

void TrafficLog::logTransmit(const QByteArray &data, uint32_t count)
{
    const QByteArray frame = data.left(int(count));
    const QString stamp = timeStamp();
    QString body;
    if (m_hexBox->isChecked())
        body = hexText(frame);
    else
        body = QString::fromLatin1(frame.constData(), int(qstrnlen(frame.constData(), uint(frame.size())))).toUpper();
    if (length() > kClearAbove) {
        m_view->clear();
        m_pending.resize(0);
    }
    appendText(QStringLiteral("\r\n[") + stamp + QStringLiteral("]TX->◇") + body);
}

void TrafficLog::logReceive(const QByteArray &data)
{
    if (data.isEmpty())
        return;
    const QString stamp = timeStamp();
    const QString body = m_hexBox->isChecked() ? hexText(data)
                                               : (m_gbk ? m_gbk->toUnicode(data) : QString::fromLocal8Bit(data));
    const uint32_t now = TickCounter::now();
    if (now - m_lastRxHeaderTick > kRxHeaderTicks) {
        m_lastRxHeaderTick = now;
        appendText(QStringLiteral("\r\n[") + stamp + QStringLiteral("]RX<-◆"));
    }
    appendText(body);
    if (length() > kReceivedBound)
        flush();  // which drops the oldest part
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
