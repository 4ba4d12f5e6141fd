#pragma once

#include "inventory/Instrumentation.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace inventory::linuxsource {

// A battery's figures in the kernel's units, as read at one moment: energy in
// µWh, charge in µAh, voltage in µV, current in µA, power in µW, capacity in
// percent, times in seconds. Drivers give energy or charge, rarely both.
struct BatteryFigures
{
    std::optional<qint64> energyNow, energyFull, energyFullDesign;
    std::optional<qint64> chargeNow, chargeFull, chargeFullDesign;
    std::optional<qint64> powerNow, currentNow, voltageNow;
    std::optional<qint64> voltageMinDesign, voltageMaxDesign;
    std::optional<qint64> capacity, timeToEmpty, timeToFull;
    // The ACPI battery driver once reported the power of batteries that count
    // in energy as current_now, in µW.
    bool currentIsPower = false;
};

// WMI's figures from them. Each is none when the kernel does not know it or
// gives a figure no battery has; charge is turned into energy with the
// battery's design voltage.
std::optional<quint64> designCapacity(const BatteryFigures &f);       // mWh
std::optional<quint64> fullChargeCapacity(const BatteryFigures &f);   // mWh
std::optional<quint64> designVoltage(const BatteryFigures &f);        // mV
std::optional<quint64> estimatedChargeRemaining(const BatteryFigures &f); // %
std::optional<quint64> minutesToEmpty(const BatteryFigures &f);
std::optional<quint64> minutesToFull(const BatteryFigures &f);

// BatteryStatus from the kernel's status and capacity level: 1 discharging,
// 2 on mains without charging, 3 full, 4 low, 5 critical, 6 charging, 7-9
// charging and high, low or critical.
qint64 batteryStatus(const QString &status, const QString &capacityLevel);
// Chemistry from the kernel's technology: 6 for the lithium-ion family, 8
// lithium polymer, 5 NiMH, 4 NiCd, 2 unknown.
std::optional<qint64> batteryChemistry(const QString &technology);

// One entry of sys/class/power_supply.
class PowerSupply
{
public:
    PowerSupply(MachineRoot root, QString name);
    static std::vector<PowerSupply> all(const MachineRoot &root);

    const QString &name() const { return m_name; }
    const MachineRoot &root() const { return m_root; }
    // An attribute as trimmed text, none when absent, unreadable or empty.
    std::optional<QString> text(const char *attribute) const;
    std::optional<qint64> number(const char *attribute) const;

    // "Battery", "UPS", "Mains", "USB" ...
    QString type() const;
    // A battery or UPS that is in place; an empty bay is no device.
    bool isPresent() const;
    // The battery that runs the computer, not that of a mouse or a keyboard.
    bool isSystemBattery() const;
    bool isUps() const;

    // The model name, or the kernel's name for it ("BAT0").
    QString displayName() const;
    BatteryFigures figures() const;
    // ACPI\PNP0C0A\1 for an ACPI battery, the USB or PCI id otherwise.
    QString pnpDeviceId() const;
    // WMI's Status from the kernel's health.
    QString status() const;

private:
    QString dir() const;

    MachineRoot m_root;
    QString m_name;
};

// The instances of a class: every supply that passes the test, captioned
// with its name, its properties read when asked for.
std::vector<Instance> powerSupplyInstances(const MachineRoot &root, bool (PowerSupply::*belongs)() const,
                                           std::function<Properties(const PowerSupply &)> properties);
// What every power supply class says alike: its names, ids and health.
PropertyBag powerSupplyIdentity(const PowerSupply &supply, const QString &className, const QString &description);

} // namespace inventory::linuxsource
