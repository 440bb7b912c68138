// The one way the application tells the user what happened.
//
// Outside an installed application (no KELV_BUNDLE_ID) a notification is one line on standard
// output: title, ": ", body. Installed, it is shown as a desktop notification under a fresh UUID,
// with the meeting id (when given) under "meeting" so a click opens that meeting.
#pragma once

#include <QString>

#include <optional>

namespace kelv::app {

class Notifier {
 public:
  static void post(const QString& title, const QString& body,
                   const std::optional<QString>& meeting = std::nullopt);
};

}  // namespace kelv::app
