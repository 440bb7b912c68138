// The theme and the shared button and card styles, loaded from the real QML module: states
// drawn from the table, the press offset, disabled buttons that neither move nor light up, and
// a running appearance change (forced, or from the desktop portal) that recolours what shows.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <map>

#include "desktop/appearance_watcher.h"
#include "shell/theme.h"
#include "view_harness.h"

namespace kelv::test {
namespace {

using app::Appearance;
using app::Theme;

// Colours as the views hold them: 8 bits per channel.
QRgb resolved(app::ColorName name, Appearance appearance) {
  const app::Rgb rgb = app::resolveColor(name, appearance);
  return QColor::fromRgbF(static_cast<float>(rgb[0]), static_cast<float>(rgb[1]),
                          static_cast<float>(rgb[2]))
      .rgba();
}

QRgb rgba(const QQuickItem* item) { return colorOf(item).rgba(); }

class ThemeViews : public ::testing::Test {
 protected:
  void SetUp() override { Theme::shared().force(Appearance::light); }
  void TearDown() override { Theme::shared().force(Appearance::light); }
  ViewHarness views_;
};

TEST_F(ThemeViews, PillPressedMovesOntoItsShadowUnlessDisabled) {
  for (const bool enabled : {true, false}) {
    SCOPED_TRACE(enabled ? "enabled" : "disabled");
    ViewHarness views;
    QQuickItem* pill = views.loadText(
        "Item { PillButton { objectName: 'pill'; x: 40; y: 40; text: 'Grabar'; enabled: " +
        QByteArray(enabled ? "true" : "false") + " } }");
    ASSERT_NE(pill, nullptr);
    QQuickItem* button = views.find("pill");
    QQuickItem* face = views.find("pillFace");
    QQuickItem* shadow = views.find("pillShadow");
    ASSERT_TRUE(button && face && shadow);
    EXPECT_EQ(button->height(), 34);
    EXPECT_DOUBLE_EQ(views.find("pillStyle")->opacity(), enabled ? 1.0 : 0.4);

    views.hover(button);
    views.press(button);
    views.settle();
    const qreal offset = enabled ? 3 : 0;
    EXPECT_EQ(face->x(), offset);
    EXPECT_EQ(face->y(), offset);
    // The shadow's strip beside the face stays where it is.
    EXPECT_EQ(shadow->x(), button->width());
    EXPECT_EQ(shadow->y(), 3);
    // Hover is never shown on a disabled pill.
    EXPECT_EQ(rgba(face),
              (enabled ? Theme::shared().highlight() : Theme::shared().raised()).rgba());
    views.release(button);
    views.settle();
    EXPECT_EQ(face->x(), 0);
  }
}

TEST_F(ThemeViews, PillFaceAndLabelFollowTheTable) {
  struct Row {
    const char* what;
    bool filled, hovered;
    QColor face, label;
  };
  const Theme& theme = Theme::shared();
  const QColor tint = theme.recording();
  const Row rows[] = {
      {"rest", false, false, theme.raised(), theme.ink()},
      {"restFilled", true, false, tint, theme.onFill()},
      {"hovered", false, true, theme.highlight(), theme.ink()},
      {"hoveredFilled", true, true, theme.highlight(), theme.onHighlight()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ViewHarness views;
    QQuickItem* style = views.load(
        "PillButtonStyle",
        {{"filled", row.filled}, {"hovered", row.hovered}, {"tint", tint}, {"text", "Detener"}});
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(rgba(views.find("pillFace")), row.face.rgba());
    EXPECT_EQ(rgba(views.find("pillLabel")), row.label.rgba());
    const QFont font = views.find("pillLabel")->property("font").value<QFont>();
    EXPECT_EQ(font.capitalization(), QFont::AllUppercase);
    EXPECT_NEAR(font.letterSpacing(), 0.6, 1.0 / 64);  // QFont keeps 1/64 steps
  }
}

TEST_F(ThemeViews, QuietButtonHoverPressAndSquareBorder) {
  struct Row {
    const char* what;
    bool square, hovered, pressed, enabled;
    QColor face, label;
    int border;
  };
  const Theme& theme = Theme::shared();
  const Row rows[] = {
      {"rest", false, false, false, true, Qt::transparent, theme.ink(), 0},
      {"hovered", false, true, false, true, theme.highlight(), theme.onHighlight(), 0},
      {"hoveredSquare", true, true, false, true, theme.highlight(), theme.onHighlight(), 2},
      {"pressed", true, true, true, true, theme.ink(), theme.canvas(), 2},
      {"disabledHovered", true, true, false, false, Qt::transparent, theme.ink(), 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ViewHarness views;
    QQuickItem* style = views.load("QuietButtonStyle", {{"square", row.square},
                                                        {"hovered", row.hovered},
                                                        {"pressed", row.pressed},
                                                        {"enabled", row.enabled},
                                                        {"text", "Ajustes…"}});
    ASSERT_NE(style, nullptr);
    QQuickItem* face = views.find("quietFace");
    EXPECT_EQ(rgba(face), row.face.rgba());
    EXPECT_EQ(rgba(views.find("quietLabel")), row.label.rgba());
    EXPECT_EQ(face->property("border").value<QObject*>()->property("width").toInt(), row.border);
    if (row.square) {
      EXPECT_EQ(style->implicitWidth(), 28);
    }
    EXPECT_EQ(style->implicitHeight(), 28);
  }
}

TEST_F(ThemeViews, CardTintIsCappedAtFullOpacity) {
  const Theme& theme = Theme::shared();
  EXPECT_NEAR(theme.card(theme.attention(), 0.1).alphaF(), 0.22, 1e-4);
  EXPECT_EQ(theme.card(theme.accent(), 0.5).alphaF(), 1.0f);
  EXPECT_EQ(theme.card(theme.accent(), 0.0).alphaF(), 0.0f);
  ASSERT_NE(views_.loadText("Card { objectName: 'card'; x: 20; y: 20; width: 100; height: 40;"
                            " color: Theme.accent; fill: 0.5 }"),
            nullptr);
  QQuickItem* card = views_.find("card");
  // Fill 0.5 hides the raised fill under the tint entirely.
  EXPECT_EQ(views_.pixel(card, {50, 20}).rgb(), theme.accent().rgb());
  EXPECT_EQ(views_.pixel(card, {1, 20}).rgb(), theme.line().rgb());
  // The hard shadow shows 3 right and 3 down of the card.
  EXPECT_EQ(views_.pixel(card, {101, 41}).rgb(), theme.line().rgb());
}

TEST_F(ThemeViews, ChangingTheAppearanceRecoloursWhatIsShown) {
  ASSERT_NE(views_.loadText("Item { PillButton { objectName: 'pill'; x: 20; y: 20; text: 'A' } }"),
            nullptr);
  QQuickItem* face = views_.find("pillFace");
  QQuickItem* shadow = views_.find("pillShadow");
  EXPECT_EQ(rgba(face), resolved(app::ColorName::raised, Appearance::light));
  QSignalSpy changed(&Theme::shared(), &Theme::appearanceChanged);
  Theme::shared().force(Appearance::dark);
  EXPECT_EQ(changed.count(), 1);
  views_.settle();
  EXPECT_EQ(rgba(face), resolved(app::ColorName::raised, Appearance::dark));
  EXPECT_EQ(rgba(shadow), resolved(app::ColorName::line, Appearance::dark));
  EXPECT_EQ(views_.pixel(face, {10, 17}).rgba(),
            resolved(app::ColorName::raised, Appearance::dark));
  Theme::shared().force(Appearance::highContrastLight);
  views_.settle();
  EXPECT_EQ(rgba(face), resolved(app::ColorName::raised, Appearance::light));
  EXPECT_EQ(Theme::shared().ink2().rgba(),
            resolved(app::ColorName::ink2, Appearance::highContrastLight));
}

// The desktop portal's Settings interface, on the private session bus.
class FakePortal : public QDBusVirtualObject {
 public:
  FakePortal()
      : bus_(QDBusConnection::connectToBus(
            QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS")),
            QStringLiteral("fake-portal"))) {
    EXPECT_TRUE(
        bus_.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), this));
    EXPECT_TRUE(bus_.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
  }
  ~FakePortal() override {
    bus_.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
    bus_.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
  }

  void set(const QString& group, const QString& key, const QVariant& value) {
    values_[group + '/' + key] = value;
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("SettingChanged"));
    signal << group << key << QVariant::fromValue(QDBusVariant(value));
    bus_.send(signal);
  }
  void preset(const QString& group, const QString& key, const QVariant& value) {
    values_[group + '/' + key] = value;
  }

  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != QLatin1String("Read") || message.arguments().size() != 2) return false;
    const QString name =
        message.arguments()[0].toString() + '/' + message.arguments()[1].toString();
    const auto found = values_.find(name);
    if (found == values_.end()) {
      connection.send(message.createErrorReply(
          QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("not found")));
    } else {
      // Read answers with the value wrapped in a second variant.
      connection.send(message.createReply(
          QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(found->second))))));
    }
    return true;
  }

 private:
  QDBusConnection bus_;
  std::map<QString, QVariant> values_;
};

