#include "inventory/linux/power/PowerSupply.h"

#include "inventory/linux/reading/SysfsDevice.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace inventory::linuxsource {

namespace {

const QString PowerSupplyClass = QStringLiteral("sys/class/power_supply");
constexpr double MicroPerMilli = 1000.0;
constexpr double MicroPerUnit = 1000000.0;
constexpr double MinutesPerHour = 60.0;
constexpr double SecondsPerMinute = 60.0;
constexpr qint64 FullPercent = 100;
// Longer than this, a rate is broken rather than slow (a tiny discharge
// current gives years of run time).
constexpr double MaxHoursToEmpty = 240.0;
constexpr double MaxHoursToFull = 20.0;

std::optional<quint64> wholeNumber(std::optional<double> value)
{
    if (!value || !std::isfinite(*value) || *value < 0 || *value > double(std::numeric_limits<quint32>::max()))
        return std::nullopt;
    return quint64(std::llround(*value));
}

std::optional<double> positive(const std::optional<qint64> &value)
{
    return value && *value > 0 ? std::optional<double>(double(*value)) : std::nullopt;
}

std::optional<double> nonNegative(const std::optional<qint64> &value)
{
    return value && *value >= 0 ? std::optional<double>(double(*value)) : std::nullopt;
}

std::optional<double> nonZeroMagnitude(const std::optional<qint64> &value)
{
    return value && *value != 0 ? std::optional<double>(std::fabs(double(*value))) : std::nullopt;
}

// µV: the design voltage, or failing that the present one.
std::optional<double> designMicrovolts(const BatteryFigures &f)
{
    if (const auto v = positive(f.voltageMinDesign))
        return v;
    return positive(f.voltageMaxDesign);
}

// µWh from an energy figure, or from a charge figure and the voltage.
std::optional<double> energyOf(const std::optional<double> &energy, const std::optional<double> &charge,
                               const BatteryFigures &f)
{
    if (energy)
        return energy;
    std::optional<double> volts = designMicrovolts(f);
    if (!volts)
        volts = positive(f.voltageNow);
    if (charge && volts)
        return *charge * *volts / MicroPerUnit;
    return std::nullopt;
}

std::optional<double> milliwattHours(const std::optional<double> &microwattHours)
{
    return microwattHours ? std::optional<double>(*microwattHours / MicroPerMilli) : std::nullopt;
}

// Hours until an amount of energy (µWh) or charge (µAh) has flowed at the
// present rate.
std::optional<double> hoursAtPresentRate(const BatteryFigures &f, const std::optional<double> &energy,
                                         const std::optional<double> &charge)
{
    const std::optional<double> power = nonZeroMagnitude(f.powerNow);
    const std::optional<double> current = nonZeroMagnitude(f.currentNow);
    if (energy && power)
        return *energy / *power;
    if (charge && current && !f.currentIsPower)
        return *charge / *current;
    if (energy && current && f.currentIsPower)
        return *energy / *current;
    if (energy && current && positive(f.voltageNow))
        return *energy / (*current * double(*f.voltageNow) / MicroPerUnit);
    return std::nullopt;
}

std::optional<quint64> minutesWithin(const std::optional<qint64> &reportedSeconds, std::optional<double> hours,
                                     double maxHours)
{
    if (const auto seconds = positive(reportedSeconds))
        hours = *seconds / SecondsPerMinute / MinutesPerHour;
    if (!hours || !std::isfinite(*hours) || *hours > maxHours)
        return std::nullopt;
    return wholeNumber(*hours * MinutesPerHour);
}

// What is missing to full, never less than nothing (gauges overshoot).
std::optional<double> missing(const std::optional<qint64> &full, const std::optional<qint64> &now)
{
    const std::optional<double> f = positive(full);
    const std::optional<double> n = nonNegative(now);
    if (!f || !n)
        return std::nullopt;
    return std::max(0.0, *f - *n);
}

} // namespace

std::optional<quint64> designCapacity(const BatteryFigures &f)
{
    return wholeNumber(milliwattHours(energyOf(positive(f.energyFullDesign), positive(f.chargeFullDesign), f)));
}

