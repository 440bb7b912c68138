#include "blocks_json.h"

#include <nlohmann/json.hpp>

namespace kelv::snapshots {

std::string blockJson(const core::Block& block) {
  using Kind = core::Block::Kind;
  nlohmann::ordered_json out;
  out["kind"] = std::string(core::MeetingFileBlocks::kindName(block.kind));
  switch (block.kind) {
    case Kind::heading:
      out["level"] = block.level;
      out["text"] = block.text;
      break;
    case Kind::item: {
      out["indent"] = block.level;
      nlohmann::ordered_json marker;
      switch (block.marker.kind) {
        case core::Marker::Kind::bullet:
          marker["bullet"] = true;
          break;
        case core::Marker::Kind::number:
          marker["number"] = block.marker.number;
          break;
        case core::Marker::Kind::task:
          marker["task"] = block.marker.ticked;
          break;
      }
      out["marker"] = marker;
      out["text"] = block.text;
      out["fields"] = block.fields;
      break;
    }
    case Kind::turn:
      out["time"] = block.time;
      out["speaker"] = block.speaker ? nlohmann::ordered_json(*block.speaker) : nullptr;
      out["text"] = block.text;
      out["continued"] = block.continued;
      break;
    case Kind::quote:
    case Kind::code:
    case Kind::paragraph:
      out["text"] = block.text;
      break;
    case Kind::rule:
    case Kind::transcript:
      break;
  }
  // The parser's texts are valid UTF-8 (it replaces bad bytes), so this never throws.
  return out.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace kelv::snapshots
