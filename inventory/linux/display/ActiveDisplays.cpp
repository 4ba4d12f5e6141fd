#include "inventory/linux/display/ActiveDisplays.h"

#include "inventory/linux/reading/IdDatabase.h"

#include <cmath>
#include <functional>

namespace inventory::linuxsource {

namespace {

// The kernel says "HDMI-A-1" where X's modesetting driver says "HDMI-1".
QString commonName(const QString &name)
{
    QString common = name.toLower();
    common.replace(QLatin1String("-a-"), QLatin1String("-"));
    return common;
}

bool sameMonitor(const WindowSystemScreen &screen, const std::optional<Edid> &edid)
{
    if (!edid || edid->name.isEmpty() || screen.model.trimmed() != edid->name)
        return false;
    const QString serial = screen.serialNumber.trimmed();
    return serial.isEmpty() || serial == edid->serialText
        || (edid->serialNumber && serial == QString::number(*edid->serialNumber));
}

// Pairs each screen with at most one output, surest evidence first.
std::vector<std::optional<size_t>> pairScreens(const std::vector<DrmOutput> &outputs,
                                               const std::vector<WindowSystemScreen> &screens)
{
    std::vector<std::optional<size_t>> paired(screens.size());
    std::vector<bool> taken(outputs.size(), false);
    const auto pass = [&](const std::function<bool(const WindowSystemScreen &, const DrmOutput &)> &same) {
        for (size_t s = 0; s < screens.size(); ++s) {
            for (size_t o = 0; o < outputs.size() && !paired[s]; ++o) {
                if (!taken[o] && same(screens[s], outputs[o])) {
                    paired[s] = o;
                    taken[o] = true;
                }
            }
        }
    };
    pass([](const WindowSystemScreen &s, const DrmOutput &o) { return s.name == o.connector.name; });
    pass([](const WindowSystemScreen &s, const DrmOutput &o) { return commonName(s.name) == commonName(o.connector.name); });
    pass([](const WindowSystemScreen &s, const DrmOutput &o) { return sameMonitor(s, o.edid); });
    // One screen and one lit output left over (X drivers that count from 0) are each other's.
    std::vector<size_t> openScreens;
    std::vector<size_t> openOutputs;
    for (size_t s = 0; s < screens.size(); ++s)
        if (!paired[s])
            openScreens.push_back(s);
    for (size_t o = 0; o < outputs.size(); ++o)
        if (!taken[o] && outputs[o].state.enabled.value_or(true))
            openOutputs.push_back(o);
    if (openScreens.size() == 1 && openOutputs.size() == 1)
        paired[openScreens.front()] = openOutputs.front();
    return paired;
}

ActiveDisplay fromScreen(const WindowSystemScreen &screen, size_t adapter)
{
    ActiveDisplay display;
    display.adapter = adapter;
    display.mode.width = screen.width;
    display.mode.height = screen.height;
    if (screen.depth > 0)
        display.mode.bitsPerPixel = screen.depth;
    if (screen.refreshRate > 0)
        display.mode.refreshRate = screen.refreshRate;
    if (screen.logicalDpiX > 0 && screen.logicalDpiY > 0) {
        display.logicalDpiX = screen.logicalDpiX;
        display.logicalDpiY = screen.logicalDpiY;
    }
    display.primary = screen.primary;
    return display;
}

std::optional<ActiveDisplay> fromKernel(const MachineRoot &root, const std::vector<GraphicsAdapter> &adapters,
                                        const DrmOutput &output)
{
    if (!output.state.enabled.value_or(true))
        return std::nullopt;
    const std::optional<DrmModeName> first = drmFirstMode(root, output.connector);
    if (!first)
        return std::nullopt;
    ActiveDisplay display;
    display.adapter = output.adapter;
    display.connector = output.connector;
    display.edid = output.edid;
    display.mode.width = first->width;
    display.mode.height = first->height;
    display.mode.interlaced = first->interlaced;
    // sysfs names modes without their rate; the monitor's preferred timing has it.
    if (output.edid && output.edid->preferredTiming) {
        const EdidTiming &t = *output.edid->preferredTiming;
        if (t.width == first->width && t.height == first->height && t.interlaced == first->interlaced)
            display.mode.refreshRate = t.refreshRate;
    }
    display.mode.bitsPerPixel = framebufferDepth(root, adapters[output.adapter].device);
    return display;
}

} // namespace

std::vector<DrmOutput> connectedOutputs(const MachineRoot &root, const std::vector<GraphicsAdapter> &adapters)
{
    std::vector<DrmOutput> outputs;
    for (size_t a = 0; a < adapters.size(); ++a) {
        if (!adapters[a].card)
            continue;
        for (const DrmConnector &connector : drmConnectors(root, *adapters[a].card)) {
            const DrmOutputState state = drmOutputState(root, connector);
            if (!state.connected)
                continue;
            DrmOutput output{a, connector, state, std::nullopt};
            if (const std::optional<QByteArray> blob = drmEdid(root, connector))
                output.edid = parseEdid(*blob);
            outputs.push_back(std::move(output));
        }
    }
    return outputs;
}

std::vector<ActiveDisplay> combineDisplays(const MachineRoot &root, const std::vector<GraphicsAdapter> &adapters,
                                           const std::vector<DrmOutput> &outputs,
                                           const std::vector<WindowSystemScreen> &screens)
{
    const std::vector<std::optional<size_t>> paired = pairScreens(outputs, screens);
    std::vector<ActiveDisplay> displays;
    for (size_t o = 0; o < outputs.size(); ++o) {
        size_t screen = 0;
        while (screen < screens.size() && paired[screen] != o)
            ++screen;
        if (screen < screens.size()) {
            ActiveDisplay display = fromScreen(screens[screen], outputs[o].adapter);
            display.connector = outputs[o].connector;
            display.edid = outputs[o].edid;
            displays.push_back(std::move(display));
        } else if (std::optional<ActiveDisplay> lit = fromKernel(root, adapters, outputs[o])) {
            displays.push_back(std::move(*lit));
        }
    }
    // Screens the kernel does not show (a driver without DRM outputs) belong
    // to the adapter the machine booted with; without any adapter they are
    // not a display of this machine's hardware.
    const std::optional<size_t> boot = bootAdapter(adapters);
    for (size_t s = 0; s < screens.size(); ++s)
        if (!paired[s] && boot && screens[s].width > 0 && screens[s].height > 0)
            displays.push_back(fromScreen(screens[s], *boot));
    return displays;
}

std::vector<ActiveDisplay> activeDisplays(const MachineRoot &root, const std::vector<GraphicsAdapter> &adapters)
{
    // The window system describes this machine only, never a fixture tree.
    const std::vector<WindowSystemScreen> screens = root.isLiveSystem() ? windowSystemScreens()
                                                                        : std::vector<WindowSystemScreen>();
    return combineDisplays(root, adapters, connectedOutputs(root, adapters), screens);
}

AdapterSnapshot::AdapterSnapshot(const MachineRoot &root) : m_root(root), m_adapters(graphicsAdapters(root)) {}

const std::vector<ActiveDisplay> &AdapterSnapshot::displays() const
{
    if (!m_displays)
        m_displays = activeDisplays(m_root, m_adapters);
    return *m_displays;
}

std::optional<ActiveDisplay> mainDisplayOf(const std::vector<ActiveDisplay> &displays, size_t adapter)
{
    std::optional<ActiveDisplay> first;
    for (const ActiveDisplay &display : displays) {
        if (display.adapter != adapter)
            continue;
        if (display.primary)
            return display;
        if (!first)
            first = display;
    }
    return first;
}

std::vector<AdapterDisplay> adaptersWithDisplays(const MachineRoot &root)
{
    const std::vector<GraphicsAdapter> adapters = graphicsAdapters(root);
    const std::vector<ActiveDisplay> displays = activeDisplays(root, adapters);
    std::vector<AdapterDisplay> found;
    for (size_t a = 0; a < adapters.size(); ++a)
        if (std::optional<ActiveDisplay> display = mainDisplayOf(displays, a))
            found.push_back({adapters[a], std::move(*display)});
    return found;
}

QString monitorName(const Edid &edid)
{
    // Laptop panels mostly carry no name.
    return edid.name.isEmpty() ? QStringLiteral("Generic PnP Monitor") : edid.name;
}

std::optional<QString> monitorMaker(const Edid &edid)
{
    if (edid.manufacturerId.isEmpty())
        return std::nullopt;
    return IdDatabase::instance().pnpVendor(edid.manufacturerId).value_or(edid.manufacturerId);
}

std::optional<quint64> colorCount(const DisplayMode &mode)
{
    if (!mode.bitsPerPixel || *mode.bitsPerPixel < 1 || *mode.bitsPerPixel > 63)
        return std::nullopt;
    return quint64(1) << *mode.bitsPerPixel;
}

qint64 wholeHertz(double refreshRate)
{
    // A rate a hair off a whole number (59.9988, 143.98) is that number;
    // reduced rates (59.94, 59.95) go down, as Windows shows them.
    constexpr double Tolerance = 0.025;
    const double nearest = std::round(refreshRate);
    if (std::abs(refreshRate - nearest) < Tolerance)
        return qint64(nearest);
    return qint64(std::floor(refreshRate));
}

std::optional<qint64> wholeHertz(const DisplayMode &mode)
{
    if (!mode.refreshRate)
        return std::nullopt;
    return wholeHertz(*mode.refreshRate);
}

} // namespace inventory::linuxsource
