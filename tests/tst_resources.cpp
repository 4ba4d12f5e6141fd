// Interrupt lines, I/O port ranges and device memory ranges: the /proc
// parsers on real and awkward input, real machines' tables, and what a user
// without root rights sees.
#include "support/Fixtures.h"
#include "support/LinuxMachine.h"

#include "inventory/linux/resources/Resources.h"

#include <QTest>

#include <sys/stat.h>

using namespace inventory::linuxsource;
using testing::LinuxMachine;

class TestResources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void interruptLines_data();
    void interruptLines();
    void interruptTableOddities();
    void resourceTable();
    void desktopTables();
    void virtualMachineTables();
    void addressesHiddenFromUsers();
    void fifoInsteadOfTable();
};

void TestResources::interruptLines_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<uint>("number");
    QTest::addColumn<QString>("controller");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QStringList>("users");

    const QByteArray twoCpus = "           CPU0       CPU1       \n";
    QTest::newRow("kernel 3.x edge") << twoCpus + "  1:          3          0  IR-IO-APIC-edge      i8042\n"
                                     << 1u << "IR-IO-APIC" << "edge" << QStringList{QStringLiteral("i8042")};
    QTest::newRow("kernel 3.x fasteoi") << twoCpus + "  9:          0          0  IR-IO-APIC-fasteoi   acpi\n"
                                        << 9u << "IR-IO-APIC" << "level" << QStringList{QStringLiteral("acpi")};
    QTest::newRow("kernel 4.x hwirq") << twoCpus + " 22:   0   5   IO-APIC  22-fasteoi   virtio1\n"
                                      << 22u << "IO-APIC" << "level" << QStringList{QStringLiteral("virtio1")};
    QTest::newRow("MSI with a bracket") << twoCpus + " 29:  1362  934  PCI-MSI 512000-edge      ahci[0000:00:1f.2]\n"
                                        << 29u << "PCI-MSI" << "edge" << QStringList{QStringLiteral("ahci[0000:00:1f.2]")};
    QTest::newRow("shared line") << twoCpus + " 16:  39  0  IR-IO-APIC   16-fasteoi   ehci_hcd:usb1, i801_smbus\n"
                                 << 16u << "IR-IO-APIC" << "level"
                                 << QStringList{QStringLiteral("ehci_hcd:usb1"), QStringLiteral("i801_smbus")};
    QTest::newRow("arm Level word") << twoCpus + " 11:  4177  3912  GICv3  27 Level     arch_timer\n"
                                    << 11u << "GICv3 27" << "level" << QStringList{QStringLiteral("arch_timer")};
    QTest::newRow("XT-PIC, no trigger") << QByteArray("           CPU0\n  2:          0          XT-PIC  cascade\n")
                                        << 2u << "XT-PIC" << "" << QStringList{QStringLiteral("cascade")};
    QTest::newRow("fewer counts than CPUs") << twoCpus + " 40:   7   DMAR_MSI-edge      dmar0\n"
                                            << 40u << "DMAR_MSI" << "edge" << QStringList{QStringLiteral("dmar0")};
}

void TestResources::interruptLines()
{
    QFETCH(QByteArray, table);
    QFETCH(uint, number);
    QFETCH(QString, controller);
    QFETCH(QString, trigger);
    QFETCH(QStringList, users);
    const std::vector<InterruptLine> lines = parseInterrupts(table);
    QCOMPARE(lines.size(), size_t(1));
    QCOMPARE(lines[0].number, number);
    QCOMPARE(lines[0].controller, controller);
    QCOMPARE(lines[0].trigger, trigger);
    QCOMPARE(lines[0].users, users);
}

void TestResources::interruptTableOddities()
{
    // Per-CPU counters are no IRQ lines; numbers past 32 bits and junk are skipped.
    const QByteArray table = "           CPU0\n"
                             "NMI:          0   Non-maskable interrupts\n"
                             "ERR:          0\n"
                             "99999999999:  1  IO-APIC 1-edge x\n"
                             "garbage without colon\n"
                             " 5:\n"
                             "\xff\xfe 7: 1 IO-APIC 7-edge \x01parport0\n";
    const std::vector<InterruptLine> lines = parseInterrupts(table);
    QCOMPARE(lines.size(), size_t(2));
    QCOMPARE(lines[0].number, 5u);
    QVERIFY(lines[0].users.isEmpty());
    // Invalid UTF-8 and control characters are dropped, the line kept.
    QCOMPARE(lines[1].number, 7u);
    QCOMPARE(lines[1].users, QStringList{QStringLiteral("parport0")});
    QVERIFY(parseInterrupts(QByteArray()).empty());
    QVERIFY(parseInterrupts("CPU0 CPU1").empty());
}

