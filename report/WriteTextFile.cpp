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

} // namespace report
