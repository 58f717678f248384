#pragma once
// The link named on the command line: --port NAME [--baud N] for the serial
// adapter, or --can PLUGIN:INTERFACE [--bitrate N] for a CAN interface.
// Whatever the front end, MainWindow::openLinkAtStart opens the result.

#include "serial/comcfg.h"

class QCommandLineParser;

namespace LinkOptions {

// Adds --can and --bitrate; --port and --baud are the caller's.
void addCanOptions(QCommandLineParser &parser);

// The link the parsed options ask for, built on `cfg` (the serial
// settings): `port` and `baud` are --port's and --baud's checked values
// (`port` empty without --port).  `given` is false when no link was named.
// False, with a message for stderr, for options that cannot be used
// together or a plugin or interface that Qt's CAN bus does not know; the
// caller then exits with status 2.
bool linkFromOptions(const QCommandLineParser &parser, const QString &port, uint32_t baud, comcfg_t &cfg,
                     bool &given, QString &error);

} // namespace LinkOptions
