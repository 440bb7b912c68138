#include "controllers/audio_import.h"

#include <QMimeDatabase>

#include <cerrno>
#include <optional>

#include "kelv/core/util/platform_error.h"

namespace kelv::app::AudioImport {

namespace {

// Audio or video by the MIME type of the file's name (shared-mime-info).
bool isAudioVisual(const std::filesystem::path& file) {
  const QMimeType type = QMimeDatabase().mimeTypeForFile(QString::fromStdString(file.string()),
                                                         QMimeDatabase::MatchExtension);
  const QString name = type.name();
  return type.isValid() && !type.isDefault() &&
         (name.startsWith("audio/") || name.startsWith("video/"));
}

}  // namespace

core::MeetingFolder run(core::MeetingStore& store, const core::SettingsStore& settings,
                        const std::vector<std::filesystem::path>& files) {
  std::error_code error;
  if (files.size() != 1 || !std::filesystem::is_regular_file(files.front(), error) ||
      !isAudioVisual(files.front()))
    throw core::PlatformError(ENOTSUP, "Drop a single audio file to import it.");
  return store.importAudio(files, std::nullopt, settings.load().meetingLanguage());
}

}  // namespace kelv::app::AudioImport
