// Win32_UninterruptiblePowerSupply: power supplies the kernel itself knows as
// a UPS (type "UPS" in sys/class/power_supply). UPSs that only a monitoring
// daemon talks to are not read: a scan starts no daemon and opens no device.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/power/PowerSupply.h"

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_UninterruptiblePowerSupply");

// RemainingCapacityStatus: 1 Unknown, 2 Normal, 3 Low.
std::optional<qint64> remainingCapacityStatus(const std::optional<QString> &level)
{
    if (!level)
        return std::nullopt;
    if (*level == QLatin1String("Low") || *level == QLatin1String("Critical"))
        return 3;
    if (*level == QLatin1String("Normal") || *level == QLatin1String("High") || *level == QLatin1String("Full"))
        return 2;
    return 1;
}

Properties upsProperties(const PowerSupply &ups)
{
    BatteryFigures figures = ups.figures();
    // A UPS estimates its run time on mains too; a rate measured while it
    // charges says nothing about that, so only its own estimate counts then.
    if (ups.text("status") != QLatin1String("Discharging")) {
        figures.powerNow.reset();
        figures.currentNow.reset();
    }
    PropertyBag bag = powerSupplyIdentity(ups, ClassName, ups.displayName());
    bag.boolean(QStringLiteral("BatteryInstalled"), true)
        .unsignedInteger(QStringLiteral("EstimatedChargeRemaining"), estimatedChargeRemaining(figures))
        .unsignedInteger(QStringLiteral("EstimatedRunTime"), minutesToEmpty(figures))
        .integer(QStringLiteral("RemainingCapacityStatus"), remainingCapacityStatus(ups.text("capacity_level")));
    return bag.take();
}

std::vector<Instance> supplies(const MachineRoot &root)
{
    return powerSupplyInstances(root, &PowerSupply::isUps, upsProperties);
}

} // namespace

void registerUninterruptiblePowerSupply(ClassTable &table)
{
    table.provide(ClassName, supplies);
}

} // namespace inventory::linuxsource
