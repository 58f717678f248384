#include "app/mainwindow.h"

#include "app/messageboxes.h"
#include "app/settingsfile.h"
#include "app/tickcounter.h"
#include "canbus/canworker.h"
#include "pages/basicparampage.h"
#include "pages/iopage.h"
#include "pages/modecontrolpage.h"
#include "pages/sdodebugpage.h"
#include "pages/pdopage.h"
#include "pages/programpage.h"
#include "paramfile/onekeypage.h"
#include "paramfile/paramfile.h"
#include "protocol/sdoclient.h"
#include "serial/uartcfg.h"
#include "serial/uartwork.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

// Resources live in the static ui library; naming them keeps them in the link.
// (Q_INIT_RESOURCE may not stand inside a namespace.)
static void initResources()
{
    Q_INIT_RESOURCE(resources);
    Q_INIT_RESOURCE(translations);
}

namespace {

Ui::MainWindow *setUpUi(QMainWindow *window)
{
    initResources();
    auto *ui = new Ui::MainWindow;
    ui->setupUi(window);
    return ui;
}


} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(setUpUi(this))
    , m_statusPanel(ui)
    , m_statusMonitor(m_statusPanel)
    , m_scheduler(m_jobs, m_statusMonitor, [this]() { return nodeAddress(); })
    , m_log(ui->textBrowser, ui->HexShowBox, ui->timeShowBox)
{
    registerComcfgType();
    MessageBoxes::setShuttingDown(false);
    TickCounter::reset();
    restartTickLoop();
    SdoClient::reset();
    setLastTxTick(0);

    readSettingsFile();
    qDebug() << "app_cfg_1000_model" << ":" << m_model << "\r\n";
    qDebug() << "app_cfg_1001_language" << ":" << m_language << "\r\n";
    loadLanguage(1);

    m_scheduler.setCurrentNode(1);
    setNodeAddress(1);

    setWindowTitle(tr("Axiscope-Corvex-V1.00"));
    if (QFile::exists(QStringLiteral("res/logo.ico")))
        setWindowIcon(QIcon(QStringLiteral("res/logo.ico")));
    ui->tabWidget->setCurrentIndex(1);
    statusBar()->setSizeGripEnabled(false);
    portLabel = new QLabel(QStringLiteral("comx,38400,IDx"), this);
    portLabel->setObjectName(QStringLiteral("portLabel"));
    portStateLabel = new QLabel(QStringLiteral("Close"), this);
    portStateLabel->setObjectName(QStringLiteral("portStateLabel"));
    linkLabel = new QLabel(tr("连接状态：OFF"), this);
    linkLabel->setObjectName(QStringLiteral("linkLabel"));
    statusBar()->addWidget(portLabel);
    statusBar()->addWidget(portStateLabel);
    statusBar()->addWidget(linkLabel);

    connect(this, &MainWindow::Display_textBrowser_send, this, &MainWindow::Display_textBrowser_2,
            Qt::BlockingQueuedConnection);
    m_log.setDecodeBox(ui->common_checkBox_decode);

    // Pages, in the order their enable states and trees are prepared.
    m_statusPanel.hideUnusedTerminals();
    m_basicParamPage = std::make_unique<BasicParamPage>(ui, m_jobs);
    m_basicParamPage->connectPageButtons();
    m_basicParamPage->setBasicParamPageDisabled(true);
    m_modeControlPage = std::make_unique<ModeControlPage>(ui, m_jobs);
    m_modeControlPage->connectButtons();
    m_modeControlPage->setModeControlPageDisabled(true);
    m_ioPage = std::make_unique<IoPage>(ui, m_jobs);
    m_pdoPage = std::make_unique<PdoPage>(ui->tab_4, m_jobs);
    m_pdoPage->connectButtons();
    m_programPage = std::make_unique<ProgramPage>(ui->tab_5, m_jobs);
    m_sdoDebugPage = std::make_unique<SdoDebugPage>(ui, m_jobs);
    m_oneKeyPage = std::make_unique<OneKeyPage>(ui->tab_7, ui->tabWidget, m_jobs);
    m_paramFile = std::make_unique<ParamFile>(ParamFile::Pages{*m_basicParamPage, *m_modeControlPage, *m_ioPage,
                                                               *m_pdoPage, *m_programPage, *m_oneKeyPage});
    connect(m_oneKeyPage.get(), &OneKeyPage::exportParamRequested, this, [this]() { m_paramFile->exportParamFile(); });
    connect(m_oneKeyPage.get(), &OneKeyPage::importParamRequested, this, [this]() { m_paramFile->importParamFile(); });
    setIoPageDisabled(true);
    setPdoPageDisabled(true);
    setProgramPageDisabled(true, false);
    setSdoDebugPageDisabled(true);
    setOneKeyPageDisabled(true);
    m_basicParamPage->buildBasicParamTree();
    m_modeControlPage->setHomingParamValue(1, 17);
    m_programPage->buildProgramTable();
    m_oneKeyPage->initOneKeyPage();

    m_scheduler.setPageSequencer(1, [this](uint8_t node, int16_t code) {
        m_basicParamPage->runBasicParamSequencer(node, code);
    });
    m_scheduler.setPageSequencer(2, [this](uint8_t node, int16_t code) {
        m_modeControlPage->runModeControlSequencer(node, code);
    });
    m_scheduler.setPageSequencer(3, [this](uint8_t node, int16_t code) { m_ioPage->runIoSequencer(node, code); });
    m_scheduler.setPageSequencer(4, [this](uint8_t node, int16_t code) { m_pdoPage->runPdoSequencer(node, code); });
    m_scheduler.setPageSequencer(5, [this](uint8_t node, int16_t code) { m_programPage->runProgramSequencer(node, code); });
    m_scheduler.setPageSequencer(6, [this](uint8_t, int16_t code) { m_sdoDebugPage->runSdoDebugSequencer(code); });
    m_scheduler.setOneKeySequencer([this](uint8_t node, int16_t code) { m_oneKeyPage->runOneKeySequencer(node, code); });

    resetPageJobState();

    ui->menu_language->menuAction()->setVisible(false);
    ui->menu_About->menuAction()->setVisible(false);

    ui->tabWidget->setTabEnabled(7, false);
    ui->tabWidget->removeTab(7);
    ui->tabWidget->removeTab(5);

    applyModel(m_model);

    createSerialSide();

    // The timer sleeps until the next tick that has something to do; ticks
    // are read from the clock, so the ones slept through lose nothing.
    m_tickTimer = new QTimer(this);
    m_tickTimer->setTimerType(Qt::PreciseTimer);
    connect(m_tickTimer, &QTimer::timeout, this, &MainWindow::onTickTimer);
    m_jobs.onJobRequested = [this]() { wakeTickLoop(); };
    m_tickTimer->start(1);
}

