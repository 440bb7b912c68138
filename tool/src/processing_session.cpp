#include "processing_session.h"

#include <cerrno>
#include <csignal>
#include <iostream>
#include <memory>

#include "command.h"
#include "document_secret_store.h"
#include "environment_stores.h"
#include "kelv/core/util/application.h"
#include "kelv/core/util/platform_error.h"

namespace kelv::tool {

int exitStatusFor(const std::exception& error) {
  if (const auto* platform = dynamic_cast<const core::PlatformError*>(&error)) {
    switch (platform->code()) {
      case ENOSPC:
      case EDQUOT:
      case EROFS:
      case EFBIG:
        return core::ExitStatus::failure;
      default:
        break;
    }
  }
  return core::ExitStatus::busy;
}

void reportUnreadableSettings(const core::SettingsStore& store) {
  if (const auto problem = store.readProblem()) std::cerr << "kelv: " << *problem << std::endl;
}

core::BackendAssembly processingAssembly(const core::Environment& environment) {
  auto secrets =
      std::make_shared<DocumentSecretStore>(readSecretsDocument(), keychain(environment));
  core::SettingsStore store = settingsStore(environment, std::move(secrets));
  reportUnreadableSettings(store);
  return core::BackendAssembly(std::move(store));
}

void endOnTermination() {
  std::signal(SIGTERM, SIG_DFL);
  sigset_t termination;
  sigemptyset(&termination);
  sigaddset(&termination, SIGTERM);
  pthread_sigmask(SIG_UNBLOCK, &termination, nullptr);
}

std::string resultLine(const core::MeetingFolder& folder, const core::MeetingStatus& status) {
  std::string line = folder.id() + " " + core::toString(status.state);
  if (status.state == core::MeetingStatus::State::done && status.meetingFile)
    line += " " + *status.meetingFile;
  else if (status.state == core::MeetingStatus::State::needsAttention && status.lastError)
    line += " " + *status.lastError;
  return line;
}

std::optional<core::MeetingFolder> namedFolder(const std::string& id,
                                               const core::Environment& environment) {
  if (!core::MeetingStore::isPlainFolderName(id)) return std::nullopt;
  return core::MeetingFolder(meetingStore(environment).root() / id);
}

}  // namespace kelv::tool
