#include "desktop/updater.h"

namespace kelv::app {

Updater& Updater::shared() {
  static Updater updater;
  return updater;
}

bool Updater::isBlockedInstallation(const UpdateError& error) {
  // The installer's own refusal, a folder without write permission, and the installer giving
  // up after the system blocked it ("Please try again later.").
  if (error.domain == QLatin1String(kUpdaterDomain) && error.code == 4012) return true;
  if (error.domain == QLatin1String(kFileDomain) && error.code == 513) return true;
  if (error.domain == QLatin1String(kUpdaterDomain) && error.code == 4005 &&
      error.description.endsWith(QLatin1String("Please try again later.")))
    return true;
  return error.underlying != nullptr && isBlockedInstallation(*error.underlying);
}

std::optional<Updater::Alert> Updater::alertFor(const UpdateError& error,
                                                const QString& applicationPath) {
  if (!applicationPath.startsWith(QLatin1String("/Applications/")) || !isBlockedInstallation(error))
    return std::nullopt;
  return Alert{QString::fromUtf8(kBlockedTitle), QString::fromUtf8(kBlockedText)};
}

}  // namespace kelv::app
