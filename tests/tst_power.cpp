// Batteries, UPSs, probes and fans: real machines' power_supply, hwmon and
// thermal trees, a battery cross-checked with what upower made of it, and
// hostile sensor files.
#include "support/Fixtures.h"

#include "inventory/linux/LinuxSource.h"
#include "inventory/linux/power/PowerSupply.h"
#include "inventory/linux/power/Sensor.h"
#include "inventory/modGetDevices.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTest>

#include <functional>

#include <cmath>
#include <sys/stat.h>

using namespace inventory;
using namespace inventory::linuxsource;

using Files = QMap<QString, QByteArray>;
using Expected = QMap<QString, QString>;
Q_DECLARE_METATYPE(inventory::linuxsource::BatteryFigures)

namespace {

struct Device
{
    QString caption;
    QMap<QString, QString> properties;
    QString operator[](const char *name) const { return properties.value(QLatin1String(name)); }
    bool has(const char *name) const { return properties.contains(QLatin1String(name)); }
};

// Every instance of a class with the properties that have a text form.
QList<Device> devicesOf(const QString &root, const char *className)
{
    LinuxSource source(root);
    InstanceEnumeration instances = source.instancesOf(QLatin1String(className));
    QList<Device> devices;
    while (std::optional<Instance> instance = instances.next()) {
        Device device{instance->caption().toText(), {}};
        for (const Property &p : instance->properties())
            if (p.value.hasText())
                device.properties.insert(p.name, p.value.toText());
        devices << device;
    }
    return devices;
}

QStringList captionsOf(const QList<Device> &devices)
{
    QStringList captions;
    for (const Device &d : devices)
        captions << d.caption;
    return captions;
}

Device only(const QList<Device> &devices, const QString &caption)
{
    Device found;
    int count = 0;
    for (const Device &d : devices)
        if (d.caption == caption) {
            found = d;
            ++count;
        }
    if (count != 1)
        qWarning("%d devices captioned %s", count, qPrintable(caption));
    return found;
}

QString nodeExporter()
{
    return testing::unpackShared(QStringLiteral("sysfs/node_exporter/node_exporter-fixtures-sys-udev-extracted.tar.gz"));
}

QString procfsFixtures()
{
    const QString dir = testing::unpackShared(QStringLiteral("sysfs/prometheus-procfs/procfs-fixtures-extracted.tar.gz"));
    return dir.isEmpty() ? dir : dir + QStringLiteral("/fixtures");
}

QString x61Tree()
{
    return testing::unpackShared(QStringLiteral("sysfs/systemd-sys-script/sys-tree-generated.tar.xz"),
                                 {QStringLiteral("sys/kernel/slab")});
}

// A chip at sys/class/hwmon/<hwmon> with the given attribute files.
void addChip(testing::FixtureTree &fx, const QString &hwmon, const QMap<QString, QByteArray> &attributes)
{
    const QString dir = QStringLiteral("sys/devices/platform/%1/hwmon/%1/").arg(hwmon);
    for (auto it = attributes.begin(); it != attributes.end(); ++it)
        fx.file(dir + it.key(), it.value());
    fx.link(QStringLiteral("sys/class/hwmon/") + hwmon, QStringLiteral("../../devices/platform/%1/hwmon/%1").arg(hwmon));
}

void addSupply(testing::FixtureTree &fx, const QString &name, const QMap<QString, QByteArray> &attributes)
{
    for (auto it = attributes.begin(); it != attributes.end(); ++it)
        fx.file(QStringLiteral("sys/class/power_supply/%1/%2").arg(name, it.key()), it.value());
}

} // namespace

class TestPower : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hwmonChipsOfRealMachines();
    void thinkpadX61();
    void thermalZones_data();
    void thermalZones();
    void sensorValues_data();
    void sensorValues();
    void limitsAndStatus_data();
    void limitsAndStatus();
    void hostileHwmonTree();
    void readingsAreLive();

    void batteriesOfRealMachines_data();
    void batteriesOfRealMachines();
    void batteryAgainstUpower_data();
    void batteryAgainstUpower();
    void batteryStatusCodes_data();
    void batteryStatusCodes();
    void chargeCountingBattery();
    void batteryFiguresNoBatteryHas_data();
    void batteryFiguresNoBatteryHas();
    void onlySystemBatteries();
    void upsFromTheKernel();
};

