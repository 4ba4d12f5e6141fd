// The program's commands on inventories: opening and converting Windows
// captures (headless and in the window), --diff with its exit statuses and
// live readings, and --redact through every save option. The real program
// is run for what a user types; the window is built as main() builds it.
#include "support/ProgramRun.h"
#include "support/Fakes.h"
#include "support/Fixtures.h"
#include "support/SmbiosFixtures.h"

#include "app/CommandLine.h"
#include "app/ErrorTrap.h"
#include "app/Form1.h"
#include "app/SourceFactory.h"
#include "app/WindowSource.h"
#include "inventory/Catalogue.h"
#include "inventory/MemorySource.h"
#include "inventory/capture/CaptureInventory.h"
#include "inventory/snapshot/InventoryFile.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

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

QString capture(const QString &name)
{
    return testing::sharedData(QStringLiteral("wmi/glpi-agent-wmic-list/") + name);
}

// A small machine with a network card, whose memory and clock speed the
// tests change.
void buildMachine(testing::FixtureTree &fx, const QByteArray &memoryKb = "8000000", const QByteArray &mhz = "800.000")
{
    fx.file(QStringLiteral("proc/sys/kernel/hostname"), "desk-7\n")
        .file(QStringLiteral("proc/meminfo"), "MemTotal:        " + memoryKb + " kB\n")
        .file(QStringLiteral("proc/cpuinfo"), "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 142\n"
                                              "model name\t: Core i5\nstepping\t: 10\ncpu MHz\t\t: " + mhz + "\nphysical id\t: 0\n\n");
    const QString eth = QStringLiteral("sys/devices/virtual/net/eth7/");
    fx.file(eth + QStringLiteral("ifindex"), "2\n").file(eth + QStringLiteral("type"), "1\n")
        .file(eth + QStringLiteral("address"), "52:54:00:9a:bc:de\n").file(eth + QStringLiteral("operstate"), "up\n")
        .link(QStringLiteral("sys/class/net/eth7"), QStringLiteral("../../devices/virtual/net/eth7"));
}

using Run = testing::ProgramRun;
using testing::runProgram;

// Problems the format's schema finds in the files ("" when none).
QString schemaProblems(const QStringList &files)
{
    QProcess check;
    check.start(QStringLiteral(VANTORIX_PYTHON), QStringList{QStringLiteral(VANTORIX_SOURCE_DIR "/scripts/check-inventory-schema.py"),
                                                            QStringLiteral(VANTORIX_SOURCE_DIR "/docs/vantorix-inventory.schema.json")}
                                                     + files);
    if (!check.waitForFinished(300000))
        return QStringLiteral("the schema check did not finish");
    if (check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0)
        return {};
    return QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError()).left(4000);
}

// The window as main() builds it.
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
    QTreeWidgetItem *category(const QString &name) const
    {
        QTreeWidgetItem *computer = form->trvComputer->topLevelItem(0);
        for (int i = 0; computer && i < computer->childCount(); ++i)
            if (computer->child(i)->text(0) == name)
                return computer->child(i);
        return nullptr;
    }
    void drop(const QString &path)
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        const QPoint middle = form->rect().center();
        QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &enter);
        QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form.get(), &drop);
    }
};

} // namespace

class TestInventoryCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandLine_data();
    void commandLine();
    void whatAFileIsReadAs_data();
    void whatAFileIsReadAs();
    void capturesConvertAndValidate();
    void captureBecomesTheSameReports();
    void badCapturesHeadless_data();
    void badCapturesHeadless();
    void windowShowsTheWindows7Machine();
    void failuresBehaveAlikeFromTheFile();
    void diffStatusesAndText();
    void diffOfCaptures();
    void redactEveryOutput_data();
    void redactEveryOutput();
};

