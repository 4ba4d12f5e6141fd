#pragma once

#include "inventory/PropertyView.h"

#include <QTreeWidget>

namespace app {

// The property list contract over the two-column QTreeWidget lsvProperties.
class TreeWidgetPropertyList final : public inventory::PropertyList
{
public:
    explicit TreeWidgetPropertyList(QTreeWidget *widget) : m_widget(widget) {}
    void clear() override { m_widget->clear(); }
    void addRow(const QString &text, const QString &firstSubItem) override
    {
        new QTreeWidgetItem(m_widget, QStringList{text, firstSubItem});
    }

private:
    QTreeWidget *m_widget;
};

} // namespace app
