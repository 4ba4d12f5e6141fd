#include "inventory/snapshot/WmiType.h"

#include "inventory/snapshot/WmiTypeTable.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <limits>

namespace inventory::snapshot {

namespace {

struct TypeName
{
    CimType cim;
    const char *name;
};

constexpr std::array<TypeName, 14> TypeNames{{
    {CimType::String, "string"},
    {CimType::Boolean, "boolean"},
    {CimType::UInt8, "uint8"},
    {CimType::UInt16, "uint16"},
    {CimType::UInt32, "uint32"},
    {CimType::UInt64, "uint64"},
    {CimType::SInt8, "sint8"},
    {CimType::SInt16, "sint16"},
    {CimType::SInt32, "sint32"},
    {CimType::SInt64, "sint64"},
    {CimType::Real32, "real32"},
    {CimType::Real64, "real64"},
    {CimType::DateTime, "datetime"},
    {CimType::Reference, "reference"},
}};

const QLatin1StringView ArraySuffix("[]");

// The declared classes by name, and their properties by lower-case name.
struct Index
{
    QHash<QString, const DeclaredClass *> classes;
    QHash<QString, QHash<QString, WmiType>> types;

    Index()
    {
        for (std::size_t i = 0; i < DeclaredClassCount; ++i) {
            const DeclaredClass &declared = DeclaredClasses[i];
            const QString name = QString::fromLatin1(declared.name);
            classes.insert(name, &declared);
            QHash<QString, WmiType> &byName = types[name];
            for (const DeclaredProperty &property : declared.properties)
                byName.insert(QString::fromLatin1(property.name).toLower(), property.type);
        }
    }

    static const Index &instance()
    {
        static const Index index;
        return index;
    }
};

bool isUnsigned(CimType cim)
{
    return cim == CimType::UInt8 || cim == CimType::UInt16 || cim == CimType::UInt32 || cim == CimType::UInt64;
}

bool isSigned(CimType cim)
{
    return cim == CimType::SInt8 || cim == CimType::SInt16 || cim == CimType::SInt32 || cim == CimType::SInt64;
}

bool isReal(CimType cim)
{
    return cim == CimType::Real32 || cim == CimType::Real64;
}

bool isTextual(CimType cim)
{
    return cim == CimType::String || cim == CimType::DateTime || cim == CimType::Reference;
}

quint64 unsignedMaximum(CimType cim)
{
    switch (cim) {
    case CimType::UInt8: return std::numeric_limits<quint8>::max();
    case CimType::UInt16: return std::numeric_limits<quint16>::max();
    case CimType::UInt32: return std::numeric_limits<quint32>::max();
    default: return std::numeric_limits<quint64>::max();
    }
}

qint64 signedMaximum(CimType cim)
{
    switch (cim) {
    case CimType::SInt8: return std::numeric_limits<qint8>::max();
    case CimType::SInt16: return std::numeric_limits<qint16>::max();
    case CimType::SInt32: return std::numeric_limits<qint32>::max();
    default: return std::numeric_limits<qint64>::max();
    }
}

bool unsignedFits(quint64 number, CimType cim)
{
    return number <= unsignedMaximum(cim);
}

bool signedFits(qint64 number, CimType cim)
{
    return number <= signedMaximum(cim) && number >= -signedMaximum(cim) - 1;
}

// An array item: its text must be what a value of the element type prints.
bool itemFits(const QString &item, CimType cim)
{
    if (isTextual(cim))
        return true;
    if (cim == CimType::Boolean)
        return item == QLatin1String("True") || item == QLatin1String("False");
    bool ok = false;
    if (isUnsigned(cim)) {
        const quint64 number = item.toULongLong(&ok);
        return ok && unsignedFits(number, cim) && QString::number(number) == item;
    }
    if (isSigned(cim)) {
        const qint64 number = item.toLongLong(&ok);
        return ok && signedFits(number, cim) && QString::number(number) == item;
    }
    const double number = item.toDouble(&ok);
    return ok && qIsFinite(number) && Value::real(number).toText() == item;
}

} // namespace

QString WmiType::name() const
{
    for (const TypeName &type : TypeNames) {
        if (type.cim == cim)
            return QLatin1String(type.name) + (isArray ? ArraySuffix : QLatin1StringView());
    }
    return QString();
}

std::optional<WmiType> WmiType::fromName(const QString &text)
{
    QStringView name(text);
    WmiType type;
    if (name.endsWith(ArraySuffix)) {
        type.isArray = true;
        name.chop(ArraySuffix.size());
    }
    for (const TypeName &known : TypeNames) {
        if (name == QLatin1String(known.name)) {
            type.cim = known.cim;
            return type;
        }
    }
    return std::nullopt;
}

std::span<const DeclaredProperty> declaredProperties(const QString &className)
{
    const DeclaredClass *declared = Index::instance().classes.value(className);
    if (!declared)
        return {};
    return {declared->properties.begin(), declared->properties.size()};
}

std::optional<WmiType> declaredType(const QString &className, const QString &propertyName)
{
    const auto &types = Index::instance().types;
    const auto byName = types.constFind(className);
    if (byName == types.constEnd())
        return std::nullopt;
    const auto found = byName->constFind(propertyName.toLower());
    if (found == byName->constEnd())
        return std::nullopt;
    return *found;
}

WmiType typeOfValue(const Value &value)
{
    switch (value.kind()) {
    case Value::Kind::Integer: return {CimType::SInt64, false};
    case Value::Kind::Unsigned: return {CimType::UInt64, false};
    case Value::Kind::Real: return {CimType::Real64, false};
    case Value::Kind::Boolean: return {CimType::Boolean, false};
    case Value::Kind::Array: return {CimType::String, true};
    default: return {CimType::String, false};
    }
}

bool fits(const Value &value, WmiType type)
{
    const Value::Kind kind = value.kind();
    if (kind == Value::Kind::Null)
        return true;
    if (type.isArray) {
        if (kind != Value::Kind::Array)
            return false;
        const QStringList items = value.items();
        return std::all_of(items.cbegin(), items.cend(), [&](const QString &item) { return itemFits(item, type.cim); });
    }
    switch (kind) {
    case Value::Kind::Empty:
    case Value::Kind::Text:
        return isTextual(type.cim);
    case Value::Kind::Boolean:
        return type.cim == CimType::Boolean;
    case Value::Kind::Real:
        return isReal(type.cim);
    case Value::Kind::Unsigned: {
        const quint64 number = value.toText().toULongLong();
        return (isUnsigned(type.cim) && unsignedFits(number, type.cim))
            || (isSigned(type.cim) && number <= quint64(signedMaximum(type.cim)));
    }
    case Value::Kind::Integer: {
        const qint64 number = value.toText().toLongLong();
        return (isSigned(type.cim) && signedFits(number, type.cim))
            || (isUnsigned(type.cim) && number >= 0 && unsignedFits(quint64(number), type.cim));
    }
    default:
        return false;
    }
}

WmiType recordedType(const QString &className, const QString &propertyName, const Value &value)
{
    const std::optional<WmiType> declared = declaredType(className, propertyName);
    if (declared && fits(value, *declared))
        return *declared;
    return typeOfValue(value);
}

} // namespace inventory::snapshot
