#pragma once

#include "inventory/Instrumentation.h"

#include <QDateTime>

#include <optional>

namespace inventory::linuxsource {

class MachineRoot;

// Collects one instance's properties and hands them out in WMI's order
// (case-insensitive by name). Absent values are simply not added.
class PropertyBag
{
public:
    PropertyBag &set(const QString &name, const Value &value);
    PropertyBag &text(const QString &name, const std::optional<QString> &text);
    PropertyBag &integer(const QString &name, std::optional<qint64> number);
    PropertyBag &unsignedInteger(const QString &name, std::optional<quint64> number);
    PropertyBag &boolean(const QString &name, std::optional<bool> flag);

    // The CIM_LogicalDevice constants every device class carries.
    PropertyBag &logicalDevice(const QString &className, const QString &systemName);
    // The names of a CIM_Setting: Caption, Description and SettingID.
    PropertyBag &setting(const QString &name);

    Properties take();

private:
    Properties m_properties;
};

// The computer's name as WMI's SystemName shows it: the host name, upper case,
// without a domain.
QString systemName(const MachineRoot &root);
// The host name as the machine has it (kernel first, then /etc/hostname),
// "localhost" when it has none.
QString hostName(const MachineRoot &root);
// When the machine last started (btime in /proc/stat): the last reset of
// every controller and adapter in it.
std::optional<QDateTime> bootTime(const MachineRoot &root);

} // namespace inventory::linuxsource

namespace inventory::linuxsource {

// A WMI object path naming one instance by its key, as association classes
// hold them: \\HOST\root\cimv2:Win32_SerialPort.DeviceID="COM1" (backslashes
// and quotes in the value escaped).
QString objectPath(const QString &systemName, const QString &className, const QString &key, const QString &value);

} // namespace inventory::linuxsource
