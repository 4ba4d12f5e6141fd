// Graphics adapters, monitors and display modes: a synthetic machine with
// three GPUs and real monitors' EDIDs, the captured machines, and the pairing
// of the window system's screens with the kernel's outputs.
#include "support/Fixtures.h"

#include "app/QtScreenReader.h"
#include "inventory/ScreenReader.h"
#include "inventory/linux/display/ActiveDisplays.h"
#include "inventory/linux/reading/IdDatabase.h"
#include "inventory/linux/LinuxSource.h"

#include <QFile>
#include <QMap>
#include <QTest>

using namespace inventory;
using namespace inventory::linuxsource;

namespace {

using PropertyMap = QMap<QString, QString>;

// Every instance of a class, caption first, then its properties as text.
std::vector<PropertyMap> instances(const QString &root, const char *className)
{
    LinuxSource source(root);
    InstanceEnumeration all = source.instancesOf(QLatin1String(className));
    std::vector<PropertyMap> found;
    while (std::optional<Instance> instance = all.next()) {
        PropertyMap map;
        map.insert(QStringLiteral("@caption"), instance->caption().toText());
        for (const Property &p : instance->properties())
            if (p.value.hasText())
                map.insert(p.name, p.value.toText());
        found.push_back(map);
    }
    return found;
}

QStringList captions(const std::vector<PropertyMap> &found)
{
    QStringList list;
    for (const PropertyMap &map : found)
        list << map.value(QStringLiteral("@caption"));
    return list;
}

QByteArray sharedEdid(const QString &relative)
{
    QFile file(testing::sharedData(QStringLiteral("edid/") + relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool hwdbAvailable()
{
    return IdDatabase::instance().pciVendor(0x1002).has_value();
}

struct Gpu
{
    QString address;
    QString parent; // the path below sys/devices
    QByteArray vendor, device, pciClass;
    QString driver;
};

void addGpu(testing::FixtureTree &fx, const Gpu &gpu)
{
    const QString dir = QStringLiteral("sys/devices/") + gpu.parent + QLatin1Char('/') + gpu.address + QLatin1Char('/');
    const QString up = QStringLiteral("../").repeated(gpu.parent.count(QLatin1Char('/')) + 2);
    fx.file(dir + QStringLiteral("vendor"), gpu.vendor + "\n").file(dir + QStringLiteral("device"), gpu.device + "\n")
        .file(dir + QStringLiteral("class"), gpu.pciClass + "\n").file(dir + QStringLiteral("revision"), "0xc1\n")
        .file(dir + QStringLiteral("subsystem_vendor"), "0x1043\n").file(dir + QStringLiteral("subsystem_device"), "0x04c4\n")
        .link(dir + QStringLiteral("subsystem"), up + QStringLiteral("bus/pci"))
        .link(QStringLiteral("sys/bus/pci/devices/") + gpu.address, QStringLiteral("../../../devices/") + gpu.parent + QLatin1Char('/') + gpu.address);
    if (!gpu.driver.isEmpty())
        fx.dir(QStringLiteral("sys/bus/pci/drivers/") + gpu.driver)
            .link(dir + QStringLiteral("driver"), up + QStringLiteral("bus/pci/drivers/") + gpu.driver)
            .link(QStringLiteral("sys/bus/pci/drivers/") + gpu.driver + QStringLiteral("/module"), QStringLiteral("../../../../module/") + gpu.driver);
}

void addOutput(testing::FixtureTree &fx, const QString &gpuDir, const QString &card, const QString &name,
               const char *status, const char *enabled, const QByteArray &modes, const QByteArray &edid)
{
    const QString dir = gpuDir + QStringLiteral("/drm/") + card + QLatin1Char('/') + card + QLatin1Char('-') + name + QLatin1Char('/');
    fx.file(dir + QStringLiteral("status"), QByteArray(status) + "\n").file(dir + QStringLiteral("enabled"), QByteArray(enabled) + "\n")
        .file(dir + QStringLiteral("dpms"), QByteArray(qstrcmp(enabled, "enabled") == 0 ? "On\n" : "Off\n"))
        .file(dir + QStringLiteral("modes"), modes).file(dir + QStringLiteral("edid"), edid);
}

void addCard(testing::FixtureTree &fx, const QString &gpuDir, const QString &card)
{
    fx.link(gpuDir + QStringLiteral("/drm/") + card + QStringLiteral("/device"), QStringLiteral("../../../") + gpuDir.section(QLatin1Char('/'), -1))
        .link(QStringLiteral("sys/class/drm/") + card, QStringLiteral("../../") + gpuDir.mid(4) + QStringLiteral("/drm/") + card);
}

// An Intel laptop GPU with its panel, a Radeon with four outputs in every
// state, an NVIDIA 3D controller without outputs and a Matrox without driver.
void buildWorkstation(testing::FixtureTree &fx)
{
    fx.file(QStringLiteral("proc/sys/kernel/hostname"), "atelier\n")
        .file(QStringLiteral("proc/sys/kernel/osrelease"), "6.1.0-18-amd64\n");

    addGpu(fx, {QStringLiteral("0000:00:02.0"), QStringLiteral("pci0000:00"), "0x8086", "0x46a6", "0x030000", QStringLiteral("i915")});
    const QString intel = QStringLiteral("sys/devices/pci0000:00/0000:00:02.0");
    fx.file(intel + QStringLiteral("/boot_vga"), "0\n").dir(QStringLiteral("sys/module/i915/parameters"));
    addCard(fx, intel, QStringLiteral("card1"));
    addOutput(fx, intel, QStringLiteral("card1"), QStringLiteral("eDP-1"), "connected", "enabled", "1920x1080\n1680x1050\n",
              sharedEdid(QStringLiteral("linuxhw-EDID/Digital_LGD0584_E598998A94A7.bin")));

    addGpu(fx, {QStringLiteral("0000:09:00.0"), QStringLiteral("pci0000:00/0000:00:03.1"), "0x1002", "0x687f", "0x030000", QStringLiteral("amdgpu")});
    const QString amd = QStringLiteral("sys/devices/pci0000:00/0000:00:03.1/0000:09:00.0");
    fx.file(amd + QStringLiteral("/boot_vga"), "1\n").file(amd + QStringLiteral("/product_name"), "\n")
        .file(amd + QStringLiteral("/mem_info_vram_total"), "8573157376\n").file(amd + QStringLiteral("/power_state"), "D0\n")
        .file(QStringLiteral("sys/module/amdgpu/taint"), "\n");
    addCard(fx, amd, QStringLiteral("card0"));
    const QByteArray dell = sharedEdid(QStringLiteral("linuxhw-EDID/Digital_DELA0B8_00665EA56836.bin"));
    addOutput(fx, amd, QStringLiteral("card0"), QStringLiteral("DP-1"), "connected", "enabled", "1920x1200\n1920x1080\n1600x1200\n", dell);
    addOutput(fx, amd, QStringLiteral("card0"), QStringLiteral("DP-2"), "disconnected", "disabled", "", "");
    addOutput(fx, amd, QStringLiteral("card0"), QStringLiteral("DP-3"), "connected", "enabled", "1024x768\n", QByteArray(128, char(0xff)));
    addOutput(fx, amd, QStringLiteral("card0"), QStringLiteral("DP-4"), "connected", "enabled", "1280x1024\n",
              sharedEdid(QStringLiteral("linuxhw-EDID/Digital_SAM0320_F8F72D2F7EA3.bin")).left(100));
    addOutput(fx, amd, QStringLiteral("card0"), QStringLiteral("HDMI-A-1"), "connected", "disabled", "3840x2160\n",
              sharedEdid(QStringLiteral("glpi-agent/EV2785")));
    fx.file(amd + QStringLiteral("/graphics/fb0/bits_per_pixel"), "32\n")
        .link(amd + QStringLiteral("/graphics/fb0/device"), QStringLiteral("../../../0000:09:00.0"))
        .link(QStringLiteral("sys/class/graphics/fb0"), QStringLiteral("../../devices/pci0000:00/0000:00:03.1/0000:09:00.0/graphics/fb0"));

    addGpu(fx, {QStringLiteral("0000:41:00.0"), QStringLiteral("pci0000:40/0000:40:01.1"), "0x10de", "0x15f8", "0x030200", QStringLiteral("nvidia")});
    fx.file(QStringLiteral("sys/module/nvidia/version"), "535.104.05\n").file(QStringLiteral("sys/module/nvidia/taint"), "POE\n")
        .file(QStringLiteral("sys/devices/pci0000:40/0000:40:01.1/0000:41:00.0/power_state"), "D3cold\n");

    addGpu(fx, {QStringLiteral("0000:05:00.0"), QStringLiteral("pci0000:00/0000:00:1e.0"), "0x102b", "0x0532", "0x030000", QString()});
    // Not a display adapter: a network card.
    addGpu(fx, {QStringLiteral("0000:03:00.0"), QStringLiteral("pci0000:00"), "0x8086", "0x15f3", "0x020000", QStringLiteral("igc")});
}

} // namespace

class TestDisplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void videoControllers();
    void desktopMonitors();
    void displayModes();
    void capturedMachines_data();
    void capturedMachines();
    void windowSystemScreens();
    void modeNamesAndRates();
    void guiScreensOnlyFromRealPlatforms();
};

void TestDisplay::videoControllers()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    testing::FixtureTree fx;
    buildWorkstation(fx);
    const auto found = instances(fx.root(), "Win32_VideoController");
    QCOMPARE(found.size(), size_t(4)); // the network card is none
    if (hwdbAvailable()) {
        QCOMPARE(captions(found), (QStringList{QStringLiteral("Alder Lake-P Integrated Graphics Controller"),
                                               QStringLiteral("MGA G200eW WPCM450"),
                                               QStringLiteral("Vega 10 XL/XT [Radeon RX Vega 56/64]"),
                                               QStringLiteral("GP100GL [Tesla P100 PCIe 16GB]")}));
        QCOMPARE(found[2].value(QStringLiteral("AdapterCompatibility")), QStringLiteral("Advanced Micro Devices, Inc. [AMD/ATI]"));
    }

    const PropertyMap &intel = found[0];
    QCOMPARE(intel.value(QStringLiteral("DeviceID")), QStringLiteral("VideoController1"));
    QCOMPARE(intel.value(QStringLiteral("CurrentHorizontalResolution")), QStringLiteral("1920"));
    QCOMPARE(intel.value(QStringLiteral("CurrentVerticalResolution")), QStringLiteral("1080"));
    QCOMPARE(intel.value(QStringLiteral("CurrentRefreshRate")), QStringLiteral("60"));
    // No console framebuffer on this GPU: the depth is not known, so no colours either.
    QVERIFY(!intel.contains(QStringLiteral("CurrentBitsPerPixel")));
    QVERIFY(!intel.contains(QStringLiteral("VideoModeDescription")));
    QCOMPARE(intel.value(QStringLiteral("DriverVersion")), QStringLiteral("6.1.0-18-amd64"));

    const PropertyMap &matrox = found[1];
    QCOMPARE(matrox.value(QStringLiteral("ConfigManagerErrorCode")), QStringLiteral("28"));
    QCOMPARE(matrox.value(QStringLiteral("Status")), QStringLiteral("Error"));
    QVERIFY(!matrox.contains(QStringLiteral("DriverVersion")));
    QVERIFY(!matrox.contains(QStringLiteral("Availability")));

    const PropertyMap &amd = found[2];
    QCOMPARE(amd.value(QStringLiteral("AdapterRAM")), QStringLiteral("8573157376")); // not capped at 4 GiB
    QCOMPARE(amd.value(QStringLiteral("PNPDeviceID")), QStringLiteral("PCI\\VEN_1002&DEV_687F&SUBSYS_04C41043&REV_C1\\0000:09:00.0"));
    QCOMPARE(amd.value(QStringLiteral("InstalledDisplayDrivers")), QStringLiteral("amdgpu"));
    QCOMPARE(amd.value(QStringLiteral("DriverVersion")), QStringLiteral("6.1.0-18-amd64"));
    QCOMPARE(amd.value(QStringLiteral("CurrentHorizontalResolution")), QStringLiteral("1920"));
    QCOMPARE(amd.value(QStringLiteral("CurrentVerticalResolution")), QStringLiteral("1200"));
    QCOMPARE(amd.value(QStringLiteral("CurrentRefreshRate")), QStringLiteral("59")); // 59.95 Hz, as Windows shows it
    QCOMPARE(amd.value(QStringLiteral("CurrentBitsPerPixel")), QStringLiteral("32"));
    QCOMPARE(amd.value(QStringLiteral("CurrentNumberOfColors")), QStringLiteral("4294967296"));
    QCOMPARE(amd.value(QStringLiteral("VideoModeDescription")), QStringLiteral("1920 x 1200 x 4294967296 colors"));
    QCOMPARE(amd.value(QStringLiteral("CurrentScanMode")), QStringLiteral("4"));
    QCOMPARE(amd.value(QStringLiteral("MinRefreshRate")), QStringLiteral("49"));
    QCOMPARE(amd.value(QStringLiteral("MaxRefreshRate")), QStringLiteral("61"));
    QCOMPARE(amd.value(QStringLiteral("VideoArchitecture")), QStringLiteral("5"));
    QCOMPARE(amd.value(QStringLiteral("Availability")), QStringLiteral("3"));
    QCOMPARE(amd.value(QStringLiteral("Status")), QStringLiteral("OK"));
    QCOMPARE(amd.value(QStringLiteral("SystemName")), QStringLiteral("ATELIER"));

    // A 3D controller is a display adapter too, without VGA and without a screen.
    const PropertyMap &tesla = found[3];
    QCOMPARE(tesla.value(QStringLiteral("DriverVersion")), QStringLiteral("535.104.05"));
    QCOMPARE(tesla.value(QStringLiteral("Availability")), QStringLiteral("14"));
    QVERIFY(!tesla.contains(QStringLiteral("VideoArchitecture")));
    QVERIFY(!tesla.contains(QStringLiteral("CurrentHorizontalResolution")));
    QVERIFY(!tesla.contains(QStringLiteral("AdapterRAM")));
}

void TestDisplay::desktopMonitors()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    testing::FixtureTree fx;
    buildWorkstation(fx);
    const auto found = instances(fx.root(), "Win32_DesktopMonitor");
    // Connected outputs with an EDID; DP-3's blob is no EDID, DP-2 is empty.
    QCOMPARE(captions(found), (QStringList{QStringLiteral("Generic PnP Monitor"), QStringLiteral("DELL U2415"),
                                           QStringLiteral("Generic PnP Monitor"), QStringLiteral("EV2785")}));

