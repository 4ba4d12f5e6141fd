// Opening a file by dropping it on the window: the window stays as it is and
// shows the file's machine after a refresh, as if the file had been given on
// the command line.
#include "Form1.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace app {

std::optional<QString> Form1::droppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return std::nullopt;
    return urls.front().toLocalFile();
}

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    // A file dropped during a scan would change the source under it.
    if (m_options.openFile && !m_scan.isRunning() && droppedFile(event->mimeData()))
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent *event)
{
    const std::optional<QString> file = droppedFile(event->mimeData());
    if (!m_options.openFile || m_scan.isRunning() || !file)
        return;
    event->acceptProposedAction();
    m_options.openFile(*file);
    PushButton1_Click();
}

} // namespace app
