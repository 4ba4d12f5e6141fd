#pragma once

#include "inventory/Value.h"

#include <QString>

#include <optional>
#include <span>

namespace inventory::snapshot {

// The CIM types the hardware classes use.
enum class CimType : quint8 {
    String,
    Boolean,
    UInt8,
    UInt16,
    UInt32,
    UInt64,
    SInt8,
    SInt16,
    SInt32,
    SInt64,
    Real32,
    Real64,
    DateTime,
    Reference,
};

// A property's WMI type: a CIM type, alone or as an array.
//
// A value of each type is held as these Value kinds: strings, datetimes and
// references as text (Empty for ""), Booleans as Boolean, unsigned integers as
// Unsigned, signed ones as Integer, reals as Real; an array as Array, its
// items in their text form (decimal numbers, "True"/"False"). Any type may be
// Null.
struct WmiType
{
    CimType cim = CimType::String;
    bool isArray = false;

    bool operator==(const WmiType &) const = default;

    // "uint16", "string[]", "datetime", "reference", ... as inventory files write them.
    QString name() const;
    static std::optional<WmiType> fromName(const QString &name);
};

struct DeclaredProperty
{
    const char *name;
    WmiType type;
};

// Every property of a class in WMI's order, with its declared type; empty for
// a class the table does not know. Covers the catalogue and the computer class.
std::span<const DeclaredProperty> declaredProperties(const QString &className);

// The declared type of one property (names compare case-insensitively, as
// WMI's do); nothing when the table does not know the class or the property.
std::optional<WmiType> declaredType(const QString &className, const QString &propertyName);

// The type a value of this kind is given when nothing declares one: text is a
// string, numbers are 64-bit (sint64, uint64, real64), an array is string[].
WmiType typeOfValue(const Value &value);

// Whether the value can be written under the type and read back with the same
// text: the kind matches, numbers are in range, array items are the type's
// canonical text. Null fits every type.
bool fits(const Value &value, WmiType type);

// What a record keeps for a property: its declared type when the value fits
// it, otherwise the type of the value's own kind.
WmiType recordedType(const QString &className, const QString &propertyName, const Value &value);

} // namespace inventory::snapshot
