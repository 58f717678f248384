#include "app/settingsfile.h"

#include "app/savefile.h"
#include "paramfile/paramxml.h"

#include <QDebug>
#include <QFile>

namespace {

constexpr uint16_t kModelObject = 0x1000;
constexpr uint16_t kLanguageObject = 0x1001;
// The second name cannot be an element's, so only "page1" is ever read.
const char *const kSettingsPages[2] = {"page1", "------"};

} // namespace

namespace SettingsFile {

QString defaultPath() { return QStringLiteral(".//Config.xml"); }

bool readSettingsFile(const QString &path, Values &values)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QByteArray xml = file.readAll();
    file.close();
    const ParamXml::ReadResult read =
        ParamXml::read(xml, {QLatin1String(kSettingsPages[0]), QLatin1String(kSettingsPages[1])});
    if (!read.wellFormed)
        return false;
    for (const ParamEntry &e : read.entries) {
        if (e.index == kModelObject)
            values.model = e.value;
        else if (e.index == kLanguageObject)
            values.language = e.value;
    }
    return true;
}

bool writeSettingsFile(const QString &path, bool orca57, bool english)
{
    qDebug() << "WriteXml: 1"
             << "\r\n";
    qDebug() << "WriteXml: 2"
             << "\r\n";
    const ParamXml::Page page{QLatin1String(kSettingsPages[0]),
                              {{kModelObject, 0, orca57 ? 1u : 0u}, {kLanguageObject, 0, english ? 1u : 0u}}};
    const QByteArray document = ParamXml::write({page});
    qDebug() << "WriteXml: 4"
             << "\r\n";
    if (!saveFileAtomically(path, document))
        return false;
    qDebug() << "WriteXml: 5"
             << "\r\n";
    return true;
}

} // namespace SettingsFile
