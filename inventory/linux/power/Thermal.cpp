#include "inventory/linux/power/Thermal.h"

#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {

const QString ThermalClass = QStringLiteral("sys/class/thermal");

// Several trip points of one kind: the lowest is the one reached first.
void keepLowest(std::optional<qint64> &limit, const std::optional<qint64> &trip)
{
    if (trip && (!limit || *trip < *limit))
        limit = trip;
}

} // namespace

ThermalZone::ThermalZone(MachineRoot root, QString name, QString type)
    : m_root(std::move(root))
    , m_name(std::move(name))
    , m_type(std::move(type))
{
}

QString ThermalZone::dir() const
{
    return ThermalClass + QLatin1Char('/') + m_name;
}

QString ThermalZone::caption() const
{
    return m_type.isEmpty() ? m_name : m_type;
}

SensorReadings ThermalZone::readings() const
{
    static const QRegularExpression tripType(QStringLiteral("^trip_point_([0-9]+)_type$"));
    SensorReadings r;
    r.current = toWmiUnits(SensorKind::Temperature, m_root.readText(dir() + QStringLiteral("/temp")));
    for (const QString &entry : m_root.list(dir())) {
        const QRegularExpressionMatch match = tripType.match(entry);
        if (!match.hasMatch())
            continue;
        const QString type = m_root.readText(dir() + QLatin1Char('/') + entry).value_or(QString()).trimmed();
        const std::optional<qint64> temperature = toWmiUnits(
            SensorKind::Temperature,
            m_root.readText(dir() + QStringLiteral("/trip_point_%1_temp").arg(match.captured(1))));
        if (type == QLatin1String("passive"))
            keepLowest(r.upperNonCritical, temperature);
        else if (type == QLatin1String("hot"))
            keepLowest(r.upperCritical, temperature);
        else if (type == QLatin1String("critical"))
            keepLowest(r.upperFatal, temperature);
    }
    // Older kernels name who runs the zone ("kernel", "user") instead of
    // saying "enabled"; either way somebody does.
    const QString mode = m_root.readText(dir() + QStringLiteral("/mode")).value_or(QString()).trimmed();
    if (mode == QLatin1String("disabled"))
        r.enabled = false;
    else if (mode == QLatin1String("enabled") || mode == QLatin1String("kernel") || mode == QLatin1String("user"))
        r.enabled = true;
    return r;
}

std::vector<ThermalZone> thermalZones(const MachineRoot &root)
{
    std::vector<ThermalZone> zones;
    for (const QString &name : root.list(ThermalClass)) {
        const QString dir = ThermalClass + QLatin1Char('/') + name;
        if (!name.startsWith(QLatin1String("thermal_zone")) || !root.isDirectory(dir))
            continue;
        const QString type = root.readText(dir + QStringLiteral("/type")).value_or(QString()).trimmed();
        zones.emplace_back(root, name, type);
    }
    return zones;
}

} // namespace inventory::linuxsource
