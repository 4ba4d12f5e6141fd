// The firmware's classes as users without root see them (the kernel's
// identity strings and udev's record of the modules), the kernel's copies of
// single structures, the caches, the firmware's share of the computer and the
// processors, probes, cooling devices and batteries.
#include "support/Fixtures.h"
#include "support/SmbiosFixtures.h"

#include "inventory/Catalogue.h"
#include "inventory/linux/LinuxSource.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/system/HostFacts.h"

#include <QDir>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
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

// What dmidecode prints for a string the table does not have.
bool isString(const QString &value)
{
    return !value.trimmed().isEmpty() && value != QLatin1String("Not Specified") && value != QLatin1String("<BAD INDEX>");
}

QString leadingNumber(const QString &value)
{
    const QString number = value.section(QLatin1Char(' '), 0, 0);
    bool ok = false;
    number.toDouble(&ok);
    return ok ? number : QString();
}

QString bytesOf(const QString &size)
{
    static const QMap<QString, quint64> units = {{QStringLiteral("kB"), 1ull << 10}, {QStringLiteral("MB"), 1ull << 20},
                                                 {QStringLiteral("GB"), 1ull << 30}, {QStringLiteral("TB"), 1ull << 40}};
    const QString unit = size.section(QLatin1Char(' '), 1, 1);
    return units.contains(unit) ? QString::number(size.section(QLatin1Char(' '), 0, 0).toULongLong() * units[unit]) : QString();
}

bool installed(const DmiRecord &device)
{
    const QString size = device.value(QStringLiteral("Size"));
    return size != QLatin1String("No Module Installed") && size != QLatin1String("Not Installed");
}

int chassisCode(const QString &name)
{
    static const QStringList names = {{}, QStringLiteral("Other"), QStringLiteral("Unknown"), QStringLiteral("Desktop"),
                                      QStringLiteral("Low Profile Desktop"), QStringLiteral("Pizza Box"),
                                      QStringLiteral("Mini Tower"), QStringLiteral("Tower"), QStringLiteral("Portable"),
                                      QStringLiteral("Laptop"), QStringLiteral("Notebook")};
    const qsizetype code = names.indexOf(name);
    if (code > 0)
        return int(code);
    if (name == QLatin1String("Main Server Chassis"))
        return 17;
    if (name == QLatin1String("Rack Mount Chassis"))
        return 23;
    return 2;
}

// What udev's memory helper writes for a table, made from dmidecode's reading
// of it: every memory device numbered, empty slots marked, strings stripped,
// sizes in bytes, voltages in volts. Serial numbers only when asked for.
QByteArray udevRecord(const QList<DmiRecord> &truth, bool withSerials)
{
    QByteArray record;
    const auto add = [&](const QString &key, const QString &value) {
        if (!value.trimmed().isEmpty())
            record += "E:" + key.toUtf8() + '=' + value.trimmed().toUtf8() + '\n';
    };
    for (const DmiRecord &array : testing::ofType(truth, 16)) {
        if (array.value(QStringLiteral("Use")) != QLatin1String("System Memory"))
            continue;
        add(QStringLiteral("MEMORY_ARRAY_LOCATION"), array.value(QStringLiteral("Location")));
        if (array.value(QStringLiteral("Error Correction Type")) != QLatin1String("None"))
            add(QStringLiteral("MEMORY_ARRAY_EC_TYPE"), array.value(QStringLiteral("Error Correction Type")));
        add(QStringLiteral("MEMORY_ARRAY_MAX_CAPACITY"), bytesOf(array.value(QStringLiteral("Maximum Capacity"))));
    }
    int n = 0;
    for (const DmiRecord &d : testing::ofType(truth, 17)) {
        const QString p = QStringLiteral("MEMORY_DEVICE_%1_").arg(n++);
        add(p + QStringLiteral("TOTAL_WIDTH"), leadingNumber(d.value(QStringLiteral("Total Width"))));
        add(p + QStringLiteral("DATA_WIDTH"), leadingNumber(d.value(QStringLiteral("Data Width"))));
        if (installed(d))
            add(p + QStringLiteral("SIZE"), bytesOf(d.value(QStringLiteral("Size"))));
        else
            add(p + QStringLiteral("PRESENT"), QStringLiteral("0"));
        add(p + QStringLiteral("FORM_FACTOR"), d.value(QStringLiteral("Form Factor")));
        add(p + QStringLiteral("LOCATOR"), d.value(QStringLiteral("Locator")));
        add(p + QStringLiteral("BANK_LOCATOR"), d.value(QStringLiteral("Bank Locator")));
        add(p + QStringLiteral("TYPE"), d.value(QStringLiteral("Type")));
        add(p + QStringLiteral("TYPE_DETAIL"), d.value(QStringLiteral("Type Detail")));
        add(p + QStringLiteral("SPEED_MTS"), leadingNumber(d.value(QStringLiteral("Speed"))));
        add(p + QStringLiteral("MANUFACTURER"), d.value(QStringLiteral("Manufacturer")));
        if (withSerials)
            add(p + QStringLiteral("SERIAL_NUMBER"), d.value(QStringLiteral("Serial Number")));
        add(p + QStringLiteral("ASSET_TAG"), d.value(QStringLiteral("Asset Tag")));
        add(p + QStringLiteral("PART_NUMBER"), d.value(QStringLiteral("Part Number")));
        add(p + QStringLiteral("RANK"), leadingNumber(d.value(QStringLiteral("Rank"))));
        add(p + QStringLiteral("CONFIGURED_SPEED_MTS"), leadingNumber(d.value(QStringLiteral("Configured Memory Speed"))));
        add(p + QStringLiteral("CONFIGURED_VOLTAGE"), leadingNumber(d.value(QStringLiteral("Configured Voltage"))));
    }
    if (n > 0)
        add(QStringLiteral("MEMORY_ARRAY_NUM_DEVICES"), QString::number(n));
    return record;
}

