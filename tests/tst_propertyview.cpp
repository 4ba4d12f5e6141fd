// The property view: which clicks show a device, what the rows hold, and
// what happens when a newer click arrives while a query lets events run.
#include "support/Fakes.h"

#include "inventory/MemoryDeviceTree.h"
#include "inventory/MemorySource.h"
#include "inventory/PropertyView.h"

#include <QTest>

using namespace inventory;

namespace {

using Rows = QList<QPair<QString, QString>>;

class RecordingList final : public PropertyList
{
public:
    void clear() override
    {
        if (failClear)
            throw Failure(QStringLiteral("list cannot be cleared"));
        rows.clear();
        ++clears;
    }
    void addRow(const QString &text, const QString &firstSubItem) override
    {
        if (failAdd)
            throw Failure(QStringLiteral("row cannot be added"));
        rows.append({text, firstSubItem});
    }
    Rows rows;
    int clears = 0;
    bool failClear = false;
    bool failAdd = false;
};

Property prop(const char *name, const QString &value)
{
    return {QLatin1String(name), Value::text(value)};
}

const QString Untouched = QStringLiteral("Device properties:");

// A tree with a computer, two categories and their devices, as the scan
// leaves it, over a source that knows the same devices.
struct Rig
{
    MemorySource source;
    MemoryDeviceTree tree;
    RecordingList list;
    testing::ScriptedPump pump;
    QString caption = Untouched;
    std::vector<std::pair<QString, int>> failures;
    modGetDevices devices{source.instrumentation(), pump};
    PropertyView view{{tree, list, [this](const QString &text) { caption = text; }, devices}};
    StepRunner trap{[this](const QString &description, int line) { failures.emplace_back(description, line); }};

    DeviceTree::Node computer = tree.addRoot(QStringLiteral("DESK"));
    DeviceTree::Node processors = tree.addChild(computer, QStringLiteral("Processor"));
    DeviceTree::Node disks = tree.addChild(computer, QStringLiteral("DiskDrive"));

    DeviceTree::Node device(DeviceTree::Node category, const QString &text) { return tree.addChild(category, text); }
    void click(DeviceTree::Node node)
    {
        tree.select(node);
        view.show(trap);
    }
};

} // namespace

class TestPropertyView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowsFollowThePairs_data();
    void rowsFollowThePairs();
    void nodesThatAreNoDeviceChangeNothing_data();
    void nodesThatAreNoDeviceChangeNothing();
    void captionWithPathSeparatorIsADevice();
    void emptyCaptionIsStillADevice();
    void sameDeviceTwiceQueriesTwiceAndClears();
    void newerClickWinsOverARunningQuery();
    void failingStepsAreReportedAndTheClickGoesOn();
};

void TestPropertyView::rowsFollowThePairs_data()
{
    QTest::addColumn<std::vector<Properties>>("instances"); // all captioned "Disk"
    QTest::addColumn<Rows>("rows");

    QTest::newRow("plain pairs in the query's order")
        << std::vector<Properties>{{prop("Name", QStringLiteral("Disk")), prop("Status", QStringLiteral("OK"))}}
        << Rows{{QStringLiteral("Name"), QStringLiteral("Disk")}, {QStringLiteral("Status"), QStringLiteral("OK")}};
    QTest::newRow("values with ^ and | show whole")
        << std::vector<Properties>{{prop("Model", QStringLiteral("a^b^c")), prop("Language", QStringLiteral("en|US|iso8859-1")),
                                    prop("Note", QStringLiteral("left|k^v")), prop("Next", QStringLiteral("n"))}}
        << Rows{{QStringLiteral("Model"), QStringLiteral("a^b^c")},
                {QStringLiteral("Language"), QStringLiteral("en|US|iso8859-1")},
                {QStringLiteral("Note"), QStringLiteral("left|k^v")},
                {QStringLiteral("Next"), QStringLiteral("n")}};
    QTest::newRow("two instances with one caption, one after the other")
        << std::vector<Properties>{{prop("Index", QStringLiteral("0"))}, {prop("Index", QStringLiteral("1"))}}
        << Rows{{QStringLiteral("Index"), QStringLiteral("0")}, {QStringLiteral("Index"), QStringLiteral("1")}};
    QTest::newRow("no properties leaves the list empty") << std::vector<Properties>{{}} << Rows{};
}

void TestPropertyView::rowsFollowThePairs()
{
    QFETCH(std::vector<Properties>, instances);
    QFETCH(Rows, rows);
    Rig rig;
    rig.source.addClass(QStringLiteral("Win32_Processor"));
    for (const Properties &properties : instances) {
        rig.source.add(QStringLiteral("Win32_DiskDrive"), QStringLiteral("Other"), {prop("Wrong", QStringLiteral("x"))});
        rig.source.add(QStringLiteral("Win32_DiskDrive"), QStringLiteral("Disk"), properties);
    }
    rig.list.rows = {{QStringLiteral("stale"), QStringLiteral("row")}};
    const DeviceTree::Node disk = rig.device(rig.disks, QStringLiteral("Disk"));
    rig.device(rig.disks, QStringLiteral("Disk")); // its twin node reads the same rows

    rig.click(disk);
    QCOMPARE(rig.caption, QStringLiteral("Device properties: Disk"));
    QCOMPARE(rig.list.rows, rows);
    QVERIFY(rig.failures.empty());

    rig.click(disk + 1);
    QCOMPARE(rig.list.rows, rows);
}

void TestPropertyView::nodesThatAreNoDeviceChangeNothing_data()
{
    QTest::addColumn<int>("which");
    QTest::newRow("computer node") << 1;
    QTest::newRow("category node") << 2;
    QTest::newRow("nothing selected") << 0;
}

