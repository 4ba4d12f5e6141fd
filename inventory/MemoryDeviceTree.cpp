#include "MemoryDeviceTree.h"

#include "Instrumentation.h"

namespace inventory {

void MemoryDeviceTree::clear()
{
    m_nodes.clear();
    m_selected = 0;
}

DeviceTree::Node MemoryDeviceTree::addRoot(const QString &text)
{
    m_nodes.push_back({text, 0, false});
    return count();
}

DeviceTree::Node MemoryDeviceTree::addChild(Node parent, const QString &text)
{
    if (!entry(parent))
        throw Failure(QStringLiteral("Invalid object: no parent node"));
    m_nodes.push_back({text, parent, false});
    return count();
}

DeviceTree::Node MemoryDeviceTree::firstNode() const
{
    if (m_nodes.empty())
        throw Failure(QStringLiteral("Object variable not set: the tree has no nodes"));
    return 1;
}

std::optional<QStringList> MemoryDeviceTree::path(Node node) const
{
    const Entry *e = entry(node);
    if (!e)
        return std::nullopt;
    QStringList texts{e->text};
    for (Node up = e->parent; up; up = entry(up)->parent)
        texts.prepend(entry(up)->text);
    return texts;
}

void MemoryDeviceTree::setExpanded(Node node, bool expanded)
{
    Entry *e = entry(node);
    if (!e)
        throw Failure(QStringLiteral("Invalid object: no such node"));
    e->expanded = expanded;
}

bool MemoryDeviceTree::isExpanded(Node node) const
{
    const Entry *e = entry(node);
    return e && e->expanded;
}

void MemoryDeviceTree::select(Node node)
{
    m_selected = entry(node) ? node : 0;
}

QString MemoryDeviceTree::dump() const
{
    QString out;
    for (Node n = 1; n <= count(); ++n) {
        int depth = 0;
        for (Node up = entry(n)->parent; up; up = entry(up)->parent)
            ++depth;
        out += QString(depth * 2, QLatin1Char(' ')) + entry(n)->text + QLatin1Char('\n');
    }
    return out;
}

const MemoryDeviceTree::Entry *MemoryDeviceTree::entry(Node node) const
{
    if (node < 1 || node > count())
        return nullptr;
    return &m_nodes[std::size_t(node - 1)];
}

MemoryDeviceTree::Entry *MemoryDeviceTree::entry(Node node)
{
    return const_cast<Entry *>(std::as_const(*this).entry(node));
}

} // namespace inventory
