#include "controllers/recording_control.h"

#include "desktop/notifier.h"
#include "kelv/capture/live_capture.h"
#include "kelv/capture/tone_source.h"
#include "kelv/core/util/byte_count.h"
#include "shell/qt_text.h"

namespace kelv::app {

RecordingControl::RecordingControl(core::MeetingStore& store, const core::SettingsStore& settings,
                                   Options options, QObject* parent)
    : QObject(parent), store_(store), settings_(settings), options_(std::move(options)) {}

RecordingControl::~RecordingControl() {
  if (!recorder_) return;
  try {
    recorder_->stop();
  } catch (...) {
    // The folder stays in a state the next launch repairs.
  }
}

bool RecordingControl::start(std::optional<core::CallApp> call) {
  if (recorder_) return false;
  try {
    std::shared_ptr<core::CaptureSource> source;
    if (options_.fakeCapture) {
      source = std::make_shared<capture::ToneSource>();
    } else {
      source = std::make_shared<capture::LiveCapture>([post = guard_.poster()](
                                                          const std::string& message) {
        post([message](RecordingControl&) { Notifier::post("Problema al grabar", text(message)); });
      });
    }
    core::Recorder::Options options;
    options.language = settings_.load().meetingLanguage();
    options.flushInterval = 2.0;
    options.onEvent = [post = guard_.poster()](const core::RecorderEvent& event) {
      post([event](RecordingControl& control) { control.handle(event); });
    };
    recorder_ = core::Recorder::start(store_, std::move(source), std::move(options));
  } catch (const std::exception& error) {
    Notifier::post("No se pudo empezar a grabar", QString::fromUtf8(error.what()));
    return false;
  }
  call_ = std::move(call);
  emit recorderChanged();
  startedAt_ = QDateTime::currentDateTime();
  emit startedAtChanged();
  if (options_.started) options_.started();
  return true;
}

void RecordingControl::clear() {
  recorder_.reset();
  emit recorderChanged();
  if (startedAt_) {
    startedAt_.reset();
    emit startedAtChanged();
  }
  if (lowDiskSpace_) {
    lowDiskSpace_.reset();
    emit lowDiskSpaceChanged();
  }
  call_.reset();
}

void RecordingControl::stop() {
  if (!recorder_) return;
  const std::shared_ptr<core::Recorder> recorder = recorder_;
  // The interface shows the idle state before the last samples are written.
  clear();
  core::MeetingFolder folder = recorder->folder();
  try {
    folder = recorder->stop();
  } catch (const std::exception& error) {
    Notifier::post("The recording didn't close cleanly", QString::fromUtf8(error.what()));
  }
  if (options_.finished) options_.finished(folder);
}

void RecordingControl::abandon() {
  if (!recorder_) return;
  const std::shared_ptr<core::Recorder> recorder = std::move(recorder_);
  try {
    recorder->stop();
  } catch (...) {
    // The folder stays in a state the next launch repairs or resumes.
  }
  emit recorderChanged();
}

void RecordingControl::handle(const core::RecorderEvent& event) {
  switch (event.kind) {
    case core::RecorderEvent::Kind::lowDisk:
      lowDiskSpace_ = event.freeBytes;
      emit lowDiskSpaceChanged();
      Notifier::post("Poco espacio en disco",
                     text(core::formatByteCount(event.freeBytes) + " free. Recording stops below " +
                          core::formatByteCount(core::Recorder::stopBelow) + "."));
      break;
    case core::RecorderEvent::Kind::stopped:
      if (!event.folder) return;
      if (recorder_ && recorder_->folder().id() == event.folder->id()) clear();
      Notifier::post("Grabación detenida", text(event.reason));
      if (options_.finished) options_.finished(*event.folder);
      break;
  }
}

}  // namespace kelv::app
