#pragma once
// The one window: owns the serial side, the tick loop, the scheduler, the
// status tabs, the traffic log and the pages, and wires them together.  The
// pages' own logic lives in pages/.

#include "pages/operationscheduler.h"
#include "pages/pagejobstate.h"
#include "pages/statusmonitor.h"
#include "pages/statuspanel.h"
#include "protocol/framecodec.h"
#include "protocol/trafficlog.h"
#include "serial/comcfg.h"

#include <QMainWindow>
#include <atomic>
#include <memory>

class QLabel;
class QThread;
class QTimer;
class QTranslator;
class BasicParamPage;
class ModeControlPage;
class IoPage;
class SdoDebugPage;
class PdoPage;
class ProgramPage;
class OneKeyPage;
class ParamFile;
class uartCfg;
class LinkWorker;
namespace Ui { class MainWindow; }

class MainWindow : public QMainWindow, private FrameSink {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Page jobs (the pages and the tests use these).
    PageJobState &pageJobs() { return m_jobs; }
    void requestPageJob(uint8_t page, uint16_t code) { m_jobs.requestPageJob(page, code); }
    void markPageJobRequested() { m_jobs.markPageJobRequested(); }
    void clearPageJobMarks() { m_jobs.clearPageJobMarks(); }
    void resetPageJobState() { m_jobs.resetPageJobState(); }
    int nodeAddress() const;
    void setNodeAddress(int node);
    uint8_t currentNode() const { return m_scheduler.currentNode(); }

    bool isPortOpen() const { return m_portOpen.load(std::memory_order_relaxed); }
    bool autoRefresh() const { return m_autoRefresh; }
    comcfg_t currentConfig() const { return m_cfg; }

    // Starts the scheduler's grid and the label's rhythm afresh from the clock's
    // present reading (start-up, and a test that sets the clock).
    void restartTickLoop();
    // Plans the loop's sleep after a tick: milliseconds until it next has
    // something to do (a scheduler run that can act, the connection label, a
    // soft timer).  Scheduler grid points before that planned run are known to
    // be idle, so a tick that wakes earlier for something else does not run
    // the scheduler late for them.  A request, a port event or a menu choice
    // wakes the loop and drops the plan.
    int planNextTick();

    // Opens the given port at start-up as a confirmation of the dialog would.
    void openPortAtStart(const QString &portName, uint32_t baudRate);
    // Opens either kind of link (serial adapter or CAN interface) as a
    // confirmation of the dialog would: the command line's one way in.
    void openLinkAtStart(const comcfg_t &cfg);
    // Makes the worker the right one for the kind of link `cfg` names (the
    // present one closes and ends first if it is of the other kind).
    void useLinkKindOf(const comcfg_t &cfg);

    // Wiring for the pages and for tests.
    QTimer *tickTimer() const { return m_tickTimer; }
    LinkWorker *worker() const { return m_worker; }
    uartCfg *serialDialog() const { return uartCfgDialog; }
    OperationScheduler &scheduler() { return m_scheduler; }
    StatusMonitor &statusMonitor() { return m_statusMonitor; }
    StatusPanel &statusPanel() { return m_statusPanel; }
    TrafficLog &trafficLog() { return m_log; }
    BasicParamPage &basicParamPage() { return *m_basicParamPage; }
    ModeControlPage &modeControlPage() { return *m_modeControlPage; }
    IoPage &ioPage() { return *m_ioPage; }
    SdoDebugPage &sdoDebugPage() { return *m_sdoDebugPage; }

    // Puts the SDO debug tab, taken out at start-up, back after "5-程序控制".
    void showSdoDebugTab();
    PdoPage &pdoPage() { return *m_pdoPage; }
    ProgramPage &programPage() { return *m_programPage; }
    OneKeyPage &oneKeyPage() { return *m_oneKeyPage; }
    ParamFile &paramFile() { return *m_paramFile; }

