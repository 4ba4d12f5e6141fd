#include "QtWindowServices.h"

#include "MainModule.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include <unistd.h>

namespace app {

std::unique_ptr<QMessageBox> QtMessageBox::box(const QString &text, int style, const std::optional<QString> &caption) const
{
    auto box = std::make_unique<QMessageBox>(style & Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                                             caption.value_or(Main::AppTitle()), QString(), QMessageBox::Ok, m_parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    return box;
}

void QtMessageBox::show(const QString &text, int style, const std::optional<QString> &caption)
{
    box(text, style, caption)->exec();
}

QString QtSaveDialog::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts.at(i);
        const QString pattern = parts.at(i + 1);
        if (description.isEmpty())
            continue;
        // Qt reads the patterns from the parentheses; add them when missing.
        entries.append(description.contains(QLatin1Char('(')) ? description
                                                              : description + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

void QtSaveDialog::ShowSave()
{
    const QString chosen = QFileDialog::getSaveFileName(m_parent, DialogTitle, FileName, qtFilter(Filter),
                                                        nullptr, QFileDialog::DontUseNativeDialog);
    if (!chosen.isEmpty())
        FileName = chosen;
}

void QtEventPump::pump()
{
    QCoreApplication::processEvents();
}

void QtProgramEnd::end()
{
    // Nothing is ever half-written (reports are written in one atomic call),
    // so the program may stop here, in the middle of any loop.
    ::_exit(0);
}

void QtUrlOpener::openUrl(const QUrl &address)
{
    // Qt hands the address to the desktop's handler, which starts the browser
    // detached; whether it worked is the browser's to say.
    QDesktopServices::openUrl(address);
}

} // namespace app
