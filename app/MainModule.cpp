#include "MainModule.h"

#include "Form1.h"

#include <QDateTime>
#include <QFileInfo>

namespace app::Main {

namespace {
constexpr qsizetype MaxTitleLength = 40;
QString &appTitle()
{
    static QString title = ProductName;
    return title;
}
} // namespace

bool FileExists(const QString &path) noexcept
{
    try {
        if (path.isEmpty())
            return false;
        const QFileInfo info(path);
        return info.exists() && info.lastModified().isValid();
    } catch (...) {
        return false;
    }
}

QString shortenedTitle(const QString &name)
{
    QString title = name;
    while (title.size() > MaxTitleLength) {
        const qsizetype blank = title.lastIndexOf(QLatin1Char(' '));
        if (blank < 0)
            break;
        title.truncate(blank);
    }
    return title;
}

void SetAppTitle()
{
    appTitle() = shortenedTitle(ProductName);
}

QString AppTitle()
{
    return appTitle();
}

void ApplySkin(Form1 &form)
{
    const QFileInfo skin(form.programFolder() + QStringLiteral("/x/o.cjs"));
    if (!skin.isFile())
        return;
    // The skin layer itself comes with its own change; until then a skin
    // file is left alone and the window keeps its designed look.
}

} // namespace app::Main