    // Device model: 1 is Orca57, anything else Lynx42.
    void applyModel(uint32_t model);
    uint32_t model() const { return m_model; }
    // Installs the embedded translation (1 English, otherwise Chinese) and retranslates the window.
    void loadLanguage(uint32_t language);
    uint32_t language() const { return m_language; }

signals:
    void sendData2Uart(QByteArray data);
    void upCfg2Uart(comcfg_t cfg);
    void startWork(comcfg_t cfg);
    void closeUart();
    void operate();
    void Display_textBrowser_send(QByteArray data, uint32_t count);

public slots:
    void handleTimeout();
    void handleResults(const QString &result);
    void on_actionComCfg_triggered();
    void on_actionComOpen_triggered();
    void on_actionExit_triggered();
    void on_actionHomepage_triggered();
    void on_actionAuto_triggered();
    void on_actionManual_triggered();
    void on_actionLynx42_triggered();
    void on_actionOrca57_triggered();
    void on_action_English_triggered();
    void on_action_Chinese_triggered();
    void setCurrentUartCfg1(comcfg_t cfg);
    void setCurrentUartCfg(comcfg_t cfg);
    void openSucess(bool open);
    void errorOccurred(const QString &msg);
    void readFromCom(QByteArray data);
    void writeData(char *data, int size);
    void Display_textBrowser_2(const QByteArray &data, uint32_t count);
    void on_BtnClear_clicked();
    void on_Btn_save_data_clicked();

private:
    // FrameSink: frames from the SDO engine, in the worker's thread.
    bool portIsOpen() const override;
    void frameOut(const QByteArray &bytes) override;

    void updatePortUi();
    void onTickTimer();
    void wakeTickLoop();
    void setPortOpen(bool open);
    void showPortOpened();
    void createSerialSide();
    void shutDownSerialSide();
    void startLinkWorker(const comcfg_t &cfg);

    // The pages' enable states, set from the port's state (and at start-up).
    void setIoPageDisabled(bool disabled);
    void setPdoPageDisabled(bool disabled);
    void setProgramPageDisabled(bool disabled, bool running);
    void setSdoDebugPageDisabled(bool disabled);
    void setOneKeyPageDisabled(bool disabled);
    void setPageTabsLocked(bool locked);

    // Config.xml in the working directory: read once at start-up, written by the model and language slots.
    bool readSettingsFile();
    void writeSettingsFile();

    Ui::MainWindow *ui;
    uartCfg *uartCfgDialog = nullptr;
    LinkWorker *m_worker = nullptr;  // a uartWork or a CanWorker, as the configuration's kind of link
    QThread *workerThread = nullptr;
    std::atomic<bool> m_portOpen{false};
    std::atomic<bool> m_closing{false};
    // Bumped by the worker before a frame goes to the log through the blocking
    // connection and read first thing by the log slot: the frame lives on the
    // worker's stack, and this makes the hand-over visible to the C++ memory
    // model (and ThreadSanitizer), not only to Qt's internal semaphore.
    std::atomic<uint32_t> m_framesToLog{0};
    comcfg_t m_cfg;
    QLabel *portLabel = nullptr;
    QLabel *portStateLabel = nullptr;
    QLabel *linkLabel = nullptr;
    QTimer *m_tickTimer = nullptr;
    QTranslator *m_translator = nullptr;
    uint32_t m_model = 0;
    uint32_t m_language = 0;

    bool m_autoRefresh = true;
    uint32_t m_nextSchedulerTick = 0;
    bool m_schedulerPlanned = false;   // planNextTick set m_plannedSchedulerRun
    uint32_t m_plannedSchedulerRun = 0;
    uint32_t m_labelStamp = 0;
    bool m_linkShown = false;

    PageJobState m_jobs;
    StatusPanel m_statusPanel;
    StatusMonitor m_statusMonitor;
    OperationScheduler m_scheduler;
    TrafficLog m_log;
    std::unique_ptr<BasicParamPage> m_basicParamPage;
    std::unique_ptr<ModeControlPage> m_modeControlPage;
    std::unique_ptr<IoPage> m_ioPage;
    std::unique_ptr<SdoDebugPage> m_sdoDebugPage;
    std::unique_ptr<PdoPage> m_pdoPage;
    std::unique_ptr<ProgramPage> m_programPage;
    std::unique_ptr<OneKeyPage> m_oneKeyPage;
    std::unique_ptr<ParamFile> m_paramFile;
};