void TestInventoryCommands::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("error");
    const QString a = QStringLiteral("a.json");
    const QString b = QStringLiteral("b.json");
    const QString dash = QStringLiteral("-");

    QTest::newRow("diff two files") << QStringList{"--diff", a, b} << int(Action::Diff) << "";
    QTest::newRow("diff with this machine and --all") << QStringList{a, "--diff", dash, "--all"} << int(Action::Diff) << "";
    QTest::newRow("diff this machine below a root") << QStringList{"--diff", a, dash, "--root", "/"} << int(Action::Diff) << "";
    QTest::newRow("diff of one") << QStringList{"--diff", a} << int(Action::Invalid)
                                 << "--diff compares two inventories: --diff OLD NEW (- for this machine now).";
    QTest::newRow("diff of three") << QStringList{"--diff", a, b, a} << int(Action::Invalid)
                                   << "--diff compares two inventories: --diff OLD NEW (- for this machine now).";
    QTest::newRow("diff and a save") << QStringList{"--diff", a, b, "--save-json", "c"} << int(Action::Invalid)
                                     << "--diff goes with --all and --root only, not --save-json.";
    QTest::newRow("diff and redact") << QStringList{"--diff", a, b, "--redact"} << int(Action::Invalid)
                                     << "--diff goes with --all and --root only, not --redact.";
    QTest::newRow("root without this machine") << QStringList{"--diff", a, b, "--root", "/"} << int(Action::Invalid)
                                               << "--root reads a machine; with --diff it goes with - for this machine.";
    QTest::newRow("--all alone") << QStringList{"--all"} << int(Action::Invalid) << "--all goes with --diff.";
    QTest::newRow("redact a save") << QStringList{"--save-json", "-", "--redact"} << int(Action::Export) << "";
    QTest::newRow("redact a converted capture") << QStringList{"--open", "Win32_Bus.txt", "--save-html", "x", "--redact"}
                                                << int(Action::Export) << "";
    QTest::newRow("redact the window") << QStringList{"--redact"} << int(Action::Invalid)
                                       << "--redact goes with --save-text, --save-html or --save-json.";
}

void TestInventoryCommands::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, error);
    const app::CommandLine line = app::CommandLine::parse(QStringList{QStringLiteral("vantorix")} + arguments);
    QCOMPARE(line.error, error);
    QCOMPARE(int(line.action), action);
    if (action == int(Action::Diff)) {
        QCOMPARE(QStringList({line.diffBefore, line.diffAfter}), arguments.filter(QRegularExpression(QStringLiteral("^(a.json|b.json|-)$"))));
        QCOMPARE(line.diffAll, arguments.contains(QStringLiteral("--all")));
    }
    if (action == int(Action::Export))
        QVERIFY(line.redact);
}

void TestInventoryCommands::whatAFileIsReadAs_data()
{
    QTest::addColumn<QString>("name"); // "" for a folder holding a capture
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("readAs"); // the origin kind, or the start of the failure

    testing::FixtureTree machine;
    buildMachine(machine);
    const QByteArray inventory = InventoryFile::toJson(takeRecord(app::machineSource(machine.root()).instrumentation,
                                                                  {QStringLiteral("linux"), machine.root()}));
    const QByteArray wmic = QByteArray("\r\nName=PCI Bus\r\nDeviceID=PCI_BUS_0\r\n\r\n");
    QTest::newRow("capture named after its class") << "Win32_Bus.txt" << wmic << "windows-capture";
    QTest::newRow("a folder of captures") << "" << wmic << "windows-capture";
    QTest::newRow("inventory file") << "desk.vantorix.json" << inventory << "linux";
    QTest::newRow("inventory file named after a class") << "Win32_Bus.json" << inventory << "linux";
    QTest::newRow("broken inventory file named after a class") << "pc-Win32_Bus.vantorix.json" << wmic << "not JSON";
    QTest::newRow("capture named after nothing") << "notes.txt" << wmic << "not JSON";
}

// Which reader a path goes to: a folder or a file named after a class is a
// capture, unless the name ending or the first line says inventory file.
void TestInventoryCommands::whatAFileIsReadAs()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, readAs);
    QTemporaryDir out;
    QString path = out.filePath(name);
    if (name.isEmpty()) {
        path = out.filePath(QStringLiteral("pc"));
        QVERIFY(QDir().mkpath(path));
        writeAll(path + QStringLiteral("/Win32_Bus.txt"), content);
    } else {
        writeAll(path, content);
    }
    QString result;
    try {
        result = app::readRecordFile(path)->origin.kind;
    } catch (const inventory::Failure &failure) {
        result = failure.description().section(QStringLiteral(": "), 1);
    }
    QVERIFY2(result.startsWith(readAs), qPrintable(result));
}

