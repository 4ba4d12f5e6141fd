#include "SyntheticMachine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace bench {

namespace {

class Writer
{
public:
    explicit Writer(QString root) : m_root(std::move(root)) {}

    void file(const QString &relative, const QByteArray &content) const
    {
        const QString path = m_root + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile out(path);
        if (out.open(QIODevice::WriteOnly))
            out.write(content);
    }
    void link(const QString &relative, const QString &target) const
    {
        const QString path = m_root + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).path());
        [[maybe_unused]] const int rc = ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData());
    }
    void dir(const QString &relative) const { QDir().mkpath(m_root + QLatin1Char('/') + relative); }

private:
    QString m_root;
};

QByteArray hex4(int value)
{
    return QByteArray::number(value, 16).rightJustified(4, '0');
}

// Real vendor and device ids, so names come from the ID database as they
// would on a real machine.
struct PciKind
{
    int vendor, device, classCode;
    const char *driver;
};
const PciKind PciKinds[] = {
    {0x8086, 0x10d3, 0x020000, "e1000e"}, {0x8086, 0xa2af, 0x0c0330, "xhci_hcd"},
    {0x10de, 0x1b80, 0x030000, ""},       {0x8086, 0xa282, 0x010601, "ahci"},
    {0x144d, 0xa808, 0x010802, "nvme"},   {0x8086, 0xa2f0, 0x040300, "snd_hda_intel"},
};

struct UsbKind
{
    int vendor, product, interfaceClass;
    const char *maker, *name, *driver;
};
const UsbKind UsbKinds[] = {
    {0x046d, 0xc52b, 3, "Logitech", "USB Receiver", "usbhid"},
    {0x0781, 0x5567, 8, "SanDisk", "Cruzer Blade", "usb-storage"},
    {0x8087, 0x0aaa, 0xe0, "Intel", "Bluetooth", "btusb"},
};

QString pciAddress(int index)
{
    // Spread over buses 1.. so no address repeats: 32 devices x 8 functions a bus.
    const int bus = 1 + index / 256;
    const int device = (index / 8) % 32;
    const int function = index % 8;
    return QStringLiteral("0000:%1:%2.%3")
        .arg(bus, 2, 16, QLatin1Char('0'))
        .arg(device, 2, 16, QLatin1Char('0'))
        .arg(function);
}

} // namespace

