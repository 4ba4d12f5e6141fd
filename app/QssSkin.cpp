#include "QssSkin.h"

#include "inventory/Instrumentation.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QWidget>

namespace app {

using inventory::Failure;

namespace {

// Qt's style sheet parser reports a sheet it cannot read only as a warning,
// when a widget using it is polished; catch that warning while a probe
// widget is polished and let every other message through.
QtMessageHandler previousHandler = nullptr;
bool parseFailed = false;

void noteParseFailure(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("Could not parse stylesheet"))) {
        parseFailed = true;
        return;
    }
    if (previousHandler)
        previousHandler(type, context, message);
}

bool qtCanParse(const QString &sheet)
{
    parseFailed = false;
    previousHandler = qInstallMessageHandler(noteParseFailure);
    {
        QWidget probe;
        probe.setStyleSheet(sheet);
        probe.ensurePolished();
    }
    qInstallMessageHandler(previousHandler);
    previousHandler = nullptr;
    return !parseFailed;
}

// True when nothing but comments and blanks is left: Qt takes such a sheet
// as "no sheet", which is no skin.
bool holdsNoRules(const QString &sheet)
{
    qsizetype i = 0;
    while (i < sheet.size()) {
        if (sheet.at(i).isSpace()) {
            ++i;
        } else if (sheet.mid(i, 2) == QLatin1String("/*")) {
            const qsizetype end = sheet.indexOf(QLatin1String("*/"), i + 2);
            if (end < 0)
                return true;
            i = end + 2;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

QString QssSkin::styleSheetFrom(const QByteArray &content, const QString &skinFile)
{
    const QString where = QDir::toNativeSeparators(skinFile);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString sheet = decoder(content);
    if (decoder.hasError() || content.contains('\0'))
        throw Failure(QStringLiteral("The skin file %1 is not UTF-8 text").arg(where));
    if (holdsNoRules(sheet))
        throw Failure(QStringLiteral("The skin file %1 holds no style rules").arg(where));
    if (!qtCanParse(sheet))
        throw Failure(QStringLiteral("The skin file %1 is not a valid style sheet").arg(where));
    return sheet;
}

void QssSkin::LoadSkin(const QString &skinFile, const QString &iniFileName)
{
    // A style sheet is one part; there is nothing for iniFileName to pick.
    Q_UNUSED(iniFileName);
    const QString where = QDir::toNativeSeparators(skinFile);
    QFile file(skinFile);
    const auto unreadable = [&] {
        return Failure(QStringLiteral("Cannot read the skin file %1: %2").arg(where, file.errorString()));
    };
    if (!file.open(QIODevice::ReadOnly))
        throw unreadable();
    const QByteArray content = file.read(MaxSkinFile + 1);
    if (file.error() != QFileDevice::NoError)
        throw unreadable();
    if (content.size() > MaxSkinFile)
        throw Failure(QStringLiteral("The skin file %1 is larger than %2 bytes").arg(where).arg(MaxSkinFile));
    m_sheet = styleSheetFrom(content, skinFile);
    m_loaded = true;
}

void QssSkin::setSwitch(int which, bool on)
{
    // A style sheet has nothing these switches turn on or off; they are
    // taken so that the window drives every skin layer the same way.
    Q_UNUSED(which);
    Q_UNUSED(on);
}

void QssSkin::ApplyWindow(QWidget &window)
{
    if (m_loaded)
        window.setStyleSheet(m_sheet);
}

} // namespace app
