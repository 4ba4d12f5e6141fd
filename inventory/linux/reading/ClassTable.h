#pragma once

#include "inventory/Instrumentation.h"

#include <QHash>

#include <functional>
#include <vector>

namespace inventory::linuxsource {

class MachineRoot;

// Which code answers which class. Every class of the catalogue is known; a
// class nobody fills simply has no instances on this platform.
class ClassTable
{
public:
    using Provider = std::function<std::vector<Instance>(const MachineRoot &)>;

    static const ClassTable &instance();

    bool knows(const QString &className) const { return m_providers.contains(className); }
    // Throws Failure for a class that is not in the table.
    std::vector<Instance> instancesOf(const QString &className, const MachineRoot &root) const;

    // Adds a provider for a class. A class may have several (hwmon and the
    // firmware both know temperature probes); their instances follow one
    // another in the order the providers were added.
    void provide(const QString &className, Provider provider);

private:
    ClassTable();
    QHash<QString, std::vector<Provider>> m_providers;
};

} // namespace inventory::linuxsource
