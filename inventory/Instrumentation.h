#pragma once

#include "Value.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace inventory {

// A failure that carries the text the error box shows.
class Failure : public std::runtime_error
{
public:
    explicit Failure(const QString &description)
        : std::runtime_error(description.toStdString()) {}
    QString description() const { return QString::fromStdString(what()); }
};

struct Property
{
    QString name;
    Value value;
    bool operator==(const Property &) const = default;
};
using Properties = std::vector<Property>;

// One instance of a hardware class. Its caption is known when the class is
// enumerated; its properties are read only when somebody asks for them.
class Instance
{
public:
    using Loader = std::function<Properties()>;

    Instance(Value caption, Loader loader);
    // For association classes, which have no Caption at all.
    static Instance withoutCaption(Loader loader);

    bool hasCaption() const { return m_hasCaption; }
    // Throws Failure for a class without a Caption property.
    Value caption() const;
    // May throw Failure when the instance cannot be read any more.
    Properties properties() const;

private:
    Instance() = default;
    Value m_caption;
    bool m_hasCaption = true;
    Loader m_loader;
};

// The instances of one class, handed out one at a time. Stepping on may throw;
// the caller then stops with what it has.
class InstanceEnumeration
{
public:
    using Next = std::function<std::optional<Instance>()>;

    InstanceEnumeration() = default;
    explicit InstanceEnumeration(std::vector<Instance> instances);
    explicit InstanceEnumeration(Next next) : m_next(std::move(next)) {}

    std::optional<Instance> next();

private:
    Next m_next;
};

// A connection to a source of hardware instances (the machine itself, a
// fixture tree, a saved inventory).
class Service
{
public:
    virtual ~Service() = default;
    // Throws Failure when the class is unknown to the source.
    virtual InstanceEnumeration instancesOf(const QString &className) = 0;
};

// Opens connections. A lone query connects afresh and so sees the machine as
// it is now; the queries of one scan or one save share a connection (see
// QueryPass), which may keep what it has read until the run ends.
class Instrumentation
{
public:
    using Connector = std::function<std::shared_ptr<Service>()>;

    explicit Instrumentation(Connector connector) : m_connector(std::move(connector)) {}

    // Throws Failure when no service can be reached.
    std::shared_ptr<Service> connect() const;

private:
    Connector m_connector;
};

} // namespace inventory
