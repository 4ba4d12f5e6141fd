// Plug-and-Play devices, buses and controllers: on recorded real machines
// (checked against lspci and udev's own records) and on small synthetic
// trees for the rules real data rarely shows.
#include "support/Fixtures.h"
#include "support/Umockdev.h"

#include "inventory/linux/reading/IdDatabase.h"
#include "inventory/linux/LinuxSource.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

using namespace inventory;
using inventory::linuxsource::IdDatabase;
using inventory::linuxsource::LinuxSource;

namespace {

// One instance: its caption and every property with a text form (arrays
// joined with ",").
struct Row
{
    QString caption;
    QMap<QString, QString> p;
    QString operator[](const char *name) const { return p.value(QLatin1String(name)); }
};

std::vector<Row> rows(const QString &root, const char *className)
{
    LinuxSource source(root);
    InstanceEnumeration instances = source.instancesOf(QLatin1String(className));
    std::vector<Row> out;
    while (std::optional<Instance> instance = instances.next()) {
        Row row{instance->caption().toText(), {}};
        for (const Property &property : instance->properties())
            row.p.insert(property.name, property.value.toText());
        out.push_back(row);
    }
    return out;
}

QStringList captions(const std::vector<Row> &all)
{
    QStringList out;
    for (const Row &r : all)
        out << r.caption;
    return out;
}

QStringList values(const std::vector<Row> &all, const char *name)
{
    QStringList out;
    for (const Row &r : all)
        out << r[name];
    return out;
}

const Row *byDeviceId(const std::vector<Row> &all, const QString &id)
{
    for (const Row &r : all)
        if (r[("DeviceID")] == id)
            return &r;
    return nullptr;
}

const Row *byIdSuffix(const std::vector<Row> &all, const QString &suffix)
{
    for (const Row &r : all)
        if (r["DeviceID"].endsWith(suffix))
            return &r;
    return nullptr;
}

bool hwdbAvailable()
{
    return IdDatabase::instance().pciVendor(0x8086).has_value();
}

QString x61()
{
    return testing::unpackShared(QStringLiteral("sysfs/systemd-sys-script/sys-tree-generated.tar.xz"),
                                 {QStringLiteral("sys/kernel/slab")});
}

// The one directory a capture unpacks into, or the unpack folder itself.
QString captureRoot(const QString &unpacked)
{
    if (unpacked.isEmpty() || QFileInfo::exists(unpacked + QStringLiteral("/sys")))
        return unpacked;
    const QStringList inner = QDir(unpacked).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    return inner.size() == 1 ? unpacked + QLatin1Char('/') + inner.first() : unpacked;
}

// Names from pci.ids (lspci) and from udev's hwdb come from the same list,
// but a system may carry two editions of it: a newer one may add a suffix
// ("... Controller #1"). Anything else is a real mismatch.
bool sameName(const QString &ours, const QString &theirs)
{
    return ours == theirs || ours.startsWith(theirs + QLatin1Char(' ')) || theirs.startsWith(ours + QLatin1Char(' '));
}

// "Intel Corporation [8086]" -> name and id.
std::pair<QString, QString> splitLspciName(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(.*) \\[([0-9a-f]{4})\\]$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return {text, QString()};
    return {m.captured(1), m.captured(2)};
}

// A small PCI function in a synthetic tree.
void pciFunction(testing::FixtureTree &fx, const QString &address, const char *vendor, const char *device,
                 const char *classCode, const QString &driver = QString(), const QString &parent = QString())
{
    const QString dir = (parent.isEmpty() ? QStringLiteral("sys/devices/pci0000:00/") : parent + QLatin1Char('/')) + address;
    fx.file(dir + QStringLiteral("/vendor"), QByteArray(vendor) + '\n')
        .file(dir + QStringLiteral("/device"), QByteArray(device) + '\n')
        .file(dir + QStringLiteral("/class"), QByteArray(classCode) + '\n')
        .file(dir + QStringLiteral("/subsystem_vendor"), "0x17aa\n")
        .file(dir + QStringLiteral("/subsystem_device"), "0x2233\n")
        .file(dir + QStringLiteral("/revision"), "0x10\n")
        .link(QStringLiteral("sys/bus/pci/devices/") + address, QStringLiteral("../../../") + dir.mid(4));
    if (!driver.isEmpty()) {
        fx.dir(QStringLiteral("sys/bus/pci/drivers/") + driver);
        fx.link(dir + QStringLiteral("/driver"), QDir(fx.path(dir)).relativeFilePath(fx.path(QStringLiteral("sys/bus/pci/drivers/") + driver)));
    }
}

// A firmware device below the ACPI system bus.
QString acpiDevice(testing::FixtureTree &fx, const QString &name, const QByteArray &hid, const QByteArray &modalias)
{
    const QString dir = QStringLiteral("sys/devices/LNXSYSTM:00/LNXSYBUS:00/") + name;
    fx.file(dir + QStringLiteral("/hid"), hid + '\n')
        .file(dir + QStringLiteral("/modalias"), modalias + '\n')
        .link(QStringLiteral("sys/bus/acpi/devices/") + name, QStringLiteral("../../../devices/LNXSYSTM:00/LNXSYBUS:00/") + name);
    return dir;
}

void driverLink(testing::FixtureTree &fx, const QString &deviceDir, const QString &bus, const QString &driver)
{
    const QString target = QStringLiteral("sys/bus/%1/drivers/%2").arg(bus, driver);
    fx.dir(target);
    fx.link(deviceDir + QStringLiteral("/driver"), QDir(fx.path(deviceDir)).relativeFilePath(fx.path(target)));
}

// A USB device or interface below the xHCI at 00:14.0.
QString usbNode(testing::FixtureTree &fx, const QString &path, const QMap<QString, QByteArray> &attributes,
                const QString &driver = QString())
{
    const QString dir = QStringLiteral("sys/devices/pci0000:00/0000:00:14.0/") + path;
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        fx.file(dir + QLatin1Char('/') + it.key(), it.value() + '\n');
    const QString name = path.section(QLatin1Char('/'), -1);
    fx.link(QStringLiteral("sys/bus/usb/devices/") + name, QStringLiteral("../../../devices/pci0000:00/0000:00:14.0/") + path);
    if (!driver.isEmpty())
        driverLink(fx, dir, QStringLiteral("usb"), driver);
    return dir;
}

} // namespace

class TestPnpDevices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pciFunctionsMatchLspci_data();
    void pciFunctionsMatchLspci();
    void laptopFirmwareAndBuses();
    void laptopUsbAndStorage();
    void laptopControllersAndBuses();
    void recordedUsbChains_data();
    void recordedUsbChains();
    void processorsFromRealCpuinfo_data();
    void processorsFromRealCpuinfo();
    void soundCardFromRealAsound();
    void firmwareDeviceStatus_data();
    void firmwareDeviceStatus();
    void pciFiling_data();
    void pciFiling();
    void pciIdsFromConfigSpace();
    void usbHubMembership();
    void controllersOffThePciBus();
    void busNumbering();
};