// Every real capture converts to an inventory file that the format's schema
// accepts and that reads back as the capture read.
void TestInventoryCommands::capturesConvertAndValidate()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not there");
    QTemporaryDir out;
    QStringList written;
    const QDir dumps(capture(QString()));
    for (const QString &name : dumps.entryList(QDir::Files, QDir::Name)) {
        const std::shared_ptr<const InventoryRecord> record = app::readRecordFile(dumps.filePath(name));
        QCOMPARE(record->origin.kind, inventory::capture::CaptureOriginKind);
        const QString file = out.filePath(name + InventoryFile::Extension);
        writeAll(file, InventoryFile::toJson(*record));
        QCOMPARE(InventoryFile::read(file), *record);
        written << file;
    }
    QVERIFY(written.size() > 50); // the real captures were all there
    const QString problems = schemaProblems(written);
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

// `--open CAPTURE --save-json FILE` converts; the reports of the capture and
// of the file it became are the same bytes, and so is the file saved again.
void TestInventoryCommands::captureBecomesTheSameReports()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not there");
    QTemporaryDir out;
    const QString windows7 = capture(QStringLiteral("7-CIM_LogicalDevice.wmi"));
    const QString json = out.filePath(QStringLiteral("netchaeiv.vantorix.json"));
    const Run convert = runProgram({QStringLiteral("--open"), windows7, QStringLiteral("--save-json"), json});
    QCOMPARE(convert.err, QByteArray());
    QCOMPARE(convert.exitCode, 0);
    QCOMPARE(InventoryFile::read(json).hostName, QStringLiteral("NETCHAEIV"));

    const auto reports = [&](const QString &opened, const QString &prefix) {
        const Run run = runProgram({opened, QStringLiteral("--with-properties"), QStringLiteral("--save-text"),
                                    out.filePath(prefix + QStringLiteral(".txt")), QStringLiteral("--save-html"),
                                    out.filePath(prefix + QStringLiteral(".html")), QStringLiteral("--save-json"),
                                    out.filePath(prefix + QStringLiteral(".json"))});
        QCOMPARE(run.exitCode, 0);
    };
    reports(windows7, QStringLiteral("capture"));
    reports(json, QStringLiteral("file"));
    for (const char *extension : {".txt", ".html", ".json"})
        QCOMPARE(readAll(out.filePath(QStringLiteral("file") + QLatin1String(extension))),
                 readAll(out.filePath(QStringLiteral("capture") + QLatin1String(extension))));
    QCOMPARE(readAll(out.filePath(QStringLiteral("file.json"))), readAll(json));
    const QByteArray text = readAll(out.filePath(QStringLiteral("file.txt")));
    QVERIFY(text.contains("Carte-m\xc3\xa8re"));
    QVERIFY(text.contains("MaxClockSpeed"));

    // A folder of captures is one machine, in the reports as in the file.
    QTemporaryDir folder;
    QVERIFY(QFile::copy(windows7, folder.filePath(QStringLiteral("7-CIM_LogicalDevice.wmi"))));
    QVERIFY(QFile::copy(capture(QStringLiteral("7-Win32_PhysicalMemory.wmi")), folder.filePath(QStringLiteral("Win32_PhysicalMemory.txt"))));
    const Run fromFolder = runProgram({QStringLiteral("--open"), folder.path(), QStringLiteral("--save-text"), QStringLiteral("-")});
    QCOMPARE(fromFolder.exitCode, 0);
    QVERIFY(fromFolder.out.contains("PhysicalMemory"));
    QVERIFY(fromFolder.out.contains("Carte-m\xc3\xa8re"));
}

void TestInventoryCommands::badCapturesHeadless_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::newRow("stray line") << "Win32_Bus.txt" << QByteArray("Name=a\r\nnot a property\r\n")
                                << "line 2 is not a Name=Value line";
    QTest::newRow("broken UTF-16") << "Win32_Bus.txt" << QByteArray("\xFF\xFEN\0=\0x", 7) << "broken UTF-16LE text";
    QTest::newRow("binary") << "Win32_Bus.txt" << QByteArray("Name=\0\0\0\0", 9) << "not a text file";
    QTest::newRow("wmic's error instead of records") << "Win32_Fan.txt" << QByteArray("No Instance(s) Available.\r\n")
                                                     << "line 1 is not a Name=Value line";
}

