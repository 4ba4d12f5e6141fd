#pragma once

#include "Instrumentation.h"

namespace inventory::MachineSource {

// The source of the machine the program runs on, chosen when the program is
// built: Linux's files (sysfs, procfs, firmware tables, udev, CUPS) below a
// root folder, or Windows' own WMI.

// True when the machine is read from files, so that another root folder (a
// fixture tree, a captured machine) can stand in for "/".
bool readsRoot();

// Connects to the machine; root is used only where readsRoot() holds.
Instrumentation instrumentation(const QString &root = QStringLiteral("/"));

} // namespace inventory::MachineSource
