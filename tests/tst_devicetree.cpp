// The device tree contract, checked the same way on the widget-free tree and
// on the QTreeWidget one.
#include "app/TreeWidgetDeviceTree.h"
#include "inventory/Instrumentation.h"
#include "inventory/MemoryDeviceTree.h"

#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <memory>

using inventory::DeviceTree;

namespace {
struct TreeUnderTest
{
    std::unique_ptr<QTreeWidget> widget;
    std::unique_ptr<DeviceTree> tree;
    std::function<void(DeviceTree::Node)> select;
};
using Maker = std::function<TreeUnderTest()>;
} // namespace
Q_DECLARE_METATYPE(Maker)

class TestDeviceTree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void contract_data();
    void contract();
};

void TestDeviceTree::contract_data()
{
    QTest::addColumn<Maker>("make");
    QTest::newRow("memory") << Maker([] {
        TreeUnderTest t;
        auto *memory = new inventory::MemoryDeviceTree;
        t.tree.reset(memory);
        t.select = [memory](DeviceTree::Node n) { memory->select(n); };
        return t;
    });
    QTest::newRow("widget") << Maker([] {
        TreeUnderTest t;
        t.widget = std::make_unique<QTreeWidget>();
        auto *tree = new app::TreeWidgetDeviceTree(t.widget.get());
        t.tree.reset(tree);
        QTreeWidget *widget = t.widget.get();
        t.select = [widget, tree](DeviceTree::Node n) { widget->setCurrentItem(tree->item(n)); };
        return t;
    });
}

void TestDeviceTree::contract()
{
    QFETCH(Maker, make);
    TreeUnderTest t = make();
    DeviceTree &tree = *t.tree;

    QCOMPARE(tree.count(), 0);
    QCOMPARE(tree.selectedNode(), 0);
    QVERIFY_THROWS_EXCEPTION(inventory::Failure, tree.firstNode());
    QVERIFY_THROWS_EXCEPTION(inventory::Failure, tree.addChild(0, QStringLiteral("orphan")));
    QVERIFY(!tree.fullPath(1));

    const auto pc = tree.addRoot(QStringLiteral("PC"));
    const auto cpu = tree.addChild(pc, QStringLiteral("Processor"));
    const auto disk = tree.addChild(pc, QStringLiteral("DiskDrive"));
    // Indices follow the order of adding, whatever the level.
    const auto core = tree.addChild(cpu, QStringLiteral("CPU0"));
    const auto odd = tree.addChild(disk, QStringLiteral("a\\b"));
    const auto empty = tree.addChild(disk, QString());
    QCOMPARE((QList<qsizetype>{pc, cpu, disk, core, odd, empty}), (QList<qsizetype>{1, 2, 3, 4, 5, 6}));
    QCOMPARE(tree.count(), 6);
    QCOMPARE(tree.firstNode(), 1);
    QCOMPARE(tree.fullPath(core), QStringLiteral("PC\\Processor\\CPU0"));
    QCOMPARE(tree.fullPath(odd)->split(QLatin1Char('\\')).size(), 4);
    QCOMPARE(tree.fullPath(empty), QStringLiteral("PC\\DiskDrive\\"));
    QVERIFY(!tree.fullPath(7));
    QVERIFY(!tree.fullPath(0));

    tree.setExpanded(pc, true);
    QVERIFY(tree.isExpanded(pc));
    QVERIFY(!tree.isExpanded(cpu));
    tree.setEnabled(false);
    QVERIFY(!tree.isEnabled());
    tree.setEnabled(true);

    t.select(core);
    QCOMPARE(tree.selectedNode(), core);

    tree.clear();
    QCOMPARE(tree.count(), 0);
    QCOMPARE(tree.selectedNode(), 0);
    QVERIFY(!tree.fullPath(core));
    QCOMPARE(tree.addRoot(QStringLiteral("PC2")), 1);
    QCOMPARE(tree.fullPath(1), QStringLiteral("PC2"));
}

QTEST_MAIN(TestDeviceTree)
#include "tst_devicetree.moc"
