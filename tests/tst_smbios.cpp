// The SMBIOS reader and the classes it feeds: what they show for every real
// table against dmidecode's reading of the same bytes; broken, truncated and
// garbled tables; entry points, string sets and the decoding of sizes, dates
// and codes.
#include "support/Fakes.h"
#include "support/Fixtures.h"
#include "support/SmbiosFixtures.h"

#include "inventory/linux/firmware/Firmware.h"
#include "inventory/linux/LinuxSource.h"
#include "inventory/linux/firmware/Smbios.h"
#include "inventory/linux/firmware/SmbiosDecode.h"
#include "inventory/modGetDevices.h"

#include <QMap>
#include <QRandomGenerator>
#include <QTest>

using namespace inventory;
using namespace inventory::linuxsource;
using testing::DmiRecord;
using testing::Object;
using testing::objects;
using testing::littleEndian;
using testing::smbiosFields;
using testing::smbiosStructure;
using testing::text;

namespace {

// dmidecode's words for a string that is missing or cannot be reached.
QString plain(const QString &value)
{
    if (value.trimmed().isEmpty() || value == QLatin1String("Not Specified") || value == QLatin1String("<BAD INDEX>"))
        return {};
    return value;
}

// Counts the fields compared with dmidecode and the ones that agree.
struct Agreement
{
    int compared = 0;
    int agreed = 0;
    QStringList differences;

