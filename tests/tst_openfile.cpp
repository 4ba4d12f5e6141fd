// Saving a machine to an inventory file and opening it: the command line,
// the real program without a display (saving, opening, refusing bad files),
// and the window on a file (refresh reads it again, a broken file shows the
// error box of its step, a dropped file is opened).
#include "support/ProgramRun.h"
#include "support/Fakes.h"
#include "support/Fixtures.h"

#include "app/CommandLine.h"
#include "app/ErrorTrap.h"
#include "app/Form1.h"
#include "app/HeadlessExport.h"
#include "app/WindowSource.h"
#include "inventory/snapshot/InventoryFile.h"

#include <QFile>
#include <QGroupBox>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include <sys/stat.h>

using namespace inventory::snapshot;
using Action = app::CommandLine::Action;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A small machine: host name, memory, one processor, the loopback interface.
void buildMachine(testing::FixtureTree &fx, const QByteArray &host)
{
    fx.file(QStringLiteral("proc/sys/kernel/hostname"), host + "\n")
        .file(QStringLiteral("proc/meminfo"), "MemTotal:        8000000 kB\n")
        .file(QStringLiteral("proc/cpuinfo"), "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 142\n"
                                              "model name\t: Core <i5> & more\nstepping\t: 10\nphysical id\t: 0\n\n");
    const QString lo = QStringLiteral("sys/devices/virtual/net/lo/");
    fx.file(lo + QStringLiteral("ifindex"), "1\n").file(lo + QStringLiteral("type"), "772\n")
        .file(lo + QStringLiteral("address"), "00:00:00:00:00:00\n").file(lo + QStringLiteral("operstate"), "unknown\n")
        .link(QStringLiteral("sys/class/net/lo"), QStringLiteral("../../devices/virtual/net/lo"));
}

QByteArray savedMachine(const QString &root)
{
    return InventoryFile::toJson(takeRecord(app::machineSource(root).instrumentation, {QStringLiteral("linux"), root}));
}

using Run = testing::ProgramRun;
using testing::runProgram;

// The window as main() builds it, on a file or a machine.
struct Window
{
    testing::FakeServices fakes;
    app::WindowSource source;
    std::unique_ptr<app::Form1> form;

    Window(const QString &root, const QString &file) : source(root, file)
    {
        form = std::make_unique<app::Form1>(fakes.services(), source.instrumentation(),
                                            app::Form1::Options{QString(), [this] { source.reread(); },
                                                                [this](const QString &path) { source.open(path); }});
        form->Form_Load();
    }

    QStringList topLevel() const
    {
        QStringList texts;
        for (int i = 0; i < form->trvComputer->topLevelItemCount(); ++i)
            texts << form->trvComputer->topLevelItem(i)->text(0);
        return texts;
    }
    // The devices of a category under the computer node.
    QStringList devices(const QString &category) const
    {
        QStringList texts;
        QTreeWidgetItem *computer = form->trvComputer->topLevelItem(0);
        for (int i = 0; computer && i < computer->childCount(); ++i) {
            if (computer->child(i)->text(0) != category)
                continue;
            for (int d = 0; d < computer->child(i)->childCount(); ++d)
                texts << computer->child(i)->child(d)->text(0);
        }
        return texts;
    }
    QByteArray saveText(const QString &target)
    {
        form->Option2->setChecked(true);
        fakes.saveDialog.answer = target;
        QTest::mouseClick(form->PushButton3, Qt::LeftButton);
        return readAll(target);
    }
    void drop(const QList<QUrl> &urls)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPoint middle = form->rect().center();
        QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &enter);
        if (!enter.isAccepted())
            return;
        QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &drop);
    }
};

} // namespace

class TestOpenFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandLine_data();
    void commandLine();
    void programSavesAndOpens();
    void badFilesHeadless_data();
    void badFilesHeadless();
    void windowShowsTheFile();
    void brokenFileShowsTheScanStepAndGoesOn();
    void droppedFileIsOpened();
};

