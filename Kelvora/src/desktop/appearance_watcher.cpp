#include "desktop/appearance_watcher.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

#include <cstdlib>
#include <cstring>

namespace kelv::app {

namespace {

const char kPortalService[] = "org.freedesktop.portal.Desktop";
const char kPortalPath[] = "/org/freedesktop/portal/desktop";
const char kSettingsInterface[] = "org.freedesktop.portal.Settings";
const QString kAppearanceGroup = QStringLiteral("org.freedesktop.appearance");
const QString kInterfaceGroup = QStringLiteral("org.gnome.desktop.interface");

// Settings.Read wraps its value in one variant more than the value itself.
QVariant unwrapped(QVariant value) {
  while (value.metaType() == QMetaType::fromType<QDBusVariant>())
    value = value.value<QDBusVariant>().variant();
  return value;
}

}  // namespace

AppearanceWatcher::AppearanceWatcher(QObject* parent) : QObject(parent) {
  if (const char* name = std::getenv("KELV_APPEARANCE")) forced_ = appearanceNamed(name);
  if (const char* reduce = std::getenv("KELV_REDUCE_MOTION"))
    forcedReduceMotion_ = std::strcmp(reduce, "1") == 0;

  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    paletteDark_ = paletteIsDark();
    QCoreApplication::instance()->installEventFilter(this);
  }

  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  // The whole message: QtDBus does not match a slot with a QDBusVariant parameter here.
  bus.connect(QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalPath),
              QString::fromLatin1(kSettingsInterface), QStringLiteral("SettingChanged"), this,
              SLOT(onSettingChanged(QDBusMessage)));
  askPortal(kAppearanceGroup, QStringLiteral("color-scheme"));
  askPortal(kAppearanceGroup, QStringLiteral("contrast"));
  askPortal(kInterfaceGroup, QStringLiteral("enable-animations"));
}

Appearance AppearanceWatcher::appearance() const {
  if (forced_) return *forced_;
  const bool dark = colorScheme_ && *colorScheme_ != 0 ? *colorScheme_ == 1 : paletteDark_;
  const bool high = contrast_.value_or(0) == 1;
  if (high) return dark ? Appearance::highContrastDark : Appearance::highContrastLight;
  return dark ? Appearance::dark : Appearance::light;
}

bool AppearanceWatcher::reduceMotion() const { return forcedReduceMotion_ || animations_ == false; }

void AppearanceWatcher::force(std::optional<Appearance> appearance) {
  const Appearance before = this->appearance();
  forced_ = appearance;
  if (this->appearance() != before) emit changed();
}

bool AppearanceWatcher::eventFilter(QObject* watched, QEvent* event) {
  if (watched == QCoreApplication::instance() &&
      event->type() == QEvent::ApplicationPaletteChange) {
    const bool dark = paletteIsDark();
    if (dark != paletteDark_) {
      paletteDark_ = dark;
      emit changed();
    }
  }
  return QObject::eventFilter(watched, event);
}

void AppearanceWatcher::onSettingChanged(const QDBusMessage& message) {
  const QList<QVariant> arguments = message.arguments();
  if (arguments.size() != 3) return;
  take(arguments[0].toString(), arguments[1].toString(), arguments[2]);
}

void AppearanceWatcher::askPortal(const QString& group, const QString& key) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalPath),
      QString::fromLatin1(kSettingsInterface), QStringLiteral("Read"));
  call << group << key;
  // Asked without waiting: a desktop without a portal must not hold up the first window.
  auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, group, key](QDBusPendingCallWatcher* finished) {
            finished->deleteLater();
            const QDBusPendingReply<QDBusVariant> reply = *finished;
            if (reply.isError()) return;
            take(group, key, reply.value().variant());
          });
}

void AppearanceWatcher::take(const QString& group, const QString& key, const QVariant& raw) {
  const QVariant value = unwrapped(raw);
  const Appearance before = appearance();
  const bool reducedBefore = reduceMotion();
  if (group == kAppearanceGroup && key == QLatin1String("color-scheme")) {
    bool ok = false;
    const unsigned scheme = value.toUInt(&ok);
    colorScheme_ = ok ? std::optional<unsigned>(scheme) : std::nullopt;
  } else if (group == kAppearanceGroup && key == QLatin1String("contrast")) {
    bool ok = false;
    const unsigned contrast = value.toUInt(&ok);
    contrast_ = ok ? std::optional<unsigned>(contrast) : std::nullopt;
  } else if (group == kInterfaceGroup && key == QLatin1String("enable-animations")) {
    animations_ = value.metaType() == QMetaType::fromType<bool>()
                      ? std::optional<bool>(value.toBool())
                      : std::nullopt;
  } else {
    return;
  }
  if (appearance() != before || reduceMotion() != reducedBefore) emit changed();
}

bool AppearanceWatcher::paletteIsDark() const {
  return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
}

}  // namespace kelv::app
