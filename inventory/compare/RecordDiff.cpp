#include "RecordDiff.h"

#include "LiveReadings.h"

#include "inventory/Catalogue.h"

#include <QHash>

#include <deque>

namespace inventory::compare {

namespace {

using snapshot::InventoryRecord;
using snapshot::RecordedClass;
using snapshot::RecordedInstance;
using snapshot::RecordedProperty;

// What tells devices of one caption apart, in order of preference.
constexpr const char *KeyProperties[] = {"DeviceID", "Tag", "PNPDeviceID"};

const RecordedProperty *findProperty(const RecordedInstance &instance, const QString &name)
{
    for (const RecordedProperty &property : instance.properties)
        if (property.name.compare(name, Qt::CaseInsensitive) == 0)
            return &property;
    return nullptr;
}

QString captionOf(const RecordedInstance &instance)
{
    if (!instance.caption)
        return QStringLiteral("(no caption)");
    return instance.caption->hasText() ? instance.caption->toText() : QString();
}

QString keyOf(const RecordedInstance &instance)
{
    for (const char *name : KeyProperties)
        if (const RecordedProperty *property = findProperty(instance, QString::fromLatin1(name));
            property && property->value.hasText())
            return property->value.toText();
    return {};
}

// Whether two values say the same. A number is the same number whether a
// source kept it signed or unsigned: the Linux source holds a uint32 as
// signed, an inventory file reads it back as its declared unsigned type.
bool sameValue(const Value &before, const Value &after)
{
    if (before == after)
        return true;
    const auto whole = [](const Value &value) {
        return value.kind() == Value::Kind::Integer || value.kind() == Value::Kind::Unsigned;
    };
    return whole(before) && whole(after) && before.toText() == after.toText();
}

// Devices of one caption on both sides, in enumeration order.
struct CaptionGroup
{
    std::vector<const RecordedInstance *> before;
    std::vector<const RecordedInstance *> after;
};

std::vector<PropertyChange> compareProperties(const QString &className, const RecordedInstance &before,
                                              const RecordedInstance &after, const DiffOptions &options)
{
    std::vector<PropertyChange> changes;
    auto wanted = [&](const QString &name) {
        return options.includeLiveReadings || !isLiveReading(className, name);
    };
    if (before.failure != after.failure)
        changes.push_back({QStringLiteral("(reading the properties)"),
                           Value::text(before.failure.value_or(QStringLiteral("worked"))),
                           Value::text(after.failure.value_or(QStringLiteral("worked")))});
    // The new side's order first, then what only the old side has.
    for (const RecordedProperty &property : after.properties) {
        if (!wanted(property.name))
            continue;
        const RecordedProperty *old = findProperty(before, property.name);
        if (!old)
            changes.push_back({property.name, std::nullopt, property.value});
        else if (!sameValue(old->value, property.value))
            changes.push_back({property.name, old->value, property.value});
    }
    for (const RecordedProperty &property : before.properties)
        if (wanted(property.name) && !findProperty(after, property.name))
            changes.push_back({property.name, property.value, std::nullopt});
    return changes;
}

CategoryDiff compareClass(const QString &className, const RecordedClass *before, const RecordedClass *after,
                          const DiffOptions &options)
{
    CategoryDiff diff;
    diff.className = className;
    auto failureText = [](const RecordedClass *recorded) {
        if (!recorded)
            return QStringLiteral("not recorded");
        return recorded->failure ? recorded->failure->text : QString();
    };
    if (failureText(before) != failureText(after))
        diff.failure = std::pair(failureText(before), failureText(after));

    QList<QString> order; // captions in first-seen order, so output is stable
    QHash<QString, CaptionGroup> groups;
    auto collect = [&](const RecordedClass *recorded, bool isAfter) {
        if (!recorded)
            return;
        for (const RecordedInstance &instance : recorded->instances) {
            const QString caption = captionOf(instance);
            auto found = groups.find(caption);
            if (found == groups.end()) {
                order.append(caption);
                found = groups.insert(caption, {});
            }
            (isAfter ? found->after : found->before).push_back(&instance);
        }
    };
    collect(before, false);
    collect(after, true);

    for (const QString &caption : std::as_const(order)) {
        CaptionGroup &group = groups[caption];
        const bool shared = group.before.size() > 1 || group.after.size() > 1;
        auto label = [&](const RecordedInstance *instance) {
            return DeviceLabel{caption, shared ? keyOf(*instance) : QString()};
        };
        std::vector<std::pair<const RecordedInstance *, const RecordedInstance *>> pairs;
        std::vector<const RecordedInstance *> oldLeft = group.before;
        std::vector<const RecordedInstance *> newLeft = group.after;
        QHash<const RecordedInstance *, QString> keys;
        if (shared) {
            // Same key first: a hash from key to the new side's devices keeps
            // a thousand devices of one caption quick.
            QHash<QString, std::deque<std::size_t>> newByKey; // in enumeration order
            for (std::size_t i = 0; i < newLeft.size(); ++i) {
                const QString key = keys[newLeft[i]] = keyOf(*newLeft[i]);
                if (!key.isEmpty())
                    newByKey[key].push_back(i);
            }
            for (const RecordedInstance *&old : oldLeft) {
                const QString key = keys[old] = keyOf(*old);
                const auto found = newByKey.find(key);
                if (key.isEmpty() || found == newByKey.end() || found->empty())
                    continue;
                const std::size_t i = found->front();
                found->pop_front();
                pairs.emplace_back(old, newLeft[i]);
                old = nullptr;
                newLeft[i] = nullptr;
            }
        }
        // What is left pairs up in enumeration order, unless both sides have
        // keys: those differ, so the devices do. Two cursors that only move
        // forward: the first device left, and the first one left without a key.
        std::size_t nextAny = 0;
        std::size_t nextUnkeyed = 0;
        auto unkeyed = [&](std::size_t i) { return newLeft[i] && keys.value(newLeft[i]).isEmpty(); };
        for (const RecordedInstance *old : oldLeft) {
            if (!old)
                continue;
            while (nextAny < newLeft.size() && !newLeft[nextAny])
                ++nextAny;
            while (nextUnkeyed < newLeft.size() && !unkeyed(nextUnkeyed))
                ++nextUnkeyed;
            const std::size_t i = keys.value(old).isEmpty() ? nextAny : nextUnkeyed;
            if (i == newLeft.size()) {
                diff.removed.push_back(label(old));
                continue;
            }
            pairs.emplace_back(old, newLeft[i]);
            newLeft[i] = nullptr;
        }
        for (const RecordedInstance *now : newLeft)
            if (now)
                diff.added.push_back(label(now));
        for (const auto &[old, now] : pairs) {
            std::vector<PropertyChange> changes = compareProperties(className, *old, *now, options);
            if (!changes.empty())
                diff.changed.push_back({label(now), std::move(changes)});
        }
    }
    return diff;
}

QString labelText(const DeviceLabel &label)
{
    const QString caption = label.caption.isEmpty() ? QStringLiteral("(empty caption)") : label.caption;
    return label.key.isEmpty() ? caption : QStringLiteral("%1 [%2]").arg(caption, label.key);
}

QString categoryTitle(const QString &className)
{
    return className == ComputerClass ? QStringLiteral("Computer") : categoryText(className);
}

} // namespace

RecordDiff compareRecords(const InventoryRecord &before, const InventoryRecord &after, const DiffOptions &options)
{
    RecordDiff diff;
    QStringList classes{ComputerClass};
    classes += deviceCatalogue();
    // Classes a record holds beyond the catalogue still count.
    for (const InventoryRecord *record : {&before, &after})
        for (const RecordedClass &recorded : record->classes)
            if (!classes.contains(recorded.name))
                classes.append(recorded.name);
    for (const QString &className : std::as_const(classes)) {
        const RecordedClass *old = before.find(className);
        const RecordedClass *now = after.find(className);
        if (!old && !now)
            continue;
        CategoryDiff category = compareClass(className, old, now, options);
        if (!category.isEmpty())
            diff.categories.push_back(std::move(category));
    }
    return diff;
}

QString diffValueText(const std::optional<Value> &value)
{
    if (!value)
        return QStringLiteral("(absent)");
    switch (value->kind()) {
    case Value::Kind::Null:
        return QStringLiteral("Null");
    case Value::Kind::Empty:
        return QStringLiteral("\"\"");
    case Value::Kind::Array:
        return QLatin1Char('{') + value->items().join(QLatin1Char(',')) + QLatin1Char('}');
    default:
        return value->toText();
    }
}

QString diffText(const RecordDiff &diff, const QString &beforeTitle, const QString &afterTitle)
{
    QString text = QStringLiteral("--- %1\n+++ %2\n").arg(beforeTitle, afterTitle);
    qsizetype added = 0;
    qsizetype removed = 0;
    qsizetype changed = 0;
    for (const CategoryDiff &category : diff.categories) {
        text += QLatin1Char('\n') + categoryTitle(category.className) + QLatin1Char('\n');
        if (category.failure) {
            auto shown = [](const QString &failure) { return failure.isEmpty() ? QStringLiteral("read") : failure; };
            text += QStringLiteral("  ! %1 -> %2\n").arg(shown(category.failure->first), shown(category.failure->second));
        }
        for (const DeviceLabel &label : category.removed)
            text += QStringLiteral("  - %1\n").arg(labelText(label));
        for (const DeviceLabel &label : category.added)
            text += QStringLiteral("  + %1\n").arg(labelText(label));
        for (const ChangedDevice &device : category.changed) {
            text += QStringLiteral("  ~ %1\n").arg(labelText(device.label));
            for (const PropertyChange &change : device.changes)
                text += QStringLiteral("      %1: %2 -> %3\n")
                            .arg(change.name, diffValueText(change.before), diffValueText(change.after));
        }
        added += qsizetype(category.added.size());
        removed += qsizetype(category.removed.size());
        changed += qsizetype(category.changed.size());
    }
    if (diff.isEmpty())
        text += QStringLiteral("\nNo differences.\n");
    else
        text += QStringLiteral("\n%1 added, %2 removed, %3 changed.\n").arg(added).arg(removed).arg(changed);
    return text;
}

} // namespace inventory::compare
