#include "shell/theme.h"

#include <QEasingCurve>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QJSEngine>
#include <QQmlEngine>
#include <QScreen>

#include <algorithm>

namespace kelv::app {

namespace {

// The sizes below are points of a screen at the standard 96 dpi. The desktop's font
// resolution (Xft.dpi, raised by a "large text" setting) is the user's text size, so fonts are
// given in real points and grow with it.
constexpr qreal kStandardDpi = 96;

qreal desktopDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInch() : kStandardDpi;
}

QFont font(QFontDatabase::SystemFont design, qreal size, int weight) {
  QFont result = QFontDatabase::systemFont(design);
  result.setPointSizeF(size * 72.0 / kStandardDpi);
  result.setWeight(static_cast<QFont::Weight>(weight));
  return result;
}

constexpr int kRegular = 400, kMedium = 500, kBold = 700, kHeavy = 800, kBlack = 900;

}  // namespace

Theme& Theme::shared() {
  // Never destroyed: QML engines and windows may hold it until the very end of the process.
  static Theme* theme = new Theme;
  return *theme;
}

Theme* Theme::create(QQmlEngine*, QJSEngine*) {
  Theme* theme = &shared();
  QJSEngine::setObjectOwnership(theme, QJSEngine::CppOwnership);
  return theme;
}

Theme::Theme(QObject* parent)
    : QObject(parent), textScale_(std::max(1.0, desktopDpi() / kStandardDpi)) {
  const auto mono = QFontDatabase::FixedFont;
  const auto standard = QFontDatabase::GeneralFont;
  caption_ = font(mono, 10.5, kRegular);
  mono_ = font(mono, 11, kRegular);
  eyebrow_ = font(mono, 11, kBold);
  meta_ = font(mono, 11.5, kRegular);
  metaMedium_ = font(mono, 11.5, kMedium);
  ui_ = font(mono, 12.5, kMedium);
  uiStrong_ = font(mono, 12.5, kHeavy);
  reading_ = font(standard, 15, kRegular);
  readingItalic_ = reading_;
  readingItalic_.setItalic(true);
  heading_ = font(standard, 18, kBlack);
  display_ = font(standard, 26, kBlack);
  title_ = font(standard, 36, kBlack);
  clock_ = font(mono, 32, kHeavy);
  code_ = font(mono, 12, kRegular);

  connect(&watcher_, &AppearanceWatcher::changed, this, [this] {
    resolve();
    emit motionChanged();
  });
  resolve();
}

void Theme::force(std::optional<Appearance> appearance) { watcher_.force(appearance); }

void Theme::resolve() {
  const Appearance appearance = watcher_.appearance();
  const bool first = !colors_[0].isValid();
  appearance_ = appearance;
  for (int index = 0; index < kColorCount; ++index) {
    const Rgb rgb = resolveColor(static_cast<ColorName>(index), appearance);
    colors_[index] = QColor::fromRgbF(static_cast<float>(rgb[0]), static_cast<float>(rgb[1]),
                                      static_cast<float>(rgb[2]), 1.0f);
  }
  if (!first) emit appearanceChanged();
}

QString Theme::appearanceText() const {
  const std::string_view name = appearanceName(appearance_);
  return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

bool Theme::reduceMotion() const { return watcher_.reduceMotion(); }

// Appearance and layout changes: ease-out over 0.14 s (reduced: ease-in-out over 0.15 s).
int Theme::layoutDuration() const { return reduceMotion() ? 150 : 140; }
int Theme::layoutEasing() const {
  return reduceMotion() ? QEasingCurve::InOutQuad : QEasingCurve::OutQuad;
}

// Presses and selection: linear over 0.08 s (reduced: ease-in-out over 0.1 s).
int Theme::pressDuration() const { return reduceMotion() ? 100 : 80; }
int Theme::pressEasing() const {
  return reduceMotion() ? QEasingCurve::InOutQuad : QEasingCurve::Linear;
}

// Small state flips: a spring of response 0.22 s and damping 0.6, which overshoots by about
// 9.5 % and has settled after about 0.3 s; an ease-out-back curve (10 % overshoot) over that
// time draws the same motion. Reduced: ease-in-out over 0.15 s.
int Theme::flipDuration() const { return reduceMotion() ? 150 : 300; }
int Theme::flipEasing() const {
  return reduceMotion() ? QEasingCurve::InOutQuad : QEasingCurve::OutBack;
}

int Theme::appearEasing() const { return QEasingCurve::OutQuad; }

QColor Theme::card(const QColor& color, qreal fill) const {
  QColor tint = color;
  tint.setAlphaF(static_cast<float>(std::clamp(fill * 2.2, 0.0, 1.0)));
  return tint;
}

QFont Theme::caps(const QFont& font, qreal letterSpacing) const {
  QFont result = font;
  result.setCapitalization(QFont::AllUppercase);
  result.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
  return result;
}

}  // namespace kelv::app
