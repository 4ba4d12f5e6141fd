#include "ReportWalk.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace report {

using inventory::DeviceTree;
using inventory::StepRunner;

int ReportWalk::progress(qsizetype index, qsizetype count, int maximum)
{
    const double share = double(index + 1) / double(count + 1) * 100.0;
    return int(std::clamp<long>(std::lround(share), 0, maximum));
}

QString ReportWalk::compose(const ReportFormat &format, StepRunner &trap) const
{
    ReportText text;
    compose(format, trap, text);
    return text.take();
}

void ReportWalk::compose(const ReportFormat &format, StepRunner &trap, ReportSink &text) const
{
    const ReportLabels &labels = format.labels();
    QString lastCategory;
    trap.step(120, [&] { lastCategory.clear(); });
    if (trap.test(122, [&] { return m.option.deviceListSelected(); }))
        trap.step(124, [&] { text.append(format.listHeader()); });
    else
        trap.step(126, [&] { text.append(format.propertiesHeader()); });
    trap.step(128, [&] { m.bar.setValue(0); });

    // The paths are taken once, when the walk starts: a rescan run from one
    // of the walk's event pumps rebuilds the tree, and reading it half old,
    // half new would repeat or drop devices and categories.
    std::vector<QStringList> paths;
    trap.step(130, [&] {
        const qsizetype count = m.tree.count();
        paths.reserve(std::size_t(count));
        for (DeviceTree::Node node = 1; node <= count; ++node)
            paths.push_back(m.tree.path(node).value_or(QStringList()));
    });

    // Within one save each class is enumerated once, when its first device
    // is reached; nothing of it outlives the save.
    inventory::ClassCache classes;

    const auto deviceLines = [&](const DeviceLabels &at, const QStringList &path) {
        const QString &category = path.at(1);
        if (trap.test(at.categoryChanged, [&] { return category != lastCategory; })) {
            trap.step(at.spacer, [&] { text.append(format.spacer()); });
            trap.step(at.category, [&] { text.append(format.category(category)); });
            trap.step(at.device, [&] { text.append(format.device(path.at(2))); });
            trap.step(at.remember, [&] { lastCategory = category; });
        } else {
            trap.step(at.deviceOnly, [&] { text.append(format.device(path.at(2))); });
        }
    };

    const qsizetype walked = qsizetype(paths.size());
    for (qsizetype index = 1; index <= walked; ++index) {
        trap.step(132, [&] { m.bar.setValue(progress(index, m.tree.count(), m.bar.maximum())); });
        trap.step(134, [&] { m.pump.pump(); });
        QStringList path;
        trap.step(136, [&] { path = paths[std::size_t(index - 1)]; });
        if (trap.test(138, [&] { return path.size() != 3; }))
            continue;

        if (trap.test(labels.list.optionTest, [&] { return m.option.deviceListSelected(); })) {
            deviceLines(labels.list, path);
        } else if (trap.test(labels.properties.optionTest, [&] { return m.option.withPropertiesSelected(); })) {
            deviceLines(labels.properties, path);
            trap.step(labels.propertiesStart, [&] { text.append(format.propertiesStart()); });
            QStringList pairs;
            trap.step(labels.query, [&] { pairs = m.devices.GetDeviceProperties(path, classes); });
            for (const QString &pair : std::as_const(pairs)) {
                QStringList pieces;
                trap.step(labels.pairSplit, [&] { pieces = inventory::splitPropertyPair(pair); });
                if (trap.test(labels.pairTest, [&] { return pieces.size() > 1; }))
                    trap.step(labels.property, [&] { text.append(format.property(pieces.value(0), pieces.value(1))); });
                trap.step(labels.pairPump, [&] { m.pump.pump(); });
            }
            if (labels.propertiesEnd)
                trap.step(labels.propertiesEnd, [&] { text.append(format.propertiesEnd()); });
        }
    }
    if (labels.footer)
        trap.step(labels.footer, [&] { text.append(format.footer()); });
}

} // namespace report