void TestPower::hwmonChipsOfRealMachines()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    const QString root = nodeExporter();
    QVERIFY(!root.isEmpty());

    // Two coretemp chips, a chip without a name (its node stands in), three
    // wifi phy sensors without labels, then the thermal zone. The bogus chip's
    // "bogus1" sensor is of no kind and gives nothing.
    const QList<Device> temperatures = devicesOf(root, "Win32_TemperatureProbe");
    QStringList coretemp{QStringLiteral("coretemp Physical id 0"), QStringLiteral("coretemp Core 0"),
                         QStringLiteral("coretemp Core 1"), QStringLiteral("coretemp Core 2"), QStringLiteral("coretemp Core 3")};
    QCOMPARE(captionsOf(temperatures),
             QStringList() << coretemp << coretemp << QStringLiteral("hwmon4 foosensor") << QStringLiteral("hwmon4 foosensor")
                           << QStringLiteral("mt7996_phy0_0 temp1") << QStringLiteral("mt7996_phy0_1 temp1")
                           << QStringLiteral("mt7996_phy0_2 temp1") << QStringLiteral("cpu-thermal"));
    const Device core0 = temperatures[1];
    QCOMPARE(core0["CurrentReading"], QStringLiteral("540"));
    QCOMPARE(core0["UpperThresholdNonCritical"], QStringLiteral("840"));
    QCOMPARE(core0["UpperThresholdCritical"], QStringLiteral("1000"));
    QCOMPARE(core0["DeviceID"], QStringLiteral("hwmon0/temp2"));
    QCOMPARE(core0["Status"], QStringLiteral("OK"));
    QCOMPARE(core0["Availability"], QStringLiteral("3"));
    QCOMPARE(core0["CreationClassName"], QStringLiteral("Win32_TemperatureProbe"));
    QCOMPARE(temperatures[6]["DeviceID"], QStringLiteral("hwmon1/temp2"));
    QCOMPARE(temperatures[12]["CurrentReading"], QStringLiteral("550"));
    QCOMPARE(temperatures.last()["CurrentReading"], QStringLiteral("124")); // 12376 m°C

    // applesmc keeps its attributes on the platform device.
    const QList<Device> fans = devicesOf(root, "Win32_Fan");
    QCOMPARE(captionsOf(fans), (QStringList{QStringLiteral("applesmc Left side"), QStringLiteral("applesmc Right side"),
                                            QStringLiteral("nct6779 fan2")}));
    QCOMPARE(fans[0]["DesiredSpeed"], QStringLiteral("0"));
    // Standing below applesmc's minimum, which steers the fan rather than judges it.
    QCOMPARE(fans[0]["Status"], QStringLiteral("OK"));
    QVERIFY(!fans[0].has("Availability"));
    QCOMPARE(fans[1]["DesiredSpeed"], QStringLiteral("1998"));
    QCOMPARE(fans[1]["Status"], QStringLiteral("OK"));
    QVERIFY(!fans[1].has("VariableSpeed"));
    QCOMPARE(fans[2]["DesiredSpeed"], QStringLiteral("1098"));
    QCOMPARE(fans[2]["VariableSpeed"], QStringLiteral("True")); // fan2_target
    QCOMPARE(fans[2]["ActiveCooling"], QStringLiteral("True"));

    // in1's limits are both 0, never set: no limits, and its alarm means nothing.
    const QList<Device> voltages = devicesOf(root, "Win32_VoltageProbe");
    QCOMPARE(captionsOf(voltages), (QStringList{QStringLiteral("nct6779 in0"), QStringLiteral("nct6779 in1")}));
    QCOMPARE(voltages[0]["CurrentReading"], QStringLiteral("792"));
    QCOMPARE(voltages[0]["LowerThresholdNonCritical"], QStringLiteral("0"));
    QCOMPARE(voltages[0]["UpperThresholdNonCritical"], QStringLiteral("1744"));
    QCOMPARE(voltages[1]["CurrentReading"], QStringLiteral("1024"));
    QVERIFY(!voltages[1].has("UpperThresholdNonCritical"));
    QCOMPARE(voltages[1]["Status"], QStringLiteral("OK"));

    QVERIFY(devicesOf(root, "Win32_CurrentProbe").isEmpty());
    QVERIFY(devicesOf(root, "Win32_HeatPipe").isEmpty());
    QVERIFY(devicesOf(root, "Win32_Refrigeration").isEmpty());

    // Two instances share a caption only where the data does; one query
    // then lists both, as WMI would.
    NoEventPump pump;
    const modGetDevices devices(LinuxSource::instrumentation(root), pump);
    const QStringList pairs = devices.GetDeviceProperties({QStringLiteral("PC"), QStringLiteral("TemperatureProbe"),
                                                           QStringLiteral("hwmon4 foosensor")});
    QCOMPARE(pairs.filter(QRegularExpression(QStringLiteral("^CurrentReading\\^"))),
             (QStringList{QStringLiteral("CurrentReading^550"), QStringLiteral("CurrentReading^540")}));
}

void TestPower::thinkpadX61()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    const QString root = x61Tree();
    QVERIFY(!root.isEmpty());

    // thinkpad_acpi creates sixteen slots; the empty ones could not be read
    // when the tree was recorded, so they have no reading.
    const QList<Device> temperatures = devicesOf(root, "Win32_TemperatureProbe");
    QCOMPARE(temperatures.size(), 18);
    QCOMPARE(temperatures[0].caption, QStringLiteral("thinkpad temp1"));
    QCOMPARE(temperatures[0]["CurrentReading"], QStringLiteral("460"));
    QCOMPARE(temperatures[15].caption, QStringLiteral("thinkpad temp16"));
    const Device empty = only(temperatures, QStringLiteral("thinkpad temp12"));
    QVERIFY(!empty.has("CurrentReading"));
    QCOMPARE(empty["Status"], QStringLiteral("Unknown"));
    QVERIFY(!empty.has("Availability"));
    QCOMPARE(temperatures[16].caption, QStringLiteral("acpitz"));

    const QList<Device> fans = devicesOf(root, "Win32_Fan");
    QCOMPARE(captionsOf(fans), QStringList{QStringLiteral("thinkpad fan1")});
    QCOMPARE(fans[0]["DesiredSpeed"], QStringLiteral("3446"));
    QCOMPARE(fans[0]["VariableSpeed"], QStringLiteral("True")); // pwm1
    QCOMPARE(fans[0]["Availability"], QStringLiteral("3"));
    QCOMPARE(fans[0]["DeviceID"], QStringLiteral("hwmon0/fan1"));
}