    const PropertyMap &panel = found[0];
    QCOMPARE(panel.value(QStringLiteral("PNPDeviceID")), QStringLiteral("DISPLAY\\LGD0584\\card1-eDP-1"));
    QCOMPARE(panel.value(QStringLiteral("ScreenWidth")), QStringLiteral("1920"));
    QCOMPARE(panel.value(QStringLiteral("ManufacturerName")), QStringLiteral("LGD"));

    const PropertyMap &dell = found[1];
    QCOMPARE(dell.value(QStringLiteral("DeviceID")), QStringLiteral("DesktopMonitor2"));
    QCOMPARE(dell.value(QStringLiteral("MonitorType")), QStringLiteral("DELL U2415"));
    QCOMPARE(dell.value(QStringLiteral("PNPDeviceID")), QStringLiteral("DISPLAY\\DELA0B8\\card0-DP-1"));
    QCOMPARE(dell.value(QStringLiteral("ProductCodeID")), QStringLiteral("A0B8"));
    QCOMPARE(dell.value(QStringLiteral("ScreenWidth")), QStringLiteral("1920"));
    QCOMPARE(dell.value(QStringLiteral("ScreenHeight")), QStringLiteral("1200"));
    QCOMPARE(dell.value(QStringLiteral("Bandwidth")), QStringLiteral("170"));
    QCOMPARE(dell.value(QStringLiteral("WeekOfManufacture")), QStringLiteral("13"));
    QCOMPARE(dell.value(QStringLiteral("YearOfManufacture")), QStringLiteral("2016"));
    QCOMPARE(dell.value(QStringLiteral("MaxHorizontalImageSize")), QStringLiteral("52"));
    QCOMPARE(dell.value(QStringLiteral("MaxVerticalImageSize")), QStringLiteral("32"));
    QVERIFY(!dell.value(QStringLiteral("SerialNumberID")).isEmpty());
    QCOMPARE(dell.value(QStringLiteral("Availability")), QStringLiteral("3"));
    QCOMPARE(dell.value(QStringLiteral("Status")), QStringLiteral("OK"));
    QVERIFY(!dell.contains(QStringLiteral("PixelsPerXLogicalInch"))); // only the window system knows it
    if (hwdbAvailable())
        QCOMPARE(dell.value(QStringLiteral("MonitorManufacturer")), QStringLiteral("Dell Inc."));

