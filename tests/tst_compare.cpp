// Comparing two inventories: devices added, removed and changed per category,
// how devices of one caption are matched, the live readings left out, and
// the one list of those readings against the declared properties.
#include "inventory/Catalogue.h"
#include "inventory/compare/LiveReadings.h"
#include "inventory/compare/RecordDiff.h"
#include "inventory/snapshot/WmiType.h"

#include <QTest>

using namespace inventory;
using namespace inventory::compare;
using snapshot::InventoryRecord;
using snapshot::RecordedClass;
using snapshot::RecordedInstance;

namespace {

// A machine written compactly, one device a line:
// "Class|Caption|Name=Value;Name=Value". Digits are unsigned numbers, "+"
// and digits a signed one, "{a,b}" an array, "~" Null; "Class!failure text"
// is a class that failed.
InventoryRecord machine(const QStringList &lines)
{
    InventoryRecord record;
    record.hostName = QStringLiteral("PC");
    record.classes.push_back({ComputerClass, {}, std::nullopt});
    for (const QString &className : deviceCatalogue())
        record.classes.push_back({className, {}, std::nullopt});
    for (const QString &line : lines) {
        if (line.contains(QLatin1Char('!'))) {
            for (RecordedClass &recorded : record.classes)
                if (recorded.name == line.section(QLatin1Char('!'), 0, 0))
                    recorded.failure = snapshot::EnumerationFailure{snapshot::EnumerationFailure::Where::Query,
                                                                    line.section(QLatin1Char('!'), 1)};
            continue;
        }
        const QStringList parts = line.split(QLatin1Char('|'));
        RecordedInstance instance;
        instance.caption = Value::text(parts.value(1));
        for (const QString &pair : parts.value(2).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString name = pair.section(QLatin1Char('='), 0, 0);
            const QString text = pair.section(QLatin1Char('='), 1);
            bool number = false;
            const quint64 n = text.toULongLong(&number);
            Value value = number && text.startsWith(QLatin1Char('+')) ? Value::integer(qint64(n))
                : number ? Value::unsignedInteger(n)
                : text == QLatin1String("~") ? Value::null()
                : text.startsWith(QLatin1Char('{')) ? Value::array(text.mid(1, text.size() - 2).split(QLatin1Char(',')))
                                                    : Value::text(text);
            instance.properties.push_back({name, snapshot::typeOfValue(value), value});
        }
        for (RecordedClass &recorded : record.classes)
            if (recorded.name == parts.value(0))
                recorded.instances.push_back(instance);
    }
    return record;
}

// The diff text without its two title lines.
QString body(const QString &text)
{
    return text.section(QLatin1Char('\n'), 2);
}

} // namespace

class TestCompare : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void differences_data();
    void differences();
    void titlesAndEmptiness();
    void liveReadingsAreDeclared();
    void manyDevicesOfOneCaption();
};