void TestPower::thermalZones_data()
{
    QTest::addColumn<QString>("machine");
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("nonCritical");
    QTest::addColumn<QString>("fatal");
    QTest::addColumn<QString>("statusInfo");
    QTest::newRow("X61 zone 0") << "x61" << "thermal_zone0" << "acpitz" << "460" << "" << "1270" << "3";
    QTest::newRow("X61 zone 1 passive trip") << "x61" << "thermal_zone1" << "acpitz" << "470" << "955" << "1000" << "3";
    QTest::newRow("Raspberry Pi") << "procfs" << "thermal_zone0" << "bcm2835_thermal" << "499" << "" << "" << "";
    QTest::newRow("below freezing") << "procfs" << "thermal_zone1" << "acpitz" << "-440" << "" << "" << "3";
    QTest::newRow("node_exporter") << "node_exporter" << "thermal_zone0" << "cpu-thermal" << "124" << "" << "" << "";
}

void TestPower::thermalZones()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    QFETCH(QString, machine);
    QFETCH(QString, zone);
    QFETCH(QString, caption);
    QFETCH(QString, reading);
    QFETCH(QString, nonCritical);
    QFETCH(QString, fatal);
    QFETCH(QString, statusInfo);
    const QString root = machine == QLatin1String("x61") ? x61Tree()
                         : machine == QLatin1String("procfs") ? procfsFixtures()
                                                              : nodeExporter();
    QVERIFY(!root.isEmpty());
    Device found;
    for (const Device &d : devicesOf(root, "Win32_TemperatureProbe"))
        if (d["DeviceID"] == zone)
            found = d;
    QCOMPARE(found.caption, caption);
    QCOMPARE(found["CurrentReading"], reading);
    QCOMPARE(found["UpperThresholdNonCritical"], nonCritical);
    QCOMPARE(found["UpperThresholdFatal"], fatal);
    QCOMPARE(found["StatusInfo"], statusInfo);
    QCOMPARE(found["Status"], QStringLiteral("OK"));
}

void TestPower::sensorValues_data()
{
    QTest::addColumn<QString>("sensor");
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("reading"); // empty: no reading
    QTest::newRow("temperature") << "temp1" << QByteArray("45000\n") << "450";
    QTest::newRow("rounded up") << "temp1" << QByteArray("45050\n") << "451";
    QTest::newRow("rounded down") << "temp1" << QByteArray("45049\n") << "450";
    QTest::newRow("below zero rounds away") << "temp1" << QByteArray("-5050\n") << "-51";
    QTest::newRow("padded") << "temp1" << QByteArray("  38000  \n") << "380";
    QTest::newRow("open diode -128") << "temp1" << QByteArray("-128000\n") << "";
    QTest::newRow("absolute zero") << "temp1" << QByteArray("-273150\n") << "";
    QTest::newRow("8-bit 255.5") << "temp1" << QByteArray("255500\n") << "";
    QTest::newRow("empty file") << "temp1" << QByteArray("") << "";
    QTest::newRow("not a number") << "temp1" << QByteArray("N/A\n") << "";
    QTest::newRow("decimal point") << "temp1" << QByteArray("45.5\n") << "";
    QTest::newRow("hex") << "temp1" << QByteArray("0x10\n") << "";
    QTest::newRow("beyond 64 bits") << "temp1" << QByteArray("99999999999999999999999\n") << "";
    QTest::newRow("binary") << "temp1" << QByteArray("\x00\xff\x01", 3) << "";
    QTest::newRow("voltage mV") << "in0" << QByteArray("1192\n") << "1192";
    QTest::newRow("power supply input") << "in1" << QByteArray("230000\n") << "230000";
    QTest::newRow("negative rail") << "in2" << QByteArray("-12100\n") << "-12100";
    QTest::newRow("voltage beyond sint32") << "in0" << QByteArray("3000000000\n") << "";
    QTest::newRow("current mA") << "curr1" << QByteArray("15250\n") << "15250";
    QTest::newRow("current absurd") << "curr1" << QByteArray("2000000\n") << "";
    QTest::newRow("fan") << "fan1" << QByteArray("2456\n") << "2456";
    QTest::newRow("fan standing") << "fan1" << QByteArray("0\n") << "0";
    QTest::newRow("fan negative") << "fan1" << QByteArray("-1\n") << "";
    QTest::newRow("fan from a zero count") << "fan1" << QByteArray("1350000\n") << "";
}

void TestPower::sensorValues()
{
    QFETCH(QString, sensor);
    QFETCH(QByteArray, raw);
    QFETCH(QString, reading);
    testing::FixtureTree fx;
    addChip(fx, QStringLiteral("hwmon0"), {{QStringLiteral("name"), "chip\n"}, {sensor + QStringLiteral("_input"), raw}});
    const char *className = sensor.startsWith(QLatin1String("temp")) ? "Win32_TemperatureProbe"
                            : sensor.startsWith(QLatin1String("in")) ? "Win32_VoltageProbe"
                            : sensor.startsWith(QLatin1String("curr")) ? "Win32_CurrentProbe"
                                                                       : "Win32_Fan";
    const QList<Device> devices = devicesOf(fx.root(), className);
    QCOMPARE(devices.size(), 1);
    QCOMPARE(devices[0].caption, QStringLiteral("chip ") + sensor);
    const QString property = QLatin1String(className) == QLatin1String("Win32_Fan") ? QStringLiteral("DesiredSpeed")
                                                                                    : QStringLiteral("CurrentReading");
    QCOMPARE(devices[0].properties.value(property), reading);
    QCOMPARE(devices[0]["Status"], reading.isEmpty() ? QStringLiteral("Unknown") : QStringLiteral("OK"));
}

