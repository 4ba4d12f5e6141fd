#include "WriteTextFile.h"

#include "ReportFile.h"

namespace report {

void WriteTextFile(const QString &text, const QString &path)
{
    ReportFile file(path);
    file.append(text);
    file.finish();
}

void WriteTextToStandardOutput(const QString &text)
{
    ReportFile out = ReportFile::standardOutput();
    out.append(text);
    out.finish();
}

void WriteFileBytes(const QByteArray &bytes, const QString &path)
{
    ReportFile file(path, {});
    file.appendBytes(bytes);
    file.finish();
}

void WriteBytesToStandardOutput(const QByteArray &bytes)
{
    ReportFile out = ReportFile::standardOutput({});
    out.appendBytes(bytes);
    out.finish();
}

} // namespace report