void TestOpenFile::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("error");
    const QString pc = QStringLiteral("pc.vantorix.json");
    QTest::newRow("positional file") << QStringList{pc} << int(Action::Window) << pc << "" << "";
    QTest::newRow("--open") << QStringList{QStringLiteral("--open"), pc} << int(Action::Window) << pc << "" << "";
    QTest::newRow("Qt options and a file") << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"), pc}
                                           << int(Action::Window) << pc << "" << "";
    QTest::newRow("--open with a report") << QStringList{QStringLiteral("--open=") + pc, QStringLiteral("--save-html"), QStringLiteral("-")}
                                          << int(Action::Export) << pc << "" << "";
    QTest::newRow("save this machine") << QStringList{QStringLiteral("--save-json"), QStringLiteral("-")} << int(Action::Export) << ""
                                       << "-" << "";
    QTest::newRow("convert a file") << QStringList{pc, QStringLiteral("--save-json"), QStringLiteral("b.json")} << int(Action::Export)
                                    << pc << "b.json" << "";
    QTest::newRow("file given twice") << QStringList{pc, QStringLiteral("--open"), pc} << int(Action::Invalid) << "" << ""
                                      << "Give the file to open once: 'pc.vantorix.json' or --open.";
    QTest::newRow("root and a file") << QStringList{QStringLiteral("--root"), QStringLiteral("/"), pc} << int(Action::Invalid) << "" << ""
                                     << "--root reads a machine; a file to open holds one already.";
    QTest::newRow("two to standard output")
        << QStringList{QStringLiteral("--save-json"), QStringLiteral("-"), QStringLiteral("--save-text"), QStringLiteral("-")}
        << int(Action::Invalid) << "" << "" << "Only one file can go to standard output.";
    QTest::newRow("properties without a report") << QStringList{QStringLiteral("--save-json"), QStringLiteral("a"), QStringLiteral("--with-properties")}
                                                 << int(Action::Invalid) << "" << "" << "--with-properties goes with --save-text or --save-html.";
    QTest::newRow("empty --open") << QStringList{QStringLiteral("--open=")} << int(Action::Invalid) << "" << "" << "--open needs a file.";
    QTest::newRow("empty --save-json") << QStringList{QStringLiteral("--save-json=")} << int(Action::Invalid) << "" << ""
                                       << "A save option needs a file name (- for standard output).";
}

void TestOpenFile::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, file);
    QFETCH(QString, json);
    QFETCH(QString, error);
    const app::CommandLine line = app::CommandLine::parse(QStringList{QStringLiteral("vantorix")} + arguments);
    QCOMPARE(line.error, error);
    QCOMPARE(int(line.action), action);
    if (action != int(Action::Invalid)) {
        QCOMPARE(line.fileToOpen, file);
        QCOMPARE(line.jsonTarget, json);
    }
}

void TestOpenFile::programSavesAndOpens()
{
    testing::FixtureTree machine;
    buildMachine(machine, "desk-7");
    testing::FixtureTree out;
    const QString saved = out.path(QStringLiteral("desk-7.vantorix.json"));

    const Run save = runProgram({QStringLiteral("--root"), machine.root(), QStringLiteral("--save-json"), saved});
    QCOMPARE(save.err, QByteArray());
    QCOMPARE(save.exitCode, 0);
    const InventoryRecord record = InventoryFile::read(saved);
    QCOMPARE(record.hostName, QStringLiteral("desk-7"));
    QCOMPARE(record.origin, (Origin{QStringLiteral("linux"), machine.root()}));
    QVERIFY(record.taken.secsTo(QDateTime::currentDateTimeUtc()) < 600);
    QCOMPARE(InventoryFile::toJson(record), readAll(saved));
    // The same machine to standard output: the same file but for the time.
    const Run toStdout = runProgram({QStringLiteral("--root"), machine.root(), QStringLiteral("--save-json"), QStringLiteral("-")});
    QCOMPARE(toStdout.exitCode, 0);
    InventoryRecord again = InventoryFile::fromJson(toStdout.out);
    again.taken = record.taken;
    QCOMPARE(again, record);

    // Reports from the file are the reports of the machine, and the file
    // saved again is the same file.
    const QStringList reports{QStringLiteral("--save-text"), out.path(QStringLiteral("r.txt")), QStringLiteral("--save-html"),
                              out.path(QStringLiteral("r.html")), QStringLiteral("--with-properties")};
    QCOMPARE(runProgram(QStringList{QStringLiteral("--root"), machine.root()} + reports).exitCode, 0);
    const QByteArray liveText = readAll(out.path(QStringLiteral("r.txt")));
    const QByteArray liveHtml = readAll(out.path(QStringLiteral("r.html")));
    QVERIFY(liveText.contains("Core <i5> & more"));
    const Run opened = runProgram(QStringList{QStringLiteral("--open"), saved, QStringLiteral("--save-json"), out.path(QStringLiteral("copy.json"))} + reports);
    QCOMPARE(opened.err, QByteArray());
    QCOMPARE(opened.exitCode, 0);
    QCOMPARE(readAll(out.path(QStringLiteral("r.txt"))), liveText);
    QCOMPARE(readAll(out.path(QStringLiteral("r.html"))), liveHtml);
    QCOMPARE(readAll(out.path(QStringLiteral("copy.json"))), readAll(saved));
    const Run positional = runProgram({saved, QStringLiteral("--save-text"), QStringLiteral("-"), QStringLiteral("--with-properties")});
    QCOMPARE(positional.out, liveText);
}