// sys/class/dmi/id as the kernel fills it from the same table, without the
// files only root may read (serial numbers, UUID).
void writeDmiId(testing::FixtureTree &fx, const QList<DmiRecord> &truth)
{
    const auto put = [&](const char *file, const QString &value) {
        if (isString(value))
            fx.file(QStringLiteral("sys/class/dmi/id/") + QLatin1String(file), value.toUtf8() + '\n');
    };
    for (const DmiRecord &bios : testing::ofType(truth, 0).mid(0, 1)) {
        put("bios_vendor", bios.value(QStringLiteral("Vendor")));
        put("bios_version", bios.value(QStringLiteral("Version")));
        put("bios_date", bios.value(QStringLiteral("Release Date")));
    }
    for (const DmiRecord &system : testing::ofType(truth, 1).mid(0, 1)) {
        put("sys_vendor", system.value(QStringLiteral("Manufacturer")));
        put("product_name", system.value(QStringLiteral("Product Name")));
    }
    for (const DmiRecord &board : testing::ofType(truth, 2).mid(0, 1)) {
        put("board_vendor", board.value(QStringLiteral("Manufacturer")));
        put("board_name", board.value(QStringLiteral("Product Name")));
        put("board_version", board.value(QStringLiteral("Version")));
    }
    for (const DmiRecord &chassis : testing::ofType(truth, 3).mid(0, 1)) {
        put("chassis_vendor", chassis.value(QStringLiteral("Manufacturer")));
        put("chassis_version", chassis.value(QStringLiteral("Version")));
        put("chassis_type", QString::number(chassisCode(chassis.value(QStringLiteral("Type")))));
    }
}

// A machine with packages x cores (two threads each) in /proc/cpuinfo and the topology.
void writeCpus(testing::FixtureTree &fx, int packages, int cores)
{
    QByteArray cpuinfo;
    int cpu = 0;
    for (int package = 0; package < packages; ++package)
        for (int core = 0; core < cores * 2; ++core, ++cpu) {
            cpuinfo += "processor\t: " + QByteArray::number(cpu) + "\nvendor_id\t: GenuineIntel\ncpu family\t: 6\n"
                       "model\t\t: 142\nmodel name\t: Intel(R) Core(TM) i7-8650U CPU @ 1.90GHz\nstepping\t: 10\n"
                       "cpu MHz\t\t: 1900.000\nflags\t\t: fpu lm\n\n";
            const QString dir = QStringLiteral("sys/devices/system/cpu/cpu%1/").arg(cpu);
            fx.file(dir + QStringLiteral("topology/physical_package_id"), QByteArray::number(package) + '\n')
                .file(dir + QStringLiteral("topology/core_id"), QByteArray::number(core / 2) + '\n');
        }
    fx.file(QStringLiteral("proc/cpuinfo"), cpuinfo);
}

