#pragma once

#include "report/ocs/AgentDocument.h"

#include "inventory/Instrumentation.h"
#include "inventory/linux/system/HostFacts.h"

#include <optional>

namespace report::ocs {

// The agent document of one machine: every section the OCS Inventory server
// stores and the source has data for, from the same classes the window shows.
// The host facts (operating system, file systems, addresses, raw EDIDs) come
// from the machine's files; a source without files (an inventory file) has
// none, and the sections that need them stay empty.
// Throws inventory::Failure when the source cannot be reached at all.
AgentDocument buildAgentDocument(const inventory::Instrumentation &instrumentation,
                                 const std::optional<inventory::linuxsource::HostFacts> &host);

// The host facts of a machine known only from its inventory record (a file
// or a Windows capture): its name. A record keeps no operating system,
// addresses, swap, file systems or raw EDIDs, and those are left out rather
// than taken from the machine that sends it.
inventory::linuxsource::HostFacts recordedHostFacts(const QString &hostName);

// Every section bit of HARDWARE/CHECKSUM: this agent keeps no previous state
// to compare with, so it asks the server to rewrite every section each time.
constexpr qint64 AllSectionsChanged = 4194303;

} // namespace report::ocs
