// The EDID reader on arbitrary bytes: whatever a monitor or a file holds must
// neither crash it nor make it read outside the blob.
#include "inventory/linux/display/Edid.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto edid = inventory::linuxsource::parseEdid(QByteArrayView(data, qsizetype(size)));
    if (edid) {
        // Touch what callers use, so the sanitizers see every field.
        volatile qsizetype sink = edid->name.size() + edid->serialText.size()
            + inventory::linuxsource::edidProductId(*edid).size();
        if (edid->preferredTiming)
            sink = sink + qsizetype(edid->preferredTiming->refreshRate > 0);
        (void)sink;
    }
    return 0;
}
