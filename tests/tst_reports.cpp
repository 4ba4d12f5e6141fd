// The report walk and its two formats: the worked examples byte for byte,
// the shapes of tree that catch real faults, the per-save class cache,
// escaping, and what a real browser makes of the page.
#include "support/Fakes.h"
#include "support/Fixtures.h"
#include "support/WorkedExample.h"

#include "inventory/Catalogue.h"
#include "inventory/MemoryDeviceTree.h"
#include "inventory/MemorySource.h"
#include "inventory/Scan.h"
#include "inventory/linux/LinuxSource.h"
#include "report/HtmlReport.h"
#include "report/ReportWalk.h"
#include "report/TextReport.h"
#include "report/ReportFile.h"
#include "report/WriteTextFile.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace inventory;

namespace {

class SwitchableOption final : public report::SaveOption
{
public:
    bool deviceListSelected() const override { return list; }
    bool withPropertiesSelected() const override { return properties; }
    void select(bool withProperties)
    {
        list = !withProperties;
        properties = withProperties;
    }
    bool list = true;
    bool properties = false;
};

Property prop(const char *name, const QString &value)
{
    return {QLatin1String(name), Value::text(value)};
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

const report::TextReport Text;
const report::HtmlReport Html;

struct Rig
{
    MemorySource source;
    MemoryDeviceTree tree;
    MemoryProgressBar bar;
    testing::ScriptedPump pump;
    SwitchableOption option;
    std::vector<std::pair<QString, int>> failures;
    modGetDevices devices{source.instrumentation(), pump};
    report::ReportWalk walk{{tree, bar, pump, devices, option}};
    StepRunner trap{[this](const QString &description, int line) { failures.emplace_back(description, line); }};
    QTemporaryDir folder;

    DeviceTree::Node computer = 0;

    DeviceTree::Node category(const QString &text)
    {
        if (!computer)
            computer = tree.addRoot(QStringLiteral("DESK"));
        source.addClass(QStringLiteral("Win32_") + text);
        return tree.addChild(computer, text);
    }
    DeviceTree::Node device(DeviceTree::Node category, const QString &caption, Properties properties = {})
    {
        const QString className = QStringLiteral("Win32_") + tree.fullPath(category)->section(QLatin1Char('\\'), 1, 1);
        source.add(className, caption, std::move(properties));
        return tree.addChild(category, caption);
    }

    // The file a save writes, read back: the walk streams it there, as the
    // window's save does.
    QByteArray save(const report::ReportFormat &format, bool withProperties)
    {
        option.select(withProperties);
        const QString path = folder.filePath(QStringLiteral("report"));
        report::ReportFile file(path);
        walk.compose(format, trap, file);
        file.finish();
        return readAll(path);
    }
    QByteArray write(const QString &text)
    {
        const QString path = folder.filePath(QStringLiteral("report"));
        report::WriteTextFile(text, path);
        return readAll(path);
    }
};

// Processor with CPU0 (Name^CPU0, Status^OK), Keyboard without devices,
// DiskDrive with DiskA without pairs.
void workedExample(Rig &rig)
{
    rig.device(rig.category(QStringLiteral("Processor")), QStringLiteral("CPU0"),
               {prop("Name", QStringLiteral("CPU0")), prop("Status", QStringLiteral("OK"))});
    rig.category(QStringLiteral("Keyboard"));
    rig.device(rig.category(QStringLiteral("DiskDrive")), QStringLiteral("DiskA"));
}

using testing::crlfLines;
const QByteArray HtmlHeader = testing::HtmlPropertiesHeader;
const QByteArray HtmlListHeader = testing::HtmlListHeader;
const char *const PropsStart = testing::HtmlPropertiesStart;

QString chromium()
{
    return QStandardPaths::findExecutable(QStringLiteral("chromium"));
}

// The page's DOM after the browser has loaded it and run what it would run.
QByteArray browserDom(const QString &page)
{
    QTemporaryDir profile;
    QProcess browser;
    browser.start(chromium(), {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                               QStringLiteral("--no-first-run"), QStringLiteral("--disable-background-networking"),
                               QStringLiteral("--disable-component-update"), QStringLiteral("--disable-sync"),
                               QStringLiteral("--user-data-dir=") + profile.path(), QStringLiteral("--dump-dom"),
                               QStringLiteral("file://") + page});
    if (!browser.waitForFinished(120000)) {
        browser.kill();
        browser.waitForFinished();
        return {};
    }
    return browser.readAllStandardOutput();
}

} // namespace

class TestReports : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExamples_data();
    void workedExamples();
    void treeShapes_data();
    void treeShapes();
    void htmlShapes();
    void pumpsAndProgress();
    void optionChangedMidSave_data();
    void optionChangedMidSave();
    void rescanDuringTheWalk();
    void failingStepsNameTheirHandlersLines();
    void eachClassIsEnumeratedOncePerSave();
    void cacheAnswersLikeTheQuery();
    void cacheAnswersLikeTheQueryOnARealMachine_data();
    void cacheAnswersLikeTheQueryOnARealMachine();
    void htmlEscapesEveryInsertedText();
    void browserShowsValuesAsTextAndRunsNothing();
};

