#include "MainModule.h"

#include "Form1.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>

namespace app::Main {

namespace {
constexpr qsizetype MaxTitleLength = 40;
constexpr qint32 SkinOptionFlag = 1;
const QString SkinFile = QStringLiteral("/x/o.cjs");
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
    // Without a program folder there is nowhere to look; never fall back to
    // the file system root or the current directory.
    if (form.programFolder().isEmpty())
        return;
    // A plain-file lookup: a folder of that name, or a link to nothing, is no skin.
    if (!QFileInfo(form.programFolder() + SkinFile).isFile())
        return;

    // The window and the controls that show its background take the system's
    // button face, before the skin layer sees the window.
    const QColor buttonFace = QGuiApplication::palette().color(QPalette::Button);
    setBackColor(form, buttonFace);
    for (QWidget *control : form.findChildren<QWidget *>()) {
        if (qobject_cast<QRadioButton *>(control) || qobject_cast<QCheckBox *>(control)
            || qobject_cast<QGroupBox *>(control) || qobject_cast<QLabel *>(control))
            setBackColor(*control, buttonFace);
    }

    SkinLayer &skin = form.SkinFramework1;
    skin.LoadSkin(form.programFolder() + SkinFile, QString());
    skin.setOptions(skin.Options() | SkinOptionFlag);
    skin.setSwitch(5, true);
    skin.setSwitch(10, true);
    skin.ApplyWindow(form);
}

void setBackColor(QWidget &widget, const QColor &colour)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Button, colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

} // namespace app::Main
