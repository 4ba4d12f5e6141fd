#include "OcsFixtures.h"

#include "Fixtures.h"
#include "SmbiosFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTest>

#include <unistd.h>

namespace testing {

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void put(const QString &root, const QString &relative, const QByteArray &bytes)
{
    const QString path = root + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

void link(const QString &root, const QString &relative, const QString &target)
{
    const QString path = root + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).path());
    QFile::remove(path);
    [[maybe_unused]] const int rc = ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData());
}

// "4 GB" / "512 MB" as MiB.
QString sizeInMebibytes(const QString &size)
{
    const QStringList parts = size.split(QLatin1Char(' '));
    const qint64 number = parts.value(0).toLongLong();
    if (parts.value(1) == QLatin1String("GB"))
        return QString::number(number * 1024);
    if (parts.value(1) == QLatin1String("TB"))
        return QString::number(number * 1024 * 1024);
    return QString::number(number);
}

// What dmidecode decoded from the table.
void firmwareTruth(OcsTruth &truth, const QString &dmidecodeText)
{
    const QList<DmiRecord> records = readDmidecodeText(dmidecodeText);
    const QList<DmiRecord> bios = ofType(records, 0);
    const QList<DmiRecord> system = ofType(records, 1);
    const QList<DmiRecord> board = ofType(records, 2);
    if (!bios.isEmpty()) {
        truth.biosVersion = bios.front().value(QStringLiteral("Version")).trimmed();
        truth.biosDate = bios.front().value(QStringLiteral("Release Date"));
    }
    if (!system.isEmpty()) {
        const DmiRecord &s = system.front();
        truth.uuid = s.value(QStringLiteral("UUID")).toUpper();
        truth.systemSerial = s.value(QStringLiteral("Serial Number")).trimmed();
        const QString version = s.value(QStringLiteral("Version"));
        static const QRegularExpression family(QStringLiteral("^(Think|Idea|Yoga)"));
        truth.systemModel = s.value(QStringLiteral("Manufacturer")) == QLatin1String("LENOVO") && family.match(version).hasMatch()
            ? version
            : s.value(QStringLiteral("Product Name"));
    }
    if (!board.isEmpty())
        truth.boardModel = board.front().value(QStringLiteral("Product Name")).trimmed();
    for (const DmiRecord &array : ofType(records, 16))
        if (array.value(QStringLiteral("Use")) == QLatin1String("System Memory"))
            truth.slots += array.value(QStringLiteral("Number Of Devices")).toInt();
    for (const DmiRecord &slot : ofType(records, 9))
        truth.slotNames << slot.value(QStringLiteral("Designation")).trimmed();
    for (const DmiRecord &module : ofType(records, 17)) {
        const QString size = module.value(QStringLiteral("Size"));
        const bool empty = size.isEmpty() || size.startsWith(QLatin1String("No Module"));
        truth.memorySlots << module.value(QStringLiteral("Locator")).trimmed() + QLatin1Char(' ')
                + (empty ? QStringLiteral("0") : sizeInMebibytes(size));
        if (empty)
            continue;
        truth.modules << memoryLine(module.value(QStringLiteral("Locator")).trimmed(), sizeInMebibytes(size),
                                    module.value(QStringLiteral("Part Number")).trimmed());
    }
}

QString monitorNameIn(const QString &edidDecodeText)
{
    static const QRegularExpression name(QStringLiteral("Display Product Name: '?([^'\\n]*)'?"));
    return name.match(QString::fromUtf8(readAll(edidDecodeText))).captured(1).trimmed();
}

// One line per processor package in the capture's cpuinfo: the model name
// with its runs of spaces folded, cores and logical processors.
QStringList processorsIn(const QString &cpuinfo)
{
    QMap<QString, QString> packages;
    QString name, cores, siblings, package;
    const auto flush = [&] {
        if (!package.isEmpty())
            packages.insert(package, QStringList{name.simplified(), cores, siblings}.join(QLatin1Char(' ')));
        name.clear();
        cores.clear();
        siblings.clear();
        package.clear();
    };
    for (const QString &line : QString::fromUtf8(readAll(cpuinfo)).split(QLatin1Char('\n'))) {
        const QString key = line.section(QLatin1Char(':'), 0, 0).trimmed();
        const QString value = line.section(QLatin1Char(':'), 1).trimmed();
        if (line.trimmed().isEmpty())
            flush();
        else if (key == QLatin1String("model name"))
            name = value;
        else if (key == QLatin1String("cpu cores"))
            cores = value;
        else if (key == QLatin1String("siblings"))
            siblings = value;
        else if (key == QLatin1String("physical id"))
            package = value;
    }
    flush();
    return packages.values();
}

