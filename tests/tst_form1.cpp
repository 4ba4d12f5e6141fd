// The main window: layout, captions, start-up order, the cursor file and
// closing, with recording fakes in place of every modal box.
#include "support/CursorFiles.h"
#include "support/Fakes.h"
#include "support/Fixtures.h"

#include "app/Form1.h"
#include "app/FormLayout.h"
#include "app/MainModule.h"
#include "inventory/Catalogue.h"
#include "inventory/MemorySource.h"

#include <QBuffer>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QImageWriter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <QtEndian>

#include <sys/stat.h>

using namespace inventory;

namespace {

struct Window
{
    testing::FakeServices fakes;
    MemorySource source;
    std::unique_ptr<app::Form1> form;

    explicit Window(const QString &programFolder = QString())
    {
        source.add(ComputerClass, QStringLiteral("DESK"));
        for (const QString &name : deviceCatalogue())
            source.addClass(name);
        source.add(QStringLiteral("Win32_Processor"), QStringLiteral("CPU"));
        form = std::make_unique<app::Form1>(fakes.services(), source.instrumentation(), app::Form1::Options{programFolder});
    }
};

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layoutFollowsTheTable();
    void captionsFontsAndState();
    void tabOrder();
    void startUpFillsTreeAndColumns();
    void cursorFile_data();
    void cursorFile();
    void optionalFilesComeFromProgramFolderOnly();
    void appTitleIsCutWordByWord();
    void framesAndOptionButtonsAreWhite();
    void wholeWindowIsCentred_data();
    void wholeWindowIsCentred();
    void closingNeverAsksAndEndsEvenDuringFirstScan();
};

void TestForm1::layoutFollowsTheTable()
{
    Window w;
    const double dpi = w.form->logicalDpi();
    QCOMPARE(app::FormLayout::pixels(app::FormLayout::ClientWidth, 96), 807);
    QCOMPARE(app::FormLayout::pixels(app::FormLayout::ClientHeight, 96), 564);
    QCOMPARE(w.form->size(), QSize(app::FormLayout::pixels(12105, dpi), app::FormLayout::pixels(8460, dpi)));
    QCOMPARE(w.form->minimumSize(), w.form->maximumSize()); // fixed size
    for (const app::ControlPlacement &p : app::FormLayout::controls()) {
        QWidget *control = w.form->findChild<QWidget *>(p.name);
        QVERIFY2(control, qPrintable(p.name));
        QCOMPARE(control->geometry(), app::FormLayout::pixels(p, dpi));
        const QString container = p.container.isEmpty() ? QStringLiteral("Form1") : p.container;
        QCOMPARE(control->parentWidget()->objectName(), container);
    }
    const Qt::WindowFlags flags = w.form->windowFlags();
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowSystemMenuHint);
}