    void check(const QString &what, const QString &ours, const QString &theirs)
    {
        ++compared;
        if (plain(ours) == plain(theirs))
            ++agreed;
        else
            differences << QStringLiteral("%1: ours \"%2\", dmidecode \"%3\"").arg(what, ours, theirs);
    }
    void check(const QString &what, qsizetype ours, qsizetype theirs)
    {
        check(what, QString::number(ours), QString::number(theirs));
    }
};

// "8 GB", "1536 kB" in the unit asked for; empty for "Unknown" and the like.
QString amount(const QString &value, quint64 unit)
{
    static const QMap<QString, quint64> units = {
        {QStringLiteral("bytes"), 1}, {QStringLiteral("kB"), 1024}, {QStringLiteral("KB"), 1024},
        {QStringLiteral("MB"), 1024 * 1024}, {QStringLiteral("GB"), 1024ull * 1024 * 1024},
        {QStringLiteral("TB"), 1024ull * 1024 * 1024 * 1024}};
    const QStringList parts = value.split(QLatin1Char(' '));
    bool ok = false;
    const quint64 number = parts.value(0).toULongLong(&ok);
    if (parts.size() != 2 || !ok || !units.contains(parts[1]))
        return {};
    return QString::number(number * units[parts[1]] / unit);
}

// "2400 MT/s" or "1600 MHz"; empty for "Unknown".
QString speed(const QString &value)
{
    const QString number = value.section(QLatin1Char(' '), 0, 0);
    bool ok = false;
    number.toUInt(&ok);
    return ok ? number : QString();
}

QString kilobytesOfAddress(const QString &hex)
{
    bool ok = false;
    const quint64 address = hex.mid(2).toULongLong(&ok, 16);
    return ok ? QString::number(address / 1024) : QString();
}

QString wmiDate(const QString &biosDate)
{
    const QDate date = QDate::fromString(biosDate, QStringLiteral("MM/dd/yyyy"));
    return date.isValid() ? date.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("000000.000000+000") : QString();
}

// The SMBIOS chassis names dmidecode prints, by code.
int chassisCode(const QString &name)
{
    static const QStringList names = {
        {}, QStringLiteral("Other"), QStringLiteral("Unknown"), QStringLiteral("Desktop"),
        QStringLiteral("Low Profile Desktop"), QStringLiteral("Pizza Box"), QStringLiteral("Mini Tower"),
        QStringLiteral("Tower"), QStringLiteral("Portable"), QStringLiteral("Laptop"), QStringLiteral("Notebook"),
        QStringLiteral("Hand Held"), QStringLiteral("Docking Station"), QStringLiteral("All In One"),
        QStringLiteral("Sub Notebook"), QStringLiteral("Space-saving"), QStringLiteral("Lunch Box"),
        QStringLiteral("Main Server Chassis"), QStringLiteral("Expansion Chassis"), QStringLiteral("Sub Chassis"),
        QStringLiteral("Bus Expansion Chassis"), QStringLiteral("Peripheral Chassis"), QStringLiteral("RAID Chassis"),
        QStringLiteral("Rack Mount Chassis"), QStringLiteral("Sealed-case PC"), QStringLiteral("Multi-system"),
        QStringLiteral("CompactPCI"), QStringLiteral("AdvancedTCA"), QStringLiteral("Blade"),
        QStringLiteral("Blade Enclosing"), QStringLiteral("Tablet"), QStringLiteral("Convertible"),
        QStringLiteral("Detachable"), QStringLiteral("IoT Gateway"), QStringLiteral("Embedded PC"),
        QStringLiteral("Mini PC"), QStringLiteral("Stick PC")};
    return int(names.indexOf(name));
}

bool installed(const DmiRecord &device)
{
    const QString size = device.value(QStringLiteral("Size"));
    return size != QLatin1String("No Module Installed") && size != QLatin1String("Not Installed");
}

// The fields the firmware classes are measured by: firmware identity, board,
// enclosure, modules, slots and connectors.
void compareCore(Agreement &a, const QString &root, const QList<DmiRecord> &truth)
{
    const QList<DmiRecord> bioses = testing::ofType(truth, 0);
    const std::vector<Object> bios = objects(root, "Win32_BIOS");
    if (!bioses.isEmpty() && !bios.empty()) {
        a.check(QStringLiteral("BIOS vendor"), text(bios[0], "Manufacturer"), bioses[0].value(QStringLiteral("Vendor")));
        a.check(QStringLiteral("BIOS version"), text(bios[0], "SMBIOSBIOSVersion"), bioses[0].value(QStringLiteral("Version")));
        a.check(QStringLiteral("BIOS date"), text(bios[0], "ReleaseDate"), wmiDate(bioses[0].value(QStringLiteral("Release Date"))));
    } else {
        a.check(QStringLiteral("BIOS records"), qsizetype(bios.size()), bioses.size());
    }

    QList<DmiRecord> boards = testing::ofType(truth, 2);
    for (const DmiRecord &board : boards)
        if (board.value(QStringLiteral("Type")) == QLatin1String("Motherboard"))
            boards.prepend(board);
    const std::vector<Object> board = objects(root, "Win32_BaseBoard");
    if (!boards.isEmpty() && !board.empty()) {
        a.check(QStringLiteral("board maker"), text(board[0], "Manufacturer"), boards[0].value(QStringLiteral("Manufacturer")));
        a.check(QStringLiteral("board product"), text(board[0], "Product"), boards[0].value(QStringLiteral("Product Name")));
    } else {
        a.check(QStringLiteral("board records"), qsizetype(board.size()), boards.isEmpty() ? 0 : 1);
    }

    const QList<DmiRecord> chassis = testing::ofType(truth, 3);
    const std::vector<Object> enclosures = objects(root, "Win32_SystemEnclosure");
    a.check(QStringLiteral("enclosures"), qsizetype(enclosures.size()), chassis.size());
    for (qsizetype i = 0; i < chassis.size() && i < qsizetype(enclosures.size()); ++i) {
        a.check(QStringLiteral("enclosure maker"), text(enclosures[i], "Manufacturer"), chassis[i].value(QStringLiteral("Manufacturer")));
        a.check(QStringLiteral("enclosure type"), text(enclosures[i], "ChassisTypes"),
                QString::number(chassisCode(chassis[i].value(QStringLiteral("Type")))));
    }

    QList<DmiRecord> dimms;
    for (const DmiRecord &device : testing::ofType(truth, 17))
        if (installed(device))
            dimms.append(device);
    const std::vector<Object> modules = objects(root, "Win32_PhysicalMemory");
    a.check(QStringLiteral("DIMMs"), qsizetype(modules.size()), dimms.size());
    for (qsizetype i = 0; i < dimms.size() && i < qsizetype(modules.size()); ++i) {
        const Object &m = modules[i];
        const QString which = QStringLiteral("DIMM %1 ").arg(i);
        a.check(which + QStringLiteral("locator"), text(m, "DeviceLocator"), dimms[i].value(QStringLiteral("Locator")));
        a.check(which + QStringLiteral("size"), text(m, "Capacity"), amount(dimms[i].value(QStringLiteral("Size")), 1));
        a.check(which + QStringLiteral("speed"), text(m, "Speed"), speed(dimms[i].value(QStringLiteral("Speed"))));
        a.check(which + QStringLiteral("maker"), text(m, "Manufacturer"), dimms[i].value(QStringLiteral("Manufacturer")));
        a.check(which + QStringLiteral("part"), text(m, "PartNumber"), dimms[i].value(QStringLiteral("Part Number")));
    }

    const QList<DmiRecord> slots = testing::ofType(truth, 9);
    const std::vector<Object> systemSlots = objects(root, "Win32_SystemSlot");
    a.check(QStringLiteral("slots"), qsizetype(systemSlots.size()), slots.size());
    for (qsizetype i = 0; i < slots.size() && i < qsizetype(systemSlots.size()); ++i) {
        a.check(QStringLiteral("slot %1").arg(i), text(systemSlots[i], "SlotDesignation"), slots[i].value(QStringLiteral("Designation")));
        const QStringList characteristics = slots[i].items(QStringLiteral("Characteristics"));
        const auto says = [&](const char *item) {
            return characteristics.contains(QLatin1String(item)) ? QStringLiteral("True") : QStringLiteral("False");
        };
        if (!characteristics.isEmpty() && !characteristics.contains(QStringLiteral("Unknown"))) {
            a.check(QStringLiteral("slot %1 shared").arg(i), text(systemSlots[i], "Shared"), says("Opening is shared"));
            a.check(QStringLiteral("slot %1 PME").arg(i), text(systemSlots[i], "PMESignal"), says("PME signal is supported"));
            a.check(QStringLiteral("slot %1 hot plug").arg(i), text(systemSlots[i], "SupportsHotPlug"),
                    says("Hot-plug devices are supported"));
        }
    }

    const QList<DmiRecord> ports = testing::ofType(truth, 8);
    const std::vector<Object> connectors = objects(root, "Win32_PortConnector");
    a.check(QStringLiteral("ports"), qsizetype(connectors.size()), ports.size());
    for (qsizetype i = 0; i < ports.size() && i < qsizetype(connectors.size()); ++i) {
        a.check(QStringLiteral("port %1 internal").arg(i), text(connectors[i], "InternalReferenceDesignator"),
                ports[i].value(QStringLiteral("Internal Reference Designator")));
        a.check(QStringLiteral("port %1 external").arg(i), text(connectors[i], "ExternalReferenceDesignator"),
                ports[i].value(QStringLiteral("External Reference Designator")));
    }
}

// The other classes the table feeds: caches, address ranges, built-in
// devices, batteries, probes and cooling devices.
void compareMore(Agreement &a, const QString &root, const QList<DmiRecord> &truth)
{
    const QList<DmiRecord> caches = testing::ofType(truth, 7);
    const std::vector<Object> cacheMemory = objects(root, "Win32_CacheMemory");
    if (!caches.isEmpty()) {
        a.check(QStringLiteral("caches"), qsizetype(cacheMemory.size()), caches.size());
        for (qsizetype i = 0; i < caches.size() && i < qsizetype(cacheMemory.size()); ++i) {
            a.check(QStringLiteral("cache %1 purpose").arg(i), text(cacheMemory[i], "Purpose"), caches[i].value(QStringLiteral("Socket Designation")));
            a.check(QStringLiteral("cache %1 size").arg(i), text(cacheMemory[i], "InstalledSize"),
                    amount(caches[i].value(QStringLiteral("Installed Size")), 1024));
        }
    }

    for (const auto &[type, className] : {std::pair{19, "Win32_MemoryArray"}, std::pair{20, "Win32_MemoryDevice"}}) {
        const QList<DmiRecord> ranges = testing::ofType(truth, type);
        const std::vector<Object> ours = objects(root, className);
        a.check(QStringLiteral("%1 ranges").arg(QLatin1String(className)), qsizetype(ours.size()), ranges.size());
        for (qsizetype i = 0; i < ranges.size() && i < qsizetype(ours.size()); ++i) {
            a.check(QStringLiteral("%1 %2 start").arg(QLatin1String(className)).arg(i), text(ours[i], "StartingAddress"),
                    kilobytesOfAddress(ranges[i].value(QStringLiteral("Starting Address"))));
            a.check(QStringLiteral("%1 %2 end").arg(QLatin1String(className)).arg(i), text(ours[i], "EndingAddress"),
                    kilobytesOfAddress(ranges[i].value(QStringLiteral("Ending Address"))));
        }
    }

    QStringList onBoard;
    for (const DmiRecord &device : testing::ofType(truth, 41))
        onBoard << device.value(QStringLiteral("Reference Designation"));
    if (onBoard.isEmpty())
        for (const DmiRecord &record : testing::ofType(truth, 10))
            onBoard << record.values(QStringLiteral("Description"));
    const std::vector<Object> devices = objects(root, "Win32_OnBoardDevice");
    a.check(QStringLiteral("on-board devices"), qsizetype(devices.size()), onBoard.size());
    for (qsizetype i = 0; i < onBoard.size() && i < qsizetype(devices.size()); ++i) {
        // Without a string of its own the device is described by its label.
        QString description = text(devices[i], "Description");
        if (description == QLatin1String("On Board Device"))
            description.clear();
        a.check(QStringLiteral("on-board device %1").arg(i), description, onBoard[i]);
    }

    const QList<DmiRecord> batteries = testing::ofType(truth, 22);
    const std::vector<Object> portable = objects(root, "Win32_PortableBattery");
    a.check(QStringLiteral("batteries"), qsizetype(portable.size()), batteries.size());
    for (qsizetype i = 0; i < batteries.size() && i < qsizetype(portable.size()); ++i)
        a.check(QStringLiteral("battery %1").arg(i), text(portable[i], "DeviceID"), batteries[i].value(QStringLiteral("Name")));

    for (const auto &[type, className] : {std::pair{26, "Win32_VoltageProbe"}, std::pair{28, "Win32_TemperatureProbe"},
                                          std::pair{29, "Win32_CurrentProbe"}}) {
        const QList<DmiRecord> probes = testing::ofType(truth, type);
        const std::vector<Object> ours = objects(root, className);
        a.check(QLatin1String(className), qsizetype(ours.size()), probes.size());
        for (qsizetype i = 0; i < probes.size() && i < qsizetype(ours.size()); ++i)
            a.check(QStringLiteral("%1 %2").arg(QLatin1String(className)).arg(i), text(ours[i], "Description"),
                    probes[i].value(QStringLiteral("Description")));
    }
    QStringList cooling;
    for (const DmiRecord &device : testing::ofType(truth, 27))
        if (device.value(QStringLiteral("Type")) != QLatin1String("Passive Cooling")) {
            // Without a description of its own a device is described by its
            // type, or by the class label where the type is out of range.
            QString description = plain(device.value(QStringLiteral("Description")));
            if (description.isEmpty())
                description = device.value(QStringLiteral("Type"));
            if (description.startsWith(QLatin1Char('<')))
                description = QStringLiteral("Cooling Device");
            cooling << description;
        }
    QStringList ourCooling;
    for (const char *className : {"Win32_Fan", "Win32_HeatPipe", "Win32_Refrigeration"})
        for (const Object &device : objects(root, className))
            ourCooling << text(device, "Description");
    a.check(QStringLiteral("cooling devices"), ourCooling.size(), cooling.size());
    std::sort(cooling.begin(), cooling.end());
    std::sort(ourCooling.begin(), ourCooling.end());
    a.check(QStringLiteral("cooling descriptions"), ourCooling.join(QLatin1Char('|')), cooling.join(QLatin1Char('|')));
}

// The one structure the bytes hold (a bare header where they hold none).
SmbiosStructure single(const QByteArray &bytes)
{
    std::vector<SmbiosStructure> parsed = parseSmbiosStructures(bytes);
    if (parsed.empty())
        parsed = parseSmbiosStructures(QByteArray("\x01\x04\x00\x00\x00\x00", 6));
    return parsed.front();
}

// Every class the firmware fills, built from a table and read to the last property.
int readEverything(const SmbiosTable &table)
{
    const FirmwarePtr firmware = Firmware::fromTable(table);
    int properties = 0;
    for (FirmwareBuilder build : firmwareBuilders())
        for (const Instance &instance : build(firmware))
            properties += int(instance.properties().size());
    PropertyBag computer, processor;
    addFirmwareComputerProperties(computer, *firmware);
    addFirmwareProcessorProperties(processor, *firmware, 0);
    return properties + int(computer.take().size() + processor.take().size());
}

} // namespace