    // A blob cut short: the identity it still holds, and a warning status.
    const PropertyMap &cut = found[2];
    QCOMPARE(cut.value(QStringLiteral("PNPDeviceID")), QStringLiteral("DISPLAY\\SAM0320\\card0-DP-4"));
    QCOMPARE(cut.value(QStringLiteral("Status")), QStringLiteral("Degraded"));
    QCOMPARE(cut.value(QStringLiteral("ScreenWidth")), QStringLiteral("1280"));

    // Plugged in but switched off in the desktop: present, off line, no mode.
    const PropertyMap &off = found[3];
    QCOMPARE(off.value(QStringLiteral("Availability")), QStringLiteral("8"));
    QVERIFY(!off.contains(QStringLiteral("ScreenWidth")));
    QCOMPARE(off.value(QStringLiteral("SerialNumberID")), QStringLiteral("68056070"));
}

void TestDisplay::displayModes()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    testing::FixtureTree fx;
    buildWorkstation(fx);

    // One setting per lit screen: the panel, then the Radeon's DP-1, DP-3, DP-4.
    const auto screens = instances(fx.root(), "Win32_DisplayConfiguration");
    QCOMPARE(screens.size(), size_t(4));
    QStringList modes;
    for (const PropertyMap &s : screens)
        modes << s.value(QStringLiteral("PelsWidth")) + QLatin1Char('x') + s.value(QStringLiteral("PelsHeight")) + QLatin1Char('@')
                     + s.value(QStringLiteral("DisplayFrequency")) + QLatin1Char('/') + s.value(QStringLiteral("BitsPerPel"));
    QCOMPARE(modes, (QStringList{QStringLiteral("1920x1080@60/"), QStringLiteral("1920x1200@59/32"),
                                 QStringLiteral("1024x768@/32"), QStringLiteral("1280x1024@/32")}));
    QCOMPARE(screens[1].value(QStringLiteral("DeviceName")), screens[1].value(QStringLiteral("@caption")));
    QCOMPARE(screens[1].value(QStringLiteral("DisplayFlags")), QStringLiteral("0"));
    QCOMPARE(screens[1].value(QStringLiteral("DriverVersion")), QStringLiteral("6.1.0-18-amd64"));

    // One per adapter that drives a screen, with the mode of its first.
    const auto controllers = instances(fx.root(), "Win32_DisplayControllerConfiguration");
    QCOMPARE(controllers.size(), size_t(2));
    QCOMPARE(controllers[0].value(QStringLiteral("VideoMode")), QStringLiteral("1920 by 1080 pixels, 60 Hertz"));
    QCOMPARE(controllers[1].value(QStringLiteral("VideoMode")), QStringLiteral("1920 by 1200 pixels, True Color, 59 Hertz"));
    QCOMPARE(controllers[1].value(QStringLiteral("RefreshRate")), QStringLiteral("59"));
    QCOMPARE(controllers[1].value(QStringLiteral("ColorPlanes")), QStringLiteral("1"));

    // Adapter, monitor and mode together, where all three are known.
    const auto configurations = instances(fx.root(), "Win32_VideoConfiguration");
    QCOMPARE(configurations.size(), size_t(2));
    const PropertyMap &radeon = configurations[1];
    QCOMPARE(radeon.value(QStringLiteral("MonitorType")), QStringLiteral("DELL U2415"));
    QCOMPARE(radeon.value(QStringLiteral("ScreenWidth")), QStringLiteral("518")); // mm
    QCOMPARE(radeon.value(QStringLiteral("ScreenHeight")), QStringLiteral("324"));
    QCOMPARE(radeon.value(QStringLiteral("AdapterRAM")), QStringLiteral("8573157376"));
    QCOMPARE(radeon.value(QStringLiteral("HorizontalResolution")), QStringLiteral("1920"));
}