QString dmidecodeProgram()
{
    QString found = QStandardPaths::findExecutable(QStringLiteral("dmidecode"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(QStringLiteral("dmidecode"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return found;
}

} // namespace

class TestFirmware : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nonRootSeesTheSameModules_data();
    void nonRootSeesTheSameModules();
    void udevRecordEdges();
    void neverBothSources();
    void kernelEntriesOfARealServer();
    void cachesFromTheKernel();
    void cachesFromTheTableWin();
    void processorShare();
    void processorsMatchSocketsInOrder();
    void computerShare();
    void probesAndCooling();
    void portableBattery();
    void noFirmwareAtAll();
};

void TestFirmware::nonRootSeesTheSameModules_data()
{
    testing::addRealTableRows();
}

void TestFirmware::nonRootSeesTheSameModules()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    QFETCH(QByteArray, entryPoint);
    QFETCH(QByteArray, table);
    QFETCH(QString, dmidecodeText);
    const QList<DmiRecord> truth = testing::readDmidecodeText(dmidecodeText);

    testing::FixtureTree asRoot;
    testing::writeTable(asRoot, entryPoint, table);
    // The fallback fixture is made from dmidecode's text of the same table.
    testing::FixtureTree asUser;
    writeDmiId(asUser, truth);
    asUser.file(QStringLiteral("run/udev/data/+dmi:id"), udevRecord(truth, false));

    const std::vector<Object> full = objects(asRoot.root(), "Win32_PhysicalMemory");
    const std::vector<Object> user = objects(asUser.root(), "Win32_PhysicalMemory");
    QCOMPARE(user.size(), full.size());
    quint64 fullBytes = 0, userBytes = 0;
    for (size_t i = 0; i < full.size(); ++i) {
        for (const char *name : {"Tag", "Capacity", "Speed", "ConfiguredClockSpeed", "FormFactor", "MemoryType",
                                 "SMBIOSMemoryType", "TypeDetail", "TotalWidth", "DataWidth", "Attributes",
                                 "ConfiguredVoltage"})
            QVERIFY2(text(user[i], name) == text(full[i], name),
                     qPrintable(QStringLiteral("%1 of module %2: %3 / %4").arg(QLatin1String(name)).arg(i).arg(text(user[i], name), text(full[i], name))));
        // udev strips what the table pads.
        for (const char *name : {"DeviceLocator", "BankLabel", "Manufacturer", "PartNumber"})
            QCOMPARE(text(user[i], name), text(full[i], name).trimmed());
        QVERIFY(!user[i].contains(QStringLiteral("SerialNumber")));
        fullBytes += text(full[i], "Capacity").toULongLong();
        userBytes += text(user[i], "Capacity").toULongLong();
    }
    QCOMPARE(userBytes, fullBytes);

    const std::vector<Object> fullArrays = objects(asRoot.root(), "Win32_PhysicalMemoryArray");
    const std::vector<Object> userArrays = objects(asUser.root(), "Win32_PhysicalMemoryArray");
    QCOMPARE(userArrays.empty(), fullArrays.empty());
    if (!userArrays.empty())
        for (const char *name : {"Location", "Use", "MemoryErrorCorrection"})
            QCOMPARE(text(userArrays[0], name), text(fullArrays[0], name));

    const std::vector<Object> fullBios = objects(asRoot.root(), "Win32_BIOS");
    const std::vector<Object> userBios = objects(asUser.root(), "Win32_BIOS");
    QCOMPARE(userBios.size(), fullBios.size());
    for (const char *name : {"Caption", "Manufacturer", "SMBIOSBIOSVersion", "ReleaseDate"})
        QCOMPARE(text(userBios[0], name), text(fullBios[0], name));
    QVERIFY(!userBios[0].contains(QStringLiteral("SerialNumber")));

    const std::vector<Object> fullBoard = objects(asRoot.root(), "Win32_BaseBoard");
    const std::vector<Object> userBoard = objects(asUser.root(), "Win32_BaseBoard");
    QCOMPARE(userBoard.size(), fullBoard.size());
    if (!userBoard.empty()) {
        for (const char *name : {"Manufacturer", "Product", "Version"})
            QCOMPARE(text(userBoard[0], name), text(fullBoard[0], name));
        QVERIFY(!userBoard[0].contains(QStringLiteral("SerialNumber")));
    }
    const std::vector<Object> fullChassis = objects(asRoot.root(), "Win32_SystemEnclosure");
    const std::vector<Object> userChassis = objects(asUser.root(), "Win32_SystemEnclosure");
    QCOMPARE(userChassis.size(), std::min<size_t>(fullChassis.size(), 1));
    if (!userChassis.empty())
        for (const char *name : {"Manufacturer", "ChassisTypes", "Version"})
            QCOMPARE(text(userChassis[0], name), text(fullChassis[0], name));
}

void TestFirmware::udevRecordEdges()
{
    testing::FixtureTree fx;
    fx.file(QStringLiteral("sys/class/dmi/id/bios_vendor"), "Firmware Co.\n")
        .file(QStringLiteral("run/udev/data/+dmi:id"),
              "S:something\n"
              "E:MEMORY_ARRAY_LOCATION=System Board Or Motherboard\n"
              "E:MEMORY_ARRAY_EC_TYPE=Single-bit ECC\n"
              "E:MEMORY_DEVICE_0_PRESENT=0\n"
              "E:MEMORY_DEVICE_0_LOCATOR=DIMM_A1\n"
              "E:MEMORY_DEVICE_1_SIZE=17179869184\n"
              "E:MEMORY_DEVICE_1_LOCATOR=DIMM_A2\n"
              "E:MEMORY_DEVICE_1_MANUFACTURER=Not Specified\n"
              "E:MEMORY_DEVICE_1_SERIAL_NUMBER=12AB34CD\n"
              "E:MEMORY_DEVICE_1_CONFIGURED_VOLTAGE=1.2\n"
              "E:MEMORY_DEVICE_1_TYPE=DDR5\n"
              "E:MEMORY_DEVICE_1_FORM_FACTOR=SODIMM\n"
              "E:MEMORY_DEVICE_3_LOCATOR=DIMM_B2\n"
              "E:MEMORY_DEVICE_3_SIZE=many\n"
              "E:MEMORY_DEVICE_X_SIZE=1\n"
              "E:MEMORY_ARRAY_NUM_DEVICES=4\n");
    const std::vector<Object> modules = objects(fx.root(), "Win32_PhysicalMemory");
    QCOMPARE(modules.size(), size_t(2));
    // Tags follow udev's numbers, which count empty slots as WMI does.
    QCOMPARE(text(modules[0], "Tag"), QStringLiteral("Physical Memory 1"));
    QCOMPARE(text(modules[0], "Capacity"), QStringLiteral("17179869184"));
    QCOMPARE(text(modules[0], "ConfiguredVoltage"), QStringLiteral("1200"));
    QCOMPARE(text(modules[0], "SMBIOSMemoryType"), QStringLiteral("34"));
    QCOMPARE(text(modules[0], "MemoryType"), QStringLiteral("0"));
    QCOMPARE(text(modules[0], "FormFactor"), QStringLiteral("12"));
    // The helper's placeholder is no maker; a serial udev publishes is shown.
    QVERIFY(!modules[0].contains(QStringLiteral("Manufacturer")));
    QCOMPARE(text(modules[0], "SerialNumber"), QStringLiteral("12AB34CD"));
    // A size that is no number is no size, never a guess.
    QCOMPARE(text(modules[1], "Tag"), QStringLiteral("Physical Memory 3"));
    QVERIFY(!modules[1].contains(QStringLiteral("Capacity")));

    const std::vector<Object> arrays = objects(fx.root(), "Win32_PhysicalMemoryArray");
    QCOMPARE(arrays.size(), size_t(1));
    QCOMPARE(text(arrays[0], "MemoryErrorCorrection"), QStringLiteral("5"));
    QCOMPARE(text(arrays[0], "Location"), QStringLiteral("3"));
    QVERIFY(!arrays[0].contains(QStringLiteral("MemoryDevices")));

    // The slots an inventory server lists, empty ones by name, in udev's numbering.
    QStringList slots;
    for (const linuxsource::MemorySlot &slot : linuxsource::HostFacts::read(linuxsource::MachineRoot(fx.root())).memorySlots)
        slots << slot.locator + (slot.installed ? QStringLiteral(" in") : QStringLiteral(" empty"));
    QCOMPARE(slots, (QStringList{QStringLiteral("DIMM_A1 empty"), QStringLiteral("DIMM_A2 in"), QStringLiteral(" empty"),
                                 QStringLiteral("DIMM_B2 in")}));
}

void TestFirmware::neverBothSources()
{
    const std::optional<testing::RealTable> t = testing::realTable(QStringLiteral("Lenovo-ThinkPad-T480"));
    if (!t)
        QSKIP("../shared/realdata is not available");
    // A stale udev record beside a readable table: only the table counts.
    testing::FixtureTree fx;
    testing::writeTable(fx, t->entryPoint, t->table);
    fx.file(QStringLiteral("run/udev/data/+dmi:id"),
            "E:MEMORY_DEVICE_0_SIZE=8589934592\nE:MEMORY_DEVICE_0_LOCATOR=ChannelA-DIMM0\n"
            "E:MEMORY_DEVICE_1_SIZE=17179869184\nE:MEMORY_DEVICE_1_LOCATOR=ChannelB-DIMM0\n")
        .file(QStringLiteral("sys/class/dmi/id/bios_vendor"), "Someone Else\n");
    const std::vector<Object> modules = objects(fx.root(), "Win32_PhysicalMemory");
    QCOMPARE(modules.size(), size_t(2));
    QCOMPARE(text(modules[0], "Capacity").toULongLong() + text(modules[1], "Capacity").toULongLong(), 24ull << 30);
    QCOMPARE(text(objects(fx.root(), "Win32_BIOS").at(0), "Manufacturer"), QStringLiteral("LENOVO"));
}

void TestFirmware::kernelEntriesOfARealServer()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    const QString program = dmidecodeProgram();
    if (program.isEmpty())
        QSKIP("dmidecode is not installed");
    const QString unpacked
        = testing::unpackShared(QStringLiteral("sysfs/hwloc-gather-topology/32em64t-2n8c+dax+nvme+mic+dimms.tar.bz2"));
    QVERIFY(!unpacked.isEmpty());
    const QString root = unpacked + QStringLiteral("/32em64t-2n8c+1mic");

    // dmidecode reads the same records, put back together as a dump.
    QMap<int, QByteArray> byPosition;
    const QString entries = root + QStringLiteral("/sys/firmware/dmi/entries");
    for (const QString &entry : QDir(entries).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile raw(entries + QLatin1Char('/') + entry + QStringLiteral("/raw"));
        QFile position(entries + QLatin1Char('/') + entry + QStringLiteral("/position"));
        QVERIFY(raw.open(QIODevice::ReadOnly) && position.open(QIODevice::ReadOnly));
        byPosition.insert(position.readAll().trimmed().toInt(), raw.readAll());
    }
    QByteArray table;
    for (const QByteArray &raw : byPosition)
        table += raw;
    const QByteArray ep = testing::smbios3EntryPoint(2, 7, quint32(table.size()));
    testing::FixtureTree dump;
    dump.file(QStringLiteral("dump.bin"), ep + QByteArray(0x20 - ep.size(), '\0') + table);
    QProcess dmidecode;
    dmidecode.start(program, {QStringLiteral("--from-dump"), dump.path(QStringLiteral("dump.bin"))});
    QVERIFY(dmidecode.waitForFinished(30000));
    testing::FixtureTree output;
    output.file(QStringLiteral("out.txt"), dmidecode.readAllStandardOutput());
    QList<DmiRecord> dimms;
    for (const DmiRecord &device : testing::ofType(testing::readDmidecodeText(output.path(QStringLiteral("out.txt"))), 17))
        if (installed(device))
            dimms.append(device);

    const std::vector<Object> modules = objects(root, "Win32_PhysicalMemory");
    QCOMPARE(modules.size(), size_t(dimms.size()));
    QVERIFY(!modules.empty());
    for (qsizetype i = 0; i < dimms.size(); ++i) {
        QCOMPARE(text(modules[i], "DeviceLocator"), dimms[i].value(QStringLiteral("Locator")));
        QCOMPARE(text(modules[i], "Capacity"), bytesOf(dimms[i].value(QStringLiteral("Size"))));
        QCOMPARE(text(modules[i], "PartNumber"), dimms[i].value(QStringLiteral("Part Number")));
        QCOMPARE(text(modules[i], "SerialNumber"), dimms[i].value(QStringLiteral("Serial Number")));
    }
    // Everything else comes from the kernel's identity strings.
    const std::vector<Object> bios = objects(root, "Win32_BIOS");
    QCOMPARE(bios.size(), size_t(1));
    QCOMPARE(text(bios[0], "Manufacturer"), QStringLiteral("Dell Inc."));
    QCOMPARE(text(bios[0], "SMBIOSBIOSVersion"), QStringLiteral("1.0.30"));
    QCOMPARE(text(bios[0], "ReleaseDate"), QStringLiteral("20120806000000.000000+000"));
    QCOMPARE(text(objects(root, "Win32_SystemEnclosure").at(0), "ChassisTypes"), QStringLiteral("23"));
    QCOMPARE(text(objects(root, "Win32_BaseBoard").at(0), "Product"), QStringLiteral("0W6W6G"));
}

