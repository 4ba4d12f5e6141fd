// Win32_BaseBoard and Win32_MotherboardDevice: the main board as a physical
// card (SMBIOS type 2, or the kernel's board_* strings) and as the device the
// buses hang from.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/firmware/Firmware.h"

namespace inventory::linuxsource {

namespace {

const QString BaseBoardClass = QStringLiteral("Win32_BaseBoard");
const QString MotherboardClass = QStringLiteral("Win32_MotherboardDevice");
// The class's own spelling, which CreationClassName shows.
const QString MotherboardMofName = QStringLiteral("Win32_MotherBoardDevice");
const QString BaseBoardLabel = QStringLiteral("Base Board");
const QString MotherboardLabel = QStringLiteral("Motherboard");

enum Type : quint8 { BoardType = 2, ConfigurationOptionsType = 12 };
constexpr quint8 MotherboardKind = 0x0A;
// PCI class of an ISA (LPC) bridge, the bus Windows names second.
constexpr quint32 IsaBridgeClass = 0x0601;

// The main board: the type 2 record that says it is one, else the first.
const SmbiosStructure *mainBoard(const SmbiosTable &table)
{
    const std::vector<const SmbiosStructure *> boards = table.ofType(BoardType);
    for (const SmbiosStructure *board : boards)
        if (board->byte(0x0D) == MotherboardKind)
            return board;
    return boards.empty() ? nullptr : boards.front();
}

std::optional<bool> featureBit(const SmbiosStructure &board, int bit)
{
    const std::optional<quint8> features = board.byte(0x09);
    if (!features)
        return std::nullopt;
    return (*features >> bit & 1) != 0;
}

PropertyBag baseBoardProperties(const Firmware &firmware)
{
    PropertyBag bag = physicalElement(BaseBoardClass, BaseBoardLabel, BaseBoardLabel);
    bag.text(QStringLiteral("Status"), QStringLiteral("OK"));
    if (const SmbiosStructure *board = mainBoard(firmware.table())) {
        bag.text(QStringLiteral("Manufacturer"), board->string(0x04))
            .text(QStringLiteral("Product"), board->string(0x05))
            .text(QStringLiteral("Version"), board->string(0x06))
            .text(QStringLiteral("SerialNumber"), board->string(0x07))
            .boolean(QStringLiteral("HostingBoard"), featureBit(*board, 0))
            .boolean(QStringLiteral("RequiresDaughterBoard"), featureBit(*board, 1))
            .boolean(QStringLiteral("Removable"), featureBit(*board, 2))
            .boolean(QStringLiteral("Replaceable"), featureBit(*board, 3))
            .boolean(QStringLiteral("HotSwappable"), featureBit(*board, 4));
    } else {
        bag.text(QStringLiteral("Manufacturer"), firmware.dmiId("board_vendor"))
            .text(QStringLiteral("Product"), firmware.dmiId("board_name"))
            .text(QStringLiteral("Version"), firmware.dmiId("board_version"))
            .text(QStringLiteral("SerialNumber"), firmware.dmiId("board_serial"));
    }
    if (const SmbiosStructure *options = firmware.table().first(ConfigurationOptionsType)) {
        QStringList list = options->strings();
        list.removeAll(QString());
        if (!list.isEmpty())
            bag.set(QStringLiteral("ConfigOptions"), Value::array(list));
    }
    return bag;
}

bool hasPciBus(const MachineRoot &root)
{
    return !root.list(QStringLiteral("sys/bus/pci/devices")).isEmpty();
}

bool hasIsaBridge(const MachineRoot &root)
{
    const QString base = QStringLiteral("sys/bus/pci/devices/");
    for (const QString &device : root.list(base)) {
        const std::optional<quint64> pciClass = root.readUnsigned(base + device + QStringLiteral("/class"), 16);
        if (pciClass && (*pciClass >> 8) == IsaBridgeClass)
            return true;
    }
    return false;
}

PropertyBag motherboardProperties(const Firmware &firmware)
{
    PropertyBag bag;
    bag.logicalDevice(MotherboardMofName, firmware.systemName())
        .text(QStringLiteral("Caption"), MotherboardLabel)
        .text(QStringLiteral("Description"), MotherboardLabel)
        .text(QStringLiteral("Name"), MotherboardLabel)
        .text(QStringLiteral("DeviceID"), QStringLiteral("Motherboard"))
        .integer(QStringLiteral("Availability"), 3)
        .text(QStringLiteral("Status"), QStringLiteral("OK"));
    if (firmware.root() && hasPciBus(*firmware.root())) {
        bag.text(QStringLiteral("PrimaryBusType"), QStringLiteral("PCI"));
        if (hasIsaBridge(*firmware.root()))
            bag.text(QStringLiteral("SecondaryBusType"), QStringLiteral("ISA"));
    }
    return bag;
}

} // namespace

std::vector<Instance> baseBoardInstances(const FirmwarePtr &firmware)
{
    if (!mainBoard(firmware->table()) && !firmware->dmiId("board_vendor") && !firmware->dmiId("board_name"))
        return {};
    return {firmwareInstance(BaseBoardLabel, firmware, baseBoardProperties)};
}

std::vector<Instance> motherboardDeviceInstances(const FirmwarePtr &firmware)
{
    if (!firmware->present() && !(firmware->root() && hasPciBus(*firmware->root())))
        return {};
    return {firmwareInstance(MotherboardLabel, firmware, motherboardProperties)};
}

void registerBoard(ClassTable &table)
{
    provideFirmware(table, BaseBoardClass, baseBoardInstances);
    provideFirmware(table, MotherboardClass, motherboardDeviceInstances);
}

} // namespace inventory::linuxsource