void TestReports::workedExamples_data()
{
    QTest::addColumn<bool>("html");
    QTest::addColumn<bool>("withProperties");
    QTest::newRow("text, properties") << false << true;
    QTest::newRow("text, list") << false << false;
    QTest::newRow("html, properties") << true << true;
    QTest::newRow("html, list") << true << false;
}

void TestReports::workedExamples()
{
    QFETCH(bool, html);
    QFETCH(bool, withProperties);
    const QByteArray expected = testing::workedExampleReport(html, withProperties);
    Rig rig;
    workedExample(rig);
    QCOMPARE(rig.save(html ? static_cast<const report::ReportFormat &>(Html) : Text, withProperties), expected);
    QVERIFY(rig.failures.empty());
}

void TestReports::treeShapes_data()
{
    QTest::addColumn<std::function<void(Rig &)>>("build");
    QTest::addColumn<bool>("withProperties");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("no node at all") << std::function<void(Rig &)>([](Rig &) {}) << true
                                    << crlfLines({"HARDWARE INFORMATION", "", ""});
    QTest::newRow("computer only") << std::function<void(Rig &)>([](Rig &rig) { rig.tree.addRoot(QStringLiteral("DESK")); })
                                   << false << crlfLines({"LIST OF DEVICES NAMES", "", ""});
    QTest::newRow("one category line per run; backslash caption kept; empty category silent")
        << std::function<void(Rig &)>([](Rig &rig) {
               const DeviceTree::Node cpus = rig.category(QStringLiteral("Processor"));
               rig.device(cpus, QStringLiteral("CPU A"));
               rig.device(cpus, QStringLiteral("CPU\\B"));
               rig.device(cpus, QStringLiteral("CPU C"));
               rig.category(QStringLiteral("Keyboard"));
           })
        << false << crlfLines({"LIST OF DEVICES NAMES", "", "", "\tProcessor", "\t\tCPU A", "\t\tCPU\\B", "\t\tCPU C", ""});
    QTest::newRow("empty caption is a device with the empty-caption instance's pairs")
        << std::function<void(Rig &)>([](Rig &rig) {
               const DeviceTree::Node disks = rig.category(QStringLiteral("DiskDrive"));
               rig.source.addClass(QStringLiteral("Win32_DiskDrive")).push_back({Value::null(), {prop("Null", QStringLiteral("n"))}});
               rig.device(disks, QString(), {prop("Size", QStringLiteral("1"))});
           })
        << true << crlfLines({"HARDWARE INFORMATION", "", "", "\tDiskDrive", "\t\t", "\t\t\tProperties:\tValue", "\t\t\tSize:\t1", ""});
    QTest::newRow("values with ^ and | are written whole")
        << std::function<void(Rig &)>([](Rig &rig) {
               rig.device(rig.category(QStringLiteral("DiskDrive")), QStringLiteral("D"),
                          {prop("Model", QStringLiteral("a^b^c")), prop("Serial", QStringLiteral("x|y")),
                           prop("Note", QStringLiteral("p|k^v"))});
           })
        << true << crlfLines({"HARDWARE INFORMATION", "", "", "\tDiskDrive", "\t\tD", "\t\t\tProperties:\tValue", "\t\t\tModel:\ta^b^c",
                          "\t\t\tSerial:\tx|y", "\t\t\tNote:\tp|k^v", ""});
    QTest::newRow("several instances with one caption: each node lists them all")
        << std::function<void(Rig &)>([](Rig &rig) {
               const DeviceTree::Node disks = rig.category(QStringLiteral("DiskDrive"));
               rig.device(disks, QStringLiteral("Twin"), {prop("Index", QStringLiteral("0"))});
               rig.device(disks, QStringLiteral("Twin"), {prop("Index", QStringLiteral("1"))});
           })
        << true << crlfLines({"HARDWARE INFORMATION", "", "", "\tDiskDrive", "\t\tTwin", "\t\t\tProperties:\tValue",
                          "\t\t\tIndex:\t0", "\t\t\tIndex:\t1", "\t\tTwin", "\t\t\tProperties:\tValue", "\t\t\tIndex:\t0",
                          "\t\t\tIndex:\t1", ""});
    QTest::newRow("device that vanished since the scan keeps its lines, without pairs")
        << std::function<void(Rig &)>([](Rig &rig) {
               const DeviceTree::Node disks = rig.category(QStringLiteral("DiskDrive"));
               rig.tree.addChild(disks, QStringLiteral("Gone"));
           })
        << true << crlfLines({"HARDWARE INFORMATION", "", "", "\tDiskDrive", "\t\tGone", "\t\t\tProperties:\tValue", ""});
}

