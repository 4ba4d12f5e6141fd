#pragma once

#include <QCursor>
#include <QString>

namespace app {

// Loads a Windows cursor file (.cur) with its hotspot, or an icon file
// (.ico) with the hotspot at its centre. Throws inventory::Failure when the
// path is no regular file, cannot be read or holds no such picture.
QCursor loadCursorFile(const QString &path);

} // namespace app
