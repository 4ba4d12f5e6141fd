#pragma once

#include "inventory/ScreenReader.h"
#include "inventory/linux/display/Drm.h"
#include "inventory/linux/display/Edid.h"
#include "inventory/linux/display/GraphicsAdapter.h"

#include <optional>
#include <vector>

namespace inventory::linuxsource {

// The picture an output shows.
struct DisplayMode
{
    int width = 0;
    int height = 0;
    std::optional<int> bitsPerPixel;
    std::optional<double> refreshRate; // Hz
    bool interlaced = false;
};

// A screen that shows a picture: a lit DRM output, a window-system screen, or both.
struct ActiveDisplay
{
    size_t adapter = 0;                  // index into the adapters it was found with
    std::optional<DrmConnector> connector; // absent for a screen the kernel does not show
    std::optional<Edid> edid;
    DisplayMode mode;
    std::optional<double> logicalDpiX;
    std::optional<double> logicalDpiY;
    bool primary = false;
};

// A connected DRM output with what the kernel says about it.
struct DrmOutput
{
    size_t adapter = 0;
    DrmConnector connector;
    DrmOutputState state;
    std::optional<Edid> edid;
};

// Every connected output of the adapters' cards, in card and connector order.
std::vector<DrmOutput> connectedOutputs(const MachineRoot &root, const std::vector<GraphicsAdapter> &adapters);

// The screens that show a picture. The window system's screens (this machine
// only, and only while the window runs) give the current modes; the kernel's
// outputs fill in where there is no window system: their preferred mode, with
// the refresh rate from the monitor and the depth from the console.
std::vector<ActiveDisplay> activeDisplays(const MachineRoot &root, const std::vector<GraphicsAdapter> &adapters);

// The matching of both views, apart so it can be tried without a window system.
std::vector<ActiveDisplay> combineDisplays(const MachineRoot &root, const std::vector<GraphicsAdapter> &adapters,
                                           const std::vector<DrmOutput> &outputs,
                                           const std::vector<WindowSystemScreen> &screens);

// The display that speaks for an adapter: its primary one, else its first.
std::optional<ActiveDisplay> mainDisplayOf(const std::vector<ActiveDisplay> &displays, size_t adapter);

// The adapters one enumeration found and the screens they drive, shared by
// all of its instances: the screens are looked at once, when the first
// instance asks, since looking once per adapter made the properties of all
// adapters cost the square of their number.
class AdapterSnapshot
{
public:
    explicit AdapterSnapshot(const MachineRoot &root);

    const MachineRoot &root() const { return m_root; }
    const std::vector<GraphicsAdapter> &adapters() const { return m_adapters; }
    const std::vector<ActiveDisplay> &displays() const;

private:
    MachineRoot m_root;
    std::vector<GraphicsAdapter> m_adapters;
    mutable std::optional<std::vector<ActiveDisplay>> m_displays;
};

// Each adapter that drives a screen, with the display that speaks for it.
struct AdapterDisplay
{
    GraphicsAdapter adapter;
    ActiveDisplay display;
};
std::vector<AdapterDisplay> adaptersWithDisplays(const MachineRoot &root);

// The monitor's own name, or Windows' name for one that gives none.
QString monitorName(const Edid &edid);
// The maker behind the monitor's PNP id, or the id where the database has none.
std::optional<QString> monitorMaker(const Edid &edid);

// 2^bits, the number of colours a depth shows; absent when the depth is unknown.
std::optional<quint64> colorCount(const DisplayMode &mode);

// Hz as WMI's integer properties hold them: 59.94 is 59, as Windows shows it,
// 59.9988 is 60.
qint64 wholeHertz(double refreshRate);
std::optional<qint64> wholeHertz(const DisplayMode &mode);

} // namespace inventory::linuxsource
