#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <variant>

namespace inventory {

// A property value with the kinds the device queries tell apart: Null, empty,
// text, number, Boolean and array. Numbers keep their signedness so 64-bit
// counters and sizes print exactly.
class Value
{
public:
    enum class Kind { Null, Empty, Text, Integer, Unsigned, Real, Boolean, Array };

    Value() = default; // Null

    static Value null() { return {}; }
    static Value empty();
    static Value text(const QString &text);
    static Value integer(qint64 number);
    static Value unsignedInteger(quint64 number);
    static Value real(double number);
    static Value boolean(bool flag);
    static Value array(const QStringList &items);
    // WMI datetime text: yyyymmddHHMMSS.ffffff+UUU (offset in minutes).
    static Value dateTime(const QDateTime &when);

    Kind kind() const;
    bool isNull() const { return kind() == Kind::Null; }
    // The items of an array; nothing for any other kind.
    QStringList items() const;
    // The number of a Real, exactly; 0 for any other kind.
    double toReal() const;

    // What a property listing shows; Null, empty and arrays have no text form.
    bool hasText() const;
    // Numbers in decimal (C locale), Booleans "True"/"False", arrays joined
    // with "," for diagnostics only.
    QString toText() const;

    bool operator==(const Value &other) const = default;

private:
    struct EmptyTag { bool operator==(const EmptyTag &) const = default; };
    struct ArrayTag { QStringList items; bool operator==(const ArrayTag &) const = default; };
    using Storage = std::variant<std::monostate, EmptyTag, QString, qint64, quint64, double, bool, ArrayTag>;

    explicit Value(Storage storage) : m_storage(std::move(storage)) {}
    Storage m_storage;
};

QString wmiDateTime(const QDateTime &when);

} // namespace inventory