// A capture that cannot be read: one clear line, status 1, nothing written.
void TestInventoryCommands::badCapturesHeadless()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir out;
    const QString file = out.filePath(name);
    writeAll(file, content);
    const Run run = runProgram({QStringLiteral("--open"), file, QStringLiteral("--save-json"), out.filePath(QStringLiteral("x.json")),
                                QStringLiteral("--save-text"), out.filePath(QStringLiteral("x.txt"))});
    QCOMPARE(run.exitCode, 1);
    const QString err = QString::fromUtf8(run.err);
    QVERIFY2(err.startsWith(QStringLiteral("vantorix: Cannot open %1: ").arg(file)) && err.contains(message)
                 && err.count(QLatin1Char('\n')) == 1,
             qPrintable(err));
    QVERIFY(!QFile::exists(out.filePath(QStringLiteral("x.json"))));
    QVERIFY(!QFile::exists(out.filePath(QStringLiteral("x.txt"))));
}

void TestInventoryCommands::windowShowsTheWindows7Machine()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not there");
    Window w(QStringLiteral("/"), capture(QStringLiteral("7-CIM_LogicalDevice.wmi")));
    QVERIFY(w.fakes.messages.shown.empty());
    QCOMPARE(w.form->trvComputer->topLevelItem(0)->text(0), QStringLiteral("NETCHAEIV"));
    QTreeWidgetItem *pointing = w.category(QStringLiteral("PointingDevice"));
    QVERIFY(pointing);
    QCOMPARE(pointing->childCount(), 2);
    QCOMPARE(pointing->child(0)->text(0), QStringLiteral("Souris HID"));
    QCOMPARE(w.category(QStringLiteral("PNPEntity"))->childCount(), 170);
    // A click lists the captured properties, typed values shown as wmic did.
    QTreeWidgetItem *cpu = w.category(QStringLiteral("Processor"))->child(0);
    w.form->trvComputer->setCurrentItem(cpu);
    w.form->trvComputer_Click();
    QCOMPARE(w.form->Frame2->title(), QStringLiteral("Device properties: ") + cpu->text(0));
    QStringList shown;
    for (int i = 0; i < w.form->lsvProperties->topLevelItemCount(); ++i)
        shown << w.form->lsvProperties->topLevelItem(i)->text(0) + QLatin1Char('=') + w.form->lsvProperties->topLevelItem(i)->text(1);
    QVERIFY2(shown.contains(QStringLiteral("MaxClockSpeed=2801")), qPrintable(shown.join(QLatin1Char(' '))));

    // Another machine's capture folder dropped on the window replaces it.
    QTemporaryDir folder;
    QVERIFY(QFile::copy(capture(QStringLiteral("xppro2-CIM_LogicalDevice.wmi")), folder.filePath(QStringLiteral("xp-CIM_LogicalDevice.wmi"))));
    w.drop(folder.path());
    QCOMPARE(w.form->trvComputer->topLevelItem(0)->text(0), QStringLiteral("NOM_01VIEJO"));
    QVERIFY(w.fakes.messages.shown.empty());

    // Broken, it shows the box of the step that reads it and goes on.
    writeAll(folder.filePath(QStringLiteral("xp-CIM_LogicalDevice.wmi")), "Name=a\nstray\n");
    QTest::mouseClick(w.form->PushButton1, Qt::LeftButton);
    QVERIFY(!w.fakes.messages.shown.empty());
    const QString box = w.fakes.messages.shown.front().text;
    QVERIFY2(box.startsWith(QStringLiteral("Cannot open %1: xp-CIM_LogicalDevice.wmi: line 2 is not a Name=Value line").arg(folder.path())),
             qPrintable(box));
    QVERIFY(box.contains(app::ErrorTrap::locationText(QStringLiteral("PushButton1_Click")) + QStringLiteral("at line 110\r\r")));
    QVERIFY(w.form->trvComputer->isEnabled());
}

