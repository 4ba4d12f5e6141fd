// The firmware's probes and cooling devices (SMBIOS types 26 to 29), after
// the live sensors in Win32_VoltageProbe, Win32_TemperatureProbe,
// Win32_CurrentProbe and Win32_Fan (with heat pipes and refrigeration units in
// their own classes). They describe a sensor's range, not a reading: as on
// Windows, CurrentReading stays empty.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/firmware/Firmware.h"
#include "inventory/linux/firmware/SmbiosDecode.h"

#include <functional>

namespace inventory::linuxsource {

namespace {

const QString SensorLabel = QStringLiteral("Numeric Sensor");
const QString CoolingLabel = QStringLiteral("Cooling Device");

enum Type : quint8 { VoltageType = 26, CoolingType = 27, TemperatureType = 28, CurrentType = 29 };
constexpr quint8 CoolingKindMask = 0x1F;
constexpr quint8 PassiveCooling = 0x11;

struct ProbeKind
{
    QString className;
    quint8 type;
    // WMI gives Resolution in units this many times coarser than SMBIOS
    // (temperature: thousandths of a degree against hundredths).
    int resolutionDivisor;
};

const ProbeKind Voltage{QStringLiteral("Win32_VoltageProbe"), VoltageType, 1};
const ProbeKind Temperature{QStringLiteral("Win32_TemperatureProbe"), TemperatureType, 10};
const ProbeKind Current{QStringLiteral("Win32_CurrentProbe"), CurrentType, 1};

QString deviceId(int index) { return QStringLiteral("root\\cimv2 %1").arg(index); }

// A reading field, none for the "unknown" marker. Readings may be negative
// (a temperature minimum); resolution and accuracy never are.
std::optional<qint64> reading(const SmbiosStructure &probe, int offset, bool isSigned)
{
    const std::optional<quint16> raw = probe.word(offset);
    if (!raw || *raw == SmbiosUnknownWord)
        return std::nullopt;
    return isSigned ? qint64(qint16(*raw)) : qint64(*raw);
}

PropertyBag probeProperties(const ProbeKind &kind, const SmbiosStructure &probe, int index, const Firmware &firmware)
{
    PropertyBag bag;
    bag.logicalDevice(kind.className, firmware.systemName())
        .text(QStringLiteral("Caption"), SensorLabel)
        .text(QStringLiteral("Name"), SensorLabel)
        .text(QStringLiteral("Description"), probe.string(0x04).value_or(SensorLabel))
        .text(QStringLiteral("DeviceID"), deviceId(index))
        .integer(QStringLiteral("MaxReadable"), reading(probe, 0x06, true))
        .integer(QStringLiteral("MinReadable"), reading(probe, 0x08, true))
        .integer(QStringLiteral("Tolerance"), reading(probe, 0x0C, true))
        .integer(QStringLiteral("Accuracy"), reading(probe, 0x0E, false))
        .integer(QStringLiteral("NominalReading"), reading(probe, 0x14, true));
    if (const std::optional<qint64> resolution = reading(probe, 0x0A, false))
        bag.integer(QStringLiteral("Resolution"), (*resolution + kind.resolutionDivisor / 2) / kind.resolutionDivisor);
    if (const std::optional<quint8> status = probe.byte(0x05))
        bag.text(QStringLiteral("Status"), sensorStatus(*status));
    return bag;
}

std::vector<Instance> probes(const ProbeKind &kind, const FirmwarePtr &firmware)
{
    return structureInstances(firmware, kind.type, SensorLabel,
                              [&kind](const SmbiosStructure &s, int i, const Firmware &fw) {
                                  return probeProperties(kind, s, i, fw);
                              });
}

PropertyBag coolingProperties(const QString &className, const SmbiosStructure &device, int index, const Firmware &firmware)
{
    const quint8 typeAndStatus = device.byte(0x06).value_or(0);
    const quint8 kind = typeAndStatus & CoolingKindMask;
    PropertyBag bag;
    bag.logicalDevice(className, firmware.systemName())
        .text(QStringLiteral("Caption"), CoolingLabel)
        .text(QStringLiteral("Name"), CoolingLabel)
        .text(QStringLiteral("Description"), device.string(0x0E).value_or(coolingDeviceTypeName(kind)))
        .text(QStringLiteral("DeviceID"), deviceId(index))
        .text(QStringLiteral("Status"), sensorStatus(typeAndStatus))
        .boolean(QStringLiteral("ActiveCooling"), kind != CoolingHeatPipe);
    if (const std::optional<quint16> rpm = device.word(0x0C); rpm && *rpm != SmbiosUnknownWord && *rpm != 0)
        bag.unsignedInteger(QStringLiteral("DesiredSpeed"), *rpm);
    return bag;
}

// The cooling devices one class takes, by the kind each says it is.
std::vector<Instance> coolingDevices(const FirmwarePtr &firmware, const QString &className,
                                     const std::function<bool(quint8)> &takes)
{
    std::vector<Instance> instances;
    int index = 0;
    for (const SmbiosStructure *device : firmware->table().ofType(CoolingType)) {
        if (!takes(device->byte(0x06).value_or(0) & CoolingKindMask))
            continue;
        instances.push_back(firmwareInstance(CoolingLabel, firmware, [className, device, index](const Firmware &fw) {
            return coolingProperties(className, *device, index, fw);
        }));
        ++index;
    }
    return instances;
}

} // namespace

std::vector<Instance> voltageProbeInstances(const FirmwarePtr &firmware) { return probes(Voltage, firmware); }
std::vector<Instance> temperatureProbeInstances(const FirmwarePtr &firmware) { return probes(Temperature, firmware); }
std::vector<Instance> currentProbeInstances(const FirmwarePtr &firmware) { return probes(Current, firmware); }

std::vector<Instance> fanInstances(const FirmwarePtr &firmware)
{
    // Passive cooling is no fan, and no other class takes it either.
    return coolingDevices(firmware, QStringLiteral("Win32_Fan"), [](quint8 kind) {
        return kind != CoolingHeatPipe && kind != CoolingRefrigeration && kind != PassiveCooling;
    });
}

std::vector<Instance> heatPipeInstances(const FirmwarePtr &firmware)
{
    return coolingDevices(firmware, QStringLiteral("Win32_HeatPipe"), [](quint8 kind) { return kind == CoolingHeatPipe; });
}

std::vector<Instance> refrigerationInstances(const FirmwarePtr &firmware)
{
    return coolingDevices(firmware, QStringLiteral("Win32_Refrigeration"),
                          [](quint8 kind) { return kind == CoolingRefrigeration; });
}

void registerFirmwareProbes(ClassTable &table)
{
    provideFirmware(table, Voltage.className, voltageProbeInstances);
    provideFirmware(table, Temperature.className, temperatureProbeInstances);
    provideFirmware(table, Current.className, currentProbeInstances);
    provideFirmware(table, QStringLiteral("Win32_Fan"), fanInstances);
    provideFirmware(table, QStringLiteral("Win32_HeatPipe"), heatPipeInstances);
    provideFirmware(table, QStringLiteral("Win32_Refrigeration"), refrigerationInstances);
}

} // namespace inventory::linuxsource
