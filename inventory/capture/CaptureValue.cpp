#include "CaptureValue.h"

#include "WmicArray.h"

#include <QLocale>

#include <limits>

namespace inventory::capture {

namespace {

using snapshot::CimType;
using snapshot::WmiType;

template <typename T>
std::optional<quint64> unsignedIn(const QString &text)
{
    bool ok = false;
    const qulonglong number = text.toULongLong(&ok, 10);
    // toULongLong takes a leading minus sign and wraps; WMI never prints one.
    if (!ok || text.startsWith(QLatin1Char('-')) || number > std::numeric_limits<T>::max())
        return std::nullopt;
    return number;
}

template <typename T>
std::optional<qint64> signedIn(const QString &text)
{
    bool ok = false;
    const qlonglong number = text.toLongLong(&ok, 10);
    if (!ok || number < std::numeric_limits<T>::min() || number > std::numeric_limits<T>::max())
        return std::nullopt;
    return number;
}

// One scalar under its CIM type, or nothing when the text does not fit it.
std::optional<Value> scalar(CimType cim, const QString &text)
{
    auto asUnsigned = [](std::optional<quint64> n) { return n ? std::optional(Value::unsignedInteger(*n)) : std::nullopt; };
    auto asSigned = [](std::optional<qint64> n) { return n ? std::optional(Value::integer(*n)) : std::nullopt; };
    switch (cim) {
    case CimType::String:
    case CimType::DateTime:
    case CimType::Reference:
        return text.isEmpty() ? Value::empty() : Value::text(text);
    case CimType::Boolean:
        if (text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0)
            return Value::boolean(true);
        if (text.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0)
            return Value::boolean(false);
        return std::nullopt;
    case CimType::UInt8: return asUnsigned(unsignedIn<quint8>(text));
    case CimType::UInt16: return asUnsigned(unsignedIn<quint16>(text));
    case CimType::UInt32: return asUnsigned(unsignedIn<quint32>(text));
    case CimType::UInt64: return asUnsigned(unsignedIn<quint64>(text));
    case CimType::SInt8: return asSigned(signedIn<qint8>(text));
    case CimType::SInt16: return asSigned(signedIn<qint16>(text));
    case CimType::SInt32: return asSigned(signedIn<qint32>(text));
    case CimType::SInt64: return asSigned(signedIn<qint64>(text));
    case CimType::Real32:
    case CimType::Real64: {
        bool ok = false;
        const double number = QLocale::c().toDouble(text, &ok);
        return ok ? std::optional(Value::real(number)) : std::nullopt;
    }
    }
    return std::nullopt;
}

// The text an array keeps for an item: the value's own text form, so that
// numbers and Booleans read the same whatever the capture's spelling.
QString itemText(const Value &value)
{
    return value.hasText() ? value.toText() : QString();
}

} // namespace

TypedValue typeCaptureValue(std::optional<WmiType> declared, const QString &text)
{
    const WmiType string{CimType::String, false};
    if (text.isEmpty())
        return {declared.value_or(string), Value::null()};
    if (!declared)
        return {string, Value::text(text)};
    if (!declared->isArray) {
        if (auto value = scalar(declared->cim, text))
            return {*declared, *value};
        // A number outside its declared type (Windows 7 prints the uint32
        // disk Signature as a negative number) stays the number it says.
        if (auto number = scalar(CimType::UInt64, text))
            return {snapshot::typeOfValue(*number), *number};
        if (auto number = scalar(CimType::SInt64, text))
            return {snapshot::typeOfValue(*number), *number};
        return {string, Value::text(text)};
    }
    const std::optional<QStringList> items = splitWmicArray(text);
    if (!items)
        return {string, Value::text(text)};
    QStringList typed;
    typed.reserve(items->size());
    for (const QString &item : *items) {
        const std::optional<Value> value = scalar(declared->cim, item);
        if (!value)
            return {WmiType{CimType::String, true}, Value::array(*items)};
        typed.append(itemText(*value));
    }
    return {*declared, Value::array(typed)};
}

} // namespace inventory::capture
