#include "view_models/meeting_state.h"

#include <array>

namespace kelv::app {

using State = core::MeetingEntry::State;

MeetingState::Value MeetingState::of(State state) {
  switch (state) {
    case State::recording:
      return Recording;
    case State::processing:
      return Processing;
    case State::interrupted:
      return Interrupted;
    case State::needsAttention:
      return NeedsAttention;
    case State::done:
      break;
  }
  return Done;
}

const MeetingState::Look& MeetingState::look(Value value) {
  // In the order of Value.
  static const std::array<Look, 5> looks{{
      {QStringLiteral("Grabando"), QString(), true, ColorName::recording},
      {QStringLiteral("Procesando"), QStringLiteral("circle.dotted.circle"), false,
       ColorName::accent},
      {QStringLiteral("Interrumpida"), QStringLiteral("bolt.horizontal.circle"), false,
       ColorName::interrupted},
      {QStringLiteral("Requiere atención"), QStringLiteral("exclamationmark.triangle.fill"), false,
       ColorName::attention},
      {QString(), QString(), false, ColorName::ink3},
  }};
  const auto index = static_cast<size_t>(value);
  return looks[index < looks.size() ? index : looks.size() - 1];
}

}  // namespace kelv::app
