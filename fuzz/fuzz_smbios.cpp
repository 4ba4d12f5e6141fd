// The SMBIOS reader and every class built from what it reads. An input is a
// dump (entry point first, the table where it points) or a bare table.
#include "inventory/linux/firmware/Firmware.h"
#include "inventory/linux/firmware/Smbios.h"

#include <cstddef>
#include <cstdint>

using namespace inventory::linuxsource;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    parseSmbiosEntryPoint(bytes);
    const FirmwarePtr firmware = Firmware::fromTable(parseSmbiosDump(bytes));
    // Instances of one class share their code: the first of each reaches it,
    // and reading every one would only slow the search down.
    constexpr size_t InstancesPerClass = 1;
    for (FirmwareBuilder build : firmwareBuilders()) {
        const std::vector<inventory::Instance> instances = build(firmware);
        for (size_t i = 0; i < instances.size() && i < InstancesPerClass; ++i) {
            instances[i].caption();
            instances[i].properties();
        }
    }
    readMemorySlots(*firmware);
    PropertyBag computer;
    addFirmwareComputerProperties(computer, *firmware);
    computer.take();
    for (int package = 0; package < 4; ++package) {
        PropertyBag processor;
        addFirmwareProcessorProperties(processor, *firmware, package);
        processor.take();
    }
    return 0;
}
