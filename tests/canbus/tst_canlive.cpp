// The tool live over a CAN interface: drive-sim as a process on a virtualcan
// bus of the test's own (started first, drive-sim holds the bus), the
// window's own tick loop and CAN worker.  Saves build/screens/virtualcan.png.

#include "app/mainwindow.h"
#include "app/messageboxes.h"
#include "pages/basicparampage.h"
#include "serial/linkworker.h"
#include "tests/support/canbuspeer.h"
#include "tests/support/drivesimprocess.h"
#include "tests/support/eventwait.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>
#include <QtTest>

namespace {
QStringList g_qtWarnings;
QtMessageHandler g_previousHandler = nullptr;

void collectWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg)
        g_qtWarnings << message;
    if (g_previousHandler && type != QtDebugMsg)
        g_previousHandler(type, context, message);
}

comcfg_t canConfig(quint16 port)
{
    comcfg_t cfg;
    cfg.linkKind = LinkCan;
    cfg.canPlugin = QStringLiteral("virtualcan");
    cfg.canInterface = virtualCanInterface(port);
    return cfg;
}

QString labelText(MainWindow &w, const char *name)
{
    return w.findChild<QLabel *>(QLatin1String(name))->text();
}

// The requests drive-sim's --log recorded ("ms Q hex"), as their hex.
QStringList requestsLogged(const QString &path)
{
    QFile file(path);
    QStringList requests;
    if (!file.open(QIODevice::ReadOnly))
        return requests;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() > 2 && parts[1] == "Q")
            requests << QString::fromLatin1(line.mid(parts[0].size() + 3));
    }
    return requests;
}
} // namespace

class CanLiveTest : public QObject {
    Q_OBJECT

    QString m_screens;
    QStringList m_boxes;

private slots:
    void initTestCase()
    {
        m_screens = QStringLiteral(SCREENS_DIR);
        QDir().mkpath(m_screens);
        MessageBoxes::setRecorder([this](MessageBoxes::Kind kind, const QString &title, const QString &text) {
            m_boxes << QStringLiteral("%1|%2|%3").arg(kind == MessageBoxes::Kind::Warning ? "warning" : "information",
                                                      title, text);
        });
    }
    void init() { m_boxes.clear(); }
    void cleanupTestCase() { MessageBoxes::setRecorder({}); }

    void openPollReadWriteAndLoseTheBus()
    {
        const quint16 port = freeTcpPort();
        const QString target = QStringLiteral("virtualcan:") + virtualCanInterface(port);
        auto sim = std::make_unique<DriveSimProcess>(QStringList{QStringLiteral("--can"), target});
        QVERIFY(sim->isRunning());
        QCOMPARE(sim->slavePath(), target);  // its first line names the bus, once connected
        sim->command(QStringLiteral("set 6064 3039"));
        sim->command(QStringLiteral("set 2005 16"));

        auto *w = new MainWindow;
        w->resize(1380, 780);
        w->show();
        w->openLinkAtStart(canConfig(port));
        QCOMPARE(w->worker()->linkKind(), LinkCan);
        QCOMPARE(labelText(*w, "portLabel"), QStringLiteral("virtualcan:tcp://127.0.0.1:%1/can0,500k").arg(port));
        QVERIFY(waitUntil([&]() { return labelText(*w, "linkLabel") == QStringLiteral("Connection status: ON"); }, 3000));
        QCOMPARE(labelText(*w, "portStateLabel"), QStringLiteral("Open"));

        // The status rotation goes round and follows the drive.
        auto *position = w->findChild<QLineEdit *>(QStringLiteral("common_tw2_tab22_lineEdit_6064"));
        QVERIFY(waitUntil([&]() { return position->text() == QStringLiteral("12345"); }, 3000));
        sim->command(QStringLiteral("set 6064 FFFFFF85"));
        QVERIFY(waitUntil([&]() { return position->text() == QStringLiteral("-123"); }, 3000));

        // Page 1 reads, then writes a changed phase current.
        w->findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(0);
        w->findChild<QPushButton *>(QStringLiteral("t1_g1_pushButton_1_read_param"))->click();
        BasicParamPage &page = w->basicParamPage();
        QVERIFY(waitUntil([&]() { return w->pageJobs().pageJobResult == 1 || !m_boxes.isEmpty(); }, 5000));
        QCOMPARE(m_boxes, QStringList());
        QCOMPARE(page.rowItem(1, 2)->text(1), QStringLiteral("22"));
        auto *tree = w->findChild<QTreeWidget *>(QStringLiteral("t1_treeWidget"));
        QVERIFY(tree);
        qobject_cast<QSpinBox *>(tree->itemWidget(page.rowItem(1, 2), 2))->setValue(12);
        w->findChild<QPushButton *>(QStringLiteral("t1_g1_pushButton_2_download_param"))->click();
        QVERIFY(waitUntil([&]() { return w->pageJobs().pageJobResult == 101 || !m_boxes.isEmpty(); }, 5000));
        QCOMPARE(m_boxes, QStringList());
        QCOMPARE(sim->get(0x2005), 12u);
        QVERIFY(waitUntil([&]() { return w->pageJobs().pageJobBusy == 0; }, 2000));
        w->findChild<QTabWidget *>(QStringLiteral("tabWidget_2"))->setCurrentIndex(0);
        QApplication::processEvents();
        QVERIFY(w->grab().save(m_screens + QStringLiteral("/virtualcan.png")));

        // drive-sim held the bus: with it the interface goes, as an unplugged adapter does.
        sim.reset();
        QVERIFY(waitUntil([&]() { return !m_boxes.isEmpty(); }, 3000));
        QCOMPARE(m_boxes, QStringList{QStringLiteral("warning||CAN接口已断开!")});
        QVERIFY(w->trafficLog().text().contains(QStringLiteral("CAN接口已断开!")));
        QVERIFY(!w->isPortOpen());
        QCOMPARE(labelText(*w, "portStateLabel"), QStringLiteral("Close"));
        QVERIFY(waitUntil([&]() { return labelText(*w, "linkLabel") == QStringLiteral("Connection status: OFF"); }, 1000));
        QVERIFY(!w->findChild<QPushButton *>(QStringLiteral("t1_g1_pushButton_1_read_param"))->isEnabled());

        // Exit: prompt, with the worker's thread ended and no Qt warning.
        QThread *thread = w->worker()->workThread();
        QVERIFY(thread->isRunning());
        g_qtWarnings.clear();
        g_previousHandler = qInstallMessageHandler(collectWarnings);
        QElapsedTimer clock;
        clock.start();
        delete w;
        const qint64 exitMs = clock.elapsed();
        qInstallMessageHandler(g_previousHandler);
        QVERIFY2(g_qtWarnings.isEmpty(), qPrintable(g_qtWarnings.join(QLatin1Char('\n'))));
        QVERIFY2(exitMs < 1000, qPrintable(QString::number(exitMs)));
    }

