#include "long_class.h"

#include "kelv/core/library/meeting_file_writer.h"

namespace kelv::test {
namespace {

constexpr const char* kNotes =
    "## Resumen\n\n"
    "La clase trató las **integrales impropias** de primera y segunda especie.\n\n"
    "## Conceptos clave\n\n"
    "- **Convergencia**: el límite de la integral existe y es finito\n"
    "- **Criterio de comparación**: acotar por una integral conocida\n"
    "  - con funciones positivas\n\n"
    "1. Plantear el límite\n"
    "2. Calcular la primitiva\n\n"
    "> Esto cae seguro en el examen\n\n"
    "```\nlim_{b->inf} F(b) - F(a)\n```\n\n"
    "## Tareas\n\n"
    "- [ ] Resolver la hoja 4 de ejercicios [owner:: You]\n";

std::string turnText(int index) {
  static const char* kSentences[] = {
      "Bien, seguimos con el ejemplo de la pizarra.",
      "¿Y si la función no es positiva en todo el intervalo?",
      "Entonces separamos la integral en dos trozos y estudiamos cada uno por su lado, "
      "porque la convergencia absoluta implica la convergencia, pero no al revés, y eso es "
      "justo lo que os pedirán demostrar en el parcial de la semana que viene.",
      "Vale.",
  };
  return std::string(kSentences[index % 4]) + " (" + std::to_string(index + 1) + ")";
}

}  // namespace

core::Date longClassStart() { return core::Date(std::chrono::seconds(1741943700)); }

std::string longClassMarkdown(const LongClass& shape) {
  core::MeetingFileWriter::Content content;
  content.meetingID = "2025-03-14-091500-abcd";
  content.title = shape.title;
  content.startedAt = longClassStart();
  content.duration = shape.duration;
  content.language = "es";
  content.notes = kNotes;
  content.defaultSpeaker = "Speaker";
  const double step = shape.duration / (shape.turns + 1);
  for (int index = 0; index < shape.turns; ++index) {
    content.turns.push_back({index * step, index % 2 == 0 ? "Them" : "You", turnText(index)});
  }
  return core::MeetingFileWriter::markdown(content);
}

std::string longClassLastTurn(const LongClass& shape) { return turnText(shape.turns - 1); }

}  // namespace kelv::test
