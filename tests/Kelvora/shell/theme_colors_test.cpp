// The colour rule: HSL values of each appearance turned into sRGB, with high contrast falling
// back to the plain light or dark values where a colour has none of its own. Expected values
// were computed separately (the HLS conversion of Python's colorsys).
#include <gtest/gtest.h>

#include <string>

#include "shell/theme_colors.h"

namespace kelv::app {
namespace {

struct Expected {
  const char* what;
  ColorName name;
  Appearance appearance;
  double red, green, blue;
};

class ResolvedColour : public ::testing::TestWithParam<Expected> {};

TEST_P(ResolvedColour, MatchesTheIndependentConversion) {
  const Expected& expected = GetParam();
  const Rgb rgb = resolveColor(expected.name, expected.appearance);
  EXPECT_NEAR(rgb[0], expected.red, 1e-9);
  EXPECT_NEAR(rgb[1], expected.green, 1e-9);
  EXPECT_NEAR(rgb[2], expected.blue, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Appearances, ResolvedColour,
    ::testing::Values(
        Expected{"canvasLight", ColorName::canvas, Appearance::light, 0.965, 0.959, 0.935},
        Expected{"sidebarLight", ColorName::sidebar, Appearance::light, 0.934, 0.9164, 0.846},
        Expected{"accentLight", ColorName::accent, Appearance::light, 0.0, 0.196, 0.84},
        Expected{"highlightLight", ColorName::highlight, Appearance::light, 1.0, 0.91, 0.1},
        Expected{"themLight", ColorName::them, Appearance::light, 0.76, 0.04, 0.496},
        // Dark: cards and pills show light borders and shadows on a 15 % grey.
        Expected{"raisedDark", ColorName::raised, Appearance::dark, 0.15, 0.15, 0.15},
        Expected{"lineDark", ColorName::line, Appearance::dark, 0.96, 0.96, 0.96},
        Expected{"accentDark", ColorName::accent, Appearance::dark, 0.4, 0.54, 1.0},
        Expected{"attentionDark", ColorName::attention, Appearance::dark, 1.0, 0.748, 0.16},
        Expected{"accentHighContrastLight", ColorName::accent, Appearance::highContrastLight, 0.0,
                 0.149333333333333, 0.64},
        Expected{"interruptedHighContrastLight", ColorName::interrupted,
                 Appearance::highContrastLight, 0.32, 0.096, 0.544},
        Expected{"accentHighContrastDark", ColorName::accent, Appearance::highContrastDark, 0.6,
                 0.693333333333333, 1.0},
        Expected{"themHighContrastDark", ColorName::them, Appearance::highContrastDark, 0.991,
                 0.649, 0.8656},
        // No high-contrast values of their own: the light and the dark ones.
        Expected{"canvasHighContrastLight", ColorName::canvas, Appearance::highContrastLight, 0.965,
                 0.959, 0.935},
        Expected{"lineHighContrastDark", ColorName::line, Appearance::highContrastDark, 0.96, 0.96,
                 0.96}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(HslToRgb, HueWrapsAndGreysIgnoreIt) {
  const Rgb red = hslToRgb({0, 100, 50});
  const Rgb fullTurn = hslToRgb({360, 100, 50});
  const Rgb negative = hslToRgb({-120, 100, 50});
  const Rgb blue = hslToRgb({240, 100, 50});
  for (int channel = 0; channel < 3; ++channel) {
    EXPECT_NEAR(red[channel], fullTurn[channel], 1e-12);
    EXPECT_NEAR(negative[channel], blue[channel], 1e-12);
  }
  EXPECT_EQ(hslToRgb({0, 0, 4}), hslToRgb({200, 0, 4}));
}

TEST(AppearanceNames, RoundTripAndRejectOthers) {
  for (const Appearance appearance : {Appearance::light, Appearance::dark,
                                      Appearance::highContrastLight, Appearance::highContrastDark})
    EXPECT_EQ(appearanceNamed(appearanceName(appearance)), appearance);
  EXPECT_EQ(appearanceNamed("Dark"), std::nullopt);
  EXPECT_EQ(appearanceNamed("hc"), std::nullopt);
  EXPECT_EQ(appearanceNamed(""), std::nullopt);
}

}  // namespace
}  // namespace kelv::app
