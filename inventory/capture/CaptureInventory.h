#pragma once

#include "CaptureFiles.h"

#include "inventory/snapshot/InventoryRecord.h"

namespace inventory::capture {

inline const QString CaptureOriginKind = QStringLiteral("windows-capture");

// A capture as one machine's inventory: the computer class and every class
// of the catalogue, each with the instances the capture holds (none when it
// holds no file or record of the class), every captured property typed from
// the class's declared types and in the capture's order. Records of classes
// outside the catalogue (partitions, volumes) are left out. Without a
// captured Win32_ComputerSystem the computer is named after the SystemName
// its devices carry.
snapshot::InventoryRecord inventoryFromCapture(const CaptureSet &capture, const QString &location);

// Reads a capture file or folder into an inventory. Throws Failure
// ("Cannot open PATH: ...") naming the file, the line and the problem.
snapshot::InventoryRecord readCaptureInventory(const QString &path);

} // namespace inventory::capture
