#pragma once
// Commissioning without a window: the one-key read of a drive into a
// parameter file, or the one-key configure of a drive from one (and the store
// command after it).  The window is built but never shown, and the run goes
// through its scheduler, sequencers and SDO engine exactly as a click on the
// one-key buttons would; progress and failures go to stderr.

#include "serial/comcfg.h"
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

class MainWindow;
class QEventLoop;

struct HeadlessOptions {
    enum class Direction { Read, Write };
    Direction direction = Direction::Read;
    QString file;
    comcfg_t link;      // the serial port or CAN interface to open
    QString port;       // the link's name in progress and failure lines
    uint32_t baud = 256000;
    int node = 1;
    uint8_t groups = 0x1F;  // bit g - 1 for group g (basic, mode-group1, homing, io, pdo)
    bool store = false;
};

class HeadlessCommissioning : public QObject {
    Q_OBJECT
public:
    enum Status { Success = 0, DriveFailed = 1, BadInput = 2 };

    explicit HeadlessCommissioning(const HeadlessOptions &options);
    ~HeadlessCommissioning() override;

    // Runs to the end in an event loop of its own; returns the exit status.
    int exec();

    // "basic,io" as group bits; false and a reason for anything else.
    static bool parseGroups(const QString &list, uint8_t &groups, QString &error);
    // Whether the arguments name an option of a run without a window (looked
    // at before the application exists, to choose the platform).
    static bool requested(int argc, char **argv);

private:
    enum class Stage { File, Opening, Running, Storing, Done };

    bool prepareFile();
    // The one place the drive's link is opened.
    void openLink(const comcfg_t &link);
    void onLinkOpened(bool open);
    void startRun();
    void afterSchedulerRun();
    void watchRun();
    void watchStore();
    void onBox(const QString &title, const QString &text);
    void finish(int status);
    int progress() const;
    void progressLine(const QString &what) const;

    HeadlessOptions m_options;
    std::unique_ptr<MainWindow> m_window;
    QEventLoop *m_loop = nullptr;
    Stage m_stage = Stage::File;
    int m_status = Success;
    bool m_finished = false;
    bool m_failureReported = false;
    bool m_runTaken = false;  // the one-key sequencer has taken the job in
    // What the one-key sequencer showed after the previous scheduler run.
    uint8_t m_lastPhase = 0;
    bool m_lastWaiting = false;
    bool m_storeTaken = false;  // the mode-control page has taken the store job in
};
