#include "kelv/core/audio/track.h"

namespace kelv::core {

std::string_view toString(Track track) {
  switch (track) {
    case Track::mic:
      return "mic";
    case Track::system:
      return "system";
    case Track::mixed:
      return "mixed";
  }
  return "mixed";
}

std::optional<Track> trackFromString(std::string_view text) {
  for (Track track : kAllTracks)
    if (toString(track) == text) return track;
  return std::nullopt;
}

}  // namespace kelv::core
