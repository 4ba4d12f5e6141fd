#pragma once

#include "inventory/snapshot/InventoryRecord.h"

#include <QByteArray>

namespace inventory::snapshot {

// The inventory file: one machine's record as JSON in UTF-8
// (docs/inventory-file.md describes it, docs/vantorix-inventory.schema.json
// checks it).
namespace InventoryFile {

inline const QString FormatName = QStringLiteral("vantorix-inventory");
constexpr int FormatVersion = 1;
inline const QString Extension = QStringLiteral(".vantorix.json");

// Larger files are refused before they are parsed: a 4,000-device machine
// takes about 9 MB, and a parsed document takes several times its size.
constexpr qint64 MaxBytes = 64 * 1024 * 1024;
// Arrays and objects nest at most 8 deep in a valid file; deeper is refused
// before parsing.
constexpr int MaxNesting = 16;

// The record as the file holds it, ending with a newline. The "format" member
// comes first, so that a file type can be told from the first line.
QByteArray toJson(const InventoryRecord &record);

// The record a file holds. Throws Failure saying what is wrong and where
// ("classes[3].instances[0]: ..."); never returns part of a record.
InventoryRecord fromJson(const QByteArray &bytes);

// Reads and parses a file. Throws Failure that names the file; refuses
// anything but a regular file, and anything larger than MaxBytes, before
// reading it.
InventoryRecord read(const QString &path);

// Whether the bytes start as an inventory file does (for telling it apart
// from other things a user may open). Looks at the first kilobyte only.
bool looksLikeInventory(const QByteArray &start);

} // namespace InventoryFile
} // namespace inventory::snapshot