class TestSmbios : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void agreesWithDmidecode_data();
    void agreesWithDmidecode();
    void brokenTablesGiveWhatIsValid();
    void truncatedCopiesKeepAPrefix();
    void garbledCopiesDoNotCrash();
    void entryPoints_data();
    void entryPoints();
    void structureSets_data();
    void structureSets();
    void dumpLayout();
    void kernelEntriesStandInForTheTable();
    void sizes();
    void speedsAndRanges();
    void datesAndIdentifiers();
    void codesAsWmiHasThem();
};

void TestSmbios::agreesWithDmidecode_data()
{
    testing::addRealTableRows();
}

void TestSmbios::agreesWithDmidecode()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    QFETCH(QByteArray, entryPoint);
    QFETCH(QByteArray, table);
    QFETCH(QString, dmidecodeText);
    QVERIFY(!table.isEmpty());
    const QList<DmiRecord> truth = testing::readDmidecodeText(dmidecodeText);
    QVERIFY(!truth.isEmpty());

    testing::FixtureTree fx;
    testing::writeTable(fx, entryPoint, table);
    const SmbiosTable parsed = readSmbiosTable(MachineRoot(fx.root()));
    qsizetype records = 0;
    for (const DmiRecord &record : truth)
        records += record.type != 127;

    Agreement core;
    compareCore(core, fx.root(), truth);
    Agreement more;
    more.check(QStringLiteral("structures"), qsizetype(parsed.structures.size()), records);
    compareMore(more, fx.root(), truth);
    qInfo("%s: %d of %d fields agree (and %d of %d more)", QTest::currentDataTag(), core.agreed, core.compared,
          more.agreed, more.compared);
    QVERIFY2(core.differences.isEmpty(), qPrintable(core.differences.join(QLatin1Char('\n'))));
    QVERIFY2(more.differences.isEmpty(), qPrintable(more.differences.join(QLatin1Char('\n'))));

    // The language reaches the property list whole, separators and all
    // ("en|US|iso8859-1" on several of these machines).
    const QList<DmiRecord> languages = testing::ofType(truth, 13);
    if (languages.isEmpty() || plain(languages[0].value(QStringLiteral("Currently Installed Language"))).isEmpty())
        return;
    testing::ScriptedPump pump;
    const modGetDevices devices(LinuxSource::instrumentation(fx.root()), pump);
    const QStringList captions = devices.GetDeviceCaptions(QStringLiteral("Win32_BIOS"));
    QCOMPARE(captions.size(), qsizetype(1));
    const QStringList pairs = devices.GetDeviceProperties({QStringLiteral("PC"), QStringLiteral("BIOS"), captions[0]});
    QVERIFY(pairs.contains(QStringLiteral("CurrentLanguage^") + languages[0].value(QStringLiteral("Currently Installed Language"))));
}

