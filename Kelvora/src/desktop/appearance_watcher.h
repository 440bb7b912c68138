// Follows the desktop's appearance: dark or light, normal or high contrast, and whether the
// user asked for reduced motion. The XDG desktop portal's settings are read at start and
// followed through its SettingChanged signal; without a portal the application palette's window
// lightness decides dark, and high contrast is off. KELV_APPEARANCE ("light", "dark",
// "hc-light", "hc-dark") forces one appearance and KELV_REDUCE_MOTION=1 forces reduced motion.
// Lives on the main thread.
#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <optional>

#include "shell/theme_colors.h"

namespace kelv::app {

class AppearanceWatcher : public QObject {
  Q_OBJECT

 public:
  explicit AppearanceWatcher(QObject* parent = nullptr);

  Appearance appearance() const;
  bool reduceMotion() const;

  // A forced appearance wins over the desktop's until it is cleared.
  void force(std::optional<Appearance> appearance);

 signals:
  void changed();

 public slots:
  // The portal's SettingChanged signal: namespace, key, value.
  void onSettingChanged(const QDBusMessage& message);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void askPortal(const QString& group, const QString& key);
  void take(const QString& group, const QString& key, const QVariant& value);
  bool paletteIsDark() const;

  std::optional<Appearance> forced_;
  bool forcedReduceMotion_ = false;
  std::optional<unsigned> colorScheme_;  // portal: 0 no preference, 1 dark, 2 light
  std::optional<unsigned> contrast_;     // portal: 0 normal, 1 high
  std::optional<bool> animations_;       // portal: enable-animations
  bool paletteDark_ = false;
};

}  // namespace kelv::app
