// Win32_IRQResource, Win32_PortResource and Win32_SystemMemoryResource: the
// interrupt lines (/proc/interrupts), I/O port ranges (/proc/ioports) and
// device memory ranges (/proc/iomem) in use. The kernel hides the addresses
// of the last two from users other than root (it shows zeros); they then
// see the ranges of PCI devices, which sysfs shows everyone, and nothing
// else, so that no address is ever wrong.
#include "inventory/linux/resources/Resources.h"

#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"

#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {

const QString IrqClass = QStringLiteral("Win32_IRQResource");
const QString PortClass = QStringLiteral("Win32_PortResource");
const QString MemoryClass = QStringLiteral("Win32_SystemMemoryResource");
// The class of each memory range a Win32_SystemMemoryResource query returns.
const QString DeviceMemoryClass = QStringLiteral("Win32_DeviceMemoryAddress");

// WMI codes of Win32_IRQResource.
constexpr int TriggerLevel = 3;
constexpr int TriggerEdge = 4;
constexpr int AvailabilityInUse = 4;
constexpr int AvailabilityShareable = 5;

// Flags of sys/bus/pci/devices/*/resource (linux/ioport.h).
constexpr quint64 ResourceIo = 0x100;
constexpr quint64 ResourceMemory = 0x200;
constexpr quint64 ResourcePrefetch = 0x2000;
constexpr quint64 ResourceReadOnly = 0x4000;
constexpr int PciRomResource = 6;

struct Range
{
    quint64 start = 0;
    quint64 end = 0;
    QStringList names;
    QString memoryType; // memory ranges only
};

QString hexText(quint64 value, int width)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(value, width, 16, QLatin1Char('0')).toUpper();
}

QString portCaption(const Range &range) { return hexText(range.start, 4) + QLatin1Char('-') + hexText(range.end, 4); }
QString memoryCaption(const Range &range) { return hexText(range.start, 1) + QLatin1Char('-') + hexText(range.end, 1); }

// One instance per distinct range; the owners of a range nested in another
// of the same extent ("0000:00:1f.2" holding "ahci") share it.
void addRange(std::vector<Range> &ranges, const Range &range)
{
    for (Range &existing : ranges) {
        if (existing.start == range.start && existing.end == range.end) {
            for (const QString &name : range.names)
                if (!existing.names.contains(name))
                    existing.names << name;
            return;
        }
    }
    ranges.push_back(range);
}

// The ranges of PCI devices, which sysfs shows to every user.
std::vector<Range> pciRanges(const MachineRoot &root, quint64 kind)
{
    std::vector<Range> ranges;
    for (const QString &device : root.list(QStringLiteral("sys/bus/pci/devices"))) {
        const QStringList lines = root.readLines(QStringLiteral("sys/bus/pci/devices/") + device + QStringLiteral("/resource"))
                                      .value_or(QStringList());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QStringList fields = lines[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (fields.size() < 3)
                continue;
            bool ok1 = false, ok2 = false, ok3 = false;
            const quint64 start = fields[0].toULongLong(&ok1, 0);
            const quint64 end = fields[1].toULongLong(&ok2, 0);
            const quint64 flags = fields[2].toULongLong(&ok3, 0);
            if (!ok1 || !ok2 || !ok3 || !(flags & kind) || end <= start)
                continue;
            Range range{start, end, {device}, {}};
            if (kind == ResourceMemory)
                range.memoryType = (i == PciRomResource || (flags & ResourceReadOnly)) ? QStringLiteral("ReadOnly")
                    : (flags & ResourcePrefetch)                                       ? QStringLiteral("Prefetchable")
                                                                                       : QStringLiteral("ReadWrite");
            addRange(ranges, range);
        }
    }
    std::sort(ranges.begin(), ranges.end(), [](const Range &a, const Range &b) { return a.start < b.start; });
    return ranges;
}

std::vector<Range> portRanges(const MachineRoot &root)
{
    const std::vector<ResourceRange> table = parseResourceTable(root.readBytes(QStringLiteral("proc/ioports")).value_or(QByteArray()));
    if (addressesHidden(table))
        return pciRanges(root, ResourceIo);
    std::vector<Range> ranges;
    for (const ResourceRange &entry : table)
        addRange(ranges, Range{entry.start, entry.end, {entry.name}, {}});
    return ranges;
}

