#include "inventory/snapshot/InventoryFile.h"

#include <QLocale>

#include <cmath>

namespace inventory::snapshot::InventoryFile {

namespace {

// Builds the file text. One property per line keeps files readable and easy
// to compare with line-based tools.
class JsonOut
{
public:
    QByteArray bytes;

    JsonOut &raw(const char *text)
    {
        bytes += text;
        return *this;
    }
    JsonOut &raw(const QByteArray &text)
    {
        bytes += text;
        return *this;
    }

    JsonOut &string(const QString &text)
    {
        static const char Hex[] = "0123456789abcdef";
        bytes += '"';
        const QByteArray utf8 = text.toUtf8();
        for (qsizetype i = 0; i < utf8.size(); ++i) {
            const char c = utf8[i];
            const auto u = static_cast<unsigned char>(c);
            // U+FEFF at the start of a string is taken for a byte order mark
            // and dropped by UTF-8 decoders (Qt's JSON reader among them);
            // escaped, it reads back as the character it is.
            if (u == 0xef && utf8.mid(i, 3) == "\xef\xbb\xbf") {
                bytes += "\\ufeff";
                i += 2;
                continue;
            }
            switch (c) {
            case '"': bytes += "\\\""; break;
            case '\\': bytes += "\\\\"; break;
            case '\n': bytes += "\\n"; break;
            case '\r': bytes += "\\r"; break;
            case '\t': bytes += "\\t"; break;
            default:
                if (u < 0x20) {
                    bytes += "\\u00";
                    bytes += Hex[u >> 4];
                    bytes += Hex[u & 0xf];
                } else {
                    bytes += c;
                }
            }
        }
        bytes += '"';
        return *this;
    }

    JsonOut &member(const char *name)
    {
        bytes += '"';
        bytes += name;
        bytes += "\": ";
        return *this;
    }
};

bool isSixtyFourBit(CimType cim)
{
    return cim == CimType::UInt64 || cim == CimType::SInt64;
}

bool isNumber(CimType cim)
{
    return cim != CimType::String && cim != CimType::DateTime && cim != CimType::Reference && cim != CimType::Boolean;
}

// The shortest text that reads back as the same number; JSON has no words
// for the values that are not numbers.
QByteArray realText(double number)
{
    if (std::isnan(number))
        return "\"NaN\"";
    if (std::isinf(number))
        return number > 0 ? "\"Infinity\"" : "\"-Infinity\"";
    return QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
}

// One value as its type says: 64-bit integers as decimal strings, other
// numbers as JSON numbers, Booleans as true/false, text as strings.
void writeValue(JsonOut &out, const Value &value, WmiType type)
{
    switch (value.kind()) {
    case Value::Kind::Null:
        out.raw("null");
        return;
    case Value::Kind::Boolean:
        out.raw(value.toText() == QLatin1String("True") ? "true" : "false");
        return;
    case Value::Kind::Real:
        out.raw(realText(value.toReal()));
        return;
    case Value::Kind::Array: {
        out.raw("[");
        const QStringList items = value.items();
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (i)
                out.raw(", ");
            if (type.cim == CimType::Boolean)
                out.raw(items[i] == QLatin1String("True") ? "true" : "false");
            else if (isNumber(type.cim) && !isSixtyFourBit(type.cim))
                out.raw(items[i].toLatin1());
            else
                out.string(items[i]);
        }
        out.raw("]");
        return;
    }
    case Value::Kind::Integer:
    case Value::Kind::Unsigned:
        if (isSixtyFourBit(type.cim))
            out.string(value.toText());
        else
            out.raw(value.toText().toLatin1());
        return;
    default:
        out.string(value.toText());
        return;
    }
}

void writeProperty(JsonOut &out, const RecordedProperty &property)
{
    // A record built by hand may pair a value with a type that cannot hold
    // it; the file then says the value's own type, so it stays valid.
    const WmiType type = fits(property.value, property.type) ? property.type : typeOfValue(property.value);
    out.raw("{").member("name").string(property.name).raw(", ");
    out.member("type").string(type.name()).raw(", ");
    out.member("value");
    writeValue(out, property.value, type);
    out.raw("}");
}

void writeInstance(JsonOut &out, const RecordedInstance &instance)
{
    out.raw("{");
    if (instance.caption) {
        out.member("caption");
        if (instance.caption->isNull())
            out.raw("null");
        else
            out.string(instance.caption->toText());
        out.raw(", ");
    }
    if (instance.failure) {
        out.member("failure").string(*instance.failure).raw("}");
        return;
    }
    out.member("properties").raw("[");
    for (std::size_t i = 0; i < instance.properties.size(); ++i) {
        out.raw(i ? ",\n        " : "\n        ");
        writeProperty(out, instance.properties[i]);
    }
    out.raw(instance.properties.empty() ? "]}" : "\n      ]}");
}

void writeClass(JsonOut &out, const RecordedClass &recorded)
{
    out.raw("{").member("name").string(recorded.name).raw(", ").member("instances").raw("[");
    for (std::size_t i = 0; i < recorded.instances.size(); ++i) {
        out.raw(i ? ",\n      " : "\n      ");
        writeInstance(out, recorded.instances[i]);
    }
    out.raw(recorded.instances.empty() ? "]" : "\n    ]");
    if (recorded.failure) {
        out.raw(", ").member("failure").raw("{").member("at");
        out.string(recorded.failure->where == EnumerationFailure::Where::Query ? QStringLiteral("query") : QStringLiteral("next"));
        out.raw(", ").member("text").string(recorded.failure->text).raw("}");
    }
    out.raw("}");
}

} // namespace

QByteArray toJson(const InventoryRecord &record)
{
    JsonOut out;
    out.raw("{\n  ").member("format").string(FormatName).raw(",\n  ");
    out.member("version").raw(QByteArray::number(FormatVersion)).raw(",\n  ");
    out.member("programVersion").string(record.programVersion).raw(",\n  ");
    out.member("taken");
    if (record.taken.isValid())
        out.string(record.taken.toUTC().toString(Qt::ISODate));
    else
        out.raw("null"); // not known
    out.raw(",\n  ");
    out.member("hostName").string(record.hostName).raw(",\n  ");
    out.member("source").raw("{").member("kind").string(record.origin.kind).raw(", ");
    out.member("location").string(record.origin.location).raw("},\n  ");
    out.member("classes").raw("[");
    for (std::size_t i = 0; i < record.classes.size(); ++i) {
        out.raw(i ? ",\n    " : "\n    ");
        writeClass(out, record.classes[i]);
    }
    out.raw(record.classes.empty() ? "]\n}\n" : "\n  ]\n}\n");
    return out.bytes;
}

} // namespace inventory::snapshot::InventoryFile
