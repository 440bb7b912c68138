#include "kelv/core/backends/notes_error.h"

namespace kelv::core {

NotesError NotesError::empty() {
  return NotesError(
      Kind::empty,
      "The model returned empty notes. Thinking mode may be enabled on the server, or "
      "the token budget ran out before the notes were written.");
}

}  // namespace kelv::core
