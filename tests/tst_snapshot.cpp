// The inventory record: the type table, taking a record from a source and
// serving it back with every caption, property and failure where it was.
#include "inventory/Catalogue.h"
#include "inventory/EventPump.h"
#include "inventory/MemorySource.h"
#include "inventory/modGetDevices.h"
#include "inventory/snapshot/InventoryRecord.h"

#include <QTest>

using namespace inventory;
using namespace inventory::snapshot;

Q_DECLARE_METATYPE(inventory::Value)

namespace {
const QString Disk = QStringLiteral("Win32_DiskDrive");

Property prop(const char *name, Value value)
{
    return {QString::fromLatin1(name), value};
}

// Every answer the query layer gives for a source: the captions of each
// class and the property pairs of each device it lists.
QStringList everythingSeen(const Instrumentation &instrumentation)
{
    NoEventPump pump;
    const modGetDevices devices(instrumentation, pump);
    QStringList seen;
    for (const QString &className : QStringList{ComputerClass} + deviceCatalogue()) {
        const QStringList captions = devices.GetDeviceCaptions(className);
        seen << className + QLatin1Char('=') + captions.join(QLatin1Char('\n'));
        for (const QString &caption : captions)
            seen << devices.GetDeviceProperties({QStringLiteral("PC"), categoryText(className), caption});
    }
    return seen;
}
} // namespace

class TestSnapshot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void declaredTypes_data();
    void declaredTypes();
    void tableCoversEveryClassInOrder();
    void typeNames();
    void recordedTypeFallsBackToTheValue_data();
    void recordedTypeFallsBackToTheValue();
    void servedRecordBehavesAsTheSource();
    void servedRecordFailsWhereTheSourceFailed();
    void hostNameComesFromTheComputer();
};

void TestSnapshot::declaredTypes_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("expected"); // "" = not declared
    QTest::newRow("computer memory") << "Win32_ComputerSystem" << "TotalPhysicalMemory" << "uint64";
    QTest::newRow("time zone") << "Win32_ComputerSystem" << "CurrentTimeZone" << "sint16";
    QTest::newRow("LD19 block") << "Win32_Processor" << "PowerManagementCapabilities" << "uint16[]";
    QTest::newRow("own property") << "Win32_Processor" << "MaxClockSpeed" << "uint32";
    QTest::newRow("case-insensitive") << "Win32_Processor" << "maxclockspeed" << "uint32";
    QTest::newRow("PE15 block") << "Win32_PhysicalMemory" << "PoweredOn" << "boolean";
    QTest::newRow("NS16 defined") << "Win32_CurrentProbe" << "Accuracy" << "sint32";
    QTest::newRow("NS16 reused") << "Win32_TemperatureProbe" << "UpperThresholdFatal" << "sint32";
    QTest::newRow("same set as another class") << "Win32_MemoryDevice" << "ErrorGranularity" << "uint16";
    QTest::newRow("set without one") << "Win32_SMBIOSMemory" << "ErrorGranularity" << "";
    QTest::newRow("set without one keeps the rest") << "Win32_SMBIOSMemory" << "ErrorResolution" << "uint64";
    QTest::newRow("reference") << "Win32_AssociatedBattery" << "Antecedent" << "reference";
    QTest::newRow("datetime") << "Win32_BIOS" << "ReleaseDate" << "datetime";
    QTest::newRow("real") << "Win32_CDROMDrive" << "TransferRate" << "real64";
    QTest::newRow("byte array") << "Win32_ComputerSystem" << "OEMLogoBitmap" << "uint8[]";
    QTest::newRow("trailing source tags") << "Win32_USBHub" << "USBVersion" << "uint16";
    QTest::newRow("unknown property") << "Win32_Processor" << "Frobnication" << "";
    QTest::newRow("unknown class") << "Win32_Nope" << "Caption" << "";
}

void TestSnapshot::declaredTypes()
{
    QFETCH(QString, className);
    QFETCH(QString, property);
    QFETCH(QString, expected);
    const std::optional<WmiType> declared = declaredType(className, property);
    QCOMPARE(declared ? declared->name() : QString(), expected);
}

void TestSnapshot::tableCoversEveryClassInOrder()
{
    qsizetype total = 0;
    for (const QString &className : QStringList{ComputerClass} + deviceCatalogue()) {
        const auto properties = declaredProperties(className);
        QVERIFY2(!properties.empty(), qPrintable(className));
        total += qsizetype(properties.size());
        for (std::size_t i = 1; i < properties.size(); ++i) {
            const QString before = QString::fromLatin1(properties[i - 1].name).toLower();
            const QString after = QString::fromLatin1(properties[i].name).toLower();
            QVERIFY2(before < after, qPrintable(className + QLatin1Char('.') + after));
        }
    }
    QCOMPARE(declaredProperties(ComputerClass).size(), std::size_t(64));
    QCOMPARE(declaredProperties(QStringLiteral("Win32_Printer")).size(), std::size_t(86));
    QCOMPARE(total, 1820); // the sum of the counts the notes give
}

