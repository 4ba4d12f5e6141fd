#include "TextReport.h"

#include <QStringBuilder>

namespace report {

namespace {
const QString CrLf = QStringLiteral("\r\n");
const QString Tab = QStringLiteral("\t");
} // namespace

QString TextReport::listHeader() const
{
    return QStringLiteral("LIST OF DEVICES NAMES") + CrLf + CrLf;
}

QString TextReport::propertiesHeader() const
{
    return QStringLiteral("HARDWARE INFORMATION") + CrLf + CrLf;
}

QString TextReport::spacer() const
{
    return CrLf;
}

QString TextReport::category(const QString &text) const
{
    return Tab + text + CrLf;
}

QString TextReport::device(const QString &caption) const
{
    return Tab + Tab + caption + CrLf;
}

QString TextReport::propertiesStart() const
{
    return Tab + Tab + Tab + QStringLiteral("Properties:") + Tab + QStringLiteral("Value") + CrLf;
}

QString TextReport::property(const QString &name, const QString &value) const
{
    // Built in one go: reports of big machines have hundreds of thousands of these.
    return Tab % Tab % Tab % name % QLatin1Char(':') % Tab % value % CrLf;
}

const ReportLabels &TextReport::labels() const
{
    // The blank line and the category text are one line of the handler.
    static const ReportLabels labels{
        .list = {140, 142, 144, 144, 146, 148, 150},
        .properties = {152, 154, 156, 156, 158, 160, 162},
        .propertiesStart = 164,
        .query = 166,
        .pairSplit = 168,
        .pairTest = 170,
        .property = 172,
        .pairPump = 174,
        .propertiesEnd = 0,
        .footer = 0,
        .write = 180,
        .barReset = 182,
        .pointerReset = 184,
        .done = 186,
    };
    return labels;
}

} // namespace report
