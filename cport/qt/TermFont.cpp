#include "TermFont.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPalette>

#include <cmath>
#include <strings.h>

namespace cport {

TFont::TFont(std::string name, std::int32_t size, fw::TColor color, TFontStyles style)
    : name_(std::move(name)), color_(color), style_(style) {
    SetSize(size);
}

std::int32_t TFont::Size() const {
    return static_cast<std::int32_t>(std::lround(-static_cast<double>(height_) * 72 / PixelsPerInch));
}

void TFont::SetSize(std::int32_t points) {
    height_ = -static_cast<std::int32_t>(std::lround(static_cast<double>(points) * PixelsPerInch / 72));
}

const TFont &DefaultTermFont() {
    static const TFont font(FixedsysName, 9, fw::clWhite);
    return font;
}

QFont ToQFont(const TFont &f) {
    QFont font;
    if (strcasecmp(f.Name().c_str(), FixedsysName) == 0) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setStyleHint(QFont::Monospace);
        font.setFixedPitch(true);
    } else {
        font = QFont(QString::fromStdString(f.Name()));
    }
    // A positive height includes the internal leading, which Qt's pixel
    // size does not; taking it as the character height is close enough.
    font.setPixelSize(std::max(1, std::abs(f.Height())));
    font.setBold(f.Style().Contains(fsBold));
    font.setItalic(f.Style().Contains(fsItalic));
    font.setUnderline(f.Style().Contains(fsUnderline));
    font.setStrikeOut(f.Style().Contains(fsStrikeOut));
    font.setKerning(false);
    return font;
}

QColor ToQColor(fw::TColor color) {
    if (!fw::IsSystemColor(color))
        return QColor(fw::RedOf(color), fw::GreenOf(color), fw::BlueOf(color));
    const QPalette palette = QApplication::palette();
    switch (color & 0xFF) {
    case 5:
        return palette.color(QPalette::Base);
    case 8:
        return palette.color(QPalette::Text);
    case 15:
        return palette.color(QPalette::Button);
    default:
        return palette.color(QPalette::Window);
    }
}

} // namespace cport
