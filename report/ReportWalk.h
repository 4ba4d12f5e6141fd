#pragma once

#include "ReportFormat.h"
#include "ReportSink.h"

#include "inventory/DeviceTree.h"
#include "inventory/EventPump.h"
#include "inventory/ProgressBar.h"
#include "inventory/StepRunner.h"
#include "inventory/modGetDevices.h"

namespace report {

// The two save options, read afresh for every device: a change while a save
// runs applies from the next device on.
class SaveOption
{
public:
    virtual ~SaveOption() = default;
    virtual bool deviceListSelected() const = 0;    // "Save Device List"
    virtual bool withPropertiesSelected() const = 0; // "... and Device Properties"
};

// An option nobody can change: the headless export.
class FixedSaveOption final : public SaveOption
{
public:
    explicit FixedSaveOption(bool withProperties) : m_withProperties(withProperties) {}
    bool deviceListSelected() const override { return !m_withProperties; }
    bool withPropertiesSelected() const override { return m_withProperties; }

private:
    bool m_withProperties;
};

// Walks the device tree node by node and composes a report: the
// devices under their categories, and with the option for properties each
// device's property pairs, fetched afresh. The window lets events run once
// per node and once per pair, so the bar moves and clicks still work.
class ReportWalk
{
public:
    struct Parts
    {
        const inventory::DeviceTree &tree;
        inventory::ProgressBar &bar;
        inventory::EventPump &pump;
        const inventory::modGetDevices &devices;
        const SaveOption &option;
    };

    explicit ReportWalk(Parts parts) : m(parts) {}

    // Everything a save does between choosing the file and writing it; the
    // text goes to the sink piece by piece as the walk finds it.
    void compose(const ReportFormat &format, inventory::StepRunner &trap, ReportSink &text) const;
    // The same, kept whole in memory.
    QString compose(const ReportFormat &format, inventory::StepRunner &trap) const;

    // (i + 1) / (count + 1) of the way, within the bar's range.
    static int progress(qsizetype index, qsizetype count, int maximum);

private:
    Parts m;
};

} // namespace report
