#include "shell/theme_colors.h"

#include <algorithm>
#include <cmath>

namespace kelv::app {

std::string_view appearanceName(Appearance appearance) {
  switch (appearance) {
    case Appearance::light:
      return "light";
    case Appearance::dark:
      return "dark";
    case Appearance::highContrastLight:
      return "hc-light";
    case Appearance::highContrastDark:
      return "hc-dark";
  }
  return "light";
}

std::optional<Appearance> appearanceNamed(std::string_view name) {
  for (const Appearance appearance : {Appearance::light, Appearance::dark,
                                      Appearance::highContrastLight, Appearance::highContrastDark})
    if (appearanceName(appearance) == name) return appearance;
  return std::nullopt;
}

bool isDark(Appearance appearance) {
  return appearance == Appearance::dark || appearance == Appearance::highContrastDark;
}

Rgb hslToRgb(const Hsl& color) {
  const double s = color.saturation / 100.0;
  const double l = color.lightness / 100.0;
  const double a = s * std::min(l, 1.0 - l);
  const auto channel = [&](double n) {
    const double k = std::fmod(n + color.hue / 30.0, 12.0);
    const double kk = k < 0 ? k + 12.0 : k;
    return l - a * std::max(-1.0, std::min({kk - 3.0, 9.0 - kk, 1.0}));
  };
  return {channel(0), channel(8), channel(4)};
}

Hsl ColorSpec::in(Appearance appearance) const {
  switch (appearance) {
    case Appearance::dark:
      return dark;
    case Appearance::highContrastLight:
      return highContrastLight.value_or(light);
    case Appearance::highContrastDark:
      return highContrastDark.value_or(dark);
    case Appearance::light:
      break;
  }
  return light;
}

namespace {

// In the order of ColorName.
const ColorSpec kColors[kColorCount] = {
    {{48, 30, 95}, {0, 0, 6}, {}, {}},                                       // canvas
    {{48, 40, 89}, {0, 0, 10}, {}, {}},                                      // sidebar
    {{0, 0, 100}, {0, 0, 15}, {}, {}},                                       // raised
    {{0, 0, 4}, {0, 0, 96}, {}, {}},                                         // line
    {{0, 0, 4}, {0, 0, 97}, {}, {}},                                         // ink
    {{0, 0, 20}, {0, 0, 82}, Hsl{0, 0, 8}, Hsl{0, 0, 92}},                   // ink2
    {{0, 0, 32}, {0, 0, 66}, Hsl{0, 0, 14}, Hsl{0, 0, 84}},                  // ink3
    {{226, 100, 42}, {226, 100, 70}, Hsl{226, 100, 32}, Hsl{226, 100, 80}},  // accent
    {{0, 0, 100}, {0, 0, 4}, {}, {}},                                        // onFill
    {{54, 100, 55}, {54, 100, 50}, {}, {}},                                  // highlight
    {{0, 0, 4}, {0, 0, 4}, {}, {}},                                          // onHighlight
    {{322, 90, 40}, {322, 90, 72}, Hsl{322, 95, 30}, Hsl{322, 95, 82}},      // them
    {{2, 92, 46}, {2, 92, 62}, Hsl{2, 95, 36}, Hsl{2, 95, 74}},              // recording
    {{32, 100, 38}, {42, 100, 58}, Hsl{32, 100, 28}, Hsl{42, 100, 70}},      // attention
    {{270, 60, 42}, {270, 70, 76}, Hsl{270, 70, 32}, Hsl{270, 70, 84}},      // interrupted
};

}  // namespace

const ColorSpec& colorSpec(ColorName name) { return kColors[static_cast<int>(name)]; }

Rgb resolveColor(ColorName name, Appearance appearance) {
  return hslToRgb(colorSpec(name).in(appearance));
}

}  // namespace kelv::app