void TestReports::treeShapes()
{
    QFETCH(std::function<void(Rig &)>, build);
    QFETCH(bool, withProperties);
    QFETCH(QByteArray, expected);
    Rig rig;
    build(rig);
    QCOMPARE(rig.save(Text, withProperties), expected);
    QVERIFY(rig.failures.empty());
}

void TestReports::htmlShapes()
{
    Rig computerOnly;
    computerOnly.tree.addRoot(QStringLiteral("DESK"));
    QCOMPARE(computerOnly.save(Html, true), HtmlHeader + "</table></body></html>\r\n");
    Rig empty;
    QCOMPARE(empty.save(Html, false), HtmlListHeader + "</table></body></html>\r\n");

    Rig rig;
    rig.device(rig.category(QStringLiteral("DiskDrive")), QString());
    QCOMPARE(rig.save(Html, true), HtmlHeader + crlfLines({"<tr><td><b>&nbsp</b></td></tr>", "<tr><td><b>DiskDrive</b></td></tr>",
                                                       "<tr><td></td></tr>", PropsStart, "</table>", "</table></body></html>"}));
}

void TestReports::pumpsAndProgress()
{
    Rig rig;
    workedExample(rig); // 6 nodes, 2 pairs, 1 instance in each queried class
    std::vector<int> barAtPump;
    rig.pump.during = [&](int) { barAtPump.push_back(rig.bar.value()); };
    rig.save(Text, true);
    // One pump per node, one per pair, one per instance of a class walked for the first time.
    QCOMPARE(rig.pump.count, 6 + 2 + 2);
    const std::vector<int> nodePumps{barAtPump[0], barAtPump[1], barAtPump[2], barAtPump[6], barAtPump[7], barAtPump[8]};
    QCOMPARE(nodePumps, (std::vector<int>{29, 43, 57, 71, 86, 100})); // (i + 1) / (count + 1)

    QCOMPARE(report::ReportWalk::progress(1, 3, 100), 50);
    QCOMPARE(report::ReportWalk::progress(3, 3, 100), 100);
    QCOMPARE(report::ReportWalk::progress(40000, 70000, 100), 57); // no 16-bit limit
    QCOMPARE(report::ReportWalk::progress(9, 2, 100), 100);       // the tree shrank under the walk
}

