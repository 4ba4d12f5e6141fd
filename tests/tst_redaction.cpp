// Redaction: which texts count as identifying, where they are replaced, what
// is left alone, and that no serial of the real SMBIOS tables and no MAC
// address of the real sysfs trees survives in any written form.
#include "support/Fixtures.h"
#include "support/SmbiosFixtures.h"

#include "inventory/Catalogue.h"
#include "inventory/MemoryDeviceTree.h"
#include "inventory/Scan.h"
#include "inventory/linux/LinuxSource.h"
#include "inventory/privacy/Redaction.h"
#include "inventory/snapshot/InventoryFile.h"
#include "report/HtmlReport.h"
#include "report/ReportWalk.h"
#include "report/TextReport.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace inventory;
using inventory::privacy::RedactedMarker;
using snapshot::InventoryRecord;
using snapshot::RecordedClass;
using snapshot::RecordedInstance;

Q_DECLARE_METATYPE(inventory::Value)

namespace {

const QString Marker = RedactedMarker;

// A record with one instance of each class named in props ("Class.Name").
InventoryRecord recordWith(const QString &host, const QList<QPair<QString, Value>> &props, const QString &caption = {})
{
    InventoryRecord record;
    record.hostName = host;
    record.origin = {QStringLiteral("linux"), QStringLiteral("/")};
    for (const auto &[path, value] : props) {
        const QString className = path.section(QLatin1Char('.'), 0, 0);
        RecordedClass *recorded = nullptr;
        for (RecordedClass &c : record.classes)
            if (c.name == className)
                recorded = &c;
        if (!recorded) {
            record.classes.push_back({className, {RecordedInstance{Value::text(caption.isEmpty() ? className : caption), {}, {}}}, {}});
            recorded = &record.classes.back();
        }
        recorded->instances[0].properties.push_back({path.section(QLatin1Char('.'), 1), snapshot::typeOfValue(value), value});
    }
    return record;
}

Value propertyValue(const InventoryRecord &record, const QString &path)
{
    const RecordedClass *recorded = record.find(path.section(QLatin1Char('.'), 0, 0));
    for (const auto &property : recorded->instances[0].properties)
        if (property.name == path.section(QLatin1Char('.'), 1))
            return property.value;
    return Value::null();
}

// Everything a user can write of a record: both reports with properties,
// and the inventory file.
QString everyOutput(const InventoryRecord &record)
{
    auto shared = std::make_shared<const InventoryRecord>(record);
    const Instrumentation source = snapshot::recordInstrumentation(shared);
    MemoryDeviceTree tree;
    MemoryProgressBar bar;
    NoEventPump pump;
    const modGetDevices devices(source, pump);
    Scan scan({tree, bar, pump, devices, {}});
    StepRunner steps([](const QString &, int) {});
    scan.run(steps);
    const report::FixedSaveOption option(true);
    const report::ReportWalk walk({tree, bar, pump, devices, option});
    return walk.compose(report::TextReport(), steps) + walk.compose(report::HtmlReport(), steps)
        + QString::fromUtf8(snapshot::InventoryFile::toJson(record));
}

InventoryRecord redactedMachine(const QString &root)
{
    InventoryRecord record = snapshot::takeRecord(linuxsource::LinuxSource::instrumentation(root),
                                                  {QStringLiteral("linux"), root});
    privacy::redact(record);
    return record;
}

// What dmidecode prints where a table has no real value; not secrets, and
// words that may stand anywhere.
bool placeholder(const QString &value)
{
    static const QStringList words = {
        "Not Specified", "To Be Filled By O.E.M.", "To be filled by O.E.M.", "Default string", "None",
        "Not Available", "Not Present", "Unknown", "0123456789", "System Serial Number",
        "Chassis Serial Number", "Base Board Serial Number", "N/A", "No Asset Tag",
        "Not Provided", "Empty", "[Empty]", "INVALID",
    };
    QString trimmed = value.trimmed();
    while (trimmed.endsWith(QLatin1Char('.')))
        trimmed.chop(1);
    return trimmed.size() < 4 || words.contains(trimmed, Qt::CaseInsensitive)
        || words.contains(trimmed + QLatin1Char('.'), Qt::CaseInsensitive)
        || trimmed.count(trimmed.front()) == trimmed.size();
}

bool survives(const QString &output, const QString &secret)
{
    return output.contains(secret.trimmed(), Qt::CaseInsensitive);
}

// Whether some property of the record has exactly this text (trimmed).
bool holdsWholeValue(const InventoryRecord &record, const QString &text)
{
    for (const RecordedClass &recorded : record.classes)
        for (const RecordedInstance &instance : recorded.instances)
            for (const auto &property : instance.properties) {
                const QStringList texts = property.value.kind() == Value::Kind::Array ? property.value.items()
                    : property.value.hasText() ? QStringList{property.value.toText()} : QStringList();
                for (const QString &t : texts)
                    if (t.trimmed().compare(text, Qt::CaseInsensitive) == 0)
                        return true;
            }
    return false;
}

QStringList macsVariants(const QString &mac)
{
    QString bare = mac;
    bare.remove(QLatin1Char(':'));
    QString dashed = mac;
    dashed.replace(QLatin1Char(':'), QLatin1Char('-'));
    return {mac, dashed, bare};
}

} // namespace

