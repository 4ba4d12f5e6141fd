// The OCS Inventory agent document: the facts read beside the hardware
// classes, the cleaning of values, and whole documents of real machines
// (firmware tables and EDIDs from ../shared/realdata) checked against what
// dmidecode and edid-decode say about the same bytes.
#include "support/Fixtures.h"
#include "support/OcsFixtures.h"
#include "support/SmbiosFixtures.h"

#include "inventory/linux/LinuxSource.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/system/HostFacts.h"
#include "report/ocs/AgentCodes.h"
#include "report/ocs/AgentDocument.h"
#include "report/ocs/AgentDocumentBuilder.h"
#include "inventory/snapshot/InventoryFile.h"
#include "inventory/snapshot/InventoryRecord.h"

#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

#include <algorithm>

using namespace inventory::linuxsource;
using report::ocs::AgentDocument;
using report::ocs::Section;

class TestOcsDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addresses_data();
    void addresses();
    void mountsAndRelease();
    void cleaning_data();
    void cleaning();
    void codes();
    void wellFormedRequest();
    void realMachines_data();
    void realMachines();
    void withoutMachineFiles();
    void fromInventoryFile_data();
    void fromInventoryFile();
};

void TestOcsDocument::addresses_data()
{
    QTest::addColumn<QByteArray>("route");
    QTest::addColumn<QByteArray>("fibTrie");
    QTest::addColumn<QStringList>("expected"); // interface address mask subnet gateway

    const QByteArray route = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
                             "eth0\t00000000\t0102000A\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
                             "eth0\t0002000A\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
                             "wlan0\t0001A8C0\t00000000\t0001\t0\t0\t600\t00FFFFFF\t0\t0\t0\n"
                             "wlan0\t0080A8C0\t00000000\t0001\t0\t0\t600\t0080FFFF\t0\t0\t0\n";
    const QByteArray trie = "Main:\n  +-- 0.0.0.0/0 3 0 5\n     |-- 10.0.2.15\n        /32 host LOCAL\n"
                            "     |-- 127.0.0.1\n        /32 host LOCAL\n     |-- 192.168.1.23\n        /32 host LOCAL\n"
                            "     |-- 192.168.128.9\n        /32 host LOCAL\n"
                            "Local:\n     |-- 10.0.2.15\n        /32 host LOCAL\n     |-- 10.0.2.0\n        /24 link UNICAST\n";
    QTest::newRow("default route, second interface, longest mask, loopback and duplicates left out")
        << route << trie
        << QStringList{QStringLiteral("eth0 10.0.2.15 255.255.255.0 10.0.2.0 10.0.2.1"),
                       QStringLiteral("wlan0 192.168.1.23 255.255.255.0 192.168.1.0 -"),
                       QStringLiteral("wlan0 192.168.128.9 255.255.128.0 192.168.128.0 -")};
    QTest::newRow("an address without a route keeps no interface")
        << QByteArray("Iface\tDestination\n") << QByteArray("|-- 172.16.0.4\n/32 host LOCAL\n")
        << QStringList{QStringLiteral("- 172.16.0.4 - - -")};
    QTest::newRow("nonsense")
        << QByteArray("eth0 zz 00 0 0 0 0 yy\n\n\t") << QByteArray("|-- 300.1.1.1\n/32 host LOCAL\n|-- 1.2.3\n/32 host LOCAL\n")
        << QStringList();
}

void TestOcsDocument::addresses()
{
    QFETCH(QByteArray, route);
    QFETCH(QByteArray, fibTrie);
    QFETCH(QStringList, expected);
    QStringList found;
    const auto dash = [](const QString &text) { return text.isEmpty() ? QStringLiteral("-") : text; };
    for (const InterfaceAddress &a : ipv4Addresses(parseLocalAddresses(fibTrie), parseRoutes(route)))
        found << QStringList{dash(a.interface), a.address, dash(a.mask), dash(a.subnet), dash(a.gateway)}.join(QLatin1Char(' '));
    QCOMPARE(found, expected);
}

