// The reports written from a machine's inventory file are the reports
// written from the machine, byte for byte: on this machine (with the print
// queues of a real scheduler) and on a fixture root made from every real
// machine in ../shared/realdata (SMBIOS tables, recorded sysfs and procfs
// trees, umockdev recordings, processor tables, real monitors' EDIDs). Every
// file written here is checked against the format's schema.
#include "support/CupsScheduler.h"
#include "support/Fixtures.h"
#include "support/SmbiosFixtures.h"
#include "support/Umockdev.h"

#include "app/HeadlessExport.h"
#include "app/SourceFactory.h"
#include "inventory/Catalogue.h"
#include "inventory/snapshot/InventoryFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace inventory::snapshot;

namespace {

// Makes a machine root below the fixture tree it is given, or returns one
// that exists already; "" when the data is missing.
using MachineMaker = std::function<QString(testing::FixtureTree &)>;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A capture folder, or the one folder inside it that holds the machine.
QString captureRoot(const QString &unpacked)
{
    if (unpacked.isEmpty() || QFileInfo::exists(unpacked + QStringLiteral("/sys"))
        || QFileInfo::exists(unpacked + QStringLiteral("/proc")))
        return unpacked;
    const QStringList inner = QDir(unpacked).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    return inner.size() == 1 ? unpacked + QLatin1Char('/') + inner.first() : unpacked;
}

MachineMaker archive(const QString &path, const QStringList &excludes = {}, const QString &inside = QString())
{
    return [=](testing::FixtureTree &) {
        const QString unpacked = testing::unpackShared(path, excludes);
        if (unpacked.isEmpty())
            return QString();
        return inside.isEmpty() ? captureRoot(unpacked) : unpacked + QLatin1Char('/') + inside;
    };
}

MachineMaker folder(const QString &relative)
{
    return [=](testing::FixtureTree &) { return testing::sharedData(relative); };
}

MachineMaker smbiosTable(const QString &name)
{
    return [=](testing::FixtureTree &fx) {
        const std::optional<testing::RealTable> table = testing::realTable(name);
        if (!table)
            return QString();
        testing::writeTable(fx, table->entryPoint, table->table);
        fx.file(QStringLiteral("proc/sys/kernel/hostname"), name.toLatin1() + "\n");
        return fx.root();
    };
}

MachineMaker cpuinfo(const QString &name)
{
    return [=](testing::FixtureTree &fx) {
        QFile file(testing::sharedData(QStringLiteral("proc/glpi-agent-cpuinfo/") + name));
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        fx.file(QStringLiteral("proc/cpuinfo"), file.readAll());
        return fx.root();
    };
}

MachineMaker umockdev(const QString &name)
{
    return [=](testing::FixtureTree &fx) {
        return testing::loadUmockdev(fx, testing::sharedData(QStringLiteral("sysfs/umockdev/") + name)) ? fx.root() : QString();
    };
}

// One graphics adapter with a connected output per real EDID.
QString everyMonitor(testing::FixtureTree &fx)
{
    QStringList edids;
    for (const char *set : {"edid/glpi-agent", "edid/linuxhw-EDID"}) {
        const QDir dir(testing::sharedData(QLatin1String(set)));
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
            if (!name.endsWith(QLatin1String(".txt")))
                edids << dir.filePath(name);
        }
    }
    if (edids.isEmpty())
        return QString();
    const QString gpu = QStringLiteral("sys/devices/pci0000:00/0000:00:02.0");
    fx.file(gpu + QStringLiteral("/vendor"), "0x8086\n").file(gpu + QStringLiteral("/device"), "0x46a6\n")
        .file(gpu + QStringLiteral("/class"), "0x030000\n").file(gpu + QStringLiteral("/boot_vga"), "1\n")
        .link(gpu + QStringLiteral("/subsystem"), QStringLiteral("../../../bus/pci"))
        .link(QStringLiteral("sys/bus/pci/devices/0000:00:02.0"), QStringLiteral("../../../devices/pci0000:00/0000:00:02.0"))
        .link(gpu + QStringLiteral("/drm/card0/device"), QStringLiteral("../../../0000:00:02.0"))
        .link(QStringLiteral("sys/class/drm/card0"), QStringLiteral("../../devices/pci0000:00/0000:00:02.0/drm/card0"));
    for (qsizetype i = 0; i < edids.size(); ++i) {
        const QString output = gpu + QStringLiteral("/drm/card0/card0-DP-%1/").arg(i + 1);
        fx.file(output + QStringLiteral("status"), "connected\n").file(output + QStringLiteral("enabled"), "enabled\n")
            .file(output + QStringLiteral("dpms"), "On\n").file(output + QStringLiteral("modes"), "1920x1080\n1280x1024\n")
            .file(output + QStringLiteral("edid"), readAll(edids[i]));
    }
    return fx.root();
}

