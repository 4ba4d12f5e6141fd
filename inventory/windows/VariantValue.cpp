#include "VariantValue.h"

#include "ComHandles.h"

#include <optional>

namespace inventory::windowssource {

namespace {

// The number a VARIANT holds, whatever its automation type; text is parsed,
// since 64-bit integers travel as text.
std::optional<qint64> signedOf(VARTYPE type, const void *data)
{
    switch (type) {
    case VT_I1: return *static_cast<const signed char *>(data);
    case VT_UI1: return *static_cast<const unsigned char *>(data);
    case VT_I2: return *static_cast<const SHORT *>(data);
    case VT_UI2: return *static_cast<const USHORT *>(data);
    case VT_I4:
    case VT_INT: return *static_cast<const LONG *>(data);
    case VT_UI4:
    case VT_UINT: return *static_cast<const ULONG *>(data);
    case VT_I8: return *static_cast<const LONGLONG *>(data);
    case VT_UI8: return qint64(*static_cast<const ULONGLONG *>(data));
    case VT_BSTR: {
        bool ok = false;
        const qint64 number = fromBstr(*static_cast<const BSTR *>(data)).trimmed().toLongLong(&ok);
        return ok ? std::optional(number) : std::nullopt;
    }
    default: return std::nullopt;
    }
}

std::optional<quint64> unsignedOf(VARTYPE type, const void *data, int bits)
{
    if (type == VT_BSTR) {
        bool ok = false;
        const quint64 number = fromBstr(*static_cast<const BSTR *>(data)).trimmed().toULongLong(&ok);
        return ok ? std::optional(number) : std::nullopt;
    }
    const std::optional<qint64> number = signedOf(type, data);
    if (!number)
        return std::nullopt;
    // A uint32 above 2^31 arrives as a negative VT_I4: the bits are right,
    // only their reading was signed.
    const quint64 mask = bits >= 64 ? ~quint64(0) : (quint64(1) << bits) - 1;
    return quint64(*number) & mask;
}

std::optional<double> realOf(VARTYPE type, const void *data)
{
    switch (type) {
    case VT_R4: return *static_cast<const float *>(data);
    case VT_R8: return *static_cast<const double *>(data);
    default: {
        const std::optional<qint64> number = signedOf(type, data);
        return number ? std::optional(double(*number)) : std::nullopt;
    }
    }
}

int unsignedBits(CIMTYPE type)
{
    switch (type) {
    case CIM_UINT8: return 8;
    case CIM_UINT16: return 16;
    case CIM_UINT32: return 32;
    default: return 64;
    }
}

// Anything the CIM type does not explain is read by its automation type.
Value byAutomationType(VARTYPE type, const void *data)
{
    switch (type) {
    case VT_EMPTY:
    case VT_NULL: return Value::null();
    case VT_BSTR: return Value::text(fromBstr(*static_cast<const BSTR *>(data)));
    case VT_BOOL: return Value::boolean(*static_cast<const VARIANT_BOOL *>(data) != VARIANT_FALSE);
    case VT_R4:
    case VT_R8: return Value::real(*realOf(type, data));
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_UINT: return Value::unsignedInteger(*unsignedOf(type, data, 64));
    default: {
        const std::optional<qint64> number = signedOf(type, data);
        return number ? Value::integer(*number) : Value::null();
    }
    }
}

// One scalar: a plain VARIANT's payload or one element of an array.
Value scalarOf(VARTYPE type, const void *data, CIMTYPE cimType)
{
    if (type == VT_EMPTY || type == VT_NULL)
        return Value::null();
    switch (cimType) {
    case CIM_SINT8:
    case CIM_SINT16:
    case CIM_SINT32:
    case CIM_SINT64:
        if (const std::optional<qint64> number = signedOf(type, data))
            return Value::integer(*number);
        break;
    case CIM_UINT8:
    case CIM_UINT16:
    case CIM_UINT32:
    case CIM_UINT64:
        if (const std::optional<quint64> number = unsignedOf(type, data, unsignedBits(cimType)))
            return Value::unsignedInteger(*number);
        break;
    case CIM_REAL32:
    case CIM_REAL64:
        if (const std::optional<double> number = realOf(type, data))
            return Value::real(*number);
        break;
    case CIM_BOOLEAN:
        if (type == VT_BOOL)
            return Value::boolean(*static_cast<const VARIANT_BOOL *>(data) != VARIANT_FALSE);
        break;
    case CIM_CHAR16:
        if (const std::optional<qint64> number = signedOf(type, data); number && type != VT_BSTR)
            return Value::text(QString(QChar(char16_t(*number))));
        break;
    case CIM_OBJECT:
        return Value::null();
    default:
        break;
    }
    // Strings, datetimes and references are text; a value that does not fit
    // its declared type is shown as it came rather than lost.
    return byAutomationType(type, data);
}

// Each element in its own text form, as an array of that many items.
Value arrayOf(const VARIANT &value, CIMTYPE elementType)
{
    SAFEARRAY *array = V_ARRAY(&value);
    if (!array || SafeArrayGetDim(array) != 1)
        return Value::null();
    const VARTYPE elementVt = V_VT(&value) & VT_TYPEMASK;
    LONG lower = 0;
    LONG upper = -1;
    if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper)))
        return Value::null();
    void *raw = nullptr;
    if (FAILED(SafeArrayAccessData(array, &raw)))
        return Value::null();
    QStringList items;
    const auto *bytes = static_cast<const char *>(raw);
    const UINT size = SafeArrayGetElemsize(array);
    for (LONG i = 0; i <= upper - lower; ++i) {
        if (elementVt == VT_VARIANT) {
            const auto &element = *reinterpret_cast<const VARIANT *>(bytes + qsizetype(i) * size);
            items.append(valueOf(element, elementType).toText());
        } else {
            items.append(scalarOf(elementVt, bytes + qsizetype(i) * size, elementType).toText());
        }
    }
    SafeArrayUnaccessData(array);
    return Value::array(items);
}

} // namespace

Value valueOf(const VARIANT &value, CIMTYPE type)
{
    const VARTYPE vt = V_VT(&value);
    if (vt & VT_ARRAY)
        return arrayOf(value, type & ~CIM_FLAG_ARRAY);
    if (vt & VT_BYREF)
        return Value::null();
    // The payload starts at the same place for every automation type.
    return scalarOf(vt, &V_UI1(&value), type & ~CIM_FLAG_ARRAY);
}

} // namespace inventory::windowssource