void TestCompare::differences_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<bool>("all");
    QTest::addColumn<QString>("expected");

    const QString disk = QStringLiteral("Win32_DiskDrive|Disk A|DeviceID=\\\\.\\PHYSICALDRIVE0;Size=100");
    QTest::newRow("same") << QStringList{disk} << QStringList{disk} << false << "\nNo differences.\n";
    QTest::newRow("added") << QStringList{} << QStringList{disk} << false
                           << "\nDiskDrive\n  + Disk A\n\n1 added, 0 removed, 0 changed.\n";
    QTest::newRow("removed") << QStringList{disk} << QStringList{} << false
                             << "\nDiskDrive\n  - Disk A\n\n0 added, 1 removed, 0 changed.\n";
    QTest::newRow("changed size") << QStringList{disk}
                                  << QStringList{"Win32_DiskDrive|Disk A|DeviceID=\\\\.\\PHYSICALDRIVE0;Size=200"} << false
                                  << "\nDiskDrive\n  ~ Disk A\n      Size: 100 -> 200\n\n0 added, 0 removed, 1 changed.\n";
    QTest::newRow("one number, held signed on one side and unsigned on the other")
        << QStringList{disk} << QStringList{"Win32_DiskDrive|Disk A|DeviceID=\\\\.\\PHYSICALDRIVE0;Size=+100"} << false
        << "\nNo differences.\n";
    QTest::newRow("signed and unsigned, different numbers")
        << QStringList{disk} << QStringList{"Win32_DiskDrive|Disk A|DeviceID=\\\\.\\PHYSICALDRIVE0;Size=+200"} << false
        << "\nDiskDrive\n  ~ Disk A\n      Size: 100 -> 200\n\n0 added, 0 removed, 1 changed.\n";
    QTest::newRow("property gone, new, Null, array")
        << QStringList{"Win32_Processor|CPU|Old=1;Flags={a,b};Name=x"}
        << QStringList{"Win32_Processor|CPU|Flags={a,c};Name=~;New=2"} << false
        << "\nProcessor\n  ~ CPU\n      Flags: {a,b} -> {a,c}\n      Name: x -> Null\n      New: (absent) -> 2\n"
           "      Old: 1 -> (absent)\n\n0 added, 0 removed, 1 changed.\n";
    const QStringList slow{"Win32_Processor|CPU|CurrentClockSpeed=800;LoadPercentage=3;MaxClockSpeed=3000",
                           "Win32_TemperatureProbe|CPU temperature|CurrentReading=40"};
    const QStringList fast{"Win32_Processor|CPU|CurrentClockSpeed=3400;LoadPercentage=90;MaxClockSpeed=3000",
                           "Win32_TemperatureProbe|CPU temperature|CurrentReading=71"};
    QTest::newRow("live readings left out") << slow << fast << false << "\nNo differences.\n";
    QTest::newRow("live readings with --all")
        << slow << fast << true
        << "\nProcessor\n  ~ CPU\n      CurrentClockSpeed: 800 -> 3400\n      LoadPercentage: 3 -> 90\n"
           "\nTemperatureProbe\n  ~ CPU temperature\n      CurrentReading: 40 -> 71\n\n0 added, 0 removed, 2 changed.\n";
    QTest::newRow("live and real change together")
        << QStringList{"Win32_Processor|CPU|CurrentClockSpeed=800;MaxClockSpeed=3000"}
        << QStringList{"Win32_Processor|CPU|CurrentClockSpeed=900;MaxClockSpeed=3600"} << false
        << "\nProcessor\n  ~ CPU\n      MaxClockSpeed: 3000 -> 3600\n\n0 added, 0 removed, 1 changed.\n";
    QTest::newRow("one caption, matched by DeviceID whatever the order")
        << QStringList{"Win32_USBHub|Hub|DeviceID=USB\\1;Port=1", "Win32_USBHub|Hub|DeviceID=USB\\2;Port=2"}
        << QStringList{"Win32_USBHub|Hub|DeviceID=USB\\2;Port=2", "Win32_USBHub|Hub|DeviceID=USB\\1;Port=5"} << false
        << "\nUSBHub\n  ~ Hub [USB\\1]\n      Port: 1 -> 5\n\n0 added, 0 removed, 1 changed.\n";
    QTest::newRow("one caption, a device swapped for another")
        << QStringList{"Win32_USBHub|Hub|DeviceID=USB\\1", "Win32_USBHub|Hub|DeviceID=USB\\2"}
        << QStringList{"Win32_USBHub|Hub|DeviceID=USB\\1", "Win32_USBHub|Hub|DeviceID=USB\\3"} << false
        << "\nUSBHub\n  - Hub [USB\\2]\n  + Hub [USB\\3]\n\n1 added, 1 removed, 0 changed.\n";
    QTest::newRow("one caption, no keys: in order")
        << QStringList{"Win32_Fan|Fan|Speed=1", "Win32_Fan|Fan|Speed=2"}
        << QStringList{"Win32_Fan|Fan|Speed=1", "Win32_Fan|Fan|Speed=3", "Win32_Fan|Fan|Speed=4"} << false
        << "\nFan\n  + Fan\n  ~ Fan\n      Speed: 2 -> 3\n\n1 added, 0 removed, 1 changed.\n";
    QTest::newRow("Tag when there is no DeviceID")
        << QStringList{"Win32_PhysicalMemory|Physical Memory|Tag=Physical Memory 0;Capacity=4",
                       "Win32_PhysicalMemory|Physical Memory|Tag=Physical Memory 1;Capacity=4"}
        << QStringList{"Win32_PhysicalMemory|Physical Memory|Tag=Physical Memory 1;Capacity=8"} << false
        << "\nPhysicalMemory\n  - Physical Memory [Physical Memory 0]\n  ~ Physical Memory [Physical Memory 1]\n"
           "      Capacity: 4 -> 8\n\n0 added, 1 removed, 1 changed.\n";
    QTest::newRow("a single device keeps its caption's match when its id moves")
        << QStringList{"Win32_USBHub|Stick|DeviceID=USB\\port1"} << QStringList{"Win32_USBHub|Stick|DeviceID=USB\\port2"}
        << false << "\nUSBHub\n  ~ Stick\n      DeviceID: USB\\port1 -> USB\\port2\n\n0 added, 0 removed, 1 changed.\n";
    QTest::newRow("categories in catalogue order, computer first")
        << QStringList{"Win32_Fan|Fan|", "Win32_ComputerSystem|PC|Model=A"}
        << QStringList{"Win32_Processor|CPU|", "Win32_ComputerSystem|PC|Model=B"} << false
        << "\nComputer\n  ~ PC\n      Model: A -> B\n\nProcessor\n  + CPU\n\nFan\n  - Fan\n\n"
           "1 added, 1 removed, 1 changed.\n";
    QTest::newRow("a class that failed")
        << QStringList{"Win32_Printer!The print service is not running"} << QStringList{"Win32_Printer|Office|"} << false
        << "\nPrinter\n  ! The print service is not running -> read\n  + Office\n\n1 added, 0 removed, 0 changed.\n";
}