void TestDisplay::capturedMachines_data()
{
    QTest::addColumn<QString>("archive");
    QTest::addColumn<QString>("subfolder");
    QTest::addColumn<QStringList>("pnpIds");
    QTest::addColumn<QStringList>("drivers");
    QTest::addColumn<QString>("vram");
    QTest::newRow("amdgpu, procfs fixtures") << QStringLiteral("sysfs/prometheus-procfs/procfs-fixtures-extracted.tar.gz")
        << QStringLiteral("fixtures") << QStringList{QStringLiteral("PCI\\VEN_1002&DEV_687F&SUBSYS_04C41043&REV_C1\\0000:09:00.0")}
        << QStringList{QStringLiteral("amdgpu")} << QStringLiteral("8573157376");
    QTest::newRow("virtio GPU and Tesla passed through") << QStringLiteral("sysfs/ghw-snapshots/linux-amd64-accel-nvidia.tar.gz")
        << QString() << QStringList{QStringLiteral("PCI\\VEN_1AF4&DEV_1050&SUBSYS_11001AF4&REV_01\\0000:04:00.0"),
                                    QStringLiteral("PCI\\VEN_10DE&DEV_15F8&SUBSYS_118F10DE&REV_A1\\0000:06:00.0")}
        << QStringList{QStringLiteral("virtio-pci"), QStringLiteral("nvidia")} << QString();
    QTest::newRow("Radeon HD 6670 with a card, driver link lost") << QStringLiteral("sysfs/ghw-snapshots/linux-amd64-amd-ryzen-1600.tar.gz")
        << QString() << QStringList{QStringLiteral("PCI\\VEN_1002&DEV_6758&SUBSYS_E194174B\\0000:0a:00.0")}
        << QStringList{QString()} << QString();
    QTest::newRow("Matrox on a server") << QStringLiteral("sysfs/ghw-snapshots/linux-amd64-intel-xeon-L5640.tar.gz")
        << QString() << QStringList{QStringLiteral("PCI\\VEN_102B&DEV_0532&SUBSYS_02361028&REV_0A\\0000:07:03.0")}
        << QStringList{QStringLiteral("mgag200")} << QString();
}

