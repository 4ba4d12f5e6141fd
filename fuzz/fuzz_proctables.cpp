// The parsers of the device tables in /proc and sysfs: interrupts, I/O and
// memory ranges, ALSA cards, input devices and their capability bitmaps, the
// cdrom driver's table and serial console options.
#include "inventory/linux/devices/InputDevices.h"
#include "inventory/linux/storage/OpticalDrives.h"
#include "inventory/linux/resources/Resources.h"
#include "inventory/linux/ports/SerialPorts.h"
#include "inventory/linux/devices/Sound.h"

#include <cstddef>
#include <cstdint>

using namespace inventory::linuxsource;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    parseInterrupts(bytes);
    addressesHidden(parseResourceTable(bytes));
    parseAsoundCards(bytes);
    for (const InputDevice &device : parseInputDevices(bytes)) {
        isKeyboard(device);
        pointingType(device);
    }
    parseCdromInfo(bytes);
    consoleSettings(QString::fromUtf8(bytes), QStringLiteral("ttyS0"));
    return 0;
}