void TestSmbios::brokenTablesGiveWhatIsValid()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    for (const testing::RealTable &t : testing::realTables()) {
        if (t.name != QLatin1String("HyperV") && t.name != QLatin1String("SuperMicro-Dual-Xeon"))
            continue;
        const SmbiosTable table = parseSmbiosDump(t.entryPoint + QByteArray(0x20 - t.entryPoint.size(), '\0') + t.table);
        QVERIFY(readEverything(table) > 0);
        if (t.name == QLatin1String("HyperV")) {
            // Five good structures, then one that claims to be 0 bytes long.
            QCOMPARE(table.structures.size(), size_t(5));
            QCOMPARE(table.structures.back().type(), quint8(11));
            QCOMPARE(table.first(0)->string(0x04).value_or(QString()), QStringLiteral("American Megatrends Inc."));
        }
    }
}

void TestSmbios::truncatedCopiesKeepAPrefix()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    for (const testing::RealTable &t : testing::realTables()) {
        const std::vector<SmbiosStructure> whole = parseSmbiosStructures(t.table);
        for (qsizetype cut = 0; cut < t.table.size(); cut += 61) {
            SmbiosTable truncated;
            truncated.structures = parseSmbiosStructures(QByteArrayView(t.table).first(cut));
            QVERIFY(truncated.structures.size() <= whole.size());
            // Only whole structures survive, each the same as in the full table.
            for (size_t i = 0; i < truncated.structures.size(); ++i) {
                QCOMPARE(truncated.structures[i].handle(), whole[i].handle());
                QCOMPARE(truncated.structures[i].length(), whole[i].length());
                QCOMPARE(truncated.structures[i].strings(), whole[i].strings());
            }
            readEverything(truncated);
        }
    }
}

