// Win32_Processor: one instance per physical package, from /proc/cpuinfo,
// the sysfs topology, cache and cpufreq directories, with the socket's own
// record from the firmware (SMBIOS type 4).
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/system/CpuInfo.h"
#include "inventory/linux/firmware/Firmware.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/firmware/SmbiosDecode.h"

#include <QRegularExpression>
#include <QSet>

#include <cmath>

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_Processor");

// Architecture codes as WMI numbers them.
enum Architecture { X86 = 0, Arm = 5, X64 = 9, Arm64 = 12 };

std::optional<int> architecture(const LogicalCpu &cpu)
{
    if (cpu.fields.contains(QStringLiteral("vendor_id")))
        return cpuFlags(cpu).contains(QStringLiteral("lm")) ? X64 : X86;
    const QString arch = cpu.fields.value(QStringLiteral("CPU architecture"));
    if (arch == QLatin1String("8"))
        return Arm64;
    if (!arch.isEmpty())
        return Arm;
    return std::nullopt;
}

std::optional<int> number(const LogicalCpu &cpu, const char *key, int base = 10)
{
    QString text = cpu.fields.value(QLatin1String(key));
    if (base == 16 && text.startsWith(QLatin1String("0x")))
        text = text.mid(2);
    bool ok = false;
    const int value = text.toInt(&ok, base);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// "Intel64 Family 6 Model 158 Stepping 10", as Windows names the processor.
QString processorCaption(const LogicalCpu &cpu)
{
    const std::optional<int> arch = architecture(cpu);
    const QString vendor = cpu.fields.value(QStringLiteral("vendor_id"));
    if (arch == X64 || arch == X86) {
        QString prefix = QStringLiteral("x86");
        if (arch == X64)
            prefix = vendor == QLatin1String("AuthenticAMD") ? QStringLiteral("AMD64")
                   : vendor == QLatin1String("GenuineIntel") ? QStringLiteral("Intel64")
                                                              : QStringLiteral("x64");
        return QStringLiteral("%1 Family %2 Model %3 Stepping %4")
            .arg(prefix)
            .arg(number(cpu, "cpu family").value_or(0))
            .arg(number(cpu, "model").value_or(0))
            .arg(number(cpu, "stepping").value_or(0));
    }
    if (arch == Arm || arch == Arm64) {
        return QStringLiteral("ARMv%1 Family %1 Model %2 Revision %3")
            .arg(cpu.fields.value(QStringLiteral("CPU architecture")))
            .arg(QString::number(number(cpu, "CPU part", 16).value_or(0), 16).toUpper())
            .arg(number(cpu, "CPU variant", 16).value_or(0));
    }
    const QString model = cpu.fields.value(QStringLiteral("model name"));
    return model.isEmpty() ? cpu.fields.value(QStringLiteral("cpu")) : model;
}

std::optional<qint64> megahertz(const MachineRoot &root, int cpu, const char *file)
{
    const std::optional<qint64> khz
        = root.readInteger(QStringLiteral("sys/devices/system/cpu/cpu%1/cpufreq/%2").arg(cpu).arg(QLatin1String(file)));
    if (!khz || *khz <= 0)
        return std::nullopt;
    return (*khz + 500) / 1000;
}

// The rated speed in the brand string ("... CPU @ 2.27GHz"): the nominal one,
// where intel_pstate's cpuinfo_max_freq is the turbo ceiling.
std::optional<qint64> ratedMegahertz(const QString &modelName)
{
    static const QRegularExpression rated(QStringLiteral("@\\s*([0-9]+(?:\\.[0-9]+)?)\\s*([GM])Hz\\s*$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = rated.match(modelName.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const double value = match.captured(1).toDouble();
    const double mhz = match.captured(2).compare(QLatin1String("G"), Qt::CaseInsensitive) == 0 ? value * 1000 : value;
    return mhz > 0 ? std::optional<qint64>(std::llround(mhz)) : std::nullopt;
}

// Total size in KB of the caches of one level in a package: each cache counted
// once however many CPUs share it (4 x 256 KB L2 shows as 1024).
std::optional<qint64> cacheSizeKb(const MachineRoot &root, const CpuPackage &package, int level)
{
    QSet<QString> seen;
    qint64 total = 0;
    for (const LogicalCpu &cpu : package.cpus) {
        const QString base = QStringLiteral("sys/devices/system/cpu/cpu%1/cache").arg(cpu.number);
        for (const QString &index : root.list(base)) {
            if (!index.startsWith(QLatin1String("index")))
                continue;
            const QString dir = base + QLatin1Char('/') + index + QLatin1Char('/');
            if (root.readInteger(dir + QStringLiteral("level")) != level)
                continue;
            if (root.readText(dir + QStringLiteral("type")).value_or(QString()) == QLatin1String("Instruction"))
                continue;
            const QString sharing = root.readText(dir + QStringLiteral("shared_cpu_list")).value_or(dir);
            if (seen.contains(sharing))
                continue;
            seen.insert(sharing);
            total += kernelCacheSizeKb(root.readText(dir + QStringLiteral("size")).value_or(QString())).value_or(0);
        }
    }
    return total > 0 ? std::optional<qint64>(total) : std::nullopt;
}

Properties processorProperties(const MachineRoot &root, const CpuPackage &package, int index)
{
    const LogicalCpu &first = package.cpus.front();
    const QStringList flags = cpuFlags(first);
    const std::optional<int> arch = architecture(first);
    const bool wide = arch == X64 || arch == Arm64;
    const QString caption = processorCaption(first);

    PropertyBag bag;
    bag.logicalDevice(ClassName, systemName(root))
        .text(QStringLiteral("Caption"), caption)
        .text(QStringLiteral("Description"), caption)
        .text(QStringLiteral("DeviceID"), QStringLiteral("CPU%1").arg(index))
        .text(QStringLiteral("Name"), first.fields.value(QStringLiteral("model name")))
        .text(QStringLiteral("Manufacturer"), first.fields.value(QStringLiteral("vendor_id")))
        .text(QStringLiteral("Role"), QStringLiteral("CPU"))
        .text(QStringLiteral("Status"), QStringLiteral("OK"))
        .integer(QStringLiteral("Availability"), 3)
        .integer(QStringLiteral("StatusInfo"), 3)
        .integer(QStringLiteral("CpuStatus"), 1)
        .integer(QStringLiteral("ProcessorType"), 3)
        .boolean(QStringLiteral("PowerManagementSupported"), false)
        .integer(QStringLiteral("NumberOfCores"), package.coreCount())
        .integer(QStringLiteral("NumberOfLogicalProcessors"), qint64(package.cpus.size()));
    if (arch) {
        bag.integer(QStringLiteral("Architecture"), *arch)
            .integer(QStringLiteral("AddressWidth"), wide ? 64 : 32)
            .integer(QStringLiteral("DataWidth"), wide ? 64 : 32);
    }
    if (first.fields.contains(QStringLiteral("vendor_id"))) {
        const std::optional<int> family = number(first, "cpu family");
        const std::optional<int> model = number(first, "model");
        const std::optional<int> stepping = number(first, "stepping");
        bag.integer(QStringLiteral("Level"), family);
        if (model && stepping)
            bag.integer(QStringLiteral("Revision"), *model * 256 + *stepping);
        if (stepping)
            bag.text(QStringLiteral("Stepping"), QString::number(*stepping));
        const bool vmx = flags.contains(QStringLiteral("vmx")) || flags.contains(QStringLiteral("svm"));
        bag.boolean(QStringLiteral("VMMonitorModeExtensions"), vmx)
            .boolean(QStringLiteral("VirtualizationFirmwareEnabled"), vmx)
            .boolean(QStringLiteral("SecondLevelAddressTranslationExtensions"),
                     flags.contains(QStringLiteral("ept")) || flags.contains(QStringLiteral("npt")));
    }

    // Current speed from cpufreq where the kernel runs it, else what cpuinfo
    // measured; the nominal speed from the base frequency where known.
    const std::optional<qint64> cpuinfoMhz = [&]() -> std::optional<qint64> {
        bool ok = false;
        const double mhz = first.fields.value(QStringLiteral("cpu MHz")).toDouble(&ok);
        return ok && mhz > 0 ? std::optional<qint64>(std::llround(mhz)) : std::nullopt;
    }();
    std::optional<qint64> current = megahertz(root, first.number, "scaling_cur_freq");
    if (!current)
        current = cpuinfoMhz;
    std::optional<qint64> nominal = megahertz(root, first.number, "base_frequency");
    if (!nominal)
        nominal = ratedMegahertz(first.fields.value(QStringLiteral("model name")));
    if (!nominal)
        nominal = megahertz(root, first.number, "cpuinfo_max_freq");
    // Without cpufreq a guest's cpuinfo shows the TSC's nominal rate, but bare
    // metal shows the live one, which is no maximum: better none than wrong.
    if (!nominal && flags.contains(QStringLiteral("hypervisor")))
        nominal = cpuinfoMhz;
    bag.integer(QStringLiteral("CurrentClockSpeed"), current).integer(QStringLiteral("MaxClockSpeed"), nominal);

    bag.integer(QStringLiteral("L2CacheSize"), cacheSizeKb(root, package, 2))
        .integer(QStringLiteral("L3CacheSize"), cacheSizeKb(root, package, 3));
    addFirmwareProcessorProperties(bag, *Firmware::read(root), index);
    return bag.take();
}

std::vector<Instance> processors(const MachineRoot &root)
{
    std::vector<Instance> instances;
    int index = 0;
    for (const CpuPackage &package : readCpuPackages(root)) {
        if (package.cpus.empty())
            continue;
        instances.emplace_back(Value::text(processorCaption(package.cpus.front())),
                               [root, package, index] { return processorProperties(root, package, index); });
        ++index;
    }
    return instances;
}

constexpr quint8 ProcessorRecord = 4;
constexpr quint8 SocketPopulated = 0x40;
constexpr quint8 CpuStatusMask = 0x07;
constexpr quint8 FamilyInSecondField = 0xFE;
constexpr quint8 CountInSecondField = 0xFF;
constexpr quint8 VoltageIsValue = 0x80;

// The records of occupied sockets, in table order; where the firmware marks
// none as occupied, all of them.
std::vector<const SmbiosStructure *> occupiedSockets(const SmbiosTable &table)
{
    std::vector<const SmbiosStructure *> records = table.ofType(ProcessorRecord);
    std::vector<const SmbiosStructure *> occupied;
    for (const SmbiosStructure *record : records)
        if (record->byte(0x18).value_or(0) & SocketPopulated)
            occupied.push_back(record);
    return occupied.empty() ? records : occupied;
}

// A count byte that says 0xFF when the real count is in a 16-bit field; 0 is unknown.
std::optional<qint64> count(const SmbiosStructure &record, int offset, int wideOffset)
{
    std::optional<qint64> value = record.byte(offset);
    if (value == CountInSecondField)
        value = record.word(wideOffset);
    return value && *value != 0 ? value : std::nullopt;
}

} // namespace

// The firmware's view of a package's socket: the packages and the firmware's
// occupied sockets are matched in order.
void addFirmwareProcessorProperties(PropertyBag &bag, const Firmware &firmware, int package)
{
    const std::vector<const SmbiosStructure *> sockets = occupiedSockets(firmware.table());
    if (package < 0 || package >= int(sockets.size()))
        return;
    const SmbiosStructure &record = *sockets[package];
    std::optional<qint64> family = record.byte(0x06);
    if (family == FamilyInSecondField)
        family = record.word(0x28);
    bag.integer(QStringLiteral("Family"), family)
        .integer(QStringLiteral("ProcessorType"), record.byte(0x05))
        .integer(QStringLiteral("UpgradeMethod"), record.byte(0x19))
        .text(QStringLiteral("SocketDesignation"), record.string(0x04))
        .text(QStringLiteral("ProcessorId"), processorId(record))
        .text(QStringLiteral("SerialNumber"), record.string(0x20))
        .text(QStringLiteral("AssetTag"), record.string(0x21))
        .text(QStringLiteral("PartNumber"), record.string(0x22))
        .integer(QStringLiteral("Characteristics"), record.word(0x26))
        .integer(QStringLiteral("NumberOfEnabledCore"), count(record, 0x24, 0x2C))
        .integer(QStringLiteral("ThreadCount"), count(record, 0x25, 0x2E));
    if (const std::optional<quint8> status = record.byte(0x18))
        bag.integer(QStringLiteral("CpuStatus"), *status & CpuStatusMask);
    if (const std::optional<quint16> mhz = record.word(0x12); mhz && *mhz != 0)
        bag.integer(QStringLiteral("ExtClock"), *mhz);
    // Bit 7 set: the current voltage in tenths of a volt; else the supported
    // legacy voltages as bits, which VoltageCaps uses as they are.
    if (const std::optional<quint8> voltage = record.byte(0x11)) {
        if (*voltage & VoltageIsValue)
            bag.integer(QStringLiteral("CurrentVoltage"), *voltage & 0x7F);
        else if (*voltage & 0x07)
            bag.integer(QStringLiteral("VoltageCaps"), *voltage & 0x07);
    }
}

void registerProcessor(ClassTable &table)
{
    table.provide(ClassName, processors);
}

} // namespace inventory::linuxsource
