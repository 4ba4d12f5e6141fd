// The inventory-file reader on arbitrary bytes: it either refuses them with a
// Failure or returns a record that the program can serve, and that writes out
// and reads back unchanged.
#include "inventory/snapshot/InventoryFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace inventory::snapshot;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    InventoryRecord record;
    try {
        record = InventoryFile::fromJson(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    } catch (const inventory::Failure &) {
        return 0;
    }
    // Served as a source, walked as the scan walks it.
    const auto shared = std::make_shared<const InventoryRecord>(record);
    volatile std::size_t sink = takeRecord(recordInstrumentation(shared), record.origin).classes.size();
    (void)sink;
    // What was accepted must survive a write and a read unchanged.
    const QByteArray written = InventoryFile::toJson(record);
    try {
        if (InventoryFile::toJson(InventoryFile::fromJson(written)) != written)
            std::abort();
    } catch (const inventory::Failure &) {
        std::abort();
    }
    return 0;
}
