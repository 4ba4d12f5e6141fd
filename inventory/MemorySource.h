#pragma once

#include "Instrumentation.h"

#include <QHash>

#include <vector>

namespace inventory {

// A source whose instances are given in code: tests, benchmarks, and any
// caller that has an inventory in hand rather than a machine.
class MemorySource final : public Service
{
public:
    struct Entry
    {
        Value caption;
        Properties properties;
        bool hasCaption = true;
        bool failsToLoad = false; // reading the properties throws
    };

    // Adds a class (known, possibly empty) and returns its instance list.
    std::vector<Entry> &addClass(const QString &className);
    MemorySource &add(const QString &className, const QString &caption, Properties properties = {});

    // After this many instances, stepping on to the next one throws.
    void failEnumerationAfter(const QString &className, int instances);

    InstanceEnumeration instancesOf(const QString &className) override;

    // Counts every instance handed out, to check how often classes are walked.
    qint64 instancesVisited() const { return m_visited; }

    Instrumentation instrumentation();

private:
    QHash<QString, std::vector<Entry>> m_classes;
    QHash<QString, int> m_failAfter;
    qint64 m_visited = 0;
};

} // namespace inventory
