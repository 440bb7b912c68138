#include "desktop/single_instance.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <future>
#include <optional>
#include <string>

#include "temp_dir.h"

namespace kelv::app {
namespace {

constexpr int kWaitMs = 5000;

// Each test gets its own runtime folder and preferences suite, so its socket is its own.
class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    save("XDG_RUNTIME_DIR", runtime_);
    save("KELV_DEFAULTS_SUITE", suite_);
    ::setenv("XDG_RUNTIME_DIR", temp_.path().c_str(), 1);
    ::setenv("KELV_DEFAULTS_SUITE", "single-instance-test", 1);
  }
  void TearDown() override {
    restore("XDG_RUNTIME_DIR", runtime_);
    restore("KELV_DEFAULTS_SUITE", suite_);
  }

  // Forwards from another thread while this one serves the running instance.
  static bool forwardWhileServing(const QStringList& arguments) {
    auto result =
        std::async(std::launch::async, [arguments] { return SingleInstance::forward(arguments); });
    while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return result.get();
  }

  kelv::test::TempDir temp_;

 private:
  static void save(const char* name, std::optional<std::string>& into) {
    if (const char* value = std::getenv(name)) into = value;
  }
  static void restore(const char* name, const std::optional<std::string>& value) {
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  }
  std::optional<std::string> runtime_;
  std::optional<std::string> suite_;
};

TEST_F(SingleInstanceTest, OnlyOneInstanceListensUntilItEnds) {
  auto first = std::make_unique<SingleInstance>();
  ASSERT_TRUE(first->listen());
  SingleInstance second;
  EXPECT_FALSE(second.listen());

  first.reset();
  EXPECT_TRUE(second.listen());
}

TEST_F(SingleInstanceTest, SuitesKeepInstancesApart) {
  SingleInstance test;
  ASSERT_TRUE(test.listen());
  const QString testPath = SingleInstance::socketPath();
  ::setenv("KELV_DEFAULTS_SUITE", "another suite/with odd characters", 1);
  SingleInstance other;
  EXPECT_TRUE(other.listen());
  EXPECT_NE(SingleInstance::socketPath(), testPath);
  EXPECT_TRUE(SingleInstance::socketPath().startsWith(QString::fromStdString(temp_.path())));
}

TEST_F(SingleInstanceTest, ForwardDeliversTheArgumentsExactly) {
  SingleInstance instance;
  ASSERT_TRUE(instance.listen());
  QSignalSpy received(&instance, &SingleInstance::received);

  const QList<QStringList> cases = {
      {"kelvora://start"},
      {},
      {"kelvora://stop", "Übung für Straße", "two\nlines", "\"quoted\" \\ [\"x\"]", ""},
  };
  for (const QStringList& arguments : cases) {
    SCOPED_TRACE(arguments.join(' ').toStdString());
    received.clear();
    ASSERT_TRUE(forwardWhileServing(arguments));
    ASSERT_EQ(received.count(), 1);
    EXPECT_EQ(received.at(0).at(0).toStringList(), arguments);
  }
}

TEST_F(SingleInstanceTest, ForwardFailsWhenNoInstanceRuns) {
  EXPECT_FALSE(SingleInstance::forward({"kelvora://start"}));
}

// A socket file nobody listens on, as a crashed instance leaves it.
void leaveStaleSocket(const QString& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray name = QFile::encodeName(path);
  ASSERT_LT(static_cast<size_t>(name.size()), sizeof(address.sun_path));
  std::memcpy(address.sun_path, name.constData(), name.size());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
}

TEST_F(SingleInstanceTest, ReplacesAStaleSocket) {
  leaveStaleSocket(SingleInstance::socketPath());
  ASSERT_TRUE(QFile::exists(SingleInstance::socketPath()));
  EXPECT_FALSE(SingleInstance::forward({"kelvora://start"}));

  SingleInstance instance;
  ASSERT_TRUE(instance.listen());
  QSignalSpy received(&instance, &SingleInstance::received);
  EXPECT_TRUE(forwardWhileServing({"kelvora://start"}));
  EXPECT_EQ(received.count(), 1);
}

TEST_F(SingleInstanceTest, LeavesASocketThatStillAnswersAlone) {
  // An instance whose lock file was deleted under it still owns its socket.
  QLocalServer running;
  ASSERT_TRUE(running.listen(SingleInstance::socketPath()));

  SingleInstance instance;
  EXPECT_FALSE(instance.listen());
  QLocalSocket client;
  client.connectToServer(SingleInstance::socketPath());
  EXPECT_TRUE(client.waitForConnected(kWaitMs));
}

struct Garbage {
  const char* name;
  QByteArray bytes;
  bool clientCloses;  // the message is unfinished, so the client gives up
};

void PrintTo(const Garbage& garbage, std::ostream* out) { *out << garbage.name; }

class SingleInstanceGarbage : public SingleInstanceTest,
                              public ::testing::WithParamInterface<Garbage> {};

TEST_P(SingleInstanceGarbage, IsDroppedAndTheInstanceKeepsServing) {
  SingleInstance instance;
  ASSERT_TRUE(instance.listen());
  QSignalSpy received(&instance, &SingleInstance::received);

  QLocalSocket client;
  client.connectToServer(SingleInstance::socketPath());
  ASSERT_TRUE(client.waitForConnected(kWaitMs));
  QSignalSpy dropped(&client, &QLocalSocket::disconnected);
  client.write(GetParam().bytes);
  if (GetParam().clientCloses) {
    client.flush();
    QCoreApplication::processEvents();
    client.disconnectFromServer();
  } else {
    ASSERT_TRUE(dropped.count() > 0 || dropped.wait(kWaitMs));
    EXPECT_FALSE(client.readAll().contains("ok"));
  }

  ASSERT_TRUE(forwardWhileServing({"kelvora://stop"}));
  ASSERT_EQ(received.count(), 1);
  EXPECT_EQ(received.at(0).at(0).toStringList(), QStringList{"kelvora://stop"});
}

INSTANTIATE_TEST_SUITE_P(
    Messages, SingleInstanceGarbage,
    ::testing::Values(Garbage{"NotJson", "kelvora://start\n", false},
                      Garbage{"EmptyLine", "\n", false},
                      Garbage{"Object", "{\"url\":\"kelvora://start\"}\n", false},
                      Garbage{"NonTextElements", "[\"kelvora://start\", 1, null]\n", false},
                      Garbage{"BinaryWithNul", QByteArray("[\"\0\xff\xfe", 5) + "\n", false},
                      Garbage{"Oversized", QByteArray(70 * 1024, 'x'), false},
                      Garbage{"Unfinished", "[\"kelvora://start\"", true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelv::app
