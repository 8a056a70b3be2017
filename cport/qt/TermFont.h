#pragma once

#include "framework/Color.h"
#include "framework/Set.h"

#include <QFont>

#include <cstdint>
#include <string>

namespace cport {

enum TFontStyle : std::uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = fw::TSet<TFontStyle>;

// A font as the terminal's properties describe it: a name, a size, a colour
// and a style. Height is in pixels, negative for the character height
// without the internal leading (the usual form); Size is in points.
class TFont {
  public:
    TFont() = default;
    TFont(std::string name, std::int32_t size, fw::TColor color, TFontStyles style = {});

    const std::string &Name() const { return name_; }
    void SetName(const std::string &value) { name_ = value; }
    std::int32_t Height() const { return height_; }
    void SetHeight(std::int32_t value) { height_ = value; }
    std::int32_t Size() const;
    void SetSize(std::int32_t points);
    fw::TColor Color() const { return color_; }
    void SetColor(fw::TColor value) { color_ = value; }
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles value) { style_ = value; }

    friend bool operator==(const TFont &, const TFont &) = default;

    // The screen resolution sizes in points are converted with.
    static constexpr std::int32_t PixelsPerInch = 96;

  private:
    std::string name_;
    std::int32_t height_ = 0;
    fw::TColor color_ = fw::clBlack;
    TFontStyles style_;
};

// The name of the fixed-pitch system font. No font of that name exists on
// Linux; it stands for FixedsysFamily, or for the system's fixed-pitch font
// (fontconfig's monospace) where that family is not installed.
inline constexpr const char *FixedsysName = "Fixedsys";
inline constexpr const char *FixedsysFamily = "DejaVu Sans Mono";

// The font every terminal starts with: "Fixedsys", 9 points, white.
const TFont &DefaultTermFont();

// The toolkit font for f, with "Fixedsys" resolved as described above.
// Colour and underline are left to the caller.
QFont ToQFont(const TFont &f);

// Qt's colour for a terminal colour; system colours resolve through the palette.
QColor ToQColor(fw::TColor color);

} // namespace cport