struct Reports
{
    QByteArray textList, htmlList, textProperties, htmlProperties;
    bool operator==(const Reports &) const = default;
};

Reports writeReports(const app::Source &source, const QString &folder, QStringList &complaints)
{
    Reports reports;
    for (const bool withProperties : {false, true}) {
        app::HeadlessExport exporter;
        exporter.textTarget = folder + QStringLiteral("/r.txt");
        exporter.htmlTarget = folder + QStringLiteral("/r.html");
        exporter.withProperties = withProperties;
        exporter.run(source, [&](const QString &complaint) { complaints << complaint; });
        (withProperties ? reports.textProperties : reports.textList) = readAll(exporter.textTarget);
        (withProperties ? reports.htmlProperties : reports.htmlList) = readAll(exporter.htmlTarget);
    }
    return reports;
}

} // namespace

Q_DECLARE_METATYPE(MachineMaker)

class TestRoundTrip : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void reportsFromTheFileAreTheLiveReports_data();
    void reportsFromTheFileAreTheLiveReports();
    void everyFileWrittenMatchesTheSchema();

private:
    QTemporaryDir m_files;
    QStringList m_written;
    testing::CupsScheduler m_scheduler;
};

void TestRoundTrip::initTestCase()
{
    QVERIFY(m_files.isValid());
    // This machine's printers are the queues of a scheduler of our own.
    if (m_scheduler.start()) {
        qputenv("CUPS_SERVER", QFile::encodeName(m_scheduler.socket()));
        QVERIFY(m_scheduler.lpadmin({QStringLiteral("-p"), QStringLiteral("Office_Laser"), QStringLiteral("-E"), QStringLiteral("-v"),
                                     QStringLiteral("file:///dev/null"), QStringLiteral("-m"), QStringLiteral("drv:///sample.drv/generic.ppd"),
                                     QStringLiteral("-D"), QStringLiteral("Laser by the door"), QStringLiteral("-L"), QStringLiteral("Room 12")}));
        QVERIFY(m_scheduler.lpadmin({QStringLiteral("-p"), QStringLiteral("Label_Printer"), QStringLiteral("-E"), QStringLiteral("-v"),
                                     QStringLiteral("socket://192.0.2.10:9100"), QStringLiteral("-m"), QStringLiteral("raw")}));
    } else {
        qWarning("this machine without print queues: %s", qPrintable(m_scheduler.skipReason()));
    }
}

void TestRoundTrip::reportsFromTheFileAreTheLiveReports_data()
{
    QTest::addColumn<MachineMaker>("machine");
    // A processor table alone may give no device (an empty one, or one of an
    // architecture the reader does not know); every other row has devices.
    QTest::addColumn<bool>("mustHaveDevices");
    // CTest runs the rows in slices (VANTORIX_ROUNDTRIP_ROWS: the first words
    // of the rows to run), so that each finishes well within its time.
    const QStringList slice = qEnvironmentVariable("VANTORIX_ROUNDTRIP_ROWS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    const auto addRow = [&](const QString &name, const MachineMaker &machine) {
        if (slice.isEmpty() || slice.contains(name.section(QLatin1Char(' '), 0, 0)))
            QTest::newRow(qPrintable(name)) << machine << !name.startsWith(QLatin1String("cpuinfo "));
    };
    addRow(QStringLiteral("this machine"), MachineMaker([](testing::FixtureTree &) { return QStringLiteral("/"); }));
    if (!testing::sharedDataAvailable())
        return;
    for (const testing::RealTable &table : testing::realTables())
        addRow(QStringLiteral("SMBIOS ") + table.name, smbiosTable(table.name));
    addRow(QStringLiteral("sysfs ThinkPad X61"), archive(QStringLiteral("sysfs/systemd-sys-script/sys-tree-generated.tar.xz"),
                                                         {QStringLiteral("sys/kernel/slab")}));
    for (const QString &name : QDir(testing::sharedData(QStringLiteral("sysfs/ghw-snapshots"))).entryList(QDir::Files, QDir::Name))
        addRow(QStringLiteral("sysfs ghw ") + name, archive(QStringLiteral("sysfs/ghw-snapshots/") + name));
    addRow(QStringLiteral("sysfs procfs fixtures"),
           archive(QStringLiteral("sysfs/prometheus-procfs/procfs-fixtures-extracted.tar.gz"), {}, QStringLiteral("fixtures")));
    addRow(QStringLiteral("sysfs node_exporter"), archive(QStringLiteral("sysfs/node_exporter/node_exporter-fixtures-sys-udev-extracted.tar.gz")));
    for (const QString &name : QDir(testing::sharedData(QStringLiteral("sysfs/hwloc-gather-topology"))).entryList(QDir::Files, QDir::Name))
        addRow(QStringLiteral("hwloc ") + name, archive(QStringLiteral("sysfs/hwloc-gather-topology/") + name));
    for (const QString &name : QDir(testing::sharedData(QStringLiteral("sysfs/umockdev"))).entryList(QDir::Files, QDir::Name))
        addRow(QStringLiteral("sysfs umockdev ") + name, umockdev(name));
    addRow(QStringLiteral("proc node_exporter"), folder(QStringLiteral("sysfs/node_exporter")));
    for (const char *proc : {"twaite-442proj2-i7-2600-desktop", "sosreport-azure-hyperv-gen2-rhcos", "qinglin-asound-vbox"})
        addRow(QStringLiteral("proc ") + QLatin1String(proc), folder(QStringLiteral("proc/") + QLatin1String(proc)));
    for (const QString &name : QDir(testing::sharedData(QStringLiteral("proc/glpi-agent-cpuinfo"))).entryList(QDir::Files, QDir::Name))
        addRow(QStringLiteral("cpuinfo ") + name, cpuinfo(name));
    addRow(QStringLiteral("EDID every real monitor"), MachineMaker(everyMonitor));
}