class TestRedaction : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rules_data();
    void rules();
    void wholeRecord();
    void smbiosCheckReachesSerials();
    void smbiosSerialsGone_data();
    void smbiosSerialsGone();
    void macAddressesGone_data();
    void macAddressesGone();
};

void TestRedaction::rules_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<Value>("value");
    QTest::addColumn<QString>("other"); // another property of the record
    QTest::addColumn<Value>("otherValue");
    QTest::addColumn<Value>("otherRedacted");

    const Value serial = Value::text("WD-WCC4N1234567");
    QTest::newRow("disk serial, and inside its device id")
        << "Win32_DiskDrive.SerialNumber" << serial << "Win32_PNPEntity.DeviceID"
        << Value::text("SCSI\\DISK&VEN_WDC\\WD-WCC4N1234567&0") << Value::text("SCSI\\DISK&VEN_WDC\\" + Marker + "&0");
    QTest::newRow("USB serial in lower case elsewhere")
        << "Win32_USBHub.SerialNumber" << Value::text("4C530001230508116103") << "Win32_USBHub.DeviceID"
        << Value::text("USB\\VID_0781&PID_5567\\4c530001230508116103") << Value::text("USB\\VID_0781&PID_5567\\" + Marker);
    QTest::newRow("very short serial: its own property only")
        << "Win32_PhysicalMemory.SerialNumber" << Value::text("12") << "Win32_PhysicalMemory.Description"
        << Value::text("12 chips") << Value::text("12 chips");
    QTest::newRow("short serial: elsewhere as a word only")
        << "Win32_PhysicalMemory.SerialNumber" << Value::text("A1B2") << "Win32_PhysicalMemory.Description"
        << Value::text("A1B2 in XA1B2") << Value::text(Marker + " in XA1B2");
    QTest::newRow("placeholder: its own property only")
        << "Win32_BaseBoard.SerialNumber" << Value::text("To Be Filled By O.E.M.") << "Win32_BaseBoard.Product"
        << Value::text("To Be Filled By O.E.M.") << Value::text("To Be Filled By O.E.M.");
    QTest::newRow("asset tag")
        << "Win32_SystemEnclosure.SMBIOSAssetTag" << Value::text("IT-004711") << "Win32_SystemEnclosure.Description"
        << Value::text("asset IT-004711") << Value::text("asset " + Marker);
    QTest::newRow("MAC by shape anywhere, and bare in device ids")
        << "Win32_NetworkAdapter.MACAddress" << Value::text("F4:6D:04:97:2D:3E") << "Win32_PNPEntity.DeviceID"
        << Value::text("USB\\VID_0B95&PID_1790\\F46D04972D3E; peer 00-1A-2B-3C-4D-5E")
        << Value::text("USB\\VID_0B95&PID_1790\\" + Marker + "; peer " + Marker);
    QTest::newRow("adapter GUID, and any UUID by its shape")
        << "Win32_NetworkAdapter.GUID" << Value::text("{1E2D3C4B-0000-4000-8000-00AABBCCDDEE}")
        << "Win32_PNPEntity.DeviceID" << Value::text("SWD\\MMDEVAPI\\{0.0.1.00000000}.{8fc28570-df98-11e1-9f3a-5404a6a1b2c3}")
        << Value::text("SWD\\MMDEVAPI\\{0.0.1.00000000}.{" + Marker + "}");
    QTest::newRow("host name inside SystemName and paths")
        << "Win32_ComputerSystem.Name" << Value::text("NETCHAEIV") << "Win32_Printer.PortName"
        << Value::text("\\\\netchaeiv\\HP") << Value::text("\\\\" + Marker + "\\HP");
    QTest::newRow("short host name as a word only")
        << "Win32_ComputerSystem.Name" << Value::text("PC7") << "Win32_Bus.Description"
        << Value::text("PC7 bus, PC70 bridge") << Value::text(Marker + " bus, PC70 bridge");
    QTest::newRow("user and domain apart")
        << "Win32_ComputerSystem.UserName" << Value::text("EXAMPLE\\alice") << "Win32_Printer.Comment"
        << Value::text("alice's printer in EXAMPLE") << Value::text(Marker + "'s printer in " + Marker);
    QTest::newRow("numbers stay") << "Win32_BIOS.SerialNumber" << Value::text("123456789012") << "Win32_DiskDrive.Size"
                                  << Value::unsignedInteger(123456789012ULL) << Value::unsignedInteger(123456789012ULL);
    QTest::newRow("array items") << "Win32_NetworkAdapter.NetworkAddresses" << Value::array({"001122334455"})
                                 << "Win32_PNPEntity.HardwareID" << Value::array({"A\\001122334455", "B"})
                                 << Value::array({"A\\" + Marker, "B"});
    QTest::newRow("unrelated text stays") << "Win32_BIOS.SerialNumber" << Value::text("CZC1234XYZ")
                                          << "Win32_BIOS.Manufacturer" << Value::text("Hewlett-Packard")
                                          << Value::text("Hewlett-Packard");
}