void TestPnpDevices::pciFunctionsMatchLspci_data()
{
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QStringList>("excludes");
    const QStringList none;
    QTest::newRow("ThinkPad laptop") << QStringLiteral("sysfs/systemd-sys-script/sys-tree-generated.tar.xz")
                                     << QStringList{QStringLiteral("sys/kernel/slab")};
    for (const char *ghw : {"linux-amd64-amd-ryzen-1600", "linux-amd64-intel-i7-1270P-thinkpad-x1c10",
                            "linux-amd64-intel-xeon-L5640", "linux-amd64-accel-nvidia", "linux-amd64-accel"})
        QTest::newRow(ghw) << QStringLiteral("sysfs/ghw-snapshots/%1.tar.gz").arg(QLatin1String(ghw)) << none;
    for (const char *hwloc : {"32em64t-2n8c+dax+nvme+mic+dimms", "40intel64-2g2n4c+pcilocality"})
        QTest::newRow(hwloc) << QStringLiteral("sysfs/hwloc-gather-topology/%1.tar.bz2").arg(QLatin1String(hwloc)) << none;
}

void TestPnpDevices::pciFunctionsMatchLspci()
{
    QFETCH(QString, archive);
    QFETCH(QStringList, excludes);
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    const QString lspci = QStandardPaths::findExecutable(QStringLiteral("lspci"));
    if (lspci.isEmpty())
        QSKIP("lspci (pciutils) is not installed");
    if (!hwdbAvailable())
        QSKIP("udev's hwdb is not installed");
    const QString root = captureRoot(testing::unpackShared(archive, excludes));
    QVERIFY(!root.isEmpty());
    QVERIFY(QFileInfo(root + QStringLiteral("/sys/bus/pci/devices")).isDir());

    QProcess tool;
    tool.start(lspci, {QStringLiteral("-O"), QStringLiteral("sysfs.path=") + root + QStringLiteral("/sys/bus/pci"),
                       QStringLiteral("-vmm"), QStringLiteral("-nn"), QStringLiteral("-D")});
    QVERIFY(tool.waitForFinished(60000));
    const QString output = QString::fromUtf8(tool.readAllStandardOutput());
    const std::vector<Row> entities = rows(root, "Win32_PNPEntity");

    int checked = 0;
    for (const QString &record : output.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts)) {
        QMap<QString, QString> fields;
        for (const QString &line : record.split(QLatin1Char('\n')))
            fields.insert(line.section(QLatin1Char('\t'), 0, 0).chopped(1), line.section(QLatin1Char('\t'), 1));
        const QString slot = fields.value(QStringLiteral("Slot"));
        const Row *row = byIdSuffix(entities, QLatin1Char('\\') + slot);
        QVERIFY2(row, qPrintable(QStringLiteral("%1 is missing from PNPEntity").arg(slot)));
        const auto [vendorName, vendorId] = splitLspciName(fields.value(QStringLiteral("Vendor")));
        const auto [deviceName, deviceId] = splitLspciName(fields.value(QStringLiteral("Device")));
        const QString id = (*row)["DeviceID"];
        QVERIFY2(id.startsWith(QStringLiteral("PCI\\VEN_%1&DEV_%2&").arg(vendorId, deviceId).toUpper()), qPrintable(id));
        // pciutils names an unknown device just "Device".
        if (deviceName == QLatin1String("Device"))
            QCOMPARE(row->caption, QStringLiteral("PCI device %1:%2").arg(vendorId, deviceId));
        else
            QVERIFY2(sameName(row->caption, deviceName), qPrintable(row->caption + QStringLiteral(" <> ") + deviceName));
        QVERIFY2(sameName((*row)["Manufacturer"], vendorName), qPrintable((*row)["Manufacturer"] + QStringLiteral(" <> ") + vendorName));
        // Subsystem and revision as lspci read them (from config space where sysfs has no attribute).
        const QString subVendor = splitLspciName(fields.value(QStringLiteral("SVendor"))).second;
        const QString subDevice = splitLspciName(fields.value(QStringLiteral("SDevice"))).second;
        if (!subVendor.isEmpty())
            QVERIFY2(id.contains(QStringLiteral("&SUBSYS_%1%2").arg(subDevice, subVendor).toUpper()), qPrintable(id));
        // Without config space or a revision file lspci prints a revision it made up.
        const QString dir = root + QStringLiteral("/sys/bus/pci/devices/") + slot;
        const bool revisionKnown = QFileInfo::exists(dir + QStringLiteral("/revision")) || QFileInfo::exists(dir + QStringLiteral("/config"));
        if (fields.contains(QStringLiteral("Rev")) && revisionKnown)
            QVERIFY2(id.contains(QStringLiteral("&REV_") + fields.value(QStringLiteral("Rev")).toUpper() + QLatin1Char('\\')), qPrintable(id));
        ++checked;
    }
    QVERIFY(checked > 0);
}

void TestPnpDevices::laptopFirmwareAndBuses()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    const QString root = x61();
    QVERIFY(!root.isEmpty());
    const std::vector<Row> entities = rows(root, "Win32_PNPEntity");

    // The firmware's devices with ids of their own, each once: the pnp bus
    // mirrors them and is not listed again; processors, interrupt links,
    // power resources and id-less objects are no devices here.
    QStringList acpi;
    for (const Row &r : entities)
        if (r["DeviceID"].startsWith(QLatin1String("ACPI")))
            acpi << r["DeviceID"];
    QCOMPARE(acpi, (QStringList{
        "ACPI\\ACPI0003\\00", "ACPI\\ATM1200\\00", "ACPI\\IBM0057\\00", "ACPI\\IBM0068\\00", "ACPI\\IBM0079\\00",
        "ACPI\\LNXPWRBN\\00", "ACPI_HAL\\PNP0C08\\0", "ACPI\\THERMALZONE\\THM0",
        "ACPI\\THERMALZONE\\THM1", "ACPI\\PNP0A08\\00", "ACPI\\PNP0B00\\00", "ACPI\\PNP0C0A\\00", "ACPI\\PNP0C0D\\00",
        "ACPI\\PNP0C0E\\00", "ACPI\\PNP0C01\\00", "ACPI\\PNP0C02\\00", "ACPI\\PNP0C04\\00", "ACPI\\PNP0C09\\00",
        "ACPI\\PNP0000\\00", "ACPI\\PNP0100\\00", "ACPI\\PNP0103\\00", "ACPI\\PNP0200\\00", "ACPI\\PNP0303\\00",
        "ACPI\\PNP0800\\00"}));
    QCOMPARE(captions(entities).count(QStringLiteral("Standard PS/2 Keyboard")), 1);

    const Row *battery = byDeviceId(entities, QStringLiteral("ACPI\\PNP0C0A\\00"));
    QVERIFY(battery);
    QCOMPARE(battery->caption, QStringLiteral("ACPI-Compliant Control Method Battery"));
    QCOMPARE((*battery)["Service"], QStringLiteral("battery"));
    QCOMPARE((*battery)["PNPClass"], QStringLiteral("Battery"));
    QCOMPARE((*battery)["ClassGuid"], QStringLiteral("{72631e54-78a4-11d0-bcf7-00aa00b7b32a}"));
    QCOMPARE((*battery)["Status"], QStringLiteral("OK"));
    QCOMPARE((*battery)["CreationClassName"], QStringLiteral("Win32_PnPEntity"));
    // The keyboard controller's driver is on the pnp device that stands for it.
    QCOMPARE((*byDeviceId(entities, QStringLiteral("ACPI\\IBM0057\\00")))["Service"], QStringLiteral("i8042 aux"));
    // Known by its compatible id (PNP0C31) alone.
    QCOMPARE(byDeviceId(entities, QStringLiteral("ACPI\\ATM1200\\00"))->caption, QStringLiteral("Trusted Platform Module"));
    // An id nobody names, but a driver runs it.
    const Row *hotkeys = byDeviceId(entities, QStringLiteral("ACPI\\IBM0068\\00"));
    QCOMPARE(hotkeys->caption, QStringLiteral("ACPI device IBM0068"));
    QCOMPARE((*hotkeys)["Service"], QStringLiteral("thinkpad_hotkey"));
    QCOMPARE((*hotkeys)["Status"], QStringLiteral("OK"));
    QCOMPARE((*hotkeys)["HardwareID"], QStringLiteral("ACPI\\IBM0068,*IBM0068"));

    // Platform devices the kernel made, named by their modalias.
    QStringList platform = captions(entities).filter(QRegularExpression(QStringLiteral("^Platform device ")));
    QCOMPARE(platform, (QStringList{"Platform device dock", "Platform device i8042", "Platform device microcode",
                                    "Platform device pcspkr", "Platform device serial8250", "Platform device thinkpad_acpi",
                                    "Platform device thinkpad_hwmon", "Platform device vesafb"}));
    const Row *dock = byDeviceId(entities, QStringLiteral("PLATFORM\\DOCK\\dock.0"));
    QVERIFY(dock);
    QCOMPARE((*dock)["Status"], QStringLiteral("Error")); // no driver took it
    QCOMPARE((*dock)["ConfigManagerErrorCode"], QStringLiteral("28"));

    // Input devices and the i8042 ports they hang on.
    for (const char *name : {"AT Translated Set 2 keyboard", "TPPS/2 IBM TrackPoint", "Lid Switch", "ThinkPad Extra Buttons",
                             "Logitech USB-PS/2 Optical Mouse", "i8042 KBD port", "i8042 AUX port"})
        QVERIFY2(captions(entities).contains(QLatin1String(name)), name);
    QCOMPARE((*byDeviceId(entities, QStringLiteral("SERIO\\TY06&PR00&ID00&EX00\\serio0")))["Service"], QStringLiteral("atkbd"));
}

