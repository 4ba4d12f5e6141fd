#include "inventory/linux/display/GraphicsAdapter.h"

#include "inventory/linux/reading/IdDatabase.h"

#include <QRegularExpression>

#include <algorithm>

namespace inventory::linuxsource {

namespace {

constexpr quint32 DisplayBaseClass = 0x03;

QString pciAddressOf(const SysfsDevice &device)
{
    static const QRegularExpression address(QStringLiteral("^[0-9a-f]{4,}:[0-9a-f]{2}:[0-9a-f]{2}\\.[0-7]$"));
    if (address.match(device.name()).hasMatch())
        return device.name();
    // Captured trees sometimes keep a device as a plain "device" folder.
    return device.uevent().value(QStringLiteral("PCI_SLOT_NAME"));
}

std::optional<quint32> displayClass(const SysfsDevice &device)
{
    const std::optional<quint64> code = device.hexAttribute(QStringLiteral("class"));
    if (!code || (*code >> 16) != DisplayBaseClass)
        return std::nullopt;
    return quint32(*code);
}

QString hex4(quint64 value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

} // namespace

std::vector<GraphicsAdapter> graphicsAdapters(const MachineRoot &root)
{
    std::vector<GraphicsAdapter> adapters;
    const QString bus = QStringLiteral("sys/bus/pci/devices/");
    for (const QString &name : root.list(bus)) {
        // The class read through the link picks the few display functions;
        // only those are worth resolving, which costs a look at every folder
        // on the way.
        const std::optional<quint64> linkedClass = root.readUnsigned(bus + name + QStringLiteral("/class"), 16);
        if (!linkedClass || (*linkedClass >> 16) != DisplayBaseClass)
            continue;
        const SysfsDevice device = SysfsDevice::fromLink(root, bus + name);
        if (const std::optional<quint32> code = displayClass(device))
            adapters.push_back({device, name, *code, std::nullopt});
    }
    std::vector<GraphicsAdapter> others;
    for (const DrmCard &card : drmCards(root)) {
        // virtio-gpu's card hangs below a virtio device below the PCI function.
        const SysfsDevice pci = card.device.ancestorOnBus(QStringLiteral("pci"));
        const SysfsDevice owner = pci.isValid() ? pci : card.device;
        const QString address = pciAddressOf(owner);
        const auto known = std::find_if(adapters.begin(), adapters.end(), [&](const GraphicsAdapter &a) {
            return !address.isEmpty() && a.pciAddress == address;
        });
        if (known != adapters.end()) {
            if (!known->card)
                known->card = card;
        } else if (!address.isEmpty()) {
            // A display function the bus listing of a capture left out.
            if (const std::optional<quint32> code = displayClass(owner))
                adapters.push_back({owner, address, *code, card});
        } else if (card.device.isValid() && !drmConnectors(root, card).empty()) {
            others.push_back({card.device, QString(), 0, card});
        }
    }
    std::sort(adapters.begin(), adapters.end(), [](const GraphicsAdapter &a, const GraphicsAdapter &b) {
        return naturalLess(a.pciAddress, b.pciAddress);
    });
    adapters.insert(adapters.end(), others.begin(), others.end());
    return adapters;
}

QString adapterName(const GraphicsAdapter &adapter)
{
    const SysfsDevice &device = adapter.device;
    // amdgpu reads the board's name from its FRU memory where it has one.
    if (const std::optional<QString> board = device.trimmed(QStringLiteral("product_name")))
        return *board;
    if (std::optional<QString> chip = adapterChip(adapter))
        return *chip;
    const std::optional<quint64> vendor = device.hexAttribute(QStringLiteral("vendor"));
    const std::optional<quint64> model = device.hexAttribute(QStringLiteral("device"));
    if (vendor && model)
        return QStringLiteral("PCI device %1:%2").arg(hex4(*vendor), hex4(*model));
    const QHash<QString, QString> uevent = device.uevent();
    QString what = uevent.value(QStringLiteral("OF_COMPATIBLE_0"));
    if (what.isEmpty())
        what = adapterDriver(adapter);
    if (what.isEmpty())
        what = device.name();
    return QStringLiteral("Display controller (%1)").arg(what);
}

std::optional<QString> adapterChip(const GraphicsAdapter &adapter)
{
    const std::optional<quint64> vendor = adapter.device.hexAttribute(QStringLiteral("vendor"));
    const std::optional<quint64> model = adapter.device.hexAttribute(QStringLiteral("device"));
    if (!vendor || !model)
        return std::nullopt;
    return IdDatabase::instance().pciDevice(quint16(*vendor), quint16(*model));
}

std::optional<QString> adapterVendor(const GraphicsAdapter &adapter)
{
    if (const std::optional<quint64> vendor = adapter.device.hexAttribute(QStringLiteral("vendor")))
        return IdDatabase::instance().pciVendor(quint16(*vendor));
    return std::nullopt;
}

QString adapterDriver(const GraphicsAdapter &adapter)
{
    const QString linked = adapter.device.driver();
    return linked.isEmpty() ? adapter.device.uevent().value(QStringLiteral("DRIVER")) : linked;
}

bool adapterHasDriver(const GraphicsAdapter &adapter)
{
    // Only a running driver makes a DRM card.
    return adapter.card.has_value() || !adapterDriver(adapter).isEmpty();
}

std::optional<QString> driverVersion(const MachineRoot &root, const GraphicsAdapter &adapter)
{
    const QString driver = adapterDriver(adapter);
    if (driver.isEmpty())
        return std::nullopt;
    QString module = root.linkName(adapter.device.path() + QStringLiteral("/driver/module"));
    if (module.isEmpty())
        module = QString(driver).replace(QLatin1Char('-'), QLatin1Char('_'));
    const QString dir = QStringLiteral("sys/module/") + module;
    if (!root.isDirectory(dir))
        return std::nullopt;
    if (const std::optional<QString> own = root.readText(dir + QStringLiteral("/version")); own && !own->trimmed().isEmpty())
        return own->trimmed();
    // A driver built with the kernel carries the kernel's version; one from
    // outside ("O" in its taint) without a version of its own has none we know.
    if (root.readText(dir + QStringLiteral("/taint")).value_or(QString()).contains(QLatin1Char('O')))
        return std::nullopt;
    const std::optional<QString> kernel = root.readText(QStringLiteral("proc/sys/kernel/osrelease"));
    if (!kernel || kernel->trimmed().isEmpty())
        return std::nullopt;
    return kernel->trimmed();
}

std::optional<quint64> videoMemory(const GraphicsAdapter &adapter)
{
    const std::optional<qint64> bytes = adapter.device.integerAttribute(QStringLiteral("mem_info_vram_total"));
    if (!bytes || *bytes <= 0)
        return std::nullopt;
    return quint64(*bytes);
}

QString adapterPnpDeviceId(const GraphicsAdapter &adapter)
{
    if (adapter.pciAddress.isEmpty())
        return {};
    QString id = pciPnpDeviceId(adapter.device);
    // The instance part is the PCI address, even where a capture named the folder otherwise.
    return id.left(id.lastIndexOf(QLatin1Char('\\')) + 1) + adapter.pciAddress;
}

std::optional<size_t> bootAdapter(const std::vector<GraphicsAdapter> &adapters)
{
    if (adapters.empty())
        return std::nullopt;
    for (size_t i = 0; i < adapters.size(); ++i)
        if (adapters[i].device.integerAttribute(QStringLiteral("boot_vga")) == 1)
            return i;
    for (size_t i = 0; i < adapters.size(); ++i)
        if (adapters[i].card)
            return i;
    return 0;
}

} // namespace inventory::linuxsource
