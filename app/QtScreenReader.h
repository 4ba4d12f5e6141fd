#pragma once

namespace app {

// Lets the display classes read the current screens from the window system
// while a QGuiApplication runs.
void installScreenReader();

} // namespace app
