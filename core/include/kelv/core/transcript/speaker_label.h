// The name a transcript speaker is shown under wherever a person reads the transcript (the
// meetings window, exported documents and subtitles): the student who recorded is "Yo", the
// other side of the class "Profe", a backend's own label stays as it is. Pure; any thread.
#pragma once

#include <string>
#include <string_view>

namespace kelv::core {

std::string speakerLabel(std::string_view speaker);

}  // namespace kelv::core
