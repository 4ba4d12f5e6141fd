#include "WmicArray.h"

#include "inventory/Instrumentation.h"

namespace inventory::capture {

std::optional<QStringList> splitWmicArray(QStringView text)
{
    if (!text.startsWith(QLatin1Char('{')) || !text.endsWith(QLatin1Char('}')) || text.size() < 2)
        return std::nullopt;
    const QStringView body = text.sliced(1, text.size() - 2);
    QStringList items;
    if (body.isEmpty())
        return items;
    qsizetype at = 0;
    while (true) {
        if (items.size() >= MaxArrayItems)
            throw Failure(QStringLiteral("an array with more than %1 items").arg(MaxArrayItems));
        qsizetype end;
        if (body[at] == QLatin1Char('"')) {
            // The closing quote is the first one followed by a separator or the end.
            qsizetype close = at + 1;
            while (true) {
                close = body.indexOf(QLatin1Char('"'), close);
                if (close < 0)
                    return std::nullopt;
                if (close + 1 == body.size() || body[close + 1] == QLatin1Char(','))
                    break;
                ++close;
            }
            items.append(body.sliced(at + 1, close - at - 1).toString());
            end = close + 1;
        } else {
            end = body.indexOf(QLatin1Char(','), at);
            if (end < 0)
                end = body.size();
            items.append(body.sliced(at, end - at).toString());
        }
        if (end == body.size())
            return items;
        at = end + 1; // past the comma
        if (at == body.size())
            return std::nullopt; // a trailing comma
    }
}

} // namespace inventory::capture
