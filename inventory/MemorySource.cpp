#include "MemorySource.h"

namespace inventory {

std::vector<MemorySource::Entry> &MemorySource::addClass(const QString &className)
{
    return m_classes[className];
}

MemorySource &MemorySource::add(const QString &className, const QString &caption, Properties properties)
{
    addClass(className).push_back({Value::text(caption), std::move(properties)});
    return *this;
}

void MemorySource::failEnumerationAfter(const QString &className, int instances)
{
    m_failAfter.insert(className, instances);
}

InstanceEnumeration MemorySource::instancesOf(const QString &className)
{
    const auto found = m_classes.constFind(className);
    if (found == m_classes.constEnd())
        throw Failure(QStringLiteral("Invalid class: %1").arg(className));
    const std::vector<Entry> entries = *found;
    const int failAfter = m_failAfter.value(className, -1);
    return InstanceEnumeration([this, entries, failAfter, index = 0]() mutable -> std::optional<Instance> {
        if (failAfter >= 0 && index >= failAfter)
            throw Failure(QStringLiteral("Enumeration failed"));
        if (index >= int(entries.size()))
            return std::nullopt;
        const Entry entry = entries[std::size_t(index++)];
        ++m_visited;
        Instance::Loader loader = [entry]() -> Properties {
            if (entry.failsToLoad)
                throw Failure(QStringLiteral("Instance cannot be read"));
            return entry.properties;
        };
        if (!entry.hasCaption)
            return Instance::withoutCaption(loader);
        return Instance(entry.caption, loader);
    });
}

Instrumentation MemorySource::instrumentation()
{
    // The source outlives the connections the tests make to it.
    return Instrumentation([this] { return std::shared_ptr<Service>(this, [](Service *) {}); });
}

} // namespace inventory
