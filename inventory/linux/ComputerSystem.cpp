// Win32_ComputerSystem: the machine as a whole, from the host name, memory,
// processor topology and the firmware's identity strings.
#include "ClassTable.h"
#include "CpuInfo.h"
#include "MachineRoot.h"
#include "PropertyBag.h"

namespace inventory::linuxsource {

namespace {

const QString ClassName = QStringLiteral("Win32_ComputerSystem");

std::optional<quint64> memTotalBytes(const MachineRoot &root)
{
    for (const QString &line : root.readLines(QStringLiteral("proc/meminfo")).value_or(QStringList())) {
        if (!line.startsWith(QLatin1String("MemTotal:")))
            continue;
        bool ok = false;
        const quint64 kib = line.mid(9).trimmed().section(QLatin1Char(' '), 0, 0).toULongLong(&ok);
        if (ok)
            return kib * 1024;
    }
    return std::nullopt;
}

std::optional<QString> dmiId(const MachineRoot &root, const char *field)
{
    const std::optional<QString> value = root.readText(QStringLiteral("sys/class/dmi/id/") + QLatin1String(field));
    if (!value || value->trimmed().isEmpty())
        return std::nullopt;
    return value->trimmed();
}

// Windows says "x64-based PC"; the instruction set is what cpuinfo reports.
std::optional<QString> systemType(const std::vector<CpuPackage> &packages)
{
    if (packages.empty() || packages.front().cpus.empty())
        return std::nullopt;
    const LogicalCpu &cpu = packages.front().cpus.front();
    const QStringList flags = cpuFlags(cpu);
    if (flags.contains(QStringLiteral("lm")))
        return QStringLiteral("x64-based PC");
    if (cpu.fields.contains(QStringLiteral("vendor_id")))
        return QStringLiteral("X86-based PC");
    const QString arch = cpu.fields.value(QStringLiteral("CPU architecture"));
    if (arch == QLatin1String("8"))
        return QStringLiteral("ARM64-based PC");
    if (!arch.isEmpty())
        return QStringLiteral("ARM-based PC");
    return std::nullopt;
}

Properties computerProperties(const MachineRoot &root)
{
    const std::vector<CpuPackage> packages = readCpuPackages(root);
    qint64 logical = 0;
    for (const CpuPackage &package : packages)
        logical += qint64(package.cpus.size());
    const QString host = hostName(root);
    const QString name = systemName(root);

    PropertyBag bag;
    bag.text(QStringLiteral("Caption"), name)
        .text(QStringLiteral("Name"), name)
        .text(QStringLiteral("DNSHostName"), host.section(QLatin1Char('.'), 0, 0))
        .set(QStringLiteral("CreationClassName"), Value::text(ClassName))
        .set(QStringLiteral("Description"), Value::text(QStringLiteral("AT/AT COMPATIBLE")))
        .set(QStringLiteral("NameFormat"), Value::text(QStringLiteral("IP")))
        .set(QStringLiteral("Status"), Value::text(QStringLiteral("OK")))
        .text(QStringLiteral("Manufacturer"), dmiId(root, "sys_vendor"))
        .text(QStringLiteral("Model"), dmiId(root, "product_name"))
        .text(QStringLiteral("SystemFamily"), dmiId(root, "product_family"))
        .text(QStringLiteral("SystemSKUNumber"), dmiId(root, "product_sku"))
        .unsignedInteger(QStringLiteral("TotalPhysicalMemory"), memTotalBytes(root))
        .text(QStringLiteral("SystemType"), systemType(packages));
    if (!packages.empty()) {
        bag.integer(QStringLiteral("NumberOfProcessors"), qint64(packages.size()))
            .integer(QStringLiteral("NumberOfLogicalProcessors"), logical);
        bag.boolean(QStringLiteral("HypervisorPresent"),
                    cpuFlags(packages.front().cpus.front()).contains(QStringLiteral("hypervisor")));
    }
    const QString domain = host.section(QLatin1Char('.'), 1);
    bag.boolean(QStringLiteral("PartOfDomain"), !domain.isEmpty());
    if (!domain.isEmpty())
        bag.text(QStringLiteral("Domain"), domain);

    // The ACPI power-management profile is what Windows reads for PCSystemType.
    if (const std::optional<qint64> profile = root.readInteger(QStringLiteral("sys/firmware/acpi/pm_profile"))) {
        if (*profile >= 0 && *profile <= 7)
            bag.integer(QStringLiteral("PCSystemType"), *profile);
        if (*profile >= 0 && *profile <= 8)
            bag.integer(QStringLiteral("PCSystemTypeEx"), *profile);
    }
    return bag.take();
}

std::vector<Instance> computers(const MachineRoot &root)
{
    const QString name = systemName(root);
    return {Instance(name.isEmpty() ? Value::null() : Value::text(name),
                     [root] { return computerProperties(root); })};
}

} // namespace

void registerComputerSystem(ClassTable &table)
{
    table.provide(ClassName, computers);
}

} // namespace inventory::linuxsource
