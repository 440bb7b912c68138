#include "sample_library.h"

#include <chrono>
#include <fstream>

#include "kelv/core/library/meeting_file_writer.h"
#include "temp_dir.h"

namespace kelv::test {

namespace fs = std::filesystem;
using State = core::MeetingEntry::State;
using namespace std::chrono_literals;

namespace {

const char kNotes[] =
    "## Resumen\n"
    "La clase repasó **derivadas parciales** y el gradiente como vector de máxima pendiente.\n"
    "\n"
    "## Puntos clave\n"
    "- La derivada parcial fija todas las variables menos una.\n"
    "- El gradiente apunta hacia donde la función crece más deprisa.\n"
    "  - Su módulo es la pendiente en esa dirección.\n"
    "\n"
    "## Tareas\n"
    "- [ ] Hoja de ejercicios 4 [due:: 2025-03-21]\n"
    "- [x] Leer el capítulo 3 [owner:: Yo]\n"
    "\n"
    "> El examen parcial entra hasta la regla de la cadena.\n";

std::vector<core::Turn> sampleTurns() {
  return {{4, "Them", "Buenos días, hoy vemos derivadas parciales."},
          {11, "Them", "Empezamos con una función de dos variables."},
          {25, "You", "¿Entra en el parcial?"},
          {29, "Them", "Sí, hasta la regla de la cadena."}};
}

}  // namespace

SampleLibrary::SampleLibrary(core::MeetingStore store, fs::path notesFolder)
    : store_(std::move(store)), notesFolder_(std::move(notesFolder)) {
  fs::create_directories(notesFolder_);
}

std::string SampleLibrary::markdown(const std::string& meetingID, const SampleMeeting& meeting) {
  core::MeetingFileWriter::Content content;
  content.meetingID = meetingID;
  content.title = meeting.title;
  content.startedAt = meeting.startedAt;
  content.duration = meeting.duration;
  content.language = "es";
  content.engine = "whisper-1";
  content.interrupted = meeting.state == State::interrupted;
  content.notes = kNotes;
  content.turns = sampleTurns();
  content.defaultSpeaker = "Them";
  return core::MeetingFileWriter::markdown(content);
}

core::MeetingFolder SampleLibrary::add(const SampleMeeting& meeting) {
  const core::MeetingFolder folder = store_.create(meeting.startedAt, "es");
  std::optional<fs::path> file;
  std::string text;
  if (meeting.file) {
    text = markdown(folder.id(), meeting);
    file = core::MeetingFileWriter::freePath(
        core::MeetingFileWriter::baseName(meeting.title, meeting.startedAt), notesFolder_);
    writeFile(*file, text);
  }
  if (meeting.audio) {
    // Two seconds of silence per track.
    writeFile(folder.micTrackPath(), std::string(64000, '\0'));
    writeFile(folder.systemTrackPath(), std::string(64000, '\0'));
  }
  folder.updateStatus([&](core::MeetingStatus& status) {
    status.title = meeting.title;
    status.endedAt = meeting.startedAt + std::chrono::duration_cast<core::Date::duration>(
                                             std::chrono::duration<double>(meeting.duration));
    status.interrupted = meeting.state == State::interrupted;
    switch (meeting.state) {
      case State::recording:
        status.state = core::MeetingStatus::State::recording;
        status.endedAt.reset();
        break;
      case State::processing:
        status.state = core::MeetingStatus::State::processing;
        break;
      case State::needsAttention:
        status.state = core::MeetingStatus::State::needsAttention;
        status.lastError = meeting.error;
        break;
      case State::interrupted:
      case State::done:
        status.state = core::MeetingStatus::State::done;
        break;
    }
    if (file) {
      status.meetingFile = file->string();
      status.meetingFileHash = core::MeetingFileWriter::hash(text);
    }
  });
  return folder;
}

fs::path SampleLibrary::addFileOnly(const std::string& title, core::Date startedAt,
                                    double duration) {
  SampleMeeting meeting{title, startedAt, duration};
  const fs::path file = core::MeetingFileWriter::freePath(
      core::MeetingFileWriter::baseName(title, startedAt), notesFolder_);
  writeFile(file, markdown("", meeting));
  return file;
}

void SampleLibrary::addTypicalTerm(core::Date now) {
  const auto hours = [](double count) {
    return std::chrono::duration_cast<core::Date::duration>(
        std::chrono::duration<double>(count * 3600));
  };
  add({"Cálculo II: derivadas parciales", now - hours(0.4), 0, State::recording, false, true});
  add({"Física: campo eléctrico", now - hours(3), 5400, State::processing, false, true});
  add({"Álgebra lineal: autovalores", now - hours(26), 3300, State::needsAttention, false, true});
  add({"Historia del arte: el Barroco", now - hours(50), 4800, State::done, true, true});
  add({"Química orgánica: alquenos", now - hours(98), 3600, State::interrupted, true, false});
  add({"Cálculo II: integrales dobles", now - hours(8 * 24), 5100, State::done, true, false});
  add({"Física: ley de Gauss", now - hours(12 * 24), 4700, State::done, true, false});
  add({"Programación: punteros en C", now - hours(19 * 24), 6000, State::done, true, false});
  add({"Estadística: contrastes de hipótesis", now - hours(27 * 24), 4200, State::done, true,
       false});
  addFileOnly("Seminario: cómo escribir un informe", now - hours(34 * 24), 2700);
  add({"Álgebra lineal: matrices", now - hours(41 * 24), 3900, State::done, true, false});
  add({"Historia del arte: el Renacimiento", now - hours(55 * 24), 5000, State::done, true, false});
}

}  // namespace kelv::test
