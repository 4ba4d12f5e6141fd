#pragma once

#include <QCursor>
#include <QString>

namespace app {

// Loads a Windows cursor file (.cur) with its hotspot. Throws
// inventory::Failure when the file cannot be read or is not a cursor.
QCursor loadCursorFile(const QString &path);

} // namespace app
