#pragma once

#include <QIcon>

namespace app {

// The main window's 19 pictures of 16 by 16 pixels. Indices in use: 0 Cut,
// 1 Copy, 2 Paste, 6 New, 7 Open, 8 Save, 15 Memory Partition, 16 Serial Port,
// 18 Exit. The desktop theme's icon is taken where there is one; otherwise a
// picture of our own is drawn. Unused indices give an empty icon.
QIcon ImageListIcon(int index);

} // namespace app
