#include "FormLayout.h"

#include <QWidget>

namespace app {

void SetFormBounds(QWidget *form, int left, int top, int width, int height) {
    form->move(left, top);
    form->resize(width - kFrameWidth, height - kFrameHeight);
}

QFont FormFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

} // namespace app
