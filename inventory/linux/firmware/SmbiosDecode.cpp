#include "inventory/linux/firmware/SmbiosDecode.h"

#include <QRegularExpression>

#include <array>
#include <iterator>
#include <utility>

namespace inventory::linuxsource {

namespace {

constexpr quint64 KiB = 1024;
constexpr quint64 MiB = 1024 * KiB;

// Names as the SMBIOS reference (and so udev's helper) writes them, by code.
const QStringList MemoryTypeNames = {
    {}, QStringLiteral("Other"), QStringLiteral("Unknown"), QStringLiteral("DRAM"), QStringLiteral("EDRAM"),
    QStringLiteral("VRAM"), QStringLiteral("SRAM"), QStringLiteral("RAM"), QStringLiteral("ROM"),
    QStringLiteral("Flash"), QStringLiteral("EEPROM"), QStringLiteral("FEPROM"), QStringLiteral("EPROM"),
    QStringLiteral("CDRAM"), QStringLiteral("3DRAM"), QStringLiteral("SDRAM"), QStringLiteral("SGRAM"),
    QStringLiteral("RDRAM"), QStringLiteral("DDR"), QStringLiteral("DDR2"), QStringLiteral("DDR2 FB-DIMM"),
    {}, {}, {}, QStringLiteral("DDR3"), QStringLiteral("FBD2"), QStringLiteral("DDR4"), QStringLiteral("LPDDR"),
    QStringLiteral("LPDDR2"), QStringLiteral("LPDDR3"), QStringLiteral("LPDDR4"),
    QStringLiteral("Logical non-volatile device"), QStringLiteral("HBM"), QStringLiteral("HBM2"),
    QStringLiteral("DDR5"), QStringLiteral("LPDDR5"), QStringLiteral("HBM3")};

const QStringList FormFactorNames = {
    {}, QStringLiteral("Other"), QStringLiteral("Unknown"), QStringLiteral("SIMM"), QStringLiteral("SIP"),
    QStringLiteral("Chip"), QStringLiteral("DIP"), QStringLiteral("ZIP"), QStringLiteral("Proprietary Card"),
    QStringLiteral("DIMM"), QStringLiteral("TSOP"), QStringLiteral("Row Of Chips"), QStringLiteral("RIMM"),
    QStringLiteral("SODIMM"), QStringLiteral("SRIMM"), QStringLiteral("FB-DIMM"), QStringLiteral("Die")};

const QStringList ArrayLocationNames = {
    {}, QStringLiteral("Other"), QStringLiteral("Unknown"), QStringLiteral("System Board Or Motherboard"),
    QStringLiteral("ISA Add-on Card"), QStringLiteral("EISA Add-on Card"), QStringLiteral("PCI Add-on Card"),
    QStringLiteral("MCA Add-on Card"), QStringLiteral("PCMCIA Add-on Card"),
    QStringLiteral("Proprietary Add-on Card"), QStringLiteral("NuBus")};

const QStringList ErrorCorrectionNames = {
    {}, QStringLiteral("Other"), QStringLiteral("Unknown"), QStringLiteral("None"), QStringLiteral("Parity"),
    QStringLiteral("Single-bit ECC"), QStringLiteral("Multi-bit ECC"), QStringLiteral("CRC")};

// Bit n of the type 17 detail mask; bit 0 is reserved.
const QStringList TypeDetailNames = {
    {}, QStringLiteral("Other"), QStringLiteral("Unknown"), QStringLiteral("Fast-paged"),
    QStringLiteral("Static Column"), QStringLiteral("Pseudo-static"), QStringLiteral("RAMBus"),
    QStringLiteral("Synchronous"), QStringLiteral("CMOS"), QStringLiteral("EDO"), QStringLiteral("Window DRAM"),
    QStringLiteral("Cache DRAM"), QStringLiteral("Non-Volatile"), QStringLiteral("Registered (Buffered)"),
    QStringLiteral("Unbuffered (Unregistered)"), QStringLiteral("LRDIMM")};

const QStringList CoolingTypeNames = {
    {}, QStringLiteral("Other"), QStringLiteral("Unknown"), QStringLiteral("Fan"),
    QStringLiteral("Centrifugal Blower"), QStringLiteral("Chip Fan"), QStringLiteral("Cabinet Fan"),
    QStringLiteral("Power Supply Fan"), QStringLiteral("Heat Pipe"), QStringLiteral("Integrated Refrigeration")};

std::optional<quint8> codeOf(const QStringList &names, const QString &name)
{
    const QString wanted = name.trimmed();
    for (qsizetype code = 1; code < names.size(); ++code)
        if (!names[code].isEmpty() && names[code].compare(wanted, Qt::CaseInsensitive) == 0)
            return quint8(code);
    return std::nullopt;
}

QStringList numbers(std::initializer_list<int> codes)
{
    QStringList list;
    for (int code : codes)
        list << QString::number(code);
    return list;
}

// CIM ConnectorType codes used below.
enum CimConnector {
    Other = 1, Male = 2, Female = 3, Db9 = 21, Db15 = 22, Db25 = 23, Bnc = 37, Rj11 = 38, Rj45 = 39,
    Pci = 43, Isa = 44, Eisa = 45, Vesa = 46, Pcmcia = 47, Usb = 53, Ieee1394 = 54, Din = 58, MiniDin = 59,
    MicroDin = 60, Ps2 = 61, Infrared = 62, HpHil = 63, NuBus = 65, Centronics = 66, MiniCentronics = 67,
    MiniCentronics14 = 68, MiniCentronics26 = 70, Agp = 73, Proprietary = 76, ProprietaryProcessor = 77,
    ProprietaryMemory = 78, ProprietaryIo = 79, Pci66 = 80, Agp2x = 81, Agp4x = 82,
    // From here the port and slot lists differ.
    PortMiniJack = 88, PortOnBoardFloppy = 89, PortDualInline9 = 90, PortDualInline25 = 91,
    PortDualInline50 = 92, PortDualInline68 = 93, PortCdAudio = 94,
    SlotPciX = 88, SlotMca = 91, SlotAgp8x = 99, SlotPciExpress = 100,
};

} // namespace

std::optional<quint64> memoryDeviceBytes(const SmbiosStructure &device)
{
    const std::optional<quint16> size = device.word(0x0C);
    if (!size || *size == 0xFFFF)
        return std::nullopt;
    if (*size == 0x7FFF) {
        const std::optional<quint32> extended = device.dword(0x1C);
        if (!extended)
            return std::nullopt;
        return quint64(*extended & 0x7FFFFFFF) * MiB;
    }
    const quint64 count = *size & 0x7FFF;
    return count * ((*size & 0x8000) ? KiB : MiB);
}

std::optional<quint32> memoryDeviceSpeed(const SmbiosStructure &device, int offset, int extendedOffset)
{
    const std::optional<quint16> speed = device.word(offset);
    if (!speed || *speed == 0)
        return std::nullopt;
    if (*speed != 0xFFFF)
        return *speed;
    const std::optional<quint32> extended = device.dword(extendedOffset);
    if (!extended || (*extended & 0x7FFFFFFF) == 0)
        return std::nullopt;
    return *extended & 0x7FFFFFFF;
}

std::optional<quint64> memoryArrayMaxCapacityKb(const SmbiosStructure &array)
{
    const std::optional<quint32> capacity = array.dword(0x07);
    if (!capacity)
        return std::nullopt;
    if (*capacity != 0x80000000)
        return *capacity;
    const std::optional<quint64> extended = array.qword(0x0F);
    if (!extended)
        return std::nullopt;
    return *extended / KiB;
}

std::optional<KbRange> mappedRangeKb(const SmbiosStructure &structure, int extendedOffset)
{
    const std::optional<quint32> start = structure.dword(0x04);
    const std::optional<quint32> end = structure.dword(0x08);
    if (!start || !end)
        return std::nullopt;
    if (*start == 0xFFFFFFFF && *end == 0xFFFFFFFF) {
        const std::optional<quint64> startBytes = structure.qword(extendedOffset);
        const std::optional<quint64> endBytes = structure.qword(extendedOffset + 8);
        if (!startBytes || !endBytes)
            return std::nullopt;
        return KbRange{*startBytes / KiB, *endBytes / KiB};
    }
    return KbRange{*start, *end};
}

std::optional<quint32> cacheSizeKb(const SmbiosStructure &cache, bool installed)
{
    if (const std::optional<quint32> size2 = cache.dword(installed ? 0x17 : 0x13)) {
        const quint64 kb = quint64(*size2 & 0x7FFFFFFF) * ((*size2 & 0x80000000) ? 64 : 1);
        if (kb > 0xFFFFFFFF)
            return std::nullopt;
        return quint32(kb);
    }
    const std::optional<quint16> size = cache.word(installed ? 0x09 : 0x07);
    if (!size)
        return std::nullopt;
    return quint32(*size & 0x7FFF) * ((*size & 0x8000) ? 64 : 1);
}

std::optional<QDate> biosReleaseDate(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{2}|\\d{4})\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    int year = m.captured(3).toInt();
    // Two-digit years: the kernel's reading, 96-99 are 1990s.
    if (m.captured(3).size() == 2)
        year += year >= 96 ? 1900 : 2000;
    const QDate date(year, m.captured(1).toInt(), m.captured(2).toInt());
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

QStringList bitNumbers(quint64 mask, int bits, int first)
{
    QStringList list;
    for (int bit = 0; bit < bits && bit < 64; ++bit)
        if (mask & (quint64(1) << bit))
            list << QString::number(bit + first);
    return list;
}

std::optional<QString> processorId(const SmbiosStructure &processor)
{
    const std::optional<quint32> low = processor.dword(0x08);
    const std::optional<quint32> high = processor.dword(0x0C);
    if (!low || !high)
        return std::nullopt;
    return QStringLiteral("%1%2").arg(*high, 8, 16, QLatin1Char('0')).arg(*low, 8, 16, QLatin1Char('0')).toUpper();
}

std::optional<QString> chassisSkuNumber(const SmbiosStructure &chassis)
{
    const std::optional<quint8> count = chassis.byte(0x13);
    const std::optional<quint8> size = chassis.byte(0x14);
    if (!count || !size)
        return std::nullopt;
    return chassis.string(0x15 + *count * *size);
}

int cimMemoryType(quint8 smbiosType)
{
    static constexpr std::array<std::pair<quint8, int>, 24> Map = {{
        {0x01, 1}, {0x03, 2}, {0x04, 6}, {0x05, 7}, {0x06, 8}, {0x07, 9}, {0x08, 10}, {0x09, 11},
        {0x0A, 12}, {0x0B, 13}, {0x0C, 14}, {0x0D, 15}, {0x0E, 16}, {0x0F, 17}, {0x10, 18}, {0x11, 19},
        {0x12, 20}, {0x13, 21}, {0x14, 22}, {0x18, 24}, {0x19, 25}, {0x1A, 26}, {0x02, 0}, {0x00, 0},
    }};
    for (const auto &[smbios, cim] : Map)
        if (smbios == smbiosType)
            return cim;
    // Newer kinds (LPDDR, DDR5, HBM) have no CIM number: Unknown, while
    // SMBIOSMemoryType keeps the exact code.
    return 0;
}

std::optional<int> cimFormFactor(quint8 smbiosFormFactor)
{
    // 05h Chip, 0Bh Row of chips and 10h Die are none of CIM's package kinds,
    // so Other; an FB-DIMM is a DIMM.
    static constexpr std::array<int, 17> Map = {-1, 1, 0, 7, 2, 1, 3, 4, 6, 8, 9, 1, 11, 12, 13, 8, 1};
    if (smbiosFormFactor >= Map.size() || Map[smbiosFormFactor] < 0)
        return std::nullopt;
    return Map[smbiosFormFactor];
}

std::optional<int> cimPortType(quint8 smbiosPortType)
{
    if (smbiosPortType <= 0x1F)
        return smbiosPortType;
    if (smbiosPortType == 0xA0 || smbiosPortType == 0xA1)
        return 32 + (smbiosPortType - 0xA0);
    return std::nullopt;
}

QStringList cimPortConnectorTypes(quint8 smbiosConnector)
{
    struct Connector { quint8 smbios; int cim; int gender; };
    static constexpr Connector Map[] = {
        {0x01, Centronics, 0}, {0x02, MiniCentronics, 0}, {0x03, Proprietary, 0}, {0x04, Db25, Male},
        {0x05, Db25, Female}, {0x06, Db15, Male}, {0x07, Db15, Female}, {0x08, Db9, Male}, {0x09, Db9, Female},
        {0x0A, Rj11, 0}, {0x0B, Rj45, 0}, {0x0D, MiniDin, 0}, {0x0E, MicroDin, 0}, {0x0F, Ps2, 0},
        {0x10, Infrared, 0}, {0x11, HpHil, 0}, {0x12, Usb, 0}, {0x14, Din, Male}, {0x15, Din, Female},
        {0x17, PortOnBoardFloppy, 0}, {0x18, PortDualInline9, 0}, {0x19, PortDualInline25, 0},
        {0x1A, PortDualInline50, 0}, {0x1B, PortDualInline68, 0}, {0x1C, PortCdAudio, 0},
        {0x1D, MiniCentronics14, 0}, {0x1E, MiniCentronics26, 0}, {0x1F, PortMiniJack, 0}, {0x20, Bnc, 0},
        {0x21, Ieee1394, 0}, {0x23, Usb, 0}, {0xFF, Other, 0},
    };
    for (const Connector &c : Map)
        if (c.smbios == smbiosConnector)
            return c.gender ? numbers({c.cim, c.gender}) : numbers({c.cim});
    return {};
}

QStringList cimSlotConnectorTypes(quint8 slotType)
{
    // The PCI Express family: generations 1 to 5 in every width, and U.2.
    if ((slotType >= 0xA5 && slotType <= 0xC3) || (slotType >= 0x1F && slotType <= 0x25))
        return numbers({SlotPciExpress});
    // By slot type, from 01h: Other, Unknown, ISA, MCA, EISA, PCI, PC Card,
    // VL-VESA, Proprietary, processor, memory and I/O riser cards, NuBus,
    // PCI-66, AGP, AGP 2X, AGP 4X, PCI-X, AGP 8X.
    static constexpr int Map[] = {0, Other, 0, Isa, SlotMca, Eisa, Pci, Pcmcia, Vesa, Proprietary,
                                  ProprietaryProcessor, ProprietaryMemory, ProprietaryIo, NuBus, Pci66, Agp,
                                  Agp2x, Agp4x, SlotPciX, SlotAgp8x};
    if (slotType >= std::size(Map) || Map[slotType] == 0)
        return {};
    return numbers({Map[slotType]});
}

std::optional<int> cimSlotDataWidth(quint8 smbiosWidth)
{
    // 03h-07h are 8 to 128 bits; from 08h SMBIOS counts PCI Express lanes,
    // which CIM's list of bit widths cannot say.
    if (smbiosWidth >= 0x03 && smbiosWidth <= 0x07)
        return smbiosWidth - 0x03;
    return std::nullopt;
}

std::optional<int> chemistryFromSbds(const QString &name)
{
    static const std::array<std::pair<const char *, int>, 7> Map = {{
        {"PbAc", 3}, {"NiCd", 4}, {"NiMH", 5}, {"LION", 6}, {"LiIon", 6}, {"ZnAr", 7}, {"LiP", 8},
    }};
    const QString wanted = name.trimmed();
    for (const auto &[sbds, code] : Map)
        if (wanted.compare(QLatin1String(sbds), Qt::CaseInsensitive) == 0)
            return code;
    return std::nullopt;
}

QString sensorStatus(quint8 locationAndStatus)
{
    switch (locationAndStatus >> 5) {
    case 3: return QStringLiteral("OK");
    case 4: return QStringLiteral("Degraded");
    case 5: return QStringLiteral("Error");
    case 6: return QStringLiteral("NonRecover");
    default: return QStringLiteral("Unknown");
    }
}

std::optional<quint8> memoryTypeCode(const QString &name) { return codeOf(MemoryTypeNames, name); }
std::optional<quint8> memoryFormFactorCode(const QString &name) { return codeOf(FormFactorNames, name); }
std::optional<quint8> memoryArrayLocationCode(const QString &name) { return codeOf(ArrayLocationNames, name); }
std::optional<quint8> errorCorrectionCode(const QString &name) { return codeOf(ErrorCorrectionNames, name); }

std::optional<quint16> memoryTypeDetailMask(const QString &names)
{
    const QString text = names.simplified();
    if (text.compare(QLatin1String("None"), Qt::CaseInsensitive) == 0)
        return 0;
    // Names may hold spaces ("Static Column"), so match whole names, none of
    // which is a word-bounded part of another, and require every word to be used.
    quint16 mask = 0;
    QString rest = QLatin1Char(' ') + text + QLatin1Char(' ');
    for (qsizetype bit = 1; bit < TypeDetailNames.size(); ++bit) {
        const QString needle = QLatin1Char(' ') + TypeDetailNames[bit] + QLatin1Char(' ');
        const qsizetype found = rest.indexOf(needle, 0, Qt::CaseInsensitive);
        if (found < 0)
            continue;
        mask |= quint16(1u << bit);
        rest.replace(found, needle.size(), QStringLiteral(" "));
    }
    if (!rest.trimmed().isEmpty() || mask == 0)
        return std::nullopt;
    return mask;
}

QString coolingDeviceTypeName(quint8 type)
{
    if (type < CoolingTypeNames.size() && !CoolingTypeNames[type].isEmpty())
        return CoolingTypeNames[type];
    if (type == 0x10)
        return QStringLiteral("Active Cooling");
    if (type == 0x11)
        return QStringLiteral("Passive Cooling");
    return QStringLiteral("Cooling Device");
}

} // namespace inventory::linuxsource
