#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace inventory {

// What the scan, the property view and the reports rely on in the device
// tree. Nodes carry only a text. Every node has an index from 1 to count(),
// in the order nodes were added since the last clear, whatever their level;
// the index is also the node's handle.
class DeviceTree
{
public:
    using Node = qsizetype; // 1-based; 0 means "no node"
    static constexpr QChar PathSeparator = QLatin1Char('\\');

    virtual ~DeviceTree() = default;

    virtual void clear() = 0;
    virtual Node addRoot(const QString &text) = 0;
    // Adds the last child of parent; throws Failure when parent is no node.
    virtual Node addChild(Node parent, const QString &text) = 0;
    virtual qsizetype count() const = 0;

    // Throws Failure on an empty tree.
    virtual Node firstNode() const = 0;
    // The node's texts from its root down. Empty when the index is no node
    // (any more): readers then skip it. Readers take a device's category and
    // caption from here, so a caption holding the path separator stays whole.
    virtual std::optional<QStringList> path(Node node) const = 0;
    // The same texts joined by "\".
    std::optional<QString> fullPath(Node node) const
    {
        const std::optional<QStringList> texts = path(node);
        return texts ? std::optional<QString>(texts->join(PathSeparator)) : std::nullopt;
    }
    virtual void setExpanded(Node node, bool expanded) = 0;
    virtual bool isExpanded(Node node) const = 0;

    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;

    // 0 when nothing is selected.
    virtual Node selectedNode() const = 0;
};

} // namespace inventory
