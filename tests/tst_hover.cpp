// Hover feedback: real mouse moves over the window's controls switch the
// pointer between the hand and the arrow, and never replace the hourglass.
// Moves go in through the window system interface, as the platform delivers
// them, and arrive before mouseMove() returns on any display.
#define QTEST_QPA_MOUSE_HANDLING

#include "support/CursorFiles.h"
#include "support/Fixtures.h"
#include "support/ShellWindow.h"

#include "app/FormLayout.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

using testing::FixtureTree;
using testing::ShellWindow;

namespace {

// A place the mouse can be: the widget that receives the move there and a
// point inside it.
struct Place
{
    QWidget *widget;
    QPoint point;
};

QPoint blankPointOf(QWidget *frame)
{
    // Frames have a margin right of their controls.
    return QPoint(frame->width() - 5, frame->height() / 2);
}

Place place(app::Form1 &form, const QString &name)
{
    if (name == QLatin1String("Form1")) {
        // Between the "Device List" and "Device properties:" frames.
        const double dpi = form.logicalDpi();
        return {&form, QPoint(app::FormLayout::pixels(4740, dpi), app::FormLayout::pixels(3000, dpi))};
    }
    if (name.startsWith(QLatin1String("Frame")))
        return {form.findChild<QGroupBox *>(name), blankPointOf(form.findChild<QGroupBox *>(name))};
    if (name == QLatin1String("lsvProperties"))
        return {form.lsvProperties->viewport(), form.lsvProperties->viewport()->rect().center()};
    if (name == QLatin1String("lsvProperties header"))
        return {form.lsvProperties->header()->viewport(), QPoint(20, form.lsvProperties->header()->height() / 2)};
    if (name == QLatin1String("trvComputer"))
        return {form.trvComputer->viewport(), form.trvComputer->viewport()->rect().center()};
    QWidget *control = form.findChild<QWidget *>(name);
    return {control, control ? control->rect().center() : QPoint()};
}

Qt::CursorShape shapeFor(int pointer)
{
    switch (pointer) {
    case app::Form1::PointerHourglass:
        return Qt::WaitCursor;
    case app::Form1::PointerCustom:
        return Qt::PointingHandCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// Moves the mouse there as the window system would, and checks that the move
// lands on the intended widget.
void moveTo(app::Form1 &form, const QString &name, QPoint nudge = QPoint())
{
    const Place where = place(form, name);
    QVERIFY2(where.widget, qPrintable(name));
    const QPoint inWindow = where.widget->mapTo(&form, where.point + nudge);
    QCOMPARE(form.childAt(inWindow) ? form.childAt(inWindow) : &form, where.widget);
    QTest::mouseMove(where.widget, where.point + nudge);
}

struct ShownWindow : ShellWindow
{
    explicit ShownWindow(const QString &programFolder = QString()) : ShellWindow(programFolder)
    {
        form->Form_Load();
        form->show();
        // On a real display the window takes a moment to appear; moves
        // before that are lost.
        exposed = QTest::qWaitForWindowExposed(form.get());
        // Qt drops a move to where the mouse already is; start each window
        // from its corner, away from every point the tests use.
        QTest::mouseMove(form.get(), QPoint(1, 1));
    }
    bool exposed = false;
};

} // namespace

class TestHover : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void movesFollowTheRule_data();
    void movesFollowTheRule();
    void hourglassStaysThroughASave();
    void pointerIsAssignedOnEveryMove();
    void handIsTheCursorFile();
};

void TestHover::movesFollowTheRule_data()
{
    // Each step: where the mouse moves, then the pointer mode it must show.
    QTest::addColumn<int>("start");
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("every button shows the hand")
        << 0 << QStringList{"PushButton1=99", "Form1=0", "PushButton2=99", "Form1=0", "PushButton3=99", "Form1=0",
                            "PushButton4=99"};
    QTest::newRow("surface, frames and list bring the arrow back")
        << 99 << QStringList{"Form1=0", "PushButton2=99", "Frame1=0", "PushButton2=99", "Frame2=0", "PushButton4=99",
                             "Frame3=0", "PushButton3=99", "lsvProperties=0", "PushButton3=99", "lsvProperties header=0"};
    QTest::newRow("a button inside a frame is no move over the frame")
        << 0 << QStringList{"Frame1=0", "PushButton1=99", "Frame1=0", "PushButton1=99"};
    QTest::newRow("tree, options and bar keep the hand")
        << 0 << QStringList{"PushButton1=99", "trvComputer=99", "PushButton4=99", "prbDetecting=99", "PushButton3=99",
                            "Option1=99", "Option2=99", "Frame3=0"};
    QTest::newRow("tree, options and bar keep the arrow")
        << 99 << QStringList{"Frame1=0", "trvComputer=0", "Form1=0", "prbDetecting=0", "Frame3=0", "Option2=0"};
}

void TestHover::movesFollowTheRule()
{
    QFETCH(int, start);
    QFETCH(QStringList, steps);
    ShownWindow w;
    QVERIFY(w.exposed);
    w.form->setMousePointer(start);
    for (const QString &step : steps) {
        const QString name = step.section(QLatin1Char('='), 0, 0);
        const int expected = step.section(QLatin1Char('='), 1).toInt();
        moveTo(*w.form, name);
        QVERIFY2(w.form->MousePointer() == expected,
                 qPrintable(QStringLiteral("after %1: %2").arg(step).arg(w.form->MousePointer())));
        // What the user sees there is the window's pointer.
        QCOMPARE(place(*w.form, name).widget->cursor().shape(), shapeFor(expected));
    }
}

void TestHover::hourglassStaysThroughASave()
{
    ShownWindow w;
    const QStringList everywhere{"PushButton1", "PushButton2", "PushButton3", "PushButton4", "Form1", "Frame1",
                                 "Frame2", "Frame3", "lsvProperties", "trvComputer", "Option1", "prbDetecting"};
    moveTo(*w.form, QStringLiteral("PushButton2"));
    // A save starts: the hourglass, while events keep running.
    w.form->setMousePointer(app::Form1::PointerHourglass);
    for (const QString &name : everywhere) {
        moveTo(*w.form, name);
        QCOMPARE(w.form->MousePointer(), app::Form1::PointerHourglass);
        QCOMPARE(place(*w.form, name).widget->cursor().shape(), Qt::WaitCursor);
    }
    // The save ends; the next moves decide again.
    w.form->setMousePointer(app::Form1::PointerDefault);
    moveTo(*w.form, QStringLiteral("PushButton3"));
    QCOMPARE(w.form->MousePointer(), app::Form1::PointerCustom);
    QCOMPARE(w.form->PushButton3->cursor().shape(), Qt::PointingHandCursor);
    moveTo(*w.form, QStringLiteral("Frame2"));
    QCOMPARE(w.form->MousePointer(), app::Form1::PointerDefault);
    QCOMPARE(w.form->Frame2->cursor().shape(), Qt::ArrowCursor);
}

void TestHover::pointerIsAssignedOnEveryMove()
{
    ShownWindow w;
    moveTo(*w.form, QStringLiteral("PushButton1"));
    QCOMPARE(w.form->MousePointer(), app::Form1::PointerCustom);
    // Something else changed the picture; the mode still says 99.
    w.form->setCursor(Qt::IBeamCursor);
    moveTo(*w.form, QStringLiteral("PushButton1"), QPoint(3, 1));
    QCOMPARE(w.form->cursor().shape(), Qt::PointingHandCursor);
}

void TestHover::handIsTheCursorFile()
{
    FixtureTree program;
    program.file(QStringLiteral("HAND-M.CUR"), testing::cursorFileBytes(6, 2));
    ShownWindow w(program.root());
    QVERIFY(w.fakes.messages.shown.empty());
    moveTo(*w.form, QStringLiteral("PushButton4"));
    QCOMPARE(w.form->MousePointer(), app::Form1::PointerCustom);
    const QCursor shown = w.form->PushButton4->cursor();
    QCOMPARE(shown.shape(), Qt::BitmapCursor);
    QCOMPARE(shown.hotSpot(), QPoint(6, 2));
    QCOMPARE(shown.pixmap().toImage(), w.form->MouseIcon()->pixmap().toImage());
    moveTo(*w.form, QStringLiteral("Frame3"));
    QCOMPARE(w.form->PushButton4->cursor().shape(), Qt::ArrowCursor);
}

QTEST_MAIN(TestHover)
#include "tst_hover.moc"