// IPv6, mounts, os-release and name servers, read from one tree as the
// machine has them.
void TestOcsDocument::mountsAndRelease()
{
    testing::FixtureTree fx;
    fx.file(QStringLiteral("proc/net/if_inet6"),
            "00000000000000000000000000000001 01 80 10 80       lo\n"
            "fe80000000000000021a2bfffe3c4d5e 02 40 20 80 enp0s31f6\n"
            "20010db8000000010000000000000023 02 38 00 00 enp0s31f6\n")
        .file(QStringLiteral("proc/net/ipv6_route"),
              "00000000000000000000000000000000 00 00000000000000000000000000000000 00 fe800000000000000000000000000001 "
              "00000400 00000001 00000000 00000003 enp0s31f6\n")
        .file(QStringLiteral("proc/self/mounts"),
              "/dev/nvme0n1p2 / ext4 rw 0 0\nproc /proc proc rw 0 0\ntmpfs /run tmpfs rw 0 0\n"
              "/dev/sdb1 /mnt/my\\040disk xfs rw 0 0\n/dev/sdc1 /mnt/my\\040disk btrfs rw 0 0\n")
        .file(QStringLiteral("etc/os-release"), "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME='Debian GNU/Linux'\n"
                                                "VERSION_ID=\"12\"\n# NAME=Other\n")
        .file(QStringLiteral("etc/resolv.conf"), "search example.org\nnameserver 10.0.2.3\nnameserver 2001:db8::53\n")
        .file(QStringLiteral("proc/meminfo"), "MemTotal:       16315336 kB\nSwapTotal:       2097148 kB\n")
        .file(QStringLiteral("proc/uptime"), "93784.52 180000.00\n")
        .file(QStringLiteral("sys/class/drm/card0-eDP-1/edid"), QByteArray(128, 'E'))
        .file(QStringLiteral("sys/class/drm/card0-DP-1/edid"), QByteArray())
        .file(QStringLiteral("sys/class/drm/card0/dev"), "226:0\n");
    const HostFacts facts = HostFacts::read(MachineRoot(fx.root()));

    QCOMPARE(facts.os.name, QStringLiteral("Debian GNU/Linux"));
    QCOMPARE(facts.os.versionId, QStringLiteral("12"));
    QCOMPARE(facts.os.prettyName, QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
    QCOMPARE(facts.nameServers, (QStringList{QStringLiteral("10.0.2.3"), QStringLiteral("2001:db8::53")}));
    QCOMPARE(facts.swapKb, std::optional<quint64>(2097148));
    QCOMPARE(facts.uptimeSeconds, std::optional<quint64>(93784));

    // Pseudo file systems left out, escapes undone, the later of two mounts
    // on one point kept, and no sizes for a tree that is not this machine.
    QCOMPARE(facts.fileSystems.size(), size_t(2));
    QCOMPARE(facts.fileSystems[0].mountPoint, QStringLiteral("/"));
    QCOMPARE(facts.fileSystems[1].mountPoint, QStringLiteral("/mnt/my disk"));
    QCOMPARE(facts.fileSystems[1].type, QStringLiteral("btrfs"));
    QVERIFY(!facts.fileSystems[0].totalBytes);

    QCOMPARE(facts.addresses.size(), size_t(2));
    QCOMPARE(facts.addresses[0].address, QStringLiteral("fe80::21a:2bff:fe3c:4d5e"));
    QCOMPARE(facts.addresses[0].mask, QStringLiteral("ffff:ffff:ffff:ffff::"));
    QCOMPARE(facts.addresses[0].gateway, QString()); // link-local addresses route nowhere
    QCOMPARE(facts.addresses[1].address, QStringLiteral("2001:db8:0:1::23"));
    QCOMPARE(facts.addresses[1].mask, QStringLiteral("ffff:ffff:ffff:ff00::"));
    QCOMPARE(facts.addresses[1].subnet, QStringLiteral("2001:db8::"));
    QCOMPARE(facts.addresses[1].gateway, QStringLiteral("fe80::1"));

    QCOMPARE(facts.edids.keys(), QStringList{QStringLiteral("card0-eDP-1")});
}

void TestOcsDocument::cleaning_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << QStringLiteral("Intel(R) Core(TM) i7") << QStringLiteral("Intel(R) Core(TM) i7");
    QTest::newRow("padding and inner runs of spaces") << QStringLiteral("  To Be   Filled\tBy\nO.E.M.  ")
                                                      << QStringLiteral("To Be Filled By O.E.M.");
    QTest::newRow("control characters") << QStringLiteral("A\x01" "B\x1b[0mC\x7f" "D") << QStringLiteral("AB[0mCD");
    QTest::newRow("C1 controls") << QString::fromUcs4(U"x\u0085y\u009fz") << QStringLiteral("xyz");
    QTest::newRow("unpaired surrogates") << (QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b") + QChar(0xDC00))
                                         << QStringLiteral("ab");
    QTest::newRow("non-characters") << QString::fromUcs4(U"a\uFFFEb\uFFFF") << QStringLiteral("ab");
    QTest::newRow("kept: accents and astral") << QString::fromUcs4(U"Ünïcode 😀") << QString::fromUcs4(U"Ünïcode 😀");
    QTest::newRow("nothing left") << QStringLiteral("\x01\x02  ") << QString();
    QTest::newRow("cut at the server's column width") << QString(300, QLatin1Char('x')) << QString(255, QLatin1Char('x'));
    QTest::newRow("a cut never splits a pair") << (QString(254, QLatin1Char('x')) + QString::fromUcs4(U"😀"))
                                               << QString(254, QLatin1Char('x'));
}

void TestOcsDocument::cleaning()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    Section section(QStringLiteral("HARDWARE"));
    section.text(QStringLiteral("NAME"), input);
    QCOMPARE(section.value(QStringLiteral("NAME")), expected);
    QCOMPARE(section.has(QStringLiteral("NAME")), !expected.isEmpty());

    // Numbers the server puts into its SQL unquoted are always whole numbers.
    section.requiredNumber(QStringLiteral("MEMORY"), std::nullopt).requiredNumber(QStringLiteral("SWAP"), -5)
        .number(QStringLiteral("CORES"), -1).number(QStringLiteral("SPEED"), 2400);
    QCOMPARE(section.value(QStringLiteral("MEMORY")), QStringLiteral("0"));
    QCOMPARE(section.value(QStringLiteral("SWAP")), QStringLiteral("0"));
    QVERIFY(!section.has(QStringLiteral("CORES")));
    QCOMPARE(section.value(QStringLiteral("SPEED")), QStringLiteral("2400"));
}