void TestRedaction::rules()
{
    QFETCH(QString, property);
    QFETCH(Value, value);
    QFETCH(QString, other);
    QFETCH(Value, otherValue);
    QFETCH(Value, otherRedacted);
    InventoryRecord record = recordWith(QString(), {{property, value}, {other, otherValue}});
    privacy::redact(record);
    const Value own = propertyValue(record, property);
    if (value.kind() == Value::Kind::Array)
        QCOMPARE(own.items(), QStringList(value.items().size(), Marker));
    else
        QCOMPARE(own.toText(), Marker);
    const Value redacted = propertyValue(record, other);
    QVERIFY2(redacted == otherRedacted, qPrintable(redacted.hasText() ? redacted.toText() : redacted.items().join('|')));
}

void TestRedaction::wholeRecord()
{
    InventoryRecord record = recordWith(QStringLiteral("ws-0042.corp.example"),
                                        {{"Win32_ComputerSystem.Name", Value::text("WS-0042")},
                                         {"Win32_ComputerSystem.DNSHostName", Value::text("ws-0042")},
                                         {"Win32_ComputerSystem.Domain", Value::text("corp.example")},
                                         {"Win32_Printer.SystemName", Value::text("WS-0042")},
                                         {"Win32_PNPEntity.ClassGuid", Value::text("{4d36e972-e325-11ce-bfc1-08002be10318}")},
                                         {"Win32_PNPEntity.DeviceID", Value::text("SWD\\{4D36E972-E325-11CE-BFC1-08002BE10318}")}},
                                        QStringLiteral("Printer on WS-0042"));
    record.origin.location = QStringLiteral("/srv/captures/ws-0042");
    privacy::redact(record);
    QCOMPARE(record.hostName, Marker);
    QCOMPARE(record.find("Win32_ComputerSystem")->instances[0].caption, std::optional(Value::text(Marker)));
    QCOMPARE(record.find("Win32_Printer")->instances[0].caption, std::optional(Value::text("Printer on " + Marker)));
    QCOMPARE(propertyValue(record, "Win32_Printer.SystemName").toText(), Marker);
    QCOMPARE(propertyValue(record, "Win32_ComputerSystem.Domain").toText(), Marker);
    QCOMPARE(record.origin.location, "/srv/captures/" + Marker);
    // The device class GUIDs are the same on every Windows machine.
    QCOMPARE(propertyValue(record, "Win32_PNPEntity.ClassGuid").toText(), "{4d36e972-e325-11ce-bfc1-08002be10318}");
    QCOMPARE(propertyValue(record, "Win32_PNPEntity.DeviceID").toText(), "SWD\\{4D36E972-E325-11CE-BFC1-08002BE10318}");
}

void TestRedaction::smbiosSerialsGone_data()
{
    testing::addRealTableRows();
}

