#pragma once

#include <QString>
#include <QUrl>

namespace app {

// The files installed with the program: the help pages and the example skin.
// They live in <prefix>/share/vantorix, found relative to the program so that
// an installed tree works under any prefix; a run from the build folder finds
// the build's mirror of the same layout.
class InstalledFiles
{
public:
    // installedFolder: where `cmake --install` put them, for a program that
    // was copied away from its tree.
    explicit InstalledFiles(const QString &programFolder,
                            const QString &installedFolder = QStringLiteral(VANTORIX_INSTALLED_DATADIR));

    // The folder beside the program when it holds the help pages, else the
    // installed folder when that does, else the one beside the program (so
    // what a missing page is reported against is where it belongs).
    QString dataFolder() const;
    QString helpIndex() const;
    QString exampleSkin() const;

    // What the Help button opens: the online address when the build set one,
    // else the installed help index as a file address.
    QUrl helpPage(const QString &onlineAddress) const;

    // The end of `--help`: where the help is and where the example skin lies.
    QString describe(const QString &onlineAddress) const;

private:
    QString m_programFolder;
    QString m_installedFolder;
};

} // namespace app