void TestDisplay::capturedMachines()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    QFETCH(QString, archive);
    QFETCH(QString, subfolder);
    QFETCH(QStringList, pnpIds);
    QFETCH(QStringList, drivers);
    QFETCH(QString, vram);
    // Only the devices matter here; CPUs, memory and disks stay packed.
    QString root = testing::unpackShared(archive, {QStringLiteral("system"), QStringLiteral("proc"), QStringLiteral("fs"),
                                                   QStringLiteral("block"), QStringLiteral("kernel")});
    QVERIFY(!root.isEmpty());
    if (!subfolder.isEmpty())
        root += QLatin1Char('/') + subfolder;

    const auto found = instances(root, "Win32_VideoController");
    QStringList ids;
    QStringList bound;
    for (const PropertyMap &controller : found) {
        ids << controller.value(QStringLiteral("PNPDeviceID"));
        bound << controller.value(QStringLiteral("InstalledDisplayDrivers"));
        // A driver is running wherever a DRM card exists, link or not.
        QCOMPARE(controller.value(QStringLiteral("ConfigManagerErrorCode")), QStringLiteral("0"));
        QVERIFY(!controller.value(QStringLiteral("@caption")).isEmpty());
    }
    QCOMPARE(ids, pnpIds);
    QCOMPARE(bound, drivers);
    QCOMPARE(found.front().value(QStringLiteral("AdapterRAM")), vram);
    // No outputs were captured: no monitors, no modes, and nothing made up.
    QVERIFY(instances(root, "Win32_DesktopMonitor").empty());
    QVERIFY(instances(root, "Win32_DisplayConfiguration").empty());
    QVERIFY(instances(root, "Win32_DisplayControllerConfiguration").empty());
    QVERIFY(instances(root, "Win32_VideoConfiguration").empty());
}