MainWindow::~MainWindow()
{
    // From here on no box may open: waiting for the worker delivers queued
    // calls, and a failure box among them would open inside this destructor.
    MessageBoxes::setShuttingDown(true);
    m_tickTimer->stop();
    shutDownSerialSide();
    m_paramFile.reset();
    m_oneKeyPage.reset();
    m_sdoDebugPage.reset();
    m_ioPage.reset();
    m_pdoPage.reset();
    m_programPage.reset();
    m_modeControlPage.reset();
    m_basicParamPage.reset();
    delete uartCfgDialog;
    delete ui;
}

void MainWindow::createSerialSide()
{
    setPortOpen(false);
    m_cfg = comcfg_t();  // 256000, 8 data bits, no parity, one stop bit, no flow control
    uartCfgDialog = new uartCfg;
    // Closing the main window ends the tool even while the settings dialog is open.
    uartCfgDialog->setAttribute(Qt::WA_QuitOnClose, false);
    uartCfgDialog->setConfig(m_cfg);
    connect(uartCfgDialog, &uartCfg::setUart, this, &MainWindow::setCurrentUartCfg1);
    connect(uartCfgDialog, &uartCfg::setUartFinish, this, &MainWindow::setCurrentUartCfg);

    startLinkWorker(m_cfg);
    setFrameSink(this);
    SdoClient::setLinkChangeHandler(
        [](void *window) {
            QMetaObject::invokeMethod(static_cast<MainWindow *>(window), &MainWindow::wakeTickLoop,
                                      Qt::QueuedConnection);
        },
        this);
}

