// The real `kelvora` on a private X server with a tray host on the private session bus: the
// item registers with the watcher, its title and icon follow the recording, D-Bus `Activate`
// opens the pop-over, the quit row ends the application through the same path as a signal, and
// the first start before consent opens onboarding.
#include <sys/wait.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QTest>

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "application_home.h"
#include "child_process.h"
#include "fake_status_notifier_watcher.h"
#include "temp_dir.h"
#include "xvfb_display.h"

namespace kelv::test {
namespace {

namespace fs = std::filesystem;

// A sanitized build starting up on a busy machine.
constexpr int kPatienceMs = 120'000;

// A second X client: finds the application's top-level windows, clicks and types into them.
class Screen {
 public:
  struct Window {
    xcb_window_t id = XCB_NONE;
    QRect geometry;
  };

  explicit Screen(const std::string& display) {
    connection_ = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(connection_)) throw std::runtime_error("no X connection");
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    symbols_ = xcb_key_symbols_alloc(connection_);
  }
  ~Screen() {
    xcb_key_symbols_free(symbols_);
    xcb_disconnect(connection_);
  }

  // The shown top-level window with this title, if any.
  std::optional<Window> shown(const std::string& title) {
    auto* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr);
    if (tree == nullptr) return std::nullopt;
    std::optional<Window> found;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int index = 0; index < xcb_query_tree_children_length(tree) && !found; ++index) {
      const xcb_window_t window = children[index];
      auto* attributes = xcb_get_window_attributes_reply(
          connection_, xcb_get_window_attributes(connection_, window), nullptr);
      const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
      std::free(attributes);
      if (!viewable || name(window) != title) continue;
      auto* geometry =
          xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr);
      if (geometry != nullptr)
        found = Window{window, QRect(geometry->x, geometry->y, geometry->width, geometry->height)};
      std::free(geometry);
    }
    std::free(tree);
    return found;
  }

  void click(QPoint at) {
    xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_,
                        static_cast<int16_t>(at.x()), static_cast<int16_t>(at.y()), XCB_NONE);
    xcb_test_fake_input(connection_, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                        XCB_NONE);
    xcb_test_fake_input(connection_, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                        XCB_NONE);
    sync();
  }

 private:
  std::string name(xcb_window_t window) {
    const xcb_atom_t utf8 = atom("UTF8_STRING");
    auto* reply = xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, atom("_NET_WM_NAME"), utf8, 0, 256),
        nullptr);
    std::string text;
    if (reply != nullptr)
      text.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                  static_cast<size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return text;
  }

  xcb_atom_t atom(const char* name) {
    auto* reply = xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, static_cast<uint16_t>(strlen(name)), name),
        nullptr);
    const xcb_atom_t value = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return value;
  }

  void sync() {
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
  }

  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = XCB_NONE;
  xcb_key_symbols_t* symbols_ = nullptr;
};

// The tray item's properties as the host reads them.
struct ItemProperties {
  QString toolTipTitle;
  QByteArray iconBytes;  // all the icon's pixmaps, concatenated
};

class TrayTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { display_ = new XvfbDisplay; }
  static void TearDownTestSuite() {
    delete display_;
    display_ = nullptr;
  }

  void SetUp() override {
    home_.environment.insert({
        {"KELV_APPEARANCE", "light"},
        {"DISPLAY", display_->name()},
        {"QT_QPA_PLATFORM", "xcb"},
        {"QT_QUICK_BACKEND", "software"},
    });
    screen_.emplace(display_->name());
  }

  std::unique_ptr<ChildProcess> launch() {
    return std::make_unique<ChildProcess>(std::vector<std::string>{ApplicationHome::executable()},
                                          home_.environment, home_.log());
  }

  int run(const std::string& url) {
    return ChildProcess({ApplicationHome::executable(), url}, home_.environment, home_.log())
        .wait();
  }

  // The bus name the item registered under, once it has.
  std::optional<QString> registeredItem(const FakeStatusNotifierWatcher& watcher) {
    if (!QTest::qWaitFor([&] { return !watcher.items().isEmpty(); }, kPatienceMs))
      return std::nullopt;
    return watcher.items().first().section(QLatin1Char(' '), 0, 0);
  }

  static ItemProperties read(const QString& item) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        item, QStringLiteral("/StatusNotifierItem"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
    call << QStringLiteral("org.kde.StatusNotifierItem");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 10'000);
    ItemProperties properties;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
      return properties;
    const QVariantMap values = qdbus_cast<QVariantMap>(reply.arguments().first());
    // ToolTip: (icon name, icon pixmaps, title, text).
    const QDBusArgument toolTip = values.value(QStringLiteral("ToolTip")).value<QDBusArgument>();
    toolTip.beginStructure();
    QString iconName;
    toolTip >> iconName;
    toolTip.beginArray();
    while (!toolTip.atEnd()) {
      int w = 0, h = 0;
      QByteArray bytes;
      toolTip.beginStructure();
      toolTip >> w >> h >> bytes;
      toolTip.endStructure();
    }
    toolTip.endArray();
    toolTip >> properties.toolTipTitle;
    QString toolTipText;
    toolTip >> toolTipText;
    toolTip.endStructure();
    // IconPixmap: a(iiay).
    const QDBusArgument icon = values.value(QStringLiteral("IconPixmap")).value<QDBusArgument>();
    icon.beginArray();
    while (!icon.atEnd()) {
      int w = 0, h = 0;
      QByteArray bytes;
      icon.beginStructure();
      icon >> w >> h >> bytes;
      icon.endStructure();
      properties.iconBytes += bytes;
    }
    icon.endArray();
    return properties;
  }

  static void activate(const QString& item) {
    QDBusMessage call = QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"),
                                                       QStringLiteral("org.kde.StatusNotifierItem"),
                                                       QStringLiteral("Activate"));
    call << 10 << 10;
    QDBusConnection::sessionBus().call(call, QDBus::Block, 10'000);
  }

  std::string meetingState() const {
    const auto meetings = home_.meetings();
    return meetings.empty() ? "" : ApplicationHome::state(meetings.front());
  }

  static XvfbDisplay* display_;
  ApplicationHome home_{"kelvora-tray"};
  std::optional<Screen> screen_;
};

