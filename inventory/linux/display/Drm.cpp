// The kernel's display devices in sysfs: cards, their outputs, and what each
// output shows. Only attributes are read; the device nodes stay closed.
#include "inventory/linux/display/Drm.h"

#include <QRegularExpression>

namespace inventory::linuxsource {

namespace {
const QString DrmClass = QStringLiteral("sys/class/drm");
// EDID can grow to 256 blocks of 128 bytes.
constexpr qsizetype EdidCap = 256 * 128;
} // namespace

std::vector<DrmCard> drmCards(const MachineRoot &root)
{
    static const QRegularExpression cardName(QStringLiteral("^card[0-9]+$"));
    std::vector<DrmCard> cards;
    for (const QString &name : root.list(DrmClass)) {
        if (!cardName.match(name).hasMatch())
            continue;
        const QString dir = DrmClass + QLatin1Char('/') + name;
        cards.push_back({name, dir, SysfsDevice::fromLink(root, dir + QStringLiteral("/device"))});
    }
    return cards;
}

std::vector<DrmConnector> drmConnectors(const MachineRoot &root, const DrmCard &card)
{
    // Connectors sit below their card; sys/class/drm links to each as well.
    const QString prefix = card.name + QLatin1Char('-');
    std::vector<DrmConnector> connectors;
    for (const QString &entry : root.list(card.dir)) {
        if (entry.startsWith(prefix) && entry.size() > prefix.size())
            connectors.push_back({card.name, entry.mid(prefix.size()), card.dir + QLatin1Char('/') + entry});
    }
    return connectors;
}

DrmOutputState drmOutputState(const MachineRoot &root, const DrmConnector &connector)
{
    DrmOutputState state;
    const auto read = [&](const char *attribute) {
        return root.readText(connector.dir + QLatin1Char('/') + QLatin1String(attribute)).value_or(QString()).trimmed();
    };
    state.connected = read("status") == QLatin1String("connected");
    const QString enabled = read("enabled");
    if (!enabled.isEmpty())
        state.enabled = enabled == QLatin1String("enabled");
    state.dpms = read("dpms");
    return state;
}

std::optional<DrmModeName> parseDrmModeName(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,5})x([0-9]{1,5})(i?)$"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    DrmModeName mode{match.captured(1).toInt(), match.captured(2).toInt(), !match.captured(3).isEmpty()};
    if (mode.width == 0 || mode.height == 0)
        return std::nullopt;
    return mode;
}

std::optional<DrmModeName> drmFirstMode(const MachineRoot &root, const DrmConnector &connector)
{
    const std::optional<QStringList> modes = root.readLines(connector.dir + QStringLiteral("/modes"));
    if (!modes || modes->isEmpty())
        return std::nullopt;
    return parseDrmModeName(modes->first());
}

std::optional<QByteArray> drmEdid(const MachineRoot &root, const DrmConnector &connector)
{
    std::optional<QByteArray> edid = root.readBytes(connector.dir + QStringLiteral("/edid"), EdidCap);
    if (!edid || edid->isEmpty())
        return std::nullopt;
    return edid;
}

std::optional<int> framebufferDepth(const MachineRoot &root, const SysfsDevice &device)
{
    if (!device.isValid())
        return std::nullopt;
    const QString graphics = QStringLiteral("sys/class/graphics");
    for (const QString &fb : root.list(graphics)) {
        const QString dir = graphics + QLatin1Char('/') + fb;
        if (!fb.startsWith(QLatin1String("fb")) || root.resolve(dir + QStringLiteral("/device")) != device.path())
            continue;
        const std::optional<qint64> depth = root.readInteger(dir + QStringLiteral("/bits_per_pixel"));
        if (depth && *depth > 0 && *depth <= 64)
            return int(*depth);
    }
    return std::nullopt;
}

} // namespace inventory::linuxsource