void TestReports::optionChangedMidSave_data()
{
    QTest::addColumn<bool>("startWithProperties");
    QTest::addColumn<int>("switchTo"); // 0 list, 1 properties, 2 neither
    QTest::addColumn<QByteArray>("expected");
    // The switch happens in the pump before DiskA's node is read.
    QTest::newRow("list, then properties") << false << 1
        << crlfLines({"LIST OF DEVICES NAMES", "", "", "\tProcessor", "\t\tCPU0", "", "\tDiskDrive", "\t\tDiskA",
                  "\t\t\tProperties:\tValue", ""});
    QTest::newRow("properties, then list") << true << 0
        << crlfLines({"HARDWARE INFORMATION", "", "", "\tProcessor", "\t\tCPU0", "\t\t\tProperties:\tValue", "\t\t\tName:\tCPU0",
                  "\t\t\tStatus:\tOK", "", "\tDiskDrive", "\t\tDiskA", ""});
    QTest::newRow("neither: the device adds nothing") << false << 2
        << crlfLines({"LIST OF DEVICES NAMES", "", "", "\tProcessor", "\t\tCPU0", ""});
}

void TestReports::optionChangedMidSave()
{
    QFETCH(bool, startWithProperties);
    QFETCH(int, switchTo);
    QFETCH(QByteArray, expected);
    Rig rig;
    workedExample(rig);
    rig.pump.during = [&](int) {
        if (rig.bar.value() == 100) { // from the last node's pump on
            rig.option.list = switchTo == 0;
            rig.option.properties = switchTo == 1;
        }
    };
    rig.option.select(startWithProperties);
    QCOMPARE(rig.write(rig.walk.compose(Text, rig.trap)), expected);
}

void TestReports::rescanDuringTheWalk()
{
    // The save's pump runs a whole rescan; meanwhile a device went away and
    // another came. The report shows the tree as the save found it.
    Rig rig;
    rig.source.add(ComputerClass, QStringLiteral("DESK"));
    workedExample(rig);
    const QByteArray untouched = rig.save(Text, true);

    Scan scan({rig.tree, rig.bar, rig.pump, rig.devices, {}});
    bool rescanned = false;
    std::vector<int> barValues;
    rig.pump.during = [&](int) {
        barValues.push_back(rig.bar.value());
        if (!rescanned && rig.tree.count() == 6 && rig.bar.value() == 43) {
            rescanned = true;
            rig.source.addClass(QStringLiteral("Win32_Processor")).clear();
            rig.source.add(QStringLiteral("Win32_Keyboard"), QStringLiteral("New keys"));
            scan.run(rig.trap);
        }
    };
    const QByteArray during = rig.save(Text, true);
    QVERIFY(rescanned);
    QVERIFY(rig.tree.count() > 6); // the tree now holds the whole catalogue
    QVERIFY(rig.failures.empty());
    // CPU0 is gone from the machine: its lines stay, its pairs do not.
    QByteArray expected = untouched;
    expected.replace("\t\t\tName:\tCPU0\r\n\t\t\tStatus:\tOK\r\n", "");
    QCOMPARE(during, expected);
    for (int value : barValues)
        QVERIFY(value >= 0 && value <= 100);
}

void TestReports::failingStepsNameTheirHandlersLines()
{
    class FailingOption final : public report::SaveOption
    {
    public:
        bool deviceListSelected() const override { throw Failure(QStringLiteral("option unreadable")); }
        bool withPropertiesSelected() const override { return false; }
    };
    for (const report::ReportFormat *format : {static_cast<const report::ReportFormat *>(&Text), static_cast<const report::ReportFormat *>(&Html)}) {
        Rig rig;
        workedExample(rig);
        FailingOption option;
        report::ReportWalk walk({rig.tree, rig.bar, rig.pump, rig.devices, option});
        const QString text = walk.compose(*format, rig.trap);
        // The heading's test fails (122) and so does each device's (140):
        // a failed test runs the body under it, so the list is written.
        std::vector<int> labels;
        for (const auto &failure : rig.failures)
            labels.push_back(failure.second);
        QCOMPARE(labels, (std::vector<int>{122, 140, 140}));
        QVERIFY(text.contains(format == &Text ? QStringLiteral("\t\tDiskA\r\n") : QStringLiteral("<tr><td>DiskA</td></tr>")));
        QVERIFY(!text.contains(QStringLiteral("Properties")));
    }
}