void writeSyntheticMachine(const QString &root, int pciFunctions, int usbDevices)
{
    const Writer w(root);
    w.file(QStringLiteral("proc/sys/kernel/hostname"), "synthetic\n");
    w.file(QStringLiteral("proc/meminfo"), "MemTotal:       8000000 kB\n");
    w.file(QStringLiteral("proc/cpuinfo"),
           "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 158\n"
           "model name\t: Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz\nstepping\t: 10\nphysical id\t: 0\ncore id\t\t: 0\n"
           "flags\t\t: fpu lm\n\nprocessor\t: 1\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 158\n"
           "model name\t: Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz\nstepping\t: 10\nphysical id\t: 0\ncore id\t\t: 1\n"
           "flags\t\t: fpu lm\n\n");
    w.dir(QStringLiteral("sys/bus/pci/devices"));
    w.dir(QStringLiteral("sys/bus/usb/devices"));

    for (int i = 0; i < pciFunctions; ++i) {
        const PciKind &kind = PciKinds[i % std::size(PciKinds)];
        const QString address = pciAddress(i);
        const QString dev = QStringLiteral("sys/devices/pci0000:00/") + address + QLatin1Char('/');
        // Each function its own device id, as on a real machine, where few
        // devices share a name (devices sharing a caption each list all of
        // them, which would make the report grow with the square of their number).
        const QByteArray vendor = hex4(kind.vendor), device = hex4((kind.device + i / int(std::size(PciKinds))) & 0xffff);
        const QByteArray cls = QByteArray::number(kind.classCode, 16).rightJustified(6, '0');
        w.file(dev + QStringLiteral("vendor"), "0x" + vendor + "\n");
        w.file(dev + QStringLiteral("device"), "0x" + device + "\n");
        w.file(dev + QStringLiteral("subsystem_vendor"), "0x" + vendor + "\n");
        w.file(dev + QStringLiteral("subsystem_device"), "0x0001\n");
        w.file(dev + QStringLiteral("class"), "0x" + cls + "\n");
        w.file(dev + QStringLiteral("revision"), "0x01\n");
        const QByteArray modalias = "pci:v0000" + vendor.toUpper() + "d0000" + device.toUpper() + "sv0000"
            + vendor.toUpper() + "sd00000001bc" + cls.left(2).toUpper() + "sc" + cls.mid(2, 2).toUpper() + "i"
            + cls.right(2).toUpper();
        w.file(dev + QStringLiteral("modalias"), modalias + "\n");
        QByteArray uevent;
        if (*kind.driver)
            uevent += "DRIVER=" + QByteArray(kind.driver) + "\n";
        uevent += "PCI_CLASS=" + cls.toUpper() + "\nPCI_ID=" + vendor.toUpper() + ":" + device.toUpper()
            + "\nPCI_SLOT_NAME=" + address.toLatin1() + "\nMODALIAS=" + modalias + "\n";
        w.file(dev + QStringLiteral("uevent"), uevent);
        w.link(dev + QStringLiteral("subsystem"), QStringLiteral("../../../bus/pci"));
        if (*kind.driver) {
            w.dir(QStringLiteral("sys/bus/pci/drivers/") + QLatin1String(kind.driver));
            w.link(dev + QStringLiteral("driver"), QStringLiteral("../../../bus/pci/drivers/") + QLatin1String(kind.driver));
        }
        w.link(QStringLiteral("sys/bus/pci/devices/") + address, QStringLiteral("../../../devices/pci0000:00/") + address);
    }

    // USB devices on one root hub of one host controller, each with one interface.
    const QString hub = QStringLiteral("sys/devices/pci0000:00/0000:00:14.0/usb1/");
    if (usbDevices > 0) {
        w.file(hub + QStringLiteral("idVendor"), "1d6b\n");
        w.file(hub + QStringLiteral("idProduct"), "0002\n");
        w.file(hub + QStringLiteral("bDeviceClass"), "09\n");
        w.file(hub + QStringLiteral("product"), "xHCI Host Controller\n");
        w.link(hub + QStringLiteral("subsystem"), QStringLiteral("../../../../bus/usb"));
        w.link(QStringLiteral("sys/bus/usb/devices/usb1"), QStringLiteral("../../../devices/pci0000:00/0000:00:14.0/usb1"));
    }
    for (int i = 0; i < usbDevices; ++i) {
        const UsbKind &kind = UsbKinds[i % std::size(UsbKinds)];
        const QString name = QStringLiteral("1-%1").arg(i + 1);
        const QString dev = hub + name + QLatin1Char('/');
        w.file(dev + QStringLiteral("idVendor"), hex4(kind.vendor) + "\n");
        const int product = (kind.product + i / int(std::size(UsbKinds))) & 0xffff;
        w.file(dev + QStringLiteral("idProduct"), hex4(product) + "\n");
        w.file(dev + QStringLiteral("bcdDevice"), "0100\n");
        w.file(dev + QStringLiteral("manufacturer"), QByteArray(kind.maker) + "\n");
        w.file(dev + QStringLiteral("product"), QByteArray(kind.name) + " " + QByteArray::number(i) + "\n");
        w.file(dev + QStringLiteral("serial"), "SN" + QByteArray::number(i) + "\n");
        w.file(dev + QStringLiteral("bDeviceClass"), "00\n");
        w.file(dev + QStringLiteral("speed"), "480\n");
        w.file(dev + QStringLiteral("busnum"), "1\n");
        w.file(dev + QStringLiteral("devnum"), QByteArray::number(i + 2) + "\n");
        w.file(dev + QStringLiteral("uevent"), "DEVTYPE=usb_device\nDRIVER=usb\nPRODUCT=" + QByteArray::number(kind.vendor, 16)
                                                   + "/" + QByteArray::number(product, 16) + "/100\n");
        w.link(dev + QStringLiteral("subsystem"), QStringLiteral("../../../../../bus/usb"));
        w.link(QStringLiteral("sys/bus/usb/devices/") + name,
               QStringLiteral("../../../devices/pci0000:00/0000:00:14.0/usb1/") + name);

        const QString iface = dev + name + QStringLiteral(":1.0/");
        w.file(iface + QStringLiteral("bInterfaceNumber"), "00\n");
        w.file(iface + QStringLiteral("bInterfaceClass"), QByteArray::number(kind.interfaceClass, 16).rightJustified(2, '0') + "\n");
        w.file(iface + QStringLiteral("uevent"), "DEVTYPE=usb_interface\nDRIVER=" + QByteArray(kind.driver) + "\n");
        w.link(iface + QStringLiteral("subsystem"), QStringLiteral("../../../../../../bus/usb"));
        w.dir(QStringLiteral("sys/bus/usb/drivers/") + QLatin1String(kind.driver));
        w.link(iface + QStringLiteral("driver"), QStringLiteral("../../../../../../bus/usb/drivers/") + QLatin1String(kind.driver));
        w.link(QStringLiteral("sys/bus/usb/devices/") + name + QStringLiteral(":1.0"),
               QStringLiteral("../../../devices/pci0000:00/0000:00:14.0/usb1/") + name + QLatin1Char('/') + name + QStringLiteral(":1.0"));
    }
}

} // namespace bench
