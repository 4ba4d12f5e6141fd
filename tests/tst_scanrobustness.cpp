// The whole catalogue against machine data that fights back (FIFOs where
// attributes belong, link loops, unreadable and huge files, names full of
// the characters the result lists use), and a scan of this machine with an
// ordinary user's rights.
#include "support/Fixtures.h"

#include "inventory/Catalogue.h"
#include "inventory/MemoryDeviceTree.h"
#include "inventory/ProgressBar.h"
#include "inventory/Scan.h"
#include "inventory/linux/LinuxSource.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/modGetDevices.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace inventory;
using inventory::linuxsource::LinuxSource;
using inventory::linuxsource::MachineRoot;

namespace {

constexpr uid_t NobodyId = 65534;
const QByteArray Nasty = "a|b^c\\d<e>f&g\xff\xfe\x01\x1b[31mh\xc3\x28";

struct ScanResult
{
    QStringList reports;
    QString tree;
    int devices = 0;
    QStringList withoutProperties; // devices an instance stands for, yet no properties came
};

// The instances' own captions; a caption with "|" or "\" makes tree nodes
// that stand for no instance, which rightly find no properties.
QSet<QString> instanceCaptions(const QString &root, const QString &className)
{
    QSet<QString> captions;
    LinuxSource source(root);
    InstanceEnumeration instances = source.instancesOf(className);
    while (std::optional<Instance> instance = instances.next())
        captions.insert(instance->caption().toText());
    return captions;
}

// A whole scan as the window runs it, then every device's properties as a
// report with properties reads them.
ScanResult scanMachine(const QString &root)
{
    ScanResult result;
    NoEventPump pump;
    MemoryDeviceTree tree;
    MemoryProgressBar bar;
    const modGetDevices devices(LinuxSource::instrumentation(root), pump);
    StepRunner trap([&](const QString &description, int line) {
        result.reports << QStringLiteral("%1 at %2").arg(description).arg(line);
    });
    Scan scan({tree, bar, pump, devices, {}});
    scan.run(trap);
    result.tree = tree.dump();
    QHash<QString, QSet<QString>> captions;
    for (DeviceTree::Node node = 1; node <= tree.count(); ++node) {
        const QStringList path = tree.path(node).value_or(QStringList());
        if (path.size() != 3)
            continue;
        ++result.devices;
        if (!captions.contains(path[1]))
            captions.insert(path[1], instanceCaptions(root, modGetDevices::ClassPrefix + path[1]));
        if (captions.value(path[1]).contains(path[2]) && devices.GetDeviceProperties(path).isEmpty())
            result.withoutProperties << path[1] + QLatin1Char('/') + path[2];
    }
    return result;
}

void fifo(testing::FixtureTree &fx, const QString &relative)
{
    fx.dir(relative.section(QLatin1Char('/'), 0, -2));
    QVERIFY(::mkfifo(QFile::encodeName(fx.path(relative)).constData(), 0644) == 0);
}

void unreadable(testing::FixtureTree &fx, const QString &relative, const QByteArray &content)
{
    fx.file(relative, content);
    ::chmod(QFile::encodeName(fx.path(relative)).constData(), 0);
}

// A machine tree in which every reader meets something it must survive.
void buildHostileTree(testing::FixtureTree &fx)
{
    fx.file(QStringLiteral("proc/sys/kernel/hostname"), "hostile\n");
    fifo(fx, QStringLiteral("proc/cpuinfo"));
    fifo(fx, QStringLiteral("proc/stat"));
    fx.file(QStringLiteral("proc/asound/cards"), " 0 [" + Nasty + "]: X - " + Nasty + "\n 1 [\n\n");
    fx.file(QStringLiteral("proc/meminfo"), QByteArray(MachineRoot::TableCap + 1, 'M'));
    fifo(fx, QStringLiteral("sys/devices/system/cpu/cpu0/topology/core_id"));
    fx.link(QStringLiteral("sys/devices/system/cpu/cpu0/firmware_node"), QStringLiteral("firmware_node"));

    // PCI: FIFOs and a directory for attributes, a driver link loop, a
    // huge attribute, a link back up the tree the walk must not follow.
    const QString pci = QStringLiteral("sys/devices/pci0000:00/0000:00:01.0");
    fifo(fx, pci + QStringLiteral("/vendor"));
    fifo(fx, pci + QStringLiteral("/config"));
    fx.file(pci + QStringLiteral("/device"), "0x12|4\n")
        .file(pci + QStringLiteral("/class"), "0x0c0330\n")
        .dir(pci + QStringLiteral("/revision"))
        .file(pci + QStringLiteral("/subsystem_vendor"), QByteArray(1 << 20, 'A'))
        .link(pci + QStringLiteral("/driver"), QStringLiteral("driver2"))
        .link(pci + QStringLiteral("/driver2"), QStringLiteral("driver"))
        .link(pci + QStringLiteral("/0000:00:01.1"), QStringLiteral(".."))
        .link(pci + QStringLiteral("/subsystem"), QStringLiteral("subsystem"))
        .link(QStringLiteral("sys/bus/pci/devices/0000:00:01.0"), QStringLiteral("../../../devices/pci0000:00/0000:00:01.0"))
        .link(QStringLiteral("sys/bus/pci/devices/0000:00:1f.0"), QStringLiteral("0000:00:1f.0"))
        .link(QStringLiteral("sys/bus/pci/devices/0000:00:1f.1"), QStringLiteral("../../../nowhere"))
        .link(QStringLiteral("sys/bus/pci/devices/escape"), QStringLiteral("/"));
    unreadable(fx, pci + QStringLiteral("/subsystem_device"), "0x1234\n");
    fx.file(QStringLiteral("sys/devices/pci0000:00/0000:00:02.0/vendor"), Nasty)
        .file(QStringLiteral("sys/devices/pci0000:00/0000:00:02.0/class"), "0x0106")
        .file(QStringLiteral("sys/devices/pci0000:00/0000:00:02.0/config"), "\x86\x80");
    fx.dir(QStringLiteral("sys/class/pci_bus/zzzz:qq")).dir(QStringLiteral("sys/class/pci_bus/0000:00"));

    // USB: a root hub on that PCI function with poisoned descriptors.
    const QString hub = pci + QStringLiteral("/usb1");
    fifo(fx, hub + QStringLiteral("/idVendor"));
    fx.file(hub + QStringLiteral("/product"), Nasty)
        .file(hub + QStringLiteral("/version"), "99999.zz\n")
        .file(hub + QStringLiteral("/bNumInterfaces"), "-5\n")
        .file(hub + QStringLiteral("/bDeviceClass"), "09\n")
        .link(QStringLiteral("sys/bus/usb/devices/usb1"), QStringLiteral("../../../devices/pci0000:00/0000:00:01.0/usb1"));
    unreadable(fx, hub + QStringLiteral("/maxchild"), "4\n");
    fx.file(hub + QStringLiteral("/1-0:1.0/bInterfaceClass"), "zz\n")
        .link(QStringLiteral("sys/bus/usb/devices/1-0:1.0"), QStringLiteral("../../../devices/pci0000:00/0000:00:01.0/usb1/1-0:1.0"));
    const QString stick = hub + QStringLiteral("/1-1");
    fx.file(stick + QStringLiteral("/idVendor"), "ffff\n").file(stick + QStringLiteral("/idProduct"), "fffe\n")
        .file(stick + QStringLiteral("/manufacturer"), Nasty).file(stick + QStringLiteral("/product"), Nasty)
        .file(stick + QStringLiteral("/bNumInterfaces"), " 1\n").file(stick + QStringLiteral("/version"), " 2.00\n")
        .file(stick + QStringLiteral("/1-1:1.0/bInterfaceClass"), "08\n")
        .file(stick + QStringLiteral("/1-1:1.0/interface"), Nasty)
        .link(QStringLiteral("sys/bus/usb/devices/1-1"), QStringLiteral("../../../devices/pci0000:00/0000:00:01.0/usb1/1-1"))
        .link(QStringLiteral("sys/bus/usb/devices/1-1:1.0"), QStringLiteral("../../../devices/pci0000:00/0000:00:01.0/usb1/1-1/1-1:1.0"));
    fifo(fx, stick + QStringLiteral("/1-1:1.0/bAlternateSetting"));

    // Firmware devices: odd ids, a FIFO id, an endless modalias, a loop.
    const QString acpi = QStringLiteral("sys/devices/LNXSYSTM:00/");
    fx.file(acpi + QStringLiteral("PNP0C0A:00/hid"), "PNP0C0A|^\n")
        .file(acpi + QStringLiteral("PNP0C0A:00/modalias"), "acpi:" + QByteArray(5000, ':') + "\n")
        .file(acpi + QStringLiteral("PNP0C0A:00/status"), "abc\n")
        .file(acpi + QStringLiteral("PNP0C0A:00/uid"), Nasty)
        .link(acpi + QStringLiteral("PNP0C0A:00/physical_node"), QStringLiteral("physical_node"))
        .link(QStringLiteral("sys/bus/acpi/devices/PNP0C0A:00"), QStringLiteral("../../../devices/LNXSYSTM:00/PNP0C0A:00"));
    const QString odd = QString::fromUtf8("ODD|^\\<>&:00");
    fifo(fx, acpi + odd + QStringLiteral("/hid"));
    fx.file(acpi + odd + QStringLiteral("/description"), Nasty)
        .link(QStringLiteral("sys/bus/acpi/devices/") + odd, QStringLiteral("../../../devices/LNXSYSTM:00/") + odd);
    fx.file(acpi + QStringLiteral("PNP0700:00/hid"), "PNP0700\n")
        .link(QStringLiteral("sys/bus/acpi/devices/PNP0700:00"), QStringLiteral("../../../devices/LNXSYSTM:00/PNP0700:00"));

    // Other buses and classes.
    const QString hid = QStringLiteral("sys/devices/virtual/hid/0003:ZZZZ:YYYY.0001");
    fifo(fx, hid + QStringLiteral("/uevent"));
    fx.link(QStringLiteral("sys/bus/hid/devices/0003:ZZZZ:YYYY.0001"), QStringLiteral("../../../devices/virtual/hid/0003:ZZZZ:YYYY.0001"));
    fx.file(QStringLiteral("sys/devices/platform/i8042/serio0/modalias"), "serio:" + Nasty)
        .link(QStringLiteral("sys/bus/serio/devices/serio0"), QStringLiteral("../../../devices/platform/i8042/serio0"));
    fifo(fx, QStringLiteral("sys/devices/scsi/0:0:0:0/vendor"));
    fx.file(QStringLiteral("sys/devices/scsi/0:0:0:0/model"), Nasty).file(QStringLiteral("sys/devices/scsi/0:0:0:0/type"), "x\n")
        .link(QStringLiteral("sys/bus/scsi/devices/0:0:0:0"), QStringLiteral("../../../devices/scsi/0:0:0:0"))
        .link(QStringLiteral("sys/class/scsi_host/host0"), QStringLiteral("host0"));
    fx.file(QStringLiteral("sys/devices/virtio/virtio0/device"), "0xffffffffffffffffffff\n")
        .link(QStringLiteral("sys/bus/virtio/devices/virtio0"), QStringLiteral("../../../devices/virtio/virtio0"));
    fx.file(QStringLiteral("sys/devices/platform/p|x/modalias"), "of:" + Nasty + "C\n")
        .link(QStringLiteral("sys/devices/platform/p|x/firmware_node"), QStringLiteral("firmware_node"))
        .link(QStringLiteral("sys/bus/platform/devices/p|x"), QStringLiteral("../../../devices/platform/p|x"));
    fx.file(QStringLiteral("sys/devices/virtual/input/input0/name"), Nasty)
        .link(QStringLiteral("sys/class/input/input0"), QStringLiteral("../../devices/virtual/input/input0"));
    fifo(fx, QStringLiteral("run/udev/data/+input:input0"));
    fx.file(QStringLiteral("sys/devices/virtual/sound/card0/id"), Nasty)
        .link(QStringLiteral("sys/class/sound/card0"), QStringLiteral("../../devices/virtual/sound/card0"));
    fx.file(QStringLiteral("sys/devices/hda/hdaudioC0D0/vendor_id"), "0x\n")
        .file(QStringLiteral("sys/devices/hda/hdaudioC0D0/modalias"), "hdaudio:a")
        .link(QStringLiteral("sys/bus/hdaudio/devices/hdaudioC0D0"), QStringLiteral("../../../devices/hda/hdaudioC0D0"));
    fx.file(QStringLiteral("sys/devices/virtual/net/lo|x/type"), "772\n")
        .link(QStringLiteral("sys/class/net/lo|x"), QStringLiteral("../../devices/virtual/net/lo|x"));
    fifo(fx, QStringLiteral("sys/devices/virtual/net/lo|x/uevent"));
    fx.link(QString::fromUtf8("sys/block/vd\u00e9"), QStringLiteral("../devices/nowhere"))
        .link(QStringLiteral("sys/block/loop"), QStringLiteral("loop"))
        .link(QStringLiteral("sys/class/pcmcia_socket/pcmcia_socket0"), QStringLiteral("pcmcia_socket0"))
        .dir(QStringLiteral("sys/bus/pnp/devices"));
    // A file whose name is not UTF-8 at all.
    fx.dir(QStringLiteral("sys/bus/isa/devices"));
    const QByteArray rawName = QFile::encodeName(fx.path(QStringLiteral("sys/bus/isa/devices/"))) + "bad\xff\xfe";
    QFile raw(QFile::decodeName(rawName));
    QVERIFY(raw.open(QIODevice::WriteOnly));
}

} // namespace