void TestPower::limitsAndStatus_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("limits"); // lower non-critical / upper non-critical / lower critical / upper critical
    QTest::addColumn<QString>("statusInfo");
    QTest::newRow("within limits") << Files{{"in0_input", "1200"}, {"in0_min", "1100"}, {"in0_max", "1300"}} << "OK"
                                   << "1100/1300//" << "";
    QTest::newRow("above max") << Files{{"in0_input", "1400"}, {"in0_min", "1100"}, {"in0_max", "1300"}} << "Stressed"
                               << "1100/1300//" << "";
    QTest::newRow("below lcrit") << Files{{"in0_input", "900"}, {"in0_lcrit", "1000"}, {"in0_crit", "1500"}} << "Stressed"
                                 << "//1000/1500" << "";
    QTest::newRow("alarm flag") << Files{{"in0_input", "1200"}, {"in0_alarm", "1\n"}} << "Stressed" << "///" << "";
    QTest::newRow("limits never set") << Files{{"in0_input", "1200"}, {"in0_min", "0"}, {"in0_max", "0"}, {"in0_alarm", "1"}}
                                      << "OK" << "///" << "";
    QTest::newRow("crit alarm despite unset limits")
        << Files{{"in0_input", "1200"}, {"in0_min", "0"}, {"in0_max", "0"}, {"in0_crit_alarm", "1"}} << "Stressed" << "///" << "";
    QTest::newRow("fault") << Files{{"in0_input", "1200"}, {"in0_fault", "1"}} << "Error" << "///" << "";
    QTest::newRow("disabled") << Files{{"in0_input", ""}, {"in0_enable", "0"}} << "Unknown" << "///" << "4";
    QTest::newRow("enabled") << Files{{"in0_input", "5"}, {"in0_enable", "1"}} << "OK" << "///" << "3";
    QTest::newRow("garbage flags") << Files{{"in0_input", "5"}, {"in0_alarm", "yes"}, {"in0_enable", "2"}} << "OK" << "///" << "";
    QTest::newRow("garbage limit") << Files{{"in0_input", "5"}, {"in0_max", "-"}} << "OK" << "///" << "";
}

void TestPower::limitsAndStatus()
{
    QFETCH(Files, files);
    QFETCH(QString, status);
    QFETCH(QString, limits);
    QFETCH(QString, statusInfo);
    testing::FixtureTree fx;
    files.insert(QStringLiteral("name"), "nct6798");
    addChip(fx, QStringLiteral("hwmon2"), files);
    const QList<Device> probes = devicesOf(fx.root(), "Win32_VoltageProbe");
    QCOMPARE(probes.size(), 1);
    QCOMPARE(probes[0]["Status"], status);
    QCOMPARE(QStringList({probes[0]["LowerThresholdNonCritical"], probes[0]["UpperThresholdNonCritical"],
                          probes[0]["LowerThresholdCritical"], probes[0]["UpperThresholdCritical"]})
                 .join(QLatin1Char('/')),
             limits);
    QCOMPARE(probes[0]["StatusInfo"], statusInfo);
}

void TestPower::hostileHwmonTree()
{
    testing::FixtureTree fx;
    // Inputs that exist but cannot be read: a FIFO nobody writes to, a directory.
    addChip(fx, QStringLiteral("hwmon0"), {{QStringLiteral("name"), "it8728\n"}, {QStringLiteral("temp2_input"), "41000\n"},
                                           {QStringLiteral("temp1_label"), QByteArray("CPU\x01\xff \x1b[7m\n")},
                                           {QStringLiteral("temp2_label"), QByteArray(1 << 20, 'x')}});
    const QString chip = QStringLiteral("sys/devices/platform/hwmon0/hwmon/hwmon0/");
    QVERIFY(::mkfifo(QFile::encodeName(fx.path(chip + QStringLiteral("temp1_input"))).constData(), 0644) == 0);
    fx.dir(chip + QStringLiteral("temp3_input"));
    // A loop, a dangling link and a plain file where chips should be.
    fx.link(QStringLiteral("sys/class/hwmon/hwmon1"), QStringLiteral("hwmon1"))
        .link(QStringLiteral("sys/class/hwmon/hwmon2"), QStringLiteral("../../devices/gone"))
        .file(QStringLiteral("sys/class/hwmon/hwmon3"), "temp1_input\n");
    // A chip without a name and with a sensor number beyond any integer.
    addChip(fx, QStringLiteral("hwmon4"), {{QStringLiteral("temp99999999999999999999999_input"), "30000"}});
    // The thermal core's mirror of a zone: the zone stands for it.
    const QString zone = QStringLiteral("sys/devices/virtual/thermal/thermal_zone0/");
    fx.file(zone + QStringLiteral("type"), "acpitz\n").file(zone + QStringLiteral("temp"), "27800\n")
        .file(zone + QStringLiteral("hwmon5/name"), "acpitz\n").file(zone + QStringLiteral("hwmon5/temp1_input"), "27800\n")
        .link(QStringLiteral("sys/class/hwmon/hwmon5"), QStringLiteral("../../devices/virtual/thermal/thermal_zone0/hwmon5"))
        .link(QStringLiteral("sys/class/thermal/thermal_zone0"), QStringLiteral("../../devices/virtual/thermal/thermal_zone0"))
        .file(QStringLiteral("sys/class/thermal/cooling_device0/type"), "Fan\n");

    const QList<Device> probes = devicesOf(fx.root(), "Win32_TemperatureProbe");
    QCOMPARE(captionsOf(probes), (QStringList{QStringLiteral("it8728 CPU [7m"), QStringLiteral("it8728 ") + QString(64 * 1024, QLatin1Char('x')),
                                              QStringLiteral("it8728 temp3"),
                                              QStringLiteral("hwmon4 temp99999999999999999999999"), QStringLiteral("acpitz")}));
    QVERIFY(!probes[0].has("CurrentReading"));
    QCOMPARE(probes[1]["CurrentReading"], QStringLiteral("410"));
    QVERIFY(!probes[2].has("CurrentReading"));
    QCOMPARE(probes[3]["CurrentReading"], QStringLiteral("300"));
    QCOMPARE(probes[4]["CurrentReading"], QStringLiteral("278"));
    // A cooling device is no fan we can measure.
    QVERIFY(devicesOf(fx.root(), "Win32_Fan").isEmpty());
}