void TestSmbios::garbledCopiesDoNotCrash()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    QRandomGenerator random(20240607);
    int built = 0;
    for (const testing::RealTable &t : testing::realTables()) {
        for (int copy = 0; copy < 40; ++copy) {
            QByteArray bytes = t.entryPoint + QByteArray(0x20 - t.entryPoint.size(), '\0') + t.table;
            const int flips = 1 + int(random.bounded(16));
            for (int f = 0; f < flips; ++f)
                bytes[random.bounded(int(bytes.size()))] = char(random.bounded(256));
            built += readEverything(parseSmbiosDump(bytes)) > 0;
        }
    }
    // Most copies still hold readable structures.
    QVERIFY(built > 400);
}

void TestSmbios::entryPoints_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("count");

    const QByteArray ep3 = testing::smbios3EntryPoint(3, 2, 1234);
    QTest::newRow("64-bit") << ep3 << true << 3 << 2 << -1;
    QByteArray badSum = ep3;
    badSum[0x09] = char(badSum[0x09] + 1);
    QTest::newRow("64-bit, bad checksum") << badSum << false << 0 << 0 << 0;
    QTest::newRow("64-bit, cut short") << ep3.left(0x10) << false << 0 << 0 << 0;
    QByteArray longer = ep3;
    longer[0x06] = char(0x40);
    QTest::newRow("64-bit, length past the bytes") << longer << false << 0 << 0 << 0;

    // A 32-bit entry point: its own checksum and the intermediate one.
    QByteArray ep2(0x1F, '\0');
    ep2.replace(0, 4, "_SM_");
    ep2[0x05] = char(0x1F);
    ep2[0x06] = char(2);
    ep2[0x07] = char(33); // written as 2.33, which means 2.3
    ep2.replace(0x10, 5, "_DMI_");
    ep2.replace(0x16, 2, littleEndian(700, 2));
    ep2.replace(0x18, 4, littleEndian(0xF0000, 4));
    ep2.replace(0x1C, 2, littleEndian(42, 2));
    const auto fixSum = [](QByteArray &b, int at, int from, int length) {
        quint8 sum = 0;
        b[at] = 0;
        for (int i = from; i < from + length; ++i)
            sum = quint8(sum + quint8(b[i]));
        b[at] = char(quint8(0x100 - sum));
    };
    fixSum(ep2, 0x15, 0x10, 0x0F);
    fixSum(ep2, 0x04, 0, 0x1F);
    QTest::newRow("32-bit") << ep2 << true << 2 << 3 << 42;
    QByteArray badIntermediate = ep2;
    badIntermediate[0x16] = char(badIntermediate[0x16] + 1);
    fixSum(badIntermediate, 0x04, 0, 0x1F);
    QTest::newRow("32-bit, bad intermediate checksum") << badIntermediate << false << 0 << 0 << 0;

    QByteArray legacy = ep2.mid(0x10, 0x0F);
    legacy[0x0E] = char(0x21);
    fixSum(legacy, 0x05, 0, 0x0F);
    QTest::newRow("legacy") << legacy << true << 2 << 1 << 42;
    QTest::newRow("nothing") << QByteArray("_SM3") << false << 0 << 0 << 0;
}

