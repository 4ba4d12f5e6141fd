#pragma once

#include "DeviceTree.h"
#include "EventPump.h"
#include "ProgressBar.h"
#include "StepRunner.h"
#include "modGetDevices.h"

#include <functional>

namespace inventory {

// Fills the device tree: the computer, one category per catalogue class and
// the devices under each, advancing the progress bar as it goes.
class Scan
{
public:
    struct Parts
    {
        DeviceTree &tree;
        ProgressBar &bar;
        EventPump &pump;
        const modGetDevices &devices;
        std::function<void()> showWindow;
        // Reads the source afresh before the computer is asked for (a file
        // is read again on every refresh); a failure is the step's failure.
        std::function<void()> reread = {};
    };

    explicit Scan(Parts parts) : m(std::move(parts)) {}

    // One run of the scan under the given trap. A call while a scan runs
    // returns at once.
    void run(StepRunner &trap);
    bool isRunning() const { return m_running; }

private:
    Parts m;
    bool m_running = false;
};

} // namespace inventory
