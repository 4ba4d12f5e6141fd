// The program on Windows, over WMI (Wine's when run under Wine): the
// headless export, in the process and as the real vantorix.exe, and the
// window with the skin and the cursor file from its program folder. WMI's
// answers are copied into memory first, so that every result can be checked
// against what the same program makes of the same inventory held in memory.
#include "WineHost.h"
#include "support/CursorFiles.h"
#include "support/Fakes.h"

#include "app/Form1.h"
#include "app/HeadlessExport.h"
#include "app/MainModule.h"
#include "inventory/Catalogue.h"
#include "inventory/MemorySource.h"
#include "inventory/windows/WindowsSource.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using inventory::Value;
using inventory::windowssource::WindowsSource;

namespace {

// A path of the Linux host as a Windows program under Wine reaches it.
QString hostPath(const QString &path)
{
    return wine::running() && path.startsWith(QLatin1Char('/')) ? QStringLiteral("Z:") + path : path;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Every class the scan asks for, as WMI answers it now, in memory.
void copyMachine(inventory::MemorySource &copy)
{
    const inventory::Instrumentation wmi = WindowsSource::instrumentation();
    QStringList classes = inventory::deviceCatalogue();
    classes.prepend(inventory::ComputerClass);
    for (const QString &className : classes) {
        std::vector<inventory::MemorySource::Entry> entries;
        try {
            inventory::InstanceEnumeration instances = wmi.connect()->instancesOf(className);
            while (std::optional<inventory::Instance> instance = instances.next()) {
                inventory::MemorySource::Entry entry;
                entry.hasCaption = instance->hasCaption();
                if (entry.hasCaption)
                    entry.caption = instance->caption();
                entry.properties = instance->properties();
                entries.push_back(entry);
            }
        } catch (const inventory::Failure &) {
            continue; // unknown to WMI: unknown to the copy
        }
        copy.addClass(className) = entries;
    }
}

// The first value WMI gives for a property of a class, as text.
QString wmiValue(const QString &className, const QString &property)
{
    inventory::InstanceEnumeration instances = WindowsSource::instrumentation().connect()->instancesOf(className);
    while (std::optional<inventory::Instance> instance = instances.next()) {
        for (const inventory::Property &one : instance->properties()) {
            if (one.name == property && one.value.hasText())
                return one.value.toText();
        }
    }
    return QString();
}

// Live WMI with a computer node: where the computer has no Caption (Wine),
// its Name stands in, so that the devices below it reach the reports.
class NamedComputer final : public inventory::Service
{
public:
    inventory::InstanceEnumeration instancesOf(const QString &className) override
    {
        if (className != inventory::ComputerClass)
            return m_wmi.instancesOf(className);
        const inventory::Value name = inventory::Value::text(wmiValue(className, QStringLiteral("Name")));
        return inventory::InstanceEnumeration(
            std::vector<inventory::Instance>{inventory::Instance(name, [] { return inventory::Properties(); })});
    }

private:
    WindowsSource m_wmi;
};

// On Windows itself the reports with properties hold live readings (a
// processor's load and clock), which differ between two scans.
bool liveReadingsDiffer(bool withProperties)
{
    return withProperties && !wine::running();
}

struct Export
{
    int status = -1;
    QStringList complaints;
    QByteArray report;
};

Export exportOf(const inventory::Instrumentation &source, bool html, bool withProperties)
{
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("report"));
    app::HeadlessExport exporter;
    (html ? exporter.htmlTarget : exporter.textTarget) = target;
    exporter.withProperties = withProperties;
    Export result;
    result.status = exporter.run(source, [&](const QString &message) { result.complaints.append(message); });
    result.report = readAll(target);
    return result;
}

struct Run
{
    int status = -1;
    QByteArray out;
    QStringList complaints;
};

Run runProgram(const QStringList &arguments)
{
    QProcess program;
    program.start(hostPath(QStringLiteral(VANTORIX_BINARY)), arguments);
    Run run;
    if (!program.waitForFinished(180000)) {
        program.kill();
        program.waitForFinished();
        return run;
    }
    run.status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.out = program.readAllStandardOutput();
    // Only the program's own lines: Wine may add its own on standard error.
    for (const QString &line : QString::fromUtf8(program.readAllStandardError()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("vantorix: ")))
            run.complaints.append(line.mid(10).trimmed());
    }
    return run;
}

} // namespace

