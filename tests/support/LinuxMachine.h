#pragma once

#include "inventory/EventPump.h"
#include "inventory/linux/LinuxSource.h"
#include "inventory/modGetDevices.h"

#include <QMap>
#include <QStringList>

namespace testing {

// A machine below a root directory, asked the way the program asks:
// captions per class, and the properties of the device with a caption.
class LinuxMachine
{
public:
    explicit LinuxMachine(const QString &root)
        : m_devices(inventory::linuxsource::LinuxSource::instrumentation(root), m_pump), m_source(root) {}

    QStringList captions(const char *className) const { return m_devices.GetDeviceCaptions(QLatin1String(className)); }

    // The properties of the first device with this caption, by name.
    QMap<QString, QString> properties(const char *category, const QString &caption) const
    {
        QMap<QString, QString> map;
        for (const QString &pair : m_devices.GetDeviceProperties({QStringLiteral("PC"), QLatin1String(category), caption}))
            if (!map.contains(pair.section(QLatin1Char('^'), 0, 0)))
                map.insert(pair.section(QLatin1Char('^'), 0, 0), pair.section(QLatin1Char('^'), 1, 1));
        return map;
    }

    // Every instance of a class straight from the source, captions or not.
    std::vector<inventory::Instance> instances(const char *className)
    {
        std::vector<inventory::Instance> all;
        inventory::InstanceEnumeration enumeration = m_source.instancesOf(QLatin1String(className));
        while (std::optional<inventory::Instance> instance = enumeration.next())
            all.push_back(*instance);
        return all;
    }

private:
    inventory::NoEventPump m_pump;
    inventory::modGetDevices m_devices;
    inventory::linuxsource::LinuxSource m_source;
};

// A property of an instance by name, as text ("" when absent).
inline QString propertyText(const inventory::Properties &properties, const QString &name)
{
    for (const inventory::Property &property : properties)
        if (property.name == name)
            return property.value.toText();
    return {};
}

} // namespace testing
