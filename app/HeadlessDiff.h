#pragma once

#include <QString>

#include <functional>

namespace app {

// `--diff OLD NEW`: compares two inventories, each an inventory file, a
// Windows capture, or "-" for the machine below root as it is now, and
// prints the differences for people.
struct HeadlessDiff
{
    QString before;
    QString after;
    QString root = QStringLiteral("/");
    bool includeLiveReadings = false; // --all

    using Output = std::function<void(const QString &text)>;
    using Complaint = std::function<void(const QString &message)>;

    // As diff answers: 0 when the inventories are the same, 1 when they
    // differ, 2 after a complaint when one cannot be read or the text cannot
    // be written.
    int run(const Output &print, const Complaint &complain) const;
};

} // namespace app
