#include "report/ocs/AgentDocument.h"

#include <QXmlStreamWriter>

#include <algorithm>

namespace report::ocs {

namespace {

bool allowedInXml(char32_t c)
{
    // Unicode non-characters are allowed by XML but refused by stricter parsers.
    if ((c & 0xFFFE) == 0xFFFE || (c >= 0xFDD0 && c <= 0xFDEF))
        return false;
    return c == 0x09 || c == 0x0A || c == 0x0D || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0x10FFFF);
}

QString cleaned(const QString &text, qsizetype cap)
{
    QString out;
    out.reserve(std::min(text.size(), cap));
    bool pendingSpace = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(c)) {
            continue;
        }
        if (!allowedInXml(c) || c == 0x7F || (c >= 0x80 && c <= 0x9F))
            continue;
        if (QChar::isSpace(c)) {
            pendingSpace = !out.isEmpty();
            continue;
        }
        if (pendingSpace) {
            out.append(QLatin1Char(' '));
            pendingSpace = false;
        }
        out.append(QString::fromUcs4(&c, 1));
        if (out.size() >= cap)
            break;
    }
    // A cut may split a pair of surrogates; drop the half.
    if (out.size() > cap)
        out.truncate(cap);
    if (!out.isEmpty() && out.back().isHighSurrogate())
        out.chop(1);
    return out;
}

void writeSection(QXmlStreamWriter &xml, const Section &section)
{
    xml.writeStartElement(section.name());
    for (const Section::Field &field : section.fields())
        xml.writeTextElement(field.name, field.value);
    xml.writeEndElement();
}

} // namespace

QString cleanAgentText(const QString &text)
{
    return cleaned(text, std::numeric_limits<qsizetype>::max());
}

QString Section::value(const QString &name) const
{
    for (const Field &field : m_fields)
        if (field.name == name)
            return field.value;
    return {};
}

bool Section::has(const QString &name) const
{
    return std::any_of(m_fields.begin(), m_fields.end(), [&](const Field &field) { return field.name == name; });
}

void Section::set(const QString &name, const QString &value)
{
    for (Field &field : m_fields)
        if (field.name == name) {
            field.value = value;
            return;
        }
    m_fields.push_back({name, value});
}

Section &Section::text(const QString &name, const QString &value)
{
    const QString clean = cleaned(value, MaxText);
    if (!clean.isEmpty())
        set(name, clean);
    return *this;
}

Section &Section::longText(const QString &name, const QString &value)
{
    const QString clean = cleanAgentText(value);
    if (!clean.isEmpty())
        set(name, clean);
    return *this;
}

Section &Section::number(const QString &name, std::optional<qint64> value)
{
    if (value && *value >= 0)
        set(name, QString::number(*value));
    return *this;
}

Section &Section::requiredNumber(const QString &name, std::optional<qint64> value)
{
    set(name, QString::number(value && *value >= 0 ? *value : 0));
    return *this;
}

Section &AgentDocument::add(const QString &sectionName)
{
    m_sections.emplace_back(sectionName);
    return m_sections.back();
}

std::vector<const Section *> AgentDocument::all(const QString &sectionName) const
{
    std::vector<const Section *> found;
    for (const Section &section : m_sections)
        if (section.name() == sectionName)
            found.push_back(&section);
    return found;
}

const Section *AgentDocument::first(const QString &sectionName) const
{
    for (const Section &section : m_sections)
        if (section.name() == sectionName)
            return &section;
    return nullptr;
}

QByteArray inventoryRequest(const AgentDocument &document, const QString &deviceId)
{
    std::vector<const Section *> ordered;
    for (const Section &section : document.sections())
        ordered.push_back(&section);
    std::stable_sort(ordered.begin(), ordered.end(), [](const Section *a, const Section *b) { return a->name() < b->name(); });

    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("REQUEST"));
    xml.writeStartElement(QStringLiteral("CONTENT"));
    for (const Section *section : ordered)
        writeSection(xml, *section);
    xml.writeEndElement();
    xml.writeTextElement(QStringLiteral("DEVICEID"), cleanAgentText(deviceId));
    xml.writeTextElement(QStringLiteral("QUERY"), QStringLiteral("INVENTORY"));
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray prologRequest(const QString &deviceId)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("REQUEST"));
    xml.writeTextElement(QStringLiteral("DEVICEID"), cleanAgentText(deviceId));
    xml.writeTextElement(QStringLiteral("QUERY"), QStringLiteral("PROLOG"));
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

} // namespace report::ocs
