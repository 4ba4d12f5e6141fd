#pragma once

#include <QString>

#include <span>

namespace inventory::compare {

// A property that reads the machine's state at the moment of the scan rather
// than what the machine is: it changes between two scans of unchanged
// hardware. An empty class name stands for every class.
struct LiveReading
{
    const char *className;
    const char *propertyName;
    const char *why;
};

// The one list of live readings: comparisons leave them out unless asked
// for everything.
std::span<const LiveReading> liveReadings();

// Names compare case-insensitively, as WMI's do.
bool isLiveReading(const QString &className, const QString &propertyName);

} // namespace inventory::compare