void TestPnpDevices::laptopUsbAndStorage()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    const QString root = x61();
    QVERIFY(!root.isEmpty());
    const std::vector<Row> entities = rows(root, "Win32_PNPEntity");

    // Every USB device and interface but the interfaces Linux's hub driver binds to.
    QStringList usb;
    for (const Row &r : entities)
        if (r["DeviceID"].startsWith(QLatin1String("USB\\")))
            usb << r["DeviceID"].section(QLatin1Char('\\'), -1);
    const QStringList recorded = QDir(root + QStringLiteral("/sys/bus/usb/devices")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QCOMPARE(usb.size(), recorded.size() - 5);
    QVERIFY(!usb.contains(QStringLiteral("1-0:1.0")));
    QCOMPARE(usb.mid(0, 3), (QStringList{"usb1", "usb2", "usb3"}));
    QCOMPARE(usb.mid(3, 2), (QStringList{"3-1", "3-1:1.0"})); // each device is followed by its interfaces

    const Row *ehciHub = byDeviceId(entities, QStringLiteral("USB\\ROOT_HUB20\\usb5"));
    QVERIFY(ehciHub);
    QCOMPARE(ehciHub->caption, QStringLiteral("USB Root Hub"));
    QCOMPARE((*ehciHub)["Manufacturer"], QStringLiteral("(Standard USB Host Controller)"));
    QVERIFY(byDeviceId(entities, QStringLiteral("USB\\ROOT_HUB\\usb1"))); // UHCI: USB 1.1

    // The fingerprint reader's interface has no driver: Device Manager's unknown device.
    const Row *reader = byDeviceId(entities, QStringLiteral("USB\\VID_0483&PID_2016&MI_00\\4-2:1.0"));
    QVERIFY(reader);
    QCOMPARE((*reader)["Status"], QStringLiteral("Error"));
    QCOMPARE((*reader)["ConfigManagerErrorCode"], QStringLiteral("28"));
    QVERIFY(!reader->p.contains(QStringLiteral("PNPClass")));
    QVERIFY(!reader->p.contains(QStringLiteral("Service")));
    const Row *storage = byDeviceId(entities, QStringLiteral("USB\\VID_1043&PID_8012&MI_00\\5-1:1.0"));
    QCOMPARE((*storage)["Service"], QStringLiteral("usb-storage"));
    QCOMPARE((*storage)["PNPClass"], QStringLiteral("USB"));
    QCOMPARE((*storage)["CompatibleID"], QStringLiteral("USB\\Class_08&SubClass_06&Prot_50,USB\\Class_08&SubClass_06,USB\\Class_08"));
    // The modem's interfaces name themselves.
    QCOMPARE(byDeviceId(entities, QStringLiteral("USB\\VID_0421&PID_007B&MI_00\\5-2:1.0"))->caption, QStringLiteral("CDC Comms Interface"));

    // Disks and drives on the SCSI layer, as Windows names them.
    const Row *disk = byDeviceId(entities, QStringLiteral("SCSI\\DISK&VEN_ATA&PROD_ST910021AS\\0:0:0:0"));
    QVERIFY(disk);
    QCOMPARE(disk->caption, QStringLiteral("ST910021AS"));
    QCOMPARE((*disk)["PNPClass"], QStringLiteral("DiskDrive"));
    QCOMPARE((*disk)["Manufacturer"], QStringLiteral("(Standard disk drives)"));
    QCOMPARE((*disk)["Service"], QStringLiteral("sd"));
    const Row *dvd = byDeviceId(entities, QStringLiteral("SCSI\\CDROM&VEN_MATSHITA&PROD_DVD-RAM_UJ-842\\4:0:0:0"));
    QVERIFY(dvd);
    QCOMPARE(dvd->caption, QStringLiteral("MATSHITA DVD-RAM UJ-842"));
    QCOMPARE((*dvd)["PNPClass"], QStringLiteral("CDROM"));
    QVERIFY(byDeviceId(entities, QStringLiteral("USBSTOR\\DISK&VEN_GENERIC&PROD_USB_FLASH_DRIVE\\7:0:0:0")));
    // The SCSI hosts and targets are the SCSI layer's bookkeeping, and the
    // disks are not listed twice through sys/block.
    QVERIFY(captions(entities).filter(QStringLiteral("host")).isEmpty());
    QVERIFY(captions(entities).filter(QStringLiteral("Disk drive")).isEmpty());
}

