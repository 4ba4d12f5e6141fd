#pragma once

#include <QString>

namespace report {

// Writes a report to path in one go, followed by one CR LF, replacing any
// earlier file only once the new one is complete: a failed or interrupted
// write leaves the earlier file as it was. Text goes out as UTF-8 without a
// byte-order mark. Throws inventory::Failure with a readable reason.
void WriteTextFile(const QString &text, const QString &path);

// The same bytes to standard output, for scripts that pipe a report on.
void WriteTextToStandardOutput(const QString &text);

} // namespace report
