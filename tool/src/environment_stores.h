// The stores a `kelv` command works on, where the process's environment puts them: the
// meeting store of KELV_MEETINGS_DIR and the preferences and keyring service of
// KELV_DEFAULTS_SUITE (the user's own when unset).
#pragma once

#include <memory>

#include "kelv/core/library/meeting_store.h"
#include "kelv/core/settings/keychain.h"
#include "kelv/core/settings/secret_store.h"
#include "kelv/core/settings/settings_store.h"
#include "kelv/core/util/environment.h"

namespace kelv::tool {

inline core::MeetingStore meetingStore(const core::Environment& environment) {
  return core::MeetingStore(core::MeetingStore::rootFor(environment.meetingsFolder));
}

inline std::shared_ptr<core::Keychain> keychain(const core::Environment& environment) {
  return std::make_shared<core::Keychain>(core::Keychain::serviceFor(environment.preferencesSuite));
}

inline core::SettingsStore settingsStore(const core::Environment& environment,
                                         std::shared_ptr<core::SecretStore> secrets) {
  return core::SettingsStore(core::Preferences::standard(environment.preferencesSuite),
                             std::move(secrets));
}

}  // namespace kelv::tool
