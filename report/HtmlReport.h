#pragma once

#include "ReportFormat.h"

namespace report {

// The HTML report: one table with a row per category, device and spacer, and
// an inner table per device when properties are included. Every text that
// comes from the machine is escaped, so a value is shown, never run.
class HtmlReport final : public ReportFormat
{
public:
    QString listHeader() const override;
    QString propertiesHeader() const override;
    QString spacer() const override;
    QString category(const QString &text) const override;
    QString device(const QString &caption) const override;
    QString propertiesStart() const override;
    QString property(const QString &name, const QString &value) const override;
    QString propertiesEnd() const override;
    QString footer() const override;
    const ReportLabels &labels() const override;
};

} // namespace report
