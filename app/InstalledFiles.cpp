#include "InstalledFiles.h"

#include <QDir>
#include <QFileInfo>

namespace app {

namespace {

const QString HelpIndex = QStringLiteral("/help/index.html");
const QString ExampleSkin = QStringLiteral("/skins/x/o.cjs");

} // namespace

InstalledFiles::InstalledFiles(const QString &programFolder, const QString &installedFolder)
    : m_programFolder(programFolder)
    , m_installedFolder(installedFolder)
{
}

QString InstalledFiles::dataFolder() const
{
    const QString besideProgram =
        QDir::cleanPath(m_programFolder + QLatin1Char('/') + QStringLiteral(VANTORIX_DATA_FROM_PROGRAM));
    if (QFileInfo(besideProgram + HelpIndex).isFile())
        return besideProgram;
    if (!m_installedFolder.isEmpty() && QFileInfo(m_installedFolder + HelpIndex).isFile())
        return QDir::cleanPath(m_installedFolder);
    return besideProgram;
}

QString InstalledFiles::helpIndex() const
{
    return dataFolder() + HelpIndex;
}

QString InstalledFiles::exampleSkin() const
{
    return dataFolder() + ExampleSkin;
}

QUrl InstalledFiles::helpPage(const QString &onlineAddress) const
{
    if (!onlineAddress.isEmpty())
        return QUrl(onlineAddress);
    return QUrl::fromLocalFile(helpIndex());
}

QString InstalledFiles::describe(const QString &onlineAddress) const
{
    const QUrl help = helpPage(onlineAddress);
    return QStringLiteral("\nFiles:\n"
                          "  Help pages:    %1\n"
                          "  Example skin:  %2\n"
                          "                 (a skin is used where it is copied to %3)\n")
        .arg(help.isLocalFile() ? help.toLocalFile() : help.toString(), exampleSkin(),
             QDir::cleanPath(m_programFolder) + QStringLiteral("/x/o.cjs"));
}

} // namespace app
