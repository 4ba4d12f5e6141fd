// Win32_ComputerSystemProduct: the machine as a product (SMBIOS type 1): its
// maker, name, version, serial and the UUID that inventory servers key on. Not
// one of the window's categories; asked for by the agent document.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/firmware/Firmware.h"

#include <algorithm>

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_ComputerSystemProduct");
const QString Label = QStringLiteral("Computer System Product");
constexpr quint8 SystemType = 1;
constexpr int UuidOffset = 0x08;
constexpr int UuidLength = 16;

// Since SMBIOS 2.6 the first three fields are little-endian; WMI, like
// dmidecode, prints them in the usual order, in capitals.
std::optional<QString> uuidText(const SmbiosStructure &system, const std::optional<SmbiosVersion> &version)
{
    QByteArray bytes;
    for (int i = 0; i < UuidLength; ++i) {
        const std::optional<quint8> byte = system.byte(UuidOffset + i);
        if (!byte)
            return std::nullopt;
        bytes.append(char(*byte));
    }
    // All zeros: not present; all ones: not set.
    if (bytes == QByteArray(UuidLength, '\0') || bytes == QByteArray(UuidLength, char(0xFF)))
        return std::nullopt;
    const bool swapped = !version || version->major > 2 || (version->major == 2 && version->minor >= 6);
    if (swapped) {
        std::reverse(bytes.begin(), bytes.begin() + 4);
        std::reverse(bytes.begin() + 4, bytes.begin() + 6);
        std::reverse(bytes.begin() + 6, bytes.begin() + 8);
    }
    const QByteArray hex = bytes.toHex().toUpper();
    return QString::fromLatin1(hex.left(8) + '-' + hex.mid(8, 4) + '-' + hex.mid(12, 4) + '-' + hex.mid(16, 4) + '-' + hex.mid(20));
}

PropertyBag productProperties(const Firmware &firmware)
{
    PropertyBag bag;
    bag.text(QStringLiteral("Caption"), Label).text(QStringLiteral("Description"), Label);
    if (const SmbiosStructure *system = firmware.table().first(SystemType)) {
        bag.text(QStringLiteral("Vendor"), system->string(0x04))
            .text(QStringLiteral("Name"), system->string(0x05))
            .text(QStringLiteral("Version"), system->string(0x06))
            .text(QStringLiteral("IdentifyingNumber"), system->string(0x07))
            .text(QStringLiteral("UUID"), uuidText(*system, firmware.table().version))
            .text(QStringLiteral("SKUNumber"), system->string(0x19));
    } else {
        std::optional<QString> uuid = firmware.dmiId("product_uuid");
        if (uuid)
            uuid = uuid->trimmed().toUpper();
        bag.text(QStringLiteral("Vendor"), firmware.dmiId("sys_vendor"))
            .text(QStringLiteral("Name"), firmware.dmiId("product_name"))
            .text(QStringLiteral("Version"), firmware.dmiId("product_version"))
            .text(QStringLiteral("IdentifyingNumber"), firmware.dmiId("product_serial"))
            .text(QStringLiteral("UUID"), uuid)
            .text(QStringLiteral("SKUNumber"), firmware.dmiId("product_sku"));
    }
    return bag;
}

std::vector<Instance> productInstances(const FirmwarePtr &firmware)
{
    if (!firmware->present())
        return {};
    return {firmwareInstance(Label, firmware, productProperties)};
}

} // namespace

void registerComputerSystemProduct(ClassTable &table)
{
    provideFirmware(table, ClassName, productInstances);
}

} // namespace inventory::linuxsource