void TestFirmware::cachesFromTheKernel()
{
    // Two cores with private L1 and L2 caches and one shared L3.
    testing::FixtureTree fx;
    const auto cache = [&](int cpu, int index, const char *level, const char *type, const char *size, const char *shared,
                           const char *ways) {
        const QString dir = QStringLiteral("sys/devices/system/cpu/cpu%1/cache/index%2/").arg(cpu).arg(index);
        fx.file(dir + QStringLiteral("level"), level).file(dir + QStringLiteral("type"), type)
            .file(dir + QStringLiteral("size"), size).file(dir + QStringLiteral("shared_cpu_list"), shared)
            .file(dir + QStringLiteral("ways_of_associativity"), ways)
            .file(dir + QStringLiteral("coherency_line_size"), "64\n");
    };
    for (int cpu = 0; cpu < 2; ++cpu) {
        const QByteArray self = QByteArray::number(cpu) + '\n';
        cache(cpu, 0, "1\n", "Data\n", "48K\n", self.constData(), "12\n");
        cache(cpu, 1, "1\n", "Instruction\n", "32K\n", self.constData(), "8\n");
        cache(cpu, 2, "2\n", "Unified\n", "1280K\n", self.constData(), "10\n");
        cache(cpu, 3, "3\n", "Unified\n", "12M\n", "0-1\n", "12\n");
    }
    fx.dir(QStringLiteral("sys/devices/system/cpu/cpufreq"));
    const std::vector<Object> caches = objects(fx.root(), "Win32_CacheMemory");
    QCOMPARE(caches.size(), size_t(7));
    QStringList levels, kinds, sizes;
    for (const Object &c : caches) {
        levels << text(c, "Level");
        kinds << text(c, "CacheType");
        sizes << text(c, "InstalledSize");
    }
    QCOMPARE(levels, (QStringList{"3", "3", "3", "3", "4", "4", "5"}));
    QCOMPARE(kinds, (QStringList{"4", "3", "4", "3", "5", "5", "5"}));
    QCOMPARE(sizes, (QStringList{"48", "32", "48", "32", "1280", "1280", "12288"}));
    QCOMPARE(text(caches[6], "Purpose"), QStringLiteral("L3 Cache"));
    QCOMPARE(text(caches[6], "Associativity"), QStringLiteral("9")); // 12-way
    QCOMPARE(text(caches[1], "Associativity"), QStringLiteral("7")); // 8-way
    QCOMPARE(text(caches[6], "DeviceID"), QStringLiteral("Cache Memory 6"));
    QCOMPARE(text(caches[0], "LineSize"), QStringLiteral("64"));
}

