#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace inventory::linuxsource {

class MachineRoot;

// One logical processor: its /proc/cpuinfo block and its place in the
// topology (package, core) from sysfs, with cpuinfo's ids as the fallback.
struct LogicalCpu
{
    int number = 0;
    int package = 0;
    int core = 0;
    QHash<QString, QString> fields; // "model name" -> "Intel(R) ..."
};

// One physical package (socket) and the logical processors in it.
struct CpuPackage
{
    int package = 0;
    std::vector<LogicalCpu> cpus;
    int coreCount() const;
};

// The machine's processors grouped by package, in package order.
std::vector<CpuPackage> readCpuPackages(const MachineRoot &root);
// Each logical processor's cpuinfo block alone, in cpuinfo's order, without
// the topology (which costs two reads per processor).
std::vector<LogicalCpu> readLogicalCpus(const MachineRoot &root);

// A cache directory's size ("48K", "12M") in KB; none when it is no size.
std::optional<quint32> kernelCacheSizeKb(const QString &text);

// "flags" (x86) or "Features" (ARM) as a set of words.
QStringList cpuFlags(const LogicalCpu &cpu);

} // namespace inventory::linuxsource
