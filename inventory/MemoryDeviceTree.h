#pragma once

#include "DeviceTree.h"

#include <vector>

namespace inventory {

// The device tree without widgets: headless export and tests.
class MemoryDeviceTree final : public DeviceTree
{
public:
    void clear() override;
    Node addRoot(const QString &text) override;
    Node addChild(Node parent, const QString &text) override;
    qsizetype count() const override { return qsizetype(m_nodes.size()); }
    Node firstNode() const override;
    std::optional<QStringList> path(Node node) const override;
    void setExpanded(Node node, bool expanded) override;
    bool isExpanded(Node node) const override;
    void setEnabled(bool enabled) override { m_enabled = enabled; }
    bool isEnabled() const override { return m_enabled; }
    Node selectedNode() const override { return m_selected; }

    void select(Node node);
    // The tree as indented lines, for tests and diagnostics.
    QString dump() const;

private:
    struct Entry
    {
        QString text;
        Node parent = 0;
        bool expanded = false;
    };
    const Entry *entry(Node node) const;
    Entry *entry(Node node);

    std::vector<Entry> m_nodes;
    Node m_selected = 0;
    bool m_enabled = true;
};

} // namespace inventory
