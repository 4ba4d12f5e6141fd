#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

namespace app {

// What the window asks of a skin layer, in the order it asks: load a skin
// file, add to the option flags, turn on two switches, attach to the window.
// The flags and switches belong to the layer; the window only sets them.
class SkinLayer
{
public:
    virtual ~SkinLayer() = default;

    // Reads the skin. iniFileName picks a part of a skin file; "" takes the
    // whole file. Throws inventory::Failure when the file is rejected.
    virtual void LoadSkin(const QString &skinFile, const QString &iniFileName) = 0;
    virtual qint32 Options() const = 0;
    virtual void setOptions(qint32 flags) = 0;
    // which: the switch's number in the layer's own numbering (5, 10).
    virtual void setSwitch(int which, bool on) = 0;
    // Restyles window with the loaded skin; without one, does nothing.
    virtual void ApplyWindow(QWidget &window) = 0;
};

} // namespace app
