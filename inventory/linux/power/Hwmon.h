#pragma once

#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/power/Sensor.h"
#include "inventory/linux/reading/SysfsDevice.h"

#include <vector>

namespace inventory::linuxsource {

// One sensor of a hardware-monitoring chip (sys/class/hwmon/hwmonN), such as
// temp2 of coretemp or fan2 of an nct6779. Knows its name when listed; reads
// its values only when asked, as they change from one moment to the next.
class HwmonSensor
{
public:
    HwmonSensor(MachineRoot root, QString hwmon, QString attributeDir, QString chip, QString sensor, QString label,
                SensorKind kind);

    SensorKind kind() const { return m_kind; }
    // The kernel's name of the sensor: "temp2", "fan1".
    const QString &sensor() const { return m_sensor; }
    // The chip's name and the sensor's label ("coretemp Core 0"), or the
    // sensor's own name when the driver gives no label ("nct6779 fan2").
    QString caption() const;
    // "hwmon3/fan2": unique on this machine while it runs.
    QString deviceId() const;
    // The hardware the chip belongs to (its device link), if any.
    SysfsDevice device() const;
    // The sensor's attribute with this suffix ("max" reads fan2_max) exists.
    bool has(const QString &suffix) const;
    // Reading, limits and flags, read now.
    SensorReadings readings() const;
    // Another attribute of the chip, such as pwm2 beside fan2.
    bool chipHas(const QString &attribute) const;

private:
    std::optional<QString> value(const QString &suffix) const;
    bool flag(const QString &suffix) const;

    MachineRoot m_root;
    QString m_hwmon;
    QString m_dir;
    QString m_chip;
    QString m_sensor;
    QString m_label;
    SensorKind m_kind;
};

// Every sensor of one kind on every chip, chips in hwmon order and sensors by
// number. Chips that only mirror a thermal zone are left to the zone.
std::vector<HwmonSensor> hwmonSensors(const MachineRoot &root, SensorKind kind);

} // namespace inventory::linuxsource