void TestOcsDocument::codes()
{
    using namespace report::ocs;
    QCOMPARE(biosDate(QStringLiteral("20070919000000.000000+000")), QStringLiteral("09/19/2007"));
    QCOMPARE(biosDate(QStringLiteral("2007")), QString());
    QCOMPARE(biosDate(QStringLiteral("2007x919000000.000000+000")), QString());
    QCOMPARE(chassisTypeName(10), QStringLiteral("Notebook"));
    QCOMPARE(chassisTypeName(23), QStringLiteral("Rack Mount Chassis"));
    QCOMPARE(chassisTypeName(0), QString());
    QCOMPARE(chassisTypeName(99), QString());
    QCOMPARE(smbiosMemoryTypeName(0x1A), QStringLiteral("DDR4"));
    QCOMPARE(smbiosMemoryTypeName(0x22), QStringLiteral("DDR5"));
    QCOMPARE(smbiosMemoryTypeName(0x15), QString());
    QCOMPARE(memoryFormFactorName(12), QStringLiteral("SODIMM"));
    QCOMPARE(architectureName(9), QStringLiteral("x86_64"));
    QCOMPARE(processorMaker(QStringLiteral("GenuineIntel")), QStringLiteral("Intel"));
    QCOMPARE(processorMaker(QStringLiteral("ARM")), QStringLiteral("ARM"));
}

