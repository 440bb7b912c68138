#include "meeting_file_lookup.h"

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <system_error>

#include "environment_stores.h"
#include "kelv/core/settings/memory_secret_store.h"
#include "processing_session.h"

namespace kelv::tool {

ClassFile classFile(const std::string& id, const core::Environment& environment) {
  // Only the record is needed here, never a key.
  const core::SettingsStore store =
      settingsStore(environment, std::make_shared<core::MemorySecretStore>());
  reportUnreadableSettings(store);
  // A Meeting file without a folder may be named by any path to it, not only the listed one.
  std::error_code error, ignored;
  const std::filesystem::path asFile = std::filesystem::weakly_canonical(id, error);
  for (auto& entry : meetingStore(environment).entries(store.load().notesFolder)) {
    const bool named = entry.id == id ||
                       (!error && !entry.folder && entry.meetingFile &&
                        std::filesystem::weakly_canonical(*entry.meetingFile, ignored) == asFile);
    if (!named) continue;
    if (!entry.meetingFile)
      throw std::runtime_error("La clase «" + entry.title +
                               "» aún no tiene archivo de notas: procésala primero.");
    ClassFile found{entry, *entry.meetingFile, entry.duration};
    return found;
  }
  throw std::runtime_error("No hay ninguna clase con el identificador «" + id + "».");
}

}  // namespace kelv::tool
