#include "secret_service.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kelv::test {
namespace {

// Starts `argv` with the given variables added to the environment; `in` and `out` become the
// child's standard input and output when not -1.
pid_t spawn(const std::vector<std::string>& argv,
            const std::vector<std::pair<std::string, std::string>>& environment, int in, int out) {
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
    if (in >= 0) ::dup2(in, STDIN_FILENO);
    if (out >= 0) ::dup2(out, STDOUT_FILENO);
    const int null = ::open("/dev/null", O_RDWR);
    if (out < 0) ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  return pid;
}

bool nameHasOwner(const std::string& address, const char* name) {
  const std::string command = "DBUS_SESSION_BUS_ADDRESS='" + address +
                              "' dbus-send --session --print-reply --dest=org.freedesktop.DBus "
                              "/ org.freedesktop.DBus.NameHasOwner string:" +
                              name + " 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return false;
  std::string output;
  char buffer[256];
  while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  ::pclose(pipe);
  return output.find("boolean true") != std::string::npos;
}

}  // namespace

void stopChild(pid_t& pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGCONT);
  ::kill(pid, SIGTERM);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  pid = -1;
}

PrivateSecretService::PrivateSecretService() {
  const auto root = folder_.path();
  for (const char* name : {"home", "run", "data", "config"})
    std::filesystem::create_directories(root / name);
  ::chmod((root / "run").c_str(), 0700);

  // A session bus without service directories: a missing service stays missing.
  writeFile(root / "bus.conf",
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
            "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>unix:dir=" +
                (root / "run").string() +
                "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                "<allow own=\"*\"/></policy></busconfig>\n");
  int addressPipe[2];
  if (::pipe2(addressPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  bus_ = spawn({"dbus-daemon", "--config-file=" + (root / "bus.conf").string(), "--nofork",
                "--print-address=1"},
               {}, -1, addressPipe[1]);
  ::close(addressPipe[1]);
  std::string line;
  char c;
  while (::read(addressPipe[0], &c, 1) == 1 && c != '\n') line += c;
  ::close(addressPipe[0]);
  if (line.empty()) {
    stopChild(bus_);
    throw std::runtime_error("dbus-daemon did not start");
  }
  address_ = line;

  int passwordPipe[2];
  if (::pipe2(passwordPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  keyring_ = spawn({"gnome-keyring-daemon", "--foreground", "--unlock", "--components=secrets"},
                   {{"DBUS_SESSION_BUS_ADDRESS", address_},
                    {"HOME", (root / "home").string()},
                    {"XDG_RUNTIME_DIR", (root / "run").string()},
                    {"XDG_DATA_HOME", (root / "data").string()},
                    {"XDG_CONFIG_HOME", (root / "config").string()}},
                   passwordPipe[0], -1);
  ::close(passwordPipe[0]);
  const std::string password = "testpass";
  (void)!::write(passwordPipe[1], password.data(), password.size());
  ::close(passwordPipe[1]);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!nameHasOwner(address_, "org.freedesktop.secrets")) {
    if (std::chrono::steady_clock::now() > deadline) {
      stopChild(keyring_);
      stopChild(bus_);
      throw std::runtime_error("gnome-keyring-daemon did not take the Secret Service name");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }

  if (const char* previous = std::getenv("DBUS_SESSION_BUS_ADDRESS")) previousAddress_ = previous;
  ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
}

PrivateSecretService::~PrivateSecretService() {
  stopChild(keyring_);
  stopChild(bus_);
  if (previousAddress_)
    ::setenv("DBUS_SESSION_BUS_ADDRESS", previousAddress_->c_str(), 1);
  else
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

void PrivateSecretService::stopKeyring() { stopChild(keyring_); }

}  // namespace kelv::test
