#include "inventory/linux/reading/ClassTable.h"

#include "inventory/Catalogue.h"

namespace inventory::linuxsource {

// One registration per file of this folder; each says which classes it fills.
void registerComputerSystem(ClassTable &);
void registerProcessor(ClassTable &);
void registerDiskDrive(ClassTable &);
void registerNetworkAdapter(ClassTable &);
void registerBattery(ClassTable &);
void registerUninterruptiblePowerSupply(ClassTable &);
void registerProbes(ClassTable &);
void registerFan(ClassTable &);
void registerVideoController(ClassTable &);
void registerDesktopMonitor(ClassTable &);
void registerDisplayConfiguration(ClassTable &);
void registerVideoConfiguration(ClassTable &);
void registerPnpEntity(ClassTable &);
void registerBuses(ClassTable &);
void registerControllers(ClassTable &);
void registerUsbHub(ClassTable &);
void registerInput(ClassTable &);
void registerOpticalDrives(ClassTable &);
void registerFloppyDrives(ClassTable &);
void registerTapeDrives(ClassTable &);
void registerInfrared(ClassTable &);
void registerSound(ClassTable &);
void registerSerialPorts(ClassTable &);
void registerParallelPorts(ClassTable &);
void registerModems(ClassTable &);
void registerAssociatedBattery(ClassTable &);
void registerResources(ClassTable &);
void registerPrinters(ClassTable &);
void registerBios(ClassTable &);
void registerBoard(ClassTable &);
void registerEnclosure(ClassTable &);
void registerMemory(ClassTable &);
void registerMemoryRanges(ClassTable &);
void registerSlots(ClassTable &);
void registerPortableBattery(ClassTable &);
void registerCacheMemory(ClassTable &);
void registerFirmwareProbes(ClassTable &);
void registerComputerSystemProduct(ClassTable &);

ClassTable::ClassTable()
{
    m_providers.insert(ComputerClass, {});
    for (const QString &className : deviceCatalogue())
        m_providers.insert(className, {});

    registerComputerSystem(*this);
    registerProcessor(*this);
    registerDiskDrive(*this);
    registerNetworkAdapter(*this);
    registerBattery(*this);
    registerUninterruptiblePowerSupply(*this);
    registerProbes(*this);
    registerFan(*this);
    registerVideoController(*this);
    registerDesktopMonitor(*this);
    registerDisplayConfiguration(*this);
    registerVideoConfiguration(*this);
    registerPnpEntity(*this);
    registerBuses(*this);
    registerControllers(*this);
    registerUsbHub(*this);
    registerInput(*this);
    registerOpticalDrives(*this);
    registerFloppyDrives(*this);
    registerTapeDrives(*this);
    registerInfrared(*this);
    registerSound(*this);
    registerSerialPorts(*this);
    registerParallelPorts(*this);
    registerModems(*this);
    registerAssociatedBattery(*this);
    registerResources(*this);
    registerPrinters(*this);
    registerBios(*this);
    registerBoard(*this);
    registerEnclosure(*this);
    registerMemory(*this);
    registerMemoryRanges(*this);
    registerSlots(*this);
    registerPortableBattery(*this);
    registerCacheMemory(*this);
    registerFirmwareProbes(*this);
    registerComputerSystemProduct(*this);
}

const ClassTable &ClassTable::instance()
{
    static const ClassTable table;
    return table;
}

void ClassTable::provide(const QString &className, Provider provider)
{
    m_providers[className].push_back(std::move(provider));
}

std::vector<Instance> ClassTable::instancesOf(const QString &className, const MachineRoot &root) const
{
    const auto found = m_providers.constFind(className);
    if (found == m_providers.constEnd())
        throw Failure(QStringLiteral("Invalid class: %1").arg(className));
    std::vector<Instance> instances;
    for (const Provider &provider : *found) {
        std::vector<Instance> more = provider(root);
        instances.insert(instances.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    }
    return instances;
}

} // namespace inventory::linuxsource
