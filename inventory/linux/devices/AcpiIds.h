#pragma once

#include <QString>

#include <optional>

namespace inventory::linuxsource {

// A generic ACPI or PNP id that no hardware database names: Windows names
// these devices itself ("System timer", "Motherboard resources").
struct KnownAcpiId
{
    QString name;
    QString setupClass;
};

std::optional<KnownAcpiId> knownAcpiId(const QString &id);

// Ids of ACPI objects Device Manager does not show as devices of their own:
// processors (listed from the CPU topology instead), power resources,
// interrupt links, the video bus, the system bus scope.
bool isHiddenAcpiId(const QString &id);

} // namespace inventory::linuxsource