void TestDisplay::windowSystemScreens()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    testing::FixtureTree fx;
    buildWorkstation(fx);
    const MachineRoot root(fx.root());
    const std::vector<GraphicsAdapter> adapters = graphicsAdapters(root);
    const std::vector<DrmOutput> outputs = connectedOutputs(root, adapters);
    QCOMPARE(outputs.size(), size_t(5));

    const auto screen = [](const char *name, int width, int height, double hz, bool primary = false) {
        WindowSystemScreen s;
        s.name = QLatin1String(name);
        s.width = width;
        s.height = height;
        s.depth = 24;
        s.refreshRate = hz;
        s.logicalDpiX = s.logicalDpiY = 120;
        s.primary = primary;
        return s;
    };
    // X's names: "HDMI-1" for the kernel's HDMI-A-1; an amdgpu-style name
    // known only by the monitor it shows; eDP-1 exactly.
    WindowSystemScreen byMonitor = screen("DisplayPort-0", 2560, 1440, 143.98, true);
    byMonitor.model = QStringLiteral("DELL U2415");
    std::vector<ActiveDisplay> displays = combineDisplays(
        root, adapters, outputs, {screen("eDP-1", 2880, 1800, 90.0), byMonitor, screen("HDMI-1", 3840, 2160, 30.0)});
    QStringList seen;
    for (const ActiveDisplay &d : displays)
        seen << QStringLiteral("%1=%2x%3@%4").arg(d.connector ? d.connector->fullName() : QStringLiteral("?"))
                    .arg(d.mode.width).arg(d.mode.height).arg(d.mode.refreshRate ? wholeHertz(*d.mode.refreshRate) : -1);
    // DP-3 and DP-4 have no screen of their own, so the kernel's view stays.
    QCOMPARE(seen, (QStringList{QStringLiteral("card1-eDP-1=2880x1800@90"), QStringLiteral("card0-DP-1=2560x1440@144"),
                                QStringLiteral("card0-DP-3=1024x768@-1"), QStringLiteral("card0-DP-4=1280x1024@-1"),
                                QStringLiteral("card0-HDMI-A-1=3840x2160@30")}));
    QCOMPARE(displays[1].mode.bitsPerPixel, 24);
    QCOMPARE(displays[1].logicalDpiX, 120.0);
    QVERIFY(displays[1].primary);
    QCOMPARE(mainDisplayOf(displays, 2)->connector->name, QStringLiteral("DP-1")); // the primary, not the first

    // A screen no output stands for (a driver without DRM outputs) goes to
    // the adapter the machine booted with; without adapters it is dropped.
    displays = combineDisplays(root, adapters, {}, {screen("Virtual-1", 1024, 768, 60.0)});
    QCOMPARE(displays.size(), size_t(1));
    QCOMPARE(displays[0].adapter, size_t(2)); // the Radeon has boot_vga
    QVERIFY(!displays[0].connector);
    QVERIFY(combineDisplays(root, {}, {}, {screen("Virtual-1", 1024, 768, 60.0)}).empty());

    // A lone screen and a lone lit output belong together whatever their names.
    std::vector<DrmOutput> one{outputs[0]};
    displays = combineDisplays(root, adapters, one, {screen("XWAYLAND0", 1920, 1080, 60.0)});
    QCOMPARE(displays.size(), size_t(1));
    QCOMPARE(displays[0].connector->fullName(), QStringLiteral("card1-eDP-1"));

    // A fixture tree never borrows the screens of the machine the tests run on.
    setScreenReader([&] { return std::vector<WindowSystemScreen>{screen("eDP-1", 640, 480, 50.0)}; });
    displays = activeDisplays(root, adapters);
    setScreenReader({});
    QCOMPARE(displays.front().mode.width, 1920);
}

