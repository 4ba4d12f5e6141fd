#include "LiveReadings.h"

#include <QHash>
#include <QSet>

#include <array>

namespace inventory::compare {

namespace {

constexpr std::array Readings = {
    // Counters that run with the clock since the last start or reset.
    LiveReading{"", "TimeOfLastReset", "the time of the last start"},
    LiveReading{"", "LastErrorCode", "the last error a driver reported"},
    LiveReading{"", "ErrorCleared", "whether the last error was cleared"},
    LiveReading{"", "ErrorDescription", "the last error a driver reported"},

    LiveReading{"Win32_Processor", "CurrentClockSpeed", "frequency scaling"},
    LiveReading{"Win32_Processor", "CurrentVoltage", "voltage scaling"},
    LiveReading{"Win32_Processor", "LoadPercentage", "the load"},
    LiveReading{"Win32_Processor", "CpuStatus", "whether the CPU is idle or busy"},

    LiveReading{"Win32_ComputerSystem", "UserName", "who is logged on"},
    LiveReading{"Win32_ComputerSystem", "DaylightInEffect", "the season"},
    LiveReading{"Win32_ComputerSystem", "ThermalState", "the temperature"},
    LiveReading{"Win32_ComputerSystem", "PowerSupplyState", "the power state"},
    LiveReading{"Win32_ComputerSystem", "BootupState", "how the last start went"},

    LiveReading{"Win32_TemperatureProbe", "CurrentReading", "a temperature"},
    LiveReading{"Win32_VoltageProbe", "CurrentReading", "a voltage"},
    LiveReading{"Win32_CurrentProbe", "CurrentReading", "a current"},
    LiveReading{"Win32_TemperatureProbe", "Status", "a temperature beyond its limits"},
    LiveReading{"Win32_VoltageProbe", "Status", "a voltage beyond its limits"},
    LiveReading{"Win32_CurrentProbe", "Status", "a current beyond its limits"},
    LiveReading{"Win32_Fan", "DesiredSpeed", "the fan speed"},
    LiveReading{"Win32_Fan", "ActiveCooling", "whether the fan runs"},
    LiveReading{"Win32_Fan", "Status", "a fan beyond its limits"},

    LiveReading{"Win32_Battery", "BatteryStatus", "charging or discharging"},
    LiveReading{"Win32_Battery", "EstimatedChargeRemaining", "the charge"},
    LiveReading{"Win32_Battery", "EstimatedRunTime", "the charge"},
    LiveReading{"Win32_Battery", "TimeOnBattery", "the time since unplugging"},
    LiveReading{"Win32_Battery", "TimeToFullCharge", "the charge"},
    LiveReading{"Win32_Battery", "Availability", "charging or discharging"},
    LiveReading{"Win32_Battery", "Status", "the charge"},
    LiveReading{"Win32_Battery", "DesignVoltage", "the present voltage, despite its name"},
    LiveReading{"Win32_PortableBattery", "BatteryStatus", "charging or discharging"},
    LiveReading{"Win32_PortableBattery", "EstimatedChargeRemaining", "the charge"},
    LiveReading{"Win32_PortableBattery", "EstimatedRunTime", "the charge"},
    LiveReading{"Win32_PortableBattery", "TimeOnBattery", "the time since unplugging"},
    LiveReading{"Win32_PortableBattery", "TimeToFullCharge", "the charge"},
    LiveReading{"Win32_PortableBattery", "Status", "the charge"},
    LiveReading{"Win32_UninterruptiblePowerSupply", "EstimatedChargeRemaining", "the charge"},
    LiveReading{"Win32_UninterruptiblePowerSupply", "EstimatedRunTime", "the charge"},
    LiveReading{"Win32_UninterruptiblePowerSupply", "RemainingCapacityStatus", "the charge"},
    LiveReading{"Win32_UninterruptiblePowerSupply", "TimeOnBackup", "the time on battery"},
    LiveReading{"Win32_UninterruptiblePowerSupply", "Status", "the charge"},

    // The display mode the desktop runs in, not what the hardware can do.
    LiveReading{"Win32_VideoController", "CurrentBitsPerPixel", "the display mode"},
    LiveReading{"Win32_VideoController", "CurrentHorizontalResolution", "the display mode"},
    LiveReading{"Win32_VideoController", "CurrentVerticalResolution", "the display mode"},
    LiveReading{"Win32_VideoController", "CurrentNumberOfColors", "the display mode"},
    LiveReading{"Win32_VideoController", "CurrentNumberOfColumns", "the display mode"},
    LiveReading{"Win32_VideoController", "CurrentNumberOfRows", "the display mode"},
    LiveReading{"Win32_VideoController", "CurrentRefreshRate", "the display mode"},
    LiveReading{"Win32_VideoController", "CurrentScanMode", "the display mode"},
    LiveReading{"Win32_VideoController", "VideoModeDescription", "the display mode"},
    LiveReading{"Win32_DisplayConfiguration", "BitsPerPel", "the display mode"},
    LiveReading{"Win32_DisplayConfiguration", "DisplayFrequency", "the display mode"},
    LiveReading{"Win32_DisplayConfiguration", "PelsHeight", "the display mode"},
    LiveReading{"Win32_DisplayConfiguration", "PelsWidth", "the display mode"},
    LiveReading{"Win32_DisplayControllerConfiguration", "BitsPerPixel", "the display mode"},
    LiveReading{"Win32_DisplayControllerConfiguration", "ColorPlanes", "the display mode"},
    LiveReading{"Win32_DisplayControllerConfiguration", "HorizontalResolution", "the display mode"},
    LiveReading{"Win32_DisplayControllerConfiguration", "RefreshRate", "the display mode"},
    LiveReading{"Win32_DisplayControllerConfiguration", "VerticalResolution", "the display mode"},
    LiveReading{"Win32_DisplayControllerConfiguration", "VideoMode", "the display mode"},
    LiveReading{"Win32_VideoConfiguration", "HorizontalResolution", "the display mode"},
    LiveReading{"Win32_VideoConfiguration", "VerticalResolution", "the display mode"},
    LiveReading{"Win32_VideoConfiguration", "RefreshRate", "the display mode"},
    LiveReading{"Win32_VideoConfiguration", "ActualColorResolution", "the display mode"},
    LiveReading{"Win32_DesktopMonitor", "ScreenHeight", "the display mode"},
    LiveReading{"Win32_DesktopMonitor", "ScreenWidth", "the display mode"},

    // Links come up and down, media go in and out.
    LiveReading{"Win32_NetworkAdapter", "NetConnectionStatus", "whether the cable is in"},
    LiveReading{"Win32_NetworkAdapter", "NetEnabled", "whether the link is up"},
    LiveReading{"Win32_NetworkAdapter", "Speed", "the negotiated link speed"},
    LiveReading{"Win32_NetworkAdapter", "Availability", "whether the link is up"},
    LiveReading{"Win32_CDROMDrive", "MediaLoaded", "whether a disc is in"},
    LiveReading{"Win32_CDROMDrive", "Size", "the disc in the drive"},
    LiveReading{"Win32_CDROMDrive", "VolumeName", "the disc in the drive"},
    LiveReading{"Win32_CDROMDrive", "VolumeSerialNumber", "the disc in the drive"},
    LiveReading{"Win32_DiskDrive", "MediaLoaded", "whether a medium is in"},

    LiveReading{"Win32_Printer", "PrinterStatus", "the queue's state"},
    LiveReading{"Win32_Printer", "PrinterState", "the queue's state"},
    LiveReading{"Win32_Printer", "ExtendedPrinterStatus", "the queue's state"},
    LiveReading{"Win32_Printer", "DetectedErrorState", "the queue's state"},
    LiveReading{"Win32_Printer", "ExtendedDetectedErrorState", "the queue's state"},
    LiveReading{"Win32_Printer", "JobCountSinceLastReset", "a counter"},
    LiveReading{"Win32_Printer", "WorkOffline", "the queue's state"},
    LiveReading{"Win32_Printer", "Status", "the queue's state"},
};

QString key(const QString &className, const QString &propertyName)
{
    return className.toLower() + QLatin1Char('.') + propertyName.toLower();
}

const QSet<QString> &readingSet()
{
    static const QSet<QString> set = [] {
        QSet<QString> keys;
        for (const LiveReading &reading : Readings)
            keys.insert(key(QString::fromLatin1(reading.className), QString::fromLatin1(reading.propertyName)));
        return keys;
    }();
    return set;
}

} // namespace

std::span<const LiveReading> liveReadings()
{
    return Readings;
}

bool isLiveReading(const QString &className, const QString &propertyName)
{
    const QSet<QString> &set = readingSet();
    return set.contains(key(className, propertyName)) || set.contains(key(QString(), propertyName));
}

} // namespace inventory::compare
