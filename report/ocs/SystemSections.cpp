// HARDWARE, BIOS, CPUS and MEMORIES: the machine, its firmware, processors
// and memory modules.
#include "report/ocs/AgentCodes.h"
#include "report/ocs/AgentDocumentBuilder.h"
#include "report/ocs/Sections.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

#include <map>

namespace report::ocs {

namespace {

using inventory::linuxsource::HostFacts;
using inventory::linuxsource::InterfaceAddress;

constexpr qint64 SystemMemoryUse = 3;
constexpr qint64 CpuEnabled = 1;

QString firstOf(std::initializer_list<QString> values)
{
    for (const QString &value : values)
        if (!value.isEmpty())
            return value;
    return {};
}

const ClassRow *firstRow(const std::vector<ClassRow> &rows)
{
    return rows.empty() ? nullptr : &rows.front();
}

QString textOf(const ClassRow *row, const char *name)
{
    return row ? row->text(QLatin1String(name)) : QString();
}

// Uptime as the stock agent writes it: elapsed years, months, days and time.
QString uptimeText(quint64 seconds)
{
    const QDateTime elapsed = QDateTime::fromSecsSinceEpoch(qint64(seconds), QTimeZone::utc());
    const QDate date = elapsed.date();
    return QStringLiteral("%1-%2-%3 %4")
        .arg(date.year() - 1970, 2, 10, QLatin1Char('0'))
        .arg(date.month() - 1, 2, 10, QLatin1Char('0'))
        .arg(date.day() - 1, 2, 10, QLatin1Char('0'))
        .arg(elapsed.time().toString(QStringLiteral("hh:mm:ss")));
}

// The address the machine reaches the world from: on the interface of the
// default route, else the first one.
QString mainAddress(const HostFacts &host)
{
    const InterfaceAddress *fallback = nullptr;
    for (const InterfaceAddress &address : host.addresses) {
        if (address.ipv6)
            continue;
        if (!address.gateway.isEmpty())
            return address.address;
        if (!fallback)
            fallback = &address;
    }
    return fallback ? fallback->address : QString();
}

// The classes of one machine that several sections draw on, read once.
struct Machine
{
    std::vector<ClassRow> computers;
    std::vector<ClassRow> products;
    std::vector<ClassRow> processors;
};

void addHardware(AgentDocument &document, const SectionInput &input, const Machine &machine)
{
    const std::vector<ClassRow> &processors = machine.processors;
    const ClassRow *computer = firstRow(machine.computers);
    const ClassRow *processor = firstRow(processors);
    const HostFacts *host = input.host;

    Section &hardware = document.add(QStringLiteral("HARDWARE"));
    hardware.text(QStringLiteral("NAME"), firstOf({textOf(computer, "DNSHostName"), textOf(computer, "Name"),
                                                   host ? host->hostName : QString()}))
        .text(QStringLiteral("WORKGROUP"), textOf(computer, "Domain"));
    if (host) {
        const QString version = host->os.versionId;
        if (!host->os.name.isEmpty()) {
            hardware.text(QStringLiteral("OSNAME"), (host->os.name + QLatin1Char(' ') + version).trimmed())
                .text(QStringLiteral("OSVERSION"), version)
                .text(QStringLiteral("OSCOMMENTS"), host->os.prettyName);
        } else if (!host->kernelRelease.isEmpty()) {
            hardware.text(QStringLiteral("OSNAME"), QStringLiteral("Linux"))
                .text(QStringLiteral("OSVERSION"), host->kernelRelease)
                .text(QStringLiteral("OSCOMMENTS"), host->kernelVersion);
        }
    }
    const QString architecture = processor ? architectureName(processor->number(QStringLiteral("Architecture"))) : QString();
    hardware.text(QStringLiteral("ARCH"), architecture)
        .text(QStringLiteral("PROCESSORT"), textOf(processor, "Name"))
        .requiredNumber(QStringLiteral("PROCESSORS"), processor ? processor->number(QStringLiteral("MaxClockSpeed")) : std::nullopt)
        .requiredNumber(QStringLiteral("PROCESSORN"), qint64(processors.size()))
        .requiredNumber(QStringLiteral("MEMORY"), computer ? mebibytes(computer->number(QStringLiteral("TotalPhysicalMemory"))) : std::nullopt)
        .requiredNumber(QStringLiteral("SWAP"), host && host->swapKb ? std::optional<qint64>(qint64(*host->swapKb / 1024)) : std::nullopt)
        .text(QStringLiteral("UUID"), textOf(firstRow(machine.products), "UUID"));
    if (host) {
        hardware.text(QStringLiteral("IPADDR"), mainAddress(*host))
            .text(QStringLiteral("DEFAULTGATEWAY"), host->defaultGateway)
            .text(QStringLiteral("DNS"), host->nameServers.value(0));
        if (host->uptimeSeconds)
            hardware.text(QStringLiteral("DESCRIPTION"), architecture + QLatin1Char('/') + uptimeText(*host->uptimeSeconds));
    }
    if (computer && computer->flag(QStringLiteral("HypervisorPresent")) == false)
        hardware.text(QStringLiteral("VMSYSTEM"), QStringLiteral("Physical"));
    hardware.requiredNumber(QStringLiteral("CHECKSUM"), AllSectionsChanged);
}

void addBios(AgentDocument &document, const SectionInput &input, const Machine &machine)
{
    const std::vector<ClassRow> bioses = input.rows("Win32_BIOS");
    const std::vector<ClassRow> boards = input.rows("Win32_BaseBoard");
    const std::vector<ClassRow> enclosures = input.rows("Win32_SystemEnclosure");
    const ClassRow *computer = firstRow(machine.computers);
    const ClassRow *product = firstRow(machine.products);
    const ClassRow *bios = firstRow(bioses);
    const ClassRow *board = firstRow(boards);
    const ClassRow *enclosure = firstRow(enclosures);
    if (!bios && !board && !product)
        return;

    const QString maker = firstOf({textOf(product, "Vendor"), textOf(computer, "Manufacturer")});
    QString model = firstOf({textOf(product, "Name"), textOf(computer, "Model")});
    // Lenovo puts the model number where others put the model and the model
    // in the version; the console should show "ThinkPad X61", as the stock
    // agent makes it.
    static const QRegularExpression lenovoFamily(QStringLiteral("^(Think|Idea|Yoga|Netfinity|Netvista|Intelli)"),
                                                 QRegularExpression::CaseInsensitiveOption);
    // A recorded machine keeps no product class; its family is the same text.
    const QString familyModel = product ? textOf(product, "Version") : textOf(computer, "SystemFamily");
    if (maker.compare(QLatin1String("LENOVO"), Qt::CaseInsensitive) == 0 && lenovoFamily.match(familyModel).hasMatch())
        model = familyModel;
    const QStringList chassis = enclosure ? enclosure->list(QStringLiteral("ChassisTypes")) : QStringList();
    bool chassisOk = false;
    const qint64 chassisCode = chassis.value(0).toLongLong(&chassisOk);

    document.add(QStringLiteral("BIOS"))
        .text(QStringLiteral("SMANUFACTURER"), maker)
        .text(QStringLiteral("SMODEL"), model)
        .text(QStringLiteral("SSN"), firstOf({textOf(product, "IdentifyingNumber"), textOf(bios, "SerialNumber"), textOf(board, "SerialNumber")}))
        .text(QStringLiteral("BMANUFACTURER"), textOf(bios, "Manufacturer"))
        .text(QStringLiteral("BVERSION"), textOf(bios, "SMBIOSBIOSVersion"))
        .text(QStringLiteral("BDATE"), biosDate(textOf(bios, "ReleaseDate")))
        .text(QStringLiteral("MMANUFACTURER"), textOf(board, "Manufacturer"))
        .text(QStringLiteral("MMODEL"), textOf(board, "Product"))
        .text(QStringLiteral("MSN"), textOf(board, "SerialNumber"))
        .text(QStringLiteral("ASSETTAG"), textOf(enclosure, "SMBIOSAssetTag"))
        .text(QStringLiteral("TYPE"), chassisTypeName(chassisOk ? std::optional<qint64>(chassisCode) : std::nullopt));
}

void addProcessors(AgentDocument &document, const std::vector<ClassRow> &processors)
{
    for (const ClassRow &cpu : processors) {
        const std::optional<qint64> cores = cpu.number(QStringLiteral("NumberOfCores"));
        const std::optional<qint64> logical = cpu.number(QStringLiteral("NumberOfLogicalProcessors"));
        const std::optional<qint64> tenthsOfVolt = cpu.number(QStringLiteral("CurrentVoltage"));
        Section &section = document.add(QStringLiteral("CPUS"));
        section.text(QStringLiteral("TYPE"), cpu.text(QStringLiteral("Name")))
            .text(QStringLiteral("MANUFACTURER"), processorMaker(cpu.text(QStringLiteral("Manufacturer"))))
            .number(QStringLiteral("SPEED"), cpu.number(QStringLiteral("MaxClockSpeed")))
            .number(QStringLiteral("CURRENT_SPEED"), cpu.number(QStringLiteral("CurrentClockSpeed")))
            .number(QStringLiteral("CORES"), cores)
            .number(QStringLiteral("LOGICAL_CPUS"), logical)
            .number(QStringLiteral("THREADS"), logical)
            .number(QStringLiteral("L2CACHESIZE"), cpu.number(QStringLiteral("L2CacheSize")))
            .number(QStringLiteral("DATA_WIDTH"), cpu.number(QStringLiteral("DataWidth")))
            .number(QStringLiteral("CURRENT_ADDRESS_WIDTH"), cpu.number(QStringLiteral("AddressWidth")))
            .text(QStringLiteral("CPUARCH"), architectureName(cpu.number(QStringLiteral("Architecture"))))
            .text(QStringLiteral("SOCKET"), cpu.text(QStringLiteral("SocketDesignation")))
            .text(QStringLiteral("SERIALNUMBER"), cpu.text(QStringLiteral("SerialNumber")))
            .number(QStringLiteral("NBSOCKET"), qint64(processors.size()));
        // WMI gives tenths of a volt.
        if (tenthsOfVolt && *tenthsOfVolt > 0)
            section.text(QStringLiteral("VOLTAGE"), QStringLiteral("%1 V").arg(double(*tenthsOfVolt) / 10.0, 0, 'f', 1));
        if (const std::optional<qint64> status = cpu.number(QStringLiteral("CpuStatus")))
            section.text(QStringLiteral("CPUSTATUS"), *status == CpuEnabled ? QStringLiteral("Enabled") : QStringLiteral("Disabled"));
    }
}

// Where a module sits among the firmware's memory device records: its Tag
// ("Physical Memory 2") counts every record, empty slots included.
std::optional<qint64> slotPosition(const ClassRow &module)
{
    static const QRegularExpression tag(QStringLiteral("^Physical Memory (\\d{1,4})$"));
    const QRegularExpressionMatch match = tag.match(module.text(QStringLiteral("Tag")));
    return match.hasMatch() ? std::optional<qint64>(match.captured(1).toLongLong()) : std::nullopt;
}

void addModule(AgentDocument &document, const ClassRow &module, qint64 slot)
{
    const QString formFactor = memoryFormFactorName(module.number(QStringLiteral("FormFactor")));
    const QString part = module.text(QStringLiteral("PartNumber"));
    // The server keeps no part number of its own; the description shows it.
    document.add(QStringLiteral("MEMORIES"))
        .text(QStringLiteral("CAPTION"), firstOf({module.text(QStringLiteral("DeviceLocator")), module.text(QStringLiteral("BankLabel"))}))
        .text(QStringLiteral("DESCRIPTION"), (formFactor + QLatin1Char(' ') + part).trimmed())
        .number(QStringLiteral("CAPACITY"), mebibytes(module.number(QStringLiteral("Capacity"))))
        .text(QStringLiteral("PURPOSE"), QStringLiteral("System Memory"))
        .text(QStringLiteral("TYPE"), smbiosMemoryTypeName(module.number(QStringLiteral("SMBIOSMemoryType"))))
        .number(QStringLiteral("SPEED"), module.number(QStringLiteral("Speed")))
        .text(QStringLiteral("MANUFACTURER"), module.text(QStringLiteral("Manufacturer")))
        .text(QStringLiteral("SERIALNUMBER"), module.text(QStringLiteral("SerialNumber")))
        .number(QStringLiteral("NUMSLOTS"), slot);
}

// One MEMORIES per slot, as the stock agents send them: the modules at their
// places, and the empty slots between and after them with capacity 0.
void addMemories(AgentDocument &document, const SectionInput &input)
{
    const std::vector<ClassRow> modules = input.rows("Win32_PhysicalMemory");
    // A firmware that miscounts must not flood the document.
    constexpr qint64 MaxSlots = 1024;
    std::map<qint64, const ClassRow *> placed;
    std::vector<const ClassRow *> unplaced;
    for (const ClassRow &module : modules) {
        const std::optional<qint64> position = slotPosition(module);
        if (position && *position < MaxSlots && !placed.contains(*position))
            placed.emplace(*position, &module);
        else
            unplaced.push_back(&module);
    }
    // The machine's firmware names every slot; without it (a recorded
    // machine) the arrays say how many there are, and empty ones go unnamed.
    static const std::vector<inventory::linuxsource::MemorySlot> none;
    const std::vector<inventory::linuxsource::MemorySlot> &named = input.host ? input.host->memorySlots : none;
    qint64 slots = qint64(named.size());
    if (named.empty())
        for (const ClassRow &array : input.rows("Win32_PhysicalMemoryArray"))
            if (array.number(QStringLiteral("Use")).value_or(SystemMemoryUse) == SystemMemoryUse)
                slots += std::max<qint64>(0, std::min(array.number(QStringLiteral("MemoryDevices")).value_or(0), MaxSlots));
    if (!placed.empty())
        slots = std::max(slots, placed.rbegin()->first + 1);
    slots = std::min(slots, MaxSlots);

    for (qint64 position = 0; position < slots; ++position) {
        if (const auto module = placed.find(position); module != placed.end()) {
            addModule(document, *module->second, position + 1);
            continue;
        }
        // A slot the firmware fills that no module class shows (unreadable) is not called empty.
        if (position < qint64(named.size()) && named[size_t(position)].installed)
            continue;
        document.add(QStringLiteral("MEMORIES"))
            .text(QStringLiteral("CAPTION"), position < qint64(named.size()) ? named[size_t(position)].locator : QString())
            .text(QStringLiteral("DESCRIPTION"), QStringLiteral("Empty slot"))
            .number(QStringLiteral("CAPACITY"), 0)
            .text(QStringLiteral("PURPOSE"), QStringLiteral("System Memory"))
            .number(QStringLiteral("NUMSLOTS"), position + 1);
    }
    qint64 number = slots;
    for (const ClassRow *module : unplaced)
        addModule(document, *module, ++number);
}

} // namespace

void addSystemSections(AgentDocument &document, const SectionInput &input)
{
    const Machine machine{input.rows("Win32_ComputerSystem"), input.rows("Win32_ComputerSystemProduct"), input.rows("Win32_Processor")};
    addHardware(document, input, machine);
    addBios(document, input, machine);
    addProcessors(document, machine.processors);
    addMemories(document, input);
}

} // namespace report::ocs