void TestFirmware::cachesFromTheTableWin()
{
    const std::optional<testing::RealTable> t = testing::realTable(QStringLiteral("Lenovo-ThinkPad-T480"));
    if (!t)
        QSKIP("../shared/realdata is not available");
    testing::FixtureTree fx;
    testing::writeTable(fx, t->entryPoint, t->table);
    fx.file(QStringLiteral("sys/devices/system/cpu/cpu0/cache/index0/level"), "1\n")
        .file(QStringLiteral("sys/devices/system/cpu/cpu0/cache/index0/size"), "32K\n");
    const std::vector<Object> caches = objects(fx.root(), "Win32_CacheMemory");
    // The firmware's three records, its levels raised by two, and nothing of the kernel's.
    QCOMPARE(caches.size(), size_t(3));
    QCOMPARE(text(caches[0], "Purpose"), QStringLiteral("L1 Cache"));
    QCOMPARE(text(caches[0], "Level"), QStringLiteral("3"));
    QCOMPARE(text(caches[2], "Level"), QStringLiteral("5"));
    QCOMPARE(text(caches[2], "InstalledSize"), QStringLiteral("8192"));
    QCOMPARE(text(caches[1], "ErrorCorrectType"), QStringLiteral("5")); // single-bit ECC
    QCOMPARE(text(caches[0], "WritePolicy"), QStringLiteral("3"));      // write-back
    QCOMPARE(text(caches[0], "Availability"), QStringLiteral("3"));
}

