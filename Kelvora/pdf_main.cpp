// kelvora-pdf MEETING-FILE OUTPUT [--duration=SECONDS]: typesets a class's Meeting file as a
// PDF for `kelv export`, which has no typesetter of its own. Runs without a display, on Qt's
// offscreen platform; the error, if any, is one line on standard error.
#include <QGuiApplication>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "kelv/core/export/exported_meeting.h"
#include "kelv/core/util/application.h"
#include "printing/pdf_document.h"

int main(int argc, char** argv) {
  namespace ExitStatus = kelv::core::ExitStatus;
  std::optional<double> duration;
  std::vector<std::string> paths;
  for (int index = 1; index < argc; ++index) {
    const std::string argument = argv[index];
    if (argument.starts_with("--duration=")) {
      char* end = nullptr;
      const double seconds = std::strtod(argument.c_str() + 11, &end);
      if (end && *end == '\0' && seconds >= 0) duration = seconds;
    } else {
      paths.push_back(argument);
    }
  }
  if (paths.size() != 2) {
    std::fputs("usage: kelvora-pdf MEETING-FILE OUTPUT [--duration=SECONDS]\n", stderr);
    return ExitStatus::usage;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Standard error is the user's: Qt's notes about the session it runs in are not for them.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
      std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  });
  QGuiApplication application(argc, argv);
  try {
    const auto meeting = kelv::core::ExportedMeeting::read(paths[0], duration);
    kelv::app::PdfDocument::write(meeting, QString::fromStdString(paths[1]));
    return ExitStatus::success;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return ExitStatus::failure;
  }
}
