#pragma once

#include <QString>

namespace report {

// Writes a report held whole to path, followed by one CR LF, replacing any
// earlier file only once the new one is complete: a failed or interrupted
// write leaves the earlier file as it was (ReportFile does the work). Text goes out as UTF-8 without a
// byte-order mark. Throws inventory::Failure with a readable reason.
void WriteTextFile(const QString &text, const QString &path);

// The same bytes to standard output, for scripts that pipe a report on.
void WriteTextToStandardOutput(const QString &text);

} // namespace report
