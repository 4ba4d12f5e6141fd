#include "HeadlessDiff.h"

#include "SourceFactory.h"

#include "inventory/compare/RecordDiff.h"

namespace app {

namespace {

using inventory::snapshot::InventoryRecord;

struct Side
{
    InventoryRecord record;
    QString title;
};

// "-" is the machine now; anything else a file or capture folder. The title
// says which, with the host and the time the record speaks of.
Side readSide(const QString &argument, const QString &root)
{
    if (argument == QLatin1String("-")) {
        const Source machine = machineSource(root);
        Side side{inventory::snapshot::takeRecord(machine.instrumentation, machine.origin), QString()};
        side.title = root == QLatin1String("/") ? QStringLiteral("this machine") : QStringLiteral("the machine below %1").arg(root);
        side.title += QStringLiteral(" (%1, now)").arg(side.record.hostName);
        return side;
    }
    Side side{*readRecordFile(argument), QString()};
    const QString taken = side.record.taken.isValid() ? side.record.taken.toString(Qt::ISODate) : QStringLiteral("time unknown");
    side.title = QStringLiteral("%1 (%2, %3)").arg(argument, side.record.hostName, taken);
    return side;
}

} // namespace

int HeadlessDiff::run(const Output &print, const Complaint &complain) const
{
    try {
        const Side old = readSide(before, root);
        const Side now = readSide(after, root);
        const inventory::compare::RecordDiff diff
            = inventory::compare::compareRecords(old.record, now.record, {includeLiveReadings});
        print(inventory::compare::diffText(diff, old.title, now.title));
        return diff.isEmpty() ? 0 : 1;
    } catch (const inventory::Failure &failure) {
        complain(failure.description());
        return 2;
    }
}

} // namespace app
