#include "inventory/linux/system/CpuInfo.h"

#include "inventory/linux/reading/MachineRoot.h"

#include <QSet>

#include <map>

namespace inventory::linuxsource {

namespace {

std::optional<int> processorNumber(const QHash<QString, QString> &fields)
{
    bool ok = false;
    const int number = fields.value(QStringLiteral("processor")).toInt(&ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

// cpuinfo is blocks of "key : value" lines. Blocks with a numeric "processor"
// describe one CPU; other blocks (ARM's "Hardware", s390's header) hold
// fields that apply to every CPU.
std::vector<LogicalCpu> parseCpuinfo(const QStringList &lines)
{
    std::vector<QHash<QString, QString>> blocks(1);
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty()) {
            if (!blocks.back().isEmpty())
                blocks.emplace_back();
            continue;
        }
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        const QString key = line.left(colon).trimmed();
        const QString value = line.mid(colon + 1).trimmed();
        if (key == QLatin1String("processor") && !blocks.back().isEmpty())
            blocks.emplace_back();
        blocks.back().insert(key, value);
    }

    QHash<QString, QString> shared;
    std::vector<LogicalCpu> cpus;
    for (const QHash<QString, QString> &block : blocks) {
        if (const std::optional<int> number = processorNumber(block)) {
            LogicalCpu cpu;
            cpu.number = *number;
            cpu.fields = block;
            cpus.push_back(cpu);
        } else {
            for (auto it = block.cbegin(); it != block.cend(); ++it)
                shared.insert(it.key(), it.value());
        }
    }
    for (LogicalCpu &cpu : cpus)
        for (auto it = shared.cbegin(); it != shared.cend(); ++it)
            if (!cpu.fields.contains(it.key()))
                cpu.fields.insert(it.key(), it.value());
    return cpus;
}

} // namespace

int CpuPackage::coreCount() const
{
    QSet<int> cores;
    for (const LogicalCpu &cpu : cpus)
        cores.insert(cpu.core);
    return int(cores.size());
}

std::vector<LogicalCpu> readLogicalCpus(const MachineRoot &root)
{
    return parseCpuinfo(root.readLines(QStringLiteral("proc/cpuinfo")).value_or(QStringList()));
}

std::vector<CpuPackage> readCpuPackages(const MachineRoot &root)
{
    std::vector<LogicalCpu> cpus = readLogicalCpus(root);
    std::map<int, CpuPackage> packages;
    for (LogicalCpu &cpu : cpus) {
        const QString topology = QStringLiteral("sys/devices/system/cpu/cpu%1/topology/").arg(cpu.number);
        const auto fromCpuinfo = [&](const char *key, int fallback) {
            bool ok = false;
            const int v = cpu.fields.value(QLatin1String(key)).toInt(&ok);
            return ok ? v : fallback;
        };
        cpu.package = int(root.readInteger(topology + QStringLiteral("physical_package_id"))
                              .value_or(fromCpuinfo("physical id", 0)));
        if (cpu.package < 0)
            cpu.package = 0;
        cpu.core = int(root.readInteger(topology + QStringLiteral("core_id"))
                           .value_or(fromCpuinfo("core id", cpu.number)));
        CpuPackage &package = packages[cpu.package];
        package.package = cpu.package;
        package.cpus.push_back(cpu);
    }
    std::vector<CpuPackage> ordered;
    for (auto &entry : packages)
        ordered.push_back(std::move(entry.second));
    return ordered;
}

std::optional<quint32> kernelCacheSizeKb(const QString &text)
{
    QString size = text.trimmed();
    quint64 factor = 1;
    if (size.endsWith(QLatin1Char('K'))) {
        size.chop(1);
    } else if (size.endsWith(QLatin1Char('M'))) {
        size.chop(1);
        factor = 1024;
    }
    bool ok = false;
    const quint64 count = size.toULongLong(&ok);
    if (!ok || count == 0 || count > 0xFFFFFFFF / factor)
        return std::nullopt;
    return quint32(count * factor);
}

QStringList cpuFlags(const LogicalCpu &cpu)
{
    QString flags = cpu.fields.value(QStringLiteral("flags"));
    if (flags.isEmpty())
        flags = cpu.fields.value(QStringLiteral("Features"));
    return flags.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace inventory::linuxsource
