#include "inventory/MachineSource.h"

#include "inventory/windows/WindowsSource.h"

namespace inventory::MachineSource {

bool readsRoot()
{
    return false;
}

Instrumentation instrumentation(const QString &)
{
    return windowssource::WindowsSource::instrumentation();
}

} // namespace inventory::MachineSource
