#include "HtmlReport.h"

#include <QStringBuilder>

namespace report {

namespace {
const QString CrLf = QStringLiteral("\r\n");

// We write UTF-8, so the page says so; without it a browser guesses and
// shows anything beyond ASCII as mojibake.
QString header(const QString &title)
{
    return QStringLiteral("<html><meta charset=\"utf-8\"><title>") + title
        + QStringLiteral("</title><body><center><font size='5px'><b>") + title
        + QStringLiteral("</b></font><center><hr><table border=0 width='100%'>");
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}
} // namespace

QString HtmlReport::listHeader() const
{
    return header(QStringLiteral("List of Devices Names"));
}

QString HtmlReport::propertiesHeader() const
{
    return header(QStringLiteral("Hardware Information"));
}

QString HtmlReport::spacer() const
{
    return QStringLiteral("<tr><td><b>&nbsp</b></td></tr>") + CrLf;
}

QString HtmlReport::category(const QString &text) const
{
    return QStringLiteral("<tr><td><b>") + escaped(text) + QStringLiteral("</b></td></tr>") + CrLf;
}

QString HtmlReport::device(const QString &caption) const
{
    return QStringLiteral("<tr><td>") + escaped(caption) + QStringLiteral("</td></tr>") + CrLf;
}

QString HtmlReport::propertiesStart() const
{
    return QStringLiteral("<tr><td><table><tr><td>&nbsp;&nbsp;&nbsp;</td><th>Properties</th><th>Value</th></tr>") + CrLf;
}

QString HtmlReport::property(const QString &name, const QString &value) const
{
    // Built in one go: reports of big machines have hundreds of thousands of these.
    return QLatin1String("<tr><td>&nbsp;</td><td>") % escaped(name) % QLatin1String("</td><td>") % escaped(value)
        % QLatin1String("</td></tr>") % CrLf;
}

QString HtmlReport::propertiesEnd() const
{
    return QStringLiteral("</table>") + CrLf;
}

QString HtmlReport::footer() const
{
    return QStringLiteral("</table></body></html>");
}

const ReportLabels &HtmlReport::labels() const
{
    static const ReportLabels labels{
        .list = {140, 142, 144, 146, 148, 150, 152},
        .properties = {154, 156, 158, 160, 162, 164, 166},
        .propertiesStart = 168,
        .query = 170,
        .pairSplit = 172,
        .pairTest = 174,
        .property = 176,
        .pairPump = 178,
        .propertiesEnd = 182,
        .footer = 186,
        .write = 188,
        .barReset = 190,
        .pointerReset = 192,
        .done = 194,
    };
    return labels;
}

} // namespace report