// A source whose classes fail in every way a class can, the computer
// class among them: the window on its inventory file shows the same error
// boxes and the same tree as the window on the source itself.
void TestInventoryCommands::failuresBehaveAlikeFromTheFile()
{
    using inventory::Value;
    inventory::MemorySource source;
    source.addClass(QStringLiteral("Win32_Processor")).push_back({Value::text(QStringLiteral("CPU0")), {}, true, true});
    source.add(QStringLiteral("Win32_Keyboard"), QStringLiteral("K1")).add(QStringLiteral("Win32_Keyboard"), QStringLiteral("K2"));
    source.failEnumerationAfter(QStringLiteral("Win32_Keyboard"), 1);
    source.add(QStringLiteral("Win32_DiskDrive"), QStringLiteral("Disk"), {{QStringLiteral("Size"), Value::unsignedInteger(512110190592)}});
    // Every other class, the computer included, is unknown to this source:
    // its query fails.
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("pc-9.vantorix.json"));
    writeAll(file, InventoryFile::toJson(takeRecord(source.instrumentation(), {})));

    testing::FakeServices liveFakes;
    app::Form1 live(liveFakes.services(), source.instrumentation(), app::Form1::Options{});
    live.Form_Load();
    Window opened(QStringLiteral("/"), file);
    // The missing computer shows its box, the rest goes on.
    QVERIFY(!liveFakes.messages.shown.empty());
    QCOMPARE(opened.fakes.messages.texts(), liveFakes.messages.texts());
    const auto shape = [](const QTreeWidget *tree) {
        QStringList items;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            items << tree->topLevelItem(i)->text(0) + QLatin1Char('/') + QString::number(tree->topLevelItem(i)->childCount());
        return items;
    };
    QCOMPARE(shape(opened.form->trvComputer), shape(live.trvComputer));
    QVERIFY(shape(live.trvComputer).contains(QStringLiteral("Keyboard/1")));
    QVERIFY(shape(live.trvComputer).contains(QStringLiteral("Processor/1")));
}

// Like diff: 0 for the same hardware, 1 for a difference, 2 for trouble.
void TestInventoryCommands::diffStatusesAndText()
{
    testing::FixtureTree machine;
    buildMachine(machine);
    QTemporaryDir out;
    const QString saved = out.filePath(QStringLiteral("desk-7.vantorix.json"));
    QCOMPARE(runProgram({QStringLiteral("--root"), machine.root(), QStringLiteral("--save-json"), saved}).exitCode, 0);

    const QStringList now{QStringLiteral("--root"), machine.root()};
    const Run same = runProgram(QStringList{QStringLiteral("--diff"), saved, QStringLiteral("-")} + now);
    QCOMPARE(same.err, QByteArray());
    QCOMPARE(same.exitCode, 0);
    QVERIFY2(same.out.endsWith(")\n\nNo differences.\n"), same.out.constData());
    QVERIFY(same.out.startsWith("--- " + saved.toUtf8() + " (desk-7, "));
    QVERIFY(same.out.contains("+++ the machine below " + machine.root().toUtf8() + " (desk-7, now)\n"));

    // The clock speed is a live reading: no difference unless --all.
    buildMachine(machine, "8000000", "3400.000");
    QCOMPARE(runProgram(QStringList{QStringLiteral("--diff"), saved, QStringLiteral("-")} + now).exitCode, 0);
    const Run all = runProgram(QStringList{QStringLiteral("--diff"), saved, QStringLiteral("-"), QStringLiteral("--all")} + now);
    QCOMPARE(all.exitCode, 1);
    QVERIFY2(all.out.contains("CurrentClockSpeed: 800 -> 3400\n"), all.out.constData());

    // More memory is a hardware change; the network card gone a removed device.
    buildMachine(machine, "16000000");
    QFile::remove(machine.path(QStringLiteral("sys/class/net/eth7")));
    const Run changed = runProgram(QStringList{QStringLiteral("--diff"), saved, QStringLiteral("-")} + now);
    QCOMPARE(changed.exitCode, 1);
    QVERIFY2(changed.out.contains("\nComputer\n  ~ DESK-7\n      TotalPhysicalMemory: 8192000000 -> 16384000000\n"),
             changed.out.constData());
    QVERIFY2(changed.out.contains("\nNetworkAdapter\n  - "), changed.out.constData());
    QVERIFY(changed.out.endsWith(" removed, 2 changed.\n") || changed.out.endsWith(" changed.\n"));

    // Trouble is not "different".
    const Run missing = runProgram({QStringLiteral("--diff"), saved, out.filePath(QStringLiteral("none.json"))});
    QCOMPARE(missing.exitCode, 2);
    QCOMPARE(missing.out, QByteArray());
    QVERIFY(missing.err.startsWith("vantorix: Cannot open " + out.filePath(QStringLiteral("none.json")).toUtf8() + ": no such file"));
}

