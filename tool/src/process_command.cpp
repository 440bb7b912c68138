// kelv process MEETING-ID: processes one meeting folder with the current settings, at the
// lowest priority, and leaves it `done` or `needsAttention`. The application runs it once per
// meeting and learns the outcome from the folder.
#include <iostream>
#include <stdexcept>

#include "command.h"
#include "environment_stores.h"
#include "kelv/core/backends/on_device/on_device_model.h"
#include "kelv/core/library/meeting_error.h"
#include "kelv/core/processing/processing.h"
#include "kelv/core/settings/settings_store.h"
#include "kelv/core/util/api_key.h"
#include "kelv/core/util/background_priority.h"
#include "model_fetch.h"
#include "processing_session.h"
#include "progress_printer.h"

namespace kelv::tool {
namespace {

using namespace kelv::core;

// A meeting still to be transcribed on this computer needs the models: fetched here, where their
// progress can be shown. A failure is left to the backend, which tries once more and records
// the reason in the meeting.
void fetchModelIfMissing(const MeetingFolder& folder, const Environment& environment) {
#ifdef KELV_HAS_ON_DEVICE
  try {
    if (folder.readStatus().hasCompleted(MeetingStatus::Step::transcribe)) return;
    const SettingsStore store = settingsStore(environment, keychain(environment));
    const Settings settings = store.load();
    if (settings.transcription.type != TranscriptionBackendType::onDevice) return;
    const OnDeviceModel* model = OnDeviceModel::chosen(settings.transcription.model);
    if (!model || modelsPresent(*model)) return;
    (void)readyModel(*model, /*verify=*/false, "kelv process");
  } catch (const std::exception&) {
    // The run reports whatever is wrong with the folder.
  }
#else
  (void)folder;
  (void)environment;
#endif
}

int process(const std::vector<std::string>& arguments, const core::Environment& environment) {
  if (arguments.size() != 1) return usageError("process", "expected one meeting id");
  const auto folder = namedFolder(arguments[0], environment);
  if (!folder) return usageError("process", "\"" + arguments[0] + "\" is not a meeting id");

  // Before any thread starts, so that every thread of the run inherits it.
  enterBackgroundPriority();
  endOnTermination();

  ProcessingOptions options;
  try {
    options = processingAssembly(environment).processingOptions();
  } catch (const std::invalid_argument& error) {
    return usageError("process", error.what());
  }
  fetchModelIfMissing(*folder, environment);
  ProgressPrinter printer;
  options.progress = printer.observer();

  MeetingStatus status(MeetingStatus::State::processing, {});
  try {
    status = Processing::run(*folder, options);
  } catch (const std::exception& error) {
    printer.finish();
    std::cerr << "kelv process: " << ApiKey::masked(error.what(), options.secrets) << "\n";
    return exitStatusFor(error);
  }
  printer.finish();
  std::cout << resultLine(*folder, status) << std::endl;
  return status.state == MeetingStatus::State::done ? core::ExitStatus::success
                                                    : core::ExitStatus::failure;
}

const CommandRegistration registration{Command{
    "process", "transcribe a recorded meeting and write its notes and Meeting file",
    "usage: kelv process MEETING-ID\n"
    "\n"
    "Processes the meeting folder MEETING-ID of the meeting store (KELV_MEETINGS_DIR): "
    "transcribes\n"
    "its tracks, merges them, writes the notes and the Meeting file into the notes folder, and\n"
    "keeps the audio compressed or deletes it, as the settings say. An interrupted run resumes\n"
    "where it stopped. Runs at the lowest priority; progress goes to standard error, and the\n"
    "outcome is one line on standard output: the id, \"done\" and the Meeting file, or\n"
    "\"needs-attention\" and the reason.\n"
    "\n"
    "Standard input, unless it is a terminal, is read to its end as the secrets document: a\n"
    "JSON object of keyring account names (\"v2.transcription.OpenAI\") to API keys. Accounts it\n"
    "doesn't name are looked up in the Secret Service.\n"
    "\n"
    "Exit status: 0 done, 1 needs attention or the status couldn't be saved (a full disk, say),\n"
    "2 usage error, 3 the meeting is busy (being recorded or processed) or its status can't be\n"
    "read.\n",
    process}};

}  // namespace
}  // namespace kelv::tool
