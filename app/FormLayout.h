#pragma once

#include <QFont>

class QWidget;

namespace app {

// Window sizes are given as outer sizes of a classic window frame: 4 pixels of
// border on each side and a 19-pixel caption. Controls are placed in client
// coordinates.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 27;

// Places a top-level window by its outer bounds.
void SetFormBounds(QWidget *form, int left, int top, int width, int height);

// The 8-point sans-serif font of the windows' controls.
QFont FormFont();

} // namespace app
