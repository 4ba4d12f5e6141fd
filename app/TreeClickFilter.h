#pragma once

#include <QObject>

#include <functional>

class QTreeWidget;

namespace app {

// Raises the tree's click event for every left click in the enabled tree:
// on a node, on its expander, or on blank space below the last node. The
// tree has already moved its selection by then.
class TreeClickFilter final : public QObject
{
public:
    TreeClickFilter(QTreeWidget *tree, std::function<void()> click);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> m_click;
};

} // namespace app
