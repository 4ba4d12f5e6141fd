#include "TreeWidgetDeviceTree.h"

#include "inventory/Instrumentation.h"

#include <QTreeWidget>

namespace app {

using inventory::Failure;

void TreeWidgetDeviceTree::clear()
{
    m_items.clear();
    m_index.clear();
    m_widget->clear();
}

inventory::DeviceTree::Node TreeWidgetDeviceTree::remember(QTreeWidgetItem *item)
{
    m_items.push_back(item);
    const Node node = count();
    m_index.insert(item, node);
    return node;
}

inventory::DeviceTree::Node TreeWidgetDeviceTree::addRoot(const QString &text)
{
    return remember(new QTreeWidgetItem(m_widget, QStringList{text}));
}

inventory::DeviceTree::Node TreeWidgetDeviceTree::addChild(Node parent, const QString &text)
{
    QTreeWidgetItem *up = item(parent);
    if (!up)
        throw Failure(QStringLiteral("Invalid object: no parent node"));
    return remember(new QTreeWidgetItem(up, QStringList{text}));
}

inventory::DeviceTree::Node TreeWidgetDeviceTree::firstNode() const
{
    if (m_items.empty())
        throw Failure(QStringLiteral("Object variable not set: the tree has no nodes"));
    return 1;
}

std::optional<QStringList> TreeWidgetDeviceTree::path(Node node) const
{
    const QTreeWidgetItem *it = item(node);
    if (!it)
        return std::nullopt;
    QStringList texts;
    for (const QTreeWidgetItem *up = it; up; up = up->parent())
        texts.prepend(up->text(0));
    return texts;
}

void TreeWidgetDeviceTree::setExpanded(Node node, bool expanded)
{
    QTreeWidgetItem *it = item(node);
    if (!it)
        throw Failure(QStringLiteral("Invalid object: no such node"));
    it->setExpanded(expanded);
}

bool TreeWidgetDeviceTree::isExpanded(Node node) const
{
    const QTreeWidgetItem *it = item(node);
    return it && it->isExpanded();
}

void TreeWidgetDeviceTree::setEnabled(bool enabled)
{
    m_widget->setEnabled(enabled);
}

bool TreeWidgetDeviceTree::isEnabled() const
{
    return m_widget->isEnabled();
}

inventory::DeviceTree::Node TreeWidgetDeviceTree::selectedNode() const
{
    const QList<QTreeWidgetItem *> selected = m_widget->selectedItems();
    if (selected.isEmpty())
        return 0;
    return m_index.value(selected.first(), 0);
}

QTreeWidgetItem *TreeWidgetDeviceTree::item(Node node) const
{
    if (node < 1 || node > count())
        return nullptr;
    return m_items[std::size_t(node - 1)];
}

} // namespace app
