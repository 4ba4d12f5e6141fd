#pragma once

#include "ReportFormat.h"

namespace report {

// The plain-text report: TAB-indented lines ending in CR LF, everything
// written as it is.
class TextReport final : public ReportFormat
{
public:
    QString listHeader() const override;
    QString propertiesHeader() const override;
    QString spacer() const override;
    QString category(const QString &text) const override;
    QString device(const QString &caption) const override;
    QString propertiesStart() const override;
    QString property(const QString &name, const QString &value) const override;
    QString propertiesEnd() const override { return {}; }
    QString footer() const override { return {}; }
    const ReportLabels &labels() const override;
};

} // namespace report