void TestFirmware::processorShare()
{
    const std::optional<testing::RealTable> t = testing::realTable(QStringLiteral("Lenovo-ThinkPad-T480"));
    if (!t)
        QSKIP("../shared/realdata is not available");
    const DmiRecord socket = testing::ofType(testing::readDmidecodeText(t->dmidecodeText), 4).at(0);
    testing::FixtureTree fx;
    testing::writeTable(fx, t->entryPoint, t->table);
    writeCpus(fx, 1, 2);
    const std::vector<Object> cpus = objects(fx.root(), "Win32_Processor");
    QCOMPARE(cpus.size(), size_t(1));
    const Object &cpu = cpus[0];
    // "ID: EA 06 08 00 FF FB EB BF" as Windows orders it: the second dword first.
    const QStringList id = socket.value(QStringLiteral("ID")).split(QLatin1Char(' '));
    QCOMPARE(id.size(), 8);
    QCOMPARE(text(cpu, "ProcessorId"), QStringList({id[7], id[6], id[5], id[4], id[3], id[2], id[1], id[0]}).join(QString()));
    QCOMPARE(text(cpu, "SocketDesignation"), socket.value(QStringLiteral("Socket Designation")));
    QCOMPARE(text(cpu, "ExtClock"), leadingNumber(socket.value(QStringLiteral("External Clock"))));
    QCOMPARE(text(cpu, "CurrentVoltage"), QStringLiteral("11")); // "Voltage: 1.1 V"
    QCOMPARE(text(cpu, "UpgradeMethod"), QStringLiteral("51"));  // "Upgrade: Socket BGA1356"
    QCOMPARE(text(cpu, "Family"), QStringLiteral("198"));        // "Family: Core i7"
    QCOMPARE(text(cpu, "NumberOfEnabledCore"), socket.value(QStringLiteral("Core Enabled")));
    QCOMPARE(text(cpu, "ThreadCount"), socket.value(QStringLiteral("Thread Count")));
    QCOMPARE(text(cpu, "CpuStatus"), QStringLiteral("1"));
    // What Windows takes from the operating system stays the system's.
    QCOMPARE(text(cpu, "NumberOfCores"), QStringLiteral("2"));
    QCOMPARE(text(cpu, "NumberOfLogicalProcessors"), QStringLiteral("4"));
    QCOMPARE(text(cpu, "MaxClockSpeed"), QStringLiteral("1900"));
    QCOMPARE(text(cpu, "Name"), QStringLiteral("Intel(R) Core(TM) i7-8650U CPU @ 1.90GHz"));
}

