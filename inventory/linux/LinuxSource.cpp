#include "inventory/linux/LinuxSource.h"

#include "inventory/linux/reading/ClassTable.h"

namespace inventory::linuxsource {

InstanceEnumeration LinuxSource::instancesOf(const QString &className)
{
    return InstanceEnumeration(ClassTable::instance().instancesOf(className, m_root));
}

Instrumentation LinuxSource::instrumentation(const QString &root)
{
    return Instrumentation([root] { return std::make_shared<LinuxSource>(root); });
}

} // namespace inventory::linuxsource
