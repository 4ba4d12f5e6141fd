#include "Value.h"

#include <QTimeZone>

namespace inventory {

Value Value::empty() { return Value(Storage(EmptyTag{})); }
Value Value::text(const QString &text) { return Value(Storage(text)); }
Value Value::integer(qint64 number) { return Value(Storage(number)); }
Value Value::unsignedInteger(quint64 number) { return Value(Storage(number)); }
Value Value::real(double number) { return Value(Storage(number)); }
Value Value::boolean(bool flag) { return Value(Storage(flag)); }
Value Value::array(const QStringList &items) { return Value(Storage(ArrayTag{items})); }

Value Value::dateTime(const QDateTime &when)
{
    if (!when.isValid())
        return null();
    return text(wmiDateTime(when));
}

Value::Kind Value::kind() const
{
    switch (m_storage.index()) {
    case 0: return Kind::Null;
    case 1: return Kind::Empty;
    case 2: return std::get<QString>(m_storage).isEmpty() ? Kind::Empty : Kind::Text;
    case 3: return Kind::Integer;
    case 4: return Kind::Unsigned;
    case 5: return Kind::Real;
    case 6: return Kind::Boolean;
    default: return Kind::Array;
    }
}

QStringList Value::items() const
{
    const ArrayTag *array = std::get_if<ArrayTag>(&m_storage);
    return array ? array->items : QStringList();
}

double Value::toReal() const
{
    const double *number = std::get_if<double>(&m_storage);
    return number ? *number : 0.0;
}

bool Value::hasText() const
{
    switch (kind()) {
    case Kind::Null:
    case Kind::Empty:
    case Kind::Array:
        return false;
    default:
        return true;
    }
}

QString Value::toText() const
{
    return std::visit([](const auto &v) -> QString {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, QString>)
            return v;
        else if constexpr (std::is_same_v<T, qint64> || std::is_same_v<T, quint64>)
            return QString::number(v);
        else if constexpr (std::is_same_v<T, double>)
            return QString::number(v, 'g', 15);
        else if constexpr (std::is_same_v<T, bool>)
            return v ? QStringLiteral("True") : QStringLiteral("False");
        else if constexpr (std::is_same_v<T, ArrayTag>)
            return v.items.join(QLatin1Char(','));
        else
            return QString();
    }, m_storage);
}

QString wmiDateTime(const QDateTime &when)
{
    const int offsetMinutes = when.offsetFromUtc() / 60;
    const QChar sign = offsetMinutes < 0 ? QLatin1Char('-') : QLatin1Char('+');
    return when.toString(QStringLiteral("yyyyMMddHHmmss")) + QLatin1Char('.')
        + QStringLiteral("%1").arg(when.time().msec() * 1000, 6, 10, QLatin1Char('0'))
        + sign + QStringLiteral("%1").arg(qAbs(offsetMinutes), 3, 10, QLatin1Char('0'));
}

} // namespace inventory