XvfbDisplay* TrayTest::display_ = nullptr;

int exitStatus(int waitStatus) { return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1; }

TEST_F(TrayTest, TheItemFollowsTheRecordingAndItsQuitRowEndsTheApplication) {
  home_.acknowledgeConsent();
  FakeStatusNotifierWatcher watcher;
  auto instance = launch();
  const std::optional<QString> item = registeredItem(watcher);
  ASSERT_TRUE(item) << readFile(home_.log());

  ItemProperties idle;
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return (idle = read(*item)).toolTipTitle == "Tizara"; }, kPatienceMs))
      << idle.toolTipTitle.toStdString();
  EXPECT_FALSE(idle.iconBytes.isEmpty());
  // Consent given: no onboarding.
  EXPECT_FALSE(screen_->shown("Bienvenida a Tizara"));

  // A left click opens the pop-over.
  activate(*item);
  std::optional<Screen::Window> popover;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (popover = screen_->shown("Tizara")).has_value(); },
                              kPatienceMs))
      << readFile(home_.log());
  EXPECT_EQ(popover->geometry.width(), 300);

  // Recording: the title and the picture change.
  ASSERT_EQ(run("kelvora://start"), 0) << readFile(home_.log());
  ItemProperties recording;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return (recording = read(*item)).toolTipTitle == "Tizara, grabando"; }, kPatienceMs));
  EXPECT_FALSE(recording.iconBytes.isEmpty());
  EXPECT_NE(recording.iconBytes, idle.iconBytes);
  ASSERT_EQ(meetingState(), "recording");

  // The quit row, the last of the pop-over (28 high above 6 of padding): the pop-over closes
  // and the application ends as on a termination signal, stopping the recording for the next
  // launch to process.
  ASSERT_TRUE(QTest::qWaitFor([&] { return (popover = screen_->shown("Tizara")).has_value(); },
                              kPatienceMs));
  const QRect area = popover->geometry;
  screen_->click(QPoint(area.left() + 150, area.bottom() - 6 - 14));
  EXPECT_EQ(exitStatus(instance->wait()), 0) << readFile(home_.log());
  EXPECT_EQ(meetingState(), "processing") << readFile(home_.log());
}

TEST_F(TrayTest, TheFirstStartBeforeConsentOpensOnboarding) {
  FakeStatusNotifierWatcher watcher;
  auto instance = launch();
  ASSERT_TRUE(registeredItem(watcher)) << readFile(home_.log());
  EXPECT_TRUE(QTest::qWaitFor([&] { return screen_->shown("Bienvenida a Tizara").has_value(); },
                              kPatienceMs))
      << readFile(home_.log());
  EXPECT_FALSE(screen_->shown("Tizara"));
  EXPECT_EQ(exitStatus(instance->stop(std::chrono::seconds(30))), 0);
}

TEST_F(TrayTest, WithoutATrayThePopOversContentOpensAsAWindow) {
  home_.acknowledgeConsent();
  auto instance = launch();
  std::optional<Screen::Window> window;
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return (window = screen_->shown("Tizara")).has_value(); }, kPatienceMs))
      << readFile(home_.log());
  if (window) {
    EXPECT_EQ(window->geometry.width(), 300);
  }
  EXPECT_EQ(exitStatus(instance->stop(std::chrono::seconds(30))), 0);
}

}  // namespace
}  // namespace kelv::test
