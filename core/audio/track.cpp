#include "kelv/core/audio/track.h"

namespace kelv::core {

std::string_view rawValue(Track track) {
  switch (track) {
    case Track::mic: return "mic";
    case Track::system: return "system";
    case Track::mixed: return "mixed";
  }
  return "mixed";
}

std::optional<Track> trackFromRaw(std::string_view raw) {
  for (Track track : kAllTracks)
    if (rawValue(track) == raw) return track;
  return std::nullopt;
}

}  // namespace kelv::core