void TestForm1::captionsFontsAndState()
{
    Window w;
    app::Form1 &f = *w.form;
    QCOMPARE(f.Frame1->title(), QStringLiteral("Device List"));
    QCOMPARE(f.Frame2->title(), QStringLiteral("Device properties:"));
    QCOMPARE(f.Frame3->title(), QStringLiteral("Save Options"));
    QCOMPARE(f.Option1->text(), QStringLiteral("Save Device List"));
    QCOMPARE(f.Option2->text(), QStringLiteral("Save Device List and Device Properties"));
    QCOMPARE(f.PushButton1->text(), QStringLiteral("Refresh Hardware List"));
    QCOMPARE(f.PushButton2->text(), QStringLiteral("Save Results As HTML Table"));
    QCOMPARE(f.PushButton3->text(), QStringLiteral("Save Results As Text File "));
    QCOMPARE(f.PushButton4->text(), QStringLiteral("Help"));
    QCOMPARE(f.lsvProperties->toolTip(), QStringLiteral("Move | line to right and out of window to reveal full names."));
    QVERIFY(f.Option1->isChecked());
    QVERIFY(!f.Option2->isChecked());
    QCOMPARE(f.prbDetecting->minimum(), 0);
    QCOMPARE(f.prbDetecting->maximum(), 100);
    QCOMPARE(f.prbDetecting->value(), 0);
    QCOMPARE(f.lsvProperties->columnCount(), 0); // start-up adds them
    QCOMPARE(f.font().family(), QStringLiteral("Arial"));
    QCOMPARE(f.font().pointSizeF(), 9.0);
    QVERIFY(f.font().bold());
    QCOMPARE(f.trvComputer->font().pointSizeF(), 9.0);
    QCOMPARE(f.PushButton2->font().pointSizeF(), 11.25);
    QVERIFY(f.PushButton2->font().bold());
    QCOMPARE(f.palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(f.Frame2->palette().color(QPalette::Window), QColor(Qt::white));
}

void TestForm1::tabOrder()
{
    Window w;
    app::Form1 &f = *w.form;
    const QList<QWidget *> expected{f.trvComputer, f.lsvProperties, f.Option1,     f.Option2,
                                    f.PushButton1, f.PushButton2,   f.PushButton3, f.PushButton4};
    for (qsizetype i = 0; i + 1 < expected.size(); ++i) {
        QWidget *next = expected[i]->nextInFocusChain();
        while (next && next->focusPolicy() == Qt::NoFocus)
            next = next->nextInFocusChain();
        // Widgets inside a control (viewports, headers) may sit between; walk to the next listed one.
        while (next && !expected.contains(next))
            next = next->nextInFocusChain();
        QCOMPARE(next, expected[i + 1]);
    }
    QCOMPARE(f.prbDetecting->focusPolicy(), Qt::NoFocus);
    QCOMPARE(f.Frame1->focusPolicy(), Qt::NoFocus);
}

void TestForm1::startUpFillsTreeAndColumns()
{
    Window w;
    w.form->Form_Load();
    app::Form1 &f = *w.form;
    QVERIFY(f.isVisible());
    QCOMPARE(f.windowTitle(), QStringLiteral("Vantorix"));
    // A QIcon of a missing file is not null; its picture is.
    QVERIFY(!f.windowIcon().pixmap(QSize(32, 32)).isNull());
    QCOMPARE(app::Main::AppTitle(), QStringLiteral("Vantorix"));
    QCOMPARE(f.lsvProperties->columnCount(), 2);
    QCOMPARE(f.lsvProperties->headerItem()->text(0), QStringLiteral("Property"));
    QCOMPARE(f.lsvProperties->headerItem()->text(1), QStringLiteral(" Value"));
    const int width = app::FormLayout::pixels(3000, f.logicalDpi());
    QCOMPARE(f.lsvProperties->columnWidth(0), width);
    QCOMPARE(f.lsvProperties->columnWidth(1), width);
    QCOMPARE(f.lsvProperties->topLevelItemCount(), 0);
    QCOMPARE(f.trvComputer->topLevelItemCount(), 1);
    QCOMPARE(f.trvComputer->topLevelItem(0)->text(0), QStringLiteral("DESK"));
    QCOMPARE(f.trvComputer->topLevelItem(0)->childCount(), 56);
    QVERIFY(f.trvComputer->topLevelItem(0)->isExpanded());
    QCOMPARE(f.trvComputer->topLevelItem(0)->child(0)->child(0)->text(0), QStringLiteral("CPU"));
    QVERIFY(f.trvComputer->isEnabled());
    QCOMPARE(f.prbDetecting->value(), 0);
    QVERIFY(w.fakes.messages.shown.empty());
    QVERIFY(!f.MouseIcon());

    // "Refresh Hardware List" rebuilds the whole tree.
    w.source.add(QStringLiteral("Win32_Keyboard"), QStringLiteral("Keys"));
    QTest::mouseClick(f.PushButton1, Qt::LeftButton);
    QCOMPARE(f.trvComputer->topLevelItemCount(), 1);
    QCOMPARE(f.trvComputer->topLevelItem(0)->child(1)->child(0)->text(0), QStringLiteral("Keys"));
}

void TestForm1::cursorFile_data()
{
    QTest::addColumn<QByteArray>("content"); // "FIFO" makes a named pipe
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QPoint>("hotSpot");
    QTest::newRow("real cursor") << testing::cursorFileBytes(5, 7) << true << QPoint(5, 7);
    QTest::newRow("icon file") << testing::iconFileBytes() << true << QPoint(16, 16);
    QTest::newRow("text file") << QByteArray("not a cursor") << false << QPoint();
    QTest::newRow("empty file") << QByteArray() << false << QPoint();
    QByteArray truncated = testing::cursorFileBytes(1, 1);
    truncated.truncate(40);
    QTest::newRow("truncated cursor") << truncated << false << QPoint();
    // Opening a pipe nobody writes to would wait for ever.
    QTest::newRow("named pipe") << QByteArray("FIFO") << false << QPoint();
}

void TestForm1::cursorFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, valid);
    QFETCH(QPoint, hotSpot);
    testing::FixtureTree folder;
    const QString cursorPath = folder.path(QStringLiteral("HAND-M.CUR"));
    if (content == "FIFO")
        QCOMPARE(::mkfifo(QFile::encodeName(cursorPath).constData(), 0600), 0);
    else
        folder.file(QStringLiteral("HAND-M.CUR"), content);
    Window w(folder.root());
    w.form->Form_Load();
    if (valid) {
        QVERIFY(w.fakes.messages.shown.empty());
        QVERIFY(w.form->MouseIcon());
        QCOMPARE(w.form->MouseIcon()->hotSpot(), hotSpot);
    } else {
        QCOMPARE(w.fakes.messages.shown.size(), std::size_t(1));
        QVERIFY(w.fakes.messages.shown[0].text.contains(
            QStringLiteral("\r\nin Vantorix2021/08/31.Form1.Form_Load at line 108\r\r")));
        QVERIFY(!w.form->MouseIcon());
    }
    // Start-up went on after the cursor step either way.
    QCOMPARE(w.form->lsvProperties->columnCount(), 2);
    QCOMPARE(w.form->trvComputer->topLevelItemCount(), 1);
}

