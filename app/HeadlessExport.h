#pragma once

#include "SourceFactory.h"

#include "inventory/Instrumentation.h"

#include <QString>

#include <functional>

namespace app {

// Scans the machine into a tree that no window shows and writes the reports
// the save buttons would write for it, byte for byte; and the inventory file.
struct HeadlessExport
{
    QString textTarget; // "" for none, "-" for standard output
    QString htmlTarget;
    bool withProperties = false;
    QString jsonTarget; // the inventory file
    // Serial numbers, UUIDs, MAC addresses, asset tags, host, user and domain
    // names replaced by a marker in everything written.
    bool redact = false;

    using Complaint = std::function<void(const QString &message)>;

    // The program's exit status: 0 when the scan and every report went
    // through; otherwise 1, after one complaint per failure.
    int run(const Source &source, const Complaint &complain) const;
    // The same for a source known only by its instrumentation.
    int run(const inventory::Instrumentation &instrumentation, const Complaint &complain) const;
};

} // namespace app