// Captures compare with each other and with inventory files alike.
void TestInventoryCommands::diffOfCaptures()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not there");
    const QString seven = capture(QStringLiteral("7-Win32_Processor.wmi"));
    const QString xp = capture(QStringLiteral("xp-Win32_Processor.wmi"));
    const Run same = runProgram({QStringLiteral("--diff"), seven, seven});
    QCOMPARE(same.exitCode, 0);
    const Run other = runProgram({QStringLiteral("--diff"), xp, seven});
    QCOMPARE(other.exitCode, 1);
    QVERIFY2(other.out.contains("\nProcessor\n  - "), other.out.constData());
    QVERIFY(other.out.contains("  + x64 Family 6 Model 42 Stepping 7\n"));
}

void TestInventoryCommands::redactEveryOutput_data()
{
    QTest::addColumn<QString>("machine"); // a shared archive, or an SMBIOS table by name
    QTest::addColumn<QStringList>("secrets");
    QTest::newRow("ThinkPad X61, its MAC address") << "sysfs/systemd-sys-script/sys-tree-generated.tar.xz"
                                                    << QStringList{"00:16:41:e2:8d:ff", "00:19:d2:75:ae:ff"};
    QTest::newRow("SMBIOS of an X399 desktop, its serials") << "DMI-amd" << QStringList{"M80-B7007400024"};
    QTest::newRow("a Windows 7 capture, its host and serials")
        << "wmi/glpi-agent-wmic-list/7-CIM_LogicalDevice.wmi" << QStringList{"NETCHAEIV", "V9BPZMMJ", "4Y66D7EH", "F4:6D:04:97:2D:3E"};
}

// --redact through the real program: no secret in the text report, the HTML
// report or the inventory file, and the file still matches the schema.
void TestInventoryCommands::redactEveryOutput()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not there");
    QFETCH(QString, machine);
    QFETCH(QStringList, secrets);
    testing::FixtureTree tree;
    QStringList source;
    if (machine.startsWith(QLatin1String("wmi/"))) {
        source = {QStringLiteral("--open"), testing::sharedData(machine)};
    } else if (machine.contains(QLatin1Char('/'))) {
        const QString unpacked = testing::unpackShared(machine, {QStringLiteral("sys/kernel/slab")});
        QVERIFY(!unpacked.isEmpty());
        const QStringList inner = QDir(unpacked).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        source = {QStringLiteral("--root"), QFile::exists(unpacked + QStringLiteral("/sys")) ? unpacked : unpacked + QLatin1Char('/') + inner.value(0)};
    } else {
        const std::optional<testing::RealTable> table = testing::realTable(machine);
        QVERIFY(table);
        testing::writeTable(tree, table->entryPoint, table->table);
        source = {QStringLiteral("--root"), tree.root()};
    }
    QTemporaryDir out;
    const QStringList saves{QStringLiteral("--with-properties"), QStringLiteral("--save-text"), out.filePath(QStringLiteral("r.txt")),
                            QStringLiteral("--save-html"), out.filePath(QStringLiteral("r.html")), QStringLiteral("--save-json"),
                            out.filePath(QStringLiteral("r.json"))};
    // Without --redact the secrets are there: the check below means something.
    QCOMPARE(runProgram(source + saves).exitCode, 0);
    const QByteArray plain = readAll(out.filePath(QStringLiteral("r.txt"))) + readAll(out.filePath(QStringLiteral("r.json")));
    for (const QString &secret : std::as_const(secrets))
        QVERIFY2(QString::fromUtf8(plain).contains(secret, Qt::CaseInsensitive), qPrintable(secret));

    const Run redacted = runProgram(source + saves + QStringList{QStringLiteral("--redact")});
    QCOMPARE(redacted.err, QByteArray());
    QCOMPARE(redacted.exitCode, 0);
    for (const char *name : {"r.txt", "r.html", "r.json"}) {
        const QString written = QString::fromUtf8(readAll(out.filePath(QLatin1String(name))));
        QVERIFY(written.contains(QStringLiteral("[redacted]")));
        for (const QString &secret : std::as_const(secrets))
            QVERIFY2(!written.contains(secret, Qt::CaseInsensitive), qPrintable(QLatin1String(name) + QLatin1Char(' ') + secret));
    }
    const QString problems = schemaProblems({out.filePath(QStringLiteral("r.json"))});
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

QTEST_MAIN(TestInventoryCommands)
#include "tst_inventorycommands.moc"
