#pragma once

#include "inventory/DeviceTree.h"

#include <QHash>

#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace app {

// The device tree contract over a QTreeWidget.
class TreeWidgetDeviceTree final : public inventory::DeviceTree
{
public:
    explicit TreeWidgetDeviceTree(QTreeWidget *widget) : m_widget(widget) {}

    void clear() override;
    Node addRoot(const QString &text) override;
    Node addChild(Node parent, const QString &text) override;
    qsizetype count() const override { return qsizetype(m_items.size()); }
    Node firstNode() const override;
    std::optional<QStringList> path(Node node) const override;
    void setExpanded(Node node, bool expanded) override;
    bool isExpanded(Node node) const override;
    void setEnabled(bool enabled) override;
    bool isEnabled() const override;
    Node selectedNode() const override;

    QTreeWidgetItem *item(Node node) const;

private:
    Node remember(QTreeWidgetItem *item);

    QTreeWidget *m_widget;
    std::vector<QTreeWidgetItem *> m_items;
    QHash<const QTreeWidgetItem *, Node> m_index;
};

} // namespace app