void TestSmbios::entryPoints()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    const std::optional<SmbiosEntryPoint> ep = parseSmbiosEntryPoint(bytes);
    QCOMPARE(ep.has_value(), valid);
    if (!valid)
        return;
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, count);
    QCOMPARE(ep->version.major, major);
    QCOMPARE(ep->version.minor, minor);
    QCOMPARE(ep->structureCount.has_value(), count >= 0);
    if (count >= 0)
        QCOMPARE(int(*ep->structureCount), count);
}

void TestSmbios::structureSets_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("firstStrings");

    const QByteArray bios = smbiosStructure(0, 0, smbiosFields(0x12, {{0x04, "\x01"}, {0x05, "\x02"}, {0x08, "\x05"}}),
                                      {"Vendor", "1.0"});
    const QByteArray end = smbiosStructure(127, 0xFEFF, {});
    QTest::newRow("string numbers past the set are none") << bios + end << 1
                                                          << QStringList{QStringLiteral("Vendor"), QStringLiteral("1.0"), QString()};
    QTest::newRow("no strings") << smbiosStructure(32, 1, QByteArray(7, '\0')) + end << 1 << QStringList();
    QTest::newRow("stops at the end-of-table structure") << bios + end + bios << 1 << QStringList{QStringLiteral("Vendor")};
    QByteArray tooShort = bios;
    tooShort[1] = char(3);
    QTest::newRow("a header shorter than 4 bytes ends the table") << bios + tooShort + bios << 1 << QStringList{QStringLiteral("Vendor")};
    QTest::newRow("unterminated string set is dropped") << bios + bios.left(bios.size() - 2) << 1
                                                        << QStringList{QStringLiteral("Vendor")};
    QTest::newRow("formatted area past the end") << bios + bios.left(10) << 1 << QStringList{QStringLiteral("Vendor")};
    QByteArray emptyFirst = smbiosStructure(1, 2, smbiosFields(0x08, {{0x04, "\x01"}, {0x05, "\x02"}}), {"", "Hidden"});
    QTest::newRow("an empty string ends the set") << emptyFirst + end << 1 << QStringList{QString(), QString()};
    QTest::newRow("nothing at all") << QByteArray() << 0 << QStringList();
    QTest::newRow("only zeros") << QByteArray(64, '\0') << 0 << QStringList();
}

void TestSmbios::structureSets()
{
    QFETCH(QByteArray, table);
    QFETCH(int, count);
    QFETCH(QStringList, firstStrings);
    const std::vector<SmbiosStructure> parsed = parseSmbiosStructures(table);
    QCOMPARE(int(parsed.size()), count);
    for (int i = 0; i < firstStrings.size(); ++i)
        QCOMPARE(parsed.front().string(0x04 + i).value_or(QString()), firstStrings[i]);
    // The entry point's count stops reading too.
    QCOMPARE(int(parseSmbiosStructures(table + table, 1).size()), std::min(count, 1));
}

void TestSmbios::dumpLayout()
{
    // dmidecode's dump: the entry point first, the table where it points.
    const QByteArray table = smbiosStructure(0, 0, smbiosFields(0x12, {{0x04, "\x01"}}), {"Firmware Co."}) + smbiosStructure(127, 1, {});
    const QByteArray ep = testing::smbios3EntryPoint(3, 4, quint32(table.size()));
    const SmbiosTable dump = parseSmbiosDump(ep + QByteArray(0x20 - ep.size(), '\0') + table);
    QCOMPARE(dump.version, std::optional<SmbiosVersion>(SmbiosVersion{3, 4}));
    QCOMPARE(dump.structures.size(), size_t(1));
    QCOMPARE(dump.first(0)->string(0x04), std::optional<QString>(QStringLiteral("Firmware Co.")));
    // A bare table reads as such; an address past the end gives no structures.
    QCOMPARE(parseSmbiosDump(table).structures.size(), size_t(1));
    QVERIFY(parseSmbiosDump(ep).structures.empty());

    // Under a root the kernel's files win; a broken entry point only costs the version.
    testing::FixtureTree fx;
    QByteArray brokenEp = ep;
    brokenEp[0x05] = char(brokenEp[0x05] + 1);
    testing::writeTable(fx, brokenEp, table);
    const SmbiosTable fromRoot = readSmbiosTable(MachineRoot(fx.root()));
    QVERIFY(!fromRoot.version);
    QCOMPARE(fromRoot.structures.size(), size_t(1));
}