// Whatever the values, the request is XML a strict parser reads back to the
// same values, sections in name order.
void TestOcsDocument::wellFormedRequest()
{
    AgentDocument document;
    document.add(QStringLiteral("NETWORKS")).text(QStringLiteral("DESCRIPTION"), QStringLiteral("eth0 <&> \"'"));
    document.add(QStringLiteral("HARDWARE")).text(QStringLiteral("NAME"), QStringLiteral("host]]>\x01"));
    document.add(QStringLiteral("BIOS")).text(QStringLiteral("SSN"), QString::fromUcs4(U"S\uFFFF1"));
    const QByteArray xml = report::ocs::inventoryRequest(document, QStringLiteral("host-2026-12-08-12-00-00"));

    QXmlStreamReader reader(xml);
    QStringList path, seen;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement())
            path << reader.name().toString();
        else if (reader.isEndElement())
            path.removeLast();
        else if (reader.isCharacters() && !reader.isWhitespace())
            seen << path.join(QLatin1Char('/')) + QLatin1Char('=') + reader.text().toString();
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    QCOMPARE(seen, (QStringList{QStringLiteral("REQUEST/CONTENT/BIOS/SSN=S1"),
                                QStringLiteral("REQUEST/CONTENT/HARDWARE/NAME=host]]>"),
                                QStringLiteral("REQUEST/CONTENT/NETWORKS/DESCRIPTION=eth0 <&> \"'"),
                                QStringLiteral("REQUEST/DEVICEID=host-2026-12-08-12-00-00"),
                                QStringLiteral("REQUEST/QUERY=INVENTORY")}));
}

void TestOcsDocument::realMachines_data()
{
    testing::addOcsFixtureRows();
}

// Each fixture machine's document carries what the real data says: BIOS and
// modules as dmidecode decodes the table, the monitor as edid-decode names
// it, with the EDID bytes themselves.
void TestOcsDocument::realMachines()
{
    QFETCH(testing::OcsFixture, fixture);
    const std::optional<testing::OcsMachine> machine = testing::buildOcsMachine(fixture);
    if (!machine)
        QSKIP("../shared/realdata is not available");
    const AgentDocument document = report::ocs::buildAgentDocument(LinuxSource::instrumentation(machine->root),
                                                                   HostFacts::read(MachineRoot(machine->root)));
    const testing::OcsTruth &truth = machine->truth;

    const Section *hardware = document.first(QStringLiteral("HARDWARE"));
    QVERIFY(hardware);
    QCOMPARE(hardware->value(QStringLiteral("NAME")), truth.hostName);
    QCOMPARE(hardware->value(QStringLiteral("OSNAME")), QStringLiteral("Debian GNU/Linux 12"));
    QCOMPARE(hardware->value(QStringLiteral("UUID")), truth.uuid);
    QCOMPARE(hardware->value(QStringLiteral("CHECKSUM")), QString::number(report::ocs::AllSectionsChanged));
    QCOMPARE(hardware->value(QStringLiteral("IPADDR")), truth.address);

    const Section *bios = document.first(QStringLiteral("BIOS"));
    QVERIFY(bios);
    QCOMPARE(bios->value(QStringLiteral("BDATE")), truth.biosDate);
    QCOMPARE(bios->value(QStringLiteral("BVERSION")), truth.biosVersion);
    QCOMPARE(bios->value(QStringLiteral("SMODEL")), truth.systemModel);
    QCOMPARE(bios->value(QStringLiteral("SSN")), truth.systemSerial);
    QCOMPARE(bios->value(QStringLiteral("MMODEL")), truth.boardModel);

    QStringList modules;
    for (const Section *memory : document.all(QStringLiteral("MEMORIES")))
        if (memory->value(QStringLiteral("CAPACITY")) != QLatin1String("0"))
            modules << testing::memoryLine(memory->value(QStringLiteral("CAPTION")), memory->value(QStringLiteral("CAPACITY")),
                                           memory->value(QStringLiteral("DESCRIPTION")).section(QLatin1Char(' '), -1));
    QCOMPARE(modules, truth.modules);
    QCOMPARE(qsizetype(document.all(QStringLiteral("MEMORIES")).size()), truth.slots);
    // Every slot at its place, by the firmware's name; the empty ones with capacity 0.
    QStringList slots;
    for (const Section *memory : document.all(QStringLiteral("MEMORIES"))) {
        QCOMPARE(memory->value(QStringLiteral("NUMSLOTS")), QString::number(slots.size() + 1));
        slots << memory->value(QStringLiteral("CAPTION")) + QLatin1Char(' ') + memory->value(QStringLiteral("CAPACITY"));
    }
    QCOMPARE(slots, truth.memorySlots);

    QStringList slotNames;
    for (const Section *slot : document.all(QStringLiteral("SLOTS")))
        slotNames << slot->value(QStringLiteral("NAME"));
    QCOMPARE(slotNames, truth.slotNames);

    QStringList processors;
    for (const Section *cpu : document.all(QStringLiteral("CPUS")))
        processors << QStringList{cpu->value(QStringLiteral("TYPE")), cpu->value(QStringLiteral("CORES")),
                                  cpu->value(QStringLiteral("LOGICAL_CPUS"))}.join(QLatin1Char(' '));
    QCOMPARE(processors, truth.processors);

    const std::vector<const Section *> monitors = document.all(QStringLiteral("MONITORS"));
    QCOMPARE(monitors.size(), size_t(1));
    QCOMPARE(monitors.front()->value(QStringLiteral("CAPTION")), truth.monitorName);
    QCOMPARE(QByteArray::fromBase64(monitors.front()->value(QStringLiteral("BASE64")).toLatin1()), truth.edid);

    QStringList models;
    for (const Section *storage : document.all(QStringLiteral("STORAGES")))
        models << storage->value(QStringLiteral("MODEL"));
    for (const QString &model : truth.diskModels)
        QVERIFY2(models.filter(model).size() == 1, qPrintable(model + QStringLiteral(" in ") + models.join(QLatin1Char('|'))));
    QStringList addresses;
    for (const Section *network : document.all(QStringLiteral("NETWORKS")))
        if (!network->value(QStringLiteral("IPADDRESS")).isEmpty())
            addresses << network->value(QStringLiteral("MACADDR")) + QLatin1Char(' ') + network->value(QStringLiteral("IPADDRESS"));
    QCOMPARE(addresses, truth.address.isEmpty() ? QStringList() : QStringList{truth.mac + QLatin1Char(' ') + truth.address});
    QStringList functions;
    for (const Section *controller : document.all(QStringLiteral("CONTROLLERS")))
        functions << (controller->value(QStringLiteral("DESCRIPTION")) + QLatin1Char(' ') + controller->value(QStringLiteral("VERSION"))).trimmed();
    functions.sort();
    QCOMPARE(functions, truth.pciFunctions);
}