TEST(AppearanceWatcher, FollowsThePortalFromStartAndWhenItChanges) {
  qunsetenv("KELV_APPEARANCE");
  qunsetenv("KELV_REDUCE_MOTION");
  FakePortal portal;
  const QString appearance = QStringLiteral("org.freedesktop.appearance");
  portal.preset(appearance, QStringLiteral("color-scheme"), 1u);
  app::AppearanceWatcher watcher;
  ViewHarness views;
  ASSERT_TRUE(views.waitUntil([&] { return watcher.appearance() == Appearance::dark; }));
  EXPECT_FALSE(watcher.reduceMotion());

  portal.set(appearance, QStringLiteral("contrast"), 1u);
  EXPECT_TRUE(
      views.waitUntil([&] { return watcher.appearance() == Appearance::highContrastDark; }));
  portal.set(appearance, QStringLiteral("color-scheme"), 2u);
  EXPECT_TRUE(
      views.waitUntil([&] { return watcher.appearance() == Appearance::highContrastLight; }));
  portal.set(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"),
             false);
  EXPECT_TRUE(views.waitUntil([&] { return watcher.reduceMotion(); }));
  // A forced appearance wins over the portal until it is cleared.
  watcher.force(Appearance::dark);
  portal.set(appearance, QStringLiteral("contrast"), 0u);
  views.settle();
  EXPECT_EQ(watcher.appearance(), Appearance::dark);
  watcher.force(std::nullopt);
  EXPECT_EQ(watcher.appearance(), Appearance::light);
}

TEST(AppearanceWatcher, EnvironmentForcesAppearanceAndReducedMotion) {
  qputenv("KELV_APPEARANCE", "hc-dark");
  qputenv("KELV_REDUCE_MOTION", "1");
  app::AppearanceWatcher watcher;
  qunsetenv("KELV_APPEARANCE");
  qunsetenv("KELV_REDUCE_MOTION");
  EXPECT_EQ(watcher.appearance(), Appearance::highContrastDark);
  EXPECT_TRUE(watcher.reduceMotion());
}

}  // namespace
}  // namespace kelv::test
