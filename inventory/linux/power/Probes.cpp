// Win32_TemperatureProbe, Win32_VoltageProbe and Win32_CurrentProbe: the
// sensors of hardware-monitoring chips, and the kernel's thermal zones, with
// the live CurrentReading that Windows leaves empty.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/power/Hwmon.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/power/Thermal.h"

namespace inventory::linuxsource {

namespace {

const QString TemperatureClass = QStringLiteral("Win32_TemperatureProbe");
const QString VoltageClass = QStringLiteral("Win32_VoltageProbe");
const QString CurrentClass = QStringLiteral("Win32_CurrentProbe");
constexpr qint64 RunningFullPower = 3;

Properties probeProperties(const MachineRoot &root, const QString &className, const QString &caption,
                           const QString &deviceId, const QString &pnpDeviceId, const SensorReadings &r)
{
    PropertyBag bag;
    bag.logicalDevice(className, systemName(root))
        .text(QStringLiteral("Caption"), caption)
        .text(QStringLiteral("Description"), caption)
        .text(QStringLiteral("Name"), caption)
        .text(QStringLiteral("DeviceID"), deviceId)
        .text(QStringLiteral("PNPDeviceID"), pnpDeviceId)
        .integer(QStringLiteral("CurrentReading"), r.current)
        .integer(QStringLiteral("LowerThresholdNonCritical"), r.lowerNonCritical)
        .integer(QStringLiteral("UpperThresholdNonCritical"), r.upperNonCritical)
        .integer(QStringLiteral("LowerThresholdCritical"), r.lowerCritical)
        .integer(QStringLiteral("UpperThresholdCritical"), r.upperCritical)
        .integer(QStringLiteral("UpperThresholdFatal"), r.upperFatal)
        .text(QStringLiteral("Status"), sensorStatus(r))
        .integer(QStringLiteral("StatusInfo"), sensorStatusInfo(r));
    if (r.current)
        bag.integer(QStringLiteral("Availability"), RunningFullPower);
    return bag.take();
}

void addChipProbes(std::vector<Instance> &instances, const MachineRoot &root, SensorKind kind, const QString &className)
{
    for (const HwmonSensor &sensor : hwmonSensors(root, kind)) {
        instances.emplace_back(Value::text(sensor.caption()), [root, sensor, className] {
            return probeProperties(root, className, sensor.caption(), sensor.deviceId(), pnpDeviceIdOf(sensor.device()),
                                   sensor.readings());
        });
    }
}

std::vector<Instance> temperatureProbes(const MachineRoot &root)
{
    std::vector<Instance> instances;
    addChipProbes(instances, root, SensorKind::Temperature, TemperatureClass);
    for (const ThermalZone &zone : thermalZones(root)) {
        instances.emplace_back(Value::text(zone.caption()), [root, zone] {
            return probeProperties(root, TemperatureClass, zone.caption(), zone.name(), QString(), zone.readings());
        });
    }
    return instances;
}

std::vector<Instance> voltageProbes(const MachineRoot &root)
{
    std::vector<Instance> instances;
    addChipProbes(instances, root, SensorKind::Voltage, VoltageClass);
    return instances;
}

std::vector<Instance> currentProbes(const MachineRoot &root)
{
    std::vector<Instance> instances;
    addChipProbes(instances, root, SensorKind::Current, CurrentClass);
    return instances;
}

} // namespace

void registerProbes(ClassTable &table)
{
    table.provide(TemperatureClass, temperatureProbes);
    table.provide(VoltageClass, voltageProbes);
    table.provide(CurrentClass, currentProbes);
}

} // namespace inventory::linuxsource