void TestReports::eachClassIsEnumeratedOncePerSave()
{
    // A machine with 800 PNP entities: asking the class afresh per device
    // would hand out 640,000 instances for one report.
    Rig rig;
    const DeviceTree::Node pnp = rig.category(QStringLiteral("PNPEntity"));
    for (int i = 0; i < 800; ++i)
        rig.device(pnp, QStringLiteral("Device %1").arg(i), {prop("DeviceID", QStringLiteral("ID%1").arg(i))});
    rig.device(rig.category(QStringLiteral("DiskDrive")), QStringLiteral("Disk"), {prop("Index", QStringLiteral("0"))});
    const QByteArray report = rig.save(Text, true);
    QCOMPARE(rig.source.instancesVisited(), 801);
    QVERIFY(report.contains("\t\tDevice 799\r\n\t\t\tProperties:\tValue\r\n\t\t\tDeviceID:\tID799\r\n"));

    // Nothing survives the save: the next one walks each class again.
    rig.save(Text, true);
    QCOMPARE(rig.source.instancesVisited(), 2 * 801);
    // The list needs no properties and walks nothing.
    rig.save(Text, false);
    QCOMPARE(rig.source.instancesVisited(), 2 * 801);
}

void TestReports::cacheAnswersLikeTheQuery()
{
    // Every awkward thing a class can hold, asked in the walk's order.
    Rig rig;
    const DeviceTree::Node pnp = rig.category(QStringLiteral("PNPEntity"));
    for (int i = 0; i < 60; ++i)
        rig.device(pnp, QStringLiteral("Dev %1").arg(i % 7), {prop("Index", QString::number(i)), prop("Odd", QStringLiteral("a|b^c"))});
    rig.source.addClass(QStringLiteral("Win32_PNPEntity")).push_back({Value::null(), {prop("NullCaption", QStringLiteral("x"))}});
    rig.device(pnp, QString(), {prop("Empty", QStringLiteral("e"))});
    MemorySource::Entry unreadable{Value::text(QStringLiteral("Dev 3")), {prop("Never", QStringLiteral("n"))}};
    unreadable.failsToLoad = true;
    rig.source.addClass(QStringLiteral("Win32_PNPEntity")).push_back(unreadable);
    rig.tree.addChild(pnp, QStringLiteral("Not there"));
    const DeviceTree::Node disks = rig.category(QStringLiteral("DiskDrive"));
    for (int i = 0; i < 5; ++i)
        rig.device(disks, QStringLiteral("Disk %1").arg(i), {prop("Index", QString::number(i))});
    rig.source.failEnumerationAfter(QStringLiteral("Win32_DiskDrive"), 3); // Disk 3 and 4 are never reached
    const DeviceTree::Node unknown = rig.tree.addChild(rig.computer, QStringLiteral("NoSuchClass"));
    rig.tree.addChild(unknown, QStringLiteral("Ghost"));
    const DeviceTree::Node associations = rig.category(QStringLiteral("AssociatedBattery"));
    rig.source.addClass(QStringLiteral("Win32_AssociatedBattery")).push_back({Value::null(), {prop("A", QStringLiteral("1"))}, false});
    rig.tree.addChild(associations, QString());

    ClassCache cache;
    int devicesAsked = 0;
    for (DeviceTree::Node node = 1; node <= rig.tree.count(); ++node) {
        const QStringList path = *rig.tree.path(node);
        if (path.size() != 3)
            continue;
        ++devicesAsked;
        QCOMPARE(rig.devices.GetDeviceProperties(path, cache), rig.devices.GetDeviceProperties(path));
    }
    QCOMPARE(devicesAsked, 60 + 1 + 1 + 5 + 1 + 1);
    QCOMPARE(cache.classesEnumerated(), 4);
}

void TestReports::cacheAnswersLikeTheQueryOnARealMachine_data()
{
    QTest::addColumn<QString>("machine");
    for (const char *machine : {"linux-amd64-intel-xeon-L5640", "linux-amd64-intel-i7-1270P-thinkpad-x1c10",
                                "linux-amd64-amd-ryzen-1600", "linux-amd64-accel-nvidia", "linux-amd64-accel"})
        QTest::newRow(machine) << QString::fromLatin1(machine);
}

