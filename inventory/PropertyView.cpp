#include "PropertyView.h"

namespace inventory {

const QString PropertyView::FrameCaptionPrefix = QStringLiteral("Device properties: ");

void PropertyView::show(StepRunner &trap)
{
    const DeviceTree::Node selected = m.tree.selectedNode();
    if (!selected)
        return;
    QStringList path;
    trap.step(100, [&] { path = m.tree.path(selected).value_or(QStringList()); });
    if (trap.test(102, [&] { return path.size() != 3; }))
        return;
    // From here this click owns the caption and the list.
    const quint64 click = ++m_clicks;
    const auto superseded = [&] { return click != m_clicks; };
    trap.step(104, [&] { m.setFrameCaption(FrameCaptionPrefix + path.value(2)); });
    trap.step(106, [&] { m.list.clear(); });

    QStringList pairs;
    trap.step(108, [&] { pairs = m.devices.GetDeviceProperties(path); });
    for (const QString &pair : std::as_const(pairs)) {
        if (superseded())
            return;
        QStringList pieces;
        trap.step(110, [&] { pieces = splitPropertyPair(pair); });
        if (trap.test(112, [&] { return pieces.size() > 1; }))
            trap.step(114, [&] { m.list.addRow(pieces.value(0), pieces.value(1)); });
    }
}

} // namespace inventory
