#pragma once

#include <QString>

namespace report {

// Where a report goes while the walk composes it, a piece at a time, so
// that a report of many megabytes need not be held whole.
class ReportSink
{
public:
    virtual ~ReportSink() = default;
    virtual void append(const QString &piece) = 0;
};

// Keeps the pieces as one text, for callers that want the report in memory.
class ReportText final : public ReportSink
{
public:
    void append(const QString &piece) override { m_text += piece; }
    QString take() { return std::move(m_text); }

private:
    QString m_text;
};

} // namespace report