void TestSnapshot::typeNames()
{
    for (const char *name : {"string", "boolean", "uint8", "uint16", "uint32", "uint64", "sint8", "sint16", "sint32",
                              "sint64", "real32", "real64", "datetime", "reference", "uint16[]", "string[]"}) {
        const std::optional<WmiType> parsed = WmiType::fromName(QString::fromLatin1(name));
        QVERIFY2(parsed, name);
        QCOMPARE(parsed->name(), QLatin1String(name));
    }
    for (const char *bad : {"", "[]", "int", "UINT16", "uint16[][]", "string []", "ref"})
        QVERIFY2(!WmiType::fromName(QString::fromLatin1(bad)), bad);
}

void TestSnapshot::recordedTypeFallsBackToTheValue_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<Value>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("declared, fits") << "Size" << Value::unsignedInteger(500107862016) << "uint64";
    QTest::newRow("signed number under unsigned") << "Index" << Value::integer(3) << "uint32";
    QTest::newRow("negative under unsigned") << "Index" << Value::integer(-1) << "sint64";
    QTest::newRow("too big for uint16") << "SCSIPort" << Value::unsignedInteger(70000) << "uint64";
    QTest::newRow("uint16 at its limit") << "SCSIPort" << Value::unsignedInteger(65535) << "uint16";
    QTest::newRow("Null keeps the declared type") << "Size" << Value::null() << "uint64";
    QTest::newRow("number as text") << "Size" << Value::text(QStringLiteral("12")) << "string";
    QTest::newRow("empty string") << "Model" << Value::empty() << "string";
    QTest::newRow("empty under a number") << "Size" << Value::empty() << "string";
    QTest::newRow("Boolean") << "MediaLoaded" << Value::boolean(true) << "boolean";
    QTest::newRow("Boolean under string") << "Model" << Value::boolean(false) << "boolean";
    QTest::newRow("datetime text") << "InstallDate" << Value::text(QStringLiteral("20240101000000.000000+000")) << "datetime";
    QTest::newRow("array of canonical numbers") << "Capabilities" << Value::array({QStringLiteral("3"), QStringLiteral("4")})
                                                << "uint16[]";
    QTest::newRow("array with a padded number") << "Capabilities" << Value::array({QStringLiteral("3"), QStringLiteral("04")})
                                                << "string[]";
    QTest::newRow("array out of range") << "Capabilities" << Value::array({QStringLiteral("65536")}) << "string[]";
    QTest::newRow("empty array") << "Capabilities" << Value::array({}) << "uint16[]";
    QTest::newRow("scalar under array") << "Capabilities" << Value::unsignedInteger(3) << "uint64";
    QTest::newRow("real") << "TransferRate" << Value::real(-1.5) << "real64";
    QTest::newRow("unknown property") << "Frobnication" << Value::integer(5) << "sint64";
    QTest::newRow("unknown array") << "Frobnication" << Value::array({QStringLiteral("1")}) << "string[]";
}

void TestSnapshot::recordedTypeFallsBackToTheValue()
{
    QFETCH(QString, property);
    QFETCH(Value, value);
    QFETCH(QString, expected);
    QCOMPARE(recordedType(Disk, property, value).name(), expected);
}

void TestSnapshot::servedRecordBehavesAsTheSource()
{
    MemorySource source;
    source.add(ComputerClass, QStringLiteral("HOST"), {prop("Name", Value::text(QStringLiteral("HOST")))});
    for (const QString &className : deviceCatalogue())
        source.addClass(className);
    source.add(Disk, QStringLiteral("Disk A"),
               {prop("Caption", Value::text(QStringLiteral("Disk A"))), prop("Size", Value::unsignedInteger(18446744073709551615u)),
                prop("Capabilities", Value::array({QStringLiteral("3"), QStringLiteral("4")})), prop("Status", Value::null()),
                prop("Index", Value::integer(0)), prop("Extra", Value::real(0.1))});
    source.add(Disk, QStringLiteral("Disk A"), {prop("Index", Value::integer(1))}); // same caption: both listed
    source.addClass(Disk).push_back({Value::null(), {prop("Index", Value::integer(2))}});
    source.addClass(Disk).push_back({Value::empty(), {prop("Index", Value::integer(3))}});

    const InventoryRecord record = takeRecord(source.instrumentation(), {QStringLiteral("memory"), QString()});
    QCOMPARE(record.classes.size(), std::size_t(57));
    QCOMPARE(record.classes.front().name, ComputerClass);
    QCOMPARE(record.classes[5].name, Disk);
    QCOMPARE(record.classes[5].instances.size(), std::size_t(4));
    QCOMPARE(record.classes[5].instances[0].properties[1].type.name(), QStringLiteral("uint64"));
    QCOMPARE(record.classes[5].instances[2].caption, std::optional<Value>(Value::null()));
    QCOMPARE(record.programVersion, QStringLiteral(VANTORIX_VERSION));
    QCOMPARE(record.taken.timeSpec(), Qt::UTC);

    const auto served = std::make_shared<const InventoryRecord>(record);
    QCOMPARE(everythingSeen(recordInstrumentation(served)), everythingSeen(source.instrumentation()));
    InventoryRecord again = takeRecord(recordInstrumentation(served), record.origin);
    again.taken = record.taken;
    QCOMPARE(again, record);
}