void MainWindow::startLinkWorker(const comcfg_t &cfg)
{
    if (cfg.linkKind == LinkCan)
        m_worker = new CanWorker(cfg);
    else
        m_worker = new uartWork(cfg);
    workerThread = m_worker->workThread();
    // Queued like readyread and emitted just before it, so it arrives first.
    connect(m_worker, &LinkWorker::receiveTimes, this,
            [this](const QVector<quint32> &endsAndTicks) { m_log.setReceiveTimes(endsAndTicks); },
            Qt::QueuedConnection);
    connect(m_worker, &LinkWorker::readyread, this, &MainWindow::readFromCom, Qt::QueuedConnection);
    connect(m_worker, &LinkWorker::openError, this, &MainWindow::openSucess, Qt::QueuedConnection);
    connect(m_worker, &LinkWorker::errOccurred, this, &MainWindow::errorOccurred, Qt::QueuedConnection);
    connect(this, &MainWindow::sendData2Uart, m_worker, &LinkWorker::writeData, Qt::QueuedConnection);
    connect(this, &MainWindow::upCfg2Uart, m_worker, &LinkWorker::updateComCfg, Qt::QueuedConnection);
    connect(this, &MainWindow::startWork, m_worker, &LinkWorker::updateComCfg, Qt::QueuedConnection);
    connect(this, &MainWindow::closeUart, m_worker, &LinkWorker::stopThread, Qt::QueuedConnection);
}

// A configuration of the other kind of link: the present worker closes its
// link and ends before the other kind's worker starts, so that only one
// thread ever steps the SDO engine.  The link is replaced without a report,
// as a serial port is closed and reopened with a new configuration.
void MainWindow::useLinkKindOf(const comcfg_t &cfg)
{
    if (!m_worker || m_worker->linkKind() == cfg.linkKind)
        return;
    disconnect(m_worker, nullptr, this, nullptr);
    disconnect(this, nullptr, m_worker, nullptr);
    if (m_worker->shutdown(1000))
        delete m_worker;
    else
        qWarning() << "link worker did not stop in time";
    m_worker = nullptr;
    workerThread = nullptr;
    setPortOpen(false);
    startLinkWorker(cfg);
}

void MainWindow::shutDownSerialSide()
{
    if (!m_worker)
        return;
    // No frame may start towards the log once the window is going away, and
    // the worker's last reports have nobody left to read them.
    m_closing.store(true);
    SdoClient::setLinkChangeHandler(nullptr, nullptr);
    disconnect(m_worker, nullptr, this, nullptr);
    // Detached before the wait: a worker that does not stop in time must not
    // keep a way into this window.
    setFrameSink(nullptr);
    if (m_worker->shutdown(1000)) {
        delete m_worker;
    } else {
        qWarning() << "serial worker did not stop in time";
    }
    m_worker = nullptr;
    workerThread = nullptr;
}

int MainWindow::nodeAddress() const
{
    return ui->common_spinBox_device_addr->value();
}

void MainWindow::setNodeAddress(int node)
{
    ui->common_spinBox_device_addr->setValue(node & 0xFF);
}

void MainWindow::openPortAtStart(const QString &portName, uint32_t baudRate)
{
    comcfg_t cfg = m_cfg;
    cfg.linkKind = LinkSerial;
    cfg.portName = portName;
    cfg.portNumber = portNumberFromName(portName);
    cfg.baudRate = baudRate;
    openLinkAtStart(cfg);
}

void MainWindow::openLinkAtStart(const comcfg_t &cfg)
{
    uartCfgDialog->setConfig(cfg);
    setCurrentUartCfg(cfg);
}

void MainWindow::handleResults(const QString &result)
{
    Q_UNUSED(result);
}

// ---- frames out -----------------------------------------------------------

bool MainWindow::portIsOpen() const
{
    return isPortOpen() && !m_closing.load(std::memory_order_relaxed);
}

void MainWindow::frameOut(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    writeData(copy.data(), copy.size());
    // The log waits for the GUI thread; when the engine is stepped in the GUI
    // thread itself (tests) a blocking connection would deadlock, so log directly.
    if (QThread::currentThread() == thread()) {
        Display_textBrowser_2(bytes, uint32_t(bytes.size()));
    } else {
        m_framesToLog.fetch_add(1, std::memory_order_release);
        emit Display_textBrowser_send(bytes, uint32_t(bytes.size()));
    }
}