void TestPower::readingsAreLive()
{
    testing::FixtureTree fx;
    addChip(fx, QStringLiteral("hwmon0"), {{QStringLiteral("name"), "k10temp\n"}, {QStringLiteral("temp1_input"), "40000\n"},
                                           {QStringLiteral("temp1_label"), "Tctl\n"}});
    // Each query (a click in the tree) connects afresh and reads the sensor
    // as it is now; one connection keeps what it read, like a WMI object.
    const auto reading = [&](const std::function<void()> &beforeProperties = {}) {
        LinuxSource source(fx.root());
        InstanceEnumeration instances = source.instancesOf(QStringLiteral("Win32_TemperatureProbe"));
        const std::optional<Instance> probe = instances.next();
        if (!probe || probe->caption().toText() != QLatin1String("k10temp Tctl"))
            return QStringLiteral("no probe");
        if (beforeProperties)
            beforeProperties();
        for (const Property &p : probe->properties())
            if (p.name == QLatin1String("CurrentReading"))
                return p.value.toText();
        return QString();
    };
    QCOMPARE(reading(), QStringLiteral("400"));
    fx.file(QStringLiteral("sys/devices/platform/hwmon0/hwmon/hwmon0/temp1_input"), "61500\n");
    QCOMPARE(reading(), QStringLiteral("615"));
    // The chip went away (module unloaded) between the list and the click:
    // no reading, no error.
    QCOMPARE(reading([&] { QDir(fx.path(QStringLiteral("sys/devices/platform/hwmon0"))).removeRecursively(); }), QString());
}

void TestPower::batteriesOfRealMachines_data()
{
    QTest::addColumn<QString>("machine");
    QTest::addColumn<Expected>("expected");
    // X61: energy counted, no capacity file, and the power in current_now as
    // that kernel's ACPI driver reported it: 59.98 Wh at 25.83 W.
    QTest::newRow("ThinkPad X61") << "x61"
                                  << Expected{{"Caption", "42T5245"}, {"DeviceID", "BAT0"}, {"BatteryStatus", "1"},
                                              {"Chemistry", "6"}, {"DesignCapacity", "84240"}, {"FullChargeCapacity", "61510"},
                                              {"DesignVoltage", "10800"}, {"EstimatedChargeRemaining", "98"},
                                              {"EstimatedRunTime", "139"}, {"TimeToFullCharge", ""}, {"Status", "OK"},
                                              {"Description", "Internal Battery"}, {"PNPDeviceID", ""}};
    // The model name carries two broken characters, which are dropped.
    QTest::newRow("node_exporter") << "node_exporter"
                                   << Expected{{"Caption", "LNV-45N1"}, {"BatteryStatus", "1"}, {"DesignCapacity", "47520"},
                                               {"FullChargeCapacity", "45070"}, {"EstimatedChargeRemaining", "81"},
                                               {"EstimatedRunTime", "439"}, {"DesignVoltage", "10800"}};
    QTest::newRow("procfs") << "procfs"
                            << Expected{{"Caption", "LNV-45N1"}, {"EstimatedChargeRemaining", "98"},
                                        {"FullChargeCapacity", "50060"}, {"EstimatedRunTime", "614"},
                                        {"CreationClassName", "Win32_Battery"}};
}

void TestPower::batteriesOfRealMachines()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    QFETCH(QString, machine);
    QFETCH(Expected, expected);
    const QString root = machine == QLatin1String("x61") ? x61Tree()
                         : machine == QLatin1String("procfs") ? procfsFixtures()
                                                              : nodeExporter();
    QVERIFY(!root.isEmpty());
    // The AC adapter is no battery.
    const QList<Device> batteries = devicesOf(root, "Win32_Battery");
    QCOMPARE(batteries.size(), 1);
    for (auto it = expected.begin(); it != expected.end(); ++it)
        QCOMPARE(batteries[0].properties.value(it.key()) + QLatin1Char(' ') + it.key(), it.value() + QLatin1Char(' ') + it.key());
    QVERIFY(devicesOf(root, "Win32_UninterruptiblePowerSupply").isEmpty());
}

