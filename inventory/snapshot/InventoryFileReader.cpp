#include "inventory/snapshot/InventoryFile.h"

#include "inventory/Catalogue.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QVarLengthArray>

#include <cmath>
#include <limits>

namespace inventory::snapshot::InventoryFile {

namespace {

[[noreturn]] void fail(const QString &where, const QString &what)
{
    throw Failure(where.isEmpty() ? what : where + QStringLiteral(": ") + what);
}

// Length of the valid UTF-8 sequence at bytes[i], 0 when it is not one
// (overlong forms, surrogates and code points above U+10FFFF included).
int utf8SequenceLength(const QByteArray &bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return k < bytes.size() ? static_cast<unsigned char>(bytes[k]) : 0u; };
    const unsigned lead = at(i);
    const auto continuation = [&](qsizetype k) { return (at(k) & 0xc0u) == 0x80u; };
    if (lead < 0x80)
        return 1;
    if (lead >= 0xc2 && lead <= 0xdf)
        return continuation(i + 1) ? 2 : 0;
    if (lead >= 0xe0 && lead <= 0xef) {
        const unsigned second = at(i + 1);
        if ((lead == 0xe0 && second < 0xa0) || (lead == 0xed && second > 0x9f))
            return 0;
        return continuation(i + 1) && continuation(i + 2) ? 3 : 0;
    }
    if (lead >= 0xf0 && lead <= 0xf4) {
        const unsigned second = at(i + 1);
        if ((lead == 0xf0 && second < 0x90) || (lead == 0xf4 && second > 0x8f))
            return 0;
        return continuation(i + 1) && continuation(i + 2) && continuation(i + 3) ? 4 : 0;
    }
    return 0;
}

// One pass before the parser sees the bytes: they must be UTF-8, and arrays
// and objects must not nest deeper than the format ever does by far.
void checkBytes(const QByteArray &bytes)
{
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (qsizetype i = 0; i < bytes.size();) {
        const char c = bytes[i];
        const int length = utf8SequenceLength(bytes, i);
        if (length == 0)
            fail(QString(), QStringLiteral("not valid UTF-8 (byte %1)").arg(i));
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > MaxNesting)
                fail(QString(), QStringLiteral("nested more than %1 levels deep (byte %2)").arg(MaxNesting).arg(i));
        } else if (c == ']' || c == '}') {
            --depth;
        }
        i += length;
    }
}

QString typeName(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Null: return QStringLiteral("null");
    case QJsonValue::Bool: return QStringLiteral("a Boolean");
    case QJsonValue::Double: return QStringLiteral("a number");
    case QJsonValue::String: return QStringLiteral("a string");
    case QJsonValue::Array: return QStringLiteral("an array");
    case QJsonValue::Object: return QStringLiteral("an object");
    default: return QStringLiteral("nothing");
    }
}

// Reads one object's members, complaining about missing, mistyped and
// unknown ones with the path to them.
class Members
{
public:
    Members(const QJsonValue &value, QString path) : m_path(std::move(path))
    {
        if (!value.isObject())
            fail(m_path, QStringLiteral("expected an object, found %1").arg(typeName(value)));
        m_object = value.toObject();
    }

    const QString &path() const { return m_path; }
    QString pathOf(const QString &name) const { return m_path.isEmpty() ? name : m_path + QLatin1Char('.') + name; }
    bool has(const QString &name) const { return m_object.contains(name); }

    QJsonValue any(const QString &name)
    {
        const auto found = m_object.constFind(name);
        if (found == m_object.constEnd())
            fail(m_path, QStringLiteral("\"%1\" is missing").arg(name));
        m_asked.append(name);
        return *found;
    }

    QString string(const QString &name)
    {
        const QJsonValue value = any(name);
        if (!value.isString())
            fail(pathOf(name), QStringLiteral("expected a string, found %1").arg(typeName(value)));
        return value.toString();
    }

    QJsonArray array(const QString &name)
    {
        const QJsonValue value = any(name);
        if (!value.isArray())
            fail(pathOf(name), QStringLiteral("expected an array, found %1").arg(typeName(value)));
        return value.toArray();
    }

    // Call once every member has been asked for.
    void noOthers() const
    {
        if (m_object.size() == m_asked.size())
            return;
        for (auto it = m_object.constBegin(); it != m_object.constEnd(); ++it) {
            if (!m_asked.contains(it.key()))
                fail(m_path, QStringLiteral("unknown member \"%1\"").arg(it.key().left(40)));
        }
    }

private:
    QString m_path;
    QJsonObject m_object;
    // Each member is asked for once at most, so counting them is enough.
    QVarLengthArray<QString, 6> m_asked;
};