void TestSmbios::kernelEntriesStandInForTheTable()
{
    // Where only the per-structure copies can be read, they are read in table order.
    testing::FixtureTree fx;
    const QByteArray dimmA = smbiosStructure(17, 0x20, smbiosFields(0x15, {{0x0C, littleEndian(4096, 2)}, {0x10, "\x01"}}), {"DIMM_A"});
    const QByteArray dimmB = smbiosStructure(17, 0x21, smbiosFields(0x15, {{0x0C, littleEndian(8192, 2)}, {0x10, "\x01"}}), {"DIMM_B"});
    fx.file(QStringLiteral("sys/firmware/dmi/entries/17-10/raw"), dimmB)
        .file(QStringLiteral("sys/firmware/dmi/entries/17-10/position"), "12\n")
        .file(QStringLiteral("sys/firmware/dmi/entries/17-2/raw"), dimmA)
        .file(QStringLiteral("sys/firmware/dmi/entries/17-2/position"), "3\n")
        .file(QStringLiteral("sys/firmware/dmi/entries/127-0/raw"), smbiosStructure(127, 0x22, {}))
        .file(QStringLiteral("sys/firmware/dmi/entries/1-0/raw"), QByteArray("\x01\x02"));
    const SmbiosTable table = readSmbiosTable(MachineRoot(fx.root()));
    QCOMPARE(table.structures.size(), size_t(2));
    QCOMPARE(table.structures[0].string(0x10), std::optional<QString>(QStringLiteral("DIMM_A")));
    QCOMPARE(table.structures[1].string(0x10), std::optional<QString>(QStringLiteral("DIMM_B")));
    const std::vector<Object> modules = objects(fx.root(), "Win32_PhysicalMemory");
    QCOMPARE(modules.size(), size_t(2));
    QCOMPARE(text(modules[1], "Capacity"), QStringLiteral("8589934592"));
}

void TestSmbios::sizes()
{
    const auto dimm = [](quint16 size, quint32 extended) {
        return single(smbiosStructure(17, 1, smbiosFields(0x28, {{0x0C, littleEndian(size, 2)}, {0x1C, littleEndian(extended, 4)}})));
    };
    QCOMPARE(memoryDeviceBytes(dimm(8192, 0)), std::optional<quint64>(8ull << 30));
    QCOMPARE(memoryDeviceBytes(dimm(0x8000 | 512, 0)), std::optional<quint64>(512ull << 10));
    QCOMPARE(memoryDeviceBytes(dimm(0x7FFF, 65536)), std::optional<quint64>(64ull << 30));
    QCOMPARE(memoryDeviceBytes(dimm(0, 0)), std::optional<quint64>(0));
    QVERIFY(!memoryDeviceBytes(dimm(0xFFFF, 0)));
    // An extended size the record is too short to hold is no size.
    QVERIFY(!memoryDeviceBytes(single(smbiosStructure(17, 1, smbiosFields(0x15, {{0x0C, littleEndian(0x7FFF, 2)}})))));

    const auto array = [](quint32 kb, quint64 bytes) {
        return single(smbiosStructure(16, 1, smbiosFields(0x17, {{0x07, littleEndian(kb, 4)}, {0x0F, littleEndian(bytes, 8)}})));
    };
    QCOMPARE(memoryArrayMaxCapacityKb(array(33554432, 0)), std::optional<quint64>(33554432));
    QCOMPARE(memoryArrayMaxCapacityKb(array(0x80000000, 8ull << 40)), std::optional<quint64>(8ull << 30));

    const auto cache = [](quint16 installed, std::optional<quint32> installed2) {
        QList<QPair<int, QByteArray>> fields{{0x09, littleEndian(installed, 2)}};
        if (installed2)
            fields.append({0x17, littleEndian(*installed2, 4)});
        return single(smbiosStructure(7, 1, smbiosFields(installed2 ? 0x1B : 0x13, fields)));
    };
    QCOMPARE(cacheSizeKb(cache(256, std::nullopt), true), std::optional<quint32>(256));
    QCOMPARE(cacheSizeKb(cache(0x8000 | 16, std::nullopt), true), std::optional<quint32>(1024));
    QCOMPARE(cacheSizeKb(cache(0xFFFF, 0x80000000u | 1024), true), std::optional<quint32>(65536));
    QCOMPARE(cacheSizeKb(cache(0xFFFF, 0x80000000u | 1024), false), std::optional<quint32>(0));
}

