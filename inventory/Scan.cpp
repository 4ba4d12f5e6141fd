#include "Scan.h"

#include "Catalogue.h"

#include <cmath>

namespace inventory {

void Scan::run(StepRunner &trap)
{
    if (trap.test(100, [&] { return m_running; }))
        return;
    trap.step(102, [&] { m_running = true; });
    trap.step(104, [&] { m.tree.setEnabled(false); });
    trap.step(106, [&] { m.bar.setValue(0); });
    trap.step(108, [&] { m.tree.clear(); });

    // One connection for the whole scan, so classes that share devices read them once.
    QueryPass pass;
    QStringList computers;
    DeviceTree::Node computer = 0;
    trap.step(110, [&] {
        if (m.reread)
            m.reread();
        computers = m.devices.GetDeviceCaptions(ComputerClass, pass);
    });
    for (const QString &caption : std::as_const(computers))
        trap.step(112, [&] { computer = m.tree.addRoot(caption); });
    trap.step(114, [&] { m.tree.setExpanded(m.tree.firstNode(), true); });
    trap.step(116, [&] { if (m.showWindow) m.showWindow(); });

    QStringList catalogue;
    qsizetype highest = 0;
    qint16 stride = 0;
    trap.step(118, [&] { catalogue = deviceCatalogue(); });
    trap.step(120, [&] { highest = catalogue.size() - 1; });
    trap.step(122, [&] {
        if (highest <= 0)
            throw Failure(QStringLiteral("Division by zero"));
        stride = qint16(std::lround(100.0 / double(highest)));
    });

    for (const QString &className : std::as_const(catalogue)) {
        if (trap.test(126, [&] { return m.bar.value() < m.bar.maximum(); })) {
            if (trap.test(128, [&] { return m.bar.value() + stride <= m.bar.maximum(); }))
                trap.step(130, [&] { m.bar.setValue(m.bar.value() + stride); });
        }
        trap.step(132, [&] { m.pump.pump(); });

        DeviceTree::Node category = 0;
        const QString text = categoryText(className);
        // Without a computer node the categories go to the root, so the tree
        // still shows what the machine has.
        trap.step(134, [&] {
            category = computer ? m.tree.addChild(computer, text) : m.tree.addRoot(text);
        });
        QStringList captions;
        trap.step(136, [&] { captions = m.devices.GetDeviceCaptions(className, pass); });
        for (const QString &caption : std::as_const(captions))
            trap.step(138, [&] { m.tree.addChild(category, caption); });
    }

    trap.step(140, [&] { m.tree.setEnabled(true); });
    trap.step(142, [&] { m.bar.setValue(0); });
    trap.step(144, [&] { m_running = false; });
}

} // namespace inventory
