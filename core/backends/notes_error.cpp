#include "kelv/core/backends/notes_error.h"

namespace kelv::core {

NotesError NotesError::empty() {
  return NotesError(
      Kind::empty,
      "The model returned empty notes. Thinking mode may be enabled on the server, or "
      "the token budget ran out before the notes were written.");
}

NotesError NotesError::noCards() {
  return NotesError(Kind::noCards,
                    "El modelo no devolvió ninguna tarjeta de estudio legible. Vuelve a "
                    "intentarlo o prueba con otro modelo.");
}

NotesError NotesError::noBackend() {
  return NotesError(Kind::noBackend,
                    "No hay ningún servicio de notas configurado. Elige uno en Ajustes de "
                    "Tizara ▸ AI ▸ Notes backend para crear tarjetas de estudio.");
}

}  // namespace kelv::core
