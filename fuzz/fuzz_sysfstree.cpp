// Arbitrary bytes as the attribute files of a small machine tree (the input
// split at NUL bytes, one piece per file), then every class the PCI, USB,
// firmware and bus readers fill, enumerated with all properties.
#include "inventory/linux/LinuxSource.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

const char *const Attributes[] = {
    "sys/devices/pci0000:00/0000:00:01.0/vendor",
    "sys/devices/pci0000:00/0000:00:01.0/device",
    "sys/devices/pci0000:00/0000:00:01.0/class",
    "sys/devices/pci0000:00/0000:00:01.0/config",
    "sys/devices/pci0000:00/0000:00:01.0/revision",
    "sys/devices/pci0000:00/0000:00:01.0/usb1/idVendor",
    "sys/devices/pci0000:00/0000:00:01.0/usb1/bDeviceClass",
    "sys/devices/pci0000:00/0000:00:01.0/usb1/bNumInterfaces",
    "sys/devices/pci0000:00/0000:00:01.0/usb1/version",
    "sys/devices/pci0000:00/0000:00:01.0/usb1/product",
    "sys/devices/pci0000:00/0000:00:01.0/usb1/1-1/version",
    "sys/devices/pci0000:00/0000:00:01.0/usb1/1-1/1-1:1.0/bInterfaceClass",
    "sys/devices/pci0000:00/0000:00:01.0/usb1/1-1/1-1:1.0/interface",
    "sys/devices/LNXSYSTM:00/PNP0C0A:00/modalias",
    "sys/devices/LNXSYSTM:00/PNP0C0A:00/status",
    "sys/devices/LNXSYSTM:00/PNP0C0A:00/uid",
    "sys/devices/LNXSYSTM:00/LNXTHERM:00/path",
    "sys/devices/platform/i8042/serio0/modalias",
    "sys/devices/platform/p0/modalias",
    "sys/devices/hid/0003:046D:C52B.0001/uevent",
    "sys/devices/hda/hdaudioC0D0/modalias",
    "sys/devices/hda/hdaudioC0D0/revision_id",
    "sys/devices/virtio/virtio0/device",
    "sys/devices/scsi/0:0:0:0/type",
    "proc/asound/cards",
    "proc/cpuinfo",
};

const char *const Links[][2] = {
    {"sys/bus/pci/devices/0000:00:01.0", "../../../devices/pci0000:00/0000:00:01.0"},
    {"sys/bus/usb/devices/usb1", "../../../devices/pci0000:00/0000:00:01.0/usb1"},
    {"sys/bus/usb/devices/1-1", "../../../devices/pci0000:00/0000:00:01.0/usb1/1-1"},
    {"sys/bus/usb/devices/1-1:1.0", "../../../devices/pci0000:00/0000:00:01.0/usb1/1-1/1-1:1.0"},
    {"sys/bus/acpi/devices/PNP0C0A:00", "../../../devices/LNXSYSTM:00/PNP0C0A:00"},
    {"sys/bus/acpi/devices/LNXTHERM:00", "../../../devices/LNXSYSTM:00/LNXTHERM:00"},
    {"sys/bus/serio/devices/serio0", "../../../devices/platform/i8042/serio0"},
    {"sys/bus/platform/devices/p0", "../../../devices/platform/p0"},
    {"sys/bus/hid/devices/0003:046D:C52B.0001", "../../../devices/hid/0003:046D:C52B.0001"},
    {"sys/bus/hdaudio/devices/hdaudioC0D0", "../../../devices/hda/hdaudioC0D0"},
    {"sys/bus/virtio/devices/virtio0", "../../../devices/virtio/virtio0"},
    {"sys/bus/scsi/devices/0:0:0:0", "../../../devices/scsi/0:0:0:0"},
    {"sys/class/sound/card0", "../../devices/pci0000:00/0000:00:01.0/sound/card0"},
};

const char *const Classes[] = {
    "Win32_PNPEntity", "Win32_Bus", "Win32_USBController", "Win32_USBHub", "Win32_IDEController",
    "Win32_SCSIController", "Win32_1394Controller", "Win32_PCMCIAController", "Win32_FloppyController",
};

const QTemporaryDir &tree()
{
    static const QTemporaryDir dir;
    static const bool built = [] {
        for (const auto &link : Links) {
            const QString path = dir.filePath(QLatin1String(link[0]));
            QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
            QFile::link(QLatin1String(link[1]), path);
        }
        QDir().mkpath(dir.filePath(QStringLiteral("sys/devices/pci0000:00/0000:00:01.0/sound/card0")));
        return true;
    }();
    Q_UNUSED(built);
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QTemporaryDir &dir = tree();
    const QList<QByteArray> pieces = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    qsizetype i = 0;
    for (const char *attribute : Attributes) {
        const QString path = dir.filePath(QLatin1String(attribute));
        QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(i < pieces.size() ? pieces[i] : QByteArray());
        ++i;
    }
    inventory::linuxsource::LinuxSource source(dir.path());
    for (const char *className : Classes) {
        inventory::InstanceEnumeration instances = source.instancesOf(QLatin1String(className));
        while (std::optional<inventory::Instance> instance = instances.next()) {
            instance->caption();
            instance->properties();
        }
    }
    return 0;
}
