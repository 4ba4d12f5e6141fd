#include "fleet/ServerAnswer.h"

#include "fleet/Compression.h"

#include <QXmlStreamReader>

namespace fleet {

namespace {

// Limits for what is kept from an answer; beyond them it is not a server's.
constexpr int MaxDepth = 16;
constexpr int MaxAccountFields = 64;
constexpr qsizetype MaxValue = 255;

QString clip(const QString &text)
{
    QString out;
    for (const QChar c : text.trimmed())
        if (c.isPrint() || c == QLatin1Char(' '))
            out.append(c);
    return out.left(MaxValue);
}

// One ACCOUNTINFO element: KEYNAME and KEYVALUE in either order.
std::optional<std::pair<QString, QString>> readAccountField(QXmlStreamReader &xml)
{
    QString key, value;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("KEYNAME"))
            key = clip(xml.readElementText(QXmlStreamReader::SkipChildElements));
        else if (xml.name() == QLatin1String("KEYVALUE"))
            value = clip(xml.readElementText(QXmlStreamReader::SkipChildElements));
        else
            xml.skipCurrentElement();
    }
    if (key.isEmpty())
        return std::nullopt;
    return std::pair{key, value};
}

} // namespace

ParsedAnswer parseServerAnswer(const QByteArray &body)
{
    ParsedAnswer parsed;
    if (body.isEmpty()) {
        parsed.error = QStringLiteral("the answer was empty");
        return parsed;
    }
    if (body.size() > MaxAnswerBytes) {
        parsed.error = QStringLiteral("the answer was larger than %1 bytes").arg(MaxAnswerBytes);
        return parsed;
    }
    const std::optional<QByteArray> text = decodeAnswerBody(body, MaxAnswerBytes);
    if (!text) {
        parsed.error = QStringLiteral("the answer could not be read as zlib, gzip or XML of at most %1 bytes").arg(MaxAnswerBytes);
        return parsed;
    }

    QXmlStreamReader xml(*text);
    ServerAnswer answer;
    bool sawReply = false;
    int depth = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::DTD) {
            parsed.error = QStringLiteral("the answer declares a document type");
            return parsed;
        }
        if (token == QXmlStreamReader::EndElement) {
            --depth;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (++depth > MaxDepth) {
            parsed.error = QStringLiteral("the answer is nested too deeply");
            return parsed;
        }
        if (depth == 1) {
            if (xml.name() != QLatin1String("REPLY")) {
                parsed.error = QStringLiteral("the answer is no OCS reply (<%1>)").arg(clip(xml.name().toString()));
                return parsed;
            }
            sawReply = true;
            continue;
        }
        if (depth != 2) {
            xml.skipCurrentElement();
            --depth;
            continue;
        }
        if (xml.name() == QLatin1String("RESPONSE")) {
            answer.response = clip(xml.readElementText(QXmlStreamReader::SkipChildElements));
            --depth;
        } else if (xml.name() == QLatin1String("PROLOG_FREQ")) {
            bool ok = false;
            const int hours = xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed().toInt(&ok);
            if (ok && hours > 0)
                answer.prologFrequencyHours = hours;
            --depth;
        } else if (xml.name() == QLatin1String("ACCOUNTINFO")) {
            const auto field = readAccountField(xml);
            --depth;
            if (field && int(answer.accountInfo.size()) < MaxAccountFields)
                answer.accountInfo.push_back(*field);
        } else {
            xml.skipCurrentElement();
            --depth;
        }
    }
    if (xml.hasError()) {
        parsed.error = QStringLiteral("the answer is no well-formed XML (%1)").arg(xml.errorString());
        return parsed;
    }
    if (!sawReply) {
        parsed.error = QStringLiteral("the answer holds no reply");
        return parsed;
    }
    parsed.answer = answer;
    return parsed;
}

} // namespace fleet
