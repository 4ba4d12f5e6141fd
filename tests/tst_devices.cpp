// Keyboards, pointing devices, drives, sound cards, ports and modems: the
// parsers on real and awkward input, the classes on captured real machines
// (a ThinkPad X61's /sys, a desktop's /proc, umockdev recordings) and on
// small trees made for the cases the captures lack.
#include "support/Fixtures.h"
#include "support/LinuxMachine.h"

#include "inventory/linux/reading/IdDatabase.h"
#include "inventory/linux/devices/InputDevices.h"
#include "inventory/linux/storage/OpticalDrives.h"
#include "inventory/linux/ports/SerialPorts.h"
#include "inventory/linux/devices/Sound.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

using namespace inventory::linuxsource;
using testing::LinuxMachine;

namespace {

bool hwdbKnows(quint16 pciVendor)
{
    return IdDatabase::instance().pciVendor(pciVendor).has_value();
}

QString x61()
{
    return testing::unpackShared(QStringLiteral("sysfs/systemd-sys-script/sys-tree-generated.tar.xz"),
                                 {QStringLiteral("sys/kernel/slab")});
}

// Builds a tree from a umockdev recording: "P:" device directories, "A:"
// attributes, "L:" links, "E:" lines as the uevent file and as udev's
// database entry, and the class and bus links the kernel would add.
QString unpackUmockdev(testing::FixtureTree &fx, const QString &recording)
{
    QFile in(testing::sharedData(QStringLiteral("sysfs/umockdev/") + recording));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QString device;
    QByteArray uevent;
    QString subsystem, major, minor;
    // A link from one place of the tree to another, written relative.
    const auto linkTo = [&](const QString &at, const QString &target) {
        fx.link(at, QDir(QFileInfo(fx.path(at)).path()).relativeFilePath(fx.path(target)));
    };
    const auto finish = [&] {
        if (device.isEmpty())
            return;
        fx.file(device + QStringLiteral("/uevent"), uevent);
        const QString name = device.section(QLatin1Char('/'), -1);
        if (subsystem == QLatin1String("input")) {
            linkTo(QStringLiteral("sys/class/input/") + name, device);
        } else if (!subsystem.isEmpty()) {
            fx.dir(QStringLiteral("sys/bus/") + subsystem + QStringLiteral("/devices"));
            linkTo(QStringLiteral("sys/bus/") + subsystem + QStringLiteral("/devices/") + name, device);
            linkTo(device + QStringLiteral("/subsystem"), QStringLiteral("sys/bus/") + subsystem);
        }
        if (!major.isEmpty())
            fx.file(QStringLiteral("run/udev/data/c%1:%2").arg(major, minor), uevent.replace("\n", "\nE:").prepend("E:"));
        device.clear();
        uevent.clear();
        subsystem.clear();
        major.clear();
        minor.clear();
    };
    for (const QByteArray &raw : in.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        const QString body = line.mid(3);
        if (line.startsWith(QLatin1String("P: "))) {
            finish();
            device = QStringLiteral("sys") + body;
            fx.dir(device);
        } else if (line.startsWith(QLatin1String("A: "))) {
            QString value = body.section(QLatin1Char('='), 1);
            value.replace(QLatin1String("\\n"), QLatin1String("\n"));
            fx.file(device + QLatin1Char('/') + body.section(QLatin1Char('='), 0, 0), value.toUtf8() + "\n");
        } else if (line.startsWith(QLatin1String("L: "))) {
            fx.link(device + QLatin1Char('/') + body.section(QLatin1Char('='), 0, 0), body.section(QLatin1Char('='), 1));
        } else if (line.startsWith(QLatin1String("E: "))) {
            const QString key = body.section(QLatin1Char('='), 0, 0);
            const QString value = body.section(QLatin1Char('='), 1);
            if (!uevent.isEmpty())
                uevent += '\n';
            uevent += body.toUtf8();
            if (key == QLatin1String("SUBSYSTEM"))
                subsystem = value;
            else if (key == QLatin1String("MAJOR"))
                major = value;
            else if (key == QLatin1String("MINOR"))
                minor = value;
        }
    }
    finish();
    return fx.root();
}

InputDevice inputDevice(const QString &name, quint16 bus, const QHash<QString, QString> &bitmaps)
{
    InputDevice device;
    device.name = name;
    device.bus = bus;
    device.bitmaps = bitmaps;
    return device;
}

// A UART port with the serial core's attributes, as a 5.x kernel shows it.
void addUart(testing::FixtureTree &fx, const QString &name, const QString &hardware, int type)
{
    const QString dir = hardware + QStringLiteral("/tty/") + name;
    fx.file(dir + QStringLiteral("/type"), QByteArray::number(type) + "\n")
        .file(dir + QStringLiteral("/uartclk"), "1843200\n")
        .file(dir + QStringLiteral("/dev"), "4:64\n")
        .link(dir + QStringLiteral("/device"), QStringLiteral("../.."))
        .link(QStringLiteral("sys/class/tty/") + name, QStringLiteral("../../") + dir.mid(4));
}

} // namespace

class TestDevices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void inputDeviceKinds_data();
    void inputDeviceKinds();
    void inputDeviceTable();
    void laptopInputAndDrives();
    void desktopInputFromProc();
    void recordedUsbKeyboard();
    void recordedTouchpad();
    void inputReadingDiscipline();
    void soundCards();
    void cdromTable();
    void opticalDriveState();
    void floppyAndTape();
    void serialPortsAndModems();
    void consoleLineSettings_data();
    void consoleLineSettings();
    void laptopModem();
    void parallelAndInfraredPorts();
    void batteryAssociation();
    void diskDriveDetails();
    void networkAdapterNames();
    void serverSnapshot();
};