void TestRoundTrip::reportsFromTheFileAreTheLiveReports()
{
    QFETCH(MachineMaker, machine);
    QFETCH(bool, mustHaveDevices);
    testing::FixtureTree fixture;
    const QString root = machine(fixture);
    QVERIFY(!root.isEmpty());
    testing::FixtureTree out;
    const app::Source live = app::machineSource(root);

    // This machine changes while it is read (clock speeds, temperatures,
    // counters): its live reports count when it read the same before and
    // after them. A fixture tree does not change.
    const bool changing = root == QLatin1String("/");
    QByteArray json;
    Reports fromMachine;
    QStringList liveComplaints;
    for (int attempt = 0; attempt < 5; ++attempt) {
        InventoryRecord before = takeRecord(live.instrumentation, live.origin);
        liveComplaints.clear();
        fromMachine = writeReports(live, out.root(), liveComplaints);
        InventoryRecord after = changing ? takeRecord(live.instrumentation, live.origin) : before;
        after.taken = before.taken;
        json = InventoryFile::toJson(before);
        if (after == before)
            break;
        json.clear();
    }
    if (json.isEmpty())
        QSKIP("the machine read differently every time (live readings); nothing to compare");

    const QString file = m_files.filePath(QStringLiteral("%1.vantorix.json").arg(m_written.size()));
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::WriteOnly));
    QCOMPARE(saved.write(json), json.size());
    saved.close();
    m_written << file;

    const app::Source opened = app::fileSource(file);
    QCOMPARE(InventoryFile::toJson(*opened.record), json);
    QStringList fileComplaints;
    const Reports fromFile = writeReports(opened, out.root(), fileComplaints);
    QCOMPARE(fileComplaints, liveComplaints);
    QCOMPARE(fromFile.textList, fromMachine.textList);
    QCOMPARE(fromFile.htmlList, fromMachine.htmlList);
    QCOMPARE(fromFile.textProperties, fromMachine.textProperties);
    QCOMPARE(fromFile.htmlProperties, fromMachine.htmlProperties);
    // Not a vacuous row: the machine has a computer, and where it must have
    // devices the properties report lists more than the device list does.
    const RecordedClass *computer = opened.record->find(inventory::ComputerClass);
    QCOMPARE(computer->instances.size(), std::size_t(1));
    if (mustHaveDevices)
        QVERIFY(fromFile.textProperties.size() > fromFile.textList.size());
    // This machine's print queues went through the file.
    if (changing && !m_scheduler.socket().isEmpty())
        QVERIFY(fromFile.textList.contains("Office_Laser") && fromFile.textList.contains("Label_Printer"));
}

void TestRoundTrip::everyFileWrittenMatchesTheSchema()
{
    if (m_written.isEmpty())
        QSKIP("no file was written in this slice of the rows");
    QProcess check;
    check.start(QStringLiteral(VANTORIX_PYTHON), QStringList{QStringLiteral(VANTORIX_SOURCE_DIR "/scripts/check-inventory-schema.py"),
                                                            QStringLiteral(VANTORIX_SOURCE_DIR "/docs/vantorix-inventory.schema.json")}
                                                     + m_written);
    QVERIFY(check.waitForFinished(300000));
    const QByteArray output = check.readAllStandardOutput() + check.readAllStandardError();
    QVERIFY2(check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0, output.left(4000).constData());
}

QTEST_GUILESS_MAIN(TestRoundTrip)
#include "tst_roundtrip.moc"
