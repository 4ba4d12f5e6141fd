#pragma once

#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/power/Sensor.h"

#include <vector>

namespace inventory::linuxsource {

// A thermal zone (sys/class/thermal/thermal_zoneN): a temperature the kernel
// watches, with the trip points at which it throttles, hibernates or shuts
// the machine down.
class ThermalZone
{
public:
    ThermalZone(MachineRoot root, QString name, QString type);

    // The zone's type ("acpitz", "x86_pkg_temp"); zones of one type share it.
    QString caption() const;
    // "thermal_zone0".
    const QString &name() const { return m_name; }
    // Temperature and trip points, read now: a passive trip (throttling) is
    // the non-critical limit, hot (hibernation) the critical one, critical
    // (shutdown) the fatal one.
    SensorReadings readings() const;

private:
    QString dir() const;

    MachineRoot m_root;
    QString m_name;
    QString m_type;
};

std::vector<ThermalZone> thermalZones(const MachineRoot &root);

} // namespace inventory::linuxsource
