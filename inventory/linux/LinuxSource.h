#pragma once

#include "inventory/Instrumentation.h"
#include "inventory/linux/reading/MachineRoot.h"

namespace inventory::linuxsource {

// The machine below a root directory as hardware instances in WMI's words.
class LinuxSource final : public Service
{
public:
    // A connection reads the files its classes share once; a later
    // connection reads afresh.
    explicit LinuxSource(QString root = QStringLiteral("/")) : m_root(MachineRoot(std::move(root)).remembering()) {}

    InstanceEnumeration instancesOf(const QString &className) override;
    const MachineRoot &root() const { return m_root; }

    // Connects to this machine, or to a fixture tree.
    static Instrumentation instrumentation(const QString &root = QStringLiteral("/"));

private:
    MachineRoot m_root;
};

} // namespace inventory::linuxsource