// A source without machine files (an inventory file) still makes a document
// the server accepts: the required numbers are there, the rest is left out.
void TestOcsDocument::withoutMachineFiles()
{
    testing::FixtureTree empty;
    const AgentDocument document = report::ocs::buildAgentDocument(LinuxSource::instrumentation(empty.root()), std::nullopt);
    const Section *hardware = document.first(QStringLiteral("HARDWARE"));
    QVERIFY(hardware);
    for (const char *name : {"MEMORY", "SWAP", "PROCESSORS", "PROCESSORN", "CHECKSUM"})
        QVERIFY2(!hardware->value(QLatin1String(name)).isEmpty(), name);
    QVERIFY(document.all(QStringLiteral("DRIVES")).empty());
    QVERIFY(!hardware->has(QStringLiteral("OSNAME")));
}

void TestOcsDocument::fromInventoryFile_data()
{
    testing::addOcsFixtureRows();
}

namespace {

// Each section as "NAME: FIELD=value|...", one line per section, in order;
// the fields listed for a section name are left out.
QStringList sectionLines(const AgentDocument &document, const QHash<QString, QStringList> &leftOut = {})
{
    QStringList lines;
    for (const Section &section : document.sections()) {
        QStringList fields;
        for (const Section::Field &field : section.fields())
            if (!leftOut.value(section.name()).contains(field.name))
                fields << field.name + QLatin1Char('=') + field.value;
        lines << section.name() + QStringLiteral(": ") + fields.join(QLatin1Char('|'));
    }
    return lines;
}

} // namespace

