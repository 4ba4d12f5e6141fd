#pragma once

#include "inventory/Instrumentation.h"
#include "inventory/snapshot/WmiType.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace inventory::snapshot {

// One machine's inventory, whatever it was read from: every class the scan
// asks about with every instance and every property as the source gave them,
// failures included, so that serving the record behaves as the source did.

struct RecordedProperty
{
    QString name;
    WmiType type;
    Value value;
    bool operator==(const RecordedProperty &) const = default;
};

struct RecordedInstance
{
    // Nothing when the class has no Caption (reading it fails); otherwise the
    // caption as given, Null included.
    std::optional<Value> caption;
    std::vector<RecordedProperty> properties;
    // Set when reading the instance's properties failed: the failure's text.
    // The properties are then empty.
    std::optional<QString> failure;
    bool operator==(const RecordedInstance &) const = default;
};

struct EnumerationFailure
{
    enum class Where {
        Query, // asking for the class failed: no instances at all
        Next,  // stepping on after the recorded instances failed
    };
    Where where = Where::Query;
    QString text;
    bool operator==(const EnumerationFailure &) const = default;
};

struct RecordedClass
{
    QString name;
    std::vector<RecordedInstance> instances; // in enumeration order
    std::optional<EnumerationFailure> failure;
    bool operator==(const RecordedClass &) const = default;
};

// What a record was read from.
struct Origin
{
    // "linux" (a machine below a root folder), "windows-capture",
    // "inventory-file", ...: a short word, free for new sources.
    QString kind;
    // The root folder, capture folder or file, as given.
    QString location;
    bool operator==(const Origin &) const = default;
};

struct InventoryRecord
{
    QString hostName;
    QDateTime taken; // UTC, in whole seconds as the file keeps it; invalid when not known
    QString programVersion;
    Origin origin;
    // The computer class first, then the catalogue's classes in its order.
    std::vector<RecordedClass> classes;

    // Nothing when the record does not hold the class.
    const RecordedClass *find(const QString &className) const;
    bool operator==(const InventoryRecord &) const = default;
};

// Walks the computer class and every catalogue class through the
// instrumentation, as the scan and the property queries do, and keeps all of
// it. The taken time is now, the program version this program's; the host
// name is the computer's (DNSHostName, else Name, else its caption). Never
// throws: what fails is recorded.
InventoryRecord takeRecord(const Instrumentation &instrumentation, const Origin &origin);

// A time in UTC without its milliseconds: what a record keeps, so that a
// record read back from its file is the record written.
QDateTime wholeSeconds(const QDateTime &when);

// The host name a record's computer class gives, as takeRecord finds it.
QString hostNameOf(const InventoryRecord &record);

// A source that serves a record: the same classes, instances, captions,
// properties and failures, in the same order. A class the record does not
// hold is unknown to it, as it is to every source.
Instrumentation recordInstrumentation(std::shared_ptr<const InventoryRecord> record);

} // namespace inventory::snapshot