class tst_WindowsApp : public QObject
{
    Q_OBJECT

    inventory::MemorySource m_copy;

private Q_SLOTS:
    void initTestCase() { copyMachine(m_copy); }

    void exportOverWmi_data()
    {
        QTest::addColumn<bool>("html");
        QTest::addColumn<bool>("withProperties");
        // Under Wine no node is a device (see below): the heading alone,
        // then the end of the page, and the line end every report gets.
        QTest::addColumn<QByteArray>("onWine");
        const QByteArray page = "</b></font><center><hr><table border=0 width='100%'></table></body></html>\r\n";
        QTest::newRow("text, device list") << false << false << QByteArray("LIST OF DEVICES NAMES\r\n\r\n\r\n");
        QTest::newRow("text, with properties") << false << true << QByteArray("HARDWARE INFORMATION\r\n\r\n\r\n");
        QTest::newRow("html, device list")
            << true << false
            << "<html><meta charset=\"utf-8\"><title>List of Devices Names</title><body><center><font size='5px'><b>"
                   "List of Devices Names" + page;
        QTest::newRow("html, with properties")
            << true << true
            << "<html><meta charset=\"utf-8\"><title>Hardware Information</title><body><center><font size='5px'><b>"
                   "Hardware Information" + page;
    }

    // The export over live WMI is the export of the same inventory in memory,
    // byte for byte and failure for failure.
    void exportOverWmi()
    {
        QFETCH(bool, html);
        QFETCH(bool, withProperties);
        QFETCH(QByteArray, onWine);
        if (liveReadingsDiffer(withProperties))
            QSKIP("live readings differ between two scans");
        const Export live = exportOf(WindowsSource::instrumentation(), html, withProperties);
        const Export copy = exportOf(m_copy.instrumentation(), html, withProperties);
        QCOMPARE(live.complaints, copy.complaints);
        QCOMPARE(live.status, copy.status);
        QCOMPARE(live.report, copy.report);

        if (!wine::running())
            return;
        // Wine's computer has no Caption: no computer node, so the tree's
        // first node cannot be expanded (one failure), the categories land at
        // the root, and no node's path has the three parts of a device, so the
        // report holds no device at all and the export says it failed.
        QCOMPARE(live.status, 1);
        QCOMPARE(live.complaints.size(), 1);
        QVERIFY2(live.complaints.constFirst().startsWith(QLatin1String("scan step 114 failed: ")),
                 qPrintable(live.complaints.constFirst()));
        QCOMPARE(live.report, onWine);
    }

    void reportsOverWmi_data()
    {
        QTest::addColumn<bool>("html");
        QTest::newRow("text") << false;
        QTest::newRow("html") << true;
    }

    // With a computer node, WMI's devices and their values reach the report;
    // a class whose instances have no Caption still has no device there.
    void reportsOverWmi()
    {
        QFETCH(bool, html);
        const Export report = exportOf(inventory::Instrumentation([] { return std::make_shared<NamedComputer>(); }),
                                       html, true);
        QCOMPARE(report.complaints, QStringList());
        QCOMPARE(report.status, 0);
        const QString processor = wmiValue(QStringLiteral("Win32_Processor"), QStringLiteral("Caption"));
        const QString cores = wmiValue(QStringLiteral("Win32_Processor"), QStringLiteral("NumberOfCores"));
        QVERIFY(!processor.isEmpty() && !cores.isEmpty());
        const QString line = html ? QStringLiteral("<tr><td>%1</td></tr>\r\n") : QStringLiteral("\t\t%1\r\n");
        const QString pair = html ? QStringLiteral("<tr><td>&nbsp;</td><td>%1</td><td>%2</td></tr>\r\n")
                                  : QStringLiteral("\t\t\t%1:\t%2\r\n");
        const QString category = html ? QStringLiteral("<tr><td><b>%1</b></td></tr>\r\n") : QStringLiteral("\t%1\r\n");
        const QString text = QString::fromUtf8(report.report);
        QVERIFY2(text.contains(category.arg(QStringLiteral("Processor")) + line.arg(html ? processor.toHtmlEscaped() : processor)),
                 qPrintable(text.left(2000)));
        QVERIFY(text.contains(pair.arg(QStringLiteral("NumberOfCores"), cores)));
        if (wine::running())
            QVERIFY(!text.contains(category.arg(QStringLiteral("DiskDrive"))));
    }

