#include "CaptureInventory.h"

#include "CaptureValue.h"

#include "inventory/Catalogue.h"
#include "inventory/Instrumentation.h"

#include <QFileInfo>

namespace inventory::capture {

namespace {

using snapshot::RecordedClass;
using snapshot::RecordedInstance;
using snapshot::RecordedProperty;

bool declaresCaption(const QString &className)
{
    const auto declared = snapshot::declaredProperties(className);
    // A class the table does not know is treated like the device classes.
    if (declared.empty())
        return true;
    return std::any_of(declared.begin(), declared.end(), [](const snapshot::DeclaredProperty &property) {
        return QLatin1String(property.name) == QLatin1String("Caption");
    });
}

RecordedInstance typedInstance(const QString &className, const CapturedClass &captured, const WmicRecord &record,
                               bool nameFile)
{
    RecordedInstance instance;
    instance.properties.reserve(record.fields.size());
    for (const WmicField &field : record.fields) {
        TypedValue typed;
        try {
            typed = typeCaptureValue(snapshot::declaredType(className, field.name), field.text);
        } catch (const Failure &failure) {
            const QString where = nameFile ? QFileInfo(captured.file).fileName() + QStringLiteral(": ") : QString();
            throw Failure(QStringLiteral("%1%2 of the record at line %3: %4")
                              .arg(where, field.name).arg(record.line).arg(failure.description()));
        }
        instance.properties.push_back({field.name, typed.type, typed.value});
    }
    if (declaresCaption(className)) {
        const WmicField *caption = record.field(u"Caption");
        instance.caption = caption && !caption->text.isEmpty() ? Value::text(caption->text) : Value::null();
    }
    return instance;
}

RecordedClass recordedClass(const QString &className, const CaptureSet &capture)
{
    RecordedClass recorded{className, {}, std::nullopt};
    const auto captured = capture.classes.constFind(className.toLower());
    if (captured == capture.classes.constEnd())
        return recorded;
    recorded.instances.reserve(captured->records.size());
    for (const WmicRecord &record : captured->records)
        recorded.instances.push_back(typedInstance(className, *captured, record, capture.files.size() > 1));
    return recorded;
}

// A computer with the one thing every device of the capture says about it.
RecordedClass namedComputer(const QString &hostName)
{
    RecordedClass computer{ComputerClass, {}, std::nullopt};
    if (hostName.isEmpty())
        return computer;
    const snapshot::WmiType string{snapshot::CimType::String, false};
    RecordedInstance instance;
    instance.caption = Value::text(hostName);
    instance.properties = {{QStringLiteral("Caption"), string, Value::text(hostName)},
                           {QStringLiteral("Name"), string, Value::text(hostName)}};
    computer.instances.push_back(std::move(instance));
    return computer;
}

// When the capture was taken, as near as the files tell: the newest of them.
QDateTime takenAt(const CaptureSet &capture)
{
    QDateTime newest;
    for (const QString &file : capture.files) {
        const QDateTime modified = QFileInfo(file).lastModified().toUTC();
        if (modified.isValid() && (!newest.isValid() || modified > newest))
            newest = modified;
    }
    return snapshot::wholeSeconds(newest);
}

} // namespace

snapshot::InventoryRecord inventoryFromCapture(const CaptureSet &capture, const QString &location)
{
    snapshot::InventoryRecord record;
    record.hostName = capture.hostName;
    record.taken = takenAt(capture);
    record.programVersion = QStringLiteral(VANTORIX_VERSION);
    record.origin = {CaptureOriginKind, location};
    if (capture.classes.contains(ComputerClass.toLower()))
        record.classes.push_back(recordedClass(ComputerClass, capture));
    else
        record.classes.push_back(namedComputer(capture.hostName));
    for (const QString &className : deviceCatalogue())
        record.classes.push_back(recordedClass(className, capture));
    return record;
}

snapshot::InventoryRecord readCaptureInventory(const QString &path)
{
    try {
        return inventoryFromCapture(readCapture(path), path);
    } catch (const Failure &failure) {
        throw Failure(QStringLiteral("Cannot open %1: %2").arg(path, failure.description()));
    }
}

} // namespace inventory::capture