void TestDevices::inputDeviceKinds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("bus");
    QTest::addColumn<QString>("ev");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("rel");
    QTest::addColumn<QString>("abs");
    QTest::addColumn<QString>("prop");
    QTest::addColumn<bool>("keyboard");
    QTest::addColumn<int>("pointing"); // 0: not a pointing device

    // Bitmaps as the X61, the desktop and the umockdev recordings show them.
    QTest::newRow("AT keyboard") << "AT Translated Set 2 keyboard" << 0x11 << "120013"
                                 << "402000000 3803078f800d001 feffffdfffefffff fffffffffffffffe" << "" << "" << ""
                                 << true << 0;
    QTest::newRow("power button") << "Power Button" << 0x19 << "3" << "10000000000000 0" << "" << "" << "0" << false << 0;
    QTest::newRow("lid switch") << "Lid Switch" << 0x19 << "21" << "" << "" << "" << "0" << false << 0;
    QTest::newRow("jack sensor") << "HDA Intel PCH Front Mic" << 0 << "21" << "" << "" << "" << "0" << false << 0;
    QTest::newRow("hot keys") << "ThinkPad Extra Buttons" << 0x19 << "33"
                              << "18840000 2 10010000000000 0 1101b00002005 1004000 e000000000000 0" << "" << "" << ""
                              << false << 0;
    QTest::newRow("trackpoint") << "TPPS/2 IBM TrackPoint" << 0x11 << "7" << "70000 0 0 0 0" << "3" << "" << "" << false << 5;
    QTest::newRow("pointing stick property") << "DualPoint Stick" << 0x11 << "7" << "70000 0 0 0 0" << "3" << "" << "21"
                                             << false << 5;
    QTest::newRow("usb mouse") << "Logitech USB Optical Mouse" << 0x3 << "17" << "ff0000 0 0 0 0" << "143" << "" << "0"
                               << false << 3;
    QTest::newRow("touchpad") << "SynPS/2 Synaptics TouchPad" << 0x11 << "b" << "e520 10000 0 0 0 0" << ""
                              << "660800011000003" << "12" << false << 7;
    QTest::newRow("touch screen") << "ELAN Touchscreen" << 0x18 << "b" << "400 0 0 0 0 0" << "" << "3273800000000003"
                                  << "2" << false << 8;
    QTest::newRow("pen") << "Wacom Pen" << 0x3 << "b" << "1c03 0 0 0 0 0" << "" << "3000003" << "2" << false << 1;
    QTest::newRow("vm tablet") << "QEMU QEMU USB Tablet" << 0x3 << "1f" << "1f0000 0 0 0 0" << "100" << "3" << "0"
                               << false << 3;
    QTest::newRow("gamepad") << "Xbox Controller" << 0x3 << "b" << "7cdb000000000000 0 0 0 0" << "" << "3003f" << "0"
                             << false << 0;
    QTest::newRow("accelerometer") << "Accelerometer" << 0x18 << "9" << "" << "" << "7" << "40" << false << 0;
    QTest::newRow("mouse with macro keys") << "Gaming Mouse Keyboard" << 0x3 << "120013"
                                           << "1000000000007 ff800000000007ff febeffdfffefffff fffffffffffffffe" << ""
                                           << "" << "0" << true << 0;
}

void TestDevices::inputDeviceKinds()
{
    QFETCH(QString, name);
    QFETCH(int, bus);
    QFETCH(QString, ev);
    QFETCH(QString, key);
    QFETCH(QString, rel);
    QFETCH(QString, abs);
    QFETCH(QString, prop);
    QFETCH(bool, keyboard);
    QFETCH(int, pointing);
    QHash<QString, QString> bitmaps{{QStringLiteral("EV"), ev}, {QStringLiteral("PROP"), prop}};
    if (!key.isEmpty())
        bitmaps.insert(QStringLiteral("KEY"), key);
    if (!rel.isEmpty())
        bitmaps.insert(QStringLiteral("REL"), rel);
    if (!abs.isEmpty())
        bitmaps.insert(QStringLiteral("ABS"), abs);
    const InputDevice device = inputDevice(name, quint16(bus), bitmaps);
    QCOMPARE(isKeyboard(device), keyboard);
    QCOMPARE(pointingType(device).value_or(0), pointing);
}

void TestDevices::inputDeviceTable()
{
    const QByteArray table = "I: Bus=0003 Vendor=046d Product=c05a Version=0111\n"
                             "N: Name=\"Logitech USB Optical Mouse\"\n"
                             "P: Phys=usb-0000:00:1d.0-1.2/input0\n"
                             "S: Sysfs=/devices/pci0000:00/0000:00:1d.0/usb2/2-1/2-1.2/2-1.2:1.0/input/input2\n"
                             "H: Handlers=mouse0 event2 \n"
                             "B: EV=17\n"
                             "B: KEY=ff0000 0 0 0 0\n"
                             "\n\n"
                             "I: Bus=zzzz Vendor=1 Product=\n"
                             "N: Name=\"\x01" "Bad\xff name\"\n"
                             "S: Sysfs=/devices/../../etc\n"
                             "junk line\n";
    const std::vector<InputDevice> devices = parseInputDevices(table);
    QCOMPARE(devices.size(), size_t(2));
    QCOMPARE(devices[0].name, QStringLiteral("Logitech USB Optical Mouse"));
    QCOMPARE(devices[0].bus, quint16(3));
    QCOMPARE(devices[0].vendor, quint16(0x046d));
    QCOMPARE(devices[0].product, quint16(0xc05a));
    QCOMPARE(devices[0].sysfsPath, QStringLiteral("sys/devices/pci0000:00/0000:00:1d.0/usb2/2-1/2-1.2/2-1.2:1.0/input/input2"));
    QVERIFY(devices[0].hasBit(QStringLiteral("KEY"), 0x110));
    QVERIFY(!devices[0].hasBit(QStringLiteral("KEY"), 0x118));
    QVERIFY(!devices[0].hasBit(QStringLiteral("KEY"), -1));
    QVERIFY(!devices[0].hasBit(QStringLiteral("KEY"), 100000));
    // Junk ids give 0, control characters and bad UTF-8 leave the name, and a
    // path that climbs out of sysfs is not followed.
    QCOMPARE(devices[1].bus, quint16(0));
    QCOMPARE(devices[1].name, QStringLiteral("Bad name"));
    QVERIFY(devices[1].sysfsPath.isEmpty());
    QVERIFY(parseInputDevices(QByteArray()).empty());
}