class TestScanRobustness : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hostileTree();
    void scanThisMachine();
    void scanThisMachineAsAnOrdinaryUser();
};

void TestScanRobustness::hostileTree()
{
    testing::FixtureTree fx;
    buildHostileTree(fx);
    if (QTest::currentTestFailed())
        return;

    const ScanResult result = scanMachine(fx.root());
    QVERIFY2(result.reports.isEmpty(), qPrintable(result.reports.join(QLatin1Char('\n'))));
    // Every category is there, and the poisoned devices still show.
    for (const QString &className : deviceCatalogue())
        QVERIFY2(result.tree.contains(categoryText(className)), qPrintable(className));
    QVERIFY(result.devices > 10);
    QVERIFY2(result.withoutProperties.isEmpty(), qPrintable(result.withoutProperties.join(QLatin1Char('\n'))));

    NoEventPump pump;
    const modGetDevices devices(LinuxSource::instrumentation(fx.root()), pump);
    const QStringList entities = devices.GetDeviceCaptions(QStringLiteral("Win32_PNPEntity"));
    for (const char *expected : {"USB Root Hub", "Standard floppy disk controller", "PCI device 0000:0000"})
        QVERIFY2(entities.contains(QLatin1String(expected)), qPrintable(entities.join(QLatin1Char('\n'))));
    // Texts from the machine arrive without control characters or broken
    // UTF-8, and the separators "|", "^" and "\" stay in their caption.
    for (const QString &caption : entities) {
        for (QChar c : caption)
            QVERIFY2(c.unicode() >= 0x20 && c != QChar::ReplacementCharacter, qPrintable(caption));
    }
    QVERIFY2(entities.contains(QStringLiteral("a|b^c\\d<e>f&g[31mh(")), qPrintable(entities.join(QLatin1Char('\n'))));
    // Windows' root hub wording does not depend on what the hub says of itself.
    const QStringList hub = devices.GetDeviceProperties({QStringLiteral("hostile"), QStringLiteral("USBHub"), QStringLiteral("USB Root Hub")});
    QVERIFY2(hub.contains(QStringLiteral("DeviceID^USB\\ROOT_HUB\\usb1")), qPrintable(hub.join(QLatin1Char('\n'))));
    QCOMPARE(devices.GetDeviceCaptions(QStringLiteral("Win32_FloppyController")),
             QStringList{QStringLiteral("Standard floppy disk controller")});
    QCOMPARE(devices.GetDeviceCaptions(QStringLiteral("Win32_USBController")).size(), 1);
}

