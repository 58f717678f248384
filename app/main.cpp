// Start-up: parse the command line, then either build the window and run the
// event loop, or commission a drive without a window.

#include "app/headlesscommissioning.h"
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

void installTerminationHandlers(QObject *parent, int exitCode)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [notifier, exitCode]() {
        notifier->setEnabled(false);
        char byte;
        [[maybe_unused]] ssize_t n = ::read(g_signalPipe[1], &byte, 1);
        QCoreApplication::exit(exitCode);
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
    bool headless = false;
    HeadlessOptions commissioning;
    bool linkGiven = false;  // --port or --can: the link opened at start-up
    comcfg_t link;
};

const char kDescription[] =
    "Commissioning tool for CANopen stepper drives (CiA 402).\n"
    "\n"
    "Without a window (no display needed):\n"
    "  axiscope-corvex --port P [--baud B] --node N --read-config FILE.xml [--groups LIST]\n"
    "  axiscope-corvex --port P [--baud B] --node N --write-config FILE.xml [--groups LIST] [--store]\n"
    "  (--can PLUGIN:INTERFACE [--bitrate N] in place of --port and --baud: over a CAN interface)\n"
    "--read-config runs the one-key read of the chosen groups and the operating mode\n"
    "and writes every page's values to FILE.xml. --write-config imports FILE.xml (as the\n"
    "import button does) and runs the one-key configure; with --store the drive is then\n"
    "told to store its parameters (0x2010 = 2) and its answer awaited.\n"
    "LIST: comma-separated, any of basic, mode-group1, homing, io, pdo (default: all).\n"
    "Progress goes to stderr, one line as each group starts and ends, with the\n"
    "progress bar's percentage.\n"
    "Exit status: 0 success; 1 the port cannot be opened or the drive failed (the line\n"
    "names the group and direction); 2 bad arguments, or a file that cannot be read, is\n"
    "not well-formed XML or has damaged entries or pages (nothing is sent then), or a\n"
    "file that cannot be written.";

void fail(const char *format, const QString &value = QString())
{
    std::fprintf(stderr, "axiscope-corvex: ");
    std::fprintf(stderr, format, value.toUtf8().constData());
    std::fprintf(stderr, "\n");
    std::exit(2);
}

void parseCommissioning(const QCommandLineParser &parser, Options &options, const QCommandLineOption &readOption,
                        const QCommandLineOption &writeOption, const QCommandLineOption &groupsOption,
                        const QCommandLineOption &storeOption, const QCommandLineOption &nodeOption)
{
    const bool read = parser.isSet(readOption);
    const bool write = parser.isSet(writeOption);
    options.headless = read || write;
    if (!options.headless) {
        if (parser.isSet(groupsOption) || parser.isSet(storeOption))
            fail("--groups and --store need --read-config or --write-config");
        return;
    }
    if (read && write)
        fail("--read-config and --write-config cannot be given together");
    if (read && parser.isSet(storeOption))
        fail("--store goes with --write-config only");
    if (options.sdoDebug)
        fail("--sdo-debug needs the window; it cannot go with %s", QLatin1String(read ? "--read-config" : "--write-config"));
    if (!options.linkGiven)
        fail("%s needs --port or --can", QLatin1String(read ? "--read-config" : "--write-config"));
    // A configure run must not go to whichever drive answers by default.
    if (!parser.isSet(nodeOption))
        fail("%s needs --node", QLatin1String(read ? "--read-config" : "--write-config"));
    HeadlessOptions &c = options.commissioning;
    c.direction = read ? HeadlessOptions::Direction::Read : HeadlessOptions::Direction::Write;
    c.file = parser.value(read ? readOption : writeOption);
    if (c.file.trimmed().isEmpty())
        fail("%s needs a file name", QLatin1String(read ? "--read-config" : "--write-config"));
    c.link = options.link;
    c.port = options.link.linkKind == LinkCan ? linkLabelText(options.link) : options.port;
    c.baud = options.baud;
    c.node = options.node;
    c.store = parser.isSet(storeOption);
    if (parser.isSet(groupsOption)) {
        QString error;
        if (!HeadlessCommissioning::parseGroups(parser.value(groupsOption), c.groups, error))
            fail("invalid --groups: %s (expected basic, mode-group1, homing, io, pdo)", error);
    }
}

// Exits with status 2 and a message on stderr for a value it cannot use.
Options parseCommandLine(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
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
    const QCommandLineOption readOption(QStringLiteral("read-config"),
                                        QStringLiteral("Read the drive into FILE.xml, without a window."),
                                        QStringLiteral("FILE.xml"));
    const QCommandLineOption writeOption(QStringLiteral("write-config"),
                                         QStringLiteral("Configure the drive from FILE.xml, without a window."),
                                         QStringLiteral("FILE.xml"));
    const QCommandLineOption groupsOption(
        QStringLiteral("groups"), QStringLiteral("Groups of a --read-config or --write-config run: any of basic, "
                                                 "mode-group1, homing, io, pdo, comma-separated (default: all)."),
        QStringLiteral("LIST"));
    const QCommandLineOption storeOption(QStringLiteral("store"),
                                         QStringLiteral("After --write-config, store the drive's parameters."));
    parser.addOption(portOption);
    parser.addOption(baudOption);
    parser.addOption(nodeOption);
    parser.addOption(sdoDebugOption);
    parser.addOption(readOption);
    parser.addOption(writeOption);
    parser.addOption(groupsOption);
    parser.addOption(storeOption);
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
    parseCommissioning(parser, options, readOption, writeOption, groupsOption, storeOption, nodeOption);
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    // Commissioning without a window needs no display: unless told otherwise
    // the platform is the offscreen one (chosen before the application exists).
    if (HeadlessCommissioning::requested(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("axiscope-corvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.00"));
    const Options options = parseCommandLine(app);

#ifdef Q_OS_UNIX
    // A run without a window that is ended by a signal has not succeeded.
    installTerminationHandlers(&app, options.headless ? HeadlessCommissioning::DriveFailed : 0);
#endif
    if (options.headless)
        return HeadlessCommissioning(options.commissioning).exec();

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