void TestPnpDevices::laptopControllersAndBuses()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    const QString root = x61();
    QVERIFY(!root.isEmpty());

    // Five USB hosts, among them the EHCI function the capture's bus list
    // lacks but its device tree holds.
    const std::vector<Row> usb = rows(root, "Win32_USBController");
    QStringList addresses;
    for (const Row &r : usb)
        addresses << r["PNPDeviceID"].section(QLatin1Char('\\'), -1);
    QCOMPARE(addresses, (QStringList{"0000:00:1d.0", "0000:00:1d.1", "0000:00:1d.2", "0000:00:1d.3", "0000:00:1d.7"}));
    QCOMPARE(values(usb, "ProtocolSupported"), QStringList(5, QStringLiteral("16")));
    QCOMPARE(values(usb, "MaxNumberControlled"), (QStringList{"2", "2", "2", "2", "8"}));
    QCOMPARE(usb.front()["Service"], QString()); // CIM_Controller has no Service
    QCOMPARE(usb.front()["Status"], QStringLiteral("OK"));
    QCOMPARE(usb.front()["CreationClassName"], QStringLiteral("Win32_USBController"));
    QCOMPARE(usb.front()["DeviceID"], usb.front()["PNPDeviceID"]);

    // PATA and SATA AHCI both under IDE, with the IDE protocol.
    const std::vector<Row> ide = rows(root, "Win32_IDEController");
    QCOMPARE(ide.size(), size_t(2));
    QCOMPARE(values(ide, "ProtocolSupported"), (QStringList{"37", "37"}));
    QVERIFY(ide[1]["DeviceID"].startsWith(QLatin1String("PCI\\VEN_8086&DEV_27C5&SUBSYS_200D17AA&REV_02\\")));
    const std::vector<Row> cardbus = rows(root, "Win32_PCMCIAController");
    QCOMPARE(cardbus.size(), size_t(1));
    QCOMPARE(cardbus[0]["ProtocolSupported"], QStringLiteral("15"));
    QVERIFY(rows(root, "Win32_SCSIController").empty());
    QVERIFY(rows(root, "Win32_1394Controller").empty());
    QVERIFY(rows(root, "Win32_FloppyController").empty());

    // Windows lists USB devices of its USB class: the root hubs and the
    // flash disk; not the HID mouse, the Bluetooth radio (its own class),
    // the undriven fingerprint reader or the CDC phone.
    const std::vector<Row> hubs = rows(root, "Win32_USBHub");
    QCOMPARE(values(hubs, "DeviceID"), (QStringList{"USB\\ROOT_HUB\\usb1", "USB\\ROOT_HUB\\usb2", "USB\\ROOT_HUB\\usb3",
                                                    "USB\\ROOT_HUB\\usb4", "USB\\ROOT_HUB20\\usb5", "USB\\VID_1043&PID_8012\\5-1"}));
    QCOMPARE(values(hubs, "USBVersion"), (QStringList{"272", "272", "272", "272", "512", "512"}));
    QCOMPARE(values(hubs, "NumberOfPorts"), (QStringList{"2", "2", "2", "2", "8", ""}));
    QCOMPARE(hubs[5]["ClassCode"], QStringLiteral("0"));
    QCOMPARE(hubs[5]["CurrentConfigValue"], QStringLiteral("1"));

    // Every PCI bus the kernel knows, the PnP bus and the PC Card socket.
    const std::vector<Row> buses = rows(root, "Win32_Bus");
    QCOMPARE(values(buses, "DeviceID"), (QStringList{"PCI_BUS_0", "PCI_BUS_1", "PCI_BUS_2", "PCI_BUS_3", "PCI_BUS_4",
                                                     "PCI_BUS_12", "PCI_BUS_21", "PCI_BUS_22", "PNP_BUS_0", "PCMCIA_BUS_0"}));
    QCOMPARE(values(buses, "BusType"), (QStringList{"5", "5", "5", "5", "5", "5", "5", "5", "15", "8"}));
    QCOMPARE(captions(buses), QStringList(10, QStringLiteral("Bus")));
    QCOMPARE(buses[5]["BusNum"], QStringLiteral("12"));
    QVERIFY(!buses[0].p.contains(QStringLiteral("PNPDeviceID")));
}

void TestPnpDevices::recordedUsbChains_data()
{
    QTest::addColumn<QString>("recording");
    QTest::addColumn<QStringList>("hubs");   // Win32_USBHub device ids
    QTest::addColumn<QString>("deviceId");   // one device to look at closely
    QTest::addColumn<QString>("pnpClass");
    QTest::newRow("keyboard behind three hubs")
        << QStringLiteral("input_usbkbd.umockdev")
        << QStringList{"USB\\ROOT_HUB20\\usb1", "USB\\VID_8087&PID_0020\\1-1", "USB\\VID_17EF&PID_1005\\1-1.5",
                       "USB\\VID_05F3&PID_0081\\1-1.5.4", "USB\\VID_05F3&PID_0007\\1-1.5.4.2"}
        << QStringLiteral("USB\\VID_05F3&PID_0007&MI_00\\1-1.5.4.2:1.0") << QStringLiteral("HIDClass");
    QTest::newRow("camera on a hub")
        << QStringLiteral("cameras_canon-powershot-sx200.umockdev")
        << QStringList{"USB\\ROOT_HUB20\\usb1", "USB\\VID_8087&PID_0020\\1-1", "USB\\VID_17EF&PID_1005\\1-1.5",
                       "USB\\VID_0409&PID_0058\\1-1.5.2"}
        << QStringLiteral("USB\\VID_04A9&PID_31C0\\1-1.5.2.3") << QStringLiteral("USB");
    QTest::newRow("security key")
        << QStringLiteral("hidraw_fido2.umockdev")
        << QStringList{"USB\\ROOT_HUB20\\usb1", "USB\\VID_0BDA&PID_5411\\1-2"}
        << QStringLiteral("HID\\VID_1050&PID_0120\\0003:1050:0120.000A") << QStringLiteral("HIDClass");
    QTest::newRow("touchpad on the i8042 port")
        << QStringLiteral("input_synaptics-touchpad.umockdev") << QStringList()
        << QStringLiteral("SERIO\\TY01&PR00&ID00&EX00\\serio1") << QStringLiteral("Mouse");
}

void TestPnpDevices::recordedUsbChains()
{
    QFETCH(QString, recording);
    QFETCH(QStringList, hubs);
    QFETCH(QString, deviceId);
    QFETCH(QString, pnpClass);
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    testing::FixtureTree fx;
    const QString file = testing::sharedData(QStringLiteral("sysfs/umockdev/") + recording);
    QVERIFY(testing::loadUmockdev(fx, file));

    QCOMPARE(values(rows(fx.root(), "Win32_USBHub"), "DeviceID"), hubs);
    const std::vector<Row> entities = rows(fx.root(), "Win32_PNPEntity");
    const Row *device = byDeviceId(entities, deviceId);
    QVERIFY2(device, qPrintable(captions(entities).join(QLatin1Char('|'))));
    QCOMPARE((*device)["PNPClass"], pnpClass);
    QCOMPARE((*device)["Status"], QStringLiteral("OK"));

    // udev recorded the names its hwdb gave each USB device on the machine
    // itself; ours come from the same database.
    if (!hwdbAvailable())
        return;
    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QString path;
    for (const QByteArray &raw : in.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.startsWith(QLatin1String("P: ")))
            path = line.mid(3);
        // USB devices only ("1-1.5"): not root hubs, interfaces or the PCI host.
        const QString name = path.section(QLatin1Char('/'), -1);
        if (!line.startsWith(QLatin1String("E: ID_MODEL_FROM_DATABASE="))
            || !QRegularExpression(QStringLiteral("^[0-9]+-[0-9.]+$")).match(name).hasMatch())
            continue;
        const Row *recorded = byIdSuffix(entities, QLatin1Char('\\') + name);
        QVERIFY2(recorded, qPrintable(path));
        QVERIFY2(sameName(recorded->caption, line.section(QLatin1Char('='), 1)), qPrintable(recorded->caption));
    }
    if (recording == QLatin1String("hidraw_fido2.umockdev"))
        QCOMPARE(device->caption, QStringLiteral("Yubico Security Key by Yubico"));
}