void TestPower::batteryAgainstUpower_data()
{
    QTest::addColumn<QString>("file");
    for (const char *file : {"infos_1.txt", "infos_2.txt", "infos_3.txt", "infos_4.1.txt", "infos_4.2.txt"})
        QTest::newRow(file) << QString::fromLatin1(file);
}

// upower's view of a battery gives back the sysfs figures it was made from;
// our figures must agree with the ones upower derived.
void TestPower::batteryAgainstUpower()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    QFETCH(QString, file);
    QFile in(testing::sharedData(QStringLiteral("tool-outputs/glpi-agent/upower/") + file));
    QVERIFY(in.open(QIODevice::ReadOnly));
    QMap<QString, QString> info;
    for (const QByteArray &line : in.readAll().split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            info.insert(QString::fromUtf8(line.left(colon)).trimmed(), QString::fromUtf8(line.mid(colon + 1)).trimmed());
    }
    // "39,264 Wh" in the French locale of the capture.
    const auto number = [&](const char *key) {
        static const QRegularExpression leading(QStringLiteral("^[0-9]+(,[0-9]+)?"));
        return leading.match(info.value(QLatin1String(key))).captured().replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    };
    const auto micro = [&](const char *key) { return QByteArray::number(std::llround(number(key) * 1e6)); };
    const QString name = info.value(QStringLiteral("native-path"));
    const QMap<QString, QByteArray> states{{"discharging", "Discharging"}, {"charging", "Charging"}, {"fully-charged", "Full"}};
    const QMap<QString, QByteArray> technologies{{"lithium-ion", "Li-ion"}, {"lithium-polymer", "Li-poly"}};
    QMap<QString, QByteArray> attributes{
        {"type", "Battery"},
        {"model_name", info.value(QStringLiteral("model")).toUtf8()},
        {"status", states.value(info.value(QStringLiteral("state")))},
        {"capacity", QByteArray::number(int(number("percentage")))},
        {"scope", info.value(QStringLiteral("power supply")) == QLatin1String("no") ? "Device" : "System"}};
    if (info.contains(QStringLiteral("energy"))) {
        attributes.insert(QStringLiteral("energy_now"), micro("energy"));
        attributes.insert(QStringLiteral("energy_full"), micro("energy-full"));
        attributes.insert(QStringLiteral("energy_full_design"), micro("energy-full-design"));
        attributes.insert(QStringLiteral("power_now"), micro("energy-rate"));
        attributes.insert(QStringLiteral("voltage_now"), micro("voltage"));
        attributes.insert(QStringLiteral("technology"), technologies.value(info.value(QStringLiteral("technology"))));
    }
    testing::FixtureTree fx;
    addSupply(fx, name, attributes);
    addSupply(fx, QStringLiteral("AC"), {{QStringLiteral("type"), "Mains\n"}, {QStringLiteral("online"), "1\n"}});

    const QList<Device> batteries = devicesOf(fx.root(), "Win32_Battery");
    if (info.value(QStringLiteral("power supply")) == QLatin1String("no")) {
        QVERIFY(batteries.isEmpty()); // a mouse's or keyboard's battery
        return;
    }
    QCOMPARE(batteries.size(), 1);
    const Device b = batteries[0];
    QCOMPARE(b.caption, info.value(QStringLiteral("model")));
    QCOMPARE(b["EstimatedChargeRemaining"], QString::number(int(number("percentage"))));
    QCOMPARE(b["FullChargeCapacity"], QString::number(std::llround(number("energy-full") * 1000)));
    QCOMPARE(b["DesignCapacity"], QString::number(std::llround(number("energy-full-design") * 1000)));
    const QMap<QString, QString> statuses{{"discharging", "1"}, {"charging", "6"}, {"fully-charged", "3"}};
    QCOMPARE(b["BatteryStatus"], statuses.value(info.value(QStringLiteral("state"))));
    QCOMPARE(b["Chemistry"], info.value(QStringLiteral("technology")) == QLatin1String("lithium-polymer") ? QStringLiteral("8")
                                                                                                         : QStringLiteral("6"));
    // upower prints hours with one decimal: within three minutes.
    for (const auto &[key, property] : {std::pair{"time to empty", "EstimatedRunTime"}, std::pair{"time to full", "TimeToFullCharge"}}) {
        if (!info.contains(QLatin1String(key))) {
            QVERIFY2(!b.has(property), property);
            continue;
        }
        const double upowerMinutes = number(key) * 60;
        QVERIFY2(std::fabs(b[property].toDouble() - upowerMinutes) <= 3, qPrintable(b[property]));
    }
}

