#include "HeadlessExport.h"

#include "inventory/MemoryDeviceTree.h"
#include "inventory/Scan.h"
#include "inventory/privacy/Redaction.h"
#include "inventory/snapshot/InventoryFile.h"
#include "report/HtmlReport.h"
#include "report/ReportFile.h"
#include "report/ReportWalk.h"
#include "report/TextReport.h"
#include "report/WriteTextFile.h"

namespace app {

namespace {

using namespace inventory::snapshot;

// The record of the source: the one a file held, as it was, so that saving
// it again changes nothing; or taken from the machine now.
InventoryRecord recordOf(const Source &source)
{
    return source.record ? *source.record : takeRecord(source.instrumentation, source.origin);
}

// The source with everything identifying replaced: its record, redacted and
// served back, so that every report and the file say the same.
Source redacted(const Source &source)
{
    auto record = std::make_shared<InventoryRecord>(recordOf(source));
    inventory::privacy::redact(*record);
    return {recordInstrumentation(record), record->origin, record};
}

} // namespace

int HeadlessExport::run(const inventory::Instrumentation &instrumentation, const Complaint &complain) const
{
    return run(Source{instrumentation, {}, nullptr}, complain);
}

int HeadlessExport::run(const Source &given, const Complaint &complain) const
{
    const Source source = redact ? redacted(given) : given;
    const inventory::Instrumentation &instrumentation = source.instrumentation;
    bool failed = false;
    const auto stepsFor = [&](const QString &what) {
        return inventory::StepRunner([&, what](const QString &description, int line) {
            complain(QStringLiteral("%1 step %2 failed: %3").arg(what, QString::number(line), description));
            failed = true;
        });
    };

    const auto write = [&](const auto &writeFile, const auto &writeOut, const auto &content, const QString &target) {
        try {
            if (target == QLatin1String("-"))
                writeOut(content);
            else
                writeFile(content, target);
        } catch (const inventory::Failure &failure) {
            complain(failure.description());
            failed = true;
        }
    };
    if (!jsonTarget.isEmpty())
        write(report::WriteFileBytes, report::WriteBytesToStandardOutput, InventoryFile::toJson(recordOf(source)), jsonTarget);
    if (textTarget.isEmpty() && htmlTarget.isEmpty())
        return failed ? 1 : 0;

    inventory::MemoryDeviceTree tree;
    inventory::MemoryProgressBar bar;
    inventory::NoEventPump pump;
    const inventory::modGetDevices devices(instrumentation, pump);
    inventory::Scan scan({tree, bar, pump, devices, {}});
    inventory::StepRunner scanSteps = stepsFor(QStringLiteral("scan"));
    scan.run(scanSteps);

    const report::FixedSaveOption option(withProperties);
    const report::ReportWalk walk({tree, bar, pump, devices, option});
    const auto save = [&](const report::ReportFormat &format, const QString &target) {
        if (target.isEmpty())
            return;
        inventory::StepRunner steps = stepsFor(QStringLiteral("report"));
        // Straight to the file as the walk goes: a big report is never held whole.
        report::ReportFile file = target == QLatin1String("-") ? report::ReportFile::standardOutput()
                                                                : report::ReportFile(target);
        walk.compose(format, steps, file);
        try {
            file.finish();
        } catch (const inventory::Failure &failure) {
            complain(failure.description());
            failed = true;
        }
    };
    save(report::TextReport(), textTarget);
    save(report::HtmlReport(), htmlTarget);
    return failed ? 1 : 0;
}

} // namespace app
