// Win32_Battery: the batteries that run the computer, from
// sys/class/power_supply. Batteries of mice, keyboards and game pads power
// only their own device and are left out, as is an empty battery bay.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/power/PowerSupply.h"

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_Battery");

std::optional<quint64> whenStatus(const PowerSupply &battery, const char *status, std::optional<quint64> minutes)
{
    return battery.text("status") == QLatin1String(status) ? minutes : std::nullopt;
}

Properties batteryProperties(const PowerSupply &battery)
{
    const BatteryFigures figures = battery.figures();
    PropertyBag bag = powerSupplyIdentity(battery, ClassName, QStringLiteral("Internal Battery"));
    bag.integer(QStringLiteral("BatteryStatus"), batteryStatus(battery.text("status").value_or(QString()),
                                                               battery.text("capacity_level").value_or(QString())))
        .integer(QStringLiteral("Chemistry"), batteryChemistry(battery.text("technology").value_or(QString())))
        .unsignedInteger(QStringLiteral("DesignCapacity"), designCapacity(figures))
        .unsignedInteger(QStringLiteral("FullChargeCapacity"), fullChargeCapacity(figures))
        .unsignedInteger(QStringLiteral("DesignVoltage"), designVoltage(figures))
        .unsignedInteger(QStringLiteral("EstimatedChargeRemaining"), estimatedChargeRemaining(figures))
        // Run time only while the battery runs the machine: on mains there is
        // none to estimate (Windows then shows 71582788, its "unknown").
        .unsignedInteger(QStringLiteral("EstimatedRunTime"), whenStatus(battery, "Discharging", minutesToEmpty(figures)))
        .unsignedInteger(QStringLiteral("TimeToFullCharge"), whenStatus(battery, "Charging", minutesToFull(figures)));
    return bag.take();
}

std::vector<Instance> batteries(const MachineRoot &root)
{
    return powerSupplyInstances(root, &PowerSupply::isSystemBattery, batteryProperties);
}

} // namespace

void registerBattery(ClassTable &table)
{
    table.provide(ClassName, batteries);
}

} // namespace inventory::linuxsource
