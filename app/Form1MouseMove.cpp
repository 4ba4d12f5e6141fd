// The main window's mouse-move handlers: hover feedback on the pointer.
#include "Form1.h"

#include "MouseMoveRouter.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace app {

using MouseMove = void (Form1::*)(Qt::MouseButtons, Qt::KeyboardModifiers, qreal, qreal);

void Form1::connectMouseMoves()
{
    auto *router = new MouseMoveRouter(this);
    const auto route = [this, router](QWidget *widget, MouseMove handler) {
        router->watch(widget, [this, handler](const QMouseEvent &event) {
            (this->*handler)(event.buttons(), event.modifiers(), event.position().x(), event.position().y());
        });
    };
    route(this, &Form1::Form_MouseMove);
    route(Frame1, &Form1::Frame1_MouseMove);
    route(Frame2, &Form1::Frame2_MouseMove);
    route(Frame3, &Form1::Frame3_MouseMove);
    // The list's rows sit in its viewport, its column titles in the header's.
    route(lsvProperties, &Form1::lsvProperties_MouseMove);
    route(lsvProperties->viewport(), &Form1::lsvProperties_MouseMove);
    route(lsvProperties->header()->viewport(), &Form1::lsvProperties_MouseMove);
    route(PushButton1, &Form1::PushButton1_MouseMove);
    route(PushButton2, &Form1::PushButton2_MouseMove);
    route(PushButton3, &Form1::PushButton3_MouseMove);
    route(PushButton4, &Form1::PushButton4_MouseMove);
    // Moving over these keeps whatever pointer is showing.
    const QList<QWidget *> leftAlone{trvComputer, trvComputer->viewport(), Option1, Option2, prbDetecting};
    for (QWidget *control : leftAlone)
        MouseMoveRouter::leaveAlone(control);
}

// A save shows the hourglass and lets events run; only the save takes it away.
void Form1::hover(int pointer)
{
    if (MousePointer() == PointerHourglass)
        return;
    setMousePointer(pointer);
}

void Form1::PushButton1_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, qreal, qreal)
{
    hover(PointerCustom);
}

void Form1::PushButton2_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, qreal, qreal)
{
    hover(PointerCustom);
}

void Form1::PushButton3_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, qreal, qreal)
{
    hover(PointerCustom);
}

void Form1::PushButton4_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, qreal, qreal)
{
    hover(PointerCustom);
}

void Form1::Form_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, qreal, qreal)
{
    hover(PointerDefault);
}

void Form1::Frame1_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, qreal, qreal)
{
    hover(PointerDefault);
}

void Form1::Frame2_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, qreal, qreal)
{
    hover(PointerDefault);
}

void Form1::Frame3_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, qreal, qreal)
{
    hover(PointerDefault);
}

void Form1::lsvProperties_MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, qreal, qreal)
{
    hover(PointerDefault);
}

} // namespace app