void TestDevices::laptopInputAndDrives()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    const QString root = x61();
    QVERIFY(!root.isEmpty());
    LinuxMachine m(root);

    // The built-in keyboard; power, sleep and lid buttons, the speaker and the
    // ThinkPad hot keys are no keyboards.
    QCOMPARE(m.captions("Win32_Keyboard"), QStringList{QStringLiteral("AT Translated Set 2 keyboard")});
    const auto keyboard = m.properties("Keyboard", QStringLiteral("AT Translated Set 2 keyboard"));
    QCOMPARE(keyboard.value("DeviceID"), QStringLiteral("ACPI\\PNP0303\\00:08"));
    QCOMPARE(keyboard.value("NumberOfFunctionKeys"), QStringLiteral("15"));
    QCOMPARE(keyboard.value("Status"), QStringLiteral("OK"));
    QVERIFY(!keyboard.contains(QStringLiteral("Layout"))); // the capture has no /etc

    QCOMPARE(m.captions("Win32_PointingDevice"),
             (QStringList{QStringLiteral("TPPS/2 IBM TrackPoint"), QStringLiteral("Logitech USB-PS/2 Optical Mouse")}));
    const auto stick = m.properties("PointingDevice", QStringLiteral("TPPS/2 IBM TrackPoint"));
    QCOMPARE(stick.value("PointingType"), QStringLiteral("5"));
    QCOMPARE(stick.value("DeviceInterface"), QStringLiteral("4"));
    QCOMPARE(stick.value("NumberOfButtons"), QStringLiteral("3"));
    QCOMPARE(stick.value("SampleRate"), QStringLiteral("100"));
    QCOMPARE(stick.value("Resolution"), QStringLiteral("200"));
    QCOMPARE(stick.value("PNPDeviceID"), QStringLiteral("ACPI\\IBM0057\\00:09"));
    const auto mouse = m.properties("PointingDevice", QStringLiteral("Logitech USB-PS/2 Optical Mouse"));
    QCOMPARE(mouse.value("PointingType"), QStringLiteral("3"));
    QCOMPARE(mouse.value("DeviceInterface"), QStringLiteral("162"));
    // One interface: Windows names the device, without &MI_.
    QCOMPARE(mouse.value("PNPDeviceID"), QStringLiteral("USB\\VID_046D&PID_C03E\\3-1"));
    if (IdDatabase::instance().usbVendor(0x046d))
        QCOMPARE(mouse.value("Manufacturer"), QStringLiteral("Logitech, Inc."));

    // The PATA DVD writer, empty (sr's "no capacity" size).
    QCOMPARE(m.captions("Win32_CDROMDrive"), QStringList{QStringLiteral("MATSHITA DVD-RAM UJ-842")});
    const auto dvd = m.properties("CDROMDrive", QStringLiteral("MATSHITA DVD-RAM UJ-842"));
    QCOMPARE(dvd.value("PNPDeviceID"), QStringLiteral("IDE\\CDROMMATSHITA_DVD-RAM_UJ-842_________________RB01____\\4:0:0:0"));
    QCOMPARE(dvd.value("MfrAssignedRevisionLevel"), QStringLiteral("RB01"));
    QCOMPARE(dvd.value("MediaLoaded"), QStringLiteral("False"));
    QCOMPARE(dvd.value("SCSIPort"), QStringLiteral("4"));
    QVERIFY(!dvd.contains(QStringLiteral("Size")));

    // The HDA controller is the one sound card.
    const QStringList sound = m.captions("Win32_SoundDevice");
    QCOMPARE(sound.size(), 1);
    if (hwdbKnows(0x8086))
        QVERIFY2(sound.first().contains(QStringLiteral("High Definition Audio")), qPrintable(sound.first()));
    const auto card = m.properties("SoundDevice", sound.first());
    QCOMPARE(card.value("PNPDeviceID"), QStringLiteral("PCI\\VEN_8086&DEV_27D8&SUBSYS_201017AA&REV_02\\0000:00:1b.0"));
    QCOMPARE(card.value("StatusInfo"), QStringLiteral("3"));

    // Nothing of these kinds in the X61.
    for (const char *none : {"Win32_FloppyDrive", "Win32_TapeDrive", "Win32_ParallelPort", "Win32_InfraredDevice",
                             "Win32_Printer"})
        QVERIFY2(m.captions(none).isEmpty(), none);
}

void TestDevices::desktopInputFromProc()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    LinuxMachine m(testing::sharedData(QStringLiteral("proc/twaite-442proj2-i7-2600-desktop")));
    // Two power buttons and five HDA jack sensors are left out.
    QCOMPARE(m.captions("Win32_Keyboard"), QStringList{QStringLiteral("Dell Dell USB Entry Keyboard")});
    QCOMPARE(m.captions("Win32_PointingDevice"), QStringList{QStringLiteral("Logitech USB Optical Mouse")});
    // Without /sys the path still names the USB interface.
    QCOMPARE(m.properties("Keyboard", QStringLiteral("Dell Dell USB Entry Keyboard")).value("DeviceID"),
             QStringLiteral("USB\\VID_413C&PID_2107&MI_00\\2-1.3:1.0"));
    const auto mouse = m.properties("PointingDevice", QStringLiteral("Logitech USB Optical Mouse"));
    QCOMPARE(mouse.value("NumberOfButtons"), QStringLiteral("8"));
    QCOMPARE(mouse.value("DeviceInterface"), QStringLiteral("162"));
}

void TestDevices::recordedUsbKeyboard()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    testing::FixtureTree fx;
    LinuxMachine m(unpackUmockdev(fx, QStringLiteral("input_usbkbd.umockdev")));
    QCOMPARE(m.captions("Win32_Keyboard"), QStringList{QStringLiteral("HID 05f3:0007")});
    const auto keyboard = m.properties("Keyboard", QStringLiteral("HID 05f3:0007"));
    // Two interfaces: the keyboard is interface 0.
    QCOMPARE(keyboard.value("PNPDeviceID"), QStringLiteral("USB\\VID_05F3&PID_0007&MI_00\\1-1.5.4.2:1.0"));
    // udev gave the keyboard the "us" layout.
    QCOMPARE(keyboard.value("Layout"), QStringLiteral("00000409"));
    QCOMPARE(keyboard.value("NumberOfFunctionKeys"), QStringLiteral("13")); // F1-F13
    QVERIFY(m.captions("Win32_PointingDevice").isEmpty());
}

void TestDevices::recordedTouchpad()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    testing::FixtureTree fx;
    LinuxMachine m(unpackUmockdev(fx, QStringLiteral("input_synaptics-touchpad.umockdev")));
    QCOMPARE(m.captions("Win32_PointingDevice"), QStringList{QStringLiteral("SynPS/2 Synaptics TouchPad")});
    const auto pad = m.properties("PointingDevice", QStringLiteral("SynPS/2 Synaptics TouchPad"));
    QCOMPARE(pad.value("PointingType"), QStringLiteral("7"));
    QCOMPARE(pad.value("DeviceInterface"), QStringLiteral("4"));
    QCOMPARE(pad.value("NumberOfButtons"), QStringLiteral("1")); // a clickpad
    QCOMPARE(pad.value("SampleRate"), QStringLiteral("80"));
    QCOMPARE(pad.value("Resolution"), QStringLiteral("200"));
    // The port's firmware id names the touchpad.
    QCOMPARE(pad.value("PNPDeviceID"), QStringLiteral("ACPI\\LEN0020\\serio1"));
    QVERIFY(m.captions("Win32_Keyboard").isEmpty());
}

