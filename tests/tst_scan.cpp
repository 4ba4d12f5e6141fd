// The inventory scan: tree shape, progress, pumping, re-entrancy and the
// no-computer case, on an in-memory source and tree.
#include "support/Fakes.h"

#include "inventory/Catalogue.h"
#include "inventory/MemoryDeviceTree.h"
#include "inventory/MemorySource.h"
#include "inventory/Scan.h"

#include <QTest>

using namespace inventory;

namespace {

class RecordingBar final : public ProgressBar
{
public:
    int value() const override
    {
        if (failReads)
            throw Failure(QStringLiteral("bar unreadable"));
        return m_value;
    }
    void setValue(int v) override
    {
        m_value = v;
        history.push_back(v);
    }
    int maximum() const override { return 100; }
    std::vector<int> history;
    bool failReads = false;

private:
    int m_value = 0;
};

struct Rig
{
    MemorySource source;
    MemoryDeviceTree tree;
    RecordingBar bar;
    testing::ScriptedPump pump;
    int shows = 0;
    std::vector<std::pair<QString, int>> failures;
    modGetDevices devices{source.instrumentation(), pump};
    Scan scan{{tree, bar, pump, devices, [this] { ++shows; }}};
    StepRunner trap{[this](const QString &description, int line) { failures.emplace_back(description, line); }};

    Rig()
    {
        source.add(ComputerClass, QStringLiteral("DESK"));
        for (const QString &name : deviceCatalogue())
            source.addClass(name);
    }
    void run() { scan.run(trap); }
};

} // namespace

class TestScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buildsTheThreeLevelTree();
    void progressAdvancesBeforeEachQueryAndEndsAtZero();
    void pumpsOncePerClassAndShowsTheWindowFirst();
    void clickDuringScanDoesNothingAndRescanStartsOver();
    void noComputerReportsOnceAndListsCategoriesAtRoot();
    void failingStepRepeatsPerPassAndCleanupStillRuns();
};

void TestScan::buildsTheThreeLevelTree()
{
    Rig rig;
    rig.source.add(QStringLiteral("Win32_Processor"), QStringLiteral("CPU A"));
    rig.source.add(QStringLiteral("Win32_Processor"), QStringLiteral("CPU A"));
    rig.source.addClass(QStringLiteral("Win32_DiskDrive")).push_back({Value::empty(), {}});
    rig.source.addClass(QStringLiteral("Win32_DiskDrive")).push_back({Value::empty(), {}});
    rig.source.add(QStringLiteral("Win32_TemperatureProbe"), QStringLiteral("CPU\\Core 0"));
    rig.run();

    QCOMPARE(rig.tree.count(), 1 + 56 + 2 + 2 + 1);
    QCOMPARE(rig.tree.fullPath(1), QStringLiteral("DESK"));
    QCOMPARE(rig.tree.fullPath(2), QStringLiteral("DESK\\Processor"));
    QCOMPARE(rig.tree.fullPath(3), QStringLiteral("DESK\\Processor\\CPU A"));
    QCOMPARE(rig.tree.fullPath(4), QStringLiteral("DESK\\Processor\\CPU A"));
    QCOMPARE(rig.tree.fullPath(5), QStringLiteral("DESK\\Keyboard"));
    // Two empty captions give two empty device nodes.
    QCOMPARE(rig.tree.fullPath(9), QStringLiteral("DESK\\DiskDrive\\"));
    QCOMPARE(rig.tree.fullPath(10), QStringLiteral("DESK\\DiskDrive\\"));
    QCOMPARE(rig.tree.fullPath(rig.tree.count()), QStringLiteral("DESK\\TemperatureProbe\\CPU\\Core 0"));

    // Categories in catalogue order, every one present even without devices.
    QStringList categories;
    for (DeviceTree::Node n = 1; n <= rig.tree.count(); ++n) {
        const QStringList parts = rig.tree.fullPath(n)->split(QLatin1Char('\\'));
        if (parts.size() == 2)
            categories << parts[1];
    }
    QStringList expected;
    for (const QString &name : deviceCatalogue())
        expected << categoryText(name);
    QCOMPARE(categories, expected);
    QCOMPARE(expected.first(), QStringLiteral("Processor"));
    QCOMPARE(expected.last(), QStringLiteral("TemperatureProbe"));

    QVERIFY(rig.tree.isExpanded(1));
    QVERIFY(!rig.tree.isExpanded(2));
    QVERIFY(rig.tree.isEnabled());
    QCOMPARE(rig.tree.selectedNode(), 0);
    QVERIFY(rig.failures.empty());
}

