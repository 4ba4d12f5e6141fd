#pragma once

#include "../Instrumentation.h"

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

    void provide(const QString &className, Provider provider);

private:
    ClassTable();
    QHash<QString, Provider> m_providers;
};

} // namespace inventory::linuxsource
