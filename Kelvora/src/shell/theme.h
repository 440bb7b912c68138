// The one place the program's look is defined, for every view: the named colours resolved in
// the current appearance (and resolved again when it changes), the named fonts, the hover fade,
// the recurring timings with their reduced-motion substitutes, the pace of the live parts
// (clocks, the processing sweep), and the card tint.
// Exposed to QML as the singleton `Theme` of the Kelvora module; one instance per process, on
// the main thread.
#pragma once

#include <QtQml/qqmlregistration.h>
#include <QColor>
#include <QFont>
#include <QObject>
#include <QString>

#include <array>
#include <optional>

#include "desktop/appearance_watcher.h"
#include "shell/theme_colors.h"

class QQmlEngine;
class QJSEngine;

namespace kelv::app {

class Theme : public QObject {
  Q_OBJECT
  QML_ELEMENT
  QML_SINGLETON

  Q_PROPERTY(QString appearance READ appearanceText NOTIFY appearanceChanged)
  Q_PROPERTY(bool dark READ dark NOTIFY appearanceChanged)
  Q_PROPERTY(QColor canvas READ canvas NOTIFY appearanceChanged)
  Q_PROPERTY(QColor sidebar READ sidebar NOTIFY appearanceChanged)
  Q_PROPERTY(QColor raised READ raised NOTIFY appearanceChanged)
  Q_PROPERTY(QColor line READ line NOTIFY appearanceChanged)
  Q_PROPERTY(QColor ink READ ink NOTIFY appearanceChanged)
  Q_PROPERTY(QColor ink2 READ ink2 NOTIFY appearanceChanged)
  Q_PROPERTY(QColor ink3 READ ink3 NOTIFY appearanceChanged)
  Q_PROPERTY(QColor accent READ accent NOTIFY appearanceChanged)
  Q_PROPERTY(QColor onFill READ onFill NOTIFY appearanceChanged)
  Q_PROPERTY(QColor highlight READ highlight NOTIFY appearanceChanged)
  Q_PROPERTY(QColor onHighlight READ onHighlight NOTIFY appearanceChanged)
  Q_PROPERTY(QColor them READ them NOTIFY appearanceChanged)
  Q_PROPERTY(QColor recording READ recording NOTIFY appearanceChanged)
  Q_PROPERTY(QColor attention READ attention NOTIFY appearanceChanged)
  Q_PROPERTY(QColor interrupted READ interrupted NOTIFY appearanceChanged)

  Q_PROPERTY(QFont caption READ caption CONSTANT)
  Q_PROPERTY(QFont mono READ mono CONSTANT)
  Q_PROPERTY(QFont eyebrow READ eyebrow CONSTANT)
  Q_PROPERTY(QFont meta READ meta CONSTANT)
  Q_PROPERTY(QFont metaMedium READ metaMedium CONSTANT)
  Q_PROPERTY(QFont ui READ ui CONSTANT)
  Q_PROPERTY(QFont uiStrong READ uiStrong CONSTANT)
  Q_PROPERTY(QFont reading READ reading CONSTANT)
  Q_PROPERTY(QFont readingItalic READ readingItalic CONSTANT)
  Q_PROPERTY(QFont heading READ heading CONSTANT)
  Q_PROPERTY(QFont display READ display CONSTANT)
  Q_PROPERTY(QFont title READ title CONSTANT)
  Q_PROPERTY(QFont clock READ clock CONSTANT)
  Q_PROPERTY(QFont code READ code CONSTANT)
  // How much larger than the standard size the user's text is (1.5 where the desktop's font
  // resolution is 144 dpi), never below 1: the sizes that hold text (button heights, window sizes)
  // grow with it.
  Q_PROPERTY(qreal textScale READ textScale CONSTANT)

  // Milliseconds and QEasingCurve types, for the views' animations.
  Q_PROPERTY(bool reduceMotion READ reduceMotion NOTIFY motionChanged)
  Q_PROPERTY(int fadeDuration READ fadeDuration CONSTANT)
  Q_PROPERTY(int layoutDuration READ layoutDuration NOTIFY motionChanged)
  Q_PROPERTY(int layoutEasing READ layoutEasing NOTIFY motionChanged)
  Q_PROPERTY(int pressDuration READ pressDuration NOTIFY motionChanged)
  Q_PROPERTY(int pressEasing READ pressEasing NOTIFY motionChanged)
  Q_PROPERTY(int flipDuration READ flipDuration NOTIFY motionChanged)
  Q_PROPERTY(int flipEasing READ flipEasing NOTIFY motionChanged)
  Q_PROPERTY(int appearDuration READ appearDuration CONSTANT)
  Q_PROPERTY(int appearEasing READ appearEasing CONSTANT)
  Q_PROPERTY(int displaceDuration READ displaceDuration NOTIFY motionChanged)
  Q_PROPERTY(int tooltipDelay READ tooltipDelay CONSTANT)
  // The live parts: a running clock's redraw, the processing bar's sweep and its frames.
  Q_PROPERTY(int clockInterval READ clockInterval CONSTANT)
  Q_PROPERTY(int sweepPeriod READ sweepPeriod CONSTANT)
  Q_PROPERTY(int sweepFrameInterval READ sweepFrameInterval CONSTANT)