void TestPnpDevices::processorsFromRealCpuinfo_data()
{
    QTest::addColumn<QString>("cpuinfo");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("firstId");
    QTest::addColumn<QString>("maker");
    QTest::newRow("Core i7 desktop") << QStringLiteral("proc/twaite-442proj2-i7-2600-desktop/proc/cpuinfo") << 8
                                     << QStringLiteral("Intel(R) Core(TM) i7-2600 CPU @ 3.40GHz")
                                     << QStringLiteral("ACPI\\GENUINEINTEL_-_X86_FAMILY_6_MODEL_42_-_INTEL(R)_CORE(TM)_I7-2600_CPU_@_3.40GHZ\\_0")
                                     << QStringLiteral("Intel");
    QTest::newRow("Hyper-V guest") << QStringLiteral("proc/sosreport-azure-hyperv-gen2-rhcos/proc/cpuinfo") << 2
                                   << QStringLiteral("Intel(R) Xeon(R) W-2155 CPU @ 3.30GHz")
                                   << QStringLiteral("ACPI\\GENUINEINTEL_-_X86_FAMILY_6_MODEL_85_-_INTEL(R)_XEON(R)_W-2155_CPU_@_3.30GHZ\\_0")
                                   << QStringLiteral("Intel");
    QTest::newRow("Raspberry Pi, arm64") << QStringLiteral("proc/glpi-agent-cpuinfo/linux-raspberry-pi-3-model-b-on-bookworm") << 4
                                         << QStringLiteral("ARMv8 Processor") << QStringLiteral("ACPI\\ARMV8_PROCESSOR\\_0") << QString();
    QTest::newRow("PowerPC") << QStringLiteral("proc/glpi-agent-cpuinfo/linux-ppc-1") << 1 << QStringLiteral("604r")
                             << QStringLiteral("ACPI\\604R\\_0") << QString();
}

void TestPnpDevices::processorsFromRealCpuinfo()
{
    QFETCH(QString, cpuinfo);
    QFETCH(int, count);
    QFETCH(QString, caption);
    QFETCH(QString, firstId);
    QFETCH(QString, maker);
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    QFile in(testing::sharedData(cpuinfo));
    QVERIFY(in.open(QIODevice::ReadOnly));
    testing::FixtureTree fx;
    fx.file(QStringLiteral("proc/cpuinfo"), in.readAll());
    const std::vector<Row> entities = rows(fx.root(), "Win32_PNPEntity");
    QCOMPARE(captions(entities), QStringList(count, caption));
    QCOMPARE(entities.front()["DeviceID"], firstId);
    QCOMPARE(entities.back()["DeviceID"], firstId.chopped(1) + QString::number(count - 1));
    QCOMPARE(entities.front()["PNPClass"], QStringLiteral("Processor"));
    QCOMPARE(entities.front()["ClassGuid"], QStringLiteral("{50127dc3-0f36-415e-a6cc-4cb3be910b65}"));
    QCOMPARE(entities.front()["Manufacturer"], maker);
}

void TestPnpDevices::soundCardFromRealAsound()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    QFile in(testing::sharedData(QStringLiteral("proc/qinglin-asound-vbox/proc/asound/cards")));
    QVERIFY(in.open(QIODevice::ReadOnly));
    testing::FixtureTree fx;
    fx.file(QStringLiteral("proc/asound/cards"), in.readAll());
    pciFunction(fx, QStringLiteral("0000:00:05.0"), "0x8086", "0x2415", "0x040100", QStringLiteral("snd_intel8x0"));
    fx.file(QStringLiteral("sys/devices/pci0000:00/0000:00:05.0/sound/card0/id"), "I82801AAICH\n")
        .link(QStringLiteral("sys/devices/pci0000:00/0000:00:05.0/sound/card0/device"), QStringLiteral("../../../0000:00:05.0"))
        .link(QStringLiteral("sys/class/sound/card0"), QStringLiteral("../../devices/pci0000:00/0000:00:05.0/sound/card0"));
    const std::vector<Row> entities = rows(fx.root(), "Win32_PNPEntity");
    const Row *card = byDeviceId(entities, QStringLiteral("SOUND\\I82801AAICH\\card0"));
    QVERIFY2(card, qPrintable(captions(entities).join(QLatin1Char('|'))));
    // The card's short name from /proc/asound/cards; the driver is the PCI function's.
    QCOMPARE(card->caption, QStringLiteral("Intel 82801AA-ICH"));
    QCOMPARE((*card)["Service"], QStringLiteral("snd_intel8x0"));
    QCOMPARE((*card)["PNPClass"], QStringLiteral("MEDIA"));
}

void TestPnpDevices::firmwareDeviceStatus_data()
{
    QTest::addColumn<QByteArray>("hid");
    QTest::addColumn<QByteArray>("modalias");
    QTest::addColumn<QByteArray>("status");      // _STA, empty = none
    QTest::addColumn<QString>("physicalDriver"); // driver of the platform device standing for it
    QTest::addColumn<QString>("caption");        // empty = not listed
    QTest::addColumn<QString>("state");          // Status, ConfigManagerErrorCode, PNPClass
    QTest::newRow("generic id, no driver needed") << QByteArray("PNP0C02") << QByteArray("acpi:PNP0C02:") << QByteArray()
                                                  << QString() << QStringLiteral("Motherboard resources") << QStringLiteral("OK 0 System");
    QTest::newRow("absent") << QByteArray("PNP0C0A") << QByteArray("acpi:PNP0C0A:") << QByteArray("0") << QString()
                            << QString() << QString();
    QTest::newRow("present, not enabled") << QByteArray("PNP0501") << QByteArray("acpi:PNP0501:") << QByteArray("13")
                                          << QString() << QStringLiteral("Communications Port") << QStringLiteral("Error 22 Ports");
    QTest::newRow("unknown id, no driver") << QByteArray("ELAN0001") << QByteArray("acpi:ELAN0001:") << QByteArray("15")
                                           << QString() << QStringLiteral("ACPI device ELAN0001") << QStringLiteral("Error 28 ");
    QTest::newRow("unknown id, physical node driven") << QByteArray("INT33D5") << QByteArray("acpi:INT33D5:") << QByteArray("15")
                                                      << QStringLiteral("intel-hid") << QStringLiteral("ACPI device INT33D5")
                                                      << QStringLiteral("OK 0 System");
    QTest::newRow("known by compatible id") << QByteArray("SYN1B7F") << QByteArray("acpi:SYN1B7F:PNP0F13:") << QByteArray()
                                            << QString() << QStringLiteral("PS/2 Compatible Mouse") << QStringLiteral("OK 0 Mouse");
    QTest::newRow("processor objects come from the CPU list") << QByteArray("ACPI0007") << QByteArray("acpi:ACPI0007:")
                                                              << QByteArray() << QString() << QString() << QString();
    QTest::newRow("interrupt link") << QByteArray("PNP0C0F") << QByteArray("acpi:PNP0C0F:") << QByteArray() << QString()
                                    << QString() << QString();
}

