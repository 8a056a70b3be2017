#pragma once

namespace app {

// Creates the program's windows, hidden, in their fixed order: the main
// window first (the others refer to its port), then the About box, the memory
// partition window, the terminal window, Read and Write to Ports and Fill Memory.
void CreateForms();
// Destroys them in the reverse order, the main window last, so that every
// listener leaves the port while the port still exists.
void DestroyForms();

} // namespace app