// Odd files where attributes should be must neither hang nor break the scan.
void TestDevices::inputReadingDiscipline()
{
    testing::FixtureTree fx;
    const QString good = QStringLiteral("sys/devices/platform/i8042/serio0/input/input0");
    fx.file(good + QStringLiteral("/uevent"),
            "PRODUCT=11/1/1/ab54\nNAME=\"AT \x01Keyboard\xc3\x28\"\nEV=120013\nKEY=402000000 3803078f800d001 feffffdfffefffff fffffffffffffffe\n")
        .link(QStringLiteral("sys/class/input/input0"), QStringLiteral("../../devices/platform/i8042/serio0/input/input0"));
    const QString fifo = QStringLiteral("sys/devices/virtual/input/input1");
    fx.dir(fifo).link(QStringLiteral("sys/class/input/input1"), QStringLiteral("../../devices/virtual/input/input1"));
    QCOMPARE(::mkfifo(QFile::encodeName(fx.path(fifo + QStringLiteral("/uevent"))).constData(), 0600), 0);
    QCOMPARE(::mkfifo(QFile::encodeName(fx.path(fifo + QStringLiteral("/name"))).constData(), 0600), 0);
    fx.link(QStringLiteral("sys/class/input/input2"), QStringLiteral("input2")) // a loop
        .link(QStringLiteral("sys/class/input/input3"), QStringLiteral("../../devices/gone/input3"));
    LinuxMachine m(fx.root());
    QCOMPARE(m.captions("Win32_Keyboard"), QStringList{QStringLiteral("AT Keyboard(")});
    QVERIFY(m.captions("Win32_PointingDevice").isEmpty());

    // The same with /proc's table as a FIFO: sysfs is not used then, and nothing hangs.
    fx.dir(QStringLiteral("proc/bus/input"));
    QCOMPARE(::mkfifo(QFile::encodeName(fx.path(QStringLiteral("proc/bus/input/devices"))).constData(), 0600), 0);
    QCOMPARE(m.captions("Win32_Keyboard").size(), 1);
}

void TestDevices::soundCards()
{
    const QByteArray cards = " 0 [PCH            ]: HDA-Intel - HDA Intel PCH\n"
                             "                      HDA Intel PCH at 0xf7f10000 irq 33\n"
                             " 1 [NVidia         ]: HDA-Intel - HDA NVidia\n"
                             "                      HDA NVidia at 0xf7080000 irq 17\n"
                             "29 [Headset        ]: USB-Audio - Logitech USB Headset H390\n";
    const std::vector<AlsaCard> parsed = parseAsoundCards(cards);
    QCOMPARE(parsed.size(), size_t(3));
    QCOMPARE(parsed[0].id, QStringLiteral("PCH"));
    QCOMPARE(parsed[0].driver, QStringLiteral("HDA-Intel"));
    QCOMPARE(parsed[0].shortName, QStringLiteral("HDA Intel PCH"));
    QCOMPARE(parsed[0].longName, QStringLiteral("HDA Intel PCH at 0xf7f10000 irq 33"));
    QCOMPARE(parsed[2].number, 29);
    QVERIFY(parsed[2].longName.isEmpty());
    QVERIFY(parseAsoundCards("--- no soundcards ---\n").empty());

    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    LinuxMachine m(testing::sharedData(QStringLiteral("proc/qinglin-asound-vbox")));
    QCOMPARE(m.captions("Win32_SoundDevice"), QStringList{QStringLiteral("Intel 82801AA-ICH")});
    const auto card = m.properties("SoundDevice", QStringLiteral("Intel 82801AA-ICH"));
    QCOMPARE(card.value("ProductName"), QStringLiteral("Intel 82801AA-ICH"));
    QCOMPARE(card.value("Description"), QStringLiteral("Intel 82801AA-ICH with STAC9700,83,84 at irq 21"));
    QCOMPARE(card.value("DeviceID"), QStringLiteral("SOUND\\card0"));
}

void TestDevices::cdromTable()
{
    const QByteArray info = "CD-ROM information, Id: cdrom.c 3.20 2003/12/17\n\n"
                            "drive name:\t\tsr1\tsr0\n"
                            "drive speed:\t\t24\t48\n"
                            "Can write CD-R:\t\t0\t1\n"
                            "Can read DVD:\t\t1\t1\n"
                            "Can write DVD-R:\t0\t1\n"
                            "Can read MRW:\t\t1\n\n";
    const auto drives = parseCdromInfo(info);
    QCOMPARE(drives.size(), 2);
    QCOMPARE(drives.value("sr0").value("Can write DVD-R"), QStringLiteral("1"));
    QCOMPARE(drives.value("sr1").value("Can write DVD-R"), QStringLiteral("0"));
    QCOMPARE(drives.value("sr1").value("Can read MRW"), QStringLiteral("1"));
    QVERIFY(!drives.value("sr0").contains(QStringLiteral("Can read MRW")));
    QVERIFY(parseCdromInfo("Can read DVD:\t1\n").isEmpty()); // values without a drive row
}

void TestDevices::opticalDriveState()
{
    testing::FixtureTree fx;
    const QString scsi = QStringLiteral("sys/devices/pci0000:00/0000:00:1f.2/ata2/host1/target1:0:0/1:0:0:0");
    fx.file(scsi + QStringLiteral("/vendor"), "HL-DT-ST\n").file(scsi + QStringLiteral("/model"), "DVDRAM GH22NS50 \n")
        .file(scsi + QStringLiteral("/rev"), "TN03\n")
        .file(scsi + QStringLiteral("/block/sr0/size"), "124616\n").file(scsi + QStringLiteral("/block/sr0/dev"), "11:0\n")
        .link(scsi + QStringLiteral("/block/sr0/device"), QStringLiteral("../../../1:0:0:0"))
        .link(QStringLiteral("sys/block/sr0"), QStringLiteral("../") + scsi.mid(4) + QStringLiteral("/block/sr0"))
        .file(QStringLiteral("run/udev/data/b11:0"),
              "E:ID_CDROM=1\nE:ID_CDROM_MEDIA=1\nE:ID_FS_LABEL_ENC=VBox_GAs\\x206.1\nE:ID_SERIAL_SHORT=K2K97G81722\n")
        .file(QStringLiteral("proc/sys/dev/cdrom/info"),
              "drive name:\t\tsr0\nCan write CD-R:\t\t1\nCan read DVD:\t\t1\nCan write DVD-R:\t1\n");
    LinuxMachine m(fx.root());
    QCOMPARE(m.captions("Win32_CDROMDrive"), QStringList{QStringLiteral("HL-DT-ST DVDRAM GH22NS50")});
    const auto drive = m.properties("CDROMDrive", QStringLiteral("HL-DT-ST DVDRAM GH22NS50"));
    // The id Windows gave the same drive in a real capture, up to the instance.
    QCOMPARE(drive.value("DeviceID"), QStringLiteral("IDE\\CDROMHL-DT-ST_DVDRAM_GH22NS50________________TN03____\\1:0:0:0"));
    QCOMPARE(drive.value("MediaType"), QStringLiteral("DVD Writer"));
    QCOMPARE(drive.value("MediaLoaded"), QStringLiteral("True"));
    QCOMPARE(drive.value("Size"), QStringLiteral("63803392"));
    QCOMPARE(drive.value("VolumeName"), QStringLiteral("VBox_GAs 6.1"));
    QCOMPARE(drive.value("SerialNumber"), QStringLiteral("K2K97G81722"));
    QCOMPARE(drive.value("Drive"), QStringLiteral("/dev/sr0"));

    // Without udev's word, the empty drive of a real server says it by its size.
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    LinuxMachine xeon(testing::unpackShared(QStringLiteral("sysfs/ghw-snapshots/linux-amd64-intel-xeon-L5640.tar.gz")));
    QCOMPARE(xeon.captions("Win32_CDROMDrive"), QStringList{QStringLiteral("CD-ROM drive sr0")});
    QCOMPARE(xeon.properties("CDROMDrive", QStringLiteral("CD-ROM drive sr0")).value("MediaLoaded"), QStringLiteral("False"));
}

