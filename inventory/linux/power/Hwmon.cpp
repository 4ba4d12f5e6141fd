#include "inventory/linux/power/Hwmon.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {

const QString HwmonClass = QStringLiteral("sys/class/hwmon");

const char *prefixOf(SensorKind kind)
{
    switch (kind) {
    case SensorKind::Temperature:
        return "temp";
    case SensorKind::Voltage:
        return "in";
    case SensorKind::Current:
        return "curr";
    case SensorKind::Fan:
        break;
    }
    return "fan";
}

// The thermal core registers a chip for every zone type it can, below the
// zone; the zone itself says more (its trip points), so such chips are
// skipped. One look at the link, not a walk of the whole path.
bool mirrorsThermalZone(const MachineRoot &root, const QString &hwmonLink)
{
    static const QRegularExpression zone(QStringLiteral("^thermal_zone[0-9]+$"));
    const QString target = QFileInfo(root.path(hwmonLink)).symLinkTarget();
    return zone.match(target.section(QLatin1Char('/'), -2, -2)).hasMatch();
}

} // namespace

HwmonSensor::HwmonSensor(MachineRoot root, QString hwmon, QString attributeDir, QString chip, QString sensor,
                         QString label, SensorKind kind)
    : m_root(std::move(root))
    , m_hwmon(std::move(hwmon))
    , m_dir(std::move(attributeDir))
    , m_chip(std::move(chip))
    , m_sensor(std::move(sensor))
    , m_label(std::move(label))
    , m_kind(kind)
{
}

QString HwmonSensor::caption() const
{
    return m_chip + QLatin1Char(' ') + (m_label.isEmpty() ? m_sensor : m_label);
}

QString HwmonSensor::deviceId() const
{
    return m_hwmon + QLatin1Char('/') + m_sensor;
}

SysfsDevice HwmonSensor::device() const
{
    return SysfsDevice::fromLink(m_root, HwmonClass + QLatin1Char('/') + m_hwmon + QStringLiteral("/device"));
}

bool HwmonSensor::has(const QString &suffix) const
{
    return m_root.exists(m_dir + QLatin1Char('/') + m_sensor + QLatin1Char('_') + suffix);
}

bool HwmonSensor::chipHas(const QString &attribute) const
{
    return m_root.exists(m_dir + QLatin1Char('/') + attribute);
}

std::optional<QString> HwmonSensor::value(const QString &suffix) const
{
    return m_root.readText(m_dir + QLatin1Char('/') + m_sensor + QLatin1Char('_') + suffix);
}

bool HwmonSensor::flag(const QString &suffix) const
{
    bool ok = false;
    const qint64 set = value(suffix).value_or(QString()).trimmed().toLongLong(&ok);
    return ok && set != 0;
}

SensorReadings HwmonSensor::readings() const
{
    SensorReadings r;
    auto read = [this](const char *suffix) { return toWmiUnits(m_kind, value(QLatin1String(suffix))); };
    r.current = read("input");
    // A fan's min and max steer some controllers (applesmc) rather than judge
    // the reading, and Win32_Fan has no limits to show them in.
    if (m_kind != SensorKind::Fan) {
        r.lowerNonCritical = read("min");
        r.upperNonCritical = read("max");
        r.lowerCritical = read("lcrit");
        r.upperCritical = read("crit");
    }
    if (m_kind == SensorKind::Temperature)
        r.upperFatal = read("emergency");

    // Chips come up with both limits at 0 until somebody sets them; such a
    // pair encloses nothing, and the alarms that judge by it mean nothing.
    bool limitsSet = true;
    if (r.lowerNonCritical && r.upperNonCritical && *r.upperNonCritical <= *r.lowerNonCritical) {
        r.lowerNonCritical.reset();
        r.upperNonCritical.reset();
        limitsSet = false;
    }
    if (limitsSet)
        r.alarm = flag(QStringLiteral("alarm")) || flag(QStringLiteral("min_alarm")) || flag(QStringLiteral("max_alarm"));
    r.alarm = r.alarm || flag(QStringLiteral("lcrit_alarm")) || flag(QStringLiteral("crit_alarm"))
              || flag(QStringLiteral("emergency_alarm"));
    r.fault = flag(QStringLiteral("fault"));
    if (const std::optional<QString> enable = value(QStringLiteral("enable"))) {
        const QString t = enable->trimmed();
        if (t == QLatin1String("0") || t == QLatin1String("1"))
            r.enabled = t == QLatin1String("1");
    }
    return r;
}

std::vector<HwmonSensor> hwmonSensors(const MachineRoot &root, SensorKind kind)
{
    const QRegularExpression input(QStringLiteral("^(%1[0-9]+)_input$").arg(QLatin1String(prefixOf(kind))));
    std::vector<HwmonSensor> sensors;
    for (const QString &hwmon : root.list(HwmonClass)) {
        const QString dir = HwmonClass + QLatin1Char('/') + hwmon;
        if (!root.isDirectory(dir) || mirrorsThermalZone(root, dir))
            continue;
        // Older drivers keep their attributes on the device, not the hwmon node.
        QString attributeDir = dir;
        std::optional<QString> chip = root.readText(dir + QStringLiteral("/name"));
        if (!chip && root.exists(dir + QStringLiteral("/device/name"))) {
            attributeDir = dir + QStringLiteral("/device");
            chip = root.readText(attributeDir + QStringLiteral("/name"));
        }
        QString chipName = chip.value_or(QString()).trimmed();
        if (chipName.isEmpty())
            chipName = hwmon;
        for (const QString &entry : root.list(attributeDir)) {
            const QRegularExpressionMatch match = input.match(entry);
            if (!match.hasMatch())
                continue;
            const QString sensor = match.captured(1);
            const QString label
                = root.readText(attributeDir + QLatin1Char('/') + sensor + QStringLiteral("_label")).value_or(QString()).trimmed();
            sensors.emplace_back(root, hwmon, attributeDir, chipName, sensor, label, kind);
        }
    }
    return sensors;
}

} // namespace inventory::linuxsource
