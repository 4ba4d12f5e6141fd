// Win32_CacheMemory: the processor caches, from SMBIOS type 7 where the table
// has them, else from the kernel's cache directories, one instance per cache
// however many processors share it. Never both for the same caches.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/system/CpuInfo.h"
#include "inventory/linux/firmware/Firmware.h"
#include "inventory/linux/firmware/SmbiosDecode.h"

#include <QSet>

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_CacheMemory");
const QString Label = QStringLiteral("Cache Memory");

constexpr quint8 CacheType = 7;
// WMI counts cache levels from 3 (Primary); SMBIOS and the kernel from 1.
constexpr int LevelOffset = 2;
constexpr int BlockSize = 1024;

// CIM codes shared by both sources.
enum CimCacheType { Instruction = 3, Data = 4, Unified = 5 };
enum CimWritePolicy { WriteBack = 3, WriteThrough = 4, Varies = 5, UnknownPolicy = 2 };
enum CimAvailability { Running = 3, OffLine = 8 };
enum CimStatusInfo { Enabled = 3, Disabled = 4 };

PropertyBag cacheBase(const Firmware &firmware, int index)
{
    PropertyBag bag;
    bag.logicalDevice(ClassName, firmware.systemName())
        .text(QStringLiteral("Caption"), Label)
        .text(QStringLiteral("Description"), Label)
        .text(QStringLiteral("Name"), Label)
        .text(QStringLiteral("DeviceID"), QStringLiteral("Cache Memory %1").arg(index))
        .text(QStringLiteral("Status"), QStringLiteral("OK"))
        .integer(QStringLiteral("BlockSize"), BlockSize);
    return bag;
}

void sizes(PropertyBag &bag, std::optional<quint32> installedKb, std::optional<quint32> maximumKb)
{
    bag.unsignedInteger(QStringLiteral("InstalledSize"), installedKb)
        .unsignedInteger(QStringLiteral("NumberOfBlocks"), installedKb)
        .unsignedInteger(QStringLiteral("MaxCacheSize"), maximumKb);
}

PropertyBag fromTable(const SmbiosStructure &cache, int index, const Firmware &firmware)
{
    PropertyBag bag = cacheBase(firmware, index);
    bag.text(QStringLiteral("Purpose"), cache.string(0x04));
    if (const std::optional<quint16> configuration = cache.word(0x05)) {
        const bool enabled = *configuration & 0x80;
        bag.integer(QStringLiteral("Level"), (*configuration & 0x07) + 1 + LevelOffset)
            .integer(QStringLiteral("Location"), (*configuration >> 5) & 0x03)
            .integer(QStringLiteral("Availability"), enabled ? Running : OffLine)
            .integer(QStringLiteral("StatusInfo"), enabled ? Enabled : Disabled);
        static constexpr int Policy[] = {WriteThrough, WriteBack, Varies, UnknownPolicy};
        bag.integer(QStringLiteral("WritePolicy"), Policy[(*configuration >> 8) & 0x03]);
    }
    sizes(bag, cacheSizeKb(cache, true), cacheSizeKb(cache, false));
    if (const std::optional<quint16> supported = cache.word(0x0B))
        bag.set(QStringLiteral("SupportedSRAM"), Value::array(bitNumbers(*supported, 16)));
    if (const std::optional<quint16> current = cache.word(0x0D))
        bag.set(QStringLiteral("CurrentSRAM"), Value::array(bitNumbers(*current, 16)));
    if (const std::optional<quint8> nanoseconds = cache.byte(0x0F); nanoseconds && *nanoseconds != 0)
        bag.integer(QStringLiteral("CacheSpeed"), *nanoseconds);
    bag.integer(QStringLiteral("ErrorCorrectType"), cache.byte(0x10))
        .integer(QStringLiteral("CacheType"), cache.byte(0x11))
        .integer(QStringLiteral("Associativity"), cache.byte(0x12));
    return bag;
}

// One cache as the kernel shows it: its directory under the first processor
// that uses it.
struct KernelCache
{
    QString directory;
    int level = 0;
    QString type;
};

