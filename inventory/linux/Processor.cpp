// Win32_Processor: one instance per physical package, from /proc/cpuinfo,
// the sysfs topology, cache and cpufreq directories.
#include "ClassTable.h"
#include "CpuInfo.h"
#include "MachineRoot.h"
#include "PropertyBag.h"

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
            QString size = root.readText(dir + QStringLiteral("size")).value_or(QString()).trimmed();
            qint64 factor = 1;
            if (size.endsWith(QLatin1Char('K')))
                size.chop(1);
            else if (size.endsWith(QLatin1Char('M'))) {
                size.chop(1);
                factor = 1024;
            }
            bool ok = false;
            const qint64 value = size.toLongLong(&ok);
            if (ok)
                total += value * factor;
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
        nominal = megahertz(root, first.number, "cpuinfo_max_freq");
    if (!nominal)
        nominal = cpuinfoMhz;
    bag.integer(QStringLiteral("CurrentClockSpeed"), current).integer(QStringLiteral("MaxClockSpeed"), nominal);

    bag.integer(QStringLiteral("L2CacheSize"), cacheSizeKb(root, package, 2))
        .integer(QStringLiteral("L3CacheSize"), cacheSizeKb(root, package, 3));
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

} // namespace

void registerProcessor(ClassTable &table)
{
    table.provide(ClassName, processors);
}

} // namespace inventory::linuxsource
