#include "inventory/linux/reading/UdevData.h"

#include "inventory/linux/reading/MachineRoot.h"

namespace inventory::linuxsource {

QHash<QString, QString> udevProperties(const MachineRoot &root, const QString &id)
{
    QHash<QString, QString> properties;
    if (id.isEmpty() || id.contains(QLatin1Char('/')))
        return properties;
    const std::optional<QStringList> lines = root.readLines(QStringLiteral("run/udev/data/") + id);
    if (!lines)
        return properties;
    for (const QString &line : *lines) {
        if (!line.startsWith(QLatin1String("E:")))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 2)
            properties.insert(line.mid(2, eq - 2), line.mid(eq + 1));
    }
    return properties;
}

} // namespace inventory::linuxsource