QString indexed(const QString &path, qsizetype index)
{
    return QStringLiteral("%1[%2]").arg(path).arg(index);
}

bool isUnsigned(CimType cim)
{
    return cim == CimType::UInt8 || cim == CimType::UInt16 || cim == CimType::UInt32 || cim == CimType::UInt64;
}

bool isSigned(CimType cim)
{
    return cim == CimType::SInt8 || cim == CimType::SInt16 || cim == CimType::SInt32 || cim == CimType::SInt64;
}

// The text form of one value (an array item, or a scalar before it becomes a
// Value): checks the JSON kind and range the type asks for.
QString itemText(const QJsonValue &value, WmiType type, const QString &path)
{
    const auto expected = [&](const QString &what) -> QString {
        fail(path, QStringLiteral("expected %1 for %2, found %3").arg(what, type.name(), typeName(value)));
    };
    switch (type.cim) {
    case CimType::String:
    case CimType::DateTime:
    case CimType::Reference:
        if (!value.isString())
            expected(QStringLiteral("a string"));
        return value.toString();
    case CimType::Boolean:
        if (!value.isBool())
            expected(QStringLiteral("true or false"));
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case CimType::Real32:
    case CimType::Real64:
        if (value.isString()) {
            const QString word = value.toString();
            if (!type.isArray && word == QLatin1String("NaN"))
                return Value::real(std::numeric_limits<double>::quiet_NaN()).toText();
            if (!type.isArray && word == QLatin1String("Infinity"))
                return Value::real(std::numeric_limits<double>::infinity()).toText();
            if (!type.isArray && word == QLatin1String("-Infinity"))
                return Value::real(-std::numeric_limits<double>::infinity()).toText();
        }
        if (!value.isDouble())
            expected(QStringLiteral("a number"));
        return Value::real(value.toDouble()).toText();
    case CimType::UInt64:
    case CimType::SInt64: {
        static const QRegularExpression Unsigned(QStringLiteral("^(0|[1-9][0-9]{0,19})$"));
        static const QRegularExpression Signed(QStringLiteral("^(0|-?[1-9][0-9]{0,18})$"));
        if (!value.isString())
            expected(QStringLiteral("a decimal string"));
        const QString text = value.toString();
        bool ok = false;
        if (type.cim == CimType::UInt64) {
            if (Unsigned.match(text).hasMatch())
                text.toULongLong(&ok);
        } else if (Signed.match(text).hasMatch()) {
            text.toLongLong(&ok);
        }
        if (!ok)
            fail(path, QStringLiteral("\"%1\" is not a %2 in decimal").arg(text.left(40), type.name()));
        return text;
    }
    default: {
        if (!value.isDouble())
            expected(QStringLiteral("a whole number"));
        const double number = value.toDouble();
        double lowest = 0;
        double highest = 0;
        switch (type.cim) {
        case CimType::UInt8: highest = 255; break;
        case CimType::UInt16: highest = 65535; break;
        case CimType::UInt32: highest = 4294967295.0; break;
        case CimType::SInt8: lowest = -128; highest = 127; break;
        case CimType::SInt16: lowest = -32768; highest = 32767; break;
        default: lowest = -2147483648.0; highest = 2147483647.0; break;
        }
        if (number != std::floor(number) || number < lowest || number > highest)
            fail(path, QStringLiteral("%1 is not a %2").arg(Value::real(number).toText(), type.name()));
        return QString::number(qint64(number));
    }
    }
}

Value readValue(const QJsonValue &value, WmiType type, const QString &path)
{
    if (value.isNull())
        return Value::null();
    if (type.isArray) {
        if (!value.isArray())
            fail(path, QStringLiteral("expected an array for %1, found %2").arg(type.name(), typeName(value)));
        const QJsonArray array = value.toArray();
        QStringList items;
        items.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i)
            items.append(itemText(array.at(i), type, indexed(path, i)));
        return Value::array(items);
    }
    const QString text = itemText(value, type, path);
    switch (type.cim) {
    case CimType::Boolean:
        return Value::boolean(value.toBool());
    case CimType::Real32:
    case CimType::Real64:
        return value.isString() ? Value::real(text == QLatin1String("nan") ? std::numeric_limits<double>::quiet_NaN()
                                              : text.startsWith(QLatin1Char('-')) ? -std::numeric_limits<double>::infinity()
                                                                                  : std::numeric_limits<double>::infinity())
                                : Value::real(value.toDouble());
    default:
        if (isUnsigned(type.cim))
            return Value::unsignedInteger(text.toULongLong());
        if (isSigned(type.cim))
            return Value::integer(text.toLongLong());
        return Value::text(text);
    }
}

