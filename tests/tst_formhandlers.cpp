// The window's click and save handlers end to end: a real click in the tree,
// both save buttons with the dialog answered, cancelled or pointed at a place
// that cannot be written, and what a second click does while a save runs.
#include "support/Fakes.h"
#include "support/FileSizeLimit.h"
#include "support/Fixtures.h"
#include "support/WorkedExample.h"

#include "app/Form1.h"
#include "inventory/Catalogue.h"
#include "inventory/MemorySource.h"

#include <QFile>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

using namespace inventory;

namespace {

Property prop(const char *name, const char *value)
{
    return {QLatin1String(name), Value::text(QLatin1String(value))};
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

struct Window
{
    testing::FakeServices fakes;
    MemorySource source;
    std::unique_ptr<app::Form1> form;
    testing::FixtureTree folder;

    Window()
    {
        source.add(ComputerClass, QStringLiteral("DESK"));
        for (const QString &name : deviceCatalogue())
            source.addClass(name);
        source.add(QStringLiteral("Win32_Processor"), QStringLiteral("CPU0"), {prop("Name", "CPU0"), prop("Status", "OK")});
        source.add(QStringLiteral("Win32_DiskDrive"), QStringLiteral("DiskA"));
        form = std::make_unique<app::Form1>(fakes.services(), source.instrumentation(), app::Form1::Options{});
        form->Form_Load();
    }

    QTreeWidgetItem *category(int index) const { return form->trvComputer->topLevelItem(0)->child(index); }
    void click(QTreeWidgetItem *item)
    {
        QTreeWidget *tree = form->trvComputer;
        for (QTreeWidgetItem *up = item->parent(); up; up = up->parent())
            up->setExpanded(true);
        tree->scrollToItem(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    }
    QList<QStringList> rows() const
    {
        QList<QStringList> all;
        for (int i = 0; i < form->lsvProperties->topLevelItemCount(); ++i)
            all.append({form->lsvProperties->topLevelItem(i)->text(0), form->lsvProperties->topLevelItem(i)->text(1)});
        return all;
    }
    QPushButton *button(bool html) const { return html ? form->PushButton2 : form->PushButton3; }
    QStringList boxTexts() const { return fakes.messages.texts(); }
};

} // namespace

class TestFormHandlers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void clickInTheTreeShowsTheDevice();
    void clickOnBlankSpaceReadsTheSelectedDeviceAgain();
    void saveButtonsWriteTheReports_data();
    void saveButtonsWriteTheReports();
    void cancelChangesNothing();
    void failedWriteShowsItsLineAndNoDone_data();
    void failedWriteShowsItsLineAndNoDone();
    void secondSaveWhileOneRunsIsIgnored();
    void refreshAndOptionChangesDuringASave();
};

void TestFormHandlers::clickInTheTreeShowsTheDevice()
{
    Window w;
    app::Form1 &f = *w.form;
    w.click(w.category(0)->child(0));
    QCOMPARE(f.Frame2->title(), QStringLiteral("Device properties: CPU0"));
    QCOMPARE(w.rows(), (QList<QStringList>{{QStringLiteral("Name"), QStringLiteral("CPU0")},
                                           {QStringLiteral("Status"), QStringLiteral("OK")}}));

    // A category or the computer: nothing changes.
    w.click(w.category(4));
    w.click(f.trvComputer->topLevelItem(0));
    QCOMPARE(f.Frame2->title(), QStringLiteral("Device properties: CPU0"));
    QCOMPARE(w.rows().size(), 2);

    // A device without pairs: the caption changes, the list empties.
    w.click(w.category(4)->child(0));
    QCOMPARE(f.Frame2->title(), QStringLiteral("Device properties: DiskA"));
    QVERIFY(w.rows().isEmpty());
    // A rescan keeps what the list shows.
    w.click(w.category(0)->child(0));
    QTest::mouseClick(f.PushButton1, Qt::LeftButton);
    QCOMPARE(w.rows().size(), 2);
    QCOMPARE(f.Frame2->title(), QStringLiteral("Device properties: CPU0"));
    QVERIFY(w.fakes.messages.shown.empty());
}

void TestFormHandlers::clickOnBlankSpaceReadsTheSelectedDeviceAgain()
{
    Window w;
    app::Form1 &f = *w.form;
    w.click(w.category(0)->child(0));
    QCOMPARE(w.rows().size(), 2);
    // The device changes; the tree is collapsed to its computer node, which
    // keeps the device selected, and a click lands below the last node.
    w.source.addClass(QStringLiteral("Win32_Processor")).front().properties.push_back(prop("Stepping", "3"));
    f.trvComputer->topLevelItem(0)->setExpanded(false);
    const QRect computer = f.trvComputer->visualItemRect(f.trvComputer->topLevelItem(0));
    const QPoint blank(computer.center().x(), computer.bottom() + 3 * computer.height());
    QVERIFY(!f.trvComputer->itemAt(blank));
    QTest::mouseClick(f.trvComputer->viewport(), Qt::LeftButton, {}, blank);
    QCOMPARE(w.rows().size(), 3);
    QCOMPARE(w.rows().last(), (QStringList{QStringLiteral("Stepping"), QStringLiteral("3")}));

    // A disabled tree (a scan runs) raises nothing.
    f.trvComputer->setEnabled(false);
    w.source.addClass(QStringLiteral("Win32_Processor")).front().properties.clear();
    QTest::mouseClick(f.trvComputer->viewport(), Qt::LeftButton, {}, blank);
    QCOMPARE(w.rows().size(), 3);
    QVERIFY(w.fakes.messages.shown.empty());
}

void TestFormHandlers::saveButtonsWriteTheReports_data()
{
    QTest::addColumn<bool>("html");
    QTest::addColumn<bool>("withProperties");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("filter");
    for (const bool withProperties : {false, true}) {
        const char *mode = withProperties ? "properties" : "list";
        QTest::addRow("text, %s", mode) << false << withProperties << QStringLiteral("Save As Text File")
                                        << QStringLiteral("Text Files (*.txt)|*.txt|");
        QTest::addRow("html, %s", mode) << true << withProperties << QStringLiteral("Save As Html")
                                        << QStringLiteral("HTML Files (*.html)|*.html|");
    }
}

void TestFormHandlers::saveButtonsWriteTheReports()
{
    QFETCH(bool, html);
    QFETCH(bool, withProperties);
    QFETCH(QString, title);
    QFETCH(QString, filter);
    Window w;
    app::Form1 &f = *w.form;
    (withProperties ? f.Option2 : f.Option1)->setChecked(true);
    const QString target = w.folder.path(QStringLiteral("report"));
    w.folder.file(QStringLiteral("report"), QByteArray(50000, 'o')); // replaced whole
    w.fakes.saveDialog.answer = target;
    w.fakes.saveDialog.FileName = QStringLiteral("left over");
    std::vector<int> pointers;
    w.fakes.pump.during = [&](int) { pointers.push_back(f.MousePointer()); };

    QTest::mouseClick(w.button(html), Qt::LeftButton);
    QCOMPARE(readAll(target), testing::workedExampleReport(html, withProperties));
    QCOMPARE(w.fakes.saveDialog.shows, 1);
    QCOMPARE(w.fakes.saveDialog.seen[0].title, title);
    QCOMPARE(w.fakes.saveDialog.seen[0].filter, filter);
    QCOMPARE(w.fakes.saveDialog.seen[0].fileNameBefore, QString());
    QVERIFY(!pointers.empty());
    for (int pointer : pointers)
        QCOMPARE(pointer, 11);
    QCOMPARE(f.MousePointer(), 0);
    QCOMPARE(f.prbDetecting->value(), 0);
    // "Done.", OK alone, no icon, captioned with the application title.
    QCOMPARE(w.fakes.messages.shown.size(), std::size_t(1));
    QCOMPARE(w.fakes.messages.shown[0].text, QStringLiteral("Done."));
    QCOMPARE(w.fakes.messages.shown[0].style, 0);
    QVERIFY(!w.fakes.messages.shown[0].caption);
}

void TestFormHandlers::cancelChangesNothing()
{
    for (const bool html : {false, true}) {
        Window w;
        app::Form1 &f = *w.form;
        f.setMousePointer(99);
        f.prbDetecting->setValue(37);
        w.fakes.saveDialog.answer.clear();
        QTest::mouseClick(w.button(html), Qt::LeftButton);
        QCOMPARE(w.fakes.saveDialog.shows, 1);
        QVERIFY(w.fakes.messages.shown.empty());
        QCOMPARE(f.MousePointer(), 99);
        QCOMPARE(f.prbDetecting->value(), 37);
        QCOMPARE(w.fakes.pump.count, 56); // the start-up scan's, no walk
    }
}

void TestFormHandlers::failedWriteShowsItsLineAndNoDone_data()
{
    QTest::addColumn<bool>("html");
    QTest::addColumn<QString>("target"); // "" = an earlier file on a full disk
    QTest::addColumn<QString>("reason");
    for (const bool html : {false, true}) {
        const char *kind = html ? "html" : "text";
        QTest::addRow("%s, /dev/full", kind) << html << QStringLiteral("/dev/full") << QStringLiteral("No space left on device");
        QTest::addRow("%s, missing folder", kind) << html << QStringLiteral("/nonexistent/folder/r") << QStringLiteral("No such file");
        QTest::addRow("%s, full disk over an earlier file", kind) << html << QString() << QStringLiteral("File too large");
    }
}

void TestFormHandlers::failedWriteShowsItsLineAndNoDone()
{
    QFETCH(bool, html);
    QFETCH(QString, target);
    QFETCH(QString, reason);
    Window w;
    app::Form1 &f = *w.form;
    f.Option2->setChecked(true);
    const QString earlier = w.folder.path(QStringLiteral("earlier.txt"));
    w.folder.file(QStringLiteral("earlier.txt"), "earlier report");
    w.fakes.saveDialog.answer = target.isEmpty() ? earlier : target;
    {
        const testing::FileSizeLimit limit{target.isEmpty() ? 4 : RLIM_INFINITY};
        QTest::mouseClick(w.button(html), Qt::LeftButton);
    }
    const QStringList boxes = w.boxTexts();
    QCOMPARE(boxes.size(), 1);
    const QString where = QStringLiteral("\r\nin Vantorix2021/08/31.Form1.%1 at line %2\r\r")
                              .arg(html ? QStringLiteral("PushButton2_Click") : QStringLiteral("PushButton3_Click"))
                              .arg(html ? 188 : 180);
    QVERIFY2(boxes[0].contains(where), qPrintable(boxes[0]));
    QVERIFY2(boxes[0].contains(reason), qPrintable(boxes[0]));
    QCOMPARE(w.fakes.messages.shown[0].caption, QStringLiteral("Application Error"));
    QCOMPARE(w.fakes.messages.shown[0].style, 48);
    QCOMPARE(f.MousePointer(), 0);
    QCOMPARE(f.prbDetecting->value(), 0);
    QCOMPARE(readAll(earlier), QByteArray("earlier report"));
}

void TestFormHandlers::secondSaveWhileOneRunsIsIgnored()
{
    Window w;
    app::Form1 &f = *w.form;
    f.Option2->setChecked(true);
    const QString target = w.folder.path(QStringLiteral("r.txt"));
    w.fakes.saveDialog.answer = target;
    w.fakes.pump.during = [&](int) {
        QTest::mouseClick(f.PushButton3, Qt::LeftButton);
        QTest::mouseClick(f.PushButton2, Qt::LeftButton);
    };
    QTest::mouseClick(f.PushButton3, Qt::LeftButton);
    QCOMPARE(w.fakes.saveDialog.shows, 1);
    QCOMPARE(w.boxTexts(), QStringList{QStringLiteral("Done.")});
    QCOMPARE(readAll(target), testing::workedExampleReport(false, true));

    // Once it has ended, the next save runs.
    w.fakes.pump.during = nullptr;
    QTest::mouseClick(f.PushButton2, Qt::LeftButton);
    QCOMPARE(w.fakes.saveDialog.shows, 2);
}

void TestFormHandlers::refreshAndOptionChangesDuringASave()
{
    Window w;
    app::Form1 &f = *w.form;
    const QString target = w.folder.path(QStringLiteral("r.txt"));
    w.fakes.saveDialog.answer = target;
    bool refreshed = false;
    w.fakes.pump.during = [&](int) {
        // Early in the walk: "Refresh Hardware List", and the user picks
        // the properties option; the heading keeps the list choice.
        if (!refreshed && f.prbDetecting->value() > 0 && f.MousePointer() == 11) {
            refreshed = true;
            QTest::mouseClick(f.PushButton1, Qt::LeftButton);
            f.Option2->setChecked(true);
        }
    };
    QTest::mouseClick(f.PushButton3, Qt::LeftButton);
    QVERIFY(refreshed);
    QCOMPARE(w.boxTexts(), QStringList{QStringLiteral("Done.")});
    QByteArray expected = testing::workedExampleReport(false, true);
    expected.replace("HARDWARE INFORMATION", "LIST OF DEVICES NAMES");
    QCOMPARE(readAll(target), expected);
    QCOMPARE(f.trvComputer->topLevelItem(0)->childCount(), 56);
}

QTEST_MAIN(TestFormHandlers)
#include "tst_formhandlers.moc"
