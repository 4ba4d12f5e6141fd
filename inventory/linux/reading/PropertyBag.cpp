#include "inventory/linux/reading/PropertyBag.h"

#include "inventory/linux/reading/MachineRoot.h"

#include <algorithm>

namespace inventory::linuxsource {

PropertyBag &PropertyBag::set(const QString &name, const Value &value)
{
    auto existing = std::find_if(m_properties.begin(), m_properties.end(),
                                 [&](const Property &p) { return p.name == name; });
    if (existing != m_properties.end())
        existing->value = value;
    else
        m_properties.push_back({name, value});
    return *this;
}

PropertyBag &PropertyBag::text(const QString &name, const std::optional<QString> &text)
{
    if (text && !text->isEmpty())
        set(name, Value::text(*text));
    return *this;
}

PropertyBag &PropertyBag::integer(const QString &name, std::optional<qint64> number)
{
    if (number)
        set(name, Value::integer(*number));
    return *this;
}

PropertyBag &PropertyBag::unsignedInteger(const QString &name, std::optional<quint64> number)
{
    if (number)
        set(name, Value::unsignedInteger(*number));
    return *this;
}

PropertyBag &PropertyBag::boolean(const QString &name, std::optional<bool> flag)
{
    if (flag)
        set(name, Value::boolean(*flag));
    return *this;
}

PropertyBag &PropertyBag::logicalDevice(const QString &className, const QString &systemName)
{
    set(QStringLiteral("CreationClassName"), Value::text(className));
    set(QStringLiteral("SystemCreationClassName"), Value::text(QStringLiteral("Win32_ComputerSystem")));
    text(QStringLiteral("SystemName"), systemName);
    return *this;
}

PropertyBag &PropertyBag::setting(const QString &name)
{
    return text(QStringLiteral("Caption"), name).text(QStringLiteral("Description"), name).text(QStringLiteral("SettingID"), name);
}

Properties PropertyBag::take()
{
    std::stable_sort(m_properties.begin(), m_properties.end(), [](const Property &a, const Property &b) {
        return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
    });
    return std::move(m_properties);
}

QString hostName(const MachineRoot &root)
{
    for (const char *file : {"proc/sys/kernel/hostname", "etc/hostname"}) {
        const std::optional<QString> name = root.readText(QLatin1String(file));
        if (name && !name->trimmed().isEmpty() && name->trimmed() != QLatin1String("(none)"))
            return name->trimmed();
    }
    // A machine without a name is "localhost" to Linux itself; a captured
    // tree often lacks the file, and the tree still needs its computer node.
    return QStringLiteral("localhost");
}

QString systemName(const MachineRoot &root)
{
    return hostName(root).section(QLatin1Char('.'), 0, 0).toUpper();
}

std::optional<QDateTime> bootTime(const MachineRoot &root)
{
    for (const QString &line : root.readLines(QStringLiteral("proc/stat")).value_or(QStringList())) {
        if (!line.startsWith(QLatin1String("btime ")))
            continue;
        bool ok = false;
        const qint64 seconds = line.mid(6).trimmed().toLongLong(&ok);
        if (ok)
            return QDateTime::fromSecsSinceEpoch(seconds);
    }
    return std::nullopt;
}

} // namespace inventory::linuxsource

namespace inventory::linuxsource {

QString objectPath(const QString &systemName, const QString &className, const QString &key, const QString &value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    // "." is the local computer where its name is unknown.
    return QStringLiteral("\\\\%1\\root\\cimv2:%2.%3=\"%4\"")
        .arg(systemName.isEmpty() ? QStringLiteral(".") : systemName, className, key, escaped);
}

} // namespace inventory::linuxsource