void TestPnpDevices::firmwareDeviceStatus()
{
    QFETCH(QByteArray, hid);
    QFETCH(QByteArray, modalias);
    QFETCH(QByteArray, status);
    QFETCH(QString, physicalDriver);
    QFETCH(QString, caption);
    QFETCH(QString, state);
    testing::FixtureTree fx;
    const QString name = QString::fromLatin1(hid) + QStringLiteral(":00");
    const QString dir = acpiDevice(fx, name, hid, modalias);
    fx.file(dir + QStringLiteral("/uid"), "7\n");
    if (!status.isEmpty())
        fx.file(dir + QStringLiteral("/status"), status + '\n');
    if (!physicalDriver.isEmpty()) {
        const QString platform = QStringLiteral("sys/devices/platform/") + name;
        fx.dir(platform).link(dir + QStringLiteral("/physical_node"), QStringLiteral("../../../platform/") + name)
            .link(platform + QStringLiteral("/firmware_node"), QStringLiteral("../../LNXSYSTM:00/LNXSYBUS:00/") + name)
            .file(platform + QStringLiteral("/modalias"), "acpi:" + hid + ":\n")
            .link(QStringLiteral("sys/bus/platform/devices/") + name, QStringLiteral("../../../devices/platform/") + name);
        driverLink(fx, platform, QStringLiteral("platform"), physicalDriver);
    }
    const std::vector<Row> entities = rows(fx.root(), "Win32_PNPEntity");
    if (caption.isEmpty()) {
        QVERIFY2(entities.empty(), qPrintable(captions(entities).join(QLatin1Char('|'))));
        return;
    }
    // The platform device made for it is the same device, not a second one.
    QCOMPARE(entities.size(), size_t(1));
    const Row &row = entities.front();
    QCOMPARE(row.caption, caption);
    QCOMPARE(row["DeviceID"], QStringLiteral("ACPI\\%1\\7").arg(QString::fromLatin1(hid)));
    QCOMPARE(QStringLiteral("%1 %2 %3").arg(row["Status"], row["ConfigManagerErrorCode"], row["PNPClass"]), state);
    QCOMPARE(row["Service"], physicalDriver);
}

void TestPnpDevices::pciFiling_data()
{
    QTest::addColumn<QByteArray>("classCode");
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("className"); // the controller class it lands in, or none
    QTest::addColumn<QString>("protocol");
    QTest::addColumn<QString>("pnpClass");
    QTest::addColumn<QString>("status");
    QTest::newRow("SATA AHCI") << QByteArray("0x010601") << QStringLiteral("ahci") << QStringLiteral("Win32_IDEController")
                               << QStringLiteral("37") << QStringLiteral("HDC") << QStringLiteral("OK");
    QTest::newRow("NVMe") << QByteArray("0x010802") << QStringLiteral("nvme") << QStringLiteral("Win32_SCSIController")
                          << QStringLiteral("2") << QStringLiteral("SCSIAdapter") << QStringLiteral("OK");
    QTest::newRow("SAS") << QByteArray("0x010700") << QStringLiteral("mpt3sas") << QStringLiteral("Win32_SCSIController")
                         << QStringLiteral("2") << QStringLiteral("SCSIAdapter") << QStringLiteral("OK");
    QTest::newRow("parallel SCSI") << QByteArray("0x010000") << QStringLiteral("sym53c8xx") << QStringLiteral("Win32_SCSIController")
                                   << QStringLiteral("9") << QStringLiteral("SCSIAdapter") << QStringLiteral("OK");
    QTest::newRow("xHCI") << QByteArray("0x0c0330") << QStringLiteral("xhci_hcd") << QStringLiteral("Win32_USBController")
                          << QStringLiteral("16") << QStringLiteral("USB") << QStringLiteral("OK");
    QTest::newRow("USB4 router is no USB host") << QByteArray("0x0c0340") << QStringLiteral("thunderbolt") << QString()
                                                << QString() << QStringLiteral("USB") << QStringLiteral("OK");
    QTest::newRow("FireWire") << QByteArray("0x0c0010") << QStringLiteral("firewire_ohci") << QStringLiteral("Win32_1394Controller")
                              << QStringLiteral("12") << QStringLiteral("1394") << QStringLiteral("OK");
    QTest::newRow("CardBus") << QByteArray("0x060700") << QStringLiteral("yenta_cardbus") << QStringLiteral("Win32_PCMCIAController")
                             << QStringLiteral("15") << QStringLiteral("PCMCIA") << QStringLiteral("OK");
    QTest::newRow("floppy") << QByteArray("0x010200") << QString() << QStringLiteral("Win32_FloppyController")
                            << QStringLiteral("7") << QString() << QStringLiteral("Error");
    QTest::newRow("bridge runs without a driver") << QByteArray("0x060400") << QString() << QString() << QString()
                                                  << QStringLiteral("System") << QStringLiteral("OK");
    QTest::newRow("controller without a driver") << QByteArray("0x0c0320") << QString() << QStringLiteral("Win32_USBController")
                                                 << QStringLiteral("16") << QString() << QStringLiteral("Error");
}

void TestPnpDevices::pciFiling()
{
    QFETCH(QByteArray, classCode);
    QFETCH(QString, driver);
    QFETCH(QString, className);
    QFETCH(QString, protocol);
    QFETCH(QString, pnpClass);
    QFETCH(QString, status);
    testing::FixtureTree fx;
    // An id pair no database knows, so the caption is the id text.
    pciFunction(fx, QStringLiteral("0000:00:03.0"), "0xfffd", "0x0042", classCode.constData(), driver);
    const QString caption = QStringLiteral("PCI device fffd:0042");
    const QString id = QStringLiteral("PCI\\VEN_FFFD&DEV_0042&SUBSYS_223317AA&REV_10\\0000:00:03.0");

    const std::vector<Row> entities = rows(fx.root(), "Win32_PNPEntity");
    QCOMPARE(entities.size(), size_t(1));
    QCOMPARE(entities[0].caption, caption);
    QCOMPARE(entities[0]["DeviceID"], id);
    QCOMPARE(entities[0]["Status"], status);
    QCOMPARE(entities[0]["PNPClass"], pnpClass);
    QCOMPARE(entities[0]["ConfigManagerErrorCode"], status == QLatin1String("OK") ? QStringLiteral("0") : QStringLiteral("28"));

    for (const char *cls : {"Win32_IDEController", "Win32_SCSIController", "Win32_USBController", "Win32_1394Controller",
                            "Win32_PCMCIAController", "Win32_FloppyController"}) {
        const std::vector<Row> controllers = rows(fx.root(), cls);
        if (className != QLatin1String(cls)) {
            QVERIFY2(controllers.empty(), cls);
            continue;
        }
        QCOMPARE(controllers.size(), size_t(1));
        const Row &c = controllers[0];
        QCOMPARE(c.caption, caption);
        QCOMPARE(c["DeviceID"], id);
        QCOMPARE(c["PNPDeviceID"], id);
        QCOMPARE(c["ProtocolSupported"], protocol);
        QCOMPARE(c["Status"], status);
        QCOMPARE(c["CreationClassName"], className);
        QCOMPARE(c["Availability"], status == QLatin1String("OK") ? QStringLiteral("3") : QString());
        if (className == QLatin1String("Win32_SCSIController"))
            QCOMPARE(c["DriverName"], driver);
    }
}

