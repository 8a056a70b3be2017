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

namespace {

// "Fixedsys" is one named family wherever it is installed, so that every
// machine draws the same cells whatever else it has; the package depends
// on it. Only without it does fontconfig's choice of monospace count.
QFont FixedsysFont() {
    static const bool installed =
        QFontDatabase::families().contains(QString::fromLatin1(FixedsysFamily), Qt::CaseInsensitive);
    QFont font =
        installed ? QFont(QString::fromLatin1(FixedsysFamily)) : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return font;
}

} // namespace

QFont ToQFont(const TFont &f) {
    QFont font;
    if (strcasecmp(f.Name().c_str(), FixedsysName) == 0) {
        font = FixedsysFont();
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
