#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace report::ocs {

// One section of an OCS Inventory agent document (HARDWARE, one of the
// MEMORIES, ...): element names with text, in the order they were set. Values
// are cleaned on the way in, so a document holds nothing the server would
// refuse.
class Section
{
public:
    struct Field
    {
        QString name;
        QString value;
    };

    explicit Section(QString name) : m_name(std::move(name)) {}

    const QString &name() const { return m_name; }
    const std::vector<Field> &fields() const { return m_fields; }
    // The field's value, empty when it was never set.
    QString value(const QString &name) const;
    bool has(const QString &name) const;

    // Text: control characters and unpaired surrogates dropped, spaces
    // folded, at most MaxText characters. Empty text is not set.
    Section &text(const QString &name, const QString &value);
    // Long text kept whole (the EDID in base64).
    Section &longText(const QString &name, const QString &value);
    // Whole numbers, set only when known and not negative.
    Section &number(const QString &name, std::optional<qint64> value);
    // A number the server writes into its SQL unquoted: always set, 0 when unknown.
    Section &requiredNumber(const QString &name, std::optional<qint64> value);

    static constexpr qsizetype MaxText = 255;

private:
    void set(const QString &name, const QString &value);
    QString m_name;
    std::vector<Field> m_fields;
};

// The content of an inventory: the sections in the order they were added.
class AgentDocument
{
public:
    Section &add(const QString &sectionName);
    const std::vector<Section> &sections() const { return m_sections; }
    std::vector<const Section *> all(const QString &sectionName) const;
    // The first section of that name, or null.
    const Section *first(const QString &sectionName) const;

private:
    std::vector<Section> m_sections;
};

// Text an XML 1.0 document may hold: no control characters other than tab,
// no unpaired surrogates, no non-characters; runs of white space folded.
QString cleanAgentText(const QString &text);

// The requests of the protocol as UTF-8 XML, before compression. Sections are
// written in name order, as the stock agents write them.
QByteArray inventoryRequest(const AgentDocument &document, const QString &deviceId);
QByteArray prologRequest(const QString &deviceId);

} // namespace report::ocs