void TestPnpDevices::pciIdsFromConfigSpace()
{
    // Old kernels and some captures have no revision or subsystem
    // attributes; the head of config space has them, and the modalias has
    // the subsystem.
    testing::FixtureTree fx;
    const QString dir = QStringLiteral("sys/devices/pci0000:00/0000:00:1f.2");
    QByteArray config(256, '\0');
    config[0x08] = char(0x02);                        // revision
    config[0x0e] = char(0x80);                        // header type 0, multi-function
    config[0x2c] = char(0xaa); config[0x2d] = char(0x17); // subsystem vendor 17aa
    config[0x2e] = char(0x0d); config[0x2f] = char(0x20); // subsystem device 200d
    fx.file(dir + QStringLiteral("/vendor"), "0x8086\n").file(dir + QStringLiteral("/device"), "0x27c5\n")
        .file(dir + QStringLiteral("/class"), "0x010601\n").file(dir + QStringLiteral("/config"), config);
    // A bridge keeps other things at those offsets.
    const QString bridge = QStringLiteral("sys/devices/pci0000:00/0000:00:1e.0");
    config[0x0e] = char(0x01);
    fx.file(bridge + QStringLiteral("/vendor"), "0x8086\n").file(bridge + QStringLiteral("/device"), "0x2448\n")
        .file(bridge + QStringLiteral("/class"), "0x060401\n").file(bridge + QStringLiteral("/config"), config);
    // A capture with neither attributes nor config space: the modalias.
    const QString graphics = QStringLiteral("sys/devices/pci0000:00/0000:00:02.0");
    fx.file(graphics + QStringLiteral("/vendor"), "0x8086\n").file(graphics + QStringLiteral("/device"), "0x46a6\n")
        .file(graphics + QStringLiteral("/class"), "0x030000\n").file(graphics + QStringLiteral("/revision"), "0x0c\n")
        .file(graphics + QStringLiteral("/modalias"), "pci:v00008086d000046A6sv000017AAsd000022E7bc03sc00i00\n");
    // No sys/bus/pci at all: the device tree alone shows the functions.
    const std::vector<Row> entities = rows(fx.root(), "Win32_PNPEntity");
    QCOMPARE(values(entities, "DeviceID"),
             (QStringList{"PCI\\VEN_8086&DEV_46A6&SUBSYS_22E717AA&REV_0C\\0000:00:02.0",
                          "PCI\\VEN_8086&DEV_2448&SUBSYS_00000000&REV_02\\0000:00:1e.0",
                          "PCI\\VEN_8086&DEV_27C5&SUBSYS_200D17AA&REV_02\\0000:00:1f.2"}));
    QCOMPARE(entities[2]["HardwareID"], QStringLiteral("PCI\\VEN_8086&DEV_27C5&SUBSYS_200D17AA&REV_02,PCI\\VEN_8086&DEV_27C5&SUBSYS_200D17AA,"
                                                       "PCI\\VEN_8086&DEV_27C5&CC_010601,PCI\\VEN_8086&DEV_27C5&CC_0106"));
}

void TestPnpDevices::usbHubMembership()
{
    testing::FixtureTree fx;
    const QString xhci = QStringLiteral("sys/devices/pci0000:00/0000:00:14.0");
    fx.file(xhci + QStringLiteral("/vendor"), "0x8086\n").file(xhci + QStringLiteral("/class"), "0x0c0330\n");
    usbNode(fx, QStringLiteral("usb2"), {{"idVendor", "1d6b"}, {"idProduct", "0003"}, {"bDeviceClass", "09"},
                                         {"version", " 3.10"}, {"maxchild", "4"}, {"product", "xHCI Host Controller"}}, QStringLiteral("usb"));
    usbNode(fx, QStringLiteral("usb2/2-0:1.0"), {{"bInterfaceClass", "09"}, {"bInterfaceNumber", "00"}}, QStringLiteral("hub"));
    // A printer with a vendor function: composite, both functions Windows' USB class.
    usbNode(fx, QStringLiteral("usb2/2-1"), {{"idVendor", "03f0"}, {"idProduct", "3817"}, {"bDeviceClass", "00"},
                                             {"bNumInterfaces", " 3"}, {"version", " 2.00"}, {"bConfigurationValue", "1"}}, QStringLiteral("usb"));
    usbNode(fx, QStringLiteral("usb2/2-1/2-1:1.0"), {{"bInterfaceClass", "07"}, {"bInterfaceNumber", "00"}, {"bAlternateSetting", " 0"}}, QStringLiteral("usblp"));
    usbNode(fx, QStringLiteral("usb2/2-1/2-1:1.1"), {{"bInterfaceClass", "ff"}, {"bInterfaceNumber", "01"}, {"bAlternateSetting", " 0"}}, QStringLiteral("vendorfn"));
    usbNode(fx, QStringLiteral("usb2/2-1/2-1:1.2"), {{"bInterfaceClass", "ff"}, {"bInterfaceNumber", "02"}, {"bAlternateSetting", " 1"}});
    // A Bluetooth radio names its class on the device: not composite.
    usbNode(fx, QStringLiteral("usb2/2-2"), {{"idVendor", "8087"}, {"idProduct", "0a2b"}, {"bDeviceClass", "e0"},
                                             {"bNumInterfaces", " 2"}}, QStringLiteral("usb"));
    usbNode(fx, QStringLiteral("usb2/2-2/2-2:1.0"), {{"bInterfaceClass", "e0"}}, QStringLiteral("btusb"));
    usbNode(fx, QStringLiteral("usb2/2-2/2-2:1.1"), {{"bInterfaceClass", "e0"}}, QStringLiteral("btusb"));
    // A stick the user switched off.
    usbNode(fx, QStringLiteral("usb2/2-3"), {{"idVendor", "0781"}, {"idProduct", "5581"}, {"bDeviceClass", "00"},
                                             {"bNumInterfaces", " 1"}, {"authorized", "0"}}, QStringLiteral("usb"));
    usbNode(fx, QStringLiteral("usb2/2-3/2-3:1.0"), {{"bInterfaceClass", "08"}});

    const std::vector<Row> hubs = rows(fx.root(), "Win32_USBHub");
    QCOMPARE(values(hubs, "DeviceID"), (QStringList{"USB\\ROOT_HUB30\\usb2", "USB\\VID_03F0&PID_3817\\2-1",
                                                    "USB\\VID_03F0&PID_3817&MI_00\\2-1:1.0", "USB\\VID_03F0&PID_3817&MI_01\\2-1:1.1",
                                                    "USB\\VID_0781&PID_5581\\2-3"}));
    QCOMPARE(hubs[0].caption, QStringLiteral("USB Root Hub (USB 3.0)"));
    QCOMPARE(hubs[0]["USBVersion"], QStringLiteral("784")); // 0x0310
    QCOMPARE(hubs[0]["NumberOfPorts"], QStringLiteral("4"));
    QCOMPARE(hubs[1]["CurrentAlternateSettings"], QStringLiteral("0,0,1"));
    QCOMPARE(hubs[2]["ClassCode"], QStringLiteral("7"));
    QCOMPARE(hubs[4]["Status"], QStringLiteral("Error"));
    QCOMPARE(hubs[4]["ConfigManagerErrorCode"], QStringLiteral("22"));

    const std::vector<Row> entities = rows(fx.root(), "Win32_PNPEntity");
    const Row *printer = byDeviceId(entities, QStringLiteral("USB\\VID_03F0&PID_3817\\2-1"));
    QCOMPARE((*printer)["PNPClass"], QStringLiteral("USB"));
    QVERIFY((*printer)["CompatibleID"].endsWith(QLatin1String("USB\\COMPOSITE")));
    QCOMPARE((*byDeviceId(entities, QStringLiteral("USB\\VID_8087&PID_0A2B\\2-2")))["PNPClass"], QStringLiteral("Bluetooth"));
    // The undriven vendor function is an unknown device.
    QCOMPARE((*byDeviceId(entities, QStringLiteral("USB\\VID_03F0&PID_3817&MI_02\\2-1:1.2")))["ConfigManagerErrorCode"], QStringLiteral("28"));
    QVERIFY(!byIdSuffix(entities, QStringLiteral("\\2-0:1.0")));
    // The root hub's ports are the host controller's.
    QCOMPARE(rows(fx.root(), "Win32_USBController").at(0)["MaxNumberControlled"], QStringLiteral("4"));
}

