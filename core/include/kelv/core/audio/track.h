// The source of one audio track of a meeting.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace kelv::core {

enum class Track { mic, system, mixed };

inline constexpr std::array<Track, 3> kAllTracks{Track::mic, Track::system, Track::mixed};

// "mic", "system", "mixed".
std::string_view toString(Track track);
// Any other text yields no track.
std::optional<Track> trackFromString(std::string_view text);

}  // namespace kelv::core
