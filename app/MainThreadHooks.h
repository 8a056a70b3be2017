#pragma once

namespace app {

// Connects the engine's main-thread synchronisation to the Qt event loop: a
// delivery asked for by a port's event thread runs promptly on the main
// thread, also inside the loop of a modal dialog or message box; an error a
// delivery raises is shown in the general error box.
void InstallMainThreadHooks();
// Disconnects them; called before the application object goes away.
void RemoveMainThreadHooks();

} // namespace app
