#pragma once

#include <QByteArray>
#include <QString>

namespace report {

// Writes a report held whole to path, followed by one CR LF, replacing any
// earlier file only once the new one is complete: a failed or interrupted
// write leaves the earlier file as it was (ReportFile does the work). Text
// goes out as UTF-8 without a byte-order mark. Throws inventory::Failure
// with a readable reason.
void WriteTextFile(const QString &text, const QString &path);

// The same bytes to standard output, for scripts that pipe a report on.
void WriteTextToStandardOutput(const QString &text);

// Any other file the program writes (an inventory file), byte for byte and
// with the same care: complete or not at all.
void WriteFileBytes(const QByteArray &bytes, const QString &path);
void WriteBytesToStandardOutput(const QByteArray &bytes);

} // namespace report
