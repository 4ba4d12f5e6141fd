#include "report/ocs/AgentCodes.h"

#include <QStringList>

namespace report::ocs {

namespace {

QString nameAt(const QStringList &names, std::optional<qint64> code, qint64 first = 0)
{
    if (!code || *code < first || *code - first >= names.size())
        return {};
    return names.at(*code - first);
}

} // namespace

QString chassisTypeName(std::optional<qint64> code)
{
    static const QStringList names{
        QStringLiteral("Other"), QStringLiteral("Unknown"), QStringLiteral("Desktop"), QStringLiteral("Low Profile Desktop"),
        QStringLiteral("Pizza Box"), QStringLiteral("Mini Tower"), QStringLiteral("Tower"), QStringLiteral("Portable"),
        QStringLiteral("Laptop"), QStringLiteral("Notebook"), QStringLiteral("Hand Held"), QStringLiteral("Docking Station"),
        QStringLiteral("All In One"), QStringLiteral("Sub Notebook"), QStringLiteral("Space-saving"), QStringLiteral("Lunch Box"),
        QStringLiteral("Main Server Chassis"), QStringLiteral("Expansion Chassis"), QStringLiteral("Sub Chassis"),
        QStringLiteral("Bus Expansion Chassis"), QStringLiteral("Peripheral Chassis"), QStringLiteral("RAID Chassis"),
        QStringLiteral("Rack Mount Chassis"), QStringLiteral("Sealed-case PC"), QStringLiteral("Multi-system"),
        QStringLiteral("CompactPCI"), QStringLiteral("AdvancedTCA"), QStringLiteral("Blade"), QStringLiteral("Blade Enclosing"),
        QStringLiteral("Tablet"), QStringLiteral("Convertible"), QStringLiteral("Detachable"), QStringLiteral("IoT Gateway"),
        QStringLiteral("Embedded PC"), QStringLiteral("Mini PC"), QStringLiteral("Stick PC")};
    return nameAt(names, code, 1);
}

QString smbiosMemoryTypeName(std::optional<qint64> code)
{
    static const QStringList names{
        QStringLiteral("Other"), QStringLiteral("Unknown"), QStringLiteral("DRAM"), QStringLiteral("EDRAM"), QStringLiteral("VRAM"),
        QStringLiteral("SRAM"), QStringLiteral("RAM"), QStringLiteral("ROM"), QStringLiteral("Flash"), QStringLiteral("EEPROM"),
        QStringLiteral("FEPROM"), QStringLiteral("EPROM"), QStringLiteral("CDRAM"), QStringLiteral("3DRAM"), QStringLiteral("SDRAM"),
        QStringLiteral("SGRAM"), QStringLiteral("RDRAM"), QStringLiteral("DDR"), QStringLiteral("DDR2"), QStringLiteral("DDR2 FB-DIMM"),
        QString(), QString(), QString(), QStringLiteral("DDR3"), QStringLiteral("FBD2"), QStringLiteral("DDR4"),
        QStringLiteral("LPDDR"), QStringLiteral("LPDDR2"), QStringLiteral("LPDDR3"), QStringLiteral("LPDDR4"),
        QStringLiteral("Logical non-volatile device"), QStringLiteral("HBM"), QStringLiteral("HBM2"), QStringLiteral("DDR5"),
        QStringLiteral("LPDDR5"), QStringLiteral("HBM3")};
    return nameAt(names, code, 1);
}

QString memoryFormFactorName(std::optional<qint64> code)
{
    static const QStringList names{
        QString(), QStringLiteral("Other"), QStringLiteral("SIP"), QStringLiteral("DIP"), QStringLiteral("ZIP"), QStringLiteral("SOJ"),
        QStringLiteral("Proprietary"), QStringLiteral("SIMM"), QStringLiteral("DIMM"), QStringLiteral("TSOP"), QStringLiteral("PGA"),
        QStringLiteral("RIMM"), QStringLiteral("SODIMM"), QStringLiteral("SRIMM"), QStringLiteral("SMD"), QStringLiteral("SSMP"),
        QStringLiteral("QFP"), QStringLiteral("TQFP"), QStringLiteral("SOIC"), QStringLiteral("LCC"), QStringLiteral("PLCC"),
        QStringLiteral("BGA"), QStringLiteral("FPBGA"), QStringLiteral("LGA")};
    return nameAt(names, code);
}

QString architectureName(std::optional<qint64> code)
{
    switch (code.value_or(-1)) {
    case 0: return QStringLiteral("i686");
    case 1: return QStringLiteral("mips");
    case 2: return QStringLiteral("alpha");
    case 3: return QStringLiteral("ppc64");
    case 5: return QStringLiteral("arm");
    case 6: return QStringLiteral("ia64");
    case 9: return QStringLiteral("x86_64");
    case 12: return QStringLiteral("aarch64");
    default: return {};
    }
}

QString portTypeName(std::optional<qint64> code)
{
    static const QStringList names{
        QStringLiteral("None"), QStringLiteral("Parallel Port XT/AT Compatible"), QStringLiteral("Parallel Port PS/2"),
        QStringLiteral("Parallel Port ECP"), QStringLiteral("Parallel Port EPP"), QStringLiteral("Parallel Port ECP/EPP"),
        QStringLiteral("Serial Port XT/AT Compatible"), QStringLiteral("Serial Port 16450 Compatible"),
        QStringLiteral("Serial Port 16550 Compatible"), QStringLiteral("Serial Port 16550A Compatible"), QStringLiteral("SCSI Port"),
        QStringLiteral("MIDI Port"), QStringLiteral("Joystick Port"), QStringLiteral("Keyboard Port"), QStringLiteral("Mouse Port"),
        QStringLiteral("SSA SCSI"), QStringLiteral("USB"), QStringLiteral("Firewire (IEEE P1394)"), QStringLiteral("PCMCIA Type I"),
        QStringLiteral("PCMCIA Type II"), QStringLiteral("PCMCIA Type III"), QStringLiteral("Cardbus"),
        QStringLiteral("Access Bus Port"), QStringLiteral("SCSI II"), QStringLiteral("SCSI Wide"), QStringLiteral("PC-98"),
        QStringLiteral("PC-98-Hireso"), QStringLiteral("PC-H98"), QStringLiteral("Video Port"), QStringLiteral("Audio Port"),
        QStringLiteral("Modem Port"), QStringLiteral("Network Port"), QStringLiteral("8251 Compatible"),
        QStringLiteral("8251 FIFO Compatible")};
    return nameAt(names, code);
}

QString slotUsageName(std::optional<qint64> code)
{
    static const QStringList names{QStringLiteral("Reserved"), QStringLiteral("Other"), QStringLiteral("Unknown"),
                                   QStringLiteral("Available"), QStringLiteral("In Use")};
    return nameAt(names, code);
}

QString batteryChemistryName(std::optional<qint64> code)
{
    static const QStringList names{QStringLiteral("Other"), QStringLiteral("Unknown"), QStringLiteral("Lead Acid"),
                                   QStringLiteral("Nickel Cadmium"), QStringLiteral("Nickel Metal Hydride"),
                                   QStringLiteral("Lithium Ion"), QStringLiteral("Zinc Air"), QStringLiteral("Lithium Polymer")};
    return nameAt(names, code, 1);
}

QString pointingTypeName(std::optional<qint64> code)
{
    static const QStringList names{QStringLiteral("Other"), QStringLiteral("Unknown"), QStringLiteral("Mouse"),
                                   QStringLiteral("Track Ball"), QStringLiteral("Track Point"), QStringLiteral("Glide Point"),
                                   QStringLiteral("Touch Pad"), QStringLiteral("Touch Screen"), QStringLiteral("Mouse - Optical Sensor")};
    return nameAt(names, code, 1);
}

QString processorMaker(const QString &vendorId)
{
    if (vendorId == QLatin1String("GenuineIntel"))
        return QStringLiteral("Intel");
    if (vendorId == QLatin1String("AuthenticAMD"))
        return QStringLiteral("AMD");
    if (vendorId == QLatin1String("CentaurHauls"))
        return QStringLiteral("VIA");
    if (vendorId == QLatin1String("CyrixInstead"))
        return QStringLiteral("Cyrix");
    if (vendorId == QLatin1String("HygonGenuine"))
        return QStringLiteral("Hygon");
    return vendorId;
}

QString biosDate(const QString &wmiDateTime)
{
    // yyyymmdd at the start; the rest (time, offset) is zero for a BIOS date.
    if (wmiDateTime.size() < 8)
        return {};
    for (int i = 0; i < 8; ++i)
        if (!wmiDateTime[i].isDigit())
            return {};
    return wmiDateTime.mid(4, 2) + QLatin1Char('/') + wmiDateTime.mid(6, 2) + QLatin1Char('/') + wmiDateTime.left(4);
}

} // namespace report::ocs