void TestResources::resourceTable()
{
    const QByteArray table = "0000-0cf7 : PCI Bus 0000:00\n"
                             "  0000-001f : dma1\n"
                             "    0400-0403 : ACPI PM1a_EVT_BLK\n"
                             "100000000-207ffffff : System RAM\n"
                             "0500-04ff : backwards\n"
                             "12345678901234567-ffff : too long\n"
                             "zzzz-0001 : not hex\n";
    const std::vector<ResourceRange> ranges = parseResourceTable(table);
    QCOMPARE(ranges.size(), size_t(4));
    QCOMPARE(ranges[0].end, quint64(0xcf7));
    QCOMPARE(ranges[1].depth, 1);
    QCOMPARE(ranges[2].depth, 2);
    QCOMPARE(ranges[2].name, QStringLiteral("ACPI PM1a_EVT_BLK"));
    QCOMPARE(ranges[3].start, quint64(0x100000000));
    QVERIFY(!addressesHidden(ranges));
    QVERIFY(addressesHidden(parseResourceTable("0000-0000 : PCI Bus 0000:00\n  0000-0000 : dma1\n")));
    QVERIFY(!addressesHidden({}));
}

void TestResources::desktopTables()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    LinuxMachine m(testing::sharedData(QStringLiteral("proc/twaite-442proj2-i7-2600-desktop")));

    // Fourteen numbered lines; NMI, LOC and the other counters are not IRQs.
    const QStringList irqs = m.captions("Win32_IRQResource");
    QCOMPARE(irqs, (QStringList{"IRQ0", "IRQ1", "IRQ8", "IRQ9", "IRQ12", "IRQ16", "IRQ17", "IRQ40", "IRQ42", "IRQ43",
                                "IRQ44", "IRQ45", "IRQ46", "IRQ47"}));
    const auto acpi = m.properties("IRQResource", QStringLiteral("IRQ9"));
    QCOMPARE(acpi.value("IRQNumber"), QStringLiteral("9"));
    QCOMPARE(acpi.value("TriggerType"), QStringLiteral("3"));
    QCOMPARE(acpi.value("Shareable"), QStringLiteral("True"));
    QCOMPARE(acpi.value("Availability"), QStringLiteral("5"));
    QCOMPARE(acpi.value("Description"), QStringLiteral("acpi"));
    const auto nic = m.properties("IRQResource", QStringLiteral("IRQ43"));
    QCOMPARE(nic.value("TriggerType"), QStringLiteral("4"));
    QCOMPARE(nic.value("Shareable"), QStringLiteral("False"));
    QCOMPARE(nic.value("Description"), QStringLiteral("eth0"));
    QCOMPARE(nic.value("CreationClassName"), QStringLiteral("Win32_IRQResource"));

    // Every range of ioports once, nested ones included.
    const QStringList ports = m.captions("Win32_PortResource");
    QCOMPARE(ports.first(), QStringLiteral("0x0000-0x0CF7"));
    QVERIFY(ports.contains(QStringLiteral("0x0CF8-0x0CFF")));
    QCOMPARE(ports.count(QStringLiteral("0x4020-0x403F")), 1);
    const auto conf = m.properties("PortResource", QStringLiteral("0x0CF8-0x0CFF"));
    QCOMPARE(conf.value("StartingAddress"), QStringLiteral("3320"));
    QCOMPARE(conf.value("EndingAddress"), QStringLiteral("3327"));
    QCOMPARE(conf.value("Description"), QStringLiteral("PCI conf1"));
    // A device and its driver holding the same range share one instance.
    QCOMPARE(m.properties("PortResource", QStringLiteral("0x4020-0x403F")).value("Description"),
             QStringLiteral("0000:00:1f.2, ahci"));
    QCOMPARE(m.properties("PortResource", QStringLiteral("0x0378-0x037A")).value("Description"), QStringLiteral("parport0"));

    // Device memory: main memory and the kernel inside it are not devices'.
    const QStringList memory = m.captions("Win32_SystemMemoryResource");
    QVERIFY(memory.contains(QStringLiteral("0xA0000-0xBFFFF")));
    QVERIFY(memory.contains(QStringLiteral("0xE1500000-0xE151FFFF")));
    QVERIFY(!memory.contains(QStringLiteral("0x100000-0xCF1F9FFF")));
    QVERIFY(!memory.contains(QStringLiteral("0x1000000-0x166F31B")));
    QVERIFY(!memory.contains(QStringLiteral("0xCF800000-0xCFFFFFFF"))); // RAM buffer
    const auto rom = m.properties("SystemMemoryResource", QStringLiteral("0xC0000-0xCEBFF"));
    QCOMPARE(rom.value("MemoryType"), QStringLiteral("ReadOnly"));
    QCOMPARE(rom.value("CreationClassName"), QStringLiteral("Win32_DeviceMemoryAddress"));
    QCOMPARE(rom.value("StartingAddress"), QStringLiteral("786432"));
    // The abstract class also returns the port ranges, as WMI's deep enumeration does.
    QVERIFY(memory.contains(QStringLiteral("0x0CF8-0x0CFF")));
    QCOMPARE(m.properties("SystemMemoryResource", QStringLiteral("0x0CF8-0x0CFF")).value("CreationClassName"),
             QStringLiteral("Win32_PortResource"));
    QCOMPARE(ports.size(), 41);
    QCOMPARE(memory.size(), 43 + 41);
}

