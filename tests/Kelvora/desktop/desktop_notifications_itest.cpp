// Notifications against a fake notification server on the private session bus: what the server
// is asked to show, replacement and withdrawal (also while the server's reply is still on its
// way), the user's answers, and the lines printed outside an installed application.
#include <QSignalSpy>
#include <QTest>

#include <gmock/gmock.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "controllers/call_prompt.h"
#include "desktop/desktop_notifications.h"
#include "desktop/notifier.h"
#include "fake_notification_server.h"

static void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace kelv::app {
namespace {

using test::FakeNotificationServer;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

core::CallApp callApp(const char* id) { return core::CallApp::named(id).value(); }
core::CallApp zoom() { return callApp("us.zoom.xos"); }
core::CallApp teams() { return callApp("com.microsoft.teams2"); }

class InstalledScope {
 public:
  InstalledScope() { qputenv("KELV_BUNDLE_ID", "com.tizara.app"); }
  ~InstalledScope() { qunsetenv("KELV_BUNDLE_ID"); }
};

// Collects what the process writes to standard output between construction and finish().
class StdoutCapture {
 public:
  StdoutCapture() {
    std::fflush(stdout);
    if (::pipe(pipe_) != 0) throw std::runtime_error("pipe");
    saved_ = ::dup(STDOUT_FILENO);
    ::dup2(pipe_[1], STDOUT_FILENO);
    ::close(pipe_[1]);
  }
  std::string finish() {
    std::fflush(stdout);
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe_[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    ::close(pipe_[0]);
    return text;
  }

 private:
  int pipe_[2] = {-1, -1};
  int saved_ = -1;
};

std::vector<uint> replacesIds(const std::vector<FakeNotificationServer::Notification>& all) {
  std::vector<uint> ids;
  for (const auto& each : all) ids.push_back(each.replacesId);
  return ids;
}

class NotificationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DesktopNotifications::instance();
    CallPrompt::registerCategories();
    restartServer();
  }

  void restartServer() {
    server.reset();
    server = std::make_unique<FakeNotificationServer>();
    server->start();
  }

  // Waits for `count` notifications and lets their replies reach the application.
  void shown(std::size_t count) {
    ASSERT_TRUE(server->waitForCount(count));
    server->sync();
  }

  // Everything the application sends in reaction to earlier replies has arrived once a notification
  // posted after them has, and its reply is back.
  void quiesce() {
    const std::size_t before = server->received().size();
    Notifier::post(QStringLiteral("marker"), QString());
    ASSERT_TRUE(server->waitForCount(before + 1));
    server->sync();
    ASSERT_EQ(server->received().back().summary, QStringLiteral("marker"));
  }

  std::vector<FakeNotificationServer::Notification> receivedBeforeMarker() {
    auto all = server->received();
    all.pop_back();
    return all;
  }

  InstalledScope bundle;
  std::unique_ptr<FakeNotificationServer> server;
};

TEST_F(NotificationsTest, CallPromptAsksToRecordWithRecordAndIgnoreButtons) {
  const std::vector<core::CallApp> apps{zoom(), teams(), callApp("org.mozilla.firefox")};
  for (const auto& app : apps) CallPrompt::post(app);
  ASSERT_TRUE(server->waitForCount(apps.size()));

  const auto received = server->received();
  for (std::size_t i = 0; i < apps.size(); ++i) {
    const QString name = QString::fromStdString(apps[i].name);
    SCOPED_TRACE(apps[i].id);
    const auto& shown = received[i];
    EXPECT_EQ(shown.app, "Tizara");
    EXPECT_EQ(shown.replacesId, 0u);
    EXPECT_EQ(shown.summary, QStringLiteral("¿Grabar esta clase?"));
    EXPECT_EQ(shown.body, name + " is on a call. Click to record it.");
    EXPECT_THAT(shown.actions, ElementsAre("default", "Open", "call.record", "Grabar",
                                           "call.ignore", "Don't Ask for " + name));
    EXPECT_EQ(shown.hints.value("suppress-sound"), QVariant(true));
    EXPECT_EQ(shown.hints.value("desktop-entry"), QVariant("com.tizara.app"));
    EXPECT_EQ(shown.expireTimeout, -1);
  }
}

TEST_F(NotificationsTest, PromptIsReplacedAndWithdrawnByItsIdentifier) {
  // Steps: a prompt posted (P) or withdrawn (W) for Zoom, T for Teams; a digit waits until the
  // server has shown that many notifications and its replies are back.
  struct Case {
    const char* steps;
    std::vector<uint> replaces;  // replaces_id of each Notify
    std::vector<uint> closed;
    std::vector<uint> open;
  };
  const std::vector<Case> cases{
      {"P1P", {0, 1}, {}, {1}},    {"PP", {0, 1}, {}, {1}},
      {"PPP", {0, 1}, {}, {1}},    {"P1W", {0}, {1}, {}},
      {"PW", {0}, {1}, {}},        {"PWP", {0, 1}, {}, {1}},
      {"P1WP", {0, 0}, {1}, {2}},  {"PWWP1P", {0, 1, 1}, {}, {1}},
      {"P1T", {0, 0}, {}, {1, 2}}, {"PT2WT", {0, 0, 2}, {1}, {2}},
      {"W", {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.steps);
    restartServer();
    for (const char* step = c.steps; *step != '\0'; ++step) {
      switch (*step) {
        case 'P':
          CallPrompt::post(zoom());
          break;
        case 'T':
          CallPrompt::post(teams());
          break;
        case 'W':
          CallPrompt::withdraw({zoom()});
          break;
        default:
          shown(static_cast<std::size_t>(*step - '0'));
      }
    }
    ASSERT_TRUE(server->waitForCount(c.replaces.size()));
    ASSERT_TRUE(server->waitForClosedCount(c.closed.size()));
    quiesce();
    EXPECT_THAT(replacesIds(receivedBeforeMarker()), ElementsAreArray(c.replaces));
    EXPECT_THAT(server->closed(), ElementsAreArray(c.closed));
    auto open = server->open();
    open.pop_back();  // the marker
    EXPECT_THAT(open, ElementsAreArray(c.open));
  }
}

TEST_F(NotificationsTest, AnswersReachRespondedWithTheRequestsUserInfo) {
  QSignalSpy responded(&DesktopNotifications::instance(), &DesktopNotifications::responded);
  CallPrompt::post(zoom());
  Notifier::post("Apuntes listos", "Clase de física.md", QStringLiteral("2024-03-05 Física"));
  Notifier::post("Grabación detenida", "The Zoom call ended.");
  shown(3);
  const auto received = server->received();

  struct Case {
    std::size_t notification;
    QString action;
    QVariantMap context;
  };
  const std::vector<Case> cases{
      {0, "call.record", {{"call", "us.zoom.xos"}}},
      {0, "call.ignore", {{"call", "us.zoom.xos"}}},
      {0, "default", {{"call", "us.zoom.xos"}}},
      {1, "default", {{"meeting", "2024-03-05 Física"}}},
      {2, "default", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.action.toStdString() + " on " + std::to_string(c.notification));
    responded.clear();
    server->invokeAction(received[c.notification].id, c.action);
    // The answer may overtake the reply that told the application the notification's id.
    ASSERT_TRUE(QTest::qWaitFor([&] { return responded.count() >= 1; }, 5000));
    ASSERT_EQ(responded.count(), 1);
    EXPECT_EQ(responded[0][0].toMap(), c.context);
    EXPECT_EQ(responded[0][1].toString(), c.action);
  }

  // Other applications' notifications, and ours once withdrawn, are not ours to answer.
  responded.clear();
  server->invokeAction(received.back().id + 100, "default");
  CallPrompt::withdraw({zoom()});
  ASSERT_TRUE(server->waitForClosedCount(1));
  server->invokeAction(received[0].id, "call.record");
  EXPECT_EQ(responded.count(), 0);
}

TEST_F(NotificationsTest, NotificationClosedOnTheServerIsForgotten) {
  QSignalSpy responded(&DesktopNotifications::instance(), &DesktopNotifications::responded);
  CallPrompt::post(zoom());
  shown(1);
  const uint first = server->received()[0].id;
  server->closeNotification(first, 2);

  server->invokeAction(first, "call.record");
  EXPECT_EQ(responded.count(), 0);
  CallPrompt::post(zoom());
  ASSERT_TRUE(server->waitForCount(2));
  EXPECT_EQ(server->received()[1].replacesId, 0u);
  // Nor is the closed one closed again on withdrawal: only the new one.
  server->sync();
  CallPrompt::withdraw({zoom()});
  ASSERT_TRUE(server->waitForClosedCount(1));
  EXPECT_THAT(server->closed(), ElementsAre(server->received()[1].id));
}

TEST_F(NotificationsTest, NotifierPostsFreshNotificationsWithTheMeeting) {
  Notifier::post("Apuntes listos", "Clase.md", QStringLiteral("2024-03-05 Clase"));
  Notifier::post("Apuntes listos", "Clase.md", QStringLiteral("2024-03-05 Clase"));
  ASSERT_TRUE(server->waitForCount(2));
  const auto received = server->received();
  EXPECT_THAT(replacesIds(received), ElementsAre(0u, 0u));
  EXPECT_NE(received[0].id, received[1].id);
  for (const auto& shown : received) {
    EXPECT_EQ(shown.summary, "Apuntes listos");
    EXPECT_EQ(shown.body, "Clase.md");
    EXPECT_THAT(shown.actions, ElementsAre("default", "Open"));
    EXPECT_EQ(shown.hints.value("suppress-sound"), QVariant(true));
  }
}

TEST(NotificationsOutsideBundleTest, NotifierPrintsOneLineAndPromptsAreSkipped) {
  FakeNotificationServer server;
  server.start();
  struct Case {
    QString title;
    QString body;
    std::optional<QString> meeting;
    std::string line;
  };
  const std::vector<Case> cases{
      {"Apuntes listos", "Clase de álgebra.md", "2024-03-05 Álgebra",
       "Apuntes listos: Clase de álgebra.md\n"},
      {"Grabación detenida", "Your Mac went to sleep. The meeting will be processed as usual.",
       std::nullopt,
       "Grabación detenida: Your Mac went to sleep. The meeting will be processed as usual.\n"},
      {"Problema al grabar", "first line\nsecond line\r\n", std::nullopt,
       "Problema al grabar: first line second line  \n"},
      {"Empty", "", std::nullopt, "Empty: \n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    StdoutCapture capture;
    Notifier::post(c.title, c.body, c.meeting);
    EXPECT_EQ(capture.finish(), c.line);
  }

  StdoutCapture capture;
  CallPrompt::registerCategories();
  CallPrompt::post(zoom());
  CallPrompt::withdraw({zoom()});
  EXPECT_EQ(capture.finish(), "");

  // Nothing reached the server: the first thing it gets is posted as an installed application.
  InstalledScope bundle;
  Notifier::post("marker", "");
  ASSERT_TRUE(server.waitForCount(1));
  server.sync();
  ASSERT_EQ(server.received().size(), 1u);
  EXPECT_EQ(server.received()[0].summary, "marker");
  EXPECT_THAT(server.closed(), IsEmpty());
}

TEST(NotificationsWithoutServerTest, NothingIsShownAndLaterPostsStillWork) {
  InstalledScope bundle;
  FakeNotificationServer server;  // not started yet: nobody owns the name
  CallPrompt::registerCategories();
  CallPrompt::post(zoom());
  CallPrompt::post(zoom());
  CallPrompt::withdraw({zoom()});
  CallPrompt::post(teams());
  Notifier::post("Apuntes listos", "Clase.md");
  // Each failed reply may send the next queued request, which fails in turn.
  for (int round = 0; round < 4; ++round) server.sync();

  server.start();
  CallPrompt::post(teams());
  ASSERT_TRUE(server.waitForCount(1));
  server.sync();
  Notifier::post("marker", "");
  ASSERT_TRUE(server.waitForCount(2));
  const auto received = server.received();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].body, "Microsoft Teams is on a call. Click to record it.");
  EXPECT_EQ(received[0].replacesId, 0u);
  EXPECT_THAT(server.closed(), IsEmpty());
}

}  // namespace
}  // namespace kelv::app