void TestPower::batteryStatusCodes_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("level");
    QTest::addColumn<qint64>("code");
    QTest::newRow("discharging") << "Discharging" << "Normal" << qint64(1);
    QTest::newRow("discharging, low") << "Discharging" << "Low" << qint64(4);
    QTest::newRow("discharging, critical") << "Discharging" << "Critical" << qint64(5);
    QTest::newRow("charging") << "Charging" << "" << qint64(6);
    QTest::newRow("charging, high") << "Charging" << "High" << qint64(7);
    QTest::newRow("charging, low") << "Charging" << "Low" << qint64(8);
    QTest::newRow("charging, critical") << "Charging" << "Critical" << qint64(9);
    QTest::newRow("full") << "Full" << "" << qint64(3);
    QTest::newRow("held below full on mains") << "Not charging" << "Normal" << qint64(2);
    QTest::newRow("not charging, full") << "Not charging" << "Full" << qint64(3);
    QTest::newRow("unknown") << "Unknown" << "" << qint64(2);
    QTest::newRow("no status file") << "" << "" << qint64(2);
}

void TestPower::batteryStatusCodes()
{
    QFETCH(QString, status);
    QFETCH(QString, level);
    QFETCH(qint64, code);
    QCOMPARE(batteryStatus(status, level), code);
}

void TestPower::chargeCountingBattery()
{
    testing::FixtureTree fx;
    // A fuel gauge counting charge, with a signed current (negative while
    // discharging) and no capacity file.
    addSupply(fx, QStringLiteral("bq27500-0"), {{QStringLiteral("type"), "Battery\n"}, {QStringLiteral("status"), "Discharging\n"},
                                                {QStringLiteral("technology"), "Li-poly\n"},
                                                {QStringLiteral("charge_full_design"), "4400000\n"},
                                                {QStringLiteral("charge_full"), "4000000\n"},
                                                {QStringLiteral("charge_now"), "1000000\n"},
                                                {QStringLiteral("current_now"), "-500000\n"},
                                                {QStringLiteral("voltage_min_design"), "11100000\n"},
                                                {QStringLiteral("voltage_now"), "11400000\n"},
                                                {QStringLiteral("health"), "Overheat\n"}});
    // Charging, with the driver's own estimate.
    addSupply(fx, QStringLiteral("BAT1"), {{QStringLiteral("type"), "Battery\n"}, {QStringLiteral("status"), "Charging\n"},
                                           {QStringLiteral("capacity"), "40\n"}, {QStringLiteral("time_to_full_now"), "3600\n"},
                                           {QStringLiteral("technology"), "LiFe\n"}});
    const QList<Device> batteries = devicesOf(fx.root(), "Win32_Battery");
    QCOMPARE(captionsOf(batteries), (QStringList{QStringLiteral("BAT1"), QStringLiteral("bq27500-0")}));
    const Device gauge = batteries[1];
    QCOMPARE(gauge["DesignCapacity"], QStringLiteral("48840")); // 4.4 Ah at 11.1 V
    QCOMPARE(gauge["FullChargeCapacity"], QStringLiteral("44400"));
    QCOMPARE(gauge["DesignVoltage"], QStringLiteral("11100"));
    QCOMPARE(gauge["EstimatedChargeRemaining"], QStringLiteral("25"));
    QCOMPARE(gauge["EstimatedRunTime"], QStringLiteral("120"));
    QCOMPARE(gauge["Chemistry"], QStringLiteral("8"));
    QCOMPARE(gauge["Status"], QStringLiteral("Stressed"));
    QVERIFY(!gauge.has("TimeToFullCharge"));
    const Device charging = batteries[0];
    QCOMPARE(charging["TimeToFullCharge"], QStringLiteral("60"));
    QCOMPARE(charging["BatteryStatus"], QStringLiteral("6"));
    QCOMPARE(charging["Chemistry"], QStringLiteral("6"));
    QVERIFY(!charging.has("EstimatedRunTime"));
    QVERIFY(!charging.has("DesignCapacity"));
}

void TestPower::batteryFiguresNoBatteryHas_data()
{
    QTest::addColumn<BatteryFigures>("figures");
    QTest::addColumn<QString>("expected"); // design, full, remaining, to empty, to full
    BatteryFigures f;
    QTest::newRow("nothing known") << f << "////";
    f = {};
    f.energyFullDesign = 0;
    f.energyFull = -5;
    f.capacity = 250;
    QTest::newRow("zero and negative capacities, 250 %") << f << "////";
    f = {};
    f.energyFull = 50000000;
    f.energyNow = 51000000;
    f.capacity = 101;
    QTest::newRow("gauge beyond full") << f << "/50000/100//";
    f = {};
    f.energyNow = 50000000;
    f.powerNow = 1;
    QTest::newRow("a trickle is no run time") << f << "////";
    f = {};
    f.energyFull = 50000000;
    f.energyNow = 10000000;
    f.powerNow = 2000000;
    QTest::newRow("charging 40 Wh at 2 W takes 20 h") << f << "/50000/20/300/1200";
    f.powerNow = 1900000;
    QTest::newRow("beyond 20 h") << f << "/50000/20/316/";
    f = {};
    f.chargeFullDesign = std::numeric_limits<qint64>::max();
    f.voltageMinDesign = std::numeric_limits<qint64>::max();
    f.chargeNow = std::numeric_limits<qint64>::max();
    f.currentNow = std::numeric_limits<qint64>::min();
    QTest::newRow("64-bit extremes") << f << "///60/";
    f = {};
    f.timeToEmpty = -60;
    f.timeToFull = 7200;
    QTest::newRow("negative reported time") << f << "////120";
}

