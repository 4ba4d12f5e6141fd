#include "modGetDevices.h"

namespace inventory {

const QString modGetDevices::ClassPrefix = QStringLiteral("Win32_");

namespace {
const QChar EntrySeparator = QLatin1Char('|');
const QChar PairSeparator = QLatin1Char('^');
}

QStringList splitResultList(QString joined)
{
    if (joined.endsWith(EntrySeparator))
        joined.chop(1);
    if (joined.isEmpty())
        return {};
    return joined.split(EntrySeparator);
}

void appendPropertyPairs(QString &joined, const Properties &properties)
{
    for (const Property &property : properties) {
        if (!property.value.hasText())
            continue;
        joined += property.name + PairSeparator + property.value.toText() + EntrySeparator;
    }
}

QStringList modGetDevices::GetDeviceCaptions(const QString &className) const
{
    QString joined;
    try {
        InstanceEnumeration instances = m_instrumentation.connect()->instancesOf(className);
        while (std::optional<Instance> instance = instances.next()) {
            try {
                joined += instance->caption().toText() + EntrySeparator;
            } catch (...) {
                // An instance whose caption cannot be read gives no entry.
            }
        }
    } catch (...) {
        // Unknown class, no service, or the enumeration broke off: keep what we have.
    }
    return splitResultList(joined);
}

QStringList modGetDevices::GetDeviceProperties(const QStringList &devicePath) const
{
    if (devicePath.size() < 3)
        return {};
    const QString &caption = devicePath.at(2);
    QString joined;
    try {
        InstanceEnumeration instances
            = m_instrumentation.connect()->instancesOf(ClassPrefix + devicePath.at(1));
        while (std::optional<Instance> instance = instances.next()) {
            m_pump.pump();
            try {
                const Value own = instance->caption();
                if (own.isNull() || own.toText() != caption)
                    continue;
                appendPropertyPairs(joined, instance->properties());
            } catch (...) {
                // This instance cannot be read; the next one follows.
            }
        }
    } catch (...) {
    }
    return splitResultList(joined);
}

} // namespace inventory
