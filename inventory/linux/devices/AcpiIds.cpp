// Our own names for the generic ids of the ACPI and PNP standards, in
// the words Windows uses for them.
#include "inventory/linux/devices/AcpiIds.h"

#include <QHash>
#include <QSet>

namespace inventory::linuxsource {

namespace {

const QHash<QString, KnownAcpiId> &table()
{
    static const QString system = QStringLiteral("System");
    static const QHash<QString, KnownAcpiId> ids = {
        {QStringLiteral("PNP0000"), {QStringLiteral("Programmable interrupt controller"), system}},
        {QStringLiteral("PNP0001"), {QStringLiteral("EISA programmable interrupt controller"), system}},
        {QStringLiteral("PNP0003"), {QStringLiteral("Advanced programmable interrupt controller"), system}},
        {QStringLiteral("PNP0100"), {QStringLiteral("System timer"), system}},
        {QStringLiteral("PNP0103"), {QStringLiteral("High precision event timer"), system}},
        {QStringLiteral("PNP0200"), {QStringLiteral("Direct memory access controller"), system}},
        {QStringLiteral("PNP0303"), {QStringLiteral("Standard PS/2 Keyboard"), QStringLiteral("Keyboard")}},
        {QStringLiteral("PNP030B"), {QStringLiteral("Standard PS/2 Keyboard"), QStringLiteral("Keyboard")}},
        {QStringLiteral("PNP0400"), {QStringLiteral("Printer Port"), QStringLiteral("Ports")}},
        {QStringLiteral("PNP0401"), {QStringLiteral("ECP Printer Port"), QStringLiteral("Ports")}},
        {QStringLiteral("PNP0500"), {QStringLiteral("Communications Port"), QStringLiteral("Ports")}},
        {QStringLiteral("PNP0501"), {QStringLiteral("Communications Port"), QStringLiteral("Ports")}},
        {QStringLiteral("PNP0700"), {QStringLiteral("Standard floppy disk controller"), QStringLiteral("FDC")}},
        {QStringLiteral("PNP0800"), {QStringLiteral("System speaker"), system}},
        {QStringLiteral("PNP0A03"), {QStringLiteral("PCI bus"), system}},
        {QStringLiteral("PNP0A05"), {QStringLiteral("Generic Bus"), system}},
        {QStringLiteral("PNP0A06"), {QStringLiteral("Generic Bus"), system}},
        {QStringLiteral("PNP0A08"), {QStringLiteral("PCI Express Root Complex"), system}},
        {QStringLiteral("PNP0B00"), {QStringLiteral("System CMOS/real time clock"), system}},
        {QStringLiteral("PNP0C01"), {QStringLiteral("System board"), system}},
        {QStringLiteral("PNP0C02"), {QStringLiteral("Motherboard resources"), system}},
        {QStringLiteral("PNP0C04"), {QStringLiteral("Numeric data processor"), system}},
        {QStringLiteral("PNP0C08"), {QStringLiteral("ACPI-Compliant System"), system}},
        {QStringLiteral("PNP0C09"), {QStringLiteral("ACPI-Compliant Embedded Controller"), system}},
        {QStringLiteral("PNP0C0A"), {QStringLiteral("ACPI-Compliant Control Method Battery"), QStringLiteral("Battery")}},
        {QStringLiteral("PNP0C0B"), {QStringLiteral("ACPI Fan"), system}},
        {QStringLiteral("PNP0C0C"), {QStringLiteral("ACPI Power Button"), system}},
        {QStringLiteral("PNP0C0D"), {QStringLiteral("ACPI Lid"), system}},
        {QStringLiteral("PNP0C0E"), {QStringLiteral("ACPI Sleep Button"), system}},
        {QStringLiteral("PNP0C14"), {QStringLiteral("Windows Management Interface for ACPI"), system}},
        {QStringLiteral("PNP0C15"), {QStringLiteral("Docking Station"), system}},
        {QStringLiteral("PNP0C31"), {QStringLiteral("Trusted Platform Module"), QStringLiteral("SecurityDevices")}},
        {QStringLiteral("PNP0C50"), {QStringLiteral("I2C HID Device"), QStringLiteral("HIDClass")}},
        {QStringLiteral("PNP0F03"), {QStringLiteral("PS/2 Compatible Mouse"), QStringLiteral("Mouse")}},
        {QStringLiteral("PNP0F13"), {QStringLiteral("PS/2 Compatible Mouse"), QStringLiteral("Mouse")}},
        {QStringLiteral("ACPI0003"), {QStringLiteral("AC Adapter"), QStringLiteral("Battery")}},
        {QStringLiteral("ACPI0004"), {QStringLiteral("ACPI Module Device"), system}},
        {QStringLiteral("ACPI000C"), {QStringLiteral("ACPI Processor Aggregator"), system}},
        {QStringLiteral("ACPI000D"), {QStringLiteral("ACPI Power Meter"), system}},
        {QStringLiteral("ACPI000E"), {QStringLiteral("ACPI Wake Alarm"), system}},
        {QStringLiteral("ACPI0010"), {QStringLiteral("Processor Container Device"), system}},
        {QStringLiteral("ACPI0013"), {QStringLiteral("ACPI Generic Event Device"), system}},
        {QStringLiteral("LNXSYSTM"), {QStringLiteral("ACPI-Compliant System"), system}},
        {QStringLiteral("LNXPWRBN"), {QStringLiteral("ACPI Fixed Feature Button"), system}},
        {QStringLiteral("LNXSLPBN"), {QStringLiteral("ACPI Fixed Feature Button"), system}},
        {QStringLiteral("LNXTHERM"), {QStringLiteral("ACPI Thermal Zone"), system}},
        {QStringLiteral("INT0800"), {QStringLiteral("Intel 82802 Firmware Hub Device"), system}},
        {QStringLiteral("INT3F0D"), {QStringLiteral("Motherboard resources"), system}},
        {QStringLiteral("MSFT0101"), {QStringLiteral("Trusted Platform Module 2.0"), QStringLiteral("SecurityDevices")}},
    };
    return ids;
}

} // namespace

std::optional<KnownAcpiId> knownAcpiId(const QString &id)
{
    const auto found = table().constFind(id.toUpper());
    if (found == table().constEnd())
        return std::nullopt;
    return *found;
}

bool isHiddenAcpiId(const QString &id)
{
    static const QSet<QString> hidden = {
        QStringLiteral("LNXCPU"),   QStringLiteral("ACPI0007"), QStringLiteral("LNXPOWER"),
        QStringLiteral("LNXVIDEO"), QStringLiteral("LNXIOBAY"), QStringLiteral("LNXSYBUS"),
        QStringLiteral("PNP0C0F"),  QStringLiteral("ACPI0006"),
    };
    return hidden.contains(id.toUpper());
}

} // namespace inventory::linuxsource
