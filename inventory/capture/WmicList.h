#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace inventory::capture {

// One `Name=Value` line of a record, the value still as wmic wrote it apart
// from its `&amp;` artefact.
struct WmicField
{
    QString name;
    QString text;
};

// One instance as `wmic ... get /format:list` lists it.
struct WmicRecord
{
    int line = 0; // of its first property, counted from 1
    std::vector<WmicField> fields;

    const WmicField *field(QStringView name) const;
};

// Splits the text of a capture into records: blank lines separate them, every
// other line is `Name=Value`. Throws Failure naming the line for anything else
// (a stray line, a property twice in one record, a name no WMI property has).
std::vector<WmicRecord> parseWmicList(QStringView text);

} // namespace inventory::capture
