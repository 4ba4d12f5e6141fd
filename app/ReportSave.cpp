#include "ReportSave.h"

#include "report/HtmlReport.h"
#include "report/ReportFile.h"
#include "report/TextReport.h"

#include <QScopedValueRollback>

namespace app {

namespace {
constexpr int PointerDefault = 0;
constexpr int PointerHourglass = 11;
} // namespace

ReportSave::Kind ReportSave::textReport()
{
    static const report::TextReport format;
    return {QStringLiteral("Save As Text File"), QStringLiteral("Text Files (*.txt)|*.txt|"), format};
}

ReportSave::Kind ReportSave::htmlReport()
{
    static const report::HtmlReport format;
    return {QStringLiteral("Save As Html"), QStringLiteral("HTML Files (*.html)|*.html|"), format};
}

void ReportSave::run(inventory::StepRunner &trap, const Kind &kind)
{
    if (m_running)
        return;
    const QScopedValueRollback<bool> running(m_running, true);

    QString target;
    trap.step(106, [&] { m.saveDialog.FileName.clear(); });
    trap.step(108, [&] { m.saveDialog.DialogTitle = kind.dialogTitle; });
    trap.step(110, [&] { m.saveDialog.Filter = kind.filter; });
    trap.step(112, [&] { m.saveDialog.ShowSave(); });
    trap.step(114, [&] { target = m.saveDialog.FileName; });
    if (trap.test(116, [&] { return target.isEmpty(); }))
        return;
    trap.step(118, [&] { m.setMousePointer(PointerHourglass); });

    // The text goes out while the walk runs; the file is complete, and
    // replaces an earlier one, only when it is finished at the write step,
    // which reports any failure on the way.
    report::ReportFile file(target);
    m.walk.compose(kind.format, trap, file);

    const report::ReportLabels &labels = kind.format.labels();
    // The error box is the answer to a failed write; "Done." would contradict it.
    bool written = false;
    trap.step(labels.write, [&] {
        file.finish();
        written = true;
    });
    trap.step(labels.barReset, [&] { m.bar.setValue(0); });
    trap.step(labels.pointerReset, [&] { m.setMousePointer(PointerDefault); });
    if (written)
        trap.step(labels.done, [&] { m.messages.show(QStringLiteral("Done."), OkOnly); });
}

} // namespace app