void TestSnapshot::servedRecordFailsWhereTheSourceFailed()
{
    MemorySource source;
    source.addClass(QStringLiteral("Win32_Processor")).push_back({Value::text(QStringLiteral("CPU0")), {}, true, true});
    source.add(QStringLiteral("Win32_Processor"), QStringLiteral("CPU1"), {prop("Name", Value::text(QStringLiteral("x")))});
    source.addClass(QStringLiteral("Win32_AssociatedBattery")).push_back({Value::null(), {prop("Antecedent", Value::empty())}, false});
    source.add(QStringLiteral("Win32_Keyboard"), QStringLiteral("K1")).add(QStringLiteral("Win32_Keyboard"), QStringLiteral("K2"));
    source.failEnumerationAfter(QStringLiteral("Win32_Keyboard"), 1);
    source.addClass(QStringLiteral("Win32_Fan"));
    source.failEnumerationAfter(QStringLiteral("Win32_Fan"), 0);
    // Every other class, the computer included, is unknown to this source.

    const InventoryRecord record = takeRecord(source.instrumentation(), {});
    const RecordedClass &processor = *record.find(QStringLiteral("Win32_Processor"));
    QCOMPARE(processor.instances[0].failure, std::optional<QString>(QStringLiteral("Instance cannot be read")));
    QVERIFY(processor.instances[0].properties.empty());
    QVERIFY(!processor.failure);
    QVERIFY(!record.find(QStringLiteral("Win32_AssociatedBattery"))->instances[0].caption);
    const RecordedClass &keyboard = *record.find(QStringLiteral("Win32_Keyboard"));
    QCOMPARE(keyboard.instances.size(), std::size_t(1));
    QCOMPARE(keyboard.failure, std::optional(EnumerationFailure{EnumerationFailure::Where::Next, QStringLiteral("Enumeration failed")}));
    QCOMPARE(record.find(QStringLiteral("Win32_Fan"))->failure->where, EnumerationFailure::Where::Next);
    QCOMPARE(record.find(ComputerClass)->failure,
             std::optional(EnumerationFailure{EnumerationFailure::Where::Query, QStringLiteral("Invalid class: Win32_ComputerSystem")}));
    QCOMPARE(record.hostName, QString());

    const auto served = std::make_shared<const InventoryRecord>(record);
    QCOMPARE(everythingSeen(recordInstrumentation(served)), everythingSeen(source.instrumentation()));
    InventoryRecord again = takeRecord(recordInstrumentation(served), {});
    again.taken = record.taken;
    QCOMPARE(again, record);

    // A class the record lacks is unknown to it, whatever the source said.
    std::shared_ptr<Service> service = recordInstrumentation(served).connect();
    QVERIFY_THROWS_EXCEPTION(Failure, service->instancesOf(QStringLiteral("Win32_Nope")));
    QVERIFY_THROWS_EXCEPTION(Failure, service->instancesOf(ComputerClass));
}

void TestSnapshot::hostNameComesFromTheComputer()
{
    MemorySource source;
    source.add(ComputerClass, QStringLiteral("CAPTION"), {prop("Name", Value::text(QStringLiteral("NAME"))),
                                                          prop("DNSHostName", Value::text(QStringLiteral("box")))});
    QCOMPARE(takeRecord(source.instrumentation(), {}).hostName, QStringLiteral("box"));
    MemorySource noDns;
    noDns.add(ComputerClass, QStringLiteral("CAPTION"), {prop("DNSHostName", Value::null()), prop("Name", Value::text(QStringLiteral("NAME")))});
    QCOMPARE(takeRecord(noDns.instrumentation(), {}).hostName, QStringLiteral("NAME"));
    MemorySource captionOnly;
    captionOnly.add(ComputerClass, QStringLiteral("CAPTION"));
    QCOMPARE(takeRecord(captionOnly.instrumentation(), {}).hostName, QStringLiteral("CAPTION"));
}

QTEST_GUILESS_MAIN(TestSnapshot)
#include "tst_snapshot.moc"
