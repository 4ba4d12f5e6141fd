// The headless export: the same bytes as the save buttons for the same
// machine, standard output, failures on standard error with a non-zero exit
// status, and the command line itself, run as a real process without a display.
#include "support/ProgramRun.h"
#include "support/Fakes.h"
#include "support/Fixtures.h"

#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/HeadlessExport.h"
#include "inventory/linux/LinuxSource.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using inventory::linuxsource::LinuxSource;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// A small machine: host name, memory, one processor package with two
// threads (named with characters HTML must escape), the loopback interface.
void buildMachine(testing::FixtureTree &fx)
{
    fx.file(QStringLiteral("proc/sys/kernel/hostname"), "build-host\n")
        .file(QStringLiteral("proc/meminfo"), "MemTotal:        8000000 kB\n");
    QByteArray cpuinfo;
    for (int i = 0; i < 2; ++i)
        cpuinfo += "processor\t: " + QByteArray::number(i)
            + "\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 142\nmodel name\t: Core <i5> & more\n"
              "stepping\t: 10\ncpu MHz\t\t: 1896.000\nphysical id\t: 0\ncore id\t\t: 0\n\n";
    fx.file(QStringLiteral("proc/cpuinfo"), cpuinfo);
    const QString lo = QStringLiteral("sys/devices/virtual/net/lo/");
    fx.file(lo + QStringLiteral("ifindex"), "1\n").file(lo + QStringLiteral("type"), "772\n")
        .file(lo + QStringLiteral("address"), "00:00:00:00:00:00\n").file(lo + QStringLiteral("operstate"), "unknown\n")
        .link(QStringLiteral("sys/class/net/lo"), QStringLiteral("../../devices/virtual/net/lo"));
}

// What the window's button writes for this root and option.
QByteArray buttonReport(const QString &root, bool html, bool withProperties, const QString &target)
{
    testing::FakeServices fakes;
    app::Form1 form(fakes.services(), LinuxSource::instrumentation(root), app::Form1::Options{});
    form.Form_Load();
    (withProperties ? form.Option2 : form.Option1)->setChecked(true);
    fakes.saveDialog.answer = target;
    QTest::mouseClick(html ? form.PushButton2 : form.PushButton3, Qt::LeftButton);
    return readAll(target);
}

using Run = testing::ProgramRun;
using testing::runProgram;

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameBytesAsTheButtons_data();
    void sameBytesAsTheButtons();
    void programWritesWithoutADisplay();
    void programFailsClearly_data();
    void programFailsClearly();
    void helpAndVersion();
    void withoutSaveOptionsItIsTheWindow_data();
    void withoutSaveOptionsItIsTheWindow();
};

void TestExport::sameBytesAsTheButtons_data()
{
    QTest::addColumn<QString>("machine"); // "" = the synthetic one
    QTest::addColumn<bool>("html");
    QTest::addColumn<bool>("withProperties");
    for (const char *machine : {"", "linux-amd64-amd-ryzen-1600.tar.gz"}) {
        for (const bool html : {false, true}) {
            for (const bool withProperties : {false, true})
                QTest::addRow("%s %s %s", *machine ? machine : "synthetic", html ? "html" : "text",
                              withProperties ? "properties" : "list")
                    << QString::fromLatin1(machine) << html << withProperties;
        }
    }
}

