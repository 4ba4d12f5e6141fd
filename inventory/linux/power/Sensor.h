#pragma once

#include <QString>

#include <optional>

namespace inventory::linuxsource {

// What a sensor measures; each kind has its kernel unit and its WMI unit.
enum class SensorKind { Temperature, Voltage, Current, Fan };

// One sensor's reading and limits as read just now, in WMI's units: tenths
// of a degree Celsius, millivolts, milliamperes, revolutions per minute.
struct SensorReadings
{
    std::optional<qint64> current;
    std::optional<qint64> lowerNonCritical;
    std::optional<qint64> upperNonCritical;
    std::optional<qint64> lowerCritical;
    std::optional<qint64> upperCritical;
    std::optional<qint64> upperFatal;
    std::optional<bool> enabled;
    bool alarm = false; // the chip says a limit was crossed
    bool fault = false; // the sensor itself is broken (open diode, no tachometer signal)
};

// A kernel value (millidegrees Celsius, millivolts, milliamperes, RPM) in
// WMI's units. None when the text is no number, or a number no such sensor
// can measure (the -128 °C of an unconnected diode, a negative fan speed).
std::optional<qint64> toWmiUnits(SensorKind kind, const std::optional<QString> &text);

// WMI's Status text for a sensor: "Error" for a faulty sensor, "Unknown"
// without a reading, "Stressed" past a limit, otherwise "OK".
QString sensorStatus(const SensorReadings &readings);

// StatusInfo: 3 Enabled, 4 Disabled; none when the sensor cannot be switched.
std::optional<qint64> sensorStatusInfo(const SensorReadings &readings);

} // namespace inventory::linuxsource
