#include "HeadlessExport.h"

#include "inventory/MemoryDeviceTree.h"
#include "inventory/Scan.h"
#include "report/HtmlReport.h"
#include "report/ReportFile.h"
#include "report/ReportWalk.h"
#include "report/TextReport.h"

namespace app {

int HeadlessExport::run(const inventory::Instrumentation &instrumentation, const Complaint &complain) const
{
    bool failed = false;
    const auto stepsFor = [&](const QString &what) {
        return inventory::StepRunner([&, what](const QString &description, int line) {
            complain(QStringLiteral("%1 step %2 failed: %3").arg(what, QString::number(line), description));
            failed = true;
        });
    };

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