// A scan and a save each read the machine through one connection, which
// reads every file once; what they see must be what a query of its own sees.
void TestReports::cacheAnswersLikeTheQueryOnARealMachine()
{
    QFETCH(QString, machine);
    const QString root = testing::unpackShared(QStringLiteral("sysfs/ghw-snapshots/") + machine + QStringLiteral(".tar.gz"));
    if (root.isEmpty())
        QSKIP("../shared/realdata is not available");
    NoEventPump pump;
    const modGetDevices devices(linuxsource::LinuxSource::instrumentation(root), pump);

    QueryPass scan;
    ClassCache cache;
    int devicesAsked = 0;
    for (const QString &className : deviceCatalogue()) {
        const QStringList captions = devices.GetDeviceCaptions(className, scan);
        QCOMPARE(captions, devices.GetDeviceCaptions(className));
        for (const QString &caption : captions) {
            const QStringList path{QStringLiteral("PC"), categoryText(className), caption};
            ++devicesAsked;
            const QStringList cached = devices.GetDeviceProperties(path, cache);
            QVERIFY(!cached.isEmpty());
            QCOMPARE(cached, devices.GetDeviceProperties(path));
        }
    }
    QVERIFY(devicesAsked > 0);
}

void TestReports::htmlEscapesEveryInsertedText()
{
    Rig rig;
    const QString hostile = QStringLiteral("<script>alert(1)</script> & \"x\"");
    const DeviceTree::Node odd = rig.category(QStringLiteral("A&B<i>"));
    rig.device(odd, QStringLiteral("<b>Disk</b>"), {{QStringLiteral("N<1>"), Value::text(hostile)}});
    const QByteArray page = rig.save(Html, true);
    QCOMPARE(page, HtmlHeader + crlfLines({"<tr><td><b>&nbsp</b></td></tr>", "<tr><td><b>A&amp;B&lt;i&gt;</b></td></tr>",
                                       "<tr><td>&lt;b&gt;Disk&lt;/b&gt;</td></tr>", PropsStart,
                                       "<tr><td>&nbsp;</td><td>N&lt;1&gt;</td><td>&lt;script&gt;alert(1)&lt;/script&gt; "
                                       "&amp; &quot;x&quot;</td></tr>",
                                       "</table>", "</table></body></html>"}));
    // The text report writes everything as it is.
    QVERIFY(rig.save(Text, true).contains("\t\t\tN<1>:\t" + hostile.toUtf8() + "\r\n"));
}

void TestReports::browserShowsValuesAsTextAndRunsNothing()
{
    if (chromium().isEmpty())
        QSKIP("chromium is not installed (scripts/install-deps.sh installs it)");
    const QString marker = QStringLiteral("document.body.setAttribute('data-ran','yes')");
    const QString hostile = QStringLiteral("<script>alert(1)</script> & \"x\"");
    const QString payload = QStringLiteral("<script>") + marker + QStringLiteral("</script><img src=nothing onerror=\"")
        + marker + QStringLiteral("\">");
    Rig rig;
    rig.device(rig.category(QStringLiteral("DiskDrive")), QStringLiteral("Disk"),
               {{QStringLiteral("Hostile"), Value::text(hostile)},
                {QStringLiteral("Payload"), Value::text(payload)},
                {QStringLiteral("Size"), Value::text(QStringLiteral("Größe 1 µm"))}});
    rig.option.select(true);
    const QString page = rig.folder.filePath(QStringLiteral("page.html"));
    const QString text = rig.walk.compose(Html, rig.trap);
    report::WriteTextFile(text, page);

    const QByteArray dom = browserDom(page);
    QVERIFY2(dom.contains("<td>Hostile</td>"), dom.constData());
    QVERIFY(dom.contains("&lt;script&gt;alert(1)&lt;/script&gt; &amp; \"x\""));
    QVERIFY(dom.contains("&lt;script&gt;document.body.setAttribute"));
    QVERIFY(!dom.contains("data-ran=\"yes\""));
    QVERIFY(dom.contains("Größe 1 µm")); // read as UTF-8, as declared

    // The same page with the values left raw runs the payload in this
    // browser: the check above could have failed.
    const QString raw = rig.folder.filePath(QStringLiteral("raw.html"));
    report::WriteTextFile(QString(text).replace(payload.toHtmlEscaped(), payload), raw);
    QVERIFY(browserDom(raw).contains("data-ran=\"yes\""));
}

QTEST_GUILESS_MAIN(TestReports)
#include "tst_reports.moc"