// A machine sent from its inventory file is the machine sent from its files,
// section for section, except what only the machine's files say (the
// operating system, swap, addresses, mounted file systems, raw EDIDs): that
// is left out, never filled from the machine doing the sending. So is the
// UUID, which no class of the file holds.
void TestOcsDocument::fromInventoryFile()
{
    QFETCH(testing::OcsFixture, fixture);
    const std::optional<testing::OcsMachine> machine = testing::buildOcsMachine(fixture);
    if (!machine)
        QSKIP("../shared/realdata is not available");
    const inventory::Instrumentation live = LinuxSource::instrumentation(machine->root);
    const AgentDocument fromRoot = report::ocs::buildAgentDocument(live, HostFacts::read(MachineRoot(machine->root)));

    // Through the file's bytes, as --open reads it.
    namespace snapshot = inventory::snapshot;
    const auto record = std::make_shared<const snapshot::InventoryRecord>(snapshot::InventoryFile::fromJson(
        snapshot::InventoryFile::toJson(snapshot::takeRecord(live, snapshot::Origin{QStringLiteral("linux"), machine->root}))));
    const AgentDocument fromFile = report::ocs::buildAgentDocument(snapshot::recordInstrumentation(record),
                                                                   report::ocs::recordedHostFacts(record->hostName));

    // The file keeps no Win32_ComputerSystemProduct, the only class with the UUID.
    const QStringList hostOnly{QStringLiteral("UUID"), QStringLiteral("OSNAME"), QStringLiteral("OSVERSION"), QStringLiteral("OSCOMMENTS"),
                               QStringLiteral("SWAP"), QStringLiteral("IPADDR"), QStringLiteral("DEFAULTGATEWAY"),
                               QStringLiteral("DNS"), QStringLiteral("DESCRIPTION")};
    const QHash<QString, QStringList> leftOut{
        {QStringLiteral("HARDWARE"), hostOnly},
        {QStringLiteral("NETWORKS"), {QStringLiteral("IPADDRESS"), QStringLiteral("IPMASK"), QStringLiteral("IPSUBNET"), QStringLiteral("IPGATEWAY")}},
        {QStringLiteral("MONITORS"), {QStringLiteral("BASE64")}}};
    QStringList expected = sectionLines(fromRoot, leftOut);
    // No class names an empty memory slot; only the machine's firmware does.
    static const QRegularExpression emptySlotName(QStringLiteral("^(MEMORIES: )CAPTION=[^|]*\\|(?=DESCRIPTION=Empty slot)"));
    for (QString &line : expected)
        line.replace(emptySlotName, QStringLiteral("\\1"));
    // No mounted file systems, and one NETWORKS per adapter, not per address.
    expected.erase(std::remove_if(expected.begin(), expected.end(), [](const QString &line) { return line.startsWith(QLatin1String("DRIVES:")); }),
                   expected.end());
    expected.erase(std::unique(expected.begin(), expected.end(),
                               [](const QString &a, const QString &b) { return a == b && a.startsWith(QLatin1String("NETWORKS:")); }),
                   expected.end());
    QStringList found = sectionLines(fromFile, {{QStringLiteral("HARDWARE"), {QStringLiteral("SWAP")}}});
    QCOMPARE(found.size(), expected.size());
    for (qsizetype i = 0; i < found.size(); ++i)
        QCOMPARE(found.at(i), expected.at(i));

    // What the file does not keep is absent, not this machine's.
    const Section *hardware = fromFile.first(QStringLiteral("HARDWARE"));
    QVERIFY(hardware);
    QCOMPARE(hardware->value(QStringLiteral("NAME")), machine->truth.hostName);
    QCOMPARE(hardware->value(QStringLiteral("SWAP")), QStringLiteral("0"));
    for (const QString &name : hostOnly)
        QVERIFY2(name == QLatin1String("SWAP") || !hardware->has(name), qPrintable(name));
    for (const Section *network : fromFile.all(QStringLiteral("NETWORKS")))
        QVERIFY(!network->has(QStringLiteral("IPADDRESS")));
}

QTEST_GUILESS_MAIN(TestOcsDocument)
#include "tst_ocsdocument.moc"
