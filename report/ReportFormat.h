#pragma once

#include <QString>

namespace report {

// The line labels of the steps that differ between the two save handlers.
// The error box names them, so each format carries its handler's own.
struct DeviceLabels
{
    int optionTest;      // is this mode's option selected?
    int categoryChanged; // does the category differ from the last one?
    int spacer;
    int category;
    int device;          // device line after a category line
    int remember;        // last category = this one
    int deviceOnly;      // device line in a run of one category
};

struct ReportLabels
{
    DeviceLabels list;
    DeviceLabels properties;
    int propertiesStart;
    int query;
    int pairSplit;
    int pairTest;
    int property;
    int pairPump;
    int propertiesEnd; // 0: the format has no such piece
    int footer;        // 0: the format has no such piece
    int write;
    int barReset;
    int pointerReset;
    int done;
};

// One way of writing the walk's findings down. The walk decides what comes
// in which order; a format only says what each piece looks like, so both
// reports share one walk.
class ReportFormat
{
public:
    virtual ~ReportFormat() = default;

    virtual QString listHeader() const = 0;
    virtual QString propertiesHeader() const = 0;
    // Before each category: a blank line, a spacer row.
    virtual QString spacer() const = 0;
    virtual QString category(const QString &text) const = 0;
    virtual QString device(const QString &caption) const = 0;
    virtual QString propertiesStart() const = 0;
    virtual QString property(const QString &name, const QString &value) const = 0;
    virtual QString propertiesEnd() const = 0;
    virtual QString footer() const = 0;

    virtual const ReportLabels &labels() const = 0;
};

} // namespace report