void TestRedaction::smbiosSerialsGone()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not there");
    QFETCH(QByteArray, entryPoint);
    QFETCH(QByteArray, table);
    QFETCH(QString, dmidecodeText);
    testing::FixtureTree tree;
    testing::writeTable(tree, entryPoint, table);

    QStringList secrets;
    for (const testing::DmiRecord &dmi : testing::readDmidecodeText(dmidecodeText))
        for (const auto &[key, value] : dmi.fields)
            if ((key == QLatin1String("Serial Number") || key == QLatin1String("Asset Tag") || key == QLatin1String("UUID"))
                && !placeholder(value))
                secrets << value.trimmed();

    // Each serial the program reads (one that is a whole value of the plain
    // record) must be gone from every output. A table's text may also turn
    // up inside other fields ("Battery 0" in "CRB Battery 0"); those are
    // fields the program never reads as serials, so they are not hunted.
    const InventoryRecord plain = snapshot::takeRecord(linuxsource::LinuxSource::instrumentation(tree.root()),
                                                       {QStringLiteral("linux"), tree.root()});
    InventoryRecord redacted = plain;
    privacy::redact(redacted);
    const QString after = everyOutput(redacted);
    for (const QString &secret : std::as_const(secrets))
        if (holdsWholeValue(plain, secret))
            QVERIFY2(!survives(after, secret), qPrintable(secret));
}

// The check above is only worth something if real serials do reach the
// outputs: they do for this table's system, board and memory.
void TestRedaction::smbiosCheckReachesSerials()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not there");
    const std::optional<testing::RealTable> table = testing::realTable(QStringLiteral("DMI-amd"));
    QVERIFY(table);
    testing::FixtureTree tree;
    testing::writeTable(tree, table->entryPoint, table->table);
    const InventoryRecord plain = snapshot::takeRecord(linuxsource::LinuxSource::instrumentation(tree.root()),
                                                       {QStringLiteral("linux"), tree.root()});
    QVERIFY(holdsWholeValue(plain, QStringLiteral("M80-B7007400024")));
    QVERIFY(survives(everyOutput(plain), QStringLiteral("M80-B7007400024")));
    QVERIFY(!survives(everyOutput(redactedMachine(tree.root())), QStringLiteral("M80-B7007400024")));
}

void TestRedaction::macAddressesGone_data()
{
    QTest::addColumn<QString>("archive");
    QTest::newRow("ThinkPad X61") << "sysfs/systemd-sys-script/sys-tree-generated.tar.xz";
    QTest::newRow("hwloc 40 cores") << "sysfs/hwloc-gather-topology/40intel64-2g2n4c+pcilocality.tar.bz2";
    QTest::newRow("hwloc 32 cores") << "sysfs/hwloc-gather-topology/32em64t-2n8c+dax+nvme+mic+dimms.tar.bz2";
    QTest::newRow("node_exporter") << "sysfs/node_exporter/node_exporter-fixtures-sys-udev-extracted.tar.gz";
}

void TestRedaction::macAddressesGone()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not there");
    QFETCH(QString, archive);
    QString root = testing::unpackShared(archive);
    QVERIFY(!root.isEmpty());
    // The machine root is where sys/ is.
    for (QDirIterator it(root, {QStringLiteral("sys")}, QDir::Dirs, QDirIterator::Subdirectories); it.hasNext();) {
        root = QFileInfo(it.next()).path();
        break;
    }
    QStringList macs;
    for (QDirIterator it(root + QStringLiteral("/sys"), {QStringLiteral("address")}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        if (!path.contains(QLatin1String("/net/")))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString mac = QString::fromLatin1(file.readAll()).trimmed();
        if (mac.size() == 17 && mac != QLatin1String("00:00:00:00:00:00"))
            macs << mac;
    }
    QVERIFY(!macs.isEmpty());

    const InventoryRecord plain = snapshot::takeRecord(linuxsource::LinuxSource::instrumentation(root),
                                                       {QStringLiteral("linux"), root});
    InventoryRecord redacted = plain;
    privacy::redact(redacted);
    const QString after = everyOutput(redacted);
    int present = 0;
    for (const QString &mac : std::as_const(macs)) {
        present += holdsWholeValue(plain, mac);
        for (const QString &form : macsVariants(mac))
            QVERIFY2(!survives(after, form), qPrintable(form));
    }
    QVERIFY2(present > 0, "no MAC address of this tree reaches the inventory");
}

QTEST_GUILESS_MAIN(TestRedaction)
#include "tst_redaction.moc"
