#pragma once

#include <QHash>
#include <QObject>

#include <functional>

class QMouseEvent;
class QWidget;

namespace app {

// Runs a handler for every mouse move over a watched widget, buttons pressed
// or not. A move ends at the widget it was first delivered to, so a move over
// a button inside a frame never also counts as a move over the frame; the
// widget itself still sees the move.
class MouseMoveRouter : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(const QMouseEvent &event)>;

    explicit MouseMoveRouter(QObject *parent) : QObject(parent) {}
    void watch(QWidget *widget, Handler handler);
    // Moves over widget run no handler, not even a container's: Qt's option
    // buttons track the mouse themselves and would hand moves to their frame.
    static void leaveAlone(QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QHash<QObject *, Handler> m_handlers;
};

} // namespace app
