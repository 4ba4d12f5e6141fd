// The first Linux classes (computer, processors, disks, network adapters) on
// captured real machines and on small synthetic trees.
#include "support/Fixtures.h"

#include "inventory/Catalogue.h"
#include "inventory/linux/reading/IdDatabase.h"
#include "inventory/linux/LinuxSource.h"
#include "inventory/modGetDevices.h"

#include <QMap>
#include <QTest>

using namespace inventory;
using inventory::linuxsource::LinuxSource;

namespace {

struct Machine
{
    explicit Machine(const QString &root) : devices(LinuxSource::instrumentation(root), pump) {}
    QStringList captions(const char *className) const { return devices.GetDeviceCaptions(QLatin1String(className)); }
    QMap<QString, QString> properties(const char *category, const QString &caption) const
    {
        QMap<QString, QString> map;
        for (const QString &pair : devices.GetDeviceProperties({QStringLiteral("PC"), QLatin1String(category), caption}))
            map.insert(pair.section(QLatin1Char('^'), 0, 0), pair.section(QLatin1Char('^'), 1, 1));
        return map;
    }
    NoEventPump pump;
    modGetDevices devices;
};

QString ghw(const char *name)
{
    return testing::unpackShared(QStringLiteral("sysfs/ghw-snapshots/") + QLatin1String(name));
}

bool hwdbKnows8086()
{
    return linuxsource::IdDatabase::instance().pciVendor(0x8086).has_value();
}

// A small desktop: one CPU package with two cores, an Intel NIC that is up,
// the loopback, a USB stick, an optical drive and a loop device.
void buildDesktop(testing::FixtureTree &fx)
{
    fx.file(QStringLiteral("proc/sys/kernel/hostname"), "workstation7.example.org\n")
        .file(QStringLiteral("proc/meminfo"), "MemTotal:       16303584 kB\nMemFree:         1000 kB\n")
        .file(QStringLiteral("proc/stat"), "cpu  1 2 3\nbtime 1700000000\n")
        .file(QStringLiteral("sys/class/dmi/id/sys_vendor"), "LENOVO\n")
        .file(QStringLiteral("sys/class/dmi/id/product_name"), "20L8S07A14 \n")
        .file(QStringLiteral("sys/firmware/acpi/pm_profile"), "2\n");
    QByteArray cpuinfo;
    for (int i = 0; i < 4; ++i)
        cpuinfo += "processor\t: " + QByteArray::number(i) + "\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 142\n"
                   "model name\t: Intel(R) Core(TM) i5-8350U CPU @ 1.70GHz\nstepping\t: 10\ncpu MHz\t\t: 1896.000\n"
                   "physical id\t: 0\ncore id\t\t: " + QByteArray::number(i / 2) + "\nflags\t\t: fpu lm vmx ept\n\n";
    fx.file(QStringLiteral("proc/cpuinfo"), cpuinfo);
    for (int i = 0; i < 4; ++i) {
        const QString cpu = QStringLiteral("sys/devices/system/cpu/cpu%1/").arg(i);
        fx.file(cpu + QStringLiteral("topology/physical_package_id"), "0\n")
            .file(cpu + QStringLiteral("topology/core_id"), QByteArray::number(i / 2) + "\n")
            .file(cpu + QStringLiteral("cpufreq/base_frequency"), "1700000\n")
            .file(cpu + QStringLiteral("cpufreq/scaling_cur_freq"), "2400123\n")
            .file(cpu + QStringLiteral("cache/index2/level"), "2\n")
            .file(cpu + QStringLiteral("cache/index2/type"), "Unified\n")
            .file(cpu + QStringLiteral("cache/index2/size"), "256K\n")
            .file(cpu + QStringLiteral("cache/index2/shared_cpu_list"), QByteArray::number(i / 2 * 2) + "-" + QByteArray::number(i / 2 * 2 + 1) + "\n")
            .file(cpu + QStringLiteral("cache/index3/level"), "3\n")
            .file(cpu + QStringLiteral("cache/index3/type"), "Unified\n")
            .file(cpu + QStringLiteral("cache/index3/size"), "6144K\n")
            .file(cpu + QStringLiteral("cache/index3/shared_cpu_list"), "0-3\n");
    }

    const QString nic = QStringLiteral("sys/devices/pci0000:00/0000:00:1f.6/");
    fx.file(nic + QStringLiteral("vendor"), "0x8086\n").file(nic + QStringLiteral("device"), "0x15d7\n")
        .file(nic + QStringLiteral("subsystem_vendor"), "0x17aa\n").file(nic + QStringLiteral("subsystem_device"), "0x225d\n")
        .file(nic + QStringLiteral("revision"), "0x21\n")
        .dir(QStringLiteral("sys/bus/pci/drivers/e1000e")).dir(QStringLiteral("sys/bus/pci"))
        .link(nic + QStringLiteral("driver"), QStringLiteral("../../../bus/pci/drivers/e1000e"))
        .link(nic + QStringLiteral("subsystem"), QStringLiteral("../../../bus/pci"));
    const QString eth = nic + QStringLiteral("net/enp0s31f6/");
    fx.file(eth + QStringLiteral("ifindex"), "2\n").file(eth + QStringLiteral("type"), "1\n")
        .file(eth + QStringLiteral("address"), "8c:16:45:aa:bb:cc\n").file(eth + QStringLiteral("speed"), "1000\n")
        .file(eth + QStringLiteral("operstate"), "up\n").file(eth + QStringLiteral("flags"), "0x1003\n")
        .link(eth + QStringLiteral("device"), QStringLiteral("../../../0000:00:1f.6"))
        .link(QStringLiteral("sys/class/net/enp0s31f6"), QStringLiteral("../../devices/pci0000:00/0000:00:1f.6/net/enp0s31f6"));
    const QString lo = QStringLiteral("sys/devices/virtual/net/lo/");
    fx.file(lo + QStringLiteral("ifindex"), "1\n").file(lo + QStringLiteral("type"), "772\n")
        .file(lo + QStringLiteral("address"), "00:00:00:00:00:00\n").file(lo + QStringLiteral("operstate"), "unknown\n")
        .file(lo + QStringLiteral("carrier"), "1\n").file(lo + QStringLiteral("flags"), "0x9\n")
        .link(QStringLiteral("sys/class/net/lo"), QStringLiteral("../../devices/virtual/net/lo"));
    fx.file(QStringLiteral("sys/class/net/bonding_masters"), "\n");

    const QString usb = QStringLiteral("sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host6/target6:0:0/6:0:0:0/");
    fx.file(usb + QStringLiteral("vendor"), "SanDisk \n").file(usb + QStringLiteral("model"), "Cruzer Blade    \n")
        .file(usb + QStringLiteral("rev"), "1.00\n").dir(QStringLiteral("sys/bus/scsi"))
        .link(usb + QStringLiteral("subsystem"), QStringLiteral("../../../../../../../../bus/scsi"))
        .file(usb + QStringLiteral("block/sdb/size"), "30031872\n").file(usb + QStringLiteral("block/sdb/removable"), "1\n")
        .file(usb + QStringLiteral("block/sdb/dev"), "8:16\n")
        .file(usb + QStringLiteral("block/sdb/sdb1/partition"), "1\n")
        .link(usb + QStringLiteral("block/sdb/device"), QStringLiteral("../../../6:0:0:0"))
        .link(QStringLiteral("sys/block/sdb"), QStringLiteral("../devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host6/target6:0:0/6:0:0:0/block/sdb"))
        .file(QStringLiteral("run/udev/data/b8:16"), "S:disk/by-id/usb-SanDisk\nE:ID_SERIAL_SHORT=4C530001230918117372\n");
    const QString sr = QStringLiteral("sys/devices/pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0/block/sr0/");
    fx.file(sr + QStringLiteral("size"), "2097151\n")
        .link(QStringLiteral("sys/block/sr0"), QStringLiteral("../devices/pci0000:00/0000:00:17.0/ata2/host1/target1:0:0/1:0:0:0/block/sr0"));
    fx.file(QStringLiteral("sys/devices/virtual/block/loop0/size"), "100\n")
        .link(QStringLiteral("sys/block/loop0"), QStringLiteral("../devices/virtual/block/loop0"));
}

} // namespace

