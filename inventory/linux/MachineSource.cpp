#include "inventory/MachineSource.h"

#include "inventory/linux/LinuxSource.h"

namespace inventory::MachineSource {

bool readsRoot()
{
    return true;
}

Instrumentation instrumentation(const QString &root)
{
    return linuxsource::LinuxSource::instrumentation(root);
}

} // namespace inventory::MachineSource
