#include "Redaction.h"

#include "inventory/Catalogue.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace inventory::privacy {

namespace {

using snapshot::InventoryRecord;
using snapshot::RecordedClass;
using snapshot::RecordedInstance;
using snapshot::RecordedProperty;

// Properties whose whole value identifies the machine, its owner or a part.
bool identifies(const QString &className, const QString &name)
{
    static const QSet<QString> anyClass = {
        QStringLiteral("identifyingnumber"), QStringLiteral("uuid"), QStringLiteral("guid"),
        QStringLiteral("uniqueid"), QStringLiteral("assettag"), QStringLiteral("smbiosassettag"),
        QStringLiteral("macaddress"), QStringLiteral("permanentaddress"), QStringLiteral("networkaddresses"),
        QStringLiteral("systemname"), QStringLiteral("csname"), QStringLiteral("dnshostname"),
        QStringLiteral("servername"),
    };
    static const QSet<QString> computer = {
        QStringLiteral("name"), QStringLiteral("caption"), QStringLiteral("domain"), QStringLiteral("workgroup"),
        QStringLiteral("username"), QStringLiteral("primaryownername"), QStringLiteral("primaryownercontact"),
    };
    const QString lower = name.toLower();
    if (lower.contains(QLatin1String("serialnumber")) || anyClass.contains(lower))
        return true;
    if (lower.endsWith(QLatin1String("guid")) && lower != QLatin1String("classguid"))
        return true;
    return className.compare(ComputerClass, Qt::CaseInsensitive) == 0 && computer.contains(lower);
}

// Values firmware and drivers put where nobody filled a field in: replaced
// in their own property, but not hunted for elsewhere, where they are words.
bool isPlaceholder(const QString &text)
{
    static const QSet<QString> placeholders = {
        QStringLiteral("none"), QStringLiteral("not specified"), QStringLiteral("not available"),
        QStringLiteral("not applicable"), QStringLiteral("n/a"), QStringLiteral("na"), QStringLiteral("unknown"),
        QStringLiteral("to be filled by o.e.m."), QStringLiteral("default string"), QStringLiteral("default"),
        QStringLiteral("system serial number"), QStringLiteral("chassis serial number"),
        QStringLiteral("base board serial number"), QStringLiteral("serial number"), QStringLiteral("sernum"),
        QStringLiteral("0123456789"), QStringLiteral("123456789"), QStringLiteral("oem"), QStringLiteral("o.e.m."),
        QStringLiteral("invalid"), QStringLiteral("no asset tag"), QStringLiteral("no asset information"),
        QStringLiteral("asset tag"), QStringLiteral("workgroup"), QStringLiteral("empty"), QStringLiteral("null"),
    };
    QString word = text.toLower();
    while (word.endsWith(QLatin1Char('.')))
        word.chop(1);
    if (placeholders.contains(word) || placeholders.contains(word + QLatin1Char('.')))
        return true;
    // "00000000", "FFFF", "    ": a filler, not an identity.
    return std::all_of(text.begin(), text.end(), [&](QChar c) { return c == text.front(); });
}

// Shorter than this, a secret is replaced only as a whole word: a host
// called "PC" must not turn "PCI" into "[redacted]I".
constexpr qsizetype WordOnlyBelow = 8;
constexpr qsizetype ShortestSecret = 3;

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber();
}

QString replaceSecret(const QString &text, const QString &secret)
{
    const bool wordOnly = secret.size() < WordOnlyBelow;
    QString result;
    qsizetype from = 0;
    qsizetype at;
    while ((at = text.indexOf(secret, from, Qt::CaseInsensitive)) >= 0) {
        const qsizetype end = at + secret.size();
        if (wordOnly && ((at > 0 && isWordChar(text[at - 1])) || (end < text.size() && isWordChar(text[end])))) {
            result += QStringView(text).sliced(from, at + 1 - from);
            from = at + 1;
            continue;
        }
        result += QStringView(text).sliced(from, at - from);
        result += RedactedMarker;
        from = end;
    }
    if (from == 0)
        return text;
    result += QStringView(text).sliced(from);
    return result;
}

class Redactor
{
public:
    explicit Redactor(const InventoryRecord &record)
    {
        addSecret(record.hostName);
        for (const RecordedClass &recorded : record.classes)
            for (const RecordedInstance &instance : recorded.instances)
                for (const RecordedProperty &property : instance.properties) {
                    if (property.name.compare(QLatin1String("ClassGuid"), Qt::CaseInsensitive) == 0)
                        for (const QString &text : texts(property.value))
                            m_publicGuids.insert(text.toLower().remove(QLatin1Char('{')).remove(QLatin1Char('}')));
                    if (identifies(recorded.name, property.name))
                        for (const QString &text : texts(property.value))
                            addSecret(text);
                }
        // Longest first, so that a secret inside another does not split it.
        m_secrets = QStringList(m_secretSet.begin(), m_secretSet.end());
        std::sort(m_secrets.begin(), m_secrets.end(), [](const QString &a, const QString &b) {
            return a.size() != b.size() ? a.size() > b.size() : a < b;
        });
    }

