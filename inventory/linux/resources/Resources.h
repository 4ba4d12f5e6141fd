#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace inventory::linuxsource {

// One numbered line of /proc/interrupts:
//  16:   39   0   IR-IO-APIC   16-fasteoi   ehci_hcd:usb1, i801_smbus
struct InterruptLine
{
    quint32 number = 0;
    QString controller; // IR-IO-APIC
    QString trigger;    // "edge", "level" or "" when the kernel does not say
    QStringList users;  // ehci_hcd:usb1, i801_smbus
};

std::vector<InterruptLine> parseInterrupts(const QByteArray &text);

// One line of /proc/ioports or /proc/iomem: "  0cf8-0cff : PCI conf1".
struct ResourceRange
{
    quint64 start = 0;
    quint64 end = 0;
    QString name;
    int depth = 0; // nesting, from the indentation
};

std::vector<ResourceRange> parseResourceTable(const QByteArray &text);

// The kernel shows every address as 0 to users without CAP_SYS_ADMIN.
bool addressesHidden(const std::vector<ResourceRange> &ranges);

} // namespace inventory::linuxsource