// Each PCI function of the capture by its slot (without the domain) and its
// revision, from the kernel's file or the configuration space.
QStringList pciFunctionsBelow(const QString &root)
{
    QStringList functions;
    const QDir devices(root + QStringLiteral("/sys/bus/pci/devices"));
    for (const QString &address : devices.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
        const QByteArray config = readAll(devices.filePath(address) + QStringLiteral("/config"));
        QString revision = QString::fromLatin1(readAll(devices.filePath(address) + QStringLiteral("/revision"))).trimmed().mid(2);
        if (revision.isEmpty() && config.size() > 8)
            revision = QStringLiteral("%1").arg(quint8(config[8]), 2, 16, QLatin1Char('0'));
        functions << (address.section(QLatin1Char(':'), 1) + QLatin1Char(' ') + revision).trimmed();
    }
    functions.sort();
    return functions;
}

// The models the capture's SCSI devices name for their disks and drives.
QStringList diskModelsBelow(const QString &root)
{
    QStringList models;
    const QDir block(root + QStringLiteral("/sys/block"));
    for (const QString &name : block.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        if (!name.startsWith(QLatin1String("sd")) && !name.startsWith(QLatin1String("sr")))
            continue;
        const QString model = QString::fromUtf8(readAll(block.filePath(name) + QStringLiteral("/device/model"))).trimmed();
        if (!model.isEmpty())
            models << model;
    }
    return models;
}

} // namespace

QString memoryLine(const QString &locator, const QString &mebibytes, const QString &part)
{
    return QStringList{locator, mebibytes, part}.join(QLatin1Char(' '));
}

QList<OcsFixture> ocsFixtures()
{
    return {OcsFixture{
        QStringLiteral("fixture-server"),
        QStringLiteral("sysfs/hwloc-gather-topology/40intel64-2g2n4c+pcilocality.tar.bz2"),
        QStringLiteral("40intel64-2g2n4c+pci"),
        QStringLiteral("SuperMicro-X9DBL"),
        QStringLiteral("u-root-dmidecode/SuperMicro-X9DBL.dmidecode.txt"),
        QStringLiteral("glpi-agent/lcd.dell-U2410"),
        QStringLiteral("glpi-agent/lcd.dell-U2410.edid-decode.txt"),
        QStringLiteral("0000:09:03.0"),
        QStringLiteral("VGA-1"),
        QStringLiteral("eth0"),
        QStringLiteral("10.20.30.40")},
            OcsFixture{
        QStringLiteral("fixture-laptop"),
        QStringLiteral("sysfs/ghw-snapshots/linux-amd64-intel-i7-1270P-thinkpad-x1c10.tar.gz"),
        QString(),
        QStringLiteral("Lenovo-ThinkPad-W510"),
        QStringLiteral("u-root-dmidecode/Lenovo-ThinkPad-W510.dmidecode.txt"),
        QStringLiteral("linuxhw-EDID/Digital_DELA0B8_00665EA56836.bin"),
        QStringLiteral("linuxhw-EDID/Digital_DELA0B8_00665EA56836.txt"),
        QStringLiteral("0000:00:02.0"),
        QStringLiteral("DP-1"),
        QString(),
        QString()}};
}

void addOcsFixtureRows()
{
    QTest::addColumn<OcsFixture>("fixture");
    for (const OcsFixture &fixture : ocsFixtures())
        QTest::newRow(qPrintable(fixture.name.section(QLatin1Char('-'), 1))) << fixture;
}

