#pragma once

#include "Fixtures.h"

namespace testing {

// Writes a umockdev recording (lines "P:" device path, "E:" uevent
// property, "A:"/"H:" attribute as text or hex, "L:" link) into a fixture
// tree as the sysfs it was recorded from: attribute files, uevent, links,
// and the subsystem's bus or class entry and driver link for each device.
// Returns false when the recording cannot be read.
bool loadUmockdev(FixtureTree &tree, const QString &recording);

} // namespace testing