void TestResources::virtualMachineTables()
{
    if (!testing::sharedDataAvailable())
        QSKIP("../shared/realdata is not available");
    LinuxMachine m(testing::sharedData(QStringLiteral("proc/sosreport-azure-hyperv-gen2-rhcos")));
    QCOMPARE(m.captions("Win32_IRQResource"), (QStringList{"IRQ8", "IRQ9"}));
    QCOMPARE(m.captions("Win32_PortResource").size(), 15);
    const QStringList memory = m.captions("Win32_SystemMemoryResource");
    QCOMPARE(memory.size(), 10 + 15);
    QVERIFY(!memory.contains(QStringLiteral("0x100000000-0x207FFFFFF")));
    QVERIFY(!memory.contains(QStringLiteral("0x1C4000000-0x1C4C013C0")));
    const auto vmbus = m.properties("SystemMemoryResource", QStringLiteral("0xF8800000-0xF8FFFFFF"));
    QCOMPARE(vmbus.value("StartingAddress"), QStringLiteral("4169138176"));
    QCOMPARE(vmbus.value("Description"), QStringLiteral("5620e0c7-8062-4dce-aeb7-520c7ef76171"));
    // Both ranges of the local APIC entry are the same: one instance.
    QCOMPARE(memory.count(QStringLiteral("0xFEE00000-0xFEE00FFF")), 1);
    QCOMPARE(m.properties("SystemMemoryResource", QStringLiteral("0xFEE00000-0xFEE00FFF")).value("Description"),
             QStringLiteral("Local APIC, PNP0003:00"));
}

// Without root rights the kernel prints zeros; PCI devices' own resource
// files still tell their ranges, and nothing else is shown.
void TestResources::addressesHiddenFromUsers()
{
    testing::FixtureTree fx;
    fx.file(QStringLiteral("proc/ioports"), "0000-0000 : PCI Bus 0000:00\n  0000-0000 : dma1\n0000-0000 : PCI conf1\n")
        .file(QStringLiteral("proc/iomem"), "00000000-00000000 : System RAM\n00000000-00000000 : PCI Bus 0000:00\n")
        .file(QStringLiteral("sys/devices/pci0000:00/0000:00:1f.2/resource"),
              "0x0000000000004090 0x0000000000004097 0x0000000000040101\n"
              "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
              "0x0000000000004020 0x000000000000403f 0x0000000000040101\n"
              "0x00000000e1540000 0x00000000e15407ff 0x0000000000040200\n"
              "0x00000000d0000000 0x00000000dfffffff 0x000000000014220c\n"
              "0x0000000000000000 0x0000000000000000 0x0000000000000000\n"
              "0x00000000e1400000 0x00000000e141ffff 0x0000000000046200\n")
        .link(QStringLiteral("sys/bus/pci/devices/0000:00:1f.2"), QStringLiteral("../../../devices/pci0000:00/0000:00:1f.2"));
    LinuxMachine m(fx.root());
    QCOMPARE(m.captions("Win32_PortResource"), (QStringList{"0x4020-0x403F", "0x4090-0x4097"}));
    QCOMPARE(m.properties("PortResource", QStringLiteral("0x4020-0x403F")).value("Description"), QStringLiteral("0000:00:1f.2"));
    QCOMPARE(m.captions("Win32_SystemMemoryResource"),
             (QStringList{"0xD0000000-0xDFFFFFFF", "0xE1400000-0xE141FFFF", "0xE1540000-0xE15407FF", "0x4020-0x403F",
                          "0x4090-0x4097"}));
    QCOMPARE(m.properties("SystemMemoryResource", QStringLiteral("0xD0000000-0xDFFFFFFF")).value("MemoryType"),
             QStringLiteral("Prefetchable"));
    QCOMPARE(m.properties("SystemMemoryResource", QStringLiteral("0xE1400000-0xE141FFFF")).value("MemoryType"),
             QStringLiteral("ReadOnly"));
    QCOMPARE(m.properties("SystemMemoryResource", QStringLiteral("0xE1540000-0xE15407FF")).value("MemoryType"),
             QStringLiteral("ReadWrite"));

    // No PCI either: no ranges at all rather than zeros.
    testing::FixtureTree bare;
    bare.file(QStringLiteral("proc/ioports"), "0000-0000 : PCI Bus 0000:00\n");
    QVERIFY(LinuxMachine(bare.root()).captions("Win32_PortResource").isEmpty());
}

void TestResources::fifoInsteadOfTable()
{
    testing::FixtureTree fx;
    fx.dir(QStringLiteral("proc"));
    for (const char *table : {"proc/interrupts", "proc/ioports", "proc/iomem"})
        QCOMPARE(::mkfifo(QFile::encodeName(fx.path(QLatin1String(table))).constData(), 0600), 0);
    LinuxMachine m(fx.root());
    QVERIFY(m.captions("Win32_IRQResource").isEmpty());
    QVERIFY(m.captions("Win32_PortResource").isEmpty());
    QVERIFY(m.captions("Win32_SystemMemoryResource").isEmpty());
}

QTEST_GUILESS_MAIN(TestResources)
#include "tst_resources.moc"
