#include "Catalogue.h"

namespace inventory {

QStringList deviceCatalogue()
{
    return {
        QStringLiteral("Win32_Processor"), QStringLiteral("Win32_Keyboard"),
        QStringLiteral("Win32_PointingDevice"), QStringLiteral("Win32_CDROMDrive"),
        QStringLiteral("Win32_DiskDrive"), QStringLiteral("Win32_FloppyDrive"),
        QStringLiteral("Win32_TapeDrive"), QStringLiteral("Win32_1394Controller"),

        QStringLiteral("Win32_BaseBoard"), QStringLiteral("Win32_MotherboardDevice"),
        QStringLiteral("Win32_BIOS"), QStringLiteral("Win32_Bus"),
        QStringLiteral("Win32_CacheMemory"), QStringLiteral("Win32_FloppyController"),
        QStringLiteral("Win32_IDEController"), QStringLiteral("Win32_InfraredDevice"),

        QStringLiteral("Win32_IRQResource"), QStringLiteral("Win32_MemoryArray"),
        QStringLiteral("Win32_MemoryDevice"), QStringLiteral("Win32_OnBoardDevice"),
        QStringLiteral("Win32_ParallelPort"), QStringLiteral("Win32_PCMCIAController"),
        QStringLiteral("Win32_PhysicalMemory"), QStringLiteral("Win32_PhysicalMemoryArray"),

        QStringLiteral("Win32_PNPEntity"), QStringLiteral("Win32_PortConnector"),
        QStringLiteral("Win32_PortResource"), QStringLiteral("Win32_SCSIController"),
        QStringLiteral("Win32_SerialPort"), QStringLiteral("Win32_SerialPortConfiguration"),
        QStringLiteral("Win32_SMBIOSMemory"), QStringLiteral("Win32_SoundDevice"),

        QStringLiteral("Win32_SystemEnclosure"), QStringLiteral("Win32_SystemMemoryResource"),
        QStringLiteral("Win32_SystemSlot"), QStringLiteral("Win32_USBController"),
        QStringLiteral("Win32_USBHub"), QStringLiteral("Win32_NetworkAdapter"),
        QStringLiteral("Win32_AssociatedBattery"), QStringLiteral("Win32_Battery"),

        QStringLiteral("Win32_CurrentProbe"), QStringLiteral("Win32_PortableBattery"),
        QStringLiteral("Win32_UninterruptiblePowerSupply"), QStringLiteral("Win32_VoltageProbe"),
        QStringLiteral("Win32_Printer"), QStringLiteral("Win32_POTSModem"),
        QStringLiteral("Win32_POTSModemToSerialPort"), QStringLiteral("Win32_DesktopMonitor"),

        QStringLiteral("Win32_DisplayConfiguration"), QStringLiteral("Win32_DisplayControllerConfiguration"),
        QStringLiteral("Win32_VideoConfiguration"), QStringLiteral("Win32_VideoController"),
        QStringLiteral("Win32_Fan"), QStringLiteral("Win32_HeatPipe"),
        QStringLiteral("Win32_Refrigeration"), QStringLiteral("Win32_TemperatureProbe"),
    };
}

QString categoryText(const QString &className)
{
    // The prefix is six characters by construction; a class name is never shorter.
    return className.mid(6);
}

} // namespace inventory
