#pragma once

#include "WindowServices.h"

#include "report/ReportFormat.h"
#include "report/ReportWalk.h"

#include <functional>

namespace app {

// The save buttons' sequence around the report walk: ask for the file, show
// the hourglass, compose, write, and say "Done." once the file is written.
class ReportSave
{
public:
    // What tells the two buttons apart.
    struct Kind
    {
        QString dialogTitle;
        QString filter;
        const report::ReportFormat &format;
    };

    struct Parts
    {
        MessageBox &messages;
        SaveDialog &saveDialog;
        report::ReportWalk walk;
        inventory::ProgressBar &bar;
        std::function<void(int pointer)> setMousePointer;
    };

    explicit ReportSave(Parts parts) : m(std::move(parts)) {}

    // One click of a save button, under that button's trap. A click while a
    // save runs (from one of its event pumps) is ignored.
    void run(inventory::StepRunner &trap, const Kind &kind);
    bool isRunning() const { return m_running; }

    static Kind textReport();
    static Kind htmlReport();

private:
    Parts m;
    bool m_running = false;
};

} // namespace app