std::optional<quint64> fullChargeCapacity(const BatteryFigures &f)
{
    return wholeNumber(milliwattHours(energyOf(positive(f.energyFull), positive(f.chargeFull), f)));
}

std::optional<quint64> designVoltage(const BatteryFigures &f)
{
    const std::optional<double> volts = designMicrovolts(f);
    return wholeNumber(volts ? std::optional<double>(*volts / MicroPerMilli) : std::nullopt);
}

std::optional<quint64> estimatedChargeRemaining(const BatteryFigures &f)
{
    if (f.capacity && *f.capacity >= 0 && *f.capacity <= FullPercent)
        return quint64(*f.capacity);
    // Without a usable capacity: the share of full, in whichever unit the
    // battery counts.
    std::optional<double> now = nonNegative(f.energyNow);
    std::optional<double> full = positive(f.energyFull);
    if (!now || !full) {
        now = nonNegative(f.chargeNow);
        full = positive(f.chargeFull);
    }
    if (!now || !full)
        return std::nullopt;
    return wholeNumber(std::min(double(FullPercent), *now * FullPercent / *full));
}

std::optional<quint64> minutesToEmpty(const BatteryFigures &f)
{
    return minutesWithin(f.timeToEmpty, hoursAtPresentRate(f, nonNegative(f.energyNow), nonNegative(f.chargeNow)),
                         MaxHoursToEmpty);
}

std::optional<quint64> minutesToFull(const BatteryFigures &f)
{
    return minutesWithin(f.timeToFull,
                         hoursAtPresentRate(f, missing(f.energyFull, f.energyNow), missing(f.chargeFull, f.chargeNow)),
                         MaxHoursToFull);
}

qint64 batteryStatus(const QString &status, const QString &capacityLevel)
{
    const bool critical = capacityLevel == QLatin1String("Critical");
    const bool low = capacityLevel == QLatin1String("Low");
    if (status == QLatin1String("Charging")) {
        if (critical)
            return 9;
        if (low)
            return 8;
        return capacityLevel == QLatin1String("High") ? 7 : 6;
    }
    if (status == QLatin1String("Discharging")) {
        if (critical)
            return 5;
        return low ? 4 : 1;
    }
    if (status == QLatin1String("Full") || capacityLevel == QLatin1String("Full"))
        return 3;
    // "Not charging" and "Unknown": on mains, not necessarily charging.
    return 2;
}

std::optional<qint64> batteryChemistry(const QString &technology)
{
    if (technology.isEmpty())
        return std::nullopt;
    if (technology == QLatin1String("Li-ion") || technology == QLatin1String("LiFe") || technology == QLatin1String("LiMn"))
        return 6;
    if (technology == QLatin1String("Li-poly"))
        return 8;
    if (technology == QLatin1String("NiMH"))
        return 5;
    if (technology == QLatin1String("NiCd"))
        return 4;
    if (technology == QLatin1String("Unknown"))
        return 2;
    return 1;
}

PowerSupply::PowerSupply(MachineRoot root, QString name)
    : m_root(std::move(root))
    , m_name(std::move(name))
{
}

std::vector<PowerSupply> PowerSupply::all(const MachineRoot &root)
{
    std::vector<PowerSupply> supplies;
    for (const QString &name : root.list(PowerSupplyClass)) {
        if (root.isDirectory(PowerSupplyClass + QLatin1Char('/') + name))
            supplies.emplace_back(root, name);
    }
    return supplies;
}

QString PowerSupply::dir() const
{
    return PowerSupplyClass + QLatin1Char('/') + m_name;
}

std::optional<QString> PowerSupply::text(const char *attribute) const
{
    const std::optional<QString> value = m_root.readText(dir() + QLatin1Char('/') + QLatin1String(attribute));
    if (!value)
        return std::nullopt;
    const QString t = value->trimmed();
    return t.isEmpty() ? std::nullopt : std::optional<QString>(t);
}

std::optional<qint64> PowerSupply::number(const char *attribute) const
{
    return m_root.readInteger(dir() + QLatin1Char('/') + QLatin1String(attribute));
}

QString PowerSupply::type() const
{
    return text("type").value_or(QString());
}

bool PowerSupply::isPresent() const
{
    return number("present").value_or(1) != 0;
}

