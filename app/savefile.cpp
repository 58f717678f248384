#include "app/savefile.h"

#include <QSaveFile>

bool saveFileAtomically(const QString &fileName, const QByteArray &bytes, QIODevice::OpenMode mode)
{
    // Unbuffered, so that a short write shows in write()'s result: QSaveFile's
    // own buffer can lose a partial write at commit and rename a cut file over
    // the old one.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered | mode))
        return false;
    if (file.write(bytes) != bytes.size())
        return false;  // the temporary file is discarded with `file`
    return file.commit();
}
