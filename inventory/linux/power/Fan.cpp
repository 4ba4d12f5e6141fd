// Win32_Fan: the fans that hardware-monitoring chips measure (fanN_input).
// Win32_Fan has no property for the measured speed, so DesiredSpeed carries
// it: the speed the fan turns at is what a reader wants to know, and what
// drivers call a target means different things under different control modes.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/power/Hwmon.h"
#include "inventory/linux/reading/PropertyBag.h"

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_Fan");
constexpr qint64 RunningFullPower = 3;

// Speed control: a PWM output of the same number, or a target speed.
std::optional<bool> variableSpeed(const HwmonSensor &fan)
{
    const QString number = fan.sensor().mid(3);
    if (fan.chipHas(QStringLiteral("pwm") + number) || fan.has(QStringLiteral("target")))
        return true;
    return std::nullopt;
}

Properties fanProperties(const MachineRoot &root, const HwmonSensor &fan)
{
    const SensorReadings r = fan.readings();
    const QString caption = fan.caption();
    PropertyBag bag;
    bag.logicalDevice(ClassName, systemName(root))
        .text(QStringLiteral("Caption"), caption)
        .text(QStringLiteral("Description"), caption)
        .text(QStringLiteral("Name"), caption)
        .text(QStringLiteral("DeviceID"), fan.deviceId())
        .text(QStringLiteral("PNPDeviceID"), pnpDeviceIdOf(fan.device()))
        .boolean(QStringLiteral("ActiveCooling"), true)
        .unsignedInteger(QStringLiteral("DesiredSpeed"), r.current ? std::optional<quint64>(quint64(*r.current)) : std::nullopt)
        .boolean(QStringLiteral("VariableSpeed"), variableSpeed(fan))
        .text(QStringLiteral("Status"), sensorStatus(r))
        .integer(QStringLiteral("StatusInfo"), sensorStatusInfo(r));
    // A fan standing still may be stopped on purpose or broken; only a
    // turning one is plainly running.
    if (r.current && *r.current > 0)
        bag.integer(QStringLiteral("Availability"), RunningFullPower);
    return bag.take();
}

std::vector<Instance> fans(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const HwmonSensor &fan : hwmonSensors(root, SensorKind::Fan))
        instances.emplace_back(Value::text(fan.caption()), [root, fan] { return fanProperties(root, fan); });
    return instances;
}

} // namespace

void registerFan(ClassTable &table)
{
    table.provide(ClassName, fans);
}

} // namespace inventory::linuxsource