void TestSmbios::speedsAndRanges()
{
    const auto dimm = [](quint16 speed, quint32 extended) {
        return single(smbiosStructure(17, 1, smbiosFields(0x5C, {{0x15, littleEndian(speed, 2)}, {0x54, littleEndian(extended, 4)}})));
    };
    QCOMPARE(memoryDeviceSpeed(dimm(2400, 0), 0x15, 0x54), std::optional<quint32>(2400));
    QCOMPARE(memoryDeviceSpeed(dimm(0xFFFF, 70000), 0x15, 0x54), std::optional<quint32>(70000));
    QVERIFY(!memoryDeviceSpeed(dimm(0, 0), 0x15, 0x54));
    QVERIFY(!memoryDeviceSpeed(single(smbiosStructure(17, 1, smbiosFields(0x17, {{0x15, littleEndian(0xFFFF, 2)}}))), 0x15, 0x54));

    // A 4 GB range written in KB, and one past 4 TB written in bytes.
    const SmbiosStructure small = single(smbiosStructure(19, 1, smbiosFields(0x1F, {{0x04, littleEndian(0, 4)}, {0x08, littleEndian(0x3FFFFF, 4)}})));
    QCOMPARE(mappedRangeKb(small, 0x0F)->end, quint64(4194303));
    const SmbiosStructure large = single(smbiosStructure(19, 1, smbiosFields(0x1F, {{0x04, littleEndian(0xFFFFFFFF, 4)},
                                                                              {0x08, littleEndian(0xFFFFFFFF, 4)},
                                                                              {0x0F, littleEndian(8ull << 40, 8)},
                                                                              {0x17, littleEndian((16ull << 40) - 1, 8)}})));
    QCOMPARE(mappedRangeKb(large, 0x0F)->start, quint64(8ull << 30));
    QCOMPARE(mappedRangeKb(large, 0x0F)->end, quint64((16ull << 30) - 1));
}

void TestSmbios::datesAndIdentifiers()
{
    QCOMPARE(biosReleaseDate(QStringLiteral("01/16/2019")), std::optional<QDate>(QDate(2019, 1, 16)));
    QCOMPARE(biosReleaseDate(QStringLiteral("09/19/07")), std::optional<QDate>(QDate(2007, 9, 19)));
    QCOMPARE(biosReleaseDate(QStringLiteral("12/01/98")), std::optional<QDate>(QDate(1998, 12, 1)));
    QVERIFY(!biosReleaseDate(QStringLiteral("13/45/2020")));
    QVERIFY(!biosReleaseDate(QStringLiteral("2019-01-16")));
    QVERIFY(!biosReleaseDate(QString()));

    // The same processor seen by dmidecode ("ID: A7 06 02 00 FF FB EB BF") and by
    // Windows (ProcessorId=BFEBFBFF000206A7) on one machine.
    const SmbiosStructure cpu = single(smbiosStructure(4, 1, smbiosFields(0x1A, {{0x08, QByteArray::fromHex("A7060200FFFBEBBF")}})));
    QCOMPARE(processorId(cpu), std::optional<QString>(QStringLiteral("BFEBFBFF000206A7")));
    QVERIFY(!processorId(single(smbiosStructure(4, 1, smbiosFields(0x0A, {})))));
}

void TestSmbios::codesAsWmiHasThem()
{
    // MemoryType: DDR3 and DDR4 have CIM numbers; DDR5 has none (Unknown).
    QCOMPARE(cimMemoryType(0x18), 24);
    QCOMPARE(cimMemoryType(0x1A), 26);
    QCOMPARE(cimMemoryType(0x22), 0);
    // FormFactor is renumbered: DIMM 9 -> 8, SODIMM 13 -> 12.
    QCOMPARE(cimFormFactor(0x09), std::optional<int>(8));
    QCOMPARE(cimFormFactor(0x0D), std::optional<int>(12));
    QVERIFY(!cimFormFactor(0x40));
    // PortType keeps the SMBIOS codes WMI has names for, and no others.
    QCOMPARE(cimPortType(0x10), std::optional<int>(16));
    QCOMPARE(cimPortType(0xA1), std::optional<int>(33));
    QVERIFY(!cimPortType(0x20));
    QCOMPARE(cimSlotConnectorTypes(0xB6), QStringList{QStringLiteral("100")});
    QCOMPARE(cimPortConnectorTypes(0x05), (QStringList{QStringLiteral("23"), QStringLiteral("3")}));
    QCOMPARE(cimSlotDataWidth(0x06), std::optional<int>(3));
    QVERIFY(!cimSlotDataWidth(0x0D));
    QCOMPARE(sensorStatus(0x60 | 0x03), QStringLiteral("OK"));
    QCOMPARE(sensorStatus(0x03), QStringLiteral("Unknown"));

    // The names udev's helper writes, back to codes.
    QCOMPARE(memoryTypeDetailMask(QStringLiteral("Synchronous Unbuffered (Unregistered)")), std::optional<quint16>(16512));
    QCOMPARE(memoryTypeDetailMask(QStringLiteral("Synchronous Registered (Buffered)")), std::optional<quint16>(0x2080));
    QCOMPARE(memoryTypeDetailMask(QStringLiteral("None")), std::optional<quint16>(0));
    QVERIFY(!memoryTypeDetailMask(QStringLiteral("Synchronous Sparkling")));
    QCOMPARE(memoryFormFactorCode(QStringLiteral("SODIMM")), std::optional<quint8>(0x0D));
    QCOMPARE(memoryTypeCode(QStringLiteral("DDR5")), std::optional<quint8>(0x22));
    QVERIFY(!memoryTypeCode(QStringLiteral("<OUT OF SPEC>")));
    QCOMPARE(chemistryFromSbds(QStringLiteral("LiP")), std::optional<int>(8));
}

QTEST_GUILESS_MAIN(TestSmbios)
#include "tst_smbios.moc"