std::optional<OcsMachine> buildOcsMachine(const OcsFixture &fixture)
{
    if (!sharedDataAvailable())
        return std::nullopt;
    QString root = unpackShared(fixture.archive);
    if (root.isEmpty())
        return std::nullopt;
    if (!fixture.subfolder.isEmpty())
        root += QLatin1Char('/') + fixture.subfolder;

    OcsMachine machine{root, {}};
    OcsTruth &truth = machine.truth;
    truth.hostName = fixture.name;
    put(root, QStringLiteral("proc/sys/kernel/hostname"), fixture.name.toUtf8() + '\n');
    put(root, QStringLiteral("etc/os-release"), "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n");

    // The firmware table where the kernel shows it.
    const QString layout = sharedData(QStringLiteral("smbios/derived-sysfs-layout/") + fixture.table);
    put(root, QStringLiteral("sys/firmware/dmi/tables/smbios_entry_point"), readAll(layout + QStringLiteral("/smbios_entry_point")));
    put(root, QStringLiteral("sys/firmware/dmi/tables/DMI"), readAll(layout + QStringLiteral("/DMI")));
    firmwareTruth(truth, sharedData(QStringLiteral("smbios/") + fixture.dmidecode));

    // A connected output of the display function, with the monitor's EDID.
    const QString gpu = QFileInfo(root + QStringLiteral("/sys/bus/pci/devices/") + fixture.gpu).canonicalFilePath();
    if (gpu.isEmpty())
        return std::nullopt;
    const QString gpuDir = gpu.mid(QFileInfo(root).canonicalFilePath().size() + 1);
    const QString card = gpuDir + QStringLiteral("/drm/card0");
    const QString output = card + QStringLiteral("/card0-") + fixture.connector;
    truth.edid = readAll(sharedData(QStringLiteral("edid/") + fixture.edid));
    truth.monitorName = monitorNameIn(sharedData(QStringLiteral("edid/") + fixture.edidDecode));
    put(root, output + QStringLiteral("/status"), "connected\n");
    put(root, output + QStringLiteral("/enabled"), "enabled\n");
    truth.resolution = QStringLiteral("1920x1200");
    put(root, output + QStringLiteral("/modes"), truth.resolution.toUtf8() + '\n');
    put(root, output + QStringLiteral("/edid"), truth.edid);
    link(root, card + QStringLiteral("/device"), QStringLiteral("../.."));
    const QString up = QStringLiteral("../../");
    link(root, QStringLiteral("sys/class/drm/card0"), up + card.mid(4));
    link(root, QStringLiteral("sys/class/drm/card0-") + fixture.connector, up + output.mid(4));

    truth.diskModels = diskModelsBelow(root);
    truth.processors = processorsIn(root + QStringLiteral("/proc/cpuinfo"));
    truth.pciFunctions = pciFunctionsBelow(root);

    // An address on one interface, with its route and the default route.
    if (!fixture.interface.isEmpty()) {
        truth.address = fixture.address;
        truth.mac = QString::fromUtf8(readAll(root + QStringLiteral("/sys/class/net/") + fixture.interface + QStringLiteral("/address"))).trimmed();
        const QStringList octets = fixture.address.split(QLatin1Char('.'));
        const auto kernelHex = [](const QStringList &quad) {
            QString hex;
            for (int i = 3; i >= 0; --i)
                hex += QStringLiteral("%1").arg(quad.value(i).toUInt(), 2, 16, QLatin1Char('0')).toUpper();
            return hex;
        };
        const QStringList subnet{octets[0], octets[1], octets[2], QStringLiteral("0")};
        const QStringList gateway{octets[0], octets[1], octets[2], QStringLiteral("1")};
        const QString name = fixture.interface;
        put(root, QStringLiteral("proc/net/route"),
            QStringLiteral("Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
                           "%1\t00000000\t%2\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
                           "%1\t%3\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n")
                .arg(name, kernelHex(gateway), kernelHex(subnet)).toUtf8());
        put(root, QStringLiteral("proc/net/fib_trie"),
            QStringLiteral("Main:\n  +-- 0.0.0.0/0 3 0 5\n     |-- %1\n        /32 host LOCAL\n").arg(fixture.address).toUtf8());
    }
    return machine;
}

} // namespace testing