void TestCompare::differences()
{
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(bool, all);
    QFETCH(QString, expected);
    const RecordDiff diff = compareRecords(machine(before), machine(after), {all});
    QCOMPARE(body(diffText(diff, QStringLiteral("old"), QStringLiteral("new"))), expected);
    QCOMPARE(diff.isEmpty(), expected == QLatin1String("\nNo differences.\n"));
}

void TestCompare::titlesAndEmptiness()
{
    const RecordDiff diff = compareRecords(machine({}), machine({"Win32_Bus|PCI Bus|"}));
    QVERIFY(diffText(diff, "last-month.json", "Win32_Bus.txt").startsWith("--- last-month.json\n+++ Win32_Bus.txt\n"));
    // A record that lacks a class the other holds compares as a failure of it.
    InventoryRecord partial = machine({});
    partial.classes.pop_back();
    const RecordDiff missing = compareRecords(partial, machine({}));
    QCOMPARE(missing.categories.size(), 1u);
    QCOMPARE(missing.categories[0].failure->first, QStringLiteral("not recorded"));
}

// A name in the list that no class declares would silently compare a live
// reading as hardware: every entry must be a real property of its class.
void TestCompare::liveReadingsAreDeclared()
{
    QStringList classes = deviceCatalogue();
    classes.prepend(ComputerClass);
    for (const LiveReading &reading : liveReadings()) {
        const QString className = QLatin1String(reading.className);
        const QString property = QLatin1String(reading.propertyName);
        if (className.isEmpty()) {
            const bool somewhere = std::any_of(classes.begin(), classes.end(), [&](const QString &name) {
                return snapshot::declaredType(name, property).has_value();
            });
            QVERIFY2(somewhere, reading.propertyName);
            continue;
        }
        QVERIFY2(classes.contains(className), reading.className);
        QVERIFY2(snapshot::declaredType(className, property), qPrintable(className + QLatin1Char('.') + property));
        QVERIFY(isLiveReading(className.toUpper(), property.toLower()));
    }
    QVERIFY(isLiveReading("Win32_PnPEntity", "TimeOfLastReset"));
    QVERIFY(!isLiveReading("Win32_Processor", "MaxClockSpeed"));
    QVERIFY(!isLiveReading("Win32_Fan", "CurrentReading"));
}

// Thousands of devices of one caption (a synthetic machine's PnP entities)
// match by key without comparing every pair.
void TestCompare::manyDevicesOfOneCaption()
{
    QStringList before;
    QStringList after;
    for (int i = 0; i < 4000; ++i) {
        before << QStringLiteral("Win32_PNPEntity|Device|DeviceID=ROOT\\%1").arg(i);
        after << QStringLiteral("Win32_PNPEntity|Device|DeviceID=ROOT\\%1").arg(3999 - i + (i == 0 ? 5000 : 0));
    }
    const RecordDiff diff = compareRecords(machine(before), machine(after));
    QCOMPARE(diff.categories.size(), 1u);
    QCOMPARE(diff.categories[0].added.size(), 1u);
    QCOMPARE(diff.categories[0].removed.size(), 1u);
    QCOMPARE(diff.categories[0].added[0].key, QStringLiteral("ROOT\\8999"));
    QCOMPARE(diff.categories[0].removed[0].key, QStringLiteral("ROOT\\3999"));
    QVERIFY(diff.categories[0].changed.empty());
}

QTEST_GUILESS_MAIN(TestCompare)
#include "tst_compare.moc"
