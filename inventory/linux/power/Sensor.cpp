#include "inventory/linux/power/Sensor.h"

namespace inventory::linuxsource {

namespace {

struct Range
{
    qint64 lowest;
    qint64 highest;
};

// What real sensors of each kind can report, in kernel units. Outside lie the
// values drivers use for "nothing connected": -128 °C and 255 °C from 8-bit
// registers, absolute zero, rates computed from a zero tachometer count.
constexpr Range TemperatureRange{-100000, 249999}; // m°C
constexpr Range VoltageRange{-1000000, 1000000};   // mV: up to mains input of a power supply
constexpr Range CurrentRange{-1000000, 1000000};   // mA
constexpr Range FanRange{0, 99999};                // RPM

constexpr qint64 MilliToTenths = 100;

Range rangeOf(SensorKind kind)
{
    switch (kind) {
    case SensorKind::Temperature:
        return TemperatureRange;
    case SensorKind::Voltage:
        return VoltageRange;
    case SensorKind::Current:
        return CurrentRange;
    case SensorKind::Fan:
        break;
    }
    return FanRange;
}

// Division rounded to the nearest whole number, halves away from zero.
qint64 roundedDivision(qint64 value, qint64 divisor)
{
    return value >= 0 ? (value + divisor / 2) / divisor : -((-value + divisor / 2) / divisor);
}

bool beyond(const std::optional<qint64> &reading, const std::optional<qint64> &lower, const std::optional<qint64> &upper)
{
    return (lower && *reading < *lower) || (upper && *reading > *upper);
}

} // namespace

std::optional<qint64> toWmiUnits(SensorKind kind, const std::optional<QString> &text)
{
    if (!text)
        return std::nullopt;
    bool ok = false;
    const qint64 value = text->trimmed().toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    const Range range = rangeOf(kind);
    if (value < range.lowest || value > range.highest)
        return std::nullopt;
    return kind == SensorKind::Temperature ? roundedDivision(value, MilliToTenths) : value;
}

QString sensorStatus(const SensorReadings &r)
{
    if (r.fault)
        return QStringLiteral("Error");
    if (!r.current)
        return QStringLiteral("Unknown");
    if (r.alarm || beyond(r.current, r.lowerNonCritical, r.upperNonCritical)
        || beyond(r.current, r.lowerCritical, r.upperCritical) || beyond(r.current, std::nullopt, r.upperFatal))
        return QStringLiteral("Stressed");
    return QStringLiteral("OK");
}

std::optional<qint64> sensorStatusInfo(const SensorReadings &r)
{
    if (!r.enabled)
        return std::nullopt;
    return *r.enabled ? 3 : 4;
}

} // namespace inventory::linuxsource
