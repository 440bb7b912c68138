// The one way the application tells the user what happened.
//
// Outside an installed application (no KELV_BUNDLE_ID) a notification is one line on standard
// output: title, ": ", body. Installed, it is shown as a desktop notification under a fresh UUID,
// with the meeting id (when given) under "meeting" so a click opens that meeting.
#pragma once

#include <QString>

#include <filesystem>
#include <optional>

namespace kelv::app {

class Notifier {
 public:
  static void post(const QString& title, const QString& body,
                   const std::optional<QString>& meeting = std::nullopt);
  // A file made for the user: installed, the notification has a "Mostrar en la carpeta" button
  // and a click on it shows the file in the file manager (its path under "reveal").
  static void postFile(const QString& title, const QString& body, const std::filesystem::path& file,
                       const std::optional<QString>& meeting = std::nullopt);
  // The button of postFile's notifications; call once when notifications are answered.
  static void registerCategories();

  static constexpr const char* kFileCategory = "file.ready";
  static constexpr const char* kRevealAction = "reveal";
};

}  // namespace kelv::app
