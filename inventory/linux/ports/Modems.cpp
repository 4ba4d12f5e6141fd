// Win32_POTSModem and Win32_POTSModemToSerialPort: modems are serial ports
// that take AT commands (a phone's or a stick's USB modem function, a PCI
// modem); each is linked to the port it answers on.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/HardwareNames.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/ports/SerialPorts.h"

namespace inventory::linuxsource {

namespace {

const QString ModemClass = QStringLiteral("Win32_POTSModem");
const QString LinkClass = QStringLiteral("Win32_POTSModemToSerialPort");

std::vector<SerialPortInfo> modemPorts(const MachineRoot &root)
{
    std::vector<SerialPortInfo> modems;
    for (const SerialPortInfo &port : serialPorts(root))
        if (isModemPort(port))
            modems.push_back(port);
    return modems;
}

QString modemName(const SerialPortInfo &port)
{
    return busDeviceName(port.hardware).value_or(QStringLiteral("Modem (%1)").arg(port.name));
}

// The modem's key: the id of the function it is, else its port.
QString modemDeviceId(const SerialPortInfo &port)
{
    const QString id = carrierPnpDeviceId(port.hardware);
    return id.isEmpty() ? port.name : id;
}

Properties modemProperties(const SerialPortInfo &port, qint64 index)
{
    const QString name = modemName(port);
    const bool usb = port.hardware.ancestorOnBus(QStringLiteral("usb")).isValid();
    PropertyBag bag;
    bag.logicalDevice(ModemClass, systemName(port.port.root()))
        .text(QStringLiteral("Caption"), name)
        .text(QStringLiteral("Name"), name)
        .text(QStringLiteral("Description"), name)
        .text(QStringLiteral("Model"), name)
        .text(QStringLiteral("ProviderName"), busDeviceMaker(port.hardware))
        .text(QStringLiteral("DeviceID"), modemDeviceId(port))
        .text(QStringLiteral("PNPDeviceID"), carrierPnpDeviceId(port.hardware))
        .text(QStringLiteral("AttachedTo"), port.name)
        .text(QStringLiteral("DeviceType"), usb ? QStringLiteral("External Modem") : QStringLiteral("Internal Modem"))
        .integer(QStringLiteral("Index"), index)
        .text(QStringLiteral("Status"), QStringLiteral("OK"))
        .integer(QStringLiteral("StatusInfo"), 3)
        .integer(QStringLiteral("ConfigManagerErrorCode"), port.hardware.driver().isEmpty() ? 28 : 0)
        .boolean(QStringLiteral("ConfigManagerUserConfig"), false)
        .boolean(QStringLiteral("PowerManagementSupported"), false);
    return bag.take();
}

std::vector<Instance> modems(const MachineRoot &root)
{
    std::vector<Instance> instances;
    qint64 index = 0;
    for (const SerialPortInfo &port : modemPorts(root)) {
        instances.emplace_back(Value::text(modemName(port)), [port, index] { return modemProperties(port, index); });
        ++index;
    }
    return instances;
}

std::vector<Instance> modemLinks(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const SerialPortInfo &port : modemPorts(root)) {
        instances.push_back(Instance::withoutCaption([port] {
            const QString host = systemName(port.port.root());
            PropertyBag bag;
            bag.text(QStringLiteral("Antecedent"), objectPath(host, QStringLiteral("Win32_SerialPort"), QStringLiteral("DeviceID"), port.name))
                .text(QStringLiteral("Dependent"), objectPath(host, ModemClass, QStringLiteral("DeviceID"), modemDeviceId(port)));
            return bag.take();
        }));
    }
    return instances;
}

} // namespace

void registerModems(ClassTable &table)
{
    table.provide(ModemClass, modems);
    table.provide(LinkClass, modemLinks);
}

} // namespace inventory::linuxsource