    // Another node's heartbeat every millisecond on the bus while page 1
    // reads: every answer is found, nothing is asked twice, no failure box,
    // and the data window shows the heartbeats.
    void heartbeatFloodWhileAPageReads()
    {
        QTemporaryDir dir;
        const QString simLog = dir.filePath(QStringLiteral("drive-sim.log"));
        const quint16 port = freeTcpPort();
        const QString target = QStringLiteral("virtualcan:") + virtualCanInterface(port);
        DriveSimProcess sim({QStringLiteral("--can"), target, QStringLiteral("--heartbeat"), QStringLiteral("1"),
                             QStringLiteral("--log"), simLog});
        QVERIFY(sim.isRunning());
        sim.command(QStringLiteral("set 2005 17"));
        sim.command(QStringLiteral("set 2041 7"));

        MainWindow w;
        w.resize(1380, 780);
        w.show();
        w.on_actionManual_triggered();  // only the page talks to the drive
        w.openLinkAtStart(canConfig(port));
        QVERIFY(waitUntil([&]() { return w.isPortOpen(); }, 2000));
        const QString heartbeat = QStringLiteral("00 00 00 07 05 01 05 ");
        QVERIFY(waitUntil([&]() { return w.trafficLog().text().count(heartbeat) >= 50; }, 3000));

        w.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(0);
        w.findChild<QPushButton *>(QStringLiteral("t1_g1_pushButton_1_read_param"))->click();
        QVERIFY(waitUntil([&]() { return w.pageJobs().pageJobResult == 1 || !m_boxes.isEmpty(); }, 8000));
        QCOMPARE(m_boxes, QStringList());
        QCOMPARE(w.basicParamPage().rowItem(1, 2)->text(1), QStringLiteral("23"));
        QCOMPARE(w.basicParamPage().rowItem(2, 2)->text(1), QStringLiteral("7"));
        const QStringList requests = requestsLogged(simLog);
        QCOMPARE(requests.size(), 11);
        QCOMPARE(QSet<QString>(requests.begin(), requests.end()).size(), 11);  // each asked once
        QVERIFY2(requests.first().startsWith(QStringLiteral("00 00 00 06 01 08 40 ")), qPrintable(requests.first()));

        // The heartbeats keep reaching the data window although the bus never falls quiet.
        w.on_BtnClear_clicked();
        QVERIFY(waitUntil([&]() { return w.trafficLog().text().contains(heartbeat); }, 1000));
    }
};

QTEST_MAIN(CanLiveTest)
#include "tst_canlive.moc"
