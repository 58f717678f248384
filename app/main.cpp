// Start-up: parse the command line, build the window, run the event loop.

#include "app/linkoptions.h"
#include "app/mainwindow.h"
#include "serial/comcfg.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {


#ifdef Q_OS_UNIX
// SIGTERM/SIGINT end the event loop like "Exit": the handler only writes a
// byte, the loop notices it and quits, and the window's teardown closes the port.
int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[0], &byte, 1);
}

void installTerminationHandlers(QObject *parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [notifier]() {
        notifier->setEnabled(false);
        char byte;
        [[maybe_unused]] ssize_t n = ::read(g_signalPipe[1], &byte, 1);
        QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}
#endif

struct Options {
    QString port;
    uint32_t baud = 256000;
    int node = 1;
    bool sdoDebug = false;
    bool linkGiven = false;  // --port or --can: the link opened at start-up
    comcfg_t link;
};

// Exits with status 2 and a message on stderr for a value it cannot use.
Options parseCommandLine(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Commissioning tool for CANopen stepper drives (CiA 402)."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Open serial port NAME (COM3, ttyUSB0, /dev/pts/7) at start-up."),
                                        QStringLiteral("NAME"));
    const QCommandLineOption baudOption(QStringLiteral("baud"), QStringLiteral("Baud rate (default 256000)."),
                                        QStringLiteral("N"), QStringLiteral("256000"));
    const QCommandLineOption nodeOption(QStringLiteral("node"), QStringLiteral("Drive node number, 1 to 127 (default 1)."),
                                        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption sdoDebugOption(QStringLiteral("sdo-debug"),
                                            QStringLiteral("Show the SDO debug tab (raw object read and write)."));
    parser.addOption(portOption);
    parser.addOption(baudOption);
    parser.addOption(nodeOption);
    parser.addOption(sdoDebugOption);
    LinkOptions::addCanOptions(parser);
    if (!parser.parse(app.arguments())) {
        std::fprintf(stderr, "axiscope-corvex: %s\n", qPrintable(parser.errorText()));
        std::exit(2);
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "axiscope-corvex: unexpected argument '%s'\n",
                     qPrintable(parser.positionalArguments().first()));
        std::exit(2);
    }

    Options options;
    bool ok = false;
    const QString baudText = parser.value(baudOption);
    const uint baud = baudText.toUInt(&ok);
    if (!ok || baud == 0 || baud > kMaxBaudRate) {
        std::fprintf(stderr, "axiscope-corvex: invalid --baud '%s': expected a whole number from 1 to %u\n",
                     qPrintable(baudText), kMaxBaudRate);
        std::exit(2);
    }
    options.baud = baud;
    const QString nodeText = parser.value(nodeOption);
    const int node = nodeText.toInt(&ok);
    if (!ok || node < 1 || node > 127) {
        std::fprintf(stderr, "axiscope-corvex: invalid --node '%s': expected 1 to 127\n", qPrintable(nodeText));
        std::exit(2);
    }
    options.node = node;
    options.sdoDebug = parser.isSet(sdoDebugOption);
    if (parser.isSet(portOption)) {
        options.port = parser.value(portOption).trimmed();
        if (options.port.isEmpty()) {
            std::fprintf(stderr, "axiscope-corvex: --port needs a port name\n");
            std::exit(2);
        }
    }
    QString linkError;
    if (!LinkOptions::linkFromOptions(parser, options.port, options.baud, options.link, options.linkGiven, linkError)) {
        std::fprintf(stderr, "axiscope-corvex: %s\n", qPrintable(linkError));
        std::exit(2);
    }
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("axiscope-corvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.00"));
    const Options options = parseCommandLine(app);

#ifdef Q_OS_UNIX
    installTerminationHandlers(&app);
#endif

    MainWindow window;
    window.setNodeAddress(options.node);
    if (options.sdoDebug)
        window.showSdoDebugTab();
    window.show();
    if (options.linkGiven)
        window.openLinkAtStart(options.link);
    const int result = app.exec();
    return result;
}