void TestExport::sameBytesAsTheButtons()
{
    QFETCH(QString, machine);
    QFETCH(bool, html);
    QFETCH(bool, withProperties);
    testing::FixtureTree synthetic;
    buildMachine(synthetic);
    QString root = synthetic.root();
    if (!machine.isEmpty()) {
        root = testing::unpackShared(QStringLiteral("sysfs/ghw-snapshots/") + machine);
        if (root.isEmpty())
            QSKIP("../shared/realdata is not available");
    }
    testing::FixtureTree out;
    const QByteArray fromButton = buttonReport(root, html, withProperties, out.path(QStringLiteral("button")));

    app::HeadlessExport exporter;
    (html ? exporter.htmlTarget : exporter.textTarget) = out.path(QStringLiteral("headless"));
    exporter.withProperties = withProperties;
    QStringList complaints;
    const int status = exporter.run(LinuxSource::instrumentation(root), [&](const QString &c) { complaints << c; });
    QCOMPARE(status, complaints.isEmpty() ? 0 : 1);
    if (machine.isEmpty())
        QCOMPARE(complaints, QStringList());

    const QByteArray headless = readAll(out.path(QStringLiteral("headless")));
    QCOMPARE(headless, fromButton);
    QVERIFY(headless.contains(withProperties ? "Properties" : "Processor"));
    if (withProperties)
        QVERIFY(headless.contains(html ? "<td>Caption</td>" : "\t\t\tCaption:\t"));
}

void TestExport::programWritesWithoutADisplay()
{
    testing::FixtureTree machine;
    buildMachine(machine);
    testing::FixtureTree out;
    const QByteArray fromButton = buttonReport(machine.root(), true, true, out.path(QStringLiteral("button.html")));

    const Run toStdout = runProgram({QStringLiteral("--root"), machine.root(), QStringLiteral("--save-html"),
                                     QStringLiteral("-"), QStringLiteral("--with-properties")});
    QCOMPARE(toStdout.err, QByteArray());
    QCOMPARE(toStdout.exitCode, 0);
    QCOMPARE(toStdout.out, fromButton);
    QVERIFY(fromButton.contains("<td>Name</td><td>Core &lt;i5&gt; &amp; more</td></tr>"));

    // Both reports in one run, list mode, to files.
    const Run toFiles = runProgram({QStringLiteral("--root"), machine.root(), QStringLiteral("--save-text"),
                                    out.path(QStringLiteral("a.txt")), QStringLiteral("--save-html"),
                                    out.path(QStringLiteral("a.html"))});
    QCOMPARE(toFiles.exitCode, 0);
    QCOMPARE(toFiles.out, QByteArray());
    QCOMPARE(readAll(out.path(QStringLiteral("a.txt"))),
             buttonReport(machine.root(), false, false, out.path(QStringLiteral("button.txt"))));
    QVERIFY(readAll(out.path(QStringLiteral("a.html"))).startsWith("<html><meta charset=\"utf-8\"><title>List of Devices Names"));
}

void TestExport::programFailsClearly_data()
{
    QTest::addColumn<QStringList>("arguments"); // "ROOT" stands for a fixture machine
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QString root = QStringLiteral("ROOT");
    QTest::newRow("missing folder") << QStringList{QStringLiteral("--root"), root, QStringLiteral("--save-text"), QStringLiteral("/nonexistent/r.txt")}
                                    << 1 << QStringLiteral("vantorix: Cannot write /nonexistent/r.txt: No such file or directory\n");
    QTest::newRow("full device") << QStringList{QStringLiteral("--root"), root, QStringLiteral("--save-html"), QStringLiteral("/dev/full")}
                                 << 1 << QStringLiteral("vantorix: Cannot write /dev/full: No space left on device\n");
    QTest::newRow("root that is no folder")
        << QStringList{QStringLiteral("--root"), QStringLiteral("/nonexistent"), QStringLiteral("--save-text"), QStringLiteral("-")}
        << 2 << QStringLiteral("vantorix: --root /nonexistent is not a folder.\n");
    QTest::newRow("properties without a report") << QStringList{QStringLiteral("--with-properties")} << 2
                                                 << QStringLiteral("vantorix: --with-properties goes with --save-text or --save-html.\n");
    QTest::newRow("two reports to standard output")
        << QStringList{QStringLiteral("--save-text"), QStringLiteral("-"), QStringLiteral("--save-html"), QStringLiteral("-")} << 2
        << QStringLiteral("vantorix: Only one file can go to standard output.\n");
    QTest::newRow("save option without a file") << QStringList{QStringLiteral("--save-text")} << 2
                                                << QStringLiteral("vantorix: Missing value after '--save-text'.\n");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--frobnicate")} << 2
                                    << QStringLiteral("vantorix: Unknown option 'frobnicate'.\n");
    QTest::newRow("two files") << QStringList{QStringLiteral("a.json"), QStringLiteral("b.json")} << 2
                               << QStringLiteral("vantorix: Only one file can be opened; unexpected argument 'b.json'.\n");
    QTest::newRow("unknown single-dash option among Qt's")
        << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-frobnicate")} << 2
        << QStringLiteral("vantorix: Unknown option 'frobnicate'.\n");
    QTest::newRow("a file to open that is not there")
        << QStringList{QStringLiteral("/nonexistent/machine.json"), QStringLiteral("--save-text"), QStringLiteral("-")} << 1
        << QStringLiteral("vantorix: Cannot open /nonexistent/machine.json: no such file\n");
}

