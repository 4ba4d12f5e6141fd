// Win32_IDEController, Win32_SCSIController, Win32_USBController,
// Win32_1394Controller, Win32_PCMCIAController and Win32_FloppyController:
// PCI functions filed by their class code the way Windows files their
// drivers, plus the controllers that sit on no PCI bus.
#include "inventory/linux/devices/AcpiDevices.h"
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/devices/PciDevices.h"
#include "inventory/linux/reading/PropertyBag.h"

#include <QRegularExpression>
#include <QSet>

namespace inventory::linuxsource {

namespace {

// ProtocolSupported codes.
enum Protocol : qint64 {
    ProtocolUnknown = 2,
    ProtocolFlexibleDiskette = 7,
    ProtocolScsiParallel = 9,
    ProtocolFibreChannel = 10,
    Protocol1394 = 12,
    ProtocolPcmcia = 15,
    ProtocolUsb = 16,
    ProtocolIde = 37,
};

enum class Kind { Ide, Scsi, Usb, FireWire, Pcmcia, Floppy };

struct ControllerClass
{
    Kind kind;
    QString className;
};

const ControllerClass IdeClass{Kind::Ide, QStringLiteral("Win32_IDEController")};
const ControllerClass ScsiClass{Kind::Scsi, QStringLiteral("Win32_SCSIController")};
const ControllerClass UsbClass{Kind::Usb, QStringLiteral("Win32_USBController")};
const ControllerClass FireWireClass{Kind::FireWire, QStringLiteral("Win32_1394Controller")};
const ControllerClass PcmciaClass{Kind::Pcmcia, QStringLiteral("Win32_PCMCIAController")};
const ControllerClass FloppyClass{Kind::Floppy, QStringLiteral("Win32_FloppyController")};

// Windows runs SATA AHCI under its IDE/ATA port driver and every other
// storage controller (SAS, RAID, NVMe, virtual) as a SCSI miniport.
std::optional<Kind> pciKind(quint32 classCode)
{
    const quint8 progIf = quint8(classCode);
    switch (quint16(classCode >> 8)) {
    case 0x0101:
    case 0x0105:
    case 0x0106:
        return Kind::Ide;
    case 0x0102:
        return Kind::Floppy;
    case 0x0c00:
        return Kind::FireWire;
    case 0x0c03:
        // UHCI, OHCI, EHCI, xHCI and unspecified hosts; not USB4 routers
        // (0x40) or device-side controllers (0xfe).
        if (progIf == 0x00 || progIf == 0x10 || progIf == 0x20 || progIf == 0x30 || progIf == 0x80)
            return Kind::Usb;
        return std::nullopt;
    case 0x0c04:
        return Kind::Scsi;
    case 0x0605:
    case 0x0607:
        return Kind::Pcmcia;
    default:
        if ((classCode >> 16) == 0x01)
            return Kind::Scsi;
        return std::nullopt;
    }
}

qint64 protocolFor(const PciFunction &f, Kind kind)
{
    switch (kind) {
    case Kind::Ide: return ProtocolIde;
    case Kind::Usb: return ProtocolUsb;
    case Kind::FireWire: return Protocol1394;
    case Kind::Pcmcia: return ProtocolPcmcia;
    case Kind::Floppy: return ProtocolFlexibleDiskette;
    case Kind::Scsi:
        if (f.classWord() == 0x0100)
            return ProtocolScsiParallel;
        return f.classWord() == 0x0c04 ? ProtocolFibreChannel : ProtocolUnknown;
    }
    return ProtocolUnknown;
}

// What a controller has to offer, gathered when its properties are asked for.
struct ControllerFacts
{
    QString deviceId;
    std::optional<QString> manufacturer;
    QString driver;
    DriverState state = DriverState::Working;
    std::optional<qint64> availability;
    std::optional<qint64> maxControlled;
    qint64 protocol = ProtocolUnknown;
};

// Ports a controller drives: libata ports for ATA, root hub ports for USB.
std::optional<qint64> portCount(const PciFunction &f, Kind kind)
{
    static const QRegularExpression ataPort(QStringLiteral("^ata[0-9]+$"));
    static const QRegularExpression rootHub(QStringLiteral("^usb[0-9]+$"));
    qint64 ports = 0;
    const MachineRoot &root = f.device.root();
    for (const QString &entry : root.list(f.device.path())) {
        if (kind == Kind::Ide && ataPort.match(entry).hasMatch())
            ++ports;
        else if (kind == Kind::Usb && rootHub.match(entry).hasMatch())
            ports += root.readInteger(f.device.path() + QLatin1Char('/') + entry + QStringLiteral("/maxchild")).value_or(0);
    }
    if (ports == 0)
        return std::nullopt;
    return ports;
}

ControllerFacts pciFacts(const PciFunction &f, Kind kind)
{
    ControllerFacts facts;
    facts.deviceId = pciDeviceId(f);
    facts.manufacturer = pciVendorName(f);
    facts.driver = f.device.driver();
    facts.state = pciDriverState(f);
    facts.availability = availability(f.device, facts.state);
    facts.maxControlled = portCount(f, kind);
    facts.protocol = protocolFor(f, kind);
    return facts;
}

Properties controllerProperties(const MachineRoot &root, const ControllerClass &cls, const QString &caption,
                                const ControllerFacts &facts)
{
    PropertyBag bag;
    bag.logicalDevice(cls.className, systemName(root));
    addDeviceNames(bag, caption, facts.deviceId);
    bag.text(QStringLiteral("Manufacturer"), facts.manufacturer)
        .integer(QStringLiteral("ProtocolSupported"), facts.protocol)
        .integer(QStringLiteral("MaxNumberControlled"), facts.maxControlled)
        .integer(QStringLiteral("Availability"), facts.availability);
    addDriverStatus(bag, facts.state);
    if (cls.kind == Kind::Scsi)
        bag.text(QStringLiteral("DriverName"), facts.driver);
    if (const std::optional<QDateTime> boot = bootTime(root))
        bag.set(QStringLiteral("TimeOfLastReset"), Value::dateTime(*boot));
    return bag.take();
}

std::vector<Instance> pciControllers(const MachineRoot &root, const ControllerClass &cls)
{
    std::vector<Instance> instances;
    const auto wanted = [&](quint32 classCode) { return pciKind(classCode) == cls.kind; };
    for (const PciFunction &f : pciFunctions(root, wanted)) {
        const QString caption = pciName(f);
        instances.emplace_back(Value::text(caption), [root, cls, caption, f] {
            return controllerProperties(root, cls, caption, pciFacts(f, cls.kind));
        });
    }
    return instances;
}

// SCSI hosts of drivers that sit on no PCI or USB device: Hyper-V and Xen
// storage, iSCSI initiators, SCSI emulation.
std::vector<Instance> virtualScsiHosts(const MachineRoot &root)
{
    std::vector<Instance> instances;
    static const QRegularExpression ataPort(QStringLiteral("/ata[0-9]+/"));
    for (const QString &name : root.list(QStringLiteral("sys/class/scsi_host"))) {
        const SysfsDevice host = linkedDevice(root, QStringLiteral("sys/class/scsi_host/") + name);
        if (!host.isValid() || ataPort.match(host.path()).hasMatch())
            continue;
        const SysfsDevice hardware = host.parent();
        if (hardware.ancestorOnBus(QStringLiteral("pci")).isValid() || hardware.ancestorOnBus(QStringLiteral("usb")).isValid())
            continue;
        const QString driver = host.trimmed(QStringLiteral("proc_name")).value_or(QString());
        const QString caption = driver.isEmpty() ? QStringLiteral("SCSI host adapter")
                                                 : QStringLiteral("SCSI host adapter (%1)").arg(driver);
        instances.emplace_back(Value::text(caption), [root, caption, driver, name] {
            ControllerFacts facts;
            facts.deviceId = QStringLiteral("SCSI_HOST\\%1\\%2").arg(driver.toUpper(), name);
            facts.driver = driver;
            return controllerProperties(root, ScsiClass, caption, facts);
        });
    }
    return instances;
}

// USB host controllers on SoC buses, found through their root hubs.
std::vector<Instance> platformUsbHosts(const MachineRoot &root)
{
    std::vector<Instance> instances;
    QSet<QString> seen;
    const auto rootHub = [](const QString &name) { return name.startsWith(QLatin1String("usb")); };
    for (const SysfsDevice &hub : busDevices(root, QStringLiteral("usb"), rootHub)) {
        const SysfsDevice controller = hub.parent();
        if (!controller.isValid() || seen.contains(controller.path()) || isPciAddress(controller.name())
            || controller.subsystem() == QLatin1String("pci"))
            continue;
        seen.insert(controller.path());
        // The root hub's product string is the host driver's description ("xHCI Host Controller").
        const QString caption = hub.trimmed(QStringLiteral("product")).value_or(QStringLiteral("USB host controller"));
        instances.emplace_back(Value::text(caption), [root, caption, controller] {
            ControllerFacts facts;
            facts.deviceId = QStringLiteral("PLATFORM\\USB_HOST\\") + controller.name();
            facts.driver = controller.driver();
            facts.state = driverState(true, facts.driver);
            facts.availability = availability(controller, facts.state);
            facts.protocol = ProtocolUsb;
            return controllerProperties(root, UsbClass, caption, facts);
        });
    }
    return instances;
}

std::vector<Instance> firmwareFloppyControllers(const MachineRoot &root)
{
    std::vector<Instance> instances;
    std::vector<PnpDevice> found = firmwareDevicesWithId(root, QStringLiteral("PNP0700"));
    // Without a firmware entry the floppy driver still registers the
    // controller it found.
    if (found.empty() && root.exists(QStringLiteral("sys/bus/platform/devices/floppy.0"))) {
        const SysfsDevice floppy = linkedDevice(root, QStringLiteral("sys/bus/platform/devices/floppy.0"));
        found.push_back({QStringLiteral("Standard floppy disk controller"), [floppy] {
                             PnpDetails details;
                             details.deviceId = QStringLiteral("PLATFORM\\FLOPPY\\floppy.0");
                             details.service = floppy.driver();
                             return details;
                         }});
    }
    for (const PnpDevice &device : found) {
        instances.emplace_back(Value::text(device.caption), [root, device] {
            const PnpDetails details = device.details();
            ControllerFacts facts;
            facts.deviceId = details.deviceId;
            facts.manufacturer = QStringLiteral("(Standard floppy disk controllers)");
            facts.driver = details.service;
            facts.state = details.state;
            facts.protocol = ProtocolFlexibleDiskette;
            return controllerProperties(root, FloppyClass, device.caption, facts);
        });
    }
    return instances;
}

ClassTable::Provider pciProvider(const ControllerClass &cls)
{
    return [cls](const MachineRoot &root) { return pciControllers(root, cls); };
}

} // namespace

void registerControllers(ClassTable &table)
{
    table.provide(IdeClass.className, pciProvider(IdeClass));
    table.provide(ScsiClass.className, pciProvider(ScsiClass));
    table.provide(ScsiClass.className, virtualScsiHosts);
    table.provide(UsbClass.className, pciProvider(UsbClass));
    table.provide(UsbClass.className, platformUsbHosts);
    table.provide(FireWireClass.className, pciProvider(FireWireClass));
    table.provide(PcmciaClass.className, pciProvider(PcmciaClass));
    table.provide(FloppyClass.className, pciProvider(FloppyClass));
    table.provide(FloppyClass.className, firmwareFloppyControllers);
}

} // namespace inventory::linuxsource