void TestForm1::optionalFilesComeFromProgramFolderOnly()
{
    testing::FixtureTree cwd;
    cwd.file(QStringLiteral("HAND-M.CUR"), "broken").file(QStringLiteral("x/o.cjs"), "QWidget { background: red; }");
    testing::FixtureTree program;
    const QString before = QDir::currentPath();
    QDir::setCurrent(cwd.root());
    Window w(program.root());
    w.form->Form_Load();
    QDir::setCurrent(before);
    QVERIFY(w.fakes.messages.shown.empty());
    QVERIFY(!w.form->MouseIcon());

    QVERIFY(!app::Main::FileExists(QString()));
    QVERIFY(!app::Main::FileExists(program.path(QStringLiteral("nothing"))));
    QVERIFY(app::Main::FileExists(cwd.path(QStringLiteral("HAND-M.CUR"))));
    QVERIFY(!app::Main::FileExists(QStringLiteral("/proc/self/fd/99999/x")));
}

void TestForm1::framesAndOptionButtonsAreWhite()
{
    Window w;
    w.form->Form_Load();
    QGroupBox *frames[] = {w.form->Frame1, w.form->Frame2, w.form->Frame3};
    for (QGroupBox *frame : frames) {
        const QImage picture = frame->grab().toImage();
        // Inside the frame, clear of its outline, title and controls.
        QWidget *below = frame->childAt(frame->width() - 6, frame->height() - 6);
        QVERIFY2(!below, qPrintable(frame->objectName()));
        QCOMPARE(QColor(picture.pixel(frame->width() - 6, frame->height() - 6)), QColor(Qt::white));
    }
    // The option buttons' own background meets the frame's without a seam.
    const QImage options = w.form->Frame3->grab().toImage();
    const QRect button = w.form->Option1->geometry();
    QCOMPARE(QColor(options.pixel(button.right() - 2, button.center().y())), QColor(Qt::white));
    QCOMPARE(QColor(options.pixel(button.right() + 4, button.center().y())), QColor(Qt::white));
}

void TestForm1::wholeWindowIsCentred_data()
{
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("origin");
    QTest::newRow("no frame") << QSize(807, 564) << QRect(0, 0, 1024, 768) << QPoint(108, 102);
    QTest::newRow("title bar and borders") << QSize(809, 585) << QRect(0, 0, 1280, 1024) << QPoint(235, 219);
    QTest::newRow("panel on the left") << QSize(811, 568) << QRect(48, 0, 1232, 1024) << QPoint(258, 228);
}

void TestForm1::wholeWindowIsCentred()
{
    QFETCH(QSize, frame);
    QFETCH(QRect, available);
    QFETCH(QPoint, origin);
    QCOMPARE(app::FormLayout::centredFrameOrigin(frame, available), origin);

    // The window itself, with the frame this platform gives it.
    Window w;
    w.form->Form_Load();
    const QRect screen = w.form->screen()->availableGeometry();
    const QPoint offCentre = w.form->frameGeometry().center() - screen.center();
    QVERIFY2(qAbs(offCentre.x()) <= 1 && qAbs(offCentre.y()) <= 1,
             qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                            .arg(w.form->frameGeometry().x())
                            .arg(w.form->frameGeometry().y())
                            .arg(w.form->frameGeometry().width())
                            .arg(w.form->frameGeometry().height())));
}

void TestForm1::appTitleIsCutWordByWord()
{
    using app::Main::shortenedTitle;
    QCOMPARE(shortenedTitle(QStringLiteral("Vantorix")), QStringLiteral("Vantorix"));
    const QString forty = QStringLiteral("Vantorix Hardware Inventory For Desktops");
    QCOMPARE(forty.size(), 40);
    QCOMPARE(shortenedTitle(forty), forty);
    QCOMPARE(shortenedTitle(forty + QStringLiteral(" Suite")), forty); // 46 characters, one word off
    QCOMPARE(shortenedTitle(QStringLiteral("Vantorix Hardware Inventory For Desktops A B C D E")), forty);
    const QString oneWord(45, QLatin1Char('x'));
    QCOMPARE(shortenedTitle(oneWord), oneWord);
}

void TestForm1::closingNeverAsksAndEndsEvenDuringFirstScan()
{
    Window w;
    int pumpsAtClose = -1;
    w.fakes.pump.during = [&](int count) {
        if (count == 5 && pumpsAtClose < 0) {
            pumpsAtClose = count;
            w.form->close();
        }
    };
    w.form->Form_Load();
    QCOMPARE(w.fakes.programEnd.ends, 1);
    QVERIFY(w.fakes.messages.shown.empty());

    // Asked to close: events run once, the answer is never "cancel".
    int cancel = 0;
    const int pumps = w.fakes.pump.count;
    w.form->Form_QueryUnload(cancel, 0);
    QCOMPARE(cancel, 0);
    QCOMPARE(w.fakes.pump.count, pumps + 1);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
