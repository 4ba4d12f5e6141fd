#include "MouseMoveRouter.h"

#include <QMouseEvent>
#include <QWidget>

namespace app {

void MouseMoveRouter::watch(QWidget *widget, Handler handler)
{
    m_handlers.insert(widget, std::move(handler));
    widget->setMouseTracking(true);
    // Buttons and frames ignore moves without a pressed button, which would
    // hand each move on to the parent's handler as well.
    widget->setAttribute(Qt::WA_NoMousePropagation);
    widget->installEventFilter(this);
}

void MouseMoveRouter::leaveAlone(QWidget *widget)
{
    widget->setAttribute(Qt::WA_NoMousePropagation);
}

bool MouseMoveRouter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        const auto handler = m_handlers.constFind(watched);
        if (handler != m_handlers.constEnd())
            (*handler)(*static_cast<QMouseEvent *>(event));
    }
    return false;
}

} // namespace app