void MainWindow::writeData(char *data, int size)
{
    if (!data || size < 1)
        return;
    emit sendData2Uart(QByteArray(data, size));
}

// ---- serial side ------------------------------------------------------------

void MainWindow::setPortOpen(bool open)
{
    m_portOpen.store(open, std::memory_order_relaxed);
}

void MainWindow::showPortOpened()
{
    m_log.appendText(QStringLiteral("\r\n"));
    m_log.appendText(tr("串口打开成功"));
    setPortOpen(true);
    portStateLabel->setText(QStringLiteral("Open"));
    m_log.appendText(QStringLiteral("\r\n"));
    updatePortUi();
}

void MainWindow::openSucess(bool open)
{
    if (open) {
        showPortOpened();
        return;
    }
    m_log.appendText(QStringLiteral("\r\n"));
    m_log.appendText(QStringLiteral("\r\n") + tr("串口关闭成功"));
    setPortOpen(false);
    portStateLabel->setText(QStringLiteral("Close"));
    m_log.appendText(QStringLiteral("\r\n"));
    updatePortUi();
}

void MainWindow::errorOccurred(const QString &msg)
{
    if (!msg.isEmpty()) {
        m_log.appendText(QStringLiteral("\r\n") + msg + QStringLiteral("\r\n"));
        setPortOpen(false);
        MessageBoxes::post(MessageBoxes::Kind::Warning, QString(), msg);
    }
    updatePortUi();
}

void MainWindow::updatePortUi()
{
    const bool open = isPortOpen();
    ui->actionComOpen->setText(open ? tr("关闭串口") : tr("打开串口"));
    m_statusPanel.hideUnusedTerminals();
    m_basicParamPage->setBasicParamPageDisabled(!open);
    m_modeControlPage->setModeControlPageDisabled(!open);
    setIoPageDisabled(!open);
    setPdoPageDisabled(!open);
    setProgramPageDisabled(!open, false);
    setSdoDebugPageDisabled(!open);
    setOneKeyPageDisabled(!open);
    if (open)
        m_programPage->showProgramStatus(QStringLiteral("空闲"));
    if (!open) {
        SdoClient::clearLinkAlive();
        m_oneKeyPage->endRunOnPortClosed();
        setPageTabsLocked(false);
    }
    wakeTickLoop();
}

void MainWindow::setCurrentUartCfg1(comcfg_t cfg)
{
    m_cfg = cfg;
    portLabel->setText(linkLabelText(m_cfg));
}

void MainWindow::setCurrentUartCfg(comcfg_t cfg)
{
    m_cfg = cfg;
    useLinkKindOf(cfg);
    m_worker->stageConfig(cfg);
    emit upCfg2Uart(cfg);
    showPortOpened();
    portLabel->setText(linkLabelText(m_cfg));
}

void MainWindow::readFromCom(QByteArray data)
{
    m_log.logReceive(data);
}

void MainWindow::Display_textBrowser_2(const QByteArray &data, uint32_t count)
{
    m_framesToLog.load(std::memory_order_acquire);
    m_log.logTransmit(data, count);
}

void MainWindow::on_BtnClear_clicked()
{
    m_log.clear();
}

void MainWindow::on_Btn_save_data_clicked()
{
    m_log.saveToFile(this);
}

// ---- menus ------------------------------------------------------------------

void MainWindow::on_actionComCfg_triggered()
{
    if (uartCfgDialog->isVisible())
        uartCfgDialog->hide();
    uartCfgDialog->show();
    uartCfgDialog->raise();
    uartCfgDialog->activateWindow();
}

void MainWindow::on_actionComOpen_triggered()
{
    if (isPortOpen()) {
        emit closeUart();
    } else {
        useLinkKindOf(m_cfg);
        m_worker->stageConfig(m_cfg);
        emit upCfg2Uart(m_cfg);
    }
}

void MainWindow::on_actionExit_triggered()
{
    QCoreApplication::exit(0);
}

void MainWindow::on_actionHomepage_triggered()
{
    QDesktopServices::openUrl(QUrl(ui->actionHomepage->text().startsWith(QLatin1String("http"))
                                       ? ui->actionHomepage->text()
                                       : QStringLiteral("http://") + ui->actionHomepage->text()));
}