    // Reports are UTF-8 on Windows too, whatever the ANSI code page.
    void reportsAreUtf8()
    {
        inventory::MemorySource machine;
        machine.add(inventory::ComputerClass, QStringLiteral("Büro-PC"));
        for (const QString &className : inventory::deviceCatalogue())
            machine.addClass(className);
        machine.add(QStringLiteral("Win32_Keyboard"), QStringLiteral("Clavier français €"),
                    {{QStringLiteral("Description"), Value::text(QStringLiteral("Tastatur (Deutsch) ÄÖÜ"))}});
        const Export text = exportOf(machine.instrumentation(), false, true);
        QCOMPARE(text.status, 0);
        QVERIFY(text.report.contains("\t\tClavier fran\xc3\xa7" "ais \xe2\x82\xac\r\n"));
        QVERIFY(text.report.contains("Description:\tTastatur (Deutsch) \xc3\x84\xc3\x96\xc3\x9c\r\n"));
        const Export html = exportOf(machine.instrumentation(), true, true);
        QVERIFY(html.report.contains("Clavier fran\xc3\xa7" "ais \xe2\x82\xac"));
    }

    // The real vantorix.exe writes what the export in this process writes,
    // to a file and, unchanged, to standard output.
    void program_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("withProperties");
        QTest::newRow("text") << QStringLiteral("--save-text") << false;
        QTest::newRow("text with properties") << QStringLiteral("--save-text") << true;
        QTest::newRow("html with properties") << QStringLiteral("--save-html") << true;
    }

    void program()
    {
        QFETCH(QString, option);
        QFETCH(bool, withProperties);
        const bool html = option == QLatin1String("--save-html");
        if (liveReadingsDiffer(withProperties))
            QSKIP("live readings differ between two scans");
        const Export expected = exportOf(m_copy.instrumentation(), html, withProperties);
        QStringList extra;
        if (withProperties)
            extra.append(QStringLiteral("--with-properties"));

        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("report ü.txt"));
        const Run toFile = runProgram(QStringList{option, target} + extra);
        QCOMPARE(toFile.complaints, expected.complaints);
        QCOMPARE(toFile.status, expected.status);
        QCOMPARE(readAll(target), expected.report);

        // Standard output is binary: "\r\n" stays "\r\n".
        const Run toOutput = runProgram(QStringList{option, QStringLiteral("-")} + extra);
        QCOMPARE(toOutput.status, expected.status);
        QCOMPARE(toOutput.out, expected.report);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0
                                 << QStringLiteral("vantorix " VANTORIX_VERSION "\n");
        // WMI has no root folder: the option does not exist here.
        QTest::newRow("no --root on Windows") << QStringList{QStringLiteral("--root"), QStringLiteral("C:\\"),
                                                             QStringLiteral("--save-text"), QStringLiteral("-")}
                                              << 2 << QString();
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, output);
        const Run run = runProgram(arguments);
        QCOMPARE(run.status, status);
        QCOMPARE(QString::fromUtf8(run.out), output);
    }

    // This machine's inventory file, written, read back and written again
    // unchanged, compared and redacted, all by the real program.
    void inventoryFiles()
    {
        QTemporaryDir folder;
        const QString saved = folder.filePath(QStringLiteral("this.vantorix.json"));
        const QString again = folder.filePath(QStringLiteral("again.vantorix.json"));
        const QString hidden = folder.filePath(QStringLiteral("public.vantorix.json"));
        QCOMPARE(runProgram({QStringLiteral("--save-json"), saved}).status, 0);
        const QByteArray json = readAll(saved);
        QVERIFY(json.contains("\"source\": {\"kind\": \"windows\", \"location\": \"ROOT\\\\CIMV2\"}"));
        const QByteArray mac = wmiValue(QStringLiteral("Win32_NetworkAdapter"), QStringLiteral("MACAddress")).toUtf8();
        QVERIFY(!mac.isEmpty() && json.contains(mac));

        QCOMPARE(runProgram({QStringLiteral("--open"), saved, QStringLiteral("--save-json"), again}).status, 0);
        QCOMPARE(readAll(again), json);
        QCOMPARE(runProgram({QStringLiteral("--open"), saved, QStringLiteral("--redact"), QStringLiteral("--save-json"), hidden})
                     .status,
                 0);
        QVERIFY(readAll(hidden).contains("[redacted]"));
        QVERIFY(!readAll(hidden).contains(mac));

        // --diff: 0 for the same hardware, 1 and the changes for another.
        QCOMPARE(runProgram({QStringLiteral("--diff"), saved, again}).status, 0);
        const Run diff = runProgram({QStringLiteral("--diff"), saved, hidden});
        QCOMPARE(diff.status, 1);
        QVERIFY2(diff.out.contains("MACAddress: " + mac + " -> [redacted]"), diff.out.constData());
    }

    // The window over WMI, with the example skin and a cursor file in its
    // program folder, as a user unpacks the zip.
    void window()
    {
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkpath(QStringLiteral("x")));
        QVERIFY(QFile::copy(hostPath(QStringLiteral(VANTORIX_EXAMPLE_SKIN)), program.filePath(QStringLiteral("x/o.cjs"))));
        QFile cursor(program.filePath(QStringLiteral("HAND-M.CUR")));
        QVERIFY(cursor.open(QIODevice::WriteOnly));
        cursor.write(testing::cursorFileBytes(6, 2));
        cursor.close();
        // The help pages beside the program, as the zip has them.
        QVERIFY(QDir(program.path()).mkpath(QStringLiteral("help")));
        QFile help(program.filePath(QStringLiteral("help/index.html")));
        QVERIFY(help.open(QIODevice::WriteOnly));
        help.close();

        testing::FakeServices fakes;
        app::Form1 form(fakes.services(), WindowsSource::instrumentation(), app::Form1::Options{program.path()});
        form.Form_Load();

        QCOMPARE(form.styleSheet(), QString::fromUtf8(readAll(hostPath(QStringLiteral(VANTORIX_EXAMPLE_SKIN)))));
        QVERIFY(form.MouseIcon());
        QCOMPARE(form.MouseIcon()->hotSpot(), QPoint(6, 2));

        // The tree holds what the same scan makes of the copy in memory.
        testing::FakeServices copyFakes;
        app::Form1 copyForm(copyFakes.services(), m_copy.instrumentation(), app::Form1::Options{});
        copyForm.Form_Load();
        QCOMPARE(fakes.messages.texts(), copyFakes.messages.texts());
        QCOMPARE(form.trvComputer->topLevelItemCount(), copyForm.trvComputer->topLevelItemCount());
        for (int i = 0; i < form.trvComputer->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *node = form.trvComputer->topLevelItem(i);
            const QTreeWidgetItem *same = copyForm.trvComputer->topLevelItem(i);
            QCOMPARE(node->text(0), same->text(0));
            QCOMPARE(node->childCount(), same->childCount());
            for (int c = 0; c < node->childCount(); ++c)
                QCOMPARE(node->child(c)->text(0), same->child(c)->text(0));
        }
        if (wine::running()) {
            // No computer node: one error box, and the 56 categories at the
            // root in the catalogue's order. Wine's devices without a Caption
            // are not in the tree; those with one are.
            QCOMPARE(fakes.messages.shown.size(), std::size_t(1));
            const QStringList catalogue = inventory::deviceCatalogue();
            QCOMPARE(form.trvComputer->topLevelItemCount(), int(catalogue.size()));
            for (int i = 0; i < int(catalogue.size()); ++i)
                QCOMPARE(form.trvComputer->topLevelItem(i)->text(0), inventory::categoryText(catalogue.at(i)));
            const auto devicesUnder = [&](const QString &category) {
                const auto found = form.trvComputer->findItems(category, Qt::MatchExactly);
                return found.size() == 1 ? found.constFirst()->childCount() : -1;
            };
            QCOMPARE(devicesUnder(QStringLiteral("DiskDrive")), 0);
            QCOMPARE(devicesUnder(QStringLiteral("NetworkAdapter")), 0);
            QVERIFY(devicesUnder(QStringLiteral("Processor")) > 0);
        }

        QTest::mouseClick(form.PushButton4, Qt::LeftButton);
        const QUrl helpPage = app::Main::HelpPageAddress.isEmpty()
            ? QUrl::fromLocalFile(program.filePath(QStringLiteral("help/index.html")))
            : QUrl(app::Main::HelpPageAddress);
        QCOMPARE(fakes.urlOpener.opened, QList<QUrl>{helpPage});
    }
};

QTEST_MAIN(tst_WindowsApp)
#include "tst_windowsapp.moc"
