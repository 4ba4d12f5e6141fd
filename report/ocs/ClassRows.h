#pragma once

#include "inventory/Instrumentation.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace report::ocs {

// One instance of a class with its properties by name.
class ClassRow
{
public:
    ClassRow(QString caption, const inventory::Properties &properties);

    const QString &caption() const { return m_caption; }
    bool has(const QString &name) const { return m_values.contains(name); }
    // The property as text, trimmed; empty when absent, Null or an array.
    QString text(const QString &name) const;
    // A whole number; none when absent or no number.
    std::optional<qint64> number(const QString &name) const;
    std::optional<bool> flag(const QString &name) const;
    // An array's items; a scalar gives a list of one.
    QStringList list(const QString &name) const;

private:
    QString m_caption;
    QHash<QString, inventory::Value> m_values;
};

// Every instance of a class the source can read. A class the source does not
// know and an instance that cannot be read are left out, as the window leaves
// them out: one missing device must not cost the whole inventory.
std::vector<ClassRow> rowsOf(inventory::Service &service, const QString &className);

} // namespace report::ocs
