#include "modGetDevices.h"

namespace inventory {

const QString modGetDevices::ClassPrefix = QStringLiteral("Win32_");

namespace {
const QChar PairSeparator = QLatin1Char('^');

// Throws when the instance has no caption at all.
std::optional<QString> captionText(const Instance &instance)
{
    const Value own = instance.caption();
    if (own.isNull())
        return std::nullopt;
    return own.toText();
}
} // namespace

QStringList resultList(QStringList entries)
{
    if (entries.size() == 1 && entries.constFirst().isEmpty())
        return {};
    return entries;
}

void appendPropertyPairs(QStringList &pairs, const Properties &properties)
{
    for (const Property &property : properties) {
        if (!property.value.hasText())
            continue;
        pairs.append(property.name + PairSeparator + property.value.toText());
    }
}

std::shared_ptr<Service> modGetDevices::connect(QueryPass &pass) const
{
    if (!pass.m_service)
        pass.m_service = m_instrumentation.connect();
    return pass.m_service;
}

QStringList splitPropertyPair(const QString &pair)
{
    const qsizetype separator = pair.indexOf(PairSeparator);
    if (separator < 0)
        return {pair};
    return {pair.left(separator), pair.mid(separator + 1)};
}

QStringList modGetDevices::GetDeviceCaptions(const QString &className) const
{
    QueryPass once;
    return GetDeviceCaptions(className, once);
}

QStringList modGetDevices::GetDeviceCaptions(const QString &className, QueryPass &pass) const
{
    QStringList captions;
    try {
        InstanceEnumeration instances = connect(pass)->instancesOf(className);
        while (std::optional<Instance> instance = instances.next()) {
            try {
                captions.append(instance->caption().toText());
            } catch (...) {
                // An instance whose caption cannot be read gives no entry.
            }
        }
    } catch (...) {
        // Unknown class, no service, or the enumeration broke off: keep what we have.
    }
    return resultList(captions);
}

QStringList modGetDevices::GetDeviceProperties(const QStringList &devicePath) const
{
    if (devicePath.size() < 3)
        return {};
    const QString &caption = devicePath.at(2);
    QStringList pairs;
    try {
        InstanceEnumeration instances
            = m_instrumentation.connect()->instancesOf(ClassPrefix + devicePath.at(1));
        while (std::optional<Instance> instance = instances.next()) {
            m_pump.pump();
            try {
                if (captionText(*instance) != caption)
                    continue;
                appendPropertyPairs(pairs, instance->properties());
            } catch (...) {
                // This instance cannot be read; the next one follows.
            }
        }
    } catch (...) {
    }
    return resultList(pairs);
}

QStringList modGetDevices::GetDeviceProperties(const QStringList &devicePath, ClassCache &cache) const
{
    if (devicePath.size() < 3)
        return {};
    const QString className = ClassPrefix + devicePath.at(1);
    auto found = cache.m_classes.find(className);
    if (found == cache.m_classes.end())
        found = cache.m_classes.insert(className, enumerateByCaption(className, cache.m_pass));
    const auto group = found->find(devicePath.at(2));
    if (group == found->end())
        return {};
    if (group->answer)
        return *group->answer;

    QStringList pairs;
    for (const Instance &instance : group->instances) {
        try {
            appendPropertyPairs(pairs, instance.properties());
        } catch (...) {
            // This instance cannot be read; the next one follows.
        }
    }
    QStringList answer = resultList(pairs);
    if (group->instances.size() > 1)
        group->answer = answer;
    return answer;
}

// One walk of the class, exactly as the uncached query walks it (one pump per
// instance, unreadable captions and Null captions never match), keeping the
// instances by caption in the order they came.
ClassCache::ByCaption modGetDevices::enumerateByCaption(const QString &className, QueryPass &pass) const
{
    ClassCache::ByCaption byCaption;
    try {
        InstanceEnumeration instances = connect(pass)->instancesOf(className);
        while (std::optional<Instance> instance = instances.next()) {
            m_pump.pump();
            try {
                if (const std::optional<QString> caption = captionText(*instance))
                    byCaption[*caption].instances.push_back(std::move(*instance));
            } catch (...) {
                // A class without captions has no devices to look up.
            }
        }
    } catch (...) {
        // Unknown class, no service, or the enumeration broke off: keep what we have.
    }
    return byCaption;
}

} // namespace inventory
