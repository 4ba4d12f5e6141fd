#pragma once

// The builders of the document's sections, by family; used by
// AgentDocumentBuilder only.
#include "report/ocs/AgentDocument.h"
#include "report/ocs/ClassRows.h"

#include "inventory/linux/system/HostFacts.h"

namespace report::ocs {

struct SectionInput
{
    inventory::Service &service;
    const inventory::linuxsource::HostFacts *host; // null for sources without files

    std::vector<ClassRow> rows(const char *className) const { return rowsOf(service, QLatin1String(className)); }
};

void addSystemSections(AgentDocument &document, const SectionInput &input);  // HARDWARE BIOS CPUS MEMORIES
void addStorageSections(AgentDocument &document, const SectionInput &input); // STORAGES DRIVES
void addNetworkSections(AgentDocument &document, const SectionInput &input); // NETWORKS
void addDeviceSections(AgentDocument &document, const SectionInput &input);  // VIDEOS MONITORS SOUNDS CONTROLLERS
                                                                             // SLOTS PORTS INPUTS MODEMS PRINTERS
                                                                             // BATTERIES USBDEVICES

// Bytes as whole mebibytes, the unit of the server's sizes.
std::optional<qint64> mebibytes(std::optional<qint64> bytes);

} // namespace report::ocs