// Device memory: everything in iomem but main memory and what the kernel
// keeps inside it.
std::vector<Range> memoryRanges(const MachineRoot &root)
{
    const std::vector<ResourceRange> table = parseResourceTable(root.readBytes(QStringLiteral("proc/iomem")).value_or(QByteArray()));
    if (addressesHidden(table))
        return pciRanges(root, ResourceMemory);
    std::vector<Range> ranges;
    int ramDepth = -1;
    for (const ResourceRange &entry : table) {
        if (ramDepth >= 0 && entry.depth > ramDepth)
            continue;
        ramDepth = -1;
        if (entry.name == QLatin1String("System RAM") || entry.name == QLatin1String("RAM buffer")) {
            ramDepth = entry.depth;
            continue;
        }
        addRange(ranges, Range{entry.start, entry.end, {entry.name},
                               entry.name.contains(QLatin1String("ROM")) ? QStringLiteral("ReadOnly") : QStringLiteral("ReadWrite")});
    }
    return ranges;
}

PropertyBag resourceBag(const MachineRoot &root, const QString &className)
{
    PropertyBag bag;
    bag.set(QStringLiteral("CreationClassName"), Value::text(className))
        .set(QStringLiteral("CSCreationClassName"), Value::text(QStringLiteral("Win32_ComputerSystem")))
        .text(QStringLiteral("CSName"), systemName(root))
        .text(QStringLiteral("Status"), QStringLiteral("OK"));
    return bag;
}

Properties rangeProperties(const MachineRoot &root, const Range &range, const QString &className, const QString &caption)
{
    PropertyBag bag = resourceBag(root, className);
    bag.text(QStringLiteral("Caption"), caption)
        .text(QStringLiteral("Name"), caption)
        // Who holds the range: what Windows shows in Device Manager beside it.
        .text(QStringLiteral("Description"), range.names.join(QStringLiteral(", ")))
        .unsignedInteger(QStringLiteral("StartingAddress"), range.start)
        .unsignedInteger(QStringLiteral("EndingAddress"), range.end)
        .text(QStringLiteral("MemoryType"), range.memoryType);
    if (className == PortClass)
        bag.boolean(QStringLiteral("Alias"), false);
    return bag.take();
}

Properties irqProperties(const MachineRoot &root, const InterruptLine &line)
{
    const QString caption = QStringLiteral("IRQ%1").arg(line.number);
    const bool level = line.trigger == QLatin1String("level");
    const bool shareable = level || line.users.size() > 1;
    PropertyBag bag = resourceBag(root, IrqClass);
    bag.text(QStringLiteral("Caption"), caption)
        .text(QStringLiteral("Name"), caption)
        .text(QStringLiteral("Description"), line.users.isEmpty() ? caption : line.users.join(QStringLiteral(", ")))
        .integer(QStringLiteral("IRQNumber"), line.number)
        .boolean(QStringLiteral("Hardware"), true)
        .boolean(QStringLiteral("Shareable"), shareable)
        .integer(QStringLiteral("Availability"), shareable ? AvailabilityShareable : AvailabilityInUse);
    if (!line.trigger.isEmpty())
        bag.integer(QStringLiteral("TriggerType"), level ? TriggerLevel : TriggerEdge);
    return bag.take();
}

std::vector<Instance> irqResources(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const InterruptLine &line : parseInterrupts(root.readBytes(QStringLiteral("proc/interrupts")).value_or(QByteArray())))
        instances.emplace_back(Value::text(QStringLiteral("IRQ%1").arg(line.number)),
                               [root, line] { return irqProperties(root, line); });
    return instances;
}

void addPortInstances(std::vector<Instance> &instances, const MachineRoot &root)
{
    for (const Range &range : portRanges(root))
        instances.emplace_back(Value::text(portCaption(range)),
                               [root, range] { return rangeProperties(root, range, PortClass, portCaption(range)); });
}

std::vector<Instance> portResources(const MachineRoot &root)
{
    std::vector<Instance> instances;
    addPortInstances(instances, root);
    return instances;
}

