// kelv cards ID [-o FILE]: study cards from a class's notes (its transcript when it has none),
// written by the configured notes backend, saved beside the Meeting file as
// "<base name>.cards.txt" for Anki's File > Import. Prints the file's path.
#include <iostream>
#include <optional>
#include <string>

#include "command.h"
#include "kelv/core/backends/notes_error.h"
#include "kelv/core/export/exported_meeting.h"
#include "kelv/core/notes/study_cards.h"
#include "kelv/core/util/atomic_file.h"
#include "kelv/core/util/unicode_text.h"
#include "meeting_file_lookup.h"
#include "processing_session.h"

namespace kelv::tool {
namespace {

using namespace kelv::core;

StudyCards::Material materialOf(const ExportedMeeting& meeting) {
  StudyCards::Material material;
  material.language = meeting.language;
  if (!UnicodeText::isBlank(meeting.notesMarkdown)) {
    material.text = meeting.notesMarkdown;
    return material;
  }
  material.transcript = true;
  for (const SpokenLine& line : meeting.transcript) {
    if (!material.text.empty()) material.text += '\n';
    material.text += "[" + line.time + "] ";
    if (!line.speaker.empty()) material.text += line.speaker + ": ";
    material.text += line.text;
  }
  return material;
}

std::filesystem::path cardsFileBeside(const std::filesystem::path& meetingFile) {
  return meetingFile.parent_path() / (meetingFile.stem().string() + ".cards.txt");
}

int cardsCommand(const std::vector<std::string>& arguments, const Environment& environment) {
  std::optional<std::string> id;
  std::optional<std::filesystem::path> output;
  for (size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (argument == "-o" || argument == "--output") {
      if (index + 1 >= arguments.size()) return usageError("cards", argument + " needs a file");
      output = arguments[++index];
    } else if (!argument.starts_with("-") && !id) {
      id = argument;
    } else {
      return usageError("cards", "unknown argument \"" + argument + "\"");
    }
  }
  if (!id) return usageError("cards", "give a meeting id");
  try {
    const ClassFile source = classFile(*id, environment);
    const ExportedMeeting meeting = ExportedMeeting::read(source.meetingFile, source.duration);
    const BackendAssembly assembly = processingAssembly(environment);
    const auto backend = assembly.notesBackend(assembly.settings().load().notes);
    if (!backend) throw NotesError::noBackend();
    if (UnicodeText::isBlank(meeting.notesMarkdown) && meeting.transcript.empty())
      throw std::runtime_error("La clase «" + meeting.title +
                               "» no tiene ni notas ni transcripción de las que sacar tarjetas.");
    const auto cards = StudyCards::ask(materialOf(meeting), *backend);
    const std::filesystem::path file = output ? *output : cardsFileBeside(source.meetingFile);
    AtomicFile::write(file, StudyCards::ankiText(cards, meeting.title, meeting.tags), 0644);
    std::cout << file.string() << std::endl;
    return ExitStatus::success;
  } catch (const std::exception& error) {
    std::cerr << "kelv cards: " << error.what() << "\n";
    return ExitStatus::failure;
  }
}

const CommandRegistration registration{Command{
    "cards", "make study cards for Anki from a class's notes",
    "usage: kelv cards ID [-o FILE]\n"
    "\n"
    "Asks the notes backend of the settings for question-and-answer cards about the class's\n"
    "notes (its transcript when it has none), at most one per key idea and 40 in all, and\n"
    "saves them in Anki's text format beside the Meeting file as <name>.cards.txt (or in\n"
    "FILE). Prints the file's path. API keys come as with \"kelv process\": a JSON document\n"
    "on standard input, else the keyring.\n",
    cardsCommand}};

}  // namespace
}  // namespace kelv::tool
