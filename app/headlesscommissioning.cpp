#include "app/headlesscommissioning.h"

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "paramfile/onekeypage.h"
#include "paramfile/paramfile.h"
#include "protocol/sdoclient.h"
#include "serial/linkworker.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QSaveFile>
#include <QStringList>
#include <cstdio>
#include <cstring>

namespace {

// Group g (1..5) as the command line names it; the one-key phases 0, 2..5 run them.
const char *const kGroupNames[6] = {"", "basic", "mode-group1", "homing", "io", "pdo"};
constexpr uint8_t kModePhase = 1;
constexpr uint8_t kModeControlPage = 2;

int groupOfPhase(uint8_t phase) { return phase == 0 ? 1 : phase; }

// The failure boxes and serial errors keep their Chinese text; stderr adds this.
struct EnglishText {
    const char *chinese;
    const char *english;
};
const EnglishText kEnglish[] = {
    {"基础参数，读错误", "basic parameters, read error"},
    {"基础参数，写错误", "basic parameters, write error"},
    {"运行模式，读错误", "operating mode, read error"},
    {"运行模式，写错误", "operating mode, write error"},
    {"参数组1-读错误", "parameter group 1, read error"},
    {"参数组1-写错误", "parameter group 1, write error"},
    {"回原点模式-读错误", "homing parameters, read error"},
    {"回原点模式-写错误", "homing parameters, write error"},
    {"输入输出-读错误", "inputs/outputs, read error"},
    {"输入输出-写错误", "inputs/outputs, write error"},
    {"PDO-读错误", "PDO, read error"},
    {"PDO-写错误", "PDO, write error"},
    {"XML 文件错误", "not a well-formed XML file"},
    {"打开xml错误", "cannot open the XML file"},
    {"保存xml错误", "cannot save the XML file"},
    {"打开一个不存在的设备!", "no such device"},
    {"无权限打开设备!", "no permission to open the device"},
    {"设备已打开!", "the device is already open"},
    {"写数据错误!", "write error"},
    {"读数据错误!", "read error"},
    {"串口已拔出!", "the serial port was unplugged"},
    {"发生未知错误!", "unknown error"},
};

QString englishFor(const QString &text)
{
    for (const EnglishText &e : kEnglish) {
        if (text == QString::fromUtf8(e.chinese))
            return QLatin1String(e.english);
    }
    return QString();
}

void writeLine(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    std::fflush(stderr);
}

// Stderr carries the run's own lines; the tool's diagnostic lines are left out.
QtMessageHandler g_previousHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg)
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

HeadlessCommissioning::HeadlessCommissioning(const HeadlessOptions &options)
    : m_options(options)
{
}

HeadlessCommissioning::~HeadlessCommissioning() = default;

bool HeadlessCommissioning::requested(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        // --groups and --store too: without a display their misuse is still reported, not a crash.
        for (const char *option : {"--read-config", "--write-config", "--groups", "--store"}) {
            const std::size_t n = std::strlen(option);
            if (std::strncmp(argv[i], option, n) == 0 && (argv[i][n] == '\0' || argv[i][n] == '='))
                return true;
        }
    }
    return false;
}

bool HeadlessCommissioning::parseGroups(const QString &list, uint8_t &groups, QString &error)
{
    groups = 0;
    const QStringList names = list.split(QLatin1Char(','));
    for (const QString &raw : names) {
        const QString name = raw.trimmed();
        int group = 0;
        for (int g = 1; g <= 5; ++g) {
            if (name == QLatin1String(kGroupNames[g]))
                group = g;
        }
        if (group == 0) {
            error = name.isEmpty() ? QStringLiteral("empty group name in '%1'").arg(list)
                                   : QStringLiteral("unknown group '%1'").arg(name);
            return false;
        }
        groups |= uint8_t(1u << (group - 1));
    }
    return true;
}

int HeadlessCommissioning::exec()
{
    g_previousHandler = qInstallMessageHandler(quietHandler);
    MessageBoxes::setRecorder(
        [this](MessageBoxes::Kind, const QString &title, const QString &text) { onBox(title, text); });
    m_window = std::make_unique<MainWindow>();
    m_window->setNodeAddress(m_options.node);

    int status = BadInput;
    if (prepareFile()) {
        for (int g = 1; g <= 5; ++g)
            m_window->oneKeyPage().setOneKeyGroupValue(g, m_options.groups & (1u << (g - 1)));
        // The one-key sequencer itself, watched after every scheduler run.
        m_window->scheduler().setOneKeySequencer([this](uint8_t node, int16_t code) {
            m_window->oneKeyPage().runOneKeySequencer(node, code);
            afterSchedulerRun();
        });
        QEventLoop loop;
        m_loop = &loop;
        openLink(m_options.link);
        if (!m_finished)
            loop.exec();
        m_loop = nullptr;
        if (!m_finished)
            writeLine(QStringLiteral("error: interrupted"));
        status = m_finished ? m_status : DriveFailed;
    }
    // Closes the port and joins the serial worker; no box opens from here on.
    if (m_window->worker())
        disconnect(m_window->worker(), nullptr, this, nullptr);
    m_window.reset();
    MessageBoxes::setRecorder({});
    qInstallMessageHandler(g_previousHandler);
    return status;
}