class TestLinuxSlice : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyClassIsKnown();
    void syntheticDesktop();
    void eachRunOfQueriesSeesTheMachineAsItIsThen();
    void ryzenDesktopSnapshot();
    void processorPackagesOnRealMachines_data();
    void processorPackagesOnRealMachines();
    void nominalSpeed_data();
    void nominalSpeed();
    void thisMachine();
};

void TestLinuxSlice::everyClassIsKnown()
{
    testing::FixtureTree empty;
    LinuxSource source(empty.root());
    QStringList classes = deviceCatalogue();
    classes << ComputerClass;
    for (const QString &name : classes) {
        try {
            source.instancesOf(name);
        } catch (const Failure &f) {
            QFAIL(qPrintable(name + QStringLiteral(": ") + f.description()));
        }
    }
    QVERIFY_THROWS_EXCEPTION(Failure, source.instancesOf(QStringLiteral("Win32_NotAClass")));
    // An empty root is a nameless machine with nothing to show, not an error.
    Machine machine(empty.root());
    QVERIFY(machine.captions("Win32_Processor").isEmpty());
    QCOMPARE(machine.captions("Win32_ComputerSystem"), QStringList{QStringLiteral("LOCALHOST")});
}

void TestLinuxSlice::syntheticDesktop()
{
    testing::FixtureTree fx;
    buildDesktop(fx);
    const Machine m(fx.root());

    QCOMPARE(m.captions("Win32_ComputerSystem"), QStringList{QStringLiteral("WORKSTATION7")});
    const auto computer = m.properties("ComputerSystem", QStringLiteral("WORKSTATION7"));
    QCOMPARE(computer.value(QStringLiteral("Name")), QStringLiteral("WORKSTATION7"));
    QCOMPARE(computer.value(QStringLiteral("DNSHostName")), QStringLiteral("workstation7"));
    QCOMPARE(computer.value(QStringLiteral("Domain")), QStringLiteral("example.org"));
    QCOMPARE(computer.value(QStringLiteral("Manufacturer")), QStringLiteral("LENOVO"));
    QCOMPARE(computer.value(QStringLiteral("Model")), QStringLiteral("20L8S07A14"));
    QCOMPARE(computer.value(QStringLiteral("TotalPhysicalMemory")), QStringLiteral("16694870016"));
    QCOMPARE(computer.value(QStringLiteral("NumberOfProcessors")), QStringLiteral("1"));
    QCOMPARE(computer.value(QStringLiteral("NumberOfLogicalProcessors")), QStringLiteral("4"));
    QCOMPARE(computer.value(QStringLiteral("PCSystemType")), QStringLiteral("2"));
    QCOMPARE(computer.value(QStringLiteral("SystemType")), QStringLiteral("x64-based PC"));
    // Properties come in WMI's order: case-insensitive by name.
    QStringList names = computer.keys();
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    QCOMPARE(names.size(), sorted.size());

    const QString cpuCaption = QStringLiteral("Intel64 Family 6 Model 142 Stepping 10");
    QCOMPARE(m.captions("Win32_Processor"), QStringList{cpuCaption});
    const auto cpu = m.properties("Processor", cpuCaption);
    QCOMPARE(cpu.value(QStringLiteral("DeviceID")), QStringLiteral("CPU0"));
    QCOMPARE(cpu.value(QStringLiteral("Name")), QStringLiteral("Intel(R) Core(TM) i5-8350U CPU @ 1.70GHz"));
    QCOMPARE(cpu.value(QStringLiteral("NumberOfCores")), QStringLiteral("2"));
    QCOMPARE(cpu.value(QStringLiteral("NumberOfLogicalProcessors")), QStringLiteral("4"));
    QCOMPARE(cpu.value(QStringLiteral("Level")), QStringLiteral("6"));
    QCOMPARE(cpu.value(QStringLiteral("Revision")), QStringLiteral("36362"));
    QCOMPARE(cpu.value(QStringLiteral("Architecture")), QStringLiteral("9"));
    QCOMPARE(cpu.value(QStringLiteral("MaxClockSpeed")), QStringLiteral("1700"));
    QCOMPARE(cpu.value(QStringLiteral("CurrentClockSpeed")), QStringLiteral("2400"));
    QCOMPARE(cpu.value(QStringLiteral("L2CacheSize")), QStringLiteral("512"));
    QCOMPARE(cpu.value(QStringLiteral("L3CacheSize")), QStringLiteral("6144"));
    QCOMPARE(cpu.value(QStringLiteral("VMMonitorModeExtensions")), QStringLiteral("True"));
    QCOMPARE(cpu.value(QStringLiteral("SystemName")), QStringLiteral("WORKSTATION7"));

    // Adapters in interface order; the loopback has no hardware behind it.
    const QStringList nics = m.captions("Win32_NetworkAdapter");
    QCOMPARE(nics.size(), 2);
    QCOMPARE(nics[0], QStringLiteral("[00000001] Software Loopback Interface"));
    QVERIFY(nics[1].startsWith(QStringLiteral("[00000002] ")));
    if (hwdbKnows8086())
        QVERIFY2(nics[1].contains(QStringLiteral("I219")), qPrintable(nics[1]));
    const auto eth = m.properties("NetworkAdapter", nics[1]);
    QCOMPARE(eth.value(QStringLiteral("MACAddress")), QStringLiteral("8C:16:45:AA:BB:CC"));
    QCOMPARE(eth.value(QStringLiteral("Speed")), QStringLiteral("1000000000"));
    QCOMPARE(eth.value(QStringLiteral("NetConnectionStatus")), QStringLiteral("2"));
    QCOMPARE(eth.value(QStringLiteral("NetConnectionID")), QStringLiteral("enp0s31f6"));
    QCOMPARE(eth.value(QStringLiteral("NetEnabled")), QStringLiteral("True"));
    QCOMPARE(eth.value(QStringLiteral("PhysicalAdapter")), QStringLiteral("True"));
    QCOMPARE(eth.value(QStringLiteral("ServiceName")), QStringLiteral("e1000e"));
    QCOMPARE(eth.value(QStringLiteral("AdapterTypeId")), QStringLiteral("0"));
    QCOMPARE(eth.value(QStringLiteral("DeviceID")), QStringLiteral("2"));
    QCOMPARE(eth.value(QStringLiteral("PNPDeviceID")), QStringLiteral("PCI\\VEN_8086&DEV_15D7&SUBSYS_225D17AA&REV_21\\0000:00:1f.6"));
    QVERIFY(eth.value(QStringLiteral("TimeOfLastReset")).startsWith(QStringLiteral("2023111")));
    const auto lo = m.properties("NetworkAdapter", nics[0]);
    QCOMPARE(lo.value(QStringLiteral("PhysicalAdapter")), QStringLiteral("False"));
    QCOMPARE(lo.value(QStringLiteral("NetConnectionStatus")), QStringLiteral("2"));
    QVERIFY(!lo.contains(QStringLiteral("MACAddress")));

    // Only the USB stick is a disk drive: no optical drive, no loop device.
    QCOMPARE(m.captions("Win32_DiskDrive"), QStringList{QStringLiteral("SanDisk Cruzer Blade")});
    const auto stick = m.properties("DiskDrive", QStringLiteral("SanDisk Cruzer Blade"));
    QCOMPARE(stick.value(QStringLiteral("InterfaceType")), QStringLiteral("USB"));
    QCOMPARE(stick.value(QStringLiteral("MediaType")), QStringLiteral("Removable Media"));
    QCOMPARE(stick.value(QStringLiteral("Size")), QStringLiteral("15376318464"));
    QCOMPARE(stick.value(QStringLiteral("Partitions")), QStringLiteral("1"));
    QCOMPARE(stick.value(QStringLiteral("SerialNumber")), QStringLiteral("4C530001230918117372"));
    QCOMPARE(stick.value(QStringLiteral("FirmwareRevision")), QStringLiteral("1.00"));
    QCOMPARE(stick.value(QStringLiteral("DeviceID")), QStringLiteral("\\\\.\\PHYSICALDRIVE0"));
    QCOMPARE(stick.value(QStringLiteral("SCSIPort")), QStringLiteral("6"));
    QCOMPARE(stick.value(QStringLiteral("PNPDeviceID")), QStringLiteral("USBSTOR\\DISK&VEN_SANDISK&PROD_CRUZER_BLADE&REV_1.00\\6:0:0:0"));
    QVERIFY(!stick.contains(QStringLiteral("Capabilities"))); // arrays never show
}