void TestDevices::floppyAndTape()
{
    testing::FixtureTree fx;
    fx.file(QStringLiteral("sys/devices/platform/floppy.0/block/fd0/size"), "2880\n")
        .link(QStringLiteral("sys/block/fd0"), QStringLiteral("../devices/platform/floppy.0/block/fd0"));
    LinuxMachine m(fx.root());
    QCOMPARE(m.captions("Win32_FloppyDrive"), QStringList{QStringLiteral("Floppy disk drive fd0")});
    QCOMPARE(m.properties("FloppyDrive", QStringLiteral("Floppy disk drive fd0")).value("MaxMediaSize"), QStringLiteral("1440"));
    QVERIFY(m.captions("Win32_DiskDrive").isEmpty());

    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    // One drive behind eight nodes (st0, nst0, and their mode variants).
    LinuxMachine sas(testing::unpackShared(QStringLiteral("sysfs/prometheus-procfs/procfs-fixtures-extracted.tar.gz")) + QStringLiteral("/fixtures"));
    QCOMPARE(sas.captions("Win32_TapeDrive"), QStringList{QStringLiteral("Tape drive st0")});
    const auto tape = sas.properties("TapeDrive", QStringLiteral("Tape drive st0"));
    QCOMPARE(tape.value("DeviceID"), QStringLiteral("\\\\.\\TAPE0"));
    QCOMPARE(tape.value("MediaType"), QStringLiteral("Tape Drive"));
    QCOMPARE(tape.value("PNPDeviceID"), QStringLiteral("SCSI\\SEQUENTIAL&VEN_GENERIC&PROD_ST0\\0:0:0:0"));
}

void TestDevices::serialPortsAndModems()
{
    testing::FixtureTree fx;
    // A real UART on its PnP node, and one the driver found nothing behind.
    fx.file(QStringLiteral("sys/devices/pnp0/00:05/id"), "PNP0501\n");
    addUart(fx, QStringLiteral("ttyS0"), QStringLiteral("sys/devices/pnp0/00:05/00:05:0/00:05:0.0"), 4);
    addUart(fx, QStringLiteral("ttyS1"), QStringLiteral("sys/devices/platform/serial8250/serial8250:0/serial8250:0.1"), 0);
    // An FTDI adapter and an Arduino that borrows the modem class.
    const QString ftdi = QStringLiteral("sys/devices/pci0000:00/0000:00:14.0/usb1/1-2");
    fx.file(ftdi + QStringLiteral("/idVendor"), "0403\n").file(ftdi + QStringLiteral("/idProduct"), "6001\n")
        .file(ftdi + QStringLiteral("/product"), "FT232R USB UART\n").file(ftdi + QStringLiteral("/manufacturer"), "FTDI\n")
        .file(ftdi + QStringLiteral("/1-2:1.0/bInterfaceNumber"), "00\n")
        .file(ftdi + QStringLiteral("/1-2:1.0/bInterfaceClass"), "ff\n")
        .file(ftdi + QStringLiteral("/1-2:1.0/ttyUSB0/tty/ttyUSB0/dev"), "188:0\n")
        .link(QStringLiteral("sys/class/tty/ttyUSB0"), QStringLiteral("../../") + ftdi.mid(4) + QStringLiteral("/1-2:1.0/ttyUSB0/tty/ttyUSB0"));
    const QString arduino = QStringLiteral("sys/devices/pci0000:00/0000:00:14.0/usb1/1-3");
    fx.file(arduino + QStringLiteral("/idVendor"), "2341\n").file(arduino + QStringLiteral("/idProduct"), "0043\n")
        .file(arduino + QStringLiteral("/1-3:1.0/bInterfaceNumber"), "00\n")
        .file(arduino + QStringLiteral("/1-3:1.0/bInterfaceClass"), "02\n")
        .file(arduino + QStringLiteral("/1-3:1.0/bInterfaceSubClass"), "02\n")
        .file(arduino + QStringLiteral("/1-3:1.0/bInterfaceProtocol"), "01\n")
        .file(arduino + QStringLiteral("/1-3:1.0/tty/ttyACM0/dev"), "166:0\n")
        .link(QStringLiteral("sys/class/tty/ttyACM0"), QStringLiteral("../../") + arduino.mid(4) + QStringLiteral("/1-3:1.0/tty/ttyACM0"))
        .file(QStringLiteral("run/udev/data/c166:0"), "E:ID_MM_DEVICE_IGNORE=1\n");
    // Terminals and a broken link are no ports.
    fx.file(QStringLiteral("sys/devices/virtual/tty/tty1/dev"), "4:1\n")
        .link(QStringLiteral("sys/class/tty/tty1"), QStringLiteral("../../devices/virtual/tty/tty1"))
        .link(QStringLiteral("sys/class/tty/ttyS9"), QStringLiteral("../../devices/gone/ttyS9"))
        .file(QStringLiteral("proc/cmdline"), "quiet console=tty0 console=ttyS0,115200n8 ro\n");

    LinuxMachine m(fx.root());
    // In the order of the tty class: ttyACM0, ttyS0, ttyUSB0.
    const QStringList ports = m.captions("Win32_SerialPort");
    QCOMPARE(ports.size(), 3);
    QVERIFY2(ports[0].endsWith(QStringLiteral(" (ttyACM0)")), qPrintable(ports[0]));
    QCOMPARE(ports[1], QStringLiteral("Communications Port (ttyS0)"));
    QVERIFY2(ports[2].endsWith(QStringLiteral(" (ttyUSB0)")), qPrintable(ports[2]));
    if (IdDatabase::instance().usbVendor(0x0403))
        QCOMPARE(ports[2], QStringLiteral("FT232 Serial (UART) IC (ttyUSB0)"));
    const auto uart = m.properties("SerialPort", ports[1]);
    QCOMPARE(uart.value("DeviceID"), QStringLiteral("ttyS0"));
    QCOMPARE(uart.value("MaxBaudRate"), QStringLiteral("115200"));
    QCOMPARE(uart.value("PNPDeviceID"), QStringLiteral("ACPI\\PNP0501\\00:05"));
    QCOMPARE(uart.value("ProviderType"), QStringLiteral("RS232 Serial Port"));
    QCOMPARE(uart.value("Supports16BitMode"), QStringLiteral("False"));
    QCOMPARE(m.properties("SerialPort", ports[2]).value("PNPDeviceID"), QStringLiteral("USB\\VID_0403&PID_6001&MI_00\\1-2:1.0"));
    QVERIFY(!m.properties("SerialPort", ports[2]).contains(QStringLiteral("MaxBaudRate")));

    // Only the console's line is known without opening the port.
    QCOMPARE(m.captions("Win32_SerialPortConfiguration"), (QStringList{"ttyACM0", "ttyS0", "ttyUSB0"}));
    const auto console = m.properties("SerialPortConfiguration", QStringLiteral("ttyS0"));
    QCOMPARE(console.value("BaudRate"), QStringLiteral("115200"));
    QCOMPARE(console.value("BitsPerByte"), QStringLiteral("8"));
    QCOMPARE(console.value("Parity"), QStringLiteral("None"));
    QCOMPARE(console.value("StopBits"), QStringLiteral("1"));
    QVERIFY(!m.properties("SerialPortConfiguration", QStringLiteral("ttyUSB0")).contains(QStringLiteral("BaudRate")));

    // udev's modem rules leave the Arduino alone: no modem.
    QVERIFY(m.captions("Win32_POTSModem").isEmpty());
    QVERIFY(m.instances("Win32_POTSModemToSerialPort").empty());
}