// Win32_SystemMemoryResource has no instances of its own: a query returns
// those of its subclasses, the device memory ranges and the port ranges.
std::vector<Instance> systemMemoryResources(const MachineRoot &root)
{
    std::vector<Instance> instances;
    for (const Range &range : memoryRanges(root))
        instances.emplace_back(Value::text(memoryCaption(range)), [root, range] {
            return rangeProperties(root, range, DeviceMemoryClass, memoryCaption(range));
        });
    addPortInstances(instances, root);
    return instances;
}

bool isTrigger(const QString &word)
{
    const QString w = word.toLower();
    return w == QLatin1String("edge") || w == QLatin1String("level") || w == QLatin1String("fasteoi");
}

} // namespace

std::vector<InterruptLine> parseInterrupts(const QByteArray &text)
{
    std::vector<InterruptLine> lines;
    const QList<QByteArray> rows = text.split('\n');
    if (rows.isEmpty())
        return lines;
    const qsizetype cpus = cleanText(rows.first()).split(QLatin1Char(' '), Qt::SkipEmptyParts).size();
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const QString row = cleanText(rows[r]);
        const qsizetype colon = row.indexOf(QLatin1Char(':'));
        bool ok = false;
        const quint32 number = row.left(colon).trimmed().toUInt(&ok);
        if (colon <= 0 || !ok)
            continue; // NMI, LOC and the other per-CPU counters are no IRQ lines
        QStringList words = row.mid(colon + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        // One count per CPU; a line may carry fewer.
        qsizetype counts = 0;
        while (counts < cpus && counts < words.size()) {
            words[counts].toULongLong(&ok);
            if (!ok)
                break;
            ++counts;
        }
        words = words.mid(counts);
        InterruptLine line;
        line.number = number;
        qsizetype triggerAt = -1;
        for (qsizetype i = 0; i < words.size() && triggerAt < 0; ++i) {
            // "IR-IO-APIC-edge" (before 4.x), "16-fasteoi", or "Edge" alone.
            const QString suffix = words[i].section(QLatin1Char('-'), -1);
            if (isTrigger(suffix))
                triggerAt = i;
        }
        if (triggerAt >= 0) {
            const QString word = words[triggerAt];
            const QString head = word.section(QLatin1Char('-'), 0, -2);
            line.trigger = word.section(QLatin1Char('-'), -1).toLower() == QLatin1String("edge") ? QStringLiteral("edge")
                                                                                                : QStringLiteral("level");
            QStringList controller = words.mid(0, triggerAt);
            static const QRegularExpression hardwareIrq(QStringLiteral("^[0-9]+$"));
            if (!head.isEmpty() && !hardwareIrq.match(head).hasMatch())
                controller << head;
            line.controller = controller.join(QLatin1Char(' '));
            words = words.mid(triggerAt + 1);
        } else if (!words.isEmpty()) {
            line.controller = words.takeFirst();
        }
        for (const QString &user : words.join(QLatin1Char(' ')).split(QLatin1Char(','), Qt::SkipEmptyParts))
            if (!user.trimmed().isEmpty())
                line.users << user.trimmed();
        lines.push_back(line);
    }
    return lines;
}

std::vector<ResourceRange> parseResourceTable(const QByteArray &text)
{
    static const QRegularExpression entry(QStringLiteral("^( *)([0-9a-fA-F]{1,16})-([0-9a-fA-F]{1,16}) : (.*)$"));
    std::vector<ResourceRange> ranges;
    for (const QByteArray &raw : text.split('\n')) {
        const QRegularExpressionMatch match = entry.match(cleanText(raw));
        if (!match.hasMatch())
            continue;
        bool ok1 = false, ok2 = false;
        ResourceRange range;
        range.start = match.captured(2).toULongLong(&ok1, 16);
        range.end = match.captured(3).toULongLong(&ok2, 16);
        range.name = match.captured(4).trimmed();
        range.depth = int(match.captured(1).size() / 2);
        if (ok1 && ok2 && range.start <= range.end)
            ranges.push_back(range);
    }
    return ranges;
}

bool addressesHidden(const std::vector<ResourceRange> &ranges)
{
    return !ranges.empty()
        && std::all_of(ranges.begin(), ranges.end(), [](const ResourceRange &r) { return r.start == 0 && r.end == 0; });
}

void registerResources(ClassTable &table)
{
    table.provide(IrqClass, irqResources);
    table.provide(PortClass, portResources);
    table.provide(MemoryClass, systemMemoryResources);
}

} // namespace inventory::linuxsource