void TestLinuxSlice::eachRunOfQueriesSeesTheMachineAsItIsThen()
{
    testing::FixtureTree fx;
    buildDesktop(fx);
    Machine m(fx.root());
    const QString usbController = QStringLiteral("Win32_USBController");
    QueryPass scan;
    QCOMPARE(m.devices.GetDeviceCaptions(usbController, scan), QStringList());

    // A controller that shows up while a scan runs: the scan goes on with the
    // machine it has read, so its classes agree with one another...
    const QString xhci = QStringLiteral("sys/devices/pci0000:00/0000:00:14.0/");
    fx.file(xhci + QStringLiteral("vendor"), "0x8086\n")
        .file(xhci + QStringLiteral("device"), "0x9d2f\n")
        .file(xhci + QStringLiteral("class"), "0x0c0330\n");
    QCOMPARE(m.devices.GetDeviceCaptions(usbController, scan), QStringList());
    // ...and the next scan and a click in the tree see it.
    QueryPass rescan;
    QCOMPARE(m.devices.GetDeviceCaptions(usbController, rescan).size(), 1);
    QCOMPARE(m.captions("Win32_USBController").size(), 1);
}

void TestLinuxSlice::ryzenDesktopSnapshot()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    const QString root = ghw("linux-amd64-amd-ryzen-1600.tar.gz");
    QVERIFY(!root.isEmpty());
    const Machine m(root);

    QCOMPARE(m.captions("Win32_Processor"), QStringList{QStringLiteral("AMD64 Family 23 Model 1 Stepping 1")});
    const auto cpu = m.properties("Processor", QStringLiteral("AMD64 Family 23 Model 1 Stepping 1"));
    QCOMPARE(cpu.value(QStringLiteral("Name")), QStringLiteral("AMD Ryzen 5 1600 Six-Core Processor"));
    QCOMPARE(cpu.value(QStringLiteral("Manufacturer")), QStringLiteral("AuthenticAMD"));
    QCOMPARE(cpu.value(QStringLiteral("NumberOfCores")), QStringLiteral("6"));
    QCOMPARE(cpu.value(QStringLiteral("NumberOfLogicalProcessors")), QStringLiteral("12"));

    // Three SATA disks; the device-mapper volumes are not drives.
    const QStringList disks = m.captions("Win32_DiskDrive");
    QCOMPARE(disks.size(), 3);
    const QStringList path{QStringLiteral("PC"), QStringLiteral("DiskDrive"), disks[0]};
    QStringList sizes;
    for (const QString &pair : m.devices.GetDeviceProperties(path))
        if (pair.startsWith(QLatin1String("Size^")))
            sizes << pair.mid(5);
    QCOMPARE(sizes, (QStringList{QStringLiteral("256060514304")}));
    const auto sda = m.properties("DiskDrive", disks[0]);
    QCOMPARE(sda.value(QStringLiteral("Partitions")), QStringLiteral("3"));
    QCOMPARE(sda.value(QStringLiteral("InterfaceType")), QStringLiteral("IDE"));

    // Two Realtek and two Intel ports, all on PCI.
    const QStringList nics = m.captions("Win32_NetworkAdapter");
    QCOMPARE(nics.size(), 4);
    if (hwdbKnows8086()) {
        QVERIFY2(nics[0].startsWith(QStringLiteral("[00000001] RTL8111")), qPrintable(nics[0]));
        QVERIFY2(nics[1].contains(QStringLiteral("I350")), qPrintable(nics[1]));
    }
    const auto intel = m.properties("NetworkAdapter", nics[1]);
    QCOMPARE(intel.value(QStringLiteral("PhysicalAdapter")), QStringLiteral("True"));
    QVERIFY(intel.value(QStringLiteral("PNPDeviceID")).startsWith(QStringLiteral("PCI\\VEN_8086&DEV_1521&")));
}