bool PowerSupply::isSystemBattery() const
{
    if (type() != QLatin1String("Battery") || !isPresent())
        return false;
    if (const std::optional<QString> scope = text("scope"))
        return *scope != QLatin1String("Device");
    // Kernels before the scope attribute: a battery inside a HID device
    // (a wireless mouse, a game pad) powers only that device.
    return !SysfsDevice::fromLink(m_root, dir() + QStringLiteral("/device")).ancestorOnBus(QStringLiteral("hid")).isValid();
}

bool PowerSupply::isUps() const
{
    return type() == QLatin1String("UPS") && isPresent();
}

QString PowerSupply::displayName() const
{
    return text("model_name").value_or(m_name);
}

BatteryFigures PowerSupply::figures() const
{
    BatteryFigures f;
    f.energyNow = number("energy_now");
    f.energyFull = number("energy_full");
    f.energyFullDesign = number("energy_full_design");
    f.chargeNow = number("charge_now");
    f.chargeFull = number("charge_full");
    f.chargeFullDesign = number("charge_full_design");
    f.powerNow = number("power_now");
    f.currentNow = number("current_now");
    f.voltageNow = number("voltage_now");
    f.voltageMinDesign = number("voltage_min_design");
    f.voltageMaxDesign = number("voltage_max_design");
    f.capacity = number("capacity");
    f.timeToEmpty = number("time_to_empty_now");
    f.timeToFull = number("time_to_full_now");
    const QString device = m_root.linkName(dir() + QStringLiteral("/device"));
    f.currentIsPower = f.energyNow && !f.powerNow && f.currentNow && device.startsWith(QLatin1String("PNP0C0A:"));
    return f;
}

QString PowerSupply::pnpDeviceId() const
{
    static const QRegularExpression acpiName(QStringLiteral("^([A-Z0-9]{4,8}):[0-9a-fA-F]+$"));
    const SysfsDevice device = SysfsDevice::fromLink(m_root, dir() + QStringLiteral("/device"));
    const QRegularExpressionMatch acpi = acpiName.match(device.name());
    if (!acpi.hasMatch())
        return pnpDeviceIdOf(device);
    // Windows names ACPI devices by their _UID, which only the firmware knows.
    const std::optional<QString> uid = device.trimmed(QStringLiteral("uid"));
    if (!uid)
        return {};
    return QStringLiteral("ACPI\\%1\\%2").arg(device.trimmed(QStringLiteral("hid")).value_or(acpi.captured(1)), *uid);
}

QString PowerSupply::status() const
{
    const std::optional<QString> health = text("health");
    if (!health || *health == QLatin1String("Good"))
        return QStringLiteral("OK");
    static const QStringList broken{QStringLiteral("Dead"), QStringLiteral("Unspecified failure")};
    static const QStringList stressed{QStringLiteral("Overheat"), QStringLiteral("Over voltage"), QStringLiteral("Cold"),
                                      QStringLiteral("Over current"), QStringLiteral("Hot")};
    if (broken.contains(*health))
        return QStringLiteral("Error");
    if (stressed.contains(*health))
        return QStringLiteral("Stressed");
    return QStringLiteral("Unknown");
}

std::vector<Instance> powerSupplyInstances(const MachineRoot &root, bool (PowerSupply::*belongs)() const,
                                           std::function<Properties(const PowerSupply &)> properties)
{
    std::vector<Instance> instances;
    for (const PowerSupply &supply : PowerSupply::all(root)) {
        if ((supply.*belongs)())
            instances.emplace_back(Value::text(supply.displayName()), [supply, properties] { return properties(supply); });
    }
    return instances;
}

PropertyBag powerSupplyIdentity(const PowerSupply &supply, const QString &className, const QString &description)
{
    const QString name = supply.displayName();
    PropertyBag bag;
    bag.logicalDevice(className, systemName(supply.root()))
        .text(QStringLiteral("Caption"), name)
        .text(QStringLiteral("Name"), name)
        .text(QStringLiteral("Description"), description)
        .text(QStringLiteral("DeviceID"), supply.name())
        .text(QStringLiteral("PNPDeviceID"), supply.pnpDeviceId())
        .text(QStringLiteral("Status"), supply.status());
    return bag;
}

} // namespace inventory::linuxsource
