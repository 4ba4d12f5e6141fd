// The Windows capture reader on arbitrary bytes: a file a user opens may be
// anything, and must end in an inventory or a Failure, never a crash or hang.
// An inventory read from a capture must convert to an inventory file that
// reads back as the same inventory.
#include "inventory/capture/CaptureInventory.h"
#include "inventory/snapshot/InventoryFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void readAs(QByteArrayView bytes, const QString &fileName)
{
    try {
        const auto record = inventory::capture::inventoryFromCapture(
            inventory::capture::parseCaptureFile(bytes, fileName), fileName);
        // Touch what the views use, so the sanitizers see every value.
        volatile qsizetype sink = record.hostName.size();
        for (const auto &recorded : record.classes)
            for (const auto &instance : recorded.instances)
                for (const auto &property : instance.properties)
                    sink = sink + property.value.toText().size() + property.type.name().size();
        (void)sink;
        // Compared as files: NaN, which a capture may say, is not equal to itself.
        const QByteArray file = inventory::snapshot::InventoryFile::toJson(record);
        try {
            if (inventory::snapshot::InventoryFile::toJson(inventory::snapshot::InventoryFile::fromJson(file)) != file)
                std::abort();
        } catch (const inventory::Failure &) {
            std::abort();
        }
    } catch (const inventory::Failure &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    // A dump types records by their CreationClassName, a class file by its name.
    readAs(bytes, QStringLiteral("fuzz-CIM_LogicalDevice.wmi"));
    readAs(bytes, QStringLiteral("fuzz-Win32_BIOS.wmi"));
    return 0;
}