void TestPropertyView::nodesThatAreNoDeviceChangeNothing()
{
    QFETCH(int, which);
    Rig rig;
    const DeviceTree::Node nodes[] = {0, rig.computer, rig.processors};
    rig.list.rows = {{QStringLiteral("Kept"), QStringLiteral("row")}};
    const int pumps = rig.pump.count;

    rig.click(nodes[which]);
    QCOMPARE(rig.caption, Untouched);
    QCOMPARE(rig.list.rows, (Rows{{QStringLiteral("Kept"), QStringLiteral("row")}}));
    QCOMPARE(rig.list.clears, 0);
    QCOMPARE(rig.pump.count, pumps); // no query ran
    QVERIFY(rig.failures.empty());
}

void TestPropertyView::captionWithPathSeparatorIsADevice()
{
    // A network printer of a Windows machine is captioned "\\\\SERVER\\Laser".
    Rig rig;
    const QString caption = QStringLiteral("\\\\SERVER\\Laser|2");
    rig.source.add(QStringLiteral("Win32_Processor"), caption, {prop("Name", QStringLiteral("x"))});
    rig.click(rig.device(rig.processors, caption));
    QCOMPARE(rig.caption, QStringLiteral("Device properties: ") + caption);
    QCOMPARE(rig.list.rows, (Rows{{QStringLiteral("Name"), QStringLiteral("x")}}));
}

void TestPropertyView::emptyCaptionIsStillADevice()
{
    Rig rig;
    rig.source.addClass(QStringLiteral("Win32_DiskDrive")).push_back({Value::null(), {prop("FromNull", QStringLiteral("n"))}});
    rig.source.add(QStringLiteral("Win32_DiskDrive"), QString(), {prop("FromEmpty", QStringLiteral("e"))});
    rig.list.rows = {{QStringLiteral("stale"), QStringLiteral("row")}};
    rig.click(rig.device(rig.disks, QString()));
    QCOMPARE(rig.caption, QStringLiteral("Device properties: "));
    QCOMPARE(rig.list.rows, (Rows{{QStringLiteral("FromEmpty"), QStringLiteral("e")}}));
}

void TestPropertyView::sameDeviceTwiceQueriesTwiceAndClears()
{
    Rig rig;
    for (int i = 0; i < 5; ++i)
        rig.source.add(QStringLiteral("Win32_DiskDrive"), QStringLiteral("Disk %1").arg(i), {prop("Index", QString::number(i))});
    const DeviceTree::Node disk = rig.device(rig.disks, QStringLiteral("Disk 3"));
    rig.click(disk);
    QCOMPARE(rig.source.instancesVisited(), 5);
    rig.click(disk);
    // A click always asks afresh: the whole class again, and the same rows, not twice as many.
    QCOMPARE(rig.source.instancesVisited(), 10);
    QCOMPARE(rig.list.rows, (Rows{{QStringLiteral("Index"), QStringLiteral("3")}}));
    QCOMPARE(rig.list.clears, 2);
}

void TestPropertyView::newerClickWinsOverARunningQuery()
{
    Rig rig;
    rig.source.add(QStringLiteral("Win32_Processor"), QStringLiteral("CPU"), {prop("Cores", QStringLiteral("8"))});
    for (int i = 0; i < 3; ++i)
        rig.source.add(QStringLiteral("Win32_DiskDrive"), QStringLiteral("Disk"), {prop("Index", QString::number(i))});
    const DeviceTree::Node cpu = rig.device(rig.processors, QStringLiteral("CPU"));
    const DeviceTree::Node disk = rig.device(rig.disks, QStringLiteral("Disk"));

    // The disk query lets events run; the user clicks the processor meanwhile.
    rig.pump.during = [&](int count) {
        if (count == 2)
            rig.click(cpu);
    };
    rig.click(disk);
    QCOMPARE(rig.caption, QStringLiteral("Device properties: CPU"));
    QCOMPARE(rig.list.rows, (Rows{{QStringLiteral("Cores"), QStringLiteral("8")}}));

    // A click on a category meanwhile is no device click: the running one keeps the list.
    rig.pump.during = [&](int) { rig.click(rig.disks); };
    rig.click(disk);
    QCOMPARE(rig.caption, QStringLiteral("Device properties: Disk"));
    QCOMPARE(rig.list.rows.size(), 3);
    QVERIFY(rig.failures.empty());
}

void TestPropertyView::failingStepsAreReportedAndTheClickGoesOn()
{
    Rig rig;
    rig.source.add(QStringLiteral("Win32_DiskDrive"), QStringLiteral("Disk"),
                   {prop("A", QStringLiteral("1")), prop("B", QStringLiteral("2"))});
    const DeviceTree::Node disk = rig.device(rig.disks, QStringLiteral("Disk"));

    rig.list.failClear = true;
    rig.click(disk);
    QCOMPARE(rig.failures.size(), std::size_t(1));
    QCOMPARE(rig.failures[0].second, 106);
    QCOMPARE(rig.list.rows.size(), 2); // the rows still came

    rig.failures.clear();
    rig.list.failClear = false;
    rig.list.failAdd = true;
    rig.click(disk);
    QCOMPARE(rig.failures.size(), std::size_t(2)); // one box per pair
    QCOMPARE(rig.failures[0].second, 114);
    QCOMPARE(rig.failures[1].second, 114);
    QCOMPARE(rig.failures[0].first, QStringLiteral("row cannot be added"));
}

QTEST_GUILESS_MAIN(TestPropertyView)
#include "tst_propertyview.moc"
