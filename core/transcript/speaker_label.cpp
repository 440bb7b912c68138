#include "kelv/core/transcript/speaker_label.h"

namespace kelv::core {

std::string speakerLabel(std::string_view speaker) {
  if (speaker == "You") return "Yo";
  if (speaker == "Them") return "Profe";
  return std::string(speaker);
}

}  // namespace kelv::core
