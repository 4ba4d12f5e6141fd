#pragma once

#include "inventory/Instrumentation.h"
#include "inventory/snapshot/InventoryRecord.h"

#include <memory>

namespace app {

// What the program reads: a machine below a root folder, or a record opened
// from a file.
struct Source
{
    inventory::Instrumentation instrumentation;
    // What an inventory file saved from it says it was read from.
    inventory::snapshot::Origin origin;
    // Set for a record opened from a file: saved again, it is written as it
    // was read (host name, time, program version, origin, types).
    std::shared_ptr<const inventory::snapshot::InventoryRecord> record;
};

// This machine, or a machine tree, below root.
Source machineSource(const QString &root);

// A file the program opens, read now. Throws Failure naming the file.
Source fileSource(const QString &path);

// Reads what the program opens as a record: an inventory file, a Windows
// capture file or a folder of captures. A folder, or a file named after a
// WMI class that neither ends in ".vantorix.json" nor starts as an inventory
// file, is a capture; anything else is read as an inventory file. Throws Failure naming the file and
// saying what is wrong with it.
std::shared_ptr<const inventory::snapshot::InventoryRecord> readRecordFile(const QString &path);

} // namespace app