    QStringList secrets() const { return m_secrets; }

    QString apply(const QString &text) const
    {
        if (text.isEmpty())
            return text;
        QString result = text;
        for (const QString &secret : m_secrets)
            result = replaceSecret(result, secret);
        static const QRegularExpression mac(QStringLiteral(
            "(?<![0-9A-Fa-f])[0-9A-Fa-f]{2}([:-])(?:[0-9A-Fa-f]{2}\\1){4}[0-9A-Fa-f]{2}(?![0-9A-Fa-f])"));
        result.replace(mac, RedactedMarker);
        static const QRegularExpression uuid(QStringLiteral(
            "[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}"));
        QString kept;
        qsizetype from = 0;
        for (auto it = uuid.globalMatch(result); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            kept += QStringView(result).sliced(from, match.capturedStart() - from);
            kept += m_publicGuids.contains(match.captured().toLower()) ? match.captured() : RedactedMarker;
            from = match.capturedEnd();
        }
        if (from == 0)
            return result;
        return kept + QStringView(result).sliced(from).toString();
    }

    Value apply(const Value &value) const
    {
        switch (value.kind()) {
        case Value::Kind::Text:
            return Value::text(apply(value.toText()));
        case Value::Kind::Array: {
            QStringList items = value.items();
            for (QString &item : items)
                item = apply(item);
            return Value::array(items);
        }
        default:
            return value;
        }
    }

private:
    static QStringList texts(const Value &value)
    {
        if (value.kind() == Value::Kind::Array)
            return value.items();
        if (value.kind() == Value::Kind::Text)
            return {value.toText()};
        return {};
    }

    void addSecret(const QString &raw)
    {
        const QString text = raw.trimmed();
        if (text.size() < ShortestSecret || isPlaceholder(text))
            return;
        m_secretSet.insert(text);
        // "DOMAIN\user" and "host.example.org" show up in parts, too.
        for (const QChar separator : {QLatin1Char('\\'), QLatin1Char('@')})
            if (text.contains(separator))
                for (const QString &part : text.split(separator, Qt::SkipEmptyParts))
                    addSecret(part);
        if (text.contains(QLatin1Char('.')) && !text.front().isDigit())
            addSecret(text.section(QLatin1Char('.'), 0, 0));
        // A MAC address written as the device ids write it: without separators.
        static const QRegularExpression mac(QStringLiteral("^[0-9A-Fa-f]{2}([:-])(?:[0-9A-Fa-f]{2}\\1){4}[0-9A-Fa-f]{2}$"));
        if (mac.match(text).hasMatch()) {
            QString bare = text;
            bare.remove(QLatin1Char(':')).remove(QLatin1Char('-'));
            addSecret(bare);
        }
    }

    QSet<QString> m_secretSet;
    QStringList m_secrets;
    QSet<QString> m_publicGuids;
};

void redactInstance(const Redactor &redactor, const QString &className, RecordedInstance &instance)
{
    // The computer's caption is its name, however short.
    const bool computer = className.compare(ComputerClass, Qt::CaseInsensitive) == 0;
    if (instance.caption && computer && instance.caption->kind() == Value::Kind::Text)
        instance.caption = Value::text(RedactedMarker);
    else if (instance.caption)
        instance.caption = redactor.apply(*instance.caption);
    if (instance.failure)
        instance.failure = redactor.apply(*instance.failure);
    for (RecordedProperty &property : instance.properties) {
        if (identifies(className, property.name)) {
            if (property.value.kind() == Value::Kind::Array) {
                QStringList items = property.value.items();
                std::fill(items.begin(), items.end(), RedactedMarker);
                property.value = Value::array(items);
            } else if (property.value.kind() == Value::Kind::Text) {
                property.value = Value::text(RedactedMarker);
            }
            continue;
        }
        property.value = redactor.apply(property.value);
    }
}

} // namespace

QStringList identifyingTexts(const InventoryRecord &record)
{
    return Redactor(record).secrets();
}

void redact(InventoryRecord &record)
{
    const Redactor redactor(record);
    if (!record.hostName.isEmpty())
        record.hostName = RedactedMarker;
    record.origin.location = redactor.apply(record.origin.location);
    for (RecordedClass &recorded : record.classes) {
        if (recorded.failure)
            recorded.failure->text = redactor.apply(recorded.failure->text);
        for (RecordedInstance &instance : recorded.instances)
            redactInstance(redactor, recorded.name, instance);
    }
}

} // namespace inventory::privacy
