#pragma once

#include "DeviceTree.h"
#include "StepRunner.h"
#include "modGetDevices.h"

#include <functional>

namespace inventory {

// The property list as the property view uses it: two columns, the property
// name as the row's text and the value as its first sub-item.
class PropertyList
{
public:
    virtual ~PropertyList() = default;
    virtual void clear() = 0;
    virtual void addRow(const QString &text, const QString &firstSubItem) = 0;
};

// Shows the selected device's properties: the frame caption names the device,
// the list holds one row per property pair, queried afresh on every click.
class PropertyView
{
public:
    struct Parts
    {
        const DeviceTree &tree;
        PropertyList &list;
        std::function<void(const QString &)> setFrameCaption;
        const modGetDevices &devices;
    };

    explicit PropertyView(Parts parts) : m(std::move(parts)) {}

    // One click in the tree, under the given trap.
    void show(StepRunner &trap);

    static const QString FrameCaptionPrefix; // "Device properties: "

private:
    Parts m;
    // Counts clicks on devices, so that a run can tell when a newer one has
    // started while its query let events run: the newer one owns the list.
    quint64 m_clicks = 0;
};

} // namespace inventory
