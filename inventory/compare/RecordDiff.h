#pragma once

#include "inventory/snapshot/InventoryRecord.h"

#include <QString>

#include <optional>
#include <vector>

namespace inventory::compare {

// A property whose value differs; nothing on a side where the device lacks it.
struct PropertyChange
{
    QString name;
    std::optional<Value> before;
    std::optional<Value> after;
};

// How a device is named in a comparison: its caption, and the key that tells
// it from other devices of the same caption.
struct DeviceLabel
{
    QString caption;
    QString key; // empty when the caption alone names the device
};

struct ChangedDevice
{
    DeviceLabel label;
    std::vector<PropertyChange> changes;
};

struct CategoryDiff
{
    QString className;
    std::vector<DeviceLabel> removed;
    std::vector<DeviceLabel> added;
    std::vector<ChangedDevice> changed;
    // The class could be read on one side and not the other, or failed
    // differently: the failure texts ("" for none).
    std::optional<std::pair<QString, QString>> failure;

    bool isEmpty() const { return removed.empty() && added.empty() && changed.empty() && !failure; }
};

struct RecordDiff
{
    std::vector<CategoryDiff> categories; // only those with a difference, computer first

    bool isEmpty() const { return categories.empty(); }
};

struct DiffOptions
{
    // Also compare the live readings (clock speeds, temperatures, ...).
    bool includeLiveReadings = false;
};

// Compares two inventories class by class. Devices are matched within their
// class by caption. Where several share a caption, devices with the same key
// (DeviceID, else Tag, else PNPDeviceID) match; the rest match in the order
// they were enumerated, except that two devices with different keys never
// do. A device without a partner was added or removed; matched devices are
// compared property by property (names case-insensitively), the live
// readings left out unless asked for.
RecordDiff compareRecords(const snapshot::InventoryRecord &before, const snapshot::InventoryRecord &after,
                          const DiffOptions &options = {});

// The comparison as text for people: one block per category that differs,
// "-" removed, "+" added, "~" changed with "name: old -> new" lines, and a
// summary line. The titles name the two sides.
QString diffText(const RecordDiff &diff, const QString &beforeTitle, const QString &afterTitle);

// A value as the comparison prints it: Null, "" for empty text, {a,b} for arrays.
QString diffValueText(const std::optional<Value> &value);

} // namespace inventory::compare