 public:
  // The process's theme, made on first use (needs a QGuiApplication for the fonts).
  static Theme& shared();
  // How the QML engine obtains the singleton; the instance stays owned by C++.
  static Theme* create(QQmlEngine* qmlEngine, QJSEngine* jsEngine);

  Appearance appearance() const { return appearance_; }
  // Forces an appearance (snapshots, tests); nullopt follows the desktop again.
  void force(std::optional<Appearance> appearance);
  QColor color(ColorName name) const { return colors_[static_cast<int>(name)]; }

  QString appearanceText() const;
  bool dark() const { return isDark(appearance_); }
  QColor canvas() const { return color(ColorName::canvas); }
  QColor sidebar() const { return color(ColorName::sidebar); }
  QColor raised() const { return color(ColorName::raised); }
  QColor line() const { return color(ColorName::line); }
  QColor ink() const { return color(ColorName::ink); }
  QColor ink2() const { return color(ColorName::ink2); }
  QColor ink3() const { return color(ColorName::ink3); }
  QColor accent() const { return color(ColorName::accent); }
  QColor onFill() const { return color(ColorName::onFill); }
  QColor highlight() const { return color(ColorName::highlight); }
  QColor onHighlight() const { return color(ColorName::onHighlight); }
  QColor them() const { return color(ColorName::them); }
  QColor recording() const { return color(ColorName::recording); }
  QColor attention() const { return color(ColorName::attention); }
  QColor interrupted() const { return color(ColorName::interrupted); }

  QFont caption() const { return caption_; }
  QFont mono() const { return mono_; }
  QFont eyebrow() const { return eyebrow_; }
  QFont meta() const { return meta_; }
  // `meta` in medium weight: the state badges.
  QFont metaMedium() const { return metaMedium_; }
  QFont ui() const { return ui_; }
  QFont uiStrong() const { return uiStrong_; }
  QFont reading() const { return reading_; }
  QFont readingItalic() const { return readingItalic_; }
  QFont heading() const { return heading_; }
  QFont display() const { return display_; }
  QFont title() const { return title_; }
  QFont clock() const { return clock_; }
  // The 12-point monospaced system font of code blocks.
  QFont code() const { return code_; }
  qreal textScale() const { return textScale_; }

  bool reduceMotion() const;
  int fadeDuration() const { return 60; }
  int layoutDuration() const;
  int layoutEasing() const;
  int pressDuration() const;
  int pressEasing() const;
  int flipDuration() const;
  int flipEasing() const;
  // What enters a view (a list row, a meeting's notes, the drop target): 0.14 s, ease-out.
  int appearDuration() const { return 140; }
  int appearEasing() const;
  // Rows moving aside for one that enters or leaves: 0.14 s (reduced: at once).
  int displaceDuration() const { return reduceMotion() ? 0 : 140; }
  int tooltipDelay() const { return 600; }
  // Four redraws a second keep a seconds clock from lagging visibly behind.
  int clockInterval() const { return 250; }
  int sweepPeriod() const { return 1600; }
  // At most 30 frames a second.
  int sweepFrameInterval() const { return 33; }

  // The tint a card lays over its `raised` fill: the colour at opacity min(fill × 2.2, 1).
  Q_INVOKABLE QColor card(const QColor& color, qreal fill) const;
  // The font upper-cased with the given letter spacing, as labels and large headings use it.
  Q_INVOKABLE QFont caps(const QFont& font, qreal letterSpacing) const;

 signals:
  void appearanceChanged();
  void motionChanged();

 private:
  explicit Theme(QObject* parent = nullptr);
  void resolve();

  AppearanceWatcher watcher_;
  Appearance appearance_ = Appearance::light;
  std::array<QColor, kColorCount> colors_;
  QFont caption_, mono_, eyebrow_, meta_, metaMedium_, ui_, uiStrong_, reading_, readingItalic_,
      heading_, display_, title_, clock_, code_;
  qreal textScale_ = 1;
};

}  // namespace kelv::app
