#include "Instrumentation.h"

namespace inventory {

Instance::Instance(Value caption, Loader loader)
    : m_caption(std::move(caption)), m_loader(std::move(loader))
{
}

Instance Instance::withoutCaption(Loader loader)
{
    Instance instance;
    instance.m_hasCaption = false;
    instance.m_loader = std::move(loader);
    return instance;
}

Value Instance::caption() const
{
    if (!m_hasCaption)
        throw Failure(QStringLiteral("Object doesn't support this property or method: Caption"));
    return m_caption;
}

Properties Instance::properties() const
{
    return m_loader ? m_loader() : Properties{};
}

InstanceEnumeration::InstanceEnumeration(std::vector<Instance> instances)
{
    auto shared = std::make_shared<std::vector<Instance>>(std::move(instances));
    m_next = [shared, index = std::size_t(0)]() mutable -> std::optional<Instance> {
        if (index >= shared->size())
            return std::nullopt;
        return (*shared)[index++];
    };
}

std::optional<Instance> InstanceEnumeration::next()
{
    return m_next ? m_next() : std::nullopt;
}

std::shared_ptr<Service> Instrumentation::connect() const
{
    std::shared_ptr<Service> service = m_connector ? m_connector() : nullptr;
    if (!service)
        throw Failure(QStringLiteral("The instrumentation service cannot be reached"));
    return service;
}

} // namespace inventory
