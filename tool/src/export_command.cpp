// kelv export ID --format pdf|srt|vtt|txt [-o FILE]: a class's Meeting file, as it is now, as
// a document to print, subtitles for its recording, or plain text. The PDF is typeset by
// kelvora-pdf, which comes with the application, since kelv itself has no typesetter.
#include <iostream>
#include <optional>
#include <string>

#include "child_program.h"
#include "command.h"
#include "kelv/core/export/export_format.h"
#include "kelv/core/export/exported_meeting.h"
#include "kelv/core/export/plain_text_export.h"
#include "kelv/core/export/subtitles.h"
#include "kelv/core/util/atomic_file.h"
#include "meeting_file_lookup.h"

namespace kelv::tool {
namespace {

using namespace kelv::core;

constexpr const char* kPdfProgram = "kelvora-pdf";

std::string textOf(ExportFormat format, const ExportedMeeting& meeting) {
  switch (format) {
    case ExportFormat::srt:
      return Subtitles::srt(Subtitles::cues(meeting));
    case ExportFormat::vtt:
      return Subtitles::webVtt(Subtitles::cues(meeting));
    case ExportFormat::txt:
    case ExportFormat::pdf:
      break;
  }
  return PlainTextExport::text(meeting);
}

int exportPdf(const ClassFile& source, const std::filesystem::path& output) {
  const std::filesystem::path program = besideKelv(kPdfProgram, "KELV_PDF_TOOL");
  std::vector<std::string> arguments{source.meetingFile.string(), output.string()};
  if (source.duration) arguments.push_back("--duration=" + std::to_string(*source.duration));
  if (!std::filesystem::exists(program))
    throw std::runtime_error("Para exportar a PDF hace falta " + std::string(kPdfProgram) +
                             ", que se instala con la aplicación, y no está en " +
                             program.parent_path().string() + ".");
  const int status = runToEnd(program, arguments);
  return status == 0 ? ExitStatus::success : ExitStatus::failure;
}

int exportCommand(const std::vector<std::string>& arguments, const Environment& environment) {
  std::optional<std::string> id;
  std::optional<ExportFormat> format;
  std::optional<std::filesystem::path> output;
  for (size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    const bool hasValue = index + 1 < arguments.size();
    if (argument == "--format" || argument.starts_with("--format=")) {
      const std::string name = argument == "--format"
                                   ? (hasValue ? arguments[++index] : std::string())
                                   : argument.substr(9);
      format = exportFormatNamed(name);
      if (!format) return usageError("export", "unknown format \"" + name + "\"");
    } else if (argument == "-o" || argument == "--output") {
      if (!hasValue) return usageError("export", argument + " needs a file");
      output = arguments[++index];
    } else if (!argument.starts_with("-") && !id) {
      id = argument;
    } else {
      return usageError("export", "unknown argument \"" + argument + "\"");
    }
  }
  if (!id) return usageError("export", "give a meeting id");
  if (!format && output) format = exportFormatOf(*output);
  if (!format) return usageError("export", "give --format pdf, srt, vtt or txt");
  if (*format == ExportFormat::pdf && !output)
    return usageError("export", "a PDF needs a file to go to: -o FILE");
  try {
    const ClassFile source = classFile(*id, environment);
    if (*format == ExportFormat::pdf) return exportPdf(source, *output);
    const std::string text =
        textOf(*format, ExportedMeeting::read(source.meetingFile, source.duration));
    if (output) {
      AtomicFile::write(*output, text, 0644);
    } else {
      std::cout << text << std::flush;
    }
    return ExitStatus::success;
  } catch (const std::exception& error) {
    std::cerr << "kelv export: " << error.what() << "\n";
    return ExitStatus::failure;
  }
}

const CommandRegistration registration{
    Command{"export", "export a class as PDF, subtitles (SRT, WebVTT) or plain text",
            "usage: kelv export ID --format pdf|srt|vtt|txt [-o FILE]\n"
            "\n"
            "Writes the class's Meeting file as it is now, edits included:\n"
            "  pdf  the notes and the transcript typeset for reading and printing (needs -o)\n"
            "  srt  SubRip subtitles, one cue per turn, the speaker first\n"
            "  vtt  WebVTT subtitles, the speaker as the cue's voice\n"
            "  txt  the notes and the transcript as plain text\n"
            "Text formats go to standard output without -o. With -o and no --format, the file's\n"
            "extension names the format.\n",
            exportCommand}};

}  // namespace
}  // namespace kelv::tool