void TestDevices::consoleLineSettings_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("port");
    QTest::addColumn<qint64>("baud"); // 0: no settings known
    QTest::addColumn<qint64>("bits");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<bool>("rtsCts");
    QTest::newRow("full") << "console=ttyS1,57600e7r" << "ttyS1" << qint64(57600) << qint64(7) << "e" << true;
    QTest::newRow("baud only") << "console=ttyS0,115200" << "ttyS0" << qint64(115200) << qint64(8) << "n" << false;
    QTest::newRow("8250 default") << "console=ttyS0" << "ttyS0" << qint64(9600) << qint64(8) << "n" << false;
    QTest::newRow("other driver, no options") << "console=ttyAMA0" << "ttyAMA0" << qint64(0) << qint64(0) << "" << false;
    QTest::newRow("last one wins") << "console=ttyS0,9600 console=ttyS0,38400o8" << "ttyS0" << qint64(38400) << qint64(8)
                                   << "o" << false;
    QTest::newRow("other port") << "console=ttyS0,115200" << "ttyS1" << qint64(0) << qint64(0) << "" << false;
    QTest::newRow("prefix of the name") << "console=ttyS10,115200" << "ttyS1" << qint64(0) << qint64(0) << "" << false;
    QTest::newRow("junk options") << "console=ttyS0,fast" << "ttyS0" << qint64(9600) << qint64(8) << "n" << false;
    QTest::newRow("none") << "quiet splash" << "ttyS0" << qint64(0) << qint64(0) << "" << false;
}

void TestDevices::consoleLineSettings()
{
    QFETCH(QString, commandLine);
    QFETCH(QString, port);
    QFETCH(qint64, baud);
    QFETCH(qint64, bits);
    QFETCH(QString, parity);
    QFETCH(bool, rtsCts);
    const std::optional<LineSettings> line = consoleSettings(commandLine, port);
    QCOMPARE(line.has_value(), baud != 0);
    if (!line)
        return;
    QCOMPARE(line->baudRate, baud);
    QCOMPARE(line->dataBits, bits);
    QCOMPARE(QString(line->parity), parity);
    QCOMPARE(line->rtsCts, rtsCts);
}

void TestDevices::laptopModem()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    LinuxMachine m(x61());
    // ttyS0-3 are the serial driver's unprobed placeholders; the phone's
    // AT-command function is a real port and a modem.
    QCOMPARE(m.captions("Win32_SerialPort"), QStringList{QStringLiteral("Nokia N78 (ttyACM0)")});
    const auto port = m.properties("SerialPort", QStringLiteral("Nokia N78 (ttyACM0)"));
    QCOMPARE(port.value("ProviderType"), QStringLiteral("Modem Device"));
    QCOMPARE(port.value("PNPDeviceID"), QStringLiteral("USB\\VID_0421&PID_007B&MI_00\\5-2:1.0"));
    QCOMPARE(m.captions("Win32_POTSModem"), QStringList{QStringLiteral("Nokia N78")});
    const auto modem = m.properties("POTSModem", QStringLiteral("Nokia N78"));
    QCOMPARE(modem.value("AttachedTo"), QStringLiteral("ttyACM0"));
    QCOMPARE(modem.value("DeviceType"), QStringLiteral("External Modem"));
    QCOMPARE(modem.value("Index"), QStringLiteral("0"));

    // The link between them has no caption: no device in the tree, but an instance.
    QVERIFY(m.captions("Win32_POTSModemToSerialPort").isEmpty());
    const std::vector<inventory::Instance> links = m.instances("Win32_POTSModemToSerialPort");
    QCOMPARE(links.size(), size_t(1));
    QVERIFY(!links[0].hasCaption());
    const inventory::Properties link = links[0].properties();
    QCOMPARE(testing::propertyText(link, QStringLiteral("Antecedent")),
             QStringLiteral("\\\\LOCALHOST\\root\\cimv2:Win32_SerialPort.DeviceID=\"ttyACM0\""));
    QCOMPARE(testing::propertyText(link, QStringLiteral("Dependent")),
             QStringLiteral("\\\\LOCALHOST\\root\\cimv2:Win32_POTSModem.DeviceID=\"USB\\\\VID_0421&PID_007B&MI_00\\\\5-2:1.0\""));
}

