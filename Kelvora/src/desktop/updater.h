// The software-update integration. On Linux the distribution's packages bring updates, so the
// updater downloads nothing; it exists from launch on so that an update error coming from the
// package tools is shown the way this application shows them: a blocked installation gets its
// own explanation, every other error the standard one.
#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace kelv::app {

// An error reported while updating: its domain, code and description, and the error that
// caused it, if any.
struct UpdateError {
  QString domain;
  long code = 0;
  QString description;
  std::shared_ptr<const UpdateError> underlying;
};

class Updater {
 public:
  static constexpr const char* kUpdaterDomain = "SUSparkleErrorDomain";
  static constexpr const char* kFileDomain = "NSCocoaErrorDomain";
  static constexpr const char* kBlockedTitle = "Allow Kelvora to Install Updates";
  static constexpr const char* kBlockedText =
      "macOS blocked Kelvora from replacing the installed app. Open System Settings > Privacy & "
      "Security > App Management, enable Kelvora, then try the update again.";

  // Made on first use.
  static Updater& shared();

  // How an update error is shown: the title and text of the informational alert for a blocked
  // installation of an application under /Applications/, none for the standard display.
  struct Alert {
    QString title;
    QString text;
  };
  static std::optional<Alert> alertFor(const UpdateError& error, const QString& applicationPath);

  // Whether the error, or the error under it, is an installation the system refused.
  static bool isBlockedInstallation(const UpdateError& error);

 private:
  Updater() = default;
};

}  // namespace kelv::app