void TestOpenFile::badFilesHeadless_data()
{
    QTest::addColumn<QByteArray>("content"); // "<fifo>", "<folder>" and "<none>" make no regular file
    QTest::addColumn<QString>("message");
    testing::FixtureTree machine;
    buildMachine(machine, "desk-7");
    const QByteArray good = savedMachine(machine.root());
    QTest::newRow("not JSON") << QByteArray("Caption=Intel\r\n") << "not JSON: illegal value";
    QTest::newRow("another format") << QByteArray("{\"format\": \"ocs\"}") << "not an inventory file (its format is \"ocs\"";
    QTest::newRow("newer version") << QByteArray(good).replace("\"version\": 1", "\"version\": 7") << "written in format version 7 by a newer";
    QTest::newRow("truncated") << good.left(good.size() - 10) << "not JSON";
    QTest::newRow("absurdly deep") << QByteArray(5000, '[') << "nested more than 16 levels deep";
    QTest::newRow("invalid UTF-8") << QByteArray(good).replace("desk-7", "desk\xff") << "not valid UTF-8";
    QTest::newRow("wrong type") << QByteArray(good).replace("\"hostName\": \"desk-7\"", "\"hostName\": []")
                                << "hostName: expected a string, found an array";
    QTest::newRow("missing") << QByteArray("<none>") << "no such file";
    QTest::newRow("folder, read as a capture folder") << QByteArray("<folder>") << "no capture in this folder";
    QTest::newRow("pipe") << QByteArray("<fifo>") << "not a regular file";
}

void TestOpenFile::badFilesHeadless()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    testing::FixtureTree out;
    const QString file = out.path(QStringLiteral("in.vantorix.json"));
    if (content == "<fifo>")
        QCOMPARE(mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    else if (content == "<folder>")
        out.dir(QStringLiteral("in.vantorix.json"));
    else if (content != "<none>")
        writeAll(file, content);
    // A report that is already there stays as it was; nothing new appears.
    writeAll(out.path(QStringLiteral("old.txt")), "earlier report");
    const Run run = runProgram({QStringLiteral("--open"), file, QStringLiteral("--save-text"), out.path(QStringLiteral("old.txt")),
                                QStringLiteral("--save-json"), out.path(QStringLiteral("new.json"))});
    QCOMPARE(run.exitCode, 1);
    const QString err = QString::fromUtf8(run.err);
    QVERIFY2(err.startsWith(QStringLiteral("vantorix: Cannot open %1: ").arg(file)) && err.contains(message) && err.count(QLatin1Char('\n')) == 1,
             qPrintable(err));
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(readAll(out.path(QStringLiteral("old.txt"))), QByteArray("earlier report"));
    QVERIFY(!QFile::exists(out.path(QStringLiteral("new.json"))));
}

void TestOpenFile::windowShowsTheFile()
{
    testing::FixtureTree machine;
    buildMachine(machine, "desk-7");
    testing::FixtureTree out;
    const QString file = out.path(QStringLiteral("desk-7.vantorix.json"));
    writeAll(file, savedMachine(machine.root()));

    Window live(machine.root(), QString());
    Window w(QStringLiteral("/"), file); // the root does not matter once a file is shown
    QVERIFY(w.fakes.messages.shown.empty());
    QCOMPARE(w.topLevel(), live.topLevel());
    QCOMPARE(w.topLevel().size(), 1);
    QCOMPARE(w.form->trvComputer->topLevelItem(0)->childCount(), 56);
    QCOMPARE(w.devices(QStringLiteral("Processor")), QStringList{QStringLiteral("x86 Family 6 Model 142 Stepping 10")});
    QCOMPARE(w.saveText(out.path(QStringLiteral("file.txt"))), live.saveText(out.path(QStringLiteral("live.txt"))));

    // A click lists the captured properties.
    QTreeWidgetItem *cpu = w.form->trvComputer->topLevelItem(0)->child(0)->child(0);
    w.form->trvComputer->setCurrentItem(cpu);
    w.form->trvComputer_Click();
    QCOMPARE(w.form->Frame2->title(), QStringLiteral("Device properties: x86 Family 6 Model 142 Stepping 10"));
    QVERIFY(w.form->lsvProperties->topLevelItemCount() > 10);

    // Refresh reads the file again.
    testing::FixtureTree other;
    buildMachine(other, "laptop-2");
    writeAll(file, savedMachine(other.root()));
    QTest::mouseClick(w.form->PushButton1, Qt::LeftButton);
    QCOMPARE(w.topLevel(), QStringList{QStringLiteral("LAPTOP-2")});
    QCOMPARE(w.fakes.messages.texts(), QStringList{QStringLiteral("Done.")}); // the save's, no error
}

