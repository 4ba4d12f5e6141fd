#include "TreeClickFilter.h"

#include <QMouseEvent>
#include <QTreeWidget>

namespace app {

TreeClickFilter::TreeClickFilter(QTreeWidget *tree, std::function<void()> click)
    : QObject(tree)
    , m_click(std::move(click))
{
    tree->viewport()->installEventFilter(this);
}

bool TreeClickFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const auto *viewport = static_cast<QWidget *>(watched);
        // A disabled widget's filters still see its mouse events.
        if (mouse->button() == Qt::LeftButton && viewport->isEnabled()
            && viewport->rect().contains(mouse->position().toPoint()))
            m_click();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace app