void TestPnpDevices::controllersOffThePciBus()
{
    testing::FixtureTree fx;
    // Hyper-V storage: a SCSI host on the VMBus, no PCI function behind it.
    const QString storvsc = QStringLiteral("sys/devices/LNXSYSTM:00/LNXSYBUS:00/ACPI0004:00/VMBUS:00/f8b3781a-1e82/host0");
    fx.file(storvsc + QStringLiteral("/scsi_host/host0/proc_name"), "storvsc\n")
        .link(QStringLiteral("sys/class/scsi_host/host0"), QStringLiteral("../../devices/LNXSYSTM:00/LNXSYBUS:00/ACPI0004:00/VMBUS:00/f8b3781a-1e82/host0/scsi_host/host0"));
    // USB storage also makes a SCSI host: that one belongs to the USB device.
    const QString usbHost = QStringLiteral("sys/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/host6");
    fx.file(usbHost + QStringLiteral("/scsi_host/host6/proc_name"), "usb-storage\n")
        .file(QStringLiteral("sys/devices/pci0000:00/0000:00:14.0/usb1/1-1/idVendor"), "0781\n")
        .link(QStringLiteral("sys/class/scsi_host/host6"), QStringLiteral("../../devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/host6/scsi_host/host6"));
    // An SoC's xHCI on the platform bus, with its two root hubs.
    const QString dwc = QStringLiteral("sys/devices/platform/soc/fe9b0000.usb/xhci-hcd.0.auto");
    driverLink(fx, dwc, QStringLiteral("platform"), QStringLiteral("xhci-hcd"));
    for (const char *hub : {"usb1", "usb2"}) {
        fx.file(dwc + QLatin1Char('/') + QLatin1String(hub) + QStringLiteral("/product"), "xHCI Host Controller\n")
            .file(dwc + QLatin1Char('/') + QLatin1String(hub) + QStringLiteral("/idVendor"), "1d6b\n")
            .link(QStringLiteral("sys/bus/usb/devices/") + QLatin1String(hub),
                  QStringLiteral("../../../devices/platform/soc/fe9b0000.usb/xhci-hcd.0.auto/") + QLatin1String(hub));
    }
    // A floppy controller only the firmware describes.
    acpiDevice(fx, QStringLiteral("PNP0700:00"), "PNP0700", "acpi:PNP0700:");

    const std::vector<Row> scsi = rows(fx.root(), "Win32_SCSIController");
    QCOMPARE(captions(scsi), QStringList{QStringLiteral("SCSI host adapter (storvsc)")});
    QCOMPARE(scsi[0]["DriverName"], QStringLiteral("storvsc"));
    QCOMPARE(scsi[0]["DeviceID"], QStringLiteral("SCSI_HOST\\STORVSC\\host0"));
    const std::vector<Row> usb = rows(fx.root(), "Win32_USBController");
    QCOMPARE(captions(usb), QStringList{QStringLiteral("xHCI Host Controller")});
    QCOMPARE(usb[0]["DeviceID"], QStringLiteral("PLATFORM\\USB_HOST\\xhci-hcd.0.auto"));
    QCOMPARE(usb[0]["Status"], QStringLiteral("OK"));
    // A root given relative to the working directory reads the same.
    const QString working = QDir::currentPath();
    QVERIFY(QDir::setCurrent(fx.root() + QStringLiteral("/..")));
    const std::vector<Row> relative = rows(QFileInfo(fx.root()).fileName(), "Win32_USBController");
    QVERIFY(QDir::setCurrent(working));
    QCOMPARE(captions(relative), captions(usb));
    const std::vector<Row> floppy = rows(fx.root(), "Win32_FloppyController");
    QCOMPARE(captions(floppy), QStringList{QStringLiteral("Standard floppy disk controller")});
    QCOMPARE(floppy[0]["DeviceID"], QStringLiteral("ACPI\\PNP0700\\00"));
    QCOMPARE(floppy[0]["Manufacturer"], QStringLiteral("(Standard floppy disk controllers)"));
    QCOMPARE(floppy[0]["ProtocolSupported"], QStringLiteral("7"));
}

void TestPnpDevices::busNumbering()
{
    testing::FixtureTree fx;
    for (const char *bus : {"0000:00", "0000:3a", "0001:00"})
        fx.dir(QStringLiteral("sys/class/pci_bus/") + QLatin1String(bus));
    fx.dir(QStringLiteral("sys/bus/isa/devices/it87.656"));
    const std::vector<Row> buses = rows(fx.root(), "Win32_Bus");
    QCOMPARE(values(buses, "DeviceID"), (QStringList{"PCI_BUS_0", "PCI_BUS_58", "PCI_BUS_1_0", "Isa_BUS_0"}));
    QCOMPARE(values(buses, "BusNum"), (QStringList{"0", "58", "0", "0"}));
    QCOMPARE(values(buses, "BusType"), (QStringList{"5", "5", "5", "1"}));

    // Without the pci_bus class, the functions' addresses show the buses.
    testing::FixtureTree capture;
    pciFunction(capture, QStringLiteral("0000:00:1c.0"), "0x8086", "0x1c10", "0x060400");
    pciFunction(capture, QStringLiteral("0000:02:00.0"), "0x10ec", "0x8168", "0x020000", QString(),
                QStringLiteral("sys/devices/pci0000:00/0000:00:1c.0"));
    QCOMPARE(values(rows(capture.root(), "Win32_Bus"), "DeviceID"), (QStringList{"PCI_BUS_0", "PCI_BUS_2"}));
}

QTEST_GUILESS_MAIN(TestPnpDevices)
#include "tst_pnpdevices.moc"