void TestOpenFile::brokenFileShowsTheScanStepAndGoesOn()
{
    testing::FixtureTree machine;
    buildMachine(machine, "desk-7");
    testing::FixtureTree out;
    const QString file = out.path(QStringLiteral("pc.vantorix.json"));
    const QByteArray good = savedMachine(machine.root());
    writeAll(file, good.left(good.size() / 3));

    Window w(QStringLiteral("/"), file);
    // The box of the step that reads the file; then the scan goes on as with
    // any source that gives no computer: the box of the step that expands
    // it, every category at the top, all empty.
    const QString description = QStringLiteral("Cannot open %1: not JSON").arg(file);
    const QString location = app::ErrorTrap::locationText(QStringLiteral("PushButton1_Click"));
    const QStringList boxes = w.fakes.messages.texts();
    QCOMPARE(boxes.size(), 2);
    QVERIFY2(boxes[0].startsWith(description), qPrintable(boxes[0]));
    QVERIFY(boxes[0].contains(location + QStringLiteral("at line 110\r\r")));
    QVERIFY(boxes[1].contains(location + QStringLiteral("at line 114\r\r")));
    QCOMPARE(w.topLevel().size(), 56);
    QCOMPARE(w.topLevel().front(), QStringLiteral("Processor"));
    for (int i = 0; i < 56; ++i)
        QCOMPARE(w.form->trvComputer->topLevelItem(i)->childCount(), 0);
    QVERIFY(w.form->trvComputer->isEnabled());
    QCOMPARE(w.form->prbDetecting->value(), 0);
    // Saving still works, with what the tree shows: no device at all.
    QVERIFY(!w.saveText(out.path(QStringLiteral("r.txt"))).contains("Processor"));
    QCOMPARE(w.fakes.messages.texts().mid(2), QStringList{QStringLiteral("Done.")});

    // Mended, the next refresh shows the machine.
    writeAll(file, good);
    QTest::mouseClick(w.form->PushButton1, Qt::LeftButton);
    QCOMPARE(w.fakes.messages.shown.size(), std::size_t(3));
    QCOMPARE(w.topLevel(), QStringList{QStringLiteral("DESK-7")});
}

void TestOpenFile::droppedFileIsOpened()
{
    testing::FixtureTree machine;
    buildMachine(machine, "desk-7");
    testing::FixtureTree other;
    buildMachine(other, "laptop-2");
    testing::FixtureTree out;
    const QString file = out.path(QStringLiteral("laptop-2.vantorix.json"));
    writeAll(file, savedMachine(other.root()));

    Window w(machine.root(), QString());
    QCOMPARE(w.topLevel(), QStringList{QStringLiteral("DESK-7")});
    const QRect geometry = w.form->geometry();
    // Two files, or something that is no local file: refused.
    w.drop({QUrl::fromLocalFile(file), QUrl::fromLocalFile(file)});
    w.drop({QUrl(QStringLiteral("https://example.org/pc.vantorix.json"))});
    QCOMPARE(w.topLevel(), QStringList{QStringLiteral("DESK-7")});
    w.drop({QUrl::fromLocalFile(file)});
    QCOMPARE(w.topLevel(), QStringList{QStringLiteral("LAPTOP-2")});
    QCOMPARE(w.source.file(), file);
    QCOMPARE(w.form->geometry(), geometry);
    QVERIFY(w.fakes.messages.shown.empty());
    // A dropped file that cannot be read: its box, like a broken file given at start.
    const QString broken = out.path(QStringLiteral("notes.txt"));
    writeAll(broken, "not an inventory");
    w.drop({QUrl::fromLocalFile(broken)});
    QCOMPARE(w.fakes.messages.shown.size(), std::size_t(2)); // the read (110), then the missing computer (114)
    QVERIFY(w.fakes.messages.shown.front().text.startsWith(QStringLiteral("Cannot open %1: not JSON").arg(broken)));

    // A window made without a way to open files takes no drops.
    testing::FakeServices fakes;
    app::Form1 plain(fakes.services(), app::machineSource(machine.root()).instrumentation, app::Form1::Options{});
    QVERIFY(!plain.acceptDrops());
    QVERIFY(w.form->acceptDrops());
}

QTEST_MAIN(TestOpenFile)
#include "tst_openfile.moc"