// Nothing reaches the drive unless the file is good: a configure file must be
// read whole, and a read must be able to write its file in the end.
bool HeadlessCommissioning::prepareFile()
{
    const QString &file = m_options.file;
    if (m_options.direction == HeadlessOptions::Direction::Read) {
        QSaveFile probe(file);
        if (QFileInfo(file).isDir() || !probe.open(QIODevice::WriteOnly)) {
            writeLine(QStringLiteral("error: %1: cannot be written%2")
                          .arg(file, QFileInfo(file).isDir() ? QStringLiteral(": a directory")
                                                             : QStringLiteral(": ") + probe.errorString()));
            return false;
        }
        probe.cancelWriting();
        return true;
    }
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        writeLine(QStringLiteral("error: %1: cannot be read: %2").arg(file, in.errorString()));
        return false;
    }
    const QByteArray xml = in.readAll();
    in.close();
    const ParamFileResult result = m_window->paramFile().importDocument(xml);
    if (!result.succeeded() || result.skipped > 0)
        return false;  // the box said why
    if (result.pagesFound < kParamFilePageCount) {
        writeLine(QStringLiteral("error: %1: element %2 is missing or out of place; the file is not used")
                      .arg(file, QLatin1String(paramFilePages[result.pagesFound].name)));
        return false;
    }
    return true;
}

void HeadlessCommissioning::openLink(const comcfg_t &link)
{
    m_stage = Stage::Opening;
    // The worker of the link's kind first, so that its report cannot come before we listen.
    m_window->useLinkKindOf(link);
    connect(m_window->worker(), &LinkWorker::openError, this, &HeadlessCommissioning::onLinkOpened,
            Qt::QueuedConnection);
    m_window->openLinkAtStart(link);
}

void HeadlessCommissioning::onLinkOpened(bool open)
{
    if (m_finished)
        return;
    if (m_stage == Stage::Opening && open) {
        startRun();
        return;
    }
    // Failing to open, or closing under a run: the serial error's line is out already.
    if (!open)
        finish(DriveFailed);
}

void HeadlessCommissioning::startRun()
{
    m_stage = Stage::Running;
    QStringList groups;
    for (int g = 1; g <= 5; ++g) {
        if (m_options.groups & (1u << (g - 1)))
            groups << QLatin1String(kGroupNames[g]);
    }
    const bool read = m_options.direction == HeadlessOptions::Direction::Read;
    groups << QStringLiteral("the operating mode");
    const QString where = m_options.link.linkKind == LinkCan
                              ? m_options.port
                              : QStringLiteral("%1 at %2 baud").arg(m_options.port).arg(m_options.baud);
    writeLine(QStringLiteral("one-key %1 of node %2 on %3: %4")
                  .arg(read ? QStringLiteral("read") : QStringLiteral("configure"))
                  .arg(m_options.node)
                  .arg(where, groups.join(QStringLiteral(", "))));
    m_runTaken = false;
    m_lastPhase = 0;
    m_lastWaiting = false;
    if (read)
        m_window->oneKeyPage().on_t7_g3_pushButton_1_read_clicked();
    else
        m_window->oneKeyPage().on_t7_g3_pushButton_1_OKC_clicked();
}

void HeadlessCommissioning::afterSchedulerRun()
{
    if (m_stage == Stage::Running)
        watchRun();
    else if (m_stage == Stage::Storing)
        watchStore();
}

