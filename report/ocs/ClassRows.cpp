#include "report/ocs/ClassRows.h"

namespace report::ocs {

ClassRow::ClassRow(QString caption, const inventory::Properties &properties)
    : m_caption(std::move(caption))
{
    for (const inventory::Property &property : properties)
        if (!m_values.contains(property.name))
            m_values.insert(property.name, property.value);
}

QString ClassRow::text(const QString &name) const
{
    const inventory::Value value = m_values.value(name);
    if (value.kind() == inventory::Value::Kind::Array || !value.hasText())
        return {};
    return value.toText().trimmed();
}

std::optional<qint64> ClassRow::number(const QString &name) const
{
    const inventory::Value value = m_values.value(name);
    switch (value.kind()) {
    case inventory::Value::Kind::Integer:
    case inventory::Value::Kind::Unsigned:
    case inventory::Value::Kind::Text: {
        bool ok = false;
        const qint64 number = value.toText().trimmed().toLongLong(&ok);
        return ok ? std::optional<qint64>(number) : std::nullopt;
    }
    case inventory::Value::Kind::Real: {
        bool ok = false;
        const double number = value.toText().toDouble(&ok);
        if (!ok || number < -9e18 || number > 9e18)
            return std::nullopt;
        return qint64(number);
    }
    default:
        return std::nullopt;
    }
}

std::optional<bool> ClassRow::flag(const QString &name) const
{
    const inventory::Value value = m_values.value(name);
    if (value.kind() != inventory::Value::Kind::Boolean)
        return std::nullopt;
    return value.toText() == QLatin1String("True");
}

QStringList ClassRow::list(const QString &name) const
{
    const inventory::Value value = m_values.value(name);
    if (value.kind() == inventory::Value::Kind::Array)
        return value.toText().split(QLatin1Char(','), Qt::SkipEmptyParts);
    return value.hasText() ? QStringList{value.toText()} : QStringList();
}

std::vector<ClassRow> rowsOf(inventory::Service &service, const QString &className)
{
    std::vector<ClassRow> rows;
    try {
        inventory::InstanceEnumeration instances = service.instancesOf(className);
        for (;;) {
            std::optional<inventory::Instance> instance;
            try {
                instance = instances.next();
            } catch (const inventory::Failure &) {
                break;
            }
            if (!instance)
                break;
            try {
                const QString caption = instance->hasCaption() && instance->caption().hasText() ? instance->caption().toText() : QString();
                rows.emplace_back(caption, instance->properties());
            } catch (const inventory::Failure &) {
                continue;
            }
        }
    } catch (const inventory::Failure &) {
    }
    return rows;
}

} // namespace report::ocs