RecordedProperty readProperty(const QJsonValue &json, const QString &path)
{
    Members members(json, path);
    RecordedProperty property;
    property.name = members.string(QStringLiteral("name"));
    if (property.name.isEmpty())
        fail(members.pathOf(QStringLiteral("name")), QStringLiteral("a property needs a name"));
    const QString typeText = members.string(QStringLiteral("type"));
    const std::optional<WmiType> type = WmiType::fromName(typeText);
    if (!type)
        fail(members.pathOf(QStringLiteral("type")), QStringLiteral("unknown type \"%1\"").arg(typeText.left(40)));
    property.type = *type;
    property.value = readValue(members.any(QStringLiteral("value")), *type, members.pathOf(QStringLiteral("value")));
    members.noOthers();
    return property;
}

RecordedInstance readInstance(const QJsonValue &json, const QString &path)
{
    Members members(json, path);
    RecordedInstance instance;
    if (members.has(QStringLiteral("caption"))) {
        const QJsonValue caption = members.any(QStringLiteral("caption"));
        if (caption.isNull())
            instance.caption = Value::null();
        else if (caption.isString())
            instance.caption = Value::text(caption.toString());
        else
            fail(members.pathOf(QStringLiteral("caption")), QStringLiteral("expected a string or null, found %1").arg(typeName(caption)));
    }
    if (members.has(QStringLiteral("failure"))) {
        if (members.has(QStringLiteral("properties")))
            fail(path, QStringLiteral("an instance has properties or a failure, not both"));
        instance.failure = members.string(QStringLiteral("failure"));
    } else {
        const QJsonArray properties = members.array(QStringLiteral("properties"));
        instance.properties.reserve(std::size_t(properties.size()));
        const QString where = members.pathOf(QStringLiteral("properties"));
        for (qsizetype i = 0; i < properties.size(); ++i)
            instance.properties.push_back(readProperty(properties.at(i), indexed(where, i)));
    }
    members.noOthers();
    return instance;
}

RecordedClass readClass(const QJsonValue &json, const QString &path, const QSet<QString> &known)
{
    Members members(json, path);
    RecordedClass recorded;
    recorded.name = members.string(QStringLiteral("name"));
    if (!known.contains(recorded.name))
        fail(members.pathOf(QStringLiteral("name")), QStringLiteral("unknown class \"%1\"").arg(recorded.name.left(60)));
    const QJsonArray instances = members.array(QStringLiteral("instances"));
    recorded.instances.reserve(std::size_t(instances.size()));
    const QString where = members.pathOf(QStringLiteral("instances"));
    for (qsizetype i = 0; i < instances.size(); ++i)
        recorded.instances.push_back(readInstance(instances.at(i), indexed(where, i)));
    if (members.has(QStringLiteral("failure"))) {
        Members failure(members.any(QStringLiteral("failure")), members.pathOf(QStringLiteral("failure")));
        const QString at = failure.string(QStringLiteral("at"));
        EnumerationFailure::Where place = EnumerationFailure::Where::Query;
        if (at == QLatin1String("next"))
            place = EnumerationFailure::Where::Next;
        else if (at != QLatin1String("query"))
            fail(failure.pathOf(QStringLiteral("at")), QStringLiteral("expected \"query\" or \"next\""));
        if (place == EnumerationFailure::Where::Query && !recorded.instances.empty())
            fail(failure.path(), QStringLiteral("a class that failed at the query has no instances"));
        recorded.failure = EnumerationFailure{place, failure.string(QStringLiteral("text"))};
        failure.noOthers();
    }
    members.noOthers();
    return recorded;
}

// A time with its offset, or null for a time not known.
QDateTime readTime(const QJsonValue &value, const QString &path)
{
    if (!value.isString())
        fail(path, QStringLiteral("expected a date and time or null, found %1").arg(typeName(value)));
    const QString text = value.toString();
    const QDateTime taken = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!taken.isValid() || taken.timeSpec() == Qt::LocalTime)
        fail(path, QStringLiteral("expected a date and time with its UTC offset (ISO 8601), found \"%1\"").arg(text.left(40)));
    return taken.toUTC();
}

} // namespace