void TestDevices::parallelAndInfraredPorts()
{
    testing::FixtureTree fx;
    fx.file(QStringLiteral("sys/devices/pnp0/00:07/id"), "PNP0401\nPNP0400\n")
        .dir(QStringLiteral("sys/devices/pnp0/00:07/parport0"))
        .link(QStringLiteral("sys/bus/parport/devices/parport0"), QStringLiteral("../../../devices/pnp0/00:07/parport0"))
        .file(QStringLiteral("proc/sys/dev/parport/parport0/modes"), "PCSPP,TRISTATE,COMPAT,EPP,ECP,DMA\n")
        .file(QStringLiteral("proc/sys/dev/parport/parport0/dma"), "3\n")
        // A PCI card's port that only /proc lists.
        .file(QStringLiteral("proc/sys/dev/parport/parport1/modes"), "PCSPP,TRISTATE\n")
        .file(QStringLiteral("proc/sys/dev/parport/parport1/dma"), "-1\n");
    fx.file(QStringLiteral("sys/devices/pnp0/00:0a/id"), "IBM0071\nPNP0511\n")
        .link(QStringLiteral("sys/bus/pnp/devices/00:0a"), QStringLiteral("../../../devices/pnp0/00:0a"))
        .file(QStringLiteral("sys/devices/pnp0/00:0b/id"), "PNP0303\n")
        .link(QStringLiteral("sys/bus/pnp/devices/00:0b"), QStringLiteral("../../../devices/pnp0/00:0b"));
    LinuxMachine m(fx.root());
    QCOMPARE(m.captions("Win32_ParallelPort"), (QStringList{"parport0", "parport1"}));
    const auto lpt = m.properties("ParallelPort", QStringLiteral("parport0"));
    QCOMPARE(lpt.value("PNPDeviceID"), QStringLiteral("ACPI\\PNP0401\\00:07"));
    QCOMPARE(lpt.value("DMASupport"), QStringLiteral("True"));
    QCOMPARE(lpt.value("ProtocolSupported"), QStringLiteral("17"));
    QCOMPARE(m.properties("ParallelPort", QStringLiteral("parport1")).value("DMASupport"), QStringLiteral("False"));

    QCOMPARE(m.captions("Win32_InfraredDevice"), QStringList{QStringLiteral("IrDA port (IBM0071)")});
    QCOMPARE(m.properties("InfraredDevice", QStringLiteral("IrDA port (IBM0071)")).value("PNPDeviceID"),
             QStringLiteral("ACPI\\IBM0071\\00:0a"));
}

void TestDevices::batteryAssociation()
{
    testing::FixtureTree fx;
    fx.file(QStringLiteral("proc/sys/kernel/hostname"), "lap\n")
        .file(QStringLiteral("sys/class/power_supply/AC/type"), "Mains\n")
        .file(QStringLiteral("sys/class/power_supply/BAT0/type"), "Battery\n");
    LinuxMachine m(fx.root());
    QVERIFY(m.captions("Win32_AssociatedBattery").isEmpty());
    const std::vector<inventory::Instance> links = m.instances("Win32_AssociatedBattery");
    QCOMPARE(links.size(), size_t(1));
    QVERIFY_THROWS_EXCEPTION(inventory::Failure, links[0].caption());
    QCOMPARE(testing::propertyText(links[0].properties(), QStringLiteral("Antecedent")),
             QStringLiteral("\\\\LAP\\root\\cimv2:Win32_Battery.DeviceID=\"BAT0\""));
    QCOMPARE(testing::propertyText(links[0].properties(), QStringLiteral("Dependent")),
             QStringLiteral("\\\\LAP\\root\\cimv2:Win32_ComputerSystem.Name=\"LAP\""));
}

void TestDevices::diskDriveDetails()
{
    testing::FixtureTree fx;
    // A SATA SSD whose full model and MBR signature udev recorded.
    const QString sata = QStringLiteral("sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0");
    fx.file(sata + QStringLiteral("/vendor"), "ATA     \n").file(sata + QStringLiteral("/model"), "Samsung SSD 860 \n")
        .file(sata + QStringLiteral("/rev"), "4B6Q\n")
        .file(sata + QStringLiteral("/block/sda/size"), "976773168\n").file(sata + QStringLiteral("/block/sda/dev"), "8:0\n")
        .file(sata + QStringLiteral("/block/sda/sda1/start"), "2048\n")
        .link(QStringLiteral("sys/block/sda"), QStringLiteral("../") + sata.mid(4) + QStringLiteral("/block/sda"))
        .file(QStringLiteral("run/udev/data/b8:0"),
              "E:ID_MODEL_ENC=Samsung\\x20SSD\\x20860\\x20EVO\\x20500GB\\x20\\x20\nE:ID_SERIAL_SHORT=S3Z2NB0K\n"
              "E:ID_PART_TABLE_TYPE=dos\nE:ID_PART_TABLE_UUID=5e5b4b8f\n");
    // An eMMC card with its boot areas.
    const QString mmc = QStringLiteral("sys/devices/platform/mmc0/mmc0:0001");
    fx.file(mmc + QStringLiteral("/name"), "DA4064\n").file(mmc + QStringLiteral("/block/mmcblk0/size"), "122142720\n")
        .link(mmc + QStringLiteral("/block/mmcblk0/device"), QStringLiteral("../../../mmc0:0001"))
        .link(QStringLiteral("sys/block/mmcblk0"), QStringLiteral("../") + mmc.mid(4) + QStringLiteral("/block/mmcblk0"))
        .file(mmc + QStringLiteral("/block/mmcblk0/mmcblk0boot0/size"), "8192\n")
        .link(QStringLiteral("sys/block/mmcblk0boot0"), QStringLiteral("../") + mmc.mid(4) + QStringLiteral("/block/mmcblk0/mmcblk0boot0"));
    LinuxMachine m(fx.root());
    QCOMPARE(m.captions("Win32_DiskDrive"), (QStringList{"DA4064", "Samsung SSD 860 EVO 500GB"}));
    const auto ssd = m.properties("DiskDrive", QStringLiteral("Samsung SSD 860 EVO 500GB"));
    QCOMPARE(ssd.value("InterfaceType"), QStringLiteral("IDE"));
    QCOMPARE(ssd.value("PNPDeviceID"), QStringLiteral("IDE\\DISKSAMSUNG_SSD_860_EVO_500GB_______________4B6Q____\\0:0:0:0"));
    QCOMPARE(ssd.value("Signature"), QStringLiteral("1583041423"));
    QCOMPARE(ssd.value("Partitions"), QStringLiteral("1"));
    QCOMPARE(ssd.value("SerialNumber"), QStringLiteral("S3Z2NB0K"));
    QCOMPARE(ssd.value("FirmwareRevision"), QStringLiteral("4B6Q"));

    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    // The X61's disk: partitions without the "partition" attribute (2.6.2x).
    LinuxMachine laptop(x61());
    QCOMPARE(laptop.captions("Win32_DiskDrive"), (QStringList{"ST910021AS", "Generic USB Flash Drive"}));
    const auto sda = laptop.properties("DiskDrive", QStringLiteral("ST910021AS"));
    QCOMPARE(sda.value("Partitions"), QStringLiteral("7"));
    QCOMPARE(sda.value("InterfaceType"), QStringLiteral("IDE"));
    QCOMPARE(laptop.properties("DiskDrive", QStringLiteral("Generic USB Flash Drive")).value("PNPDeviceID"),
             QStringLiteral("USBSTOR\\DISK&VEN_GENERIC&PROD_USB_FLASH_DRIVE&REV_1.00\\7:0:0:0"));
    // An NVMe drive whose capture lacks its model is named by its controller.
    LinuxMachine x1(testing::unpackShared(QStringLiteral("sysfs/ghw-snapshots/linux-amd64-intel-i7-1270P-thinkpad-x1c10.tar.gz")));
    const QStringList nvme = x1.captions("Win32_DiskDrive");
    QCOMPARE(nvme.size(), 1);
    if (hwdbKnows(0x144d))
        QVERIFY2(nvme.first().contains(QStringLiteral("NVMe")), qPrintable(nvme.first()));
    QCOMPARE(x1.properties("DiskDrive", nvme.first()).value("InterfaceType"), QStringLiteral("SCSI"));
}

