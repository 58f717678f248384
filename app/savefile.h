#pragma once
// Writing a whole file so that it is either complete or not there at all.

#include <QByteArray>
#include <QIODevice>
#include <QString>

// Writes `bytes` to a file beside `fileName` and renames it over `fileName`
// only when every byte was written: a full disk, a size limit or a vanished
// drive leaves an existing file as it was.  `mode` may add QIODevice::Text.
// Returns false on any failure.
bool saveFileAtomically(const QString &fileName, const QByteArray &bytes, QIODevice::OpenMode mode = {});
