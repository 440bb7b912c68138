#include "sleep_inhibitor.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstring>

namespace kelv::capture {

SleepInhibitor::SleepInhibitor() {
  sd_bus* bus = nullptr;
  int result = sd_bus_open_system(&bus);
  if (result < 0) {
    failure_ = std::strerror(-result);
    return;
  }
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  result = sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                              "org.freedesktop.login1.Manager", "Inhibit", &error, &reply, "ssss",
                              "idle:sleep", "Tizara", "Kelvora is recording a meeting", "block");
  if (result < 0) {
    failure_ = error.message ? error.message : std::strerror(-result);
  } else {
    int fd = -1;
    result = sd_bus_message_read(reply, "h", &fd);
    // The message owns its descriptor; keep a copy that outlives it.
    if (result >= 0) fd_ = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (fd_ < 0) failure_ = std::strerror(result < 0 ? -result : errno);
  }
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  sd_bus_flush_close_unref(bus);
}

SleepInhibitor::~SleepInhibitor() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace kelv::capture
