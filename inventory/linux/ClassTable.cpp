#include "ClassTable.h"

#include "../Catalogue.h"

namespace inventory::linuxsource {

// One registration per file of this folder; each says which classes it fills.
void registerComputerSystem(ClassTable &);
void registerProcessor(ClassTable &);
void registerDiskDrive(ClassTable &);
void registerNetworkAdapter(ClassTable &);

ClassTable::ClassTable()
{
    m_providers.insert(ComputerClass, Provider());
    for (const QString &className : deviceCatalogue())
        m_providers.insert(className, Provider());

    registerComputerSystem(*this);
    registerProcessor(*this);
    registerDiskDrive(*this);
    registerNetworkAdapter(*this);
}

const ClassTable &ClassTable::instance()
{
    static const ClassTable table;
    return table;
}

void ClassTable::provide(const QString &className, Provider provider)
{
    m_providers.insert(className, std::move(provider));
}

std::vector<Instance> ClassTable::instancesOf(const QString &className, const MachineRoot &root) const
{
    const auto found = m_providers.constFind(className);
    if (found == m_providers.constEnd())
        throw Failure(QStringLiteral("Invalid class: %1").arg(className));
    if (!*found)
        return {};
    return (*found)(root);
}

} // namespace inventory::linuxsource
