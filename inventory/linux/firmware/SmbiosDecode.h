#pragma once

// Fields of SMBIOS structures as WMI presents them: sizes in its units, the
// codes it renumbers, and the names udev's memory helper writes for codes.
#include "inventory/linux/firmware/Smbios.h"

#include <QDate>
#include <QList>

#include <optional>

namespace inventory::linuxsource {

// The marker probes and cooling devices use for "no value".
constexpr quint16 SmbiosUnknownWord = 0x8000;

// Type 17 module size in bytes: 0 when the slot is empty, none when unknown.
std::optional<quint64> memoryDeviceBytes(const SmbiosStructure &device);
// Type 17 speed (MT/s) at a 16-bit offset, with its 32-bit extension where the
// 16-bit field says 0xFFFF; none when unknown.
std::optional<quint32> memoryDeviceSpeed(const SmbiosStructure &device, int offset, int extendedOffset);
// Type 16 maximum capacity in KB.
std::optional<quint64> memoryArrayMaxCapacityKb(const SmbiosStructure &array);

struct KbRange
{
    quint64 start = 0;
    quint64 end = 0;
};
// Types 19 and 20: the mapped range in KB, from the 32-bit KB fields or the
// 64-bit byte fields at extendedOffset.
std::optional<KbRange> mappedRangeKb(const SmbiosStructure &structure, int extendedOffset);

// Type 7 size in KB (installed or maximum), from the 32-bit field where present.
std::optional<quint32> cacheSizeKb(const SmbiosStructure &cache, bool installed);

// "mm/dd/yyyy" (or "mm/dd/yy") as the BIOS writes its release date.
std::optional<QDate> biosReleaseDate(const QString &text);

// The bits set in a mask, as WMI lists capability codes: bit n gives n + first.
QStringList bitNumbers(quint64 mask, int bits, int first = 0);

// Type 4 ID as Win32_Processor.ProcessorId: the second dword, then the first.
std::optional<QString> processorId(const SmbiosStructure &processor);

// Type 3 SKU number, which follows the contained-element records.
std::optional<QString> chassisSkuNumber(const SmbiosStructure &chassis);

// Renumbered codes: WMI's value for an SMBIOS code, none where WMI has no name.
int cimMemoryType(quint8 smbiosType);
std::optional<int> cimFormFactor(quint8 smbiosFormFactor);
std::optional<int> cimPortType(quint8 smbiosPortType);
QStringList cimPortConnectorTypes(quint8 smbiosConnector);
QStringList cimSlotConnectorTypes(quint8 smbiosSlotType);
std::optional<int> cimSlotDataWidth(quint8 smbiosWidth);
// Battery chemistry from the Smart Battery name ("LION", "LiP") in WMI codes.
std::optional<int> chemistryFromSbds(const QString &name);
// Probe and cooling-device status bits 5-7 as the Status text.
QString sensorStatus(quint8 locationAndStatus);

// The names udev's memory helper writes for codes, back to the codes.
std::optional<quint8> memoryTypeCode(const QString &name);
std::optional<quint8> memoryFormFactorCode(const QString &name);
std::optional<quint8> memoryArrayLocationCode(const QString &name);
std::optional<quint8> errorCorrectionCode(const QString &name);
// "Synchronous Unbuffered (Unregistered)" back to the type 17 bit mask.
std::optional<quint16> memoryTypeDetailMask(const QString &names);

// Type 27 device types that are not fans.
constexpr quint8 CoolingHeatPipe = 0x08;
constexpr quint8 CoolingRefrigeration = 0x09;
QString coolingDeviceTypeName(quint8 type);

} // namespace inventory::linuxsource
