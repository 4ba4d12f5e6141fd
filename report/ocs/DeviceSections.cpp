// The devices: graphics, monitors, sound, PCI controllers, slots, ports,
// input devices, modems, printers, batteries and USB devices.
#include "report/ocs/AgentCodes.h"
#include "report/ocs/Sections.h"

#include "inventory/linux/reading/IdDatabase.h"

#include <QRegularExpression>

namespace report::ocs {

namespace {

using inventory::linuxsource::IdDatabase;

void addVideos(AgentDocument &document, const SectionInput &input)
{
    for (const ClassRow &video : input.rows("Win32_VideoController")) {
        Section &section = document.add(QStringLiteral("VIDEOS"));
        section.text(QStringLiteral("NAME"), video.text(QStringLiteral("Name")))
            .text(QStringLiteral("CHIPSET"), video.text(QStringLiteral("VideoProcessor")))
            .number(QStringLiteral("MEMORY"), mebibytes(video.number(QStringLiteral("AdapterRAM"))))
            .text(QStringLiteral("DRVVERSION"), video.text(QStringLiteral("DriverVersion")));
        const std::optional<qint64> width = video.number(QStringLiteral("CurrentHorizontalResolution"));
        const std::optional<qint64> height = video.number(QStringLiteral("CurrentVerticalResolution"));
        if (width && height && *width > 0 && *height > 0)
            section.text(QStringLiteral("RESOLUTION"), QStringLiteral("%1x%2").arg(*width).arg(*height));
    }
}

void addMonitors(AgentDocument &document, const SectionInput &input)
{
    for (const ClassRow &monitor : input.rows("Win32_DesktopMonitor")) {
        Section &section = document.add(QStringLiteral("MONITORS"));
        const std::optional<qint64> week = monitor.number(QStringLiteral("WeekOfManufacture"));
        const std::optional<qint64> year = monitor.number(QStringLiteral("YearOfManufacture"));
        section.text(QStringLiteral("CAPTION"), monitor.text(QStringLiteral("Name")))
            .text(QStringLiteral("MANUFACTURER"), monitor.text(QStringLiteral("MonitorManufacturer")))
            .text(QStringLiteral("SERIAL"), monitor.text(QStringLiteral("SerialNumberID")))
            .text(QStringLiteral("TYPE"), monitor.text(QStringLiteral("ManufacturerName")) + monitor.text(QStringLiteral("ProductCodeID")));
        // Week and year of manufacture, as the stock agents describe a monitor.
        if (year)
            section.text(QStringLiteral("DESCRIPTION"), week && *week > 0 ? QStringLiteral("%1/%2").arg(*week).arg(*year) : QString::number(*year));
        // The device ID ends in the DRM connector whose EDID this is.
        const QString connector = monitor.text(QStringLiteral("PNPDeviceID")).section(QLatin1Char('\\'), -1);
        if (input.host && input.host->edids.contains(connector))
            section.longText(QStringLiteral("BASE64"), QString::fromLatin1(input.host->edids.value(connector).toBase64()));
    }
}

void addSounds(AgentDocument &document, const SectionInput &input)
{
    for (const ClassRow &sound : input.rows("Win32_SoundDevice"))
        document.add(QStringLiteral("SOUNDS"))
            .text(QStringLiteral("NAME"), sound.text(QStringLiteral("Name")))
            .text(QStringLiteral("MANUFACTURER"), sound.text(QStringLiteral("Manufacturer")))
            .text(QStringLiteral("DESCRIPTION"), sound.text(QStringLiteral("PNPDeviceID")).section(QLatin1Char('\\'), 0, 0));
}

// Every PCI function, as the stock agents list lspci's lines.
void addControllers(AgentDocument &document, const std::vector<ClassRow> &entities)
{
    static const QRegularExpression pciId(QStringLiteral("^PCI\\\\VEN_([0-9A-F]{4})&DEV_([0-9A-F]{4})(?:.*&REV_([0-9A-F]{2}))?.*\\\\(?:[0-9a-fA-F]{4}:)?([^\\\\]+)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression classId(QStringLiteral("^PCI\\\\CC_([0-9A-F]{2})([0-9A-F]{2})"), QRegularExpression::CaseInsensitiveOption);
    for (const ClassRow &entity : entities) {
        const QRegularExpressionMatch id = pciId.match(entity.text(QStringLiteral("PNPDeviceID")));
        if (!id.hasMatch())
            continue;
        QString type;
        for (const QString &compatible : entity.list(QStringLiteral("CompatibleID"))) {
            const QRegularExpressionMatch code = classId.match(compatible);
            if (!code.hasMatch())
                continue;
            const quint8 base = quint8(code.captured(1).toUInt(nullptr, 16));
            const quint8 sub = quint8(code.captured(2).toUInt(nullptr, 16));
            type = IdDatabase::instance().pciSubclass(base, sub).value_or(IdDatabase::instance().pciClass(base).value_or(QString()));
            break;
        }
        Section &section = document.add(QStringLiteral("CONTROLLERS"));
        section.text(QStringLiteral("NAME"), entity.text(QStringLiteral("Name")))
            .text(QStringLiteral("MANUFACTURER"), entity.text(QStringLiteral("Manufacturer")))
            .text(QStringLiteral("CAPTION"), entity.text(QStringLiteral("Caption")))
            .text(QStringLiteral("DESCRIPTION"), id.captured(4))
            .text(QStringLiteral("TYPE"), type)
            .text(QStringLiteral("VERSION"), id.captured(3).toLower())
            .text(QStringLiteral("DRIVER"), entity.text(QStringLiteral("Service")))
            .text(QStringLiteral("PCIID"), (id.captured(1) + QLatin1Char(':') + id.captured(2)).toLower())
            .text(QStringLiteral("PCISLOT"), id.captured(4));
    }
}

void addSlots(AgentDocument &document, const SectionInput &input)
{
    for (const ClassRow &slot : input.rows("Win32_SystemSlot")) {
        Section &section = document.add(QStringLiteral("SLOTS"));
        section.text(QStringLiteral("NAME"), slot.text(QStringLiteral("SlotDesignation")))
            .text(QStringLiteral("DESCRIPTION"), slot.text(QStringLiteral("Description")))
            .text(QStringLiteral("DESIGNATION"), slot.text(QStringLiteral("Number")))
            .text(QStringLiteral("STATUS"), slotUsageName(slot.number(QStringLiteral("CurrentUsage"))));
        if (const std::optional<bool> shared = slot.flag(QStringLiteral("Shared")))
            section.number(QStringLiteral("PSHARE"), *shared ? 1 : 0);
    }
}

void addPorts(AgentDocument &document, const SectionInput &input)
{
    for (const ClassRow &port : input.rows("Win32_PortConnector")) {
        const QString internal = port.text(QStringLiteral("InternalReferenceDesignator"));
        const QString external = port.text(QStringLiteral("ExternalReferenceDesignator"));
        document.add(QStringLiteral("PORTS"))
            .text(QStringLiteral("NAME"), internal.isEmpty() ? external : internal)
            .text(QStringLiteral("CAPTION"), external)
            .text(QStringLiteral("DESCRIPTION"), internal)
            .text(QStringLiteral("TYPE"), portTypeName(port.number(QStringLiteral("PortType"))));
    }
}

QString busOf(const ClassRow &device)
{
    const QString bus = device.text(QStringLiteral("PNPDeviceID")).section(QLatin1Char('\\'), 0, 0);
    if (bus == QLatin1String("ACPI") || bus == QLatin1String("PNP"))
        return QStringLiteral("PS/2");
    return bus;
}

void addInputs(AgentDocument &document, const SectionInput &input)
{
    for (const ClassRow &keyboard : input.rows("Win32_Keyboard"))
        document.add(QStringLiteral("INPUTS"))
            .text(QStringLiteral("TYPE"), QStringLiteral("Keyboard"))
            .text(QStringLiteral("CAPTION"), keyboard.text(QStringLiteral("Caption")))
            .text(QStringLiteral("DESCRIPTION"), keyboard.text(QStringLiteral("Description")))
            .text(QStringLiteral("MANUFACTURER"), keyboard.text(QStringLiteral("Manufacturer")))
            .text(QStringLiteral("INTERFACE"), busOf(keyboard));
    for (const ClassRow &pointer : input.rows("Win32_PointingDevice"))
        document.add(QStringLiteral("INPUTS"))
            .text(QStringLiteral("TYPE"), QStringLiteral("Pointing"))
            .text(QStringLiteral("CAPTION"), pointer.text(QStringLiteral("Caption")))
            .text(QStringLiteral("DESCRIPTION"), pointer.text(QStringLiteral("Description")))
            .text(QStringLiteral("MANUFACTURER"), pointer.text(QStringLiteral("Manufacturer")))
            .text(QStringLiteral("INTERFACE"), busOf(pointer))
            .text(QStringLiteral("POINTTYPE"), pointingTypeName(pointer.number(QStringLiteral("PointingType"))));
}

void addModems(AgentDocument &document, const SectionInput &input)
{
    for (const ClassRow &modem : input.rows("Win32_POTSModem"))
        document.add(QStringLiteral("MODEMS"))
            .text(QStringLiteral("NAME"), modem.text(QStringLiteral("Name")))
            .text(QStringLiteral("MODEL"), modem.text(QStringLiteral("Model")))
            .text(QStringLiteral("DESCRIPTION"), modem.text(QStringLiteral("Description")))
            .text(QStringLiteral("TYPE"), modem.text(QStringLiteral("DeviceType")));
}

void addPrinters(AgentDocument &document, const SectionInput &input)
{
    for (const ClassRow &printer : input.rows("Win32_Printer")) {
        Section &section = document.add(QStringLiteral("PRINTERS"));
        section.text(QStringLiteral("NAME"), printer.text(QStringLiteral("Name")))
            .text(QStringLiteral("DRIVER"), printer.text(QStringLiteral("DriverName")))
            .text(QStringLiteral("PORT"), printer.text(QStringLiteral("PortName")))
            .text(QStringLiteral("DESCRIPTION"), printer.text(QStringLiteral("Location")))
            .text(QStringLiteral("SERVERNAME"), printer.text(QStringLiteral("ServerName")))
            .text(QStringLiteral("SHARENAME"), printer.text(QStringLiteral("ShareName")));
        if (const std::optional<bool> shared = printer.flag(QStringLiteral("Shared")))
            section.number(QStringLiteral("SHARED"), *shared ? 1 : 0);
        if (const std::optional<bool> network = printer.flag(QStringLiteral("Network")))
            section.number(QStringLiteral("NETWORK"), *network ? 1 : 0);
        const std::optional<qint64> x = printer.number(QStringLiteral("HorizontalResolution"));
        const std::optional<qint64> y = printer.number(QStringLiteral("VerticalResolution"));
        if (x && y)
            section.text(QStringLiteral("RESOLUTION"), QStringLiteral("%1x%2").arg(*x).arg(*y));
    }
}

void addBatteries(AgentDocument &document, const SectionInput &input)
{
    // The firmware's record of a battery is its design; the kernel's is its
    // state. Both describe the same battery, so only one of them is sent.
    std::vector<ClassRow> batteries = input.rows("Win32_PortableBattery");
    if (batteries.empty())
        batteries = input.rows("Win32_Battery");
    for (const ClassRow &battery : batteries)
        document.add(QStringLiteral("BATTERIES"))
            .text(QStringLiteral("NAME"), battery.text(QStringLiteral("Name")))
            .text(QStringLiteral("MANUFACTURER"), battery.text(QStringLiteral("Manufacturer")))
            .text(QStringLiteral("LOCATION"), battery.text(QStringLiteral("Location")))
            .text(QStringLiteral("MANUFACTUREDATE"), battery.text(QStringLiteral("ManufactureDate")).left(8))
            .text(QStringLiteral("CHEMISTRY"), batteryChemistryName(battery.number(QStringLiteral("Chemistry"))))
            .number(QStringLiteral("DESIGNCAPACITY"), battery.number(QStringLiteral("DesignCapacity")))
            .number(QStringLiteral("DESIGNVOLTAGE"), battery.number(QStringLiteral("DesignVoltage")))
            .text(QStringLiteral("SBDSVERSION"), battery.text(QStringLiteral("SmartBatteryVersion")))
            .number(QStringLiteral("MAXERROR"), battery.number(QStringLiteral("MaxBatteryError")));
}

// USB devices, not their interfaces nor the hubs' own ports.
void addUsbDevices(AgentDocument &document, const std::vector<ClassRow> &entities)
{
    static const QRegularExpression usbId(QStringLiteral("^USB\\\\VID_[0-9A-F]{4}&PID_[0-9A-F]{4}\\\\(.*)$"), QRegularExpression::CaseInsensitiveOption);
    for (const ClassRow &entity : entities) {
        const QRegularExpressionMatch id = usbId.match(entity.text(QStringLiteral("PNPDeviceID")));
        if (!id.hasMatch())
            continue;
        // Windows makes up an instance id with "&" where a device has no serial.
        const QString instance = id.captured(1);
        document.add(QStringLiteral("USBDEVICES"))
            .text(QStringLiteral("DESCRIPTION"), entity.text(QStringLiteral("Name")))
            .text(QStringLiteral("MANUFACTURER"), entity.text(QStringLiteral("Manufacturer")))
            .text(QStringLiteral("SERIAL"), instance.contains(QLatin1Char('&')) ? QString() : instance)
            .text(QStringLiteral("INTERFACE"), QStringLiteral("USB"))
            .text(QStringLiteral("TYPE"), entity.text(QStringLiteral("PNPClass")));
    }
}

} // namespace

void addDeviceSections(AgentDocument &document, const SectionInput &input)
{
    addVideos(document, input);
    addMonitors(document, input);
    addSounds(document, input);
    // Every device of the machine, read once for the PCI and the USB ones.
    const std::vector<ClassRow> entities = input.rows("Win32_PNPEntity");
    addControllers(document, entities);
    addSlots(document, input);
    addPorts(document, input);
    addInputs(document, input);
    addModems(document, input);
    addPrinters(document, input);
    addBatteries(document, input);
    addUsbDevices(document, entities);
}

} // namespace report::ocs