void TestExport::programFailsClearly()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    testing::FixtureTree machine;
    buildMachine(machine);
    arguments.replaceInStrings(QStringLiteral("ROOT"), machine.root());
    const Run run = runProgram(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(QString::fromUtf8(run.err).startsWith(message), run.err.constData());
    if (exitCode == 2 && !message.contains(QLatin1String("Cannot open")))
        QVERIFY(run.err.endsWith("Try 'vantorix --help'.\n"));
}

void TestExport::helpAndVersion()
{
    const Run help = runProgram({QStringLiteral("--help")});
    QCOMPARE(help.exitCode, 0);
    for (const char *option : {"--save-text <FILE>", "--save-html <FILE>", "--with-properties", "--root <DIR>", "--version"})
        QVERIFY2(help.out.contains(option), option);
    const Run version = runProgram({QStringLiteral("--version")});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QByteArray("vantorix " VANTORIX_VERSION "\n"));
}

void TestExport::withoutSaveOptionsItIsTheWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("root");
    using Action = app::CommandLine::Action;
    QTest::newRow("no options") << QStringList{} << int(Action::Window) << QStringLiteral("/");
    QTest::newRow("another root") << QStringList{QStringLiteral("--root"), QStringLiteral("/srv/m")} << int(Action::Window)
                                  << QStringLiteral("/srv/m");
    QTest::newRow("a report") << QStringList{QStringLiteral("--save-text=-")} << int(Action::Export) << QStringLiteral("/");
    // Qt's own options, in every spelling Qt accepts, are left to Qt.
    const QString m = QStringLiteral("/srv/m");
    const auto withQt = [&](const char *name, QStringList qtOptions) {
        QTest::newRow(name) << (qtOptions << QStringLiteral("--root") << m) << int(Action::Window) << m;
    };
    withQt("-platform xcb", {QStringLiteral("-platform"), QStringLiteral("xcb")});
    withQt("-display :1", {QStringLiteral("-display"), QStringLiteral(":1")});
    withQt("-style fusion", {QStringLiteral("-style"), QStringLiteral("fusion")});
    withQt("-style=fusion", {QStringLiteral("-style=fusion")});
    withQt("--style=fusion", {QStringLiteral("--style=fusion")});
    withQt("--reverse", {QStringLiteral("--reverse")});
    withQt("-reverse -qwindowgeometry", {QStringLiteral("-reverse"), QStringLiteral("-qwindowgeometry"), QStringLiteral("800x600+0+0")});
    withQt("--platform offscreen", {QStringLiteral("--platform"), QStringLiteral("offscreen")});
    QTest::newRow("Qt options with a report") << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--save-text"), QStringLiteral("-")}
                                              << int(Action::Export) << QStringLiteral("/");
}

void TestExport::withoutSaveOptionsItIsTheWindow()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, root);
    const app::CommandLine line = app::CommandLine::parse(QStringList{QStringLiteral("vantorix")} + arguments);
    QCOMPARE(int(line.action), action);
    QCOMPARE(line.root, root);
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