void MainWindow::on_actionAuto_triggered()
{
    m_autoRefresh = true;
    wakeTickLoop();
    ui->actionAuto->setChecked(true);
    ui->actionManual->setChecked(false);
}

void MainWindow::on_actionManual_triggered()
{
    m_autoRefresh = false;
    ui->actionAuto->setChecked(false);
    ui->actionManual->setChecked(true);
}

void MainWindow::applyModel(uint32_t model)
{
    m_model = model & 0xFFFF;
    const bool orca = m_model == 1;
    ui->actionLynx42->setChecked(!orca);
    ui->actionOrca57->setChecked(orca);
    m_basicParamPage->applyCurrentRange(m_model);
}

// The model is re-applied every time (the phase-current editor goes back to
// the model's default); the file is rewritten only when the value changes.
void MainWindow::on_actionLynx42_triggered()
{
    const bool changed = m_model != 0;
    applyModel(0);
    if (changed)
        writeSettingsFile();
    qDebug() << "on_actionLynx42_triggered";
}

void MainWindow::on_actionOrca57_triggered()
{
    const bool changed = m_model != 1;
    applyModel(1);
    if (changed)
        writeSettingsFile();
    qDebug() << "on_actionOrca57_triggered";
}

void MainWindow::loadLanguage(uint32_t language)
{
    m_language = language;
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator);
        delete m_translator;
    }
    m_translator = new QTranslator(this);
    const bool english = language == 1;
    ui->action_English->setChecked(english);
    ui->action_Chinese->setChecked(!english);
    // Installed even when loading failed: it then translates nothing.
    m_translator->load(english ? QStringLiteral(":/language/lang_en.qm") : QStringLiteral(":/language/lang_zh_CN.qm"));
    QCoreApplication::installTranslator(m_translator);
    ui->retranslateUi(this);
    m_statusPanel.retranslate();
    if (m_ioPage)
        m_ioPage->retranslate();
    if (m_sdoDebugPage)
        m_sdoDebugPage->retranslate();
    if (m_pdoPage)
        m_pdoPage->retranslate();
    if (m_programPage)
        m_programPage->retranslate();
    if (m_oneKeyPage)
        m_oneKeyPage->retranslate();
}

void MainWindow::on_action_English_triggered()
{
    const bool changed = m_language != 1;
    loadLanguage(1);
    if (changed)
        writeSettingsFile();
    qDebug() << "on_action_English_triggered";
}

void MainWindow::on_action_Chinese_triggered()
{
    const bool changed = m_language != 0;
    loadLanguage(0);
    if (changed)
        writeSettingsFile();
    qDebug() << "on_action_Chinese_triggered";
}

bool MainWindow::readSettingsFile()
{
    SettingsFile::Values values;
    const bool read = SettingsFile::readSettingsFile(SettingsFile::defaultPath(), values);
    m_model = values.model;
    m_language = values.language;
    return read;
}

void MainWindow::writeSettingsFile()
{
    // A file that cannot be written is passed over; the menus keep their new state.
    SettingsFile::writeSettingsFile(SettingsFile::defaultPath(), ui->actionOrca57->isChecked(),
                                    ui->action_English->isChecked());
}

// ---- the pages' enable states -----------------------------------------------

void MainWindow::setIoPageDisabled(bool disabled) { m_ioPage->setIoPageDisabled(disabled); }
void MainWindow::setPdoPageDisabled(bool disabled) { m_pdoPage->setPdoPageDisabled(disabled); }
void MainWindow::setProgramPageDisabled(bool disabled, bool running)
{
    m_programPage->setProgramPageDisabled(disabled, running);
}
void MainWindow::setSdoDebugPageDisabled(bool disabled) { m_sdoDebugPage->setSdoDebugPageDisabled(disabled); }
void MainWindow::setOneKeyPageDisabled(bool disabled) { m_oneKeyPage->setOneKeyPageDisabled(disabled); }
void MainWindow::setPageTabsLocked(bool locked) { m_oneKeyPage->setPageTabsLocked(locked); }

void MainWindow::showSdoDebugTab()
{
    if (ui->tabWidget->indexOf(ui->tab_6) >= 0)
        return;
    ui->tabWidget->insertTab(ui->tabWidget->indexOf(ui->tab_5) + 1, ui->tab_6, tr("CAN调试"));
}