void TestFirmware::processorsMatchSocketsInOrder()
{
    const std::optional<testing::RealTable> t = testing::realTable(QStringLiteral("SuperMicro-X9DBL"));
    if (!t)
        QSKIP("../shared/realdata is not available");
    testing::FixtureTree fx;
    testing::writeTable(fx, t->entryPoint, t->table);
    writeCpus(fx, 2, 4);
    LinuxSource source(fx.root());
    InstanceEnumeration cpus = source.instancesOf(QStringLiteral("Win32_Processor"));
    QStringList sockets, ids;
    while (std::optional<Instance> cpu = cpus.next())
        for (const Property &p : cpu->properties()) {
            if (p.name == QLatin1String("SocketDesignation"))
                sockets << p.value.toText();
            if (p.name == QLatin1String("DeviceID"))
                ids << p.value.toText();
        }
    QCOMPARE(ids, (QStringList{"CPU0", "CPU1"}));
    QCOMPARE(sockets, (QStringList{"SOCKET 0", "SOCKET 1"}));
}

void TestFirmware::computerShare()
{
    const std::optional<testing::RealTable> t = testing::realTable(QStringLiteral("Lenovo-ThinkPad-T480"));
    if (!t)
        QSKIP("../shared/realdata is not available");
    testing::FixtureTree fx;
    testing::writeTable(fx, t->entryPoint, t->table);
    fx.file(QStringLiteral("proc/sys/kernel/hostname"), "thinkpad\n");
    const std::vector<Object> computers = objects(fx.root(), "Win32_ComputerSystem");
    QCOMPARE(computers.size(), size_t(1));
    const Object &pc = computers[0];
    QCOMPARE(text(pc, "Caption"), QStringLiteral("THINKPAD"));
    QCOMPARE(text(pc, "Manufacturer"), QStringLiteral("LENOVO"));
    QCOMPARE(text(pc, "Model"), QStringLiteral("20L8S07A14"));
    QCOMPARE(text(pc, "SystemFamily"), QStringLiteral("ThinkPad T480s"));
    QCOMPARE(text(pc, "WakeUpType"), QStringLiteral("6"));         // Power Switch
    QCOMPARE(text(pc, "ChassisBootupState"), QStringLiteral("2")); // Unknown
    QCOMPARE(text(pc, "ThermalState"), QStringLiteral("2"));
    // "Power-On Password Status: Disabled", "Keyboard Password Status: Not Implemented",
    // "Administrator Password Status: Disabled", "Front Panel Reset Status: Not Implemented".
    QCOMPARE(text(pc, "PowerOnPasswordStatus"), QStringLiteral("0"));
    QCOMPARE(text(pc, "KeyboardPasswordStatus"), QStringLiteral("2"));
    QCOMPARE(text(pc, "AdminPasswordStatus"), QStringLiteral("0"));
    QCOMPARE(text(pc, "FrontPanelResetStatus"), QStringLiteral("2"));
}

void TestFirmware::probesAndCooling()
{
    const auto word = [](quint16 value) { return littleEndian(value, 2); };
    const auto probe = [&](quint8 type, quint16 handle, const QByteArray &description, quint8 status, quint16 max,
                           quint16 min, quint16 resolution) {
        const QByteArray fields = smbiosFields(0x16, {{0x04, "\x01"}, {0x05, QByteArray(1, char(status << 5 | 0x03))},
                                                      {0x06, word(max)}, {0x08, word(min)}, {0x0A, word(resolution)},
                                                      {0x0C, word(0x8000)}, {0x0E, word(0x8000)}, {0x14, word(0x8000)}});
        return smbiosStructure(type, handle, fields, {description});
    };
    const auto cooling = [&](quint16 handle, quint8 kind, quint16 rpm, const QList<QByteArray> &description) {
        const QByteArray fields = smbiosFields(0x0F, {{0x04, word(0xFFFF)}, {0x06, QByteArray(1, char(0x60 | kind))},
                                                      {0x0C, word(rpm)}, {0x0E, QByteArray(1, char(description.size()))}});
        return smbiosStructure(27, handle, fields, description);
    };
    QByteArray table = probe(26, 1, "VCore", 3, 1500, 800, 10) + probe(28, 2, "CPU Temp", 5, 1000, quint16(-100), 500)
                       + probe(29, 3, "PSU Current", 0, 0x8000, 0x8000, 0x8000) + cooling(4, 0x05, 4000, {"CPU Fan"})
                       + cooling(5, 0x08, 0x8000, {}) + cooling(6, 0x11, 0, {"Heatsink"}) + smbiosStructure(127, 7, {});
    testing::FixtureTree fx;
    testing::writeTable(fx, testing::smbios3EntryPoint(3, 0, quint32(table.size())), table);

    const std::vector<Object> volts = objects(fx.root(), "Win32_VoltageProbe");
    QCOMPARE(volts.size(), size_t(1));
    QCOMPARE(text(volts[0], "Description"), QStringLiteral("VCore"));
    QCOMPARE(text(volts[0], "Caption"), QStringLiteral("Numeric Sensor"));
    QCOMPARE(text(volts[0], "MaxReadable"), QStringLiteral("1500")); // mV, as WMI
    QCOMPARE(text(volts[0], "Resolution"), QStringLiteral("10"));    // tenths of mV, as WMI
    QCOMPARE(text(volts[0], "Status"), QStringLiteral("OK"));
    QVERIFY(!volts[0].contains(QStringLiteral("CurrentReading")));
    // The "unknown" marker is no value, not 32768.
    QVERIFY(!volts[0].contains(QStringLiteral("Tolerance")));

    const std::vector<Object> temps = objects(fx.root(), "Win32_TemperatureProbe");
    QCOMPARE(temps.size(), size_t(1));
    QCOMPARE(text(temps[0], "MinReadable"), QStringLiteral("-100")); // -10.0 degrees in tenths
    QCOMPARE(text(temps[0], "Resolution"), QStringLiteral("50"));    // 0.5 degrees: thousandths to hundredths
    QCOMPARE(text(temps[0], "Status"), QStringLiteral("Error"));     // critical
    QCOMPARE(text(temps[0], "DeviceID"), QStringLiteral("root\\cimv2 0"));

    const std::vector<Object> currents = objects(fx.root(), "Win32_CurrentProbe");
    QCOMPARE(currents.size(), size_t(1));
    QCOMPARE(text(currents[0], "Status"), QStringLiteral("Unknown"));
    QVERIFY(!currents[0].contains(QStringLiteral("MaxReadable")));

    const std::vector<Object> fans = objects(fx.root(), "Win32_Fan");
    QCOMPARE(fans.size(), size_t(1));
    QCOMPARE(text(fans[0], "Description"), QStringLiteral("CPU Fan"));
    QCOMPARE(text(fans[0], "DesiredSpeed"), QStringLiteral("4000"));
    QCOMPARE(text(fans[0], "ActiveCooling"), QStringLiteral("True"));
    const std::vector<Object> pipes = objects(fx.root(), "Win32_HeatPipe");
    QCOMPARE(pipes.size(), size_t(1));
    QCOMPARE(text(pipes[0], "Description"), QStringLiteral("Heat Pipe"));
    QCOMPARE(text(pipes[0], "ActiveCooling"), QStringLiteral("False"));
    QVERIFY(objects(fx.root(), "Win32_Refrigeration").empty());
}