void TestDevices::networkAdapterNames()
{
    testing::FixtureTree fx;
    for (int port = 0; port < 2; ++port) {
        const QString pci = QStringLiteral("sys/devices/pci0000:00/0000:00:1c.0/0000:06:00.%1").arg(port);
        const QString nic = QStringLiteral("enp6s0f%1").arg(port);
        fx.file(pci + QStringLiteral("/vendor"), "0x8086\n").file(pci + QStringLiteral("/device"), "0x1521\n")
            .file(pci + QStringLiteral("/net/") + nic + QStringLiteral("/ifindex"), QByteArray::number(port + 2) + "\n")
            .file(pci + QStringLiteral("/net/") + nic + QStringLiteral("/type"), "1\n")
            .file(pci + QStringLiteral("/net/") + nic + QStringLiteral("/speed"), port == 0 ? "1000\n" : "4294967295\n")
            .link(pci + QStringLiteral("/net/") + nic + QStringLiteral("/device"), QStringLiteral("../../../0000:06:00.%1").arg(port))
            .link(QStringLiteral("sys/class/net/") + nic, QStringLiteral("../../") + pci.mid(4) + QStringLiteral("/net/") + nic);
    }
    const QString tun = QStringLiteral("sys/devices/virtual/net/tun0/");
    fx.file(tun + QStringLiteral("ifindex"), "5\n").file(tun + QStringLiteral("type"), "65534\n")
        .file(tun + QStringLiteral("speed"), "10\n").file(tun + QStringLiteral("tun_flags"), "0x1001\n")
        .link(QStringLiteral("sys/class/net/tun0"), QStringLiteral("../../devices/virtual/net/tun0"));
    LinuxMachine m(fx.root());
    const QStringList nics = m.captions("Win32_NetworkAdapter");
    QCOMPARE(nics.size(), 3);
    // Captions carry no "#2"; the second adapter of a kind has it in Name.
    QCOMPARE(nics[0].mid(11), nics[1].mid(11));
    const auto first = m.properties("NetworkAdapter", nics[0]);
    const auto second = m.properties("NetworkAdapter", nics[1]);
    QCOMPARE(second.value("Name"), first.value("Name") + QStringLiteral(" #2"));
    QCOMPARE(first.value("Speed"), QStringLiteral("1000000000"));
    QVERIFY(!second.contains(QStringLiteral("Speed"))); // "unknown" in the driver's words
    const auto virtualNic = m.properties("NetworkAdapter", nics[2]);
    QCOMPARE(virtualNic.value("AdapterTypeId"), QStringLiteral("15"));
    QCOMPARE(virtualNic.value("PhysicalAdapter"), QStringLiteral("False"));
    QVERIFY(!virtualNic.contains(QStringLiteral("Speed"))); // a tun's 10 Mb/s is made up
}

// A Dell PowerEdge R910 captured by hwloc: a RAID volume, a SATA DVD drive
// and four ports of one Broadcom chip.
void TestDevices::serverSnapshot()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    const QString root = testing::unpackShared(QStringLiteral("sysfs/hwloc-gather-topology/40intel64-2g2n4c+pcilocality.tar.bz2"));
    QVERIFY(!root.isEmpty());
    LinuxMachine m(root + QStringLiteral("/40intel64-2g2n4c+pci"));
    QCOMPARE(m.captions("Win32_DiskDrive"), QStringList{QStringLiteral("DELL PERC H700")});
    const auto raid = m.properties("DiskDrive", QStringLiteral("DELL PERC H700"));
    QCOMPARE(raid.value("InterfaceType"), QStringLiteral("SCSI"));
    QCOMPARE(raid.value("PNPDeviceID"), QStringLiteral("SCSI\\DISK&VEN_DELL&PROD_PERC_H700\\0:2:0:0"));
    QCOMPARE(m.captions("Win32_CDROMDrive"), QStringList{QStringLiteral("PLDS DVD+-RW DS-8A5SH")});
    QCOMPARE(m.properties("CDROMDrive", QStringLiteral("PLDS DVD+-RW DS-8A5SH")).value("PNPDeviceID"),
             QStringLiteral("IDE\\CDROMPLDS_DVD+-RW_DS-8A5SH___________________XD51____\\1:0:0:0"));

    const QStringList nics = m.captions("Win32_NetworkAdapter");
    QCOMPARE(nics.size(), 5);
    QStringList names;
    for (const QString &nic : nics.mid(0, 4))
        names << m.properties("NetworkAdapter", nic).value("Name");
    QCOMPARE(names[1], names[0] + QStringLiteral(" #2"));
    QCOMPARE(names[3], names[0] + QStringLiteral(" #4"));
    QCOMPARE(m.properties("NetworkAdapter", nics[0]).value("MACAddress"), QStringLiteral("78:2B:CB:38:AC:1B"));
}

QTEST_GUILESS_MAIN(TestDevices)
#include "tst_devices.moc"
