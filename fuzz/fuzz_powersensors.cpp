// Arbitrary attribute texts through the sensor and battery conversions: one
// field per line, in the order of the kernel files read.
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/power/PowerSupply.h"
#include "inventory/linux/power/Sensor.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>

using namespace inventory::linuxsource;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> fields = bytes.split('\n');
    qsizetype next = 0;
    const auto text = [&]() -> std::optional<QString> {
        if (next >= fields.size())
            return std::nullopt;
        return cleanText(fields.at(next++));
    };
    const auto number = [&]() -> std::optional<qint64> {
        const std::optional<QString> t = text();
        bool ok = false;
        const qint64 value = t ? t->trimmed().toLongLong(&ok) : 0;
        return ok ? std::optional<qint64>(value) : std::nullopt;
    };

    SensorReadings r;
    r.current = toWmiUnits(SensorKind::Temperature, text());
    r.lowerNonCritical = toWmiUnits(SensorKind::Voltage, text());
    r.upperNonCritical = toWmiUnits(SensorKind::Current, text());
    r.upperCritical = toWmiUnits(SensorKind::Fan, text());
    r.alarm = size % 2;
    r.fault = size % 3 == 0;
    sensorStatus(r);
    sensorStatusInfo(r);

    BatteryFigures f;
    for (std::optional<qint64> *figure : {&f.energyNow, &f.energyFull, &f.energyFullDesign, &f.chargeNow, &f.chargeFull,
                                          &f.chargeFullDesign, &f.powerNow, &f.currentNow, &f.voltageNow,
                                          &f.voltageMinDesign, &f.voltageMaxDesign, &f.capacity, &f.timeToEmpty,
                                          &f.timeToFull})
        *figure = number();
    f.currentIsPower = size % 5 == 0;
    designCapacity(f);
    fullChargeCapacity(f);
    designVoltage(f);
    estimatedChargeRemaining(f);
    minutesToEmpty(f);
    minutesToFull(f);
    const QString status = text().value_or(QString());
    batteryStatus(status, text().value_or(QString()));
    batteryChemistry(text().value_or(QString()));
    return 0;
}