void TestLinuxSlice::processorPackagesOnRealMachines_data()
{
    QTest::addColumn<QString>("archive");
    QTest::addColumn<int>("packages");
    QTest::addColumn<QString>("cores");
    QTest::addColumn<QString>("threads");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("maxSpeed");
    // The laptop's capture has no cpufreq and its brand string no rating; the
    // 525 MHz its cpuinfo shows is an idle core, not a maximum.
    QTest::newRow("dual Xeon L5640") << QStringLiteral("sysfs/ghw-snapshots/linux-amd64-intel-xeon-L5640.tar.gz") << 2
                                     << QStringLiteral("6") << QStringLiteral("12")
                                     << QStringLiteral("Intel64 Family 6 Model 44 Stepping 2") << QStringLiteral("2270");
    QTest::newRow("hybrid i7-1270P") << QStringLiteral("sysfs/ghw-snapshots/linux-amd64-intel-i7-1270P-thinkpad-x1c10.tar.gz")
                                     << 1 << QStringLiteral("12") << QStringLiteral("16")
                                     << QStringLiteral("Intel64 Family 6 Model 154 Stepping 3") << QString();
}

void TestLinuxSlice::processorPackagesOnRealMachines()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    QFETCH(QString, archive);
    QFETCH(int, packages);
    QFETCH(QString, cores);
    QFETCH(QString, threads);
    QFETCH(QString, caption);
    QFETCH(QString, maxSpeed);
    const Machine m(testing::unpackShared(archive));
    const QStringList cpus = m.captions("Win32_Processor");
    QCOMPARE(cpus.size(), packages);
    QCOMPARE(cpus.first(), caption);
    // Both packages share one caption, so one query returns both, CPU0 then CPU1.
    QStringList ids, coreCounts, threadCounts, speeds;
    for (const QString &pair : m.devices.GetDeviceProperties({QStringLiteral("PC"), QStringLiteral("Processor"), caption})) {
        if (pair.startsWith(QLatin1String("DeviceID^")))
            ids << pair.mid(9);
        if (pair.startsWith(QLatin1String("NumberOfCores^")))
            coreCounts << pair.mid(14);
        if (pair.startsWith(QLatin1String("NumberOfLogicalProcessors^")))
            threadCounts << pair.mid(26);
        if (pair.startsWith(QLatin1String("MaxClockSpeed^")))
            speeds << pair.mid(14);
    }
    QCOMPARE(ids.size(), packages);
    QCOMPARE(ids.first(), QStringLiteral("CPU0"));
    QCOMPARE(coreCounts, QStringList(QList<QString>(packages, cores)));
    QCOMPARE(threadCounts, QStringList(QList<QString>(packages, threads)));
    QCOMPARE(speeds, maxSpeed.isEmpty() ? QStringList() : QStringList(QList<QString>(packages, maxSpeed)));
}