void TestFirmware::portableBattery()
{
    const std::optional<testing::RealTable> t = testing::realTable(QStringLiteral("Lenovo-ThinkPad-T480"));
    if (!t)
        QSKIP("../shared/realdata is not available");
    const DmiRecord battery = testing::ofType(testing::readDmidecodeText(t->dmidecodeText), 22).at(0);
    testing::FixtureTree fx;
    testing::writeTable(fx, t->entryPoint, t->table);
    const std::vector<Object> batteries = objects(fx.root(), "Win32_PortableBattery");
    QCOMPARE(batteries.size(), size_t(1));
    const Object &b = batteries[0];
    QCOMPARE(text(b, "Location"), battery.value(QStringLiteral("Location")));
    QCOMPARE(text(b, "Manufacturer"), battery.value(QStringLiteral("Manufacturer")));
    QCOMPARE(text(b, "DeviceID"), battery.value(QStringLiteral("Name")));
    QCOMPARE(text(b, "DesignCapacity"), leadingNumber(battery.value(QStringLiteral("Design Capacity"))));
    QCOMPARE(text(b, "DesignVoltage"), leadingNumber(battery.value(QStringLiteral("Design Voltage"))));
    QCOMPARE(text(b, "SmartBatteryVersion"), battery.value(QStringLiteral("SBDS Version")));
    QCOMPARE(text(b, "ManufactureDate"), battery.value(QStringLiteral("SBDS Manufacture Date")));
    QCOMPARE(text(b, "Chemistry"), QStringLiteral("8")); // "SBDS Chemistry: LiP"
    QVERIFY(!b.contains(QStringLiteral("MaxBatteryError")));
}

void TestFirmware::noFirmwareAtAll()
{
    // A board without SMBIOS (devicetree machines): no firmware instance, no error.
    testing::FixtureTree fx;
    fx.file(QStringLiteral("proc/sys/kernel/hostname"), "pi\n");
    for (const char *className : {"Win32_BIOS", "Win32_BaseBoard", "Win32_MotherboardDevice", "Win32_SystemEnclosure",
                                  "Win32_PhysicalMemory", "Win32_PhysicalMemoryArray", "Win32_SMBIOSMemory",
                                  "Win32_PortConnector", "Win32_SystemSlot", "Win32_OnBoardDevice",
                                  "Win32_PortableBattery", "Win32_CacheMemory", "Win32_VoltageProbe", "Win32_Fan"})
        QVERIFY2(objects(fx.root(), className).empty(), className);
    QCOMPARE(objects(fx.root(), "Win32_ComputerSystem").size(), size_t(1));
}

QTEST_GUILESS_MAIN(TestFirmware)
#include "tst_firmware.moc"
