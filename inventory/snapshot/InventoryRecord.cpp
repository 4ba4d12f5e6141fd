#include "inventory/snapshot/InventoryRecord.h"

#include "inventory/Catalogue.h"
#include "inventory/StepRunner.h"

#include <QHash>

namespace inventory::snapshot {

namespace {

QString failureText()
{
    return StepRunner::describe(std::current_exception());
}

RecordedInstance recordInstance(const QString &className, const Instance &instance)
{
    RecordedInstance recorded;
    if (instance.hasCaption())
        recorded.caption = instance.caption();
    try {
        const Properties properties = instance.properties();
        recorded.properties.reserve(properties.size());
        for (const Property &property : properties)
            recorded.properties.push_back({property.name, recordedType(className, property.name, property.value), property.value});
    } catch (...) {
        recorded.properties.clear();
        recorded.failure = failureText();
    }
    return recorded;
}

// One class walked as modGetDevices walks it: connect, ask, step on until the
// end or the first failure.
RecordedClass recordClass(const Instrumentation &instrumentation, const QString &className)
{
    RecordedClass recorded{className, {}, std::nullopt};
    auto where = EnumerationFailure::Where::Query;
    try {
        InstanceEnumeration instances = instrumentation.connect()->instancesOf(className);
        where = EnumerationFailure::Where::Next;
        while (std::optional<Instance> instance = instances.next())
            recorded.instances.push_back(recordInstance(className, *instance));
    } catch (...) {
        recorded.failure = EnumerationFailure{where, failureText()};
    }
    return recorded;
}

const RecordedProperty *findProperty(const RecordedInstance &instance, const QString &name)
{
    for (const RecordedProperty &property : instance.properties) {
        if (property.name.compare(name, Qt::CaseInsensitive) == 0)
            return &property;
    }
    return nullptr;
}

class RecordService final : public Service
{
public:
    struct Served
    {
        std::shared_ptr<const InventoryRecord> record;
        QHash<QString, const RecordedClass *> byName;
    };

    explicit RecordService(std::shared_ptr<const Served> served) : m_served(std::move(served)) {}

    InstanceEnumeration instancesOf(const QString &className) override
    {
        const RecordedClass *recorded = m_served->byName.value(className);
        if (!recorded)
            throw Failure(QStringLiteral("Invalid class: %1").arg(className));
        if (recorded->failure && recorded->failure->where == EnumerationFailure::Where::Query)
            throw Failure(recorded->failure->text);
        // The enumeration keeps the record alive as long as it is walked.
        return InstanceEnumeration([served = m_served, recorded, index = std::size_t(0)]() mutable -> std::optional<Instance> {
            if (index >= recorded->instances.size()) {
                if (recorded->failure)
                    throw Failure(recorded->failure->text);
                return std::nullopt;
            }
            const RecordedInstance *instance = &recorded->instances[index++];
            Instance::Loader loader = [served, instance]() -> Properties {
                if (instance->failure)
                    throw Failure(*instance->failure);
                Properties properties;
                properties.reserve(instance->properties.size());
                for (const RecordedProperty &property : instance->properties)
                    properties.push_back({property.name, property.value});
                return properties;
            };
            if (!instance->caption)
                return Instance::withoutCaption(std::move(loader));
            return Instance(*instance->caption, std::move(loader));
        });
    }

private:
    std::shared_ptr<const Served> m_served;
};

} // namespace

const RecordedClass *InventoryRecord::find(const QString &className) const
{
    for (const RecordedClass &recorded : classes) {
        if (recorded.name == className)
            return &recorded;
    }
    return nullptr;
}

QDateTime wholeSeconds(const QDateTime &when)
{
    return when.isValid() ? QDateTime::fromSecsSinceEpoch(when.toSecsSinceEpoch(), Qt::UTC) : QDateTime();
}

QString hostNameOf(const InventoryRecord &record)
{
    const RecordedClass *computer = record.find(ComputerClass);
    if (!computer || computer->instances.empty())
        return QString();
    const RecordedInstance &first = computer->instances.front();
    for (const QString &name : {QStringLiteral("DNSHostName"), QStringLiteral("Name")}) {
        const RecordedProperty *property = findProperty(first, name);
        if (property && property->value.hasText())
            return property->value.toText();
    }
    return first.caption ? first.caption->toText() : QString();
}

InventoryRecord takeRecord(const Instrumentation &instrumentation, const Origin &origin)
{
    InventoryRecord record;
    record.taken = wholeSeconds(QDateTime::currentDateTimeUtc());
    record.programVersion = QStringLiteral(VANTORIX_VERSION);
    record.origin = origin;
    const QStringList catalogue = deviceCatalogue();
    record.classes.reserve(std::size_t(catalogue.size()) + 1);
    record.classes.push_back(recordClass(instrumentation, ComputerClass));
    for (const QString &className : catalogue)
        record.classes.push_back(recordClass(instrumentation, className));
    record.hostName = hostNameOf(record);
    return record;
}

Instrumentation recordInstrumentation(std::shared_ptr<const InventoryRecord> record)
{
    auto served = std::make_shared<RecordService::Served>();
    for (const RecordedClass &recorded : record->classes)
        served->byName.insert(recorded.name, &recorded);
    served->record = std::move(record);
    std::shared_ptr<const RecordService::Served> shared = std::move(served);
    return Instrumentation([shared] { return std::make_shared<RecordService>(shared); });
}

} // namespace inventory::snapshot