void TestScan::progressAdvancesBeforeEachQueryAndEndsAtZero()
{
    Rig rig;
    std::vector<int> seenAtQuery;
    rig.pump.during = [&](int) { seenAtQuery.push_back(rig.bar.value()); };
    rig.run();
    QCOMPARE(seenAtQuery.size(), std::size_t(56));
    QCOMPARE(seenAtQuery.front(), 2);
    QCOMPARE(seenAtQuery[48], 98);
    QCOMPARE(seenAtQuery[49], 100); // the 50th class, DisplayControllerConfiguration
    for (std::size_t i = 49; i < 56; ++i)
        QCOMPARE(seenAtQuery[i], 100);
    QCOMPARE(rig.bar.history.front(), 0);
    QCOMPARE(rig.bar.history.back(), 0);
    QCOMPARE(rig.bar.value(), 0);
}

void TestScan::pumpsOncePerClassAndShowsTheWindowFirst()
{
    Rig rig;
    int shownBeforeFirstPump = -1;
    rig.pump.during = [&](int count) {
        if (count == 1)
            shownBeforeFirstPump = rig.shows;
    };
    rig.run();
    QCOMPARE(rig.pump.count, 56);
    QCOMPARE(rig.shows, 1);
    QCOMPARE(shownBeforeFirstPump, 1);
}

void TestScan::clickDuringScanDoesNothingAndRescanStartsOver()
{
    Rig rig;
    rig.source.add(QStringLiteral("Win32_Processor"), QStringLiteral("CPU"));
    bool disabledDuringScan = false;
    rig.pump.during = [&](int count) {
        if (count == 3) {
            disabledDuringScan = !rig.tree.isEnabled();
            QVERIFY(rig.scan.isRunning());
            rig.run(); // "Refresh" clicked while the scan lets events run
        }
    };
    rig.run();
    QVERIFY(disabledDuringScan);
    QCOMPARE(rig.pump.count, 56);
    QVERIFY(!rig.scan.isRunning());
    const qsizetype first = rig.tree.count();

    rig.pump.during = nullptr;
    rig.source.add(QStringLiteral("Win32_Processor"), QStringLiteral("CPU 2"));
    rig.run();
    QCOMPARE(rig.tree.count(), first + 1);
    QCOMPARE(rig.tree.fullPath(1), QStringLiteral("DESK"));
    QVERIFY(rig.failures.empty());
}

void TestScan::noComputerReportsOnceAndListsCategoriesAtRoot()
{
    Rig rig;
    rig.source.addClass(ComputerClass).clear();
    rig.source.add(QStringLiteral("Win32_Keyboard"), QStringLiteral("Keys"));
    rig.run();
    QCOMPARE(rig.failures.size(), std::size_t(1));
    QCOMPARE(rig.failures.front().second, 114);
    QCOMPARE(rig.tree.count(), 57);
    QCOMPARE(rig.tree.fullPath(1), QStringLiteral("Processor"));
    QCOMPARE(rig.tree.fullPath(3), QStringLiteral("Keyboard\\Keys"));
    QVERIFY(rig.tree.isEnabled());
    QCOMPARE(rig.bar.value(), 0);
    QVERIFY(!rig.scan.isRunning());
}

void TestScan::failingStepRepeatsPerPassAndCleanupStillRuns()
{
    Rig rig;
    rig.bar.failReads = true;
    rig.run();
    // Each pass: the failed test at 126 runs its body, whose test at 128 fails
    // too, whose body at 130 fails again. The scan still finishes.
    QCOMPARE(rig.failures.size(), std::size_t(56 * 3));
    QCOMPARE(rig.failures[0].second, 126);
    QCOMPARE(rig.failures[1].second, 128);
    QCOMPARE(rig.failures[2].second, 130);
    QCOMPARE(rig.failures[3].second, 126);
    QCOMPARE(rig.failures[0].first, QStringLiteral("bar unreadable"));
    QCOMPARE(rig.tree.count(), 57);
    QVERIFY(rig.tree.isEnabled());
    QCOMPARE(rig.bar.history.back(), 0);
    QVERIFY(!rig.scan.isRunning());
}

QTEST_GUILESS_MAIN(TestScan)
#include "tst_scan.moc"