std::vector<KernelCache> kernelCaches(const MachineRoot &root)
{
    const QString cpus = QStringLiteral("sys/devices/system/cpu/");
    std::vector<KernelCache> caches;
    QSet<QString> seen;
    for (const QString &cpu : root.list(cpus)) {
        if (!cpu.startsWith(QLatin1String("cpu")) || cpu.size() < 4 || !cpu.at(3).isDigit())
            continue;
        const QString base = cpus + cpu + QStringLiteral("/cache/");
        for (const QString &index : root.list(base)) {
            if (!index.startsWith(QLatin1String("index")))
                continue;
            const QString dir = base + index + QLatin1Char('/');
            const std::optional<qint64> level = root.readInteger(dir + QStringLiteral("level"));
            if (!level || *level < 1 || *level > 8)
                continue;
            const QString type = root.readText(dir + QStringLiteral("type")).value_or(QString()).trimmed();
            // Processors sharing a cache list the same set; without the list
            // every directory is its own cache.
            const QString sharing = root.readText(dir + QStringLiteral("shared_cpu_list")).value_or(dir).trimmed();
            const QString key = QStringLiteral("%1|%2|%3").arg(*level).arg(type, sharing);
            if (seen.contains(key))
                continue;
            seen.insert(key);
            caches.push_back({dir, int(*level), type});
        }
    }
    std::stable_sort(caches.begin(), caches.end(),
                     [](const KernelCache &a, const KernelCache &b) { return a.level < b.level; });
    return caches;
}

// CIM (and SMBIOS) associativity codes by number of ways.
std::optional<int> associativity(qint64 ways)
{
    switch (ways) {
    case 1: return 3;
    case 2: return 4;
    case 4: return 5;
    case 8: return 7;
    case 16: return 8;
    case 12: return 9;
    case 24: return 10;
    case 32: return 11;
    case 48: return 12;
    case 64: return 13;
    case 20: return 14;
    default: return ways > 0 ? std::optional<int>(1) : std::nullopt;
    }
}

PropertyBag fromKernel(const KernelCache &cache, int index, const Firmware &firmware)
{
    const MachineRoot &root = *firmware.root();
    PropertyBag bag = cacheBase(firmware, index);
    const bool instruction = cache.type == QLatin1String("Instruction");
    const bool data = cache.type == QLatin1String("Data");
    bag.text(QStringLiteral("Purpose"), QStringLiteral("L%1 %2Cache")
                                            .arg(cache.level)
                                            .arg(instruction ? QStringLiteral("Instruction ")
                                                 : data      ? QStringLiteral("Data ")
                                                             : QString()))
        .integer(QStringLiteral("Level"), cache.level + LevelOffset)
        .integer(QStringLiteral("CacheType"), instruction ? Instruction : data ? Data : Unified)
        .integer(QStringLiteral("Location"), 0) // on the processor
        .integer(QStringLiteral("Availability"), Running)
        .integer(QStringLiteral("StatusInfo"), Enabled);
    const std::optional<quint32> kb = kernelCacheSizeKb(root.readText(cache.directory + QStringLiteral("size")).value_or(QString()));
    sizes(bag, kb, kb);
    if (const std::optional<qint64> line = root.readInteger(cache.directory + QStringLiteral("coherency_line_size")); line && *line > 0)
        bag.integer(QStringLiteral("LineSize"), *line);
    if (const std::optional<qint64> ways = root.readInteger(cache.directory + QStringLiteral("ways_of_associativity")))
        bag.integer(QStringLiteral("Associativity"), associativity(*ways));
    const QString policy = root.readText(cache.directory + QStringLiteral("write_policy")).value_or(QString()).trimmed();
    if (policy == QLatin1String("WriteBack"))
        bag.integer(QStringLiteral("WritePolicy"), WriteBack);
    else if (policy == QLatin1String("WriteThrough"))
        bag.integer(QStringLiteral("WritePolicy"), WriteThrough);
    return bag;
}

} // namespace

std::vector<Instance> cacheMemoryInstances(const FirmwarePtr &firmware)
{
    std::vector<Instance> instances = structureInstances(firmware, CacheType, Label, fromTable);
    if (!instances.empty() || !firmware->root())
        return instances;
    const std::vector<KernelCache> caches = kernelCaches(*firmware->root());
    for (int i = 0; i < int(caches.size()); ++i)
        instances.push_back(firmwareInstance(Label, firmware, [cache = caches[i], i](const Firmware &fw) {
            return fromKernel(cache, i, fw);
        }));
    return instances;
}

void registerCacheMemory(ClassTable &table)
{
    provideFirmware(table, ClassName, cacheMemoryInstances);
}

} // namespace inventory::linuxsource