// MaxClockSpeed is the rated speed: cpufreq's base frequency, else the brand
// string's rating, else cpufreq's ceiling; cpuinfo's live figure only in a
// guest, where it is the TSC's rate.
void TestLinuxSlice::nominalSpeed_data()
{
    QTest::addColumn<QByteArray>("brand");
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<QByteArray>("baseKhz");
    QTest::addColumn<QByteArray>("maxKhz");
    QTest::addColumn<QString>("maxSpeed");
    QTest::addColumn<QString>("currentSpeed");
    QTest::newRow("base frequency wins") << QByteArray("Intel(R) Core(TM) i5-8350U CPU @ 1.70GHz") << QByteArray("fpu lm")
                                         << QByteArray("1800000") << QByteArray("3600000") << QStringLiteral("1800")
                                         << QStringLiteral("1896");
    QTest::newRow("rating beats turbo ceiling") << QByteArray("Intel(R) Xeon(R) CPU E5-2695 v4 @ 2.10GHz")
                                                << QByteArray("fpu lm") << QByteArray() << QByteArray("3300000")
                                                << QStringLiteral("2100") << QStringLiteral("1896");
    QTest::newRow("rating in MHz") << QByteArray("Intel(R) Pentium(R) III CPU @ 800MHz") << QByteArray("fpu lm")
                                   << QByteArray() << QByteArray() << QStringLiteral("800") << QStringLiteral("1896");
    QTest::newRow("ceiling without rating") << QByteArray("AMD Ryzen 5 1600 Six-Core Processor") << QByteArray("fpu lm")
                                            << QByteArray() << QByteArray("3200000") << QStringLiteral("3200")
                                            << QStringLiteral("1896");
    QTest::newRow("bare metal, nothing rated") << QByteArray("12th Gen Intel(R) Core(TM) i7-1270P") << QByteArray("fpu lm")
                                               << QByteArray() << QByteArray() << QString() << QStringLiteral("1896");
    QTest::newRow("guest, nothing rated") << QByteArray("AMD EPYC 9B14") << QByteArray("fpu lm hypervisor")
                                          << QByteArray() << QByteArray() << QStringLiteral("1896")
                                          << QStringLiteral("1896");
    QTest::newRow("broken rating") << QByteArray("Odd CPU @ .GHz") << QByteArray("fpu lm") << QByteArray()
                                   << QByteArray() << QString() << QStringLiteral("1896");
}

