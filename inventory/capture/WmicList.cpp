#include "WmicList.h"

#include "inventory/Instrumentation.h"

#include <QSet>

namespace inventory::capture {

namespace {

// WMI property names are identifiers, and far shorter than this.
constexpr qsizetype MaxNameLength = 256;
// How much of a bad line a message quotes.
constexpr qsizetype QuotedLength = 60;

bool isPropertyName(QStringView name)
{
    if (name.isEmpty() || name.size() > MaxNameLength)
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        if (!letter && !(i > 0 && c >= '0' && c <= '9'))
            return false;
    }
    return true;
}

QString quoted(QStringView line)
{
    QString shown = line.left(QuotedLength).toString();
    if (line.size() > QuotedLength)
        shown += QStringLiteral("...");
    for (QChar &c : shown)
        if (!c.isPrint())
            c = QLatin1Char('?');
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

// wmic's list format escapes "&" for XML and never unescapes it again.
QString withoutXmlArtefact(QStringView value)
{
    QString text = value.toString();
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

} // namespace

const WmicField *WmicRecord::field(QStringView name) const
{
    for (const WmicField &f : fields)
        if (f.name.compare(name, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

std::vector<WmicRecord> parseWmicList(QStringView text)
{
    std::vector<WmicRecord> records;
    std::optional<WmicRecord> current;
    QSet<QString> names;
    int lineNumber = 0;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        QStringView line = text.sliced(start, end - start);
        start = end + 1;
        ++lineNumber;
        // wmic ends lines with CRLF, and with CR CR LF once redirected.
        while (line.endsWith(QLatin1Char('\r')))
            line.chop(1);

        if (line.trimmed().isEmpty()) {
            if (current) {
                records.push_back(std::move(*current));
                current.reset();
            }
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QStringView name = equals < 0 ? QStringView() : line.first(equals);
        if (!isPropertyName(name))
            throw Failure(QStringLiteral("line %1 is not a Name=Value line: %2").arg(lineNumber).arg(quoted(line)));
        if (!current) {
            current.emplace();
            current->line = lineNumber;
            names.clear();
        }
        const QString key = name.toString().toLower();
        if (names.contains(key))
            throw Failure(QStringLiteral("line %1 repeats the property %2 within one record")
                              .arg(lineNumber).arg(name.toString()));
        names.insert(key);
        current->fields.push_back({name.toString(), withoutXmlArtefact(line.sliced(equals + 1))});
    }
    if (current)
        records.push_back(std::move(*current));
    return records;
}

} // namespace inventory::capture
