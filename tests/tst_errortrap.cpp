// The error box and the step runner's resume rules.
#include "support/Fakes.h"

#include "app/ErrorTrap.h"
#include "app/MainModule.h"
#include "app/QtWindowServices.h"
#include "inventory/Instrumentation.h"

#include <QMessageBox>
#include <QTest>

using inventory::Failure;

namespace {
void failingRoutine(int &reached)
{
    reached = 1;
    throw Failure(QStringLiteral("inner failure"));
}
} // namespace

class TestErrorTrap : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boxTextIsExact();
    void resumesWithTheNextStep();
    void failedTestRunsTheBody();
    void calledRoutineReportsCallersLine();
    void anyExceptionIsDescribedAndNothingEscapes();
    void boxShowsDescriptionsAsPlainText();
};

void TestErrorTrap::boxTextIsExact()
{
    testing::RecordingMessageBox box;
    app::ErrorTrap trap(box, QStringLiteral("Form_Load"));
    trap.steps().step(108, [] { throw Failure(QStringLiteral("File not found")); });
    QCOMPARE(box.shown.size(), std::size_t(1));
    QCOMPARE(box.shown[0].text,
             QStringLiteral("File not found\r\nin Vantorix2021/08/31.Form1.Form_Load at line 108\r\r"
                            "Please email screenshot of this message to ")
                 + app::Main::SupportAddress);
    QCOMPARE(box.shown[0].style, 48);
    QCOMPARE(box.shown[0].caption, QStringLiteral("Application Error"));

    // A description with its own line breaks is shown unchanged.
    trap.steps().step(104, [] { throw Failure(QStringLiteral("a\r\nb")); });
    QVERIFY(box.shown[1].text.startsWith(QStringLiteral("a\r\nb\r\nin Vantorix2021/08/31.Form1.Form_Load at line 104\r\r")));
}

void TestErrorTrap::resumesWithTheNextStep()
{
    testing::RecordingMessageBox box;
    app::ErrorTrap trap(box, QStringLiteral("PushButton3_Click"));
    QStringList ran;
    trap.steps().step(180, [&] { throw Failure(QStringLiteral("disk full")); });
    trap.steps().step(182, [&] { ran << QStringLiteral("182"); });
    trap.steps().step(184, [&] { throw Failure(QStringLiteral("second")); });
    trap.steps().step(186, [&] { ran << QStringLiteral("186"); });
    QCOMPARE(ran, (QStringList{QStringLiteral("182"), QStringLiteral("186")}));
    QCOMPARE(box.shown.size(), std::size_t(2));
    QVERIFY(box.shown[0].text.contains(QStringLiteral("at line 180")));
    QVERIFY(box.shown[1].text.contains(QStringLiteral("at line 184")));
}

void TestErrorTrap::failedTestRunsTheBody()
{
    testing::RecordingMessageBox box;
    app::ErrorTrap trap(box, QStringLiteral("Form_Load"));
    bool body = false;
    if (trap.steps().test(106, []() -> bool { throw Failure(QStringLiteral("bad path")); }))
        body = true;
    QVERIFY(body);
    QVERIFY(!trap.steps().test(106, [] { return false; }));
    QCOMPARE(box.shown.size(), std::size_t(1));
}

void TestErrorTrap::calledRoutineReportsCallersLine()
{
    testing::RecordingMessageBox box;
    app::ErrorTrap trap(box, QStringLiteral("Form_Load"));
    int reached = 0;
    bool after = false;
    trap.steps().step(104, [&] {
        failingRoutine(reached);
        after = true; // the rest of the called routine is skipped
    });
    QCOMPARE(reached, 1);
    QVERIFY(!after);
    QVERIFY(box.shown[0].text.startsWith(QStringLiteral("inner failure\r\n")));
    QVERIFY(box.shown[0].text.contains(QStringLiteral("at line 104\r\r")));
}

void TestErrorTrap::anyExceptionIsDescribedAndNothingEscapes()
{
    testing::RecordingMessageBox box;
    app::ErrorTrap trap(box, QStringLiteral("trvComputer_Click"));
    trap.steps().step(100, [] { throw std::runtime_error("runtime"); });
    trap.steps().step(102, [] { throw 42; });
    QVERIFY(box.shown[0].text.startsWith(QStringLiteral("runtime\r\n")));
    QVERIFY(box.shown[1].text.startsWith(QStringLiteral("Unknown error\r\n")));

    // A box that itself fails is not reported again and does not escape.
    box.onShow = [](const testing::RecordingMessageBox::Shown &) { throw Failure(QStringLiteral("box broke")); };
    bool next = false;
    trap.steps().step(104, [] { throw Failure(QStringLiteral("x")); });
    trap.steps().step(106, [&] { next = true; });
    QVERIFY(next);
    QCOMPARE(box.shown.size(), std::size_t(3));
}

void TestErrorTrap::boxShowsDescriptionsAsPlainText()
{
    // A file name that looks like markup must not switch the box to rich
    // text, which would eat the tags and the line breaks.
    const QString text = app::ErrorTrap::boxText(QStringLiteral("Cannot open <b>report</b> &lt;1&gt;.txt"),
                                                 app::ErrorTrap::locationText(QStringLiteral("PushButton3_Click")), 180);
    app::QtMessageBox messages;
    const std::unique_ptr<QMessageBox> box = messages.box(text, app::Exclamation, app::ErrorTrap::Caption);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->text(), text);
    QCOMPARE(box->windowTitle(), QStringLiteral("Application Error"));
    QCOMPARE(box->icon(), QMessageBox::Warning);
}

// Message boxes need the widgets application.
QTEST_MAIN(TestErrorTrap)
#include "tst_errortrap.moc"