void TestScanRobustness::scanThisMachine()
{
    qInfo("scanning as uid %u", unsigned(::getuid()));
    const ScanResult result = scanMachine(QStringLiteral("/"));
    QVERIFY2(result.reports.isEmpty(), qPrintable(result.reports.join(QLatin1Char('\n'))));
    QVERIFY(result.devices > 0);
    QVERIFY2(result.withoutProperties.isEmpty(), qPrintable(result.withoutProperties.join(QLatin1Char('\n'))));
}

void TestScanRobustness::scanThisMachineAsAnOrdinaryUser()
{
    if (::geteuid() != 0)
        QSKIP("already an ordinary user: scanThisMachine is the check");
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        QSKIP("setpriv (util-linux) is not installed");
    // The build folder may be closed to other users (a checkout in /root):
    // the copy in a folder everyone may enter runs all the same, the
    // project's libraries being linked in.
    QTemporaryDir reachable;
    QVERIFY(reachable.isValid());
    const QString program = reachable.filePath(QStringLiteral("scan-as-user"));
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
    const QFileDevice::Permissions open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                          | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                          | QFileDevice::ExeOther;
    QVERIFY(QFile::setPermissions(reachable.path(), open));
    QVERIFY(QFile::setPermissions(program, open));

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/nonexistent"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(setpriv, {QStringLiteral("--reuid=%1").arg(NobodyId), QStringLiteral("--regid=%1").arg(NobodyId),
                          QStringLiteral("--clear-groups"), program,
                          QStringLiteral("scanThisMachine")});
    QVERIFY(child.waitForFinished(240000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    QVERIFY2(output.contains(QStringLiteral("scanning as uid %1").arg(NobodyId)), qPrintable(output));
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(output));
    QVERIFY2(output.contains(QStringLiteral("PASS   : TestScanRobustness::scanThisMachine()")), qPrintable(output));
}

QTEST_GUILESS_MAIN(TestScanRobustness)
#include "tst_scanrobustness.moc"
