#pragma once

#include "inventory/snapshot/InventoryRecord.h"

#include <QString>
#include <QStringList>

namespace inventory::privacy {

// What stands where something identifying was.
inline const QString RedactedMarker = QStringLiteral("[redacted]");

// Makes an inventory fit to post in public. The values of identifying
// properties (serial numbers, UUIDs, MAC addresses, asset tags, the host,
// domain and user names) become the marker, and so does every other
// appearance of those values in any text of the record: captions, device
// ids, SystemName, array items, the host name and where the record came
// from. MAC addresses and UUIDs are also found by their shape wherever they
// stand, apart from the device class GUIDs Windows fixes for all machines.
void redact(snapshot::InventoryRecord &record);

// The identifying texts a record holds, as redact() finds them (for tests
// and for callers that write formats of their own).
QStringList identifyingTexts(const snapshot::InventoryRecord &record);

} // namespace inventory::privacy