void HeadlessCommissioning::watchRun()
{
    const OneKeySequencer &sequencer = m_window->oneKeyPage().sequencer();
    const int16_t job = sequencer.oneKeyJob();
    const uint8_t phase = sequencer.oneKeyPhase();
    const bool waiting = sequencer.waitingForPage();
    const bool running = job == OneKeySequencer::Read || job == OneKeySequencer::Configure;
    if (!running && !m_runTaken)
        return;  // taken in on the next scheduler run
    const bool wasRunning = m_runTaken;
    m_runTaken = true;
    const QString direction = m_options.direction == HeadlessOptions::Direction::Read ? QStringLiteral("read")
                                                                                       : QStringLiteral("configure");
    if (running && wasRunning && phase != m_lastPhase) {
        if (m_lastPhase == kModePhase)
            progressLine(QStringLiteral("mode: %1 done").arg(direction));
        else
            progressLine(QStringLiteral("%1: %2").arg(QLatin1String(kGroupNames[groupOfPhase(m_lastPhase)]),
                                                      m_lastWaiting ? direction + QStringLiteral(" done")
                                                                    : QStringLiteral("skipped")));
        if (phase == kModePhase)
            progressLine(QStringLiteral("mode: %1 started").arg(direction));
    }
    if (running && waiting && !(wasRunning && phase == m_lastPhase && m_lastWaiting))
        progressLine(QStringLiteral("%1: %2 started").arg(QLatin1String(kGroupNames[groupOfPhase(phase)]), direction));
    const bool ended = !running;
    const bool succeeded = ended && job == OneKeySequencer::Finished && progress() == 100;
    m_lastPhase = phase;
    m_lastWaiting = waiting;
    if (!ended)
        return;
    if (!succeeded) {
        if (!m_failureReported)
            writeLine(QStringLiteral("error: the one-key %1 stopped").arg(direction));
        finish(DriveFailed);
        return;
    }
    progressLine(QStringLiteral("one-key %1 done").arg(direction));
    if (m_options.direction == HeadlessOptions::Direction::Read) {
        m_stage = Stage::File;
        if (!m_window->paramFile().exportToFile(m_options.file).succeeded()) {
            finish(BadInput);  // the box said why
            return;
        }
        progressLine(QStringLiteral("written to %1").arg(m_options.file));
        finish(Success);
    } else if (m_options.store) {
        m_stage = Stage::Storing;
        m_storeTaken = false;
    } else {
        finish(Success);
    }
}

// The store command goes through the mode-control page's job, as the
// "储存掉电参数" button sends it; its answer is looked at when that job ends.
void HeadlessCommissioning::watchStore()
{
    const PageJobState &jobs = m_window->pageJobs();
    if (!m_storeTaken) {
        if (jobs.pageJobOwner != kModeControlPage) {
            if (m_window->oneKeyPage().sequencer().oneKeyJob() == OneKeySequencer::Idle) {
                progressLine(QStringLiteral("store: started (0x2010 = 2)"));
                m_window->oneKeyPage().on_t7_g2_btn_22_save_power_down_param_clicked();
            }
        } else if (jobs.pageJobBusy) {
            m_storeTaken = true;
        }
        return;
    }
    if (jobs.pageJobBusy)
        return;
    if (SdoClient::resultStatus() == uint8_t(SdoStatus::Confirmed)) {
        progressLine(QStringLiteral("store: done"));
        finish(Success);
    } else {
        writeLine(QStringLiteral("error: store: the drive did not confirm 0x2010 = 2"));
        finish(DriveFailed);
    }
}

void HeadlessCommissioning::onBox(const QString &title, const QString &text)
{
    QString context;
    switch (m_stage) {
    case Stage::File: context = m_options.file; break;
    case Stage::Opening: context = m_options.port; break;
    case Stage::Running: {
        const uint8_t phase = m_window->oneKeyPage().sequencer().oneKeyPhase();
        context = (phase == kModePhase ? QStringLiteral("mode") : QLatin1String(kGroupNames[groupOfPhase(phase)]))
            + (m_options.direction == HeadlessOptions::Direction::Read ? QStringLiteral(": read failed")
                                                                       : QStringLiteral(": configure failed"));
        break;
    }
    case Stage::Storing: context = QStringLiteral("store"); break;
    case Stage::Done: return;
    }
    const QString english = englishFor(text);
    writeLine(QStringLiteral("error: %1: %2%3").arg(context, text, english.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(english)));
    m_failureReported = true;
    // A serial error (a box without title) has closed the port and dropped the run.
    if (title.isEmpty() && (m_stage == Stage::Running || m_stage == Stage::Storing))
        finish(DriveFailed);
}

void HeadlessCommissioning::finish(int status)
{
    if (m_finished)
        return;
    m_finished = true;
    m_status = status;
    m_stage = Stage::Done;
    if (m_loop)
        m_loop->quit();
}

int HeadlessCommissioning::progress() const
{
    const auto *bar = m_window->oneKeyPage().widget()->findChild<QProgressBar *>(QStringLiteral("t7_g2_n8_progressBar"));
    return bar ? bar->value() : 0;
}

void HeadlessCommissioning::progressLine(const QString &what) const
{
    writeLine(QStringLiteral("%1 %  %2").arg(progress(), 3).arg(what));
}