void TestLinuxSlice::nominalSpeed()
{
    QFETCH(QByteArray, brand);
    QFETCH(QByteArray, flags);
    QFETCH(QByteArray, baseKhz);
    QFETCH(QByteArray, maxKhz);
    QFETCH(QString, maxSpeed);
    QFETCH(QString, currentSpeed);
    testing::FixtureTree fx;
    fx.file(QStringLiteral("proc/cpuinfo"), "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 142\n"
                                            "model name\t: " + brand + "\nstepping\t: 10\ncpu MHz\t\t: 1896.000\n"
                                            "flags\t\t: " + flags + "\n\n");
    const QString cpufreq = QStringLiteral("sys/devices/system/cpu/cpu0/cpufreq/");
    if (!baseKhz.isEmpty())
        fx.file(cpufreq + QStringLiteral("base_frequency"), baseKhz + '\n');
    if (!maxKhz.isEmpty())
        fx.file(cpufreq + QStringLiteral("cpuinfo_max_freq"), maxKhz + '\n');
    const Machine m(fx.root());
    const auto cpu = m.properties("Processor", QStringLiteral("Intel64 Family 6 Model 142 Stepping 10"));
    QCOMPARE(cpu.value(QStringLiteral("Name")), QString::fromLatin1(brand));
    QCOMPARE(cpu.value(QStringLiteral("MaxClockSpeed")), maxSpeed);
    QCOMPARE(cpu.contains(QStringLiteral("MaxClockSpeed")), !maxSpeed.isEmpty());
    QCOMPARE(cpu.value(QStringLiteral("CurrentClockSpeed")), currentSpeed);
}

void TestLinuxSlice::thisMachine()
{
    const Machine m(QStringLiteral("/"));
    const QStringList computers = m.captions("Win32_ComputerSystem");
    QCOMPARE(computers.size(), 1);
    QVERIFY(!computers.first().isEmpty());
    QCOMPARE(computers.first(), computers.first().toUpper());
    QVERIFY(!m.captions("Win32_Processor").isEmpty());
    for (const QString &className : deviceCatalogue()) {
        const QString category = categoryText(className);
        for (const QString &caption : m.devices.GetDeviceCaptions(className))
            m.devices.GetDeviceProperties({computers.first(), category, caption});
    }
}

QTEST_GUILESS_MAIN(TestLinuxSlice)
#include "tst_linuxslice.moc"
