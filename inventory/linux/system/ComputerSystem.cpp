// Win32_ComputerSystem: the machine as a whole, from the host name, memory,
// processor topology and the firmware's identity strings.
#include "inventory/linux/reading/ClassTable.h"
#include "inventory/linux/system/CpuInfo.h"
#include "inventory/linux/firmware/Firmware.h"
#include "inventory/linux/reading/MachineRoot.h"
#include "inventory/linux/reading/PropertyBag.h"
#include "inventory/linux/firmware/SmbiosDecode.h"

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
    addFirmwareComputerProperties(bag, *Firmware::read(root));
    return bag.take();
}

std::vector<Instance> computers(const MachineRoot &root)
{
    const QString name = systemName(root);
    return {Instance(name.isEmpty() ? Value::null() : Value::text(name),
                     [root] { return computerProperties(root); })};
}

enum FirmwareType : quint8 { SystemType = 1, ChassisType = 3, OemStringsType = 11, ResetType = 23, SecurityType = 24 };
constexpr quint16 UnknownCount = 0xFFFF;
constexpr qint64 MillisecondsPerMinute = 60 * 1000;

// A two-bit field of the hardware security record; WMI uses the same codes
// (0 Disabled, 1 Enabled, 2 Not Implemented, 3 Unknown).
qint64 securityField(quint8 settings, int shift) { return (settings >> shift) & 0x03; }

// A 16-bit count of the reset record, which WMI holds as a signed 16-bit value.
std::optional<qint64> resetCount(const SmbiosStructure &reset, int offset)
{
    const std::optional<quint16> count = reset.word(offset);
    if (!count || *count == UnknownCount || *count > 0x7FFF)
        return std::nullopt;
    return *count;
}

} // namespace

void addFirmwareComputerProperties(PropertyBag &bag, const Firmware &firmware)
{
    const SmbiosTable &table = firmware.table();
    if (const SmbiosStructure *system = table.first(SystemType)) {
        // The kernel's sys_vendor and product_* strings are these same
        // strings; taken from the table they also serve a bare table.
        const auto trimmed = [&](int offset) -> std::optional<QString> {
            const std::optional<QString> text = system->string(offset);
            return text ? std::optional<QString>(text->trimmed()) : std::nullopt;
        };
        bag.text(QStringLiteral("Manufacturer"), trimmed(0x04))
            .text(QStringLiteral("Model"), trimmed(0x05))
            .text(QStringLiteral("SystemSKUNumber"), trimmed(0x19))
            .text(QStringLiteral("SystemFamily"), trimmed(0x1A))
            .integer(QStringLiteral("WakeUpType"), system->byte(0x18));
    }
    if (const SmbiosStructure *chassis = table.first(ChassisType)) {
        bag.integer(QStringLiteral("ChassisBootupState"), chassis->byte(0x09))
            .integer(QStringLiteral("PowerSupplyState"), chassis->byte(0x0A))
            .integer(QStringLiteral("ThermalState"), chassis->byte(0x0B))
            .text(QStringLiteral("ChassisSKUNumber"), chassisSkuNumber(*chassis));
    }
    if (const SmbiosStructure *security = table.first(SecurityType)) {
        if (const std::optional<quint8> settings = security->byte(0x04)) {
            bag.integer(QStringLiteral("PowerOnPasswordStatus"), securityField(*settings, 6))
                .integer(QStringLiteral("KeyboardPasswordStatus"), securityField(*settings, 4))
                .integer(QStringLiteral("AdminPasswordStatus"), securityField(*settings, 2))
                .integer(QStringLiteral("FrontPanelResetStatus"), securityField(*settings, 0));
        }
    }
    if (const SmbiosStructure *reset = table.first(ResetType)) {
        if (const std::optional<quint8> capabilities = reset->byte(0x04)) {
            // Both use WMI's codes: 1 operating system, 2 system utilities, 3 do not reboot.
            bag.integer(QStringLiteral("BootOptionOnWatchDog"), (*capabilities >> 1) & 0x03)
                .integer(QStringLiteral("BootOptionOnLimit"), (*capabilities >> 3) & 0x03);
        }
        bag.integer(QStringLiteral("ResetCount"), resetCount(*reset, 0x05))
            .integer(QStringLiteral("ResetLimit"), resetCount(*reset, 0x07));
        if (const std::optional<quint16> minutes = reset->word(0x0B); minutes && *minutes != UnknownCount)
            bag.integer(QStringLiteral("PauseAfterReset"), *minutes * MillisecondsPerMinute);
    }
    if (const SmbiosStructure *oem = table.first(OemStringsType)) {
        QStringList strings = oem->strings();
        strings.removeAll(QString());
        if (!strings.isEmpty())
            bag.set(QStringLiteral("OEMStringArray"), Value::array(strings));
    }
}

void registerComputerSystem(ClassTable &table)
{
    table.provide(ClassName, computers);
}

} // namespace inventory::linuxsource
