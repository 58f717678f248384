#include "app/messageboxes.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QTimer>

namespace {
MessageBoxes::Recorder g_recorder;
bool g_shuttingDown = false;

void showNow(MessageBoxes::Kind kind, const QString &title, const QString &text)
{
    if (g_shuttingDown)
        return;
    if (g_recorder) {
        g_recorder(kind, title, text);
        return;
    }
    if (kind == MessageBoxes::Kind::Warning)
        QMessageBox::warning(nullptr, title, text, QMessageBox::Ok);
    else
        QMessageBox::information(nullptr, title, text, QMessageBox::Ok);
}
} // namespace

namespace MessageBoxes {

void information(const QString &title, const QString &text) { showNow(Kind::Information, title, text); }
void warning(const QString &title, const QString &text) { showNow(Kind::Warning, title, text); }

void post(Kind kind, const QString &title, const QString &text, std::function<void()> after)
{
    if (g_shuttingDown)
        return;
    if (g_recorder) {
        g_recorder(kind, title, text);
        if (after)
            after();
        return;
    }
    QTimer::singleShot(0, QCoreApplication::instance(), [kind, title, text, after]() {
        if (g_shuttingDown)
            return;
        showNow(kind, title, text);
        if (after)
            after();
    });
}

void setShuttingDown(bool shuttingDown) { g_shuttingDown = shuttingDown; }

void setRecorder(Recorder recorder) { g_recorder = std::move(recorder); }

} // namespace MessageBoxes