void TestDisplay::modeNamesAndRates()
{
    QCOMPARE(parseDrmModeName(QStringLiteral("1920x1080"))->height, 1080);
    QVERIFY(parseDrmModeName(QStringLiteral("1920x1080i"))->interlaced);
    for (const char *bad : {"", "1920", "x1080", "0x0", "1920x1080p", "123456x1", "-1x5", "1920 x 1080"})
        QVERIFY2(!parseDrmModeName(QLatin1String(bad)), bad);
    QCOMPARE(wholeHertz(59.94), 59);
    QCOMPARE(wholeHertz(59.950171), 59);
    QCOMPARE(wholeHertz(59.998788), 60);
    QCOMPARE(wholeHertz(143.98), 144);
    QCOMPARE(wholeHertz(60.0), 60);
    DisplayMode mode;
    QVERIFY(!colorCount(mode));
    mode.bitsPerPixel = 16;
    QCOMPARE(colorCount(mode), 65536u);
    mode.bitsPerPixel = 64;
    QVERIFY(!colorCount(mode));
}

void TestDisplay::guiScreensOnlyFromRealPlatforms()
{
    // The offscreen platform's made-up screen is no monitor of this machine.
    app::installScreenReader();
    QVERIFY(QGuiApplication::screens().size() >= 1);
    QVERIFY(inventory::windowSystemScreens().empty());
    setScreenReader({});
}

QTEST_MAIN(TestDisplay)
#include "tst_display.moc"