void TestPower::batteryFiguresNoBatteryHas()
{
    QFETCH(BatteryFigures, figures);
    QFETCH(QString, expected);
    const auto text = [](std::optional<quint64> v) { return v ? QString::number(*v) : QString(); };
    QCOMPARE(QStringList({text(designCapacity(figures)), text(fullChargeCapacity(figures)),
                          text(estimatedChargeRemaining(figures)), text(minutesToEmpty(figures)), text(minutesToFull(figures))})
                 .join(QLatin1Char('/')),
             expected);
}

void TestPower::onlySystemBatteries()
{
    testing::FixtureTree fx;
    addSupply(fx, QStringLiteral("BAT0"), {{QStringLiteral("type"), "Battery\n"}, {QStringLiteral("scope"), "System\n"},
                                           {QStringLiteral("model_name"), "5B10W13930\n"}});
    addSupply(fx, QStringLiteral("BAT1"), {{QStringLiteral("type"), "Battery\n"}, {QStringLiteral("present"), "0\n"}});
    addSupply(fx, QStringLiteral("hidpp_battery_0"), {{QStringLiteral("type"), "Battery\n"}, {QStringLiteral("scope"), "Device\n"},
                                                      {QStringLiteral("model_name"), "Anywhere MX\n"}});
    addSupply(fx, QStringLiteral("ucsi-source-psy-USBC000:001"), {{QStringLiteral("type"), "USB\n"}});
    addSupply(fx, QStringLiteral("AC"), {{QStringLiteral("type"), "Mains\n"}});
    // No scope attribute, but inside a HID device: a game pad.
    const QString pad = QStringLiteral("sys/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/0003:054C:09CC.0005/");
    fx.dir(QStringLiteral("sys/bus/hid"))
        .link(pad + QStringLiteral("subsystem"), QStringLiteral("../../../../../../../bus/hid"))
        .file(pad + QStringLiteral("power_supply/sony_controller_battery_00:11:22:33:44:55/type"), "Battery\n")
        .link(pad + QStringLiteral("power_supply/sony_controller_battery_00:11:22:33:44:55/device"), QStringLiteral("../.."))
        .link(QStringLiteral("sys/class/power_supply/sony_controller_battery_00:11:22:33:44:55"),
              QStringLiteral("../../devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/0003:054C:09CC.0005/power_supply/"
                             "sony_controller_battery_00:11:22:33:44:55"));
    // An ACPI battery whose firmware gives a _UID.
    const QString acpi = QStringLiteral("sys/devices/LNXSYSTM:00/LNXSYBUS:00/PNP0C0A:00/");
    fx.file(acpi + QStringLiteral("hid"), "PNP0C0A\n").file(acpi + QStringLiteral("uid"), "1\n");
    fx.link(QStringLiteral("sys/class/power_supply/BAT0/device"), QStringLiteral("../../../") + acpi.mid(4));

    const QList<Device> batteries = devicesOf(fx.root(), "Win32_Battery");
    QCOMPARE(captionsOf(batteries), QStringList{QStringLiteral("5B10W13930")});
    QCOMPARE(batteries[0]["PNPDeviceID"], QStringLiteral("ACPI\\PNP0C0A\\1"));
    QVERIFY(devicesOf(fx.root(), "Win32_UninterruptiblePowerSupply").isEmpty());
}

void TestPower::upsFromTheKernel()
{
    testing::FixtureTree fx;
    addSupply(fx, QStringLiteral("ups0"), {{QStringLiteral("type"), "UPS\n"}, {QStringLiteral("status"), "Charging\n"},
                                           {QStringLiteral("model_name"), "Back-UPS ES 700\n"}, {QStringLiteral("capacity"), "93\n"},
                                           {QStringLiteral("capacity_level"), "Normal\n"},
                                           {QStringLiteral("time_to_empty_now"), "2520\n"},
                                           {QStringLiteral("energy_now"), "100000000\n"}, {QStringLiteral("power_now"), "1000000\n"}});
    addSupply(fx, QStringLiteral("ups1"), {{QStringLiteral("type"), "UPS\n"}, {QStringLiteral("status"), "Discharging\n"},
                                           {QStringLiteral("capacity_level"), "Critical\n"},
                                           {QStringLiteral("energy_now"), "20000000\n"}, {QStringLiteral("power_now"), "60000000\n"}});
    const QList<Device> supplies = devicesOf(fx.root(), "Win32_UninterruptiblePowerSupply");
    QCOMPARE(captionsOf(supplies), (QStringList{QStringLiteral("Back-UPS ES 700"), QStringLiteral("ups1")}));
    QCOMPARE(supplies[0]["EstimatedChargeRemaining"], QStringLiteral("93"));
    // On mains the UPS's own estimate counts, not the charging rate.
    QCOMPARE(supplies[0]["EstimatedRunTime"], QStringLiteral("42"));
    QCOMPARE(supplies[0]["RemainingCapacityStatus"], QStringLiteral("2"));
    QCOMPARE(supplies[0]["BatteryInstalled"], QStringLiteral("True"));
    QCOMPARE(supplies[1]["EstimatedRunTime"], QStringLiteral("20"));
    QCOMPARE(supplies[1]["RemainingCapacityStatus"], QStringLiteral("3"));
    QVERIFY(devicesOf(fx.root(), "Win32_Battery").isEmpty());
}

QTEST_GUILESS_MAIN(TestPower)
#include "tst_power.moc"
