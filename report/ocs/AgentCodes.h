#pragma once

#include <QString>

#include <optional>

namespace report::ocs {

// WMI's and SMBIOS's codes in the words the stock agents send (dmidecode's
// words where they read dmidecode). Unknown codes give an empty text.
QString chassisTypeName(std::optional<qint64> code);
QString smbiosMemoryTypeName(std::optional<qint64> code);
QString memoryFormFactorName(std::optional<qint64> code);
// "x86_64" for Win32_Processor.Architecture 9, as uname names it.
QString architectureName(std::optional<qint64> code);
QString portTypeName(std::optional<qint64> code);
QString slotUsageName(std::optional<qint64> code);
QString batteryChemistryName(std::optional<qint64> code);
QString pointingTypeName(std::optional<qint64> code);
// "Intel" for GenuineIntel, as the stock agent shortens the vendor id.
QString processorMaker(const QString &vendorId);

// WMI's datetime ("20070919000000.000000+000") as dmidecode prints a BIOS
// date (MM/DD/YYYY), the form the server's console shows and sorts.
QString biosDate(const QString &wmiDateTime);

} // namespace report::ocs