InventoryRecord fromJson(const QByteArray &input)
{
    if (input.size() > MaxBytes)
        fail(QString(), QStringLiteral("larger than %1 MB").arg(MaxBytes / (1024 * 1024)));
    // A byte-order mark from an editor is no reason to refuse a file.
    const QByteArray bytes = input.startsWith("\xef\xbb\xbf") ? input.mid(3) : input;
    checkBytes(bytes);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        fail(QString(), QStringLiteral("not JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset));
    if (!document.isObject())
        fail(QString(), QStringLiteral("not an inventory file: the top level is not an object"));

    Members top(document.object(), QString());
    if (!top.has(QStringLiteral("format")))
        fail(QString(), QStringLiteral("not an inventory file (it has no \"format\")"));
    const QJsonValue format = top.any(QStringLiteral("format"));
    if (format.toString() != FormatName)
        fail(QString(), QStringLiteral("not an inventory file (its format is %1, not \"%2\")")
                            .arg(format.isString() ? QLatin1Char('"') + format.toString().left(40) + QLatin1Char('"') : typeName(format),
                                 FormatName));
    const QJsonValue version = top.any(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != std::floor(version.toDouble()) || version.toDouble() < 1)
        fail(QStringLiteral("version"), QStringLiteral("expected a whole number from 1, found %1")
                                            .arg(version.isDouble() ? Value::real(version.toDouble()).toText() : typeName(version)));
    if (version.toDouble() > FormatVersion)
        fail(QString(), QStringLiteral("written in format version %1 by a newer Vantorix; this one reads version %2")
                            .arg(Value::real(version.toDouble()).toText())
                            .arg(FormatVersion));

    InventoryRecord record;
    record.programVersion = top.string(QStringLiteral("programVersion"));
    const QJsonValue taken = top.any(QStringLiteral("taken"));
    if (!taken.isNull())
        record.taken = readTime(taken, QStringLiteral("taken"));
    record.hostName = top.string(QStringLiteral("hostName"));
    Members source(top.any(QStringLiteral("source")), QStringLiteral("source"));
    record.origin.kind = source.string(QStringLiteral("kind"));
    record.origin.location = source.string(QStringLiteral("location"));
    source.noOthers();

    QSet<QString> known(QSet<QString>{ComputerClass});
    for (const QString &className : deviceCatalogue())
        known.insert(className);
    QSet<QString> seen;
    const QJsonArray classes = top.array(QStringLiteral("classes"));
    record.classes.reserve(std::size_t(classes.size()));
    for (qsizetype i = 0; i < classes.size(); ++i) {
        const QString path = indexed(QStringLiteral("classes"), i);
        RecordedClass recorded = readClass(classes.at(i), path, known);
        if (seen.contains(recorded.name))
            fail(path, QStringLiteral("class %1 appears twice").arg(recorded.name));
        seen.insert(recorded.name);
        record.classes.push_back(std::move(recorded));
    }
    top.noOthers();
    return record;
}

InventoryRecord read(const QString &path)
{
    try {
        const QFileInfo info(path);
        if (!info.exists())
            fail(QString(), QStringLiteral("no such file"));
        if (info.isDir())
            fail(QString(), QStringLiteral("it is a folder"));
        // A pipe or a device could block the reader or never end.
        if (!info.isFile())
            fail(QString(), QStringLiteral("not a regular file"));
        if (info.size() > MaxBytes)
            fail(QString(), QStringLiteral("larger than %1 MB").arg(MaxBytes / (1024 * 1024)));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            fail(QString(), file.errorString());
        // The file may grow after the size check; read no more than allowed.
        const QByteArray bytes = file.read(MaxBytes + 1);
        if (file.error() != QFileDevice::NoError)
            fail(QString(), file.errorString());
        return fromJson(bytes);
    } catch (const Failure &failure) {
        throw Failure(QStringLiteral("Cannot open %1: %2").arg(path, failure.description()));
    }
}

bool looksLikeInventory(const QByteArray &start)
{
    static const QRegularExpression Format(QStringLiteral("^\\s*\\{\\s*\"format\"\\s*:\\s*\"vantorix-inventory\""));
    QByteArray head = start.left(1024);
    if (head.startsWith("\xef\xbb\xbf"))
        head = head.mid(3);
    return Format.match(QString::fromUtf8(head)).hasMatch();
}

} // namespace inventory::snapshot::InventoryFile
