// The program's named colours: each one given in HSL for the light and dark appearances and,
// for some, separately for high contrast, resolved to sRGB by the CSS hsl() rule. Pure values,
// no toolkit; the Theme object turns them into QColor for the views.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace kelv::app {

enum class Appearance { light, dark, highContrastLight, highContrastDark };

// The names used by KELV_APPEARANCE and in snapshot file names: "light", "dark", "hc-light",
// "hc-dark".
std::string_view appearanceName(Appearance appearance);
std::optional<Appearance> appearanceNamed(std::string_view name);
bool isDark(Appearance appearance);

// Hue in degrees, saturation and lightness in percent.
struct Hsl {
  double hue = 0;
  double saturation = 0;
  double lightness = 0;
};

// Red, green and blue in 0…1.
using Rgb = std::array<double, 3>;

Rgb hslToRgb(const Hsl& color);

struct ColorSpec {
  Hsl light;
  Hsl dark;
  std::optional<Hsl> highContrastLight;  // absent: the light values
  std::optional<Hsl> highContrastDark;   // absent: the dark values

  Hsl in(Appearance appearance) const;
};

enum class ColorName {
  canvas,
  sidebar,
  raised,
  line,
  ink,
  ink2,
  ink3,
  accent,
  onFill,
  highlight,
  onHighlight,
  them,
  recording,
  attention,
  interrupted,
};
constexpr int kColorCount = 15;

const ColorSpec& colorSpec(ColorName name);
Rgb resolveColor(ColorName name, Appearance appearance);

}  // namespace kelv::app
