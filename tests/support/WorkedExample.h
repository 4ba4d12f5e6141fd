#pragma once

#include <QByteArray>

#include <initializer_list>

namespace testing {

// The small machine both reports are explained with: category Processor with
// CPU0 (Name^CPU0, Status^OK), category Keyboard without devices, category
// DiskDrive with DiskA without pairs. These are the files its saves write.

inline QByteArray crlfLines(std::initializer_list<const char *> lines)
{
    QByteArray out;
    for (const char *line : lines)
        out += QByteArray(line) + "\r\n";
    return out;
}

inline const QByteArray HtmlPropertiesHeader
    = "<html><meta charset=\"utf-8\"><title>Hardware Information</title><body><center><font size='5px'>"
      "<b>Hardware Information</b></font><center><hr><table border=0 width='100%'>";
inline const QByteArray HtmlListHeader
    = "<html><meta charset=\"utf-8\"><title>List of Devices Names</title><body><center><font size='5px'>"
      "<b>List of Devices Names</b></font><center><hr><table border=0 width='100%'>";
inline const char *const HtmlPropertiesStart
    = "<tr><td><table><tr><td>&nbsp;&nbsp;&nbsp;</td><th>Properties</th><th>Value</th></tr>";

inline QByteArray workedExampleReport(bool html, bool withProperties)
{
    if (!html && withProperties)
        return crlfLines({"HARDWARE INFORMATION", "", "", "\tProcessor", "\t\tCPU0", "\t\t\tProperties:\tValue",
                          "\t\t\tName:\tCPU0", "\t\t\tStatus:\tOK", "", "\tDiskDrive", "\t\tDiskA",
                          "\t\t\tProperties:\tValue", ""});
    if (!html)
        return crlfLines({"LIST OF DEVICES NAMES", "", "", "\tProcessor", "\t\tCPU0", "", "\tDiskDrive", "\t\tDiskA", ""});
    if (withProperties)
        return HtmlPropertiesHeader
            + crlfLines({"<tr><td><b>&nbsp</b></td></tr>", "<tr><td><b>Processor</b></td></tr>", "<tr><td>CPU0</td></tr>",
                         HtmlPropertiesStart, "<tr><td>&nbsp;</td><td>Name</td><td>CPU0</td></tr>",
                         "<tr><td>&nbsp;</td><td>Status</td><td>OK</td></tr>", "</table>",
                         "<tr><td><b>&nbsp</b></td></tr>", "<tr><td><b>DiskDrive</b></td></tr>", "<tr><td>DiskA</td></tr>",
                         HtmlPropertiesStart, "</table>", "</table></body></html>"});
    return HtmlListHeader
        + crlfLines({"<tr><td><b>&nbsp</b></td></tr>", "<tr><td><b>Processor</b></td></tr>", "<tr><td>CPU0</td></tr>",
                     "<tr><td><b>&nbsp</b></td></tr>", "<tr><td><b>DiskDrive</b></td></tr>", "<tr><td>DiskA</td></tr>",
                     "</table></body></html>"});
}

} // namespace testing
